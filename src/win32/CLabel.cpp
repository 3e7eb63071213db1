#include "win32/CLabel.h"

#include <string>

namespace {

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void ShellOpen(const std::wstring& target) {
  ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

CLabel::CLabel()
    : Color(::GetSysColor(COLOR_WINDOWTEXT)),
      Background(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE))),
      Open(&ShellOpen) {}

CLabel::~CLabel() {
  if (Control && ::IsWindow(Control)) ::RemoveWindowSubclass(Control, &CLabel::Subclass, 0);
}

bool CLabel::Attach(HWND control) {
  if (!control) return false;
  Control = control;
  // The dialog's own font, so the label looks like its neighbours.
  HFONT base = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  if (!base) base = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  ::GetObjectW(base, sizeof Description, &Description);
  RebuildFont();
  return ::SetWindowSubclass(control, &CLabel::Subclass, 0, reinterpret_cast<DWORD_PTR>(this)) !=
         FALSE;
}

void CLabel::SetTextColor(COLORREF color) {
  Color = color;
  Redraw();
}

void CLabel::SetBold(bool bold) {
  Description.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  RebuildFont();
  Redraw();
}

void CLabel::SetUnderline(bool underline) {
  Description.lfUnderline = underline ? TRUE : FALSE;
  RebuildFont();
  Redraw();
}

void CLabel::SetLink(bool link) {
  Link = link;
  const LONG_PTR style = ::GetWindowLongPtrW(Control, GWL_STYLE);
  ::SetWindowLongPtrW(Control, GWL_STYLE, link ? (style | SS_NOTIFY) : (style & ~SS_NOTIFY));
}

void CLabel::SetFormat(UINT format) {
  Format = format;
  Redraw();
}

bool CLabel::IsBold() const {
  return Description.lfWeight >= FW_BOLD;
}

bool CLabel::IsUnderlined() const {
  return Description.lfUnderline != FALSE;
}

void CLabel::RebuildFont() {
  Font.Reset(::CreateFontIndirectW(&Description));
}

void CLabel::Redraw() const {
  if (Control) ::InvalidateRect(Control, nullptr, TRUE);
}

RECT CLabel::TextRect() const {
  RECT client{};
  ::GetClientRect(Control, &client);
  const std::wstring text = TextOf(Control);
  HDC dc = ::GetDC(Control);
  HGDIOBJ old = ::SelectObject(dc, Font.Get());
  RECT measured = client;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, Format | DT_CALCRECT);
  ::SelectObject(dc, old);
  ::ReleaseDC(Control, dc);
  // DT_CALCRECT keeps the left edge; the drawing centres or right-aligns the text.
  const LONG width = measured.right - measured.left;
  LONG left = client.left;
  if (Format & DT_CENTER) left = client.left + (client.right - client.left - width) / 2;
  if (Format & DT_RIGHT) left = client.right - width;
  return RECT{left, client.top, left + width, client.top + (measured.bottom - measured.top)};
}

void CLabel::Draw(const DRAWITEMSTRUCT& item) const {
  const std::wstring text = TextOf(Control);
  RECT area = item.rcItem;
  ::FillRect(item.hDC, &area, Background.Get());
  HGDIOBJ old = ::SelectObject(item.hDC, Font.Get());
  ::SetTextColor(item.hDC, Color);
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area, Format);
  ::SelectObject(item.hDC, old);
}

LRESULT CALLBACK CLabel::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(window, &CLabel::Subclass, 0);
    reinterpret_cast<CLabel*>(self)->Control = nullptr;
    return ::DefSubclassProc(window, message, wParam, lParam);
  }
  return reinterpret_cast<CLabel*>(self)->HandleMessage(message, wParam, lParam);
}

LRESULT CLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: {
      if (!Link) break;
      // Beside the text the mouse belongs to the dialog: no hand, no click.
      POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ::ScreenToClient(Control, &point);
      const RECT text = TextRect();
      return ::PtInRect(&text, point) ? HTCLIENT : HTTRANSPARENT;
    }
    case WM_SETCURSOR:
      if (!Cursor) break;
      ::SetCursor(Cursor);
      return TRUE;
    case WM_LBUTTONDOWN:
      if (Link && Open) Open(TextOf(Control));
      break;
    default:
      break;
  }
  return ::DefSubclassProc(Control, message, wParam, lParam);
}
