#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/OptionsController.h"
#include "app/OptionsView.h"
#include "win32/Dialog.h"
#include "win32/OptionsPage.h"

// The modal options dialog: three tabs (Main, Browsers, Filters), each a page of its
// own. The Browsers tab has a switch for every browser of the table. What the dialog
// shows and what OK does with it are its controller's.
class COptionsDlg : public Dialog, private OptionsView {
 public:
  static constexpr int PageCount = 3;

  COptionsDlg();

  // A control of any page (or of the dialog itself) by its identifier.
  HWND Control(int id) const;
  // The watcher switch of a browser of the table.
  static int BrowserSwitchId(int code);
  void SetOptionChecked(int id, bool checked);
  bool IsOptionChecked(int id) const;
  void SetOptionText(int id, const std::string& text);
  std::string OptionText(int id) const;
  void SetLanguages(const std::vector<std::string>& names, int selected);
  int SelectedLanguage() const;
  int CurrentPage() const;
  void ShowPage(int page);
  HWND Page(int page) const { return Pages[static_cast<size_t>(page)].Handle(); }

 protected:
  bool OnInitDialog() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ApplyTexts();
  void AddBrowserSwitches();
  void AddSwitches(int groupId, int top, int columns, const std::vector<int>& codes);
  bool Command(int id, int code);
  // The edit of a folder field (OptionsView::DefaultFolderField or a browser's code).
  int FolderEditId(int field) const;

  // OptionsView
  OptionsValues Values() const override;
  void ShowValues(const OptionsValues& values) override;
  void ShowLanguages(const std::vector<std::string>& names) override;
  void ShowFolder(int field, const std::string& text) override;
  void FocusFolder(int field) override;
  void EnableCacheFolder(int code, bool enabled) override;
  void ShowUnavailable(int code, const std::string& reason) override;
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start) override;
  void ShowMessage(MessageKind kind, const std::string& text) override;
  void Open(const std::string& target) override;

  std::array<OptionsPage, PageCount> Pages;
  OptionsController Controller;
};
