#pragma once

#include "win32/OwnedHandle.h"
#include "win32/WinHeaders.h"

// The program's icons, loaded from its resources at the size a window needs at its DPI.
namespace ProgramIcons {

// The image of that size (made from the nearest when the icon lacks it); empty when
// the resource does not load.
IconHandle Load(int resourceId, int size);
// Sizes of the system's small icons (title bar, notification area) and of a tool
// button's 32 logical pixels, at the DPI of `window` (the system's when null).
int SmallIconSize(HWND window);
int LargeIconSize(HWND window);
int ButtonIconSize(HWND window);

}  // namespace ProgramIcons
