#pragma once

// Small text helpers below everything: ASCII case folding and comparison, trimming,
// splitting. Only ASCII letters change case; every other byte (UTF-8 included) is kept.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Text {

constexpr char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);
// Position of `needle` in `text` with ASCII case ignored; npos when absent.
size_t FindIgnoringAsciiCase(std::string_view text, std::string_view needle);

// Without blanks and tabs at either end.
std::string_view TrimBlanks(std::string_view text);
// Without blanks, tabs, CR and LF at either end.
std::string_view TrimSpace(std::string_view text);

// The pieces between separators, each trimmed of blanks; empty pieces are kept.
std::vector<std::string_view> Split(std::string_view text, char separator);

// Orders and hashes strings with ASCII case ignored, for maps keyed by names.
struct AsciiCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};
struct AsciiCaseHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const;
};
struct AsciiCaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return EqualsIgnoringAsciiCase(a, b);
  }
};

bool IsValidUtf8(std::string_view bytes);
// Appends the UTF-8 bytes of a code point (up to U+10FFFF; surrogates are the caller's).
void AppendUtf8(std::string& out, char32_t codePoint);
// Every byte read as Windows-1252 and written as UTF-8 (valid UTF-8 input included).
std::string Windows1252ToUtf8(std::string_view bytes);

// A decimal number without sign; nullopt-like false for empty text, other characters or
// overflow of 64 bits.
bool ParseUnsigned(std::string_view text, uint64_t& value);

}  // namespace Text
