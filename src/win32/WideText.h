#pragma once

// The core speaks UTF-8; every wide Windows call takes UTF-16. The two meet here and
// nowhere else in the Windows program.

#include <string>
#include <string_view>

#include "config/UiTexts.h"

namespace WideText {

std::wstring FromUtf8(std::string_view utf8);
std::string ToUtf8(std::wstring_view wide);
// An interface text in the current language.
std::wstring Ui(UiTextKey key);

}  // namespace WideText
