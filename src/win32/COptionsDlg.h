#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "config/BrowserTable.h"
#include "win32/Dialog.h"
#include "win32/OptionsPage.h"

// The modal options dialog: three tabs (Main, Browsers, Filters), each a page of its
// own. The Browsers tab has a switch for every browser of the table. What the dialog
// shows and what OK does with it belong to whoever opened it.
class COptionsDlg : public Dialog {
 public:
  static constexpr int PageCount = 3;
  using AcceptCheck = std::function<bool(COptionsDlg& dialog)>;

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
  void SetAcceptCheck(AcceptCheck check) { Check = std::move(check); }

 protected:
  bool OnInitDialog() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ApplyTexts();
  void AddBrowserSwitches();
  void AddSwitches(int groupId, int top, int columns,
                   const std::vector<const BrowserInfo*>& family);

  std::array<OptionsPage, PageCount> Pages;
  AcceptCheck Check;
};
