#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Longest value text a read returns; longer values are cut.
inline constexpr size_t MaxIniValueLength = 2598;

// Integer value of a profile text the way the C library reads one (wcstol): leading
// blanks, an optional sign, decimal digits up to the first other character; no digits
// give 0. Out-of-range values saturate at the 32-bit limits.
int32_t IniValueToInt32(std::string_view text);

// One INI file held in memory: parsed once, read key by key, changed key by key and
// written back in one piece (config/IniFile.h reads and writes files). Windows
// private-profile conventions: section and key names match without regard to case,
// blanks around names and values are ignored, a value in matching double quotes is
// read without them, ';' starts a comment line, the first of duplicate sections or
// keys wins, lines without '=' are ignored, LF or CRLF line ends. Lines the document does not
// change are kept byte for byte (comments, unknown sections, odd spacing, CRLF ends), so a
// hand-edited file survives the program's writes.
class IniDocument {
 public:
  // Files above this size are not read at all (an INI file of the program is a few
  // kilobytes; a huge one is damage or a mistake).
  static constexpr uint64_t MaxFileSize = uint64_t{16} << 20;
  // Sections and keys indexed per document; lines beyond stay in the text but are not
  // looked up (IsCut tells). Bounds the index built for a file of garbage, far above
  // any filter list a person keeps (a filter is nine entries).
  static constexpr size_t MaxEntries = size_t{1} << 20;

  IniDocument() = default;

  // Parses file bytes: a UTF-8 byte-order mark is kept aside, UTF-16 (LE or BE, by
  // its mark) is converted to UTF-8; anything else is taken as UTF-8 bytes.
  static IniDocument Parse(std::string_view bytes);

  // The value of `key` in the first `section` of that name, names compared without
  // regard to ASCII case and surrounding blanks; a value in matching double quotes
  // comes without them; cut to MaxIniValueLength characters. "" when missing.
  std::string Get(std::string_view section, std::string_view key) const;
  // True when the key is present (its value may be empty).
  bool Has(std::string_view section, std::string_view key) const;
  // True when the file holds more than MaxEntries sections and keys, so that those
  // beyond cannot be looked up: a reader that needs them all refuses the file.
  bool IsCut() const { return Cut; }

  // Sets a value: replaces it in place when the key exists, else adds the key after
  // the last key of the section, else adds the section at the end. Line breaks in
  // the value become spaces; a value that would not read back as written (blanks at
  // either end, enclosed in quotes) is written in quotes. False, and nothing changes,
  // for a name that cannot be written (empty key, '=' in a key, ']' in a section,
  // line breaks).
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // Every section in file order, duplicates included (profiles.ini has several
  // [Install...] sections that all count), and a value of one of them.
  size_t SectionCount() const { return Sections.size(); }
  std::string SectionName(size_t index) const;
  std::string GetAt(size_t sectionIndex, std::string_view key) const;

  // The file's bytes: UTF-8, with the byte-order mark of a UTF-8 source kept.
  std::string Serialize() const;

 private:
  struct Key {
    size_t NameBegin = 0;
    size_t NameLength = 0;
    size_t ValueBegin = 0;  // trimmed value, quotes included
    size_t ValueLength = 0;
  };
  struct Section {
    size_t NameBegin = 0;
    size_t NameLength = 0;
    size_t ContentEnd = 0;  // start of the line after the header or the section's last key
    std::vector<Key> Keys;
  };

  void Index();
  // Index of the first section or key of that name; the container's size when missing.
  size_t FindSection(std::string_view name) const;
  size_t FindKey(const Section& section, std::string_view name) const;
  std::string Get(std::string_view section, std::string_view key, size_t sectionIndex) const;
  // Replaces `length` bytes at `offset` and moves every indexed offset behind them.
  void Splice(size_t offset, size_t length, std::string_view replacement);
  // Gives the last line a line end when the text does not end with one.
  void EndLastLine();

  std::string Bom;
  bool Cut = false;
  std::string Text;
  std::string NewLine = "\n";
  std::vector<Section> Sections;
  // First section of each name (ASCII lower-cased), so a look-up costs the same in a
  // file of ten thousand filters as in one of ten.
  std::unordered_map<std::string, size_t> SectionIndex;
};
