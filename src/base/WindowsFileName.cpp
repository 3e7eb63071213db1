#include "base/WindowsFileName.h"

#include <array>

#include "base/Text.h"

namespace WindowsFileName {

namespace {

constexpr std::string_view kForbidden = "\\/:*?\"<>|";
constexpr std::array<std::string_view, 6> kDevices{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
// The superscript digits in UTF-8; Windows reads them as digits of COM and LPT.
constexpr std::array<std::string_view, 3> kSuperscripts{"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};

bool IsNumberedDevice(std::string_view base) {
  if (base.size() < 4) return false;
  const std::string_view stem = base.substr(0, 3);
  if (!Text::EqualsIgnoringAsciiCase(stem, "COM") && !Text::EqualsIgnoringAsciiCase(stem, "LPT")) {
    return false;
  }
  const std::string_view digit = base.substr(3);
  if (digit.size() == 1) return digit[0] >= '0' && digit[0] <= '9';
  for (std::string_view superscript : kSuperscripts) {
    if (digit == superscript) return true;
  }
  return false;
}

}  // namespace

bool IsReservedName(std::string_view name) {
  // The part before the first dot decides, and Windows ignores blanks at its end.
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : kDevices) {
    if (Text::EqualsIgnoringAsciiCase(base, device)) return true;
  }
  return IsNumberedDevice(base);
}

std::string Safe(std::string_view name) {
  std::string safe;
  safe.reserve(name.size() + 1);
  for (const char c : name) {
    const bool control = static_cast<unsigned char>(c) < 0x20;
    safe += control || kForbidden.find(c) != std::string_view::npos ? '_' : c;
  }
  while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
  if (safe.empty()) return "_";
  if (IsReservedName(safe)) safe.insert(safe.begin(), '_');
  return safe;
}

}  // namespace WindowsFileName
