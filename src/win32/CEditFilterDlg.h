#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "win32/Dialog.h"
#include "win32/resources/ResourceIds.h"

// The modal editor of one filter. It shows the texts it is given, lets the user change
// them, and hands them back after OK; the check that decides whether OK may close it
// belongs to whoever opened it.
class CEditFilterDlg : public Dialog {
 public:
  // The edit fields, top to bottom.
  enum Field { MinSize, Url, MinWidth, MinHeight, Directory, FileName, FieldCount };
  static constexpr std::array<int, FieldCount> FieldIds = {IDC_EDIT_MIN_SIZE,  IDC_EDIT_URL,
                                                           IDC_EDIT_MIN_WIDTH, IDC_EDIT_MIN_HEIGHT,
                                                           IDC_EDIT_DIRECTORY, IDC_EDIT_FILE_NAME};
  // Runs when OK is pressed; false keeps the dialog open.
  using AcceptCheck = std::function<bool(CEditFilterDlg& dialog)>;

  explicit CEditFilterDlg(std::string title);

  // The content-type list's entries and the one selected (-1: the first).
  void SetKinds(std::vector<std::string> names, int selected);
  void SetFieldText(Field field, std::string text);
  void SetAcceptCheck(AcceptCheck check) { Check = std::move(check); }
  // What the dialog shows now (while it runs) or showed when it closed.
  const std::string& FieldText(Field field) const { return Texts[field]; }
  int SelectedKind() const { return Kind; }

 protected:
  bool OnInitDialog() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ReadControls();
  void BrowseFolder();

  std::string WindowTitle;
  std::vector<std::string> Kinds;
  int Kind = 0;
  std::array<std::string, FieldCount> Texts;
  AcceptCheck Check;
};
