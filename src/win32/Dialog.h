#pragma once

#include <string>
#include <string_view>

#include "config/UiTexts.h"
#include "win32/WinHeaders.h"

// A dialog made from a template of the program's resources, modal or modeless. From
// WM_INITDIALOG on, every message reaches HandleMessage of the object; controls are
// reached by their identifiers. Texts cross here as UTF-8.
class Dialog {
 public:
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  // Destroys a modeless dialog that still exists.
  virtual ~Dialog();

  // Runs the dialog modally; the result EndModal gave, or -1 when it could not be made.
  INT_PTR RunModal(HWND owner);
  // Makes the dialog modeless (hidden unless its template says otherwise).
  bool CreateModeless(HWND owner);

  HWND Handle() const { return Hwnd; }
  HWND Item(int id) const { return ::GetDlgItem(Hwnd, id); }
  int TemplateId() const { return Template; }

  void SetTitle(std::string_view utf8);
  std::string Title() const;
  void SetItemText(int id, std::string_view utf8);
  void SetItemText(int id, UiTextKey key);
  std::string ItemText(int id) const;
  void SetChecked(int id, bool checked);
  bool IsChecked(int id) const;
  void EnableItem(int id, bool enabled);

 protected:
  explicit Dialog(int templateId) : Template(templateId) {}

  // The controls exist; true lets the system give the first control the focus.
  virtual bool OnInitDialog() { return true; }
  // FALSE hands the message to the default dialog handling.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void EndModal(INT_PTR result);
  // The result of a message whose answer is not the procedure's return value (WM_NOTIFY,
  // WM_SETCURSOR...); returns TRUE for the procedure to return.
  INT_PTR SetMessageResult(LRESULT result);

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  int Template;
  HWND Hwnd = nullptr;
  bool Modal = false;
};

// The text of a window, as UTF-8.
std::string WindowText(HWND window);
