#include "config/IniFile.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "config/IniDocument.h"

std::string ReadIniValue(const std::string& path, std::string_view section, std::string_view key) {
  const std::optional<IniDocument> document = IniDocument::Load(path);
  return document ? document->Get(section, key) : std::string();
}

void WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value) {
  std::optional<IniDocument> document = IniDocument::Load(path);
  // A file that exists but could not be read is left alone rather than replaced.
  if (!document || !document->Set(section, key, value)) return;
  document->Save(path);
}

int32_t IniValueToInt32(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulated as a magnitude in 64 bits and clamped as soon as it leaves 32.
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<int32_t>(-magnitude);
  return static_cast<int32_t>(std::min<int64_t>(magnitude, kLimit - 1));
}
