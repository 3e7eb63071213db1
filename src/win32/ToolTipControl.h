#pragma once

#include <string>

#include "win32/OwnedHandle.h"
#include "win32/WinHeaders.h"

// One tooltip control for the tools of a window: each tool is a child window whose
// mouse messages the control watches itself (TTF_SUBCLASS).
class ToolTipControl {
 public:
  // The control belongs to `owner`; its tips show for up to `showMs`.
  bool Create(HWND owner, int showMs);
  HWND Handle() const { return Control.Get(); }

  // A title above every tip, with the information icon.
  void SetTitle(const std::wstring& title);
  void SetTool(HWND tool, const std::wstring& text);
  void RemoveTool(HWND tool);
  // The tip of a tool; empty when it has none.
  std::wstring Text(HWND tool) const;

 private:
  TOOLINFOW Info(HWND tool) const;

  HWND Owner = nullptr;
  WindowHandle Control;
};
