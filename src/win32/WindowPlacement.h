#pragma once

#include <vector>

// The main window's size and its list's column widths, kept from one run to the next
// in a file of the data folder of their own (the settings file is the engine's).
namespace WindowPlacement {

struct Kept {
  int Width = 0;  // pixels; 0: as the template makes it
  int Height = 0;
  std::vector<int> Columns;  // pixels, left to right; empty: fitted to the texts
};

Kept Load();
bool Save(const Kept& kept);

}  // namespace WindowPlacement
