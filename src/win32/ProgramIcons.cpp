#include "win32/ProgramIcons.h"

namespace ProgramIcons {

namespace {

UINT DpiOf(HWND window) {
  const UINT dpi = window ? ::GetDpiForWindow(window) : ::GetDpiForSystem();
  return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

IconHandle Load(int resourceId, int size) {
  // Each icon holds the sizes a window asks for; another size is made from the nearest.
  return IconHandle(
      static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId),
                                      IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

int SmallIconSize(HWND window) {
  return ::GetSystemMetricsForDpi(SM_CXSMICON, DpiOf(window));
}

int LargeIconSize(HWND window) {
  return ::GetSystemMetricsForDpi(SM_CXICON, DpiOf(window));
}

int ButtonIconSize(HWND window) {
  return ::MulDiv(32, static_cast<int>(DpiOf(window)), USER_DEFAULT_SCREEN_DPI);
}

}  // namespace ProgramIcons
