#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/OptionsView.h"

namespace apptest {

// An options dialog that holds the values it was shown, for the test to change, and
// records its messages and the folder field that got the keyboard.
class FakeOptionsView : public OptionsView {
 public:
  OptionsValues Current;
  std::vector<std::string> Languages;
  std::vector<std::string> Messages;
  int Focused = -2;  // none yet

  OptionsValues Values() const override { return Current; }
  void ShowValues(const OptionsValues& values) override { Current = values; }
  void ShowLanguages(const std::vector<std::string>& names) override { Languages = names; }
  void ShowFolder(int field, const std::string& text) override {
    (field == DefaultFolderField ? Current.DefaultFolder
                                 : Current.CacheFolders.at(static_cast<size_t>(field))) = text;
  }
  void FocusFolder(int field) override { Focused = field; }
  void EnableCacheFolder(int, bool) override {}
  void ShowUnavailable(int code, const std::string& reason) override { Unavailable[code] = reason; }
  // The greyed-out browsers by code, with their reasons.
  std::map<int, std::string> Unavailable;
  std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override {
    ADD_FAILURE() << "no folder chooser expected";
    return std::nullopt;
  }
  void ShowMessage(MessageKind, const std::string& text) override { Messages.push_back(text); }
  void Open(const std::string&) override {}
};

}  // namespace apptest
