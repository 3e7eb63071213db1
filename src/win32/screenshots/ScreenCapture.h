#pragma once

#include <string>

#include "win32/WinHeaders.h"

// Pictures of the screen as the user sees it, for the screenshot tool.
namespace ScreenCapture {

// Saves the screen around `window` (its frame and `margin` pixels more), or the whole
// screen when `window` is null, as a 24-bit .bmp file.
bool SaveScreen(HWND window, int margin, const std::string& path);

}  // namespace ScreenCapture
