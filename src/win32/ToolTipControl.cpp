#include "win32/ToolTipControl.h"

#include <array>

bool ToolTipControl::Create(HWND owner, int showMs) {
  Owner = owner;
  Control.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                  WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr));
  if (!Control) return false;
  ::SendMessageW(Control.Get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(showMs, 0));
  // Long texts wrap instead of running across the screen.
  ::SendMessageW(Control.Get(), TTM_SETMAXTIPWIDTH, 0, 400);
  return true;
}

void ToolTipControl::SetTitle(const std::wstring& title) {
  ::SendMessageW(Control.Get(), TTM_SETTITLEW, TTI_INFO, reinterpret_cast<LPARAM>(title.c_str()));
}

TOOLINFOW ToolTipControl::Info(HWND tool) const {
  TOOLINFOW info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = Owner;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  return info;
}

void ToolTipControl::SetTool(HWND tool, const std::wstring& text) {
  // Asked without a text buffer: TTM_GETTOOLINFOW would copy the tip into one.
  TOOLINFOW info = Info(tool);
  const bool known =
      ::SendMessageW(Control.Get(), TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
  info = Info(tool);
  info.lpszText = const_cast<wchar_t*>(text.c_str());
  ::SendMessageW(Control.Get(), known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
                 reinterpret_cast<LPARAM>(&info));
}

void ToolTipControl::RemoveTool(HWND tool) {
  TOOLINFOW info = Info(tool);
  ::SendMessageW(Control.Get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

std::wstring ToolTipControl::Text(HWND tool) const {
  // TTM_GETTEXTW takes no buffer size; tips are set here and stay below this length.
  std::array<wchar_t, 1024> buffer{};
  TOOLINFOW info = Info(tool);
  info.lpszText = buffer.data();
  ::SendMessageW(Control.Get(), TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&info));
  return buffer.data();
}
