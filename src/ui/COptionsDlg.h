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
class QGridLayout;
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
  // The cache folder controls of a browser whose folder may be named (null for others).
  QPushButton* FindCacheButton(int code) const;
  QLineEdit* CacheFolderEdit(int code) const;
  QToolButton* CacheFolderBrowseButton(int code) const;
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

 public slots:
  void accept() override;

 private:
  // The cache folder row of a browser whose folder may be named.
  struct FolderControls {
    int Code = 0;
    QPushButton* Find = nullptr;
    QLineEdit* Edit = nullptr;
    QToolButton* Browse = nullptr;
  };
  const FolderControls* FolderOf(int code) const;
  QLineEdit* FolderEdit(int field) const;
  void MakeControls();
  QGroupBox* BuildMain(bool trayAvailable);
  QGroupBox* BuildBrowsers();
  void AddFolderRow(int code, QGridLayout* layout, int& row, int spacing);
  QGroupBox* BuildFilters();

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

  OptionsController Controller;
  QCheckBox* StartWithLogin = nullptr;
  QCheckBox* ShowProgress = nullptr;
  QComboBox* Language = nullptr;
  std::array<QCheckBox*, BrowserCount> UseBrowser{};
  std::vector<FolderControls> Folders;
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
