#pragma once

#include <QString>

#include <string_view>

#include "config/UiTexts.h"

// The interface texts and the core's UTF-8 strings as Qt shows them.
inline QString Text(UiTextKey key) {
  return QString::fromStdString(UiTexts::Get(key));
}

inline QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
