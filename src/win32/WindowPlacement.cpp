#include "win32/WindowPlacement.h"

#include <charconv>
#include <string>
#include <string_view>

#include "config/IniFile.h"
#include "config/Settings.h"
#include "platform/Paths.h"

namespace WindowPlacement {

namespace {

constexpr std::string_view kSection = "MainWindow";
// Held to what a screen can show, so a damaged file cannot ask for absurd sizes.
constexpr int kLargest = 30000;
constexpr size_t kMostColumns = 16;

std::string PlacementFile() {
  const std::string folder = ProgramPlaces().DataFolder;
  return folder.empty() ? std::string() : Platform::JoinPath(folder, "Window.ini");
}

int Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && value > 0 && value <= kLargest ? value : 0;
}

}  // namespace

Kept Load() {
  Kept kept;
  const std::string file = PlacementFile();
  if (file.empty()) return kept;
  kept.Width = Number(ReadIniValue(file, kSection, "Width"));
  kept.Height = Number(ReadIniValue(file, kSection, "Height"));
  const std::string text = ReadIniValue(file, kSection, "Columns");
  std::string_view rest = text;
  while (!rest.empty() && kept.Columns.size() < kMostColumns) {
    const size_t comma = rest.find(',');
    kept.Columns.push_back(Number(rest.substr(0, comma)));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return kept;
}

bool Save(const Kept& kept) {
  const std::string file = PlacementFile();
  if (file.empty()) return false;
  std::string columns;
  for (const int width : kept.Columns) {
    if (!columns.empty()) columns += ',';
    columns += std::to_string(width);
  }
  return WriteIniValue(file, kSection, "Width", std::to_string(kept.Width)) &&
         WriteIniValue(file, kSection, "Height", std::to_string(kept.Height)) &&
         WriteIniValue(file, kSection, "Columns", columns);
}

}  // namespace WindowPlacement
