#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <vector>

#include "app/OptionsController.h"
#include "app/OptionsView.h"
#include "config/BrowserTable.h"
#include "config/LanguageList.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The modal options dialog: it shows the values its controller loads and forwards OK,
// whose controller writes the settings, loads the chosen language and saves the settings
// file (which also brings the autostart entry in line).
class COptionsDlg : public QDialog, private OptionsView {
  Q_OBJECT

 public:
  // `trayAvailable`: whether the desktop has a notification area; without one the
  // dialog says what that means for the tray's signs of a capture.
  explicit COptionsDlg(bool trayAvailable = true, QWidget* parent = nullptr);

  QCheckBox* StartWithLoginBox() const { return StartWithLogin; }
  QCheckBox* ShowProgressBox() const { return ShowProgress; }
  QComboBox* LanguageBox() const { return Language; }
  // The watcher switch of a browser of the table.
  QCheckBox* UseBrowserBox(int code) const { return UseBrowser[static_cast<size_t>(code)]; }
  QCheckBox* UseIEBox() const { return UseBrowserBox(InternetExplorer); }
  QCheckBox* UseMaxthonBox() const { return UseBrowserBox(Maxthon); }
  QCheckBox* UseMozillaBox() const { return UseBrowserBox(Firefox); }
  QPushButton* FindCacheButton() const { return FindCache; }
  QLineEdit* MozillaCacheEdit() const { return MozillaCache; }
  QToolButton* MozillaBrowseButton() const { return MozillaBrowse; }
  QCheckBox* OneCopyBox() const { return OneCopy; }
  QCheckBox* SkipDuplicatesBox() const { return SkipDuplicates; }
  QCheckBox* DecodeContentBox() const { return DecodeContent; }
  QCheckBox* KeepServerTimeBox() const { return KeepServerTime; }
  QCheckBox* CaptureWhileRunningBox() const { return CaptureWhileRunning; }
  QLineEdit* DefaultFolderEdit() const { return DefaultFolder; }
  QToolButton* DefaultFolderBrowseButton() const { return DefaultFolderBrowse; }
  QLineEdit* DefaultFileNameEdit() const { return DefaultFileName; }
  QLabel* NoTrayNote() const { return TrayNote; }
  // The headings of the browser groups, one per cache format, in table order.
  const std::vector<QLabel*>& BrowserHeadings() const { return HeadingLabels; }
  const std::vector<LanguageEntry>& Languages() const { return Controller.Languages(); }

  // The cache search behind Find Cache.
  void FindMozillaCache();

 public slots:
  void accept() override;

 private:
  void MakeControls();
  QGroupBox* BuildMain(bool trayAvailable);
  QGroupBox* BuildBrowsers();
  QGroupBox* BuildFilters();
  void EnableMozillaControls();

  OptionsValues Values() const override;
  void ShowValues(const OptionsValues& values) override;
  void ShowLanguages(const std::vector<std::string>& names) override;
  void ShowFolder(Folder field, const std::string& text) override;
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start) override;
  void ShowMessage(MessageKind kind, const std::string& text) override;
  void Open(const std::string& target) override;

  OptionsController Controller;
  QCheckBox* StartWithLogin = nullptr;
  QCheckBox* ShowProgress = nullptr;
  QComboBox* Language = nullptr;
  std::array<QCheckBox*, BrowserCount> UseBrowser{};
  QPushButton* FindCache = nullptr;
  QLineEdit* MozillaCache = nullptr;
  QToolButton* MozillaBrowse = nullptr;
  QCheckBox* OneCopy = nullptr;
  QCheckBox* SkipDuplicates = nullptr;
  QCheckBox* DecodeContent = nullptr;
  QCheckBox* KeepServerTime = nullptr;
  QCheckBox* CaptureWhileRunning = nullptr;
  QLineEdit* DefaultFolder = nullptr;
  QToolButton* DefaultFolderBrowse = nullptr;
  QLineEdit* DefaultFileName = nullptr;
  QLabel* TrayNote = nullptr;
  std::vector<QLabel*> HeadingLabels;
};
