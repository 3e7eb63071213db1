#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <string>

#include "UiTestSupport.h"
#include "app/ProgramInfo.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Autostart.h"
#include "platform/Files.h"
#include "ui/CAboutDlg.h"
#include "ui/CEditFilterDlg.h"
#include "ui/CLabel.h"
#include "ui/COptionsDlg.h"
#include "ui/GuiMessages.h"

using uitest::AnswerBox;
using uitest::ModalScript;

namespace {

QString Sandbox(const QString& name) {
  return uitest::SandboxRoot() + QLatin1Char('/') + name;
}

FilterRecord SampleRecord() {
  FilterRecord record;
  record.ContentType = 17;
  record.MinSize = 5;
  record.URL = "old";
  record.MinWidth = 1;
  record.MinHeight = 2;
  record.Directory = "~/Old";
  record.FileNameDummy = "old";
  return record;
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    uitest::ResetProgramState();
    GuiMessages::Install();
  }
  void cleanup() { GuiMessages::Uninstall(); }

  // ---- Filter editor ----------------------------------------------------------------

  void editorShowsTheRecordAndWritesItBack() {
    FilterRecord record = SampleRecord();
    CEditFilterDlg editor(record, QStringLiteral("Edit"));
    QCOMPARE(editor.ContentTypeBox()->count(), 33);
    QCOMPARE(editor.ContentTypeBox()->currentText(), QStringLiteral("MPG"));
    QCOMPARE(editor.MinHeightEdit()->text(), QStringLiteral("2"));
    QCOMPARE(editor.FolderEdit()->text(), QStringLiteral("~/Old"));
    editor.show();
    // A refusal: the box says why, the editor stays open with the cursor in the field.
    editor.MinWidthEdit()->setText(QStringLiteral("200"));
    editor.MinHeightEdit()->setText(QStringLiteral("0"));
    QString shown;
    {
      ModalScript script({AnswerBox(QMessageBox::Ok, &shown)});
      editor.accept();
      QCOMPARE(script.Pending(), 0);
    }
    QCOMPARE(shown, QString::fromStdString(UiTexts::Get(UiTextKey::HintPixelTest)));
    QVERIFY(editor.isVisible());
    QCOMPARE(editor.focusWidget(), static_cast<QWidget*>(editor.MinHeightEdit()));
    QCOMPARE(editor.MinHeightEdit()->selectedText(), QStringLiteral("0"));
    QCOMPARE(record.MinWidth, 1);
    // OK: every field reaches the record.
    editor.ContentTypeBox()->setCurrentText(QStringLiteral("PLAIN"));
    editor.MinSizeEdit()->setText(QStringLiteral("  12kB"));
    editor.UrlEdit()->setText(QStringLiteral("a,b"));
    editor.MinHeightEdit()->setText(QStringLiteral("150"));
    editor.FolderEdit()->setText(Sandbox(QStringLiteral("new/folder")));
    editor.FileNameEdit()->setText(QStringLiteral("new"));
    editor.accept();
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(record.ContentType, 15);
    QCOMPARE(record.MinSize, 12000);
    QCOMPARE(record.URL, std::string("a,b"));
    QCOMPARE(record.MinWidth, 200);
    QCOMPARE(record.MinHeight, 150);
    QCOMPARE(QString::fromStdString(record.Directory), Sandbox(QStringLiteral("new/folder")));
    QCOMPARE(record.FileNameDummy, std::string("new"));
  }

  void editorBrowseKeepsTheTextOnCancel() {
    FilterRecord record = SampleRecord();
    CEditFilterDlg editor(record, QStringLiteral("Edit"));
    editor.FolderEdit()->setText(QStringLiteral("~/typed"));
    ModalScript script({uitest::ChooseFile({})});
    editor.BrowseButton()->click();
    QCOMPARE(script.Pending(), 0);
    QCOMPARE(editor.FolderEdit()->text(), QStringLiteral("~/typed"));
  }

  // ---- Options dialog -----------------------------------------------------------------

  void optionsMozillaControlsFollowTheBox() {
    UpdateSettings([](Settings& settings) { settings.Watch[Firefox] = false; });
    COptionsDlg options;
    QCOMPARE(options.UseMozillaBox()->text(), QStringLiteral("Use with Mozilla Firefox"));
    for (QWidget* control : {static_cast<QWidget*>(options.FindCacheButton(Firefox)),
                             static_cast<QWidget*>(options.CacheFolderEdit(Firefox)),
                             static_cast<QWidget*>(options.CacheFolderBrowseButton(Firefox))}) {
      QVERIFY(!control->isEnabled());
    }
    options.UseMozillaBox()->click();
    QVERIFY(options.FindCacheButton(Firefox)->isEnabled());
    QVERIFY(options.CacheFolderEdit(Firefox)->isEnabled());
    QVERIFY(options.CacheFolderBrowseButton(Firefox)->isEnabled());
  }

  // What Find Cache shows (the search and its message: the app's tests).
  void optionsFindCache() {
    const QString cacheRoot = qEnvironmentVariable("XDG_CACHE_HOME");
    QVERIFY(QDir().mkpath(cacheRoot + QStringLiteral("/mozilla/firefox/zz.default")));
    COptionsDlg options;
    options.CacheFolderEdit(Firefox)->setText(QStringLiteral("/stale/path"));
    ModalScript none({AnswerBox(QMessageBox::Ok)});
    options.FindCacheButton(Firefox)->click();
    QCOMPARE(none.Pending(), 1);
    QCOMPARE(options.CacheFolderEdit(Firefox)->text(),
             cacheRoot + QStringLiteral("/mozilla/firefox/zz.default/Cache"));
    QCOMPARE(options.CacheFolderEdit(Firefox)->selectedText(),
             options.CacheFolderEdit(Firefox)->text());
    QDir(cacheRoot + QStringLiteral("/mozilla")).removeRecursively();
  }

  void optionsApplyWritesTheSettings() {
    const QString langs = QString::fromStdString(ProgramPlaces().LanguagesFolder);
    // A language file of our own, so the test can change it between two loads.
    const QString mine = langs + QStringLiteral("/Zz.lng");
    uitest::WriteText(mine, "[GENERAL]\nLanguage=Mine\nOptTitle=First\n");
    UpdateSettings([&](Settings& settings) { settings.Language = mine.toStdString(); });
    COptionsDlg options;
    QCOMPARE(options.LanguageBox()->currentText(), QStringLiteral("Mine"));
    uitest::WriteText(mine, "[GENERAL]\nLanguage=Mine\nOptTitle=Second\n");
    options.StartWithLoginBox()->setChecked(false);
    options.OneCopyBox()->setChecked(false);
    QVERIFY(!options.KeepServerTimeBox()->isChecked() &&
            !options.CaptureWhileRunningBox()->isChecked());
    options.KeepServerTimeBox()->setChecked(true);
    options.CaptureWhileRunningBox()->setChecked(true);
    options.UseBrowserBox(Chrome)->setChecked(false);
    // No Wine prefix in the sandbox: the URL cache's browsers are greyed out, unticked,
    // with the reason, and their settings stay as they were.
    QVERIFY(!options.UseIEBox()->isEnabled() && !options.UseIEBox()->isChecked());
    QVERIFY(options.UseMaxthonBox()->text().endsWith(
        QString::fromStdString(UiTexts::Get(UiTextKey::OptNoWineCache))));
    options.CacheFolderEdit(Firefox)->setText(QStringLiteral("/typed/cache"));
    options.DefaultFolderEdit()->setText(QStringLiteral("not checked here"));
    options.DefaultFileNameEdit()->setText(QStringLiteral("pic"));
    QVERIFY(QDir().mkpath(QString::fromStdString(ProgramPlaces().DataFolder)));
    Platform::SetStartWithLogin(true, "/bin/true");
    QVERIFY(Platform::FileExists(Platform::StartWithLoginEntryPath().value_or(std::string())));
    options.accept();
    QCOMPARE(options.result(), int(QDialog::Accepted));

    // The same language again is read again.
    QCOMPARE(UiTexts::Get(UiTextKey::OptTitle), std::string("Second"));
    const Settings settings = CurrentSettings();
    QVERIFY(!settings.StartWithWindowsStartUp && !settings.OneCopy && !settings.Watch[Chrome]);
    QVERIFY(settings.Watch[InternetExplorer] && settings.Watch[Maxthon] && settings.SkipDuplicates);
    QVERIFY(settings.KeepServerTime && settings.CaptureWhileRunning);
    QCOMPARE(settings.DefaultCombPath, std::string("not checked here"));
    const QByteArray file = uitest::ReadText(QString::fromStdString(ProgramPlaces().SettingsPath));
    QVERIFY(file.contains("MozillaCachePath=/typed/cache"));
    QVERIFY(file.contains("DefaultFileNameDummy=pic"));
    QVERIFY(file.contains("OneCopy=0"));
    QVERIFY(!Platform::FileExists(Platform::StartWithLoginEntryPath().value_or(std::string())));
    QFile::remove(mine);
  }

  // ---- About box ------------------------------------------------------------------------

  void aboutBox() {
    UiTexts::Set(UiTextKey::Comments, "Translated by us");
    CAboutDlg about;
    QCOMPARE(about.ProductLabel()->text(), QStringLiteral("Vorlane v 1.2"));
    QVERIFY(about.ProductLabel()->font().bold());
    QCOMPARE(about.CommentsLabel()->text(), QStringLiteral("Translated by us"));
    // No public address yet: the link is the installed manual, which exists.
    QCOMPARE(about.LinkLabel()->text(), QString::fromStdString(ProgramPlaces().HelpFilePath));
    QVERIFY(QFile::exists(about.LinkLabel()->text()));
    QVERIFY(!about.LinkLabel()->text().contains(QStringLiteral("example")));
    QVERIFY(about.LinkLabel()->font().underline());
    QCOMPARE(about.LinkLabel()->palette().color(QPalette::WindowText),
             about.palette().color(QPalette::Link));
    // The hand only over the link.
    QCOMPARE(about.LinkLabel()->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(!about.NoticeLabel()->testAttribute(Qt::WA_SetCursor));
    QVERIFY(!about.ProductLabel()->testAttribute(Qt::WA_SetCursor));

    about.show();
    uitest::OpenRecorder opened;
    QTest::mouseClick(about.NoticeLabel(), Qt::LeftButton);
    QTest::mouseClick(about.CommentsLabel(), Qt::LeftButton);
    QVERIFY(opened.Targets().isEmpty());
    QTest::mouseClick(about.LinkLabel(), Qt::LeftButton);
    QCOMPARE(opened.Targets(), QStringList{QString::fromStdString(ProgramPlaces().HelpFilePath)});

    UiTexts::Set(UiTextKey::Comments, "");
    CAboutDlg plain;
    QVERIFY(plain.CommentsLabel()->text().isEmpty());
  }
};

REGISTER_UI_TEST(DialogsTest)
#include "DialogsTest.moc"
