#pragma once

#include <array>
#include <string>

#include "app/FilterEditorController.h"
#include "app/FilterEditorView.h"
#include "win32/Dialog.h"
#include "win32/resources/ResourceIds.h"

struct FilterRecord;

// The modal editor of one filter: it shows the fields its controller gives it and
// forwards OK and "..."; the record changes only on an OK the controller accepts.
class CEditFilterDlg : public Dialog, private FilterEditorView {
 public:
  // The edit fields, top to bottom, in the order of FilterFields::Field from MinSize on.
  static constexpr std::array<int, 6> FieldIds = {IDC_EDIT_MIN_SIZE,  IDC_EDIT_URL,
                                                  IDC_EDIT_MIN_WIDTH, IDC_EDIT_MIN_HEIGHT,
                                                  IDC_EDIT_DIRECTORY, IDC_EDIT_FILE_NAME};

  CEditFilterDlg(FilterRecord& record, std::string title);

 protected:
  bool OnInitDialog() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // FilterEditorView
  FilterFields Fields() const override;
  void ShowFields(const FilterFields& fields) override;
  void ShowFolder(const std::string& folder) override;
  void Refuse(const std::string& message, FilterFields::Field field, bool selectText) override;
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start) override;
  void Open(const std::string& target) override;

  std::string WindowTitle;
  std::vector<FilterEditorController::KindChoice> Kinds;
  FilterEditorController Controller;
};
