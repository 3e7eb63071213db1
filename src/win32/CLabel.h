#pragma once

#include <functional>
#include <string>

#include "win32/OwnedHandle.h"
#include "win32/WinHeaders.h"

// A static text that draws itself (an owner-drawn static) in its own colour and font,
// and as a link opens its own text with the shell when clicked. Only the text itself
// is the link: the hand cursor and the click stop where the text ends.
class CLabel {
 public:
  using Opener = std::function<void(const std::wstring& target)>;

  CLabel();
  ~CLabel();
  CLabel(const CLabel&) = delete;
  CLabel& operator=(const CLabel&) = delete;

  // Takes over a static control of the SS_OWNERDRAW type; the parent forwards its
  // WM_DRAWITEM for the control to Draw.
  bool Attach(HWND control);
  HWND Handle() const { return Control; }

  void SetTextColor(COLORREF color);
  void SetBold(bool bold);
  void SetUnderline(bool underline);
  // Clicks reach the label (the notify style) only as a link.
  void SetLink(bool link);
  void SetLinkCursor(HCURSOR cursor) { Cursor = cursor; }
  // DrawTextW's format (alignment, wrapping); centred and wrapped by default.
  void SetFormat(UINT format);
  // What a click does with the text; the shell's "open" by default.
  void SetOpener(Opener opener) { Open = std::move(opener); }

  bool IsLink() const { return Link; }
  bool IsBold() const;
  bool IsUnderlined() const;
  COLORREF TextColor() const { return Color; }
  // The part of the label that its text covers, in the label's client coordinates.
  RECT TextRect() const;

  void Draw(const DRAWITEMSTRUCT& item) const;

 private:
  static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void RebuildFont();
  void Redraw() const;

  HWND Control = nullptr;
  COLORREF Color;
  BrushHandle Background;
  LOGFONTW Description{};
  FontHandle Font;
  bool Link = false;
  HCURSOR Cursor = nullptr;
  UINT Format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
  Opener Open;
};
