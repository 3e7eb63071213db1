// Fuzzes the INI parser and the write path: any bytes must parse, an untouched
// document must serialise to its own bytes, and a value that was set must read back
// (also after a fresh parse) without disturbing the other keys.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "base/IniDocument.h"
#include "config/IniFile.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

char Fold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\f\v";
  const size_t begin = text.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

// The value as it must read back: line breaks turned into spaces, cut to the limit.
std::string Expected(std::string_view value) {
  std::string expected;
  size_t characters = 0;
  for (const char c : value) {
    const bool lead = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (lead && characters++ == MaxIniValueLength) break;
    expected += (c == '\r' || c == '\n') ? ' ' : c;
  }
  return expected;
}

constexpr std::array<std::string_view, 6> kSections = {"GENERAL", " general ", "FILTER_0",
                                                       "S",       "",          "New Section"};
constexpr std::array<std::string_view, 6> kKeys = {"Language", "IE", "k", "K", "MinWeidth", "x"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  // Integers come from the end of the input, strings from the front.
  const auto selector = provider.ConsumeIntegral<uint8_t>();
  std::string section(kSections[selector % kSections.size()]);
  std::string key(kKeys[(selector / 8) % kKeys.size()]);
  if (selector & 0x80) {
    section = provider.ConsumeRandomLengthString(16);
    key = provider.ConsumeRandomLengthString(16);
  }
  const std::string value = provider.ConsumeRandomLengthString(4096);
  const std::string bytes = provider.ConsumeRemainingBytesAsString();

  IniDocument document = IniDocument::Parse(bytes);
  const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
  if (!utf16) Check(document.Serialize() == bytes);

  std::array<std::pair<std::string_view, std::string_view>, 5> probes = {
      {{"GENERAL", "Language"}, {"GENERAL", "IE"}, {"S", "K"}, {section, "k"}, {"FILTER_0", key}}};
  std::array<std::string, probes.size()> before;
  for (size_t i = 0; i < probes.size(); ++i) {
    before[i] = document.Get(probes[i].first, probes[i].second);
    Check(before[i].size() <= 4 * MaxIniValueLength);
  }

  if (!document.Set(section, key, value)) {
    if (!utf16) Check(document.Serialize() == bytes);
    return 0;
  }
  // A second key into the same section exercises inserting behind the first write.
  const std::string second = SameName(key, "second") ? "third" : "second";
  Check(document.Set(section, second, "2"));
  const std::string expected = Expected(value);
  Check(document.Get(section, key) == expected);
  const IniDocument reparsed = IniDocument::Parse(document.Serialize());
  Check(reparsed.Get(section, key) == expected);
  Check(reparsed.Get(section, second) == "2");
  for (size_t i = 0; i < probes.size(); ++i) {
    if (SameName(probes[i].first, section) &&
        (SameName(probes[i].second, key) || SameName(probes[i].second, second))) {
      continue;
    }
    Check(reparsed.Get(probes[i].first, probes[i].second) == before[i]);
  }
  return 0;
}
