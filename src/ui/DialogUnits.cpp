#include "ui/DialogUnits.h"

#include <QFontMetricsF>
#include <QString>

#include <cmath>

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetricsF metrics(font);
  static const QString kAlphabet =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const double average =
      metrics.horizontalAdvance(kAlphabet) / static_cast<double>(kAlphabet.size());
  if (average > 0) UnitX = average / 4.0;
  if (metrics.height() > 0) UnitY = metrics.height() / 8.0;
}

int DialogUnits::X(int units) const {
  return static_cast<int>(std::lround(units * UnitX));
}

int DialogUnits::Y(int units) const {
  return static_cast<int>(std::lround(units * UnitY));
}
