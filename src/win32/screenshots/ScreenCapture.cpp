#include "win32/screenshots/ScreenCapture.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "win32/OwnedHandle.h"
#include "win32/WideText.h"

namespace ScreenCapture {

namespace {

RECT Area(HWND window, int margin) {
  RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (!window) return screen;
  RECT frame{};
  ::GetWindowRect(window, &frame);
  return RECT{std::max(frame.left - margin, screen.left), std::max(frame.top - margin, screen.top),
              std::min(frame.right + margin, screen.right),
              std::min(frame.bottom + margin, screen.bottom)};
}

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool SaveScreen(HWND window, int margin, const std::string& path) {
  const RECT area = Area(window, margin);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BitmapHandle bitmap(::CreateCompatibleBitmap(screen, width, height));
  HGDIOBJ old = ::SelectObject(memory, bitmap.Get());
  const bool copied =
      ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
  ::SelectObject(memory, old);

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, as a .bmp file stores its rows
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<unsigned char> pixels(stride * static_cast<size_t>(height));
  const int rows = ::GetDIBits(memory, bitmap.Get(), 0, static_cast<UINT>(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (!copied || rows != height) return false;

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  std::unique_ptr<std::FILE, CloseFile> out(_wfopen(WideText::FromUtf8(path).c_str(), L"wb"));
  if (!out) return false;
  bool written = std::fwrite(&file, sizeof file, 1, out.get()) == 1;
  written &= std::fwrite(&header, sizeof header, 1, out.get()) == 1;
  written &= std::fwrite(pixels.data(), 1, pixels.size(), out.get()) == pixels.size();
  return written && std::fclose(out.release()) == 0;
}

}  // namespace ScreenCapture
