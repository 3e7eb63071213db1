#include "config/SizeText.h"

#include <array>
#include <limits>
#include "base/Text.h"

namespace {

struct SizeUnit {
  std::string_view Name;
  uint64_t Bytes;
};

constexpr std::array<SizeUnit, 13> kUnits = {{
    {"", 1},
    {"b", 1},
    {"byte", 1},
    {"bytes", 1},
    {"k", 1000},
    {"kb", 1000},
    {"kib", 1024},
    {"m", 1000 * 1000},
    {"mb", 1000 * 1000},
    {"mib", 1024 * 1024},
    {"g", 1000 * 1000 * 1000},
    {"gb", 1000 * 1000 * 1000},
    {"gib", 1024 * 1024 * 1024},
}};

constexpr uint64_t kLargest = std::numeric_limits<int32_t>::max();
// Digits past these cannot change the outcome, so longer runs are refused before they
// could overflow the sums below.
constexpr size_t kMaxWholeDigits = 10;
constexpr size_t kMaxFractionDigits = 9;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::optional<uint64_t> UnitBytes(std::string_view name) {
  for (const SizeUnit& unit : kUnits) {
    if (Text::EqualsIgnoringAsciiCase(name, unit.Name)) return unit.Bytes;
  }
  return std::nullopt;
}

}  // namespace

std::optional<int32_t> ParseSizeText(std::string_view text) {
  text = Text::TrimBlanks(text);
  if (text.empty()) return 0;
  size_t i = 0;
  const size_t wholeStart = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  const std::string_view whole = text.substr(wholeStart, i - wholeStart);
  std::string_view fraction;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    const size_t fractionStart = ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    fraction = text.substr(fractionStart, i - fractionStart);
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  // Leading zeros say nothing; without them the digit limits hold for every number.
  std::string_view significant = whole;
  while (significant.size() > 1 && significant.front() == '0') significant.remove_prefix(1);
  if (significant.size() > kMaxWholeDigits) return std::nullopt;
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  if (fraction.size() > kMaxFractionDigits) return std::nullopt;

  const std::optional<uint64_t> unit = UnitBytes(Text::TrimBlanks(text.substr(i)));
  if (!unit) return std::nullopt;
  if (*unit == 1 && !fraction.empty()) return std::nullopt;

  uint64_t wholeValue = 0;
  for (const char c : significant) wholeValue = wholeValue * 10 + static_cast<uint64_t>(c - '0');
  if (wholeValue > kLargest) return std::nullopt;
  uint64_t fractionValue = 0;
  uint64_t scale = 1;
  for (const char c : fraction) {
    fractionValue = fractionValue * 10 + static_cast<uint64_t>(c - '0');
    scale *= 10;
  }
  // Both products stay below 2^62: the whole part is at most 2^31, the fraction below
  // 10^9, and a unit at most 2^30.
  const uint64_t bytes = wholeValue * *unit + (fractionValue * *unit + scale / 2) / scale;
  if (bytes > kLargest) return std::nullopt;
  return static_cast<int32_t>(bytes);
}
