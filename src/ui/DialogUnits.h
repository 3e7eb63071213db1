#pragma once

#include <QFont>
#include <QSize>

// Converts dialog units to pixels for a font: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height. Windows are
// laid out by Qt layouts; the units only size what has no natural size of its own.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int X(int units) const;
  int Y(int units) const;
  QSize Size(int width, int height) const { return {X(width), Y(height)}; }

 private:
  double UnitX = 1.5;
  double UnitY = 1.625;
};
