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

#include <limits>
#include <memory>

#include "UiTestSupport.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CCacheFilter.h"
#include "platform/Autostart.h"
#include "platform/Files.h"
#include "ui/BrowserCommands.h"
#include "ui/CAboutDlg.h"
#include "ui/CEditFilterDlg.h"
#include "ui/CLabel.h"
#include "ui/COptionsDlg.h"
#include "ui/FilterListModel.h"
#include "ui/GuiMessages.h"
#include "ui/ProgramInfo.h"

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

  void editorShowsTheKindsInListOrder() {
    FilterRecord record = SampleRecord();
    CEditFilterDlg editor(record, QStringLiteral("Edit"));
    QStringList kinds;
    for (int i = 0; i < editor.ContentTypeBox()->count(); ++i) {
      kinds << editor.ContentTypeBox()->itemText(i);
    }
    QCOMPARE(kinds, (QStringList{
                        "ALL", "Every Picture", "Every Audio", "Every Video", "JPG",  "GIF", "PNG",
                        "BMP", "ICO",           "FLV",         "MPG",         "WMV",  "SWF", "MP3",
                        "MP4", "WAV",           "PDF",         "PLAIN",       "HTML", "XML", "CSS",
                        "JS",  "ZIP",           "WEBP",        "AVIF",        "HEIC", "JXL", "WEBM",
                        "OGG", "M4A",           "FLAC",        "WOFF",        "WASM"}));
    QCOMPARE(editor.ContentTypeBox()->currentText(), QStringLiteral("MPG"));
    QCOMPARE(editor.MinHeightEdit()->text(), QStringLiteral("2"));
    record.ContentType = 42;
    CEditFilterDlg unknown(record, QStringLiteral("Edit"));
    QCOMPARE(unknown.ContentTypeBox()->currentText(), QStringLiteral("ALL"));
  }

  void editorKeepsGroupsAndNewKindsByCode_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("shown");
    QTest::newRow("pictures") << 100 << QStringLiteral("Alle Bilder");
    QTest::newRow("audio") << 101 << QStringLiteral("Every Audio");
    QTest::newRow("video") << 102 << QStringLiteral("Every Video");
    QTest::newRow("webp") << 20 << QStringLiteral("WEBP");
    QTest::newRow("wasm") << 29 << QStringLiteral("WASM");
    QTest::newRow("js, not json") << 11 << QStringLiteral("JS");
  }

  void editorKeepsGroupsAndNewKindsByCode() {
    QFETCH(int, code);
    QFETCH(QString, shown);
    // A translated group text is no kind word: the code travels with the entry.
    UiTexts::Set(UiTextKey::FilterListEveryPicture, "Alle Bilder");
    FilterRecord record = SampleRecord();
    record.ContentType = code;
    CEditFilterDlg editor(record, QStringLiteral("Edit"));
    QCOMPARE(editor.ContentTypeBox()->currentText(), shown);
    QCOMPARE(editor.ContentTypeBox()->currentData().toInt(), code);
    record.ContentType = 0;
    editor.accept();
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(record.ContentType, code);

    // The main window's list shows the same text, in the current language.
    CCacheFilter set;
    set.Insert(std::make_unique<FilterRecord>(record), -1);
    FilterListModel model;
    model.Fill(set);
    QCOMPARE(model.CellText(0, 1), shown);
  }

  void editorFolderCheck_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("reason");  // empty: accepted
    const QString notAbsolute = QStringLiteral(
        "The path must be absolute: it begins with / (or with ~/ for your home "
        "folder).");
    QTest::newRow("empty") << QString() << notAbsolute;
    QTest::newRow("relative") << QStringLiteral("pictures/cats") << notAbsolute;
    QTest::newRow("the root") << QStringLiteral("/")
                              << QStringLiteral(
                                     "The root folder itself can't be the output folder.");
    QTest::newRow("a share name") << QStringLiteral("\\\\server\\share") << notAbsolute;
    QTest::newRow("below a file")
        << Sandbox(QStringLiteral("a-file/pictures"))
        << QStringLiteral("The folder can't be created there: a file is in the way.");
    QTest::newRow("in the home folder") << QStringLiteral("~/VOR_SAVES/%DATE%") << QString();
    QTest::newRow("not made yet") << Sandbox(QStringLiteral("new/folder")) << QString();
  }

  void editorFolderCheck() {
    QFETCH(QString, folder);
    QFETCH(QString, reason);
    uitest::WriteText(Sandbox(QStringLiteral("a-file")), "x");
    FilterRecord record = SampleRecord();
    CEditFilterDlg editor(record, QStringLiteral("Edit"));
    editor.show();
    editor.ContentTypeBox()->setCurrentText(QStringLiteral("PLAIN"));
    editor.MinSizeEdit()->setText(QStringLiteral("  12kB"));
    editor.UrlEdit()->setText(QStringLiteral("a,b"));
    editor.FolderEdit()->setText(folder);
    editor.FileNameEdit()->setText(QStringLiteral("new"));
    QString message;
    ModalScript script({AnswerBox(QMessageBox::Ok, &message)});
    editor.accept();
    const bool accepted = reason.isEmpty();
    QCOMPARE(editor.result() == QDialog::Accepted, accepted);
    if (accepted) {
      QCOMPARE(script.Pending(), 1);
      QCOMPARE(QString::fromStdString(record.Directory), folder);
      QCOMPARE(record.ContentType, 15);
      QCOMPARE(record.MinSize, 12000);
      QCOMPARE(record.URL, std::string("a,b"));
      QCOMPARE(record.FileNameDummy, std::string("new"));
      return;
    }
    // What is wrong, then why.
    QCOMPARE(message,
             QStringLiteral("The folder path is wrong. Please, select a correct path.\n") + reason);
    QVERIFY(editor.isVisible());  // still open for a better folder
    const FilterRecord untouched = SampleRecord();
    QCOMPARE(record.Directory, untouched.Directory);
    QCOMPARE(record.ContentType, untouched.ContentType);
    QCOMPARE(record.MinSize, untouched.MinSize);
    editor.reject();
    QCOMPARE(record.URL, untouched.URL);
  }

  void editorChecksSizesAndThePixelTest() {
    const QString size = QString::fromStdString(UiTexts::Get(UiTextKey::ErrorMinSize));
    const QString pixels = QString::fromStdString(UiTexts::Get(UiTextKey::HintPixelTest));
    const struct {
      const char *minSize, *width, *height;
      int stored;  // -1: refused with `message`, the cursor in the field to mend
      QString message;
      int field;  // 0 size, 1 width, 2 height
    } cases[] = {
        {"10 KB", "200", "200", 10000, {}, 0},
        {"1.5 MiB", "0", "0", 1572864, {}, 0},
        {"", "0", "0", 0, {}, 0},
        {"ten KB", "0", "0", -1, size, 0},
        {"-12", "0", "0", -1, size, 0},
        {"0", "200", "0", -1, pixels, 2},
        {"0", "", "150", -1, pixels, 1},
    };
    for (const auto& c : cases) {
      FilterRecord record = SampleRecord();
      CEditFilterDlg editor(record, QStringLiteral("Edit"));
      editor.show();
      QLineEdit* fields[] = {editor.MinSizeEdit(), editor.MinWidthEdit(), editor.MinHeightEdit()};
      fields[0]->setText(c.minSize);
      fields[1]->setText(c.width);
      fields[2]->setText(c.height);
      QString shown;
      ModalScript script({AnswerBox(QMessageBox::Ok, &shown)});
      editor.accept();
      QCOMPARE(editor.result() == QDialog::Accepted, c.stored >= 0);
      QCOMPARE(shown, c.message);
      QCOMPARE(record.MinSize, c.stored >= 0 ? c.stored : SampleRecord().MinSize);
      if (c.stored < 0) QCOMPARE(editor.focusWidget(), static_cast<QWidget*>(fields[c.field]));
    }
  }

  void editorNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("digits then letters") << "12abc" << 12;
    QTest::newRow("letters only") << "abc" << 0;
    QTest::newRow("blanks and a sign") << " \t-5" << -5;
    QTest::newRow("plus sign") << "+7" << 7;
    QTest::newRow("sign without digits") << "-" << 0;
    QTest::newRow("too large") << "99999999999" << std::numeric_limits<int32_t>::max();
    QTest::newRow("too small") << "-99999999999" << std::numeric_limits<int32_t>::min();
    QTest::newRow("the largest") << "2147483647" << std::numeric_limits<int32_t>::max();
  }

  void editorNumbers() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(CEditFilterDlg::LeadingInteger(text), value);
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

  void optionsLanguageList_data() {
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("settingAfterCancel");
    const QString langs = QString::fromStdString(ProgramPlaces().LanguagesFolder);
    QTest::newRow("configured file listed")
        << langs + "/Russian.lng" << QString::fromUtf8("Русский") << langs + "/Russian.lng";
    QTest::newRow("configured file missing: the first one, at once")
        << langs + "/Gone.lng"
        << "Deutsch" << langs + "/Deutsch.lng";
    QTest::newRow("the same file by another spelling does not match")
        << langs + "//English.lng"
        << "Deutsch" << langs + "/Deutsch.lng";
  }

  void optionsLanguageList() {
    QFETCH(QString, configured);
    QFETCH(QString, selected);
    QFETCH(QString, settingAfterCancel);
    UpdateSettings([&](Settings& settings) { settings.Language = configured.toStdString(); });
    COptionsDlg options;
    QCOMPARE(options.LanguageBox()->count(), 3);
    QCOMPARE(options.LanguageBox()->currentText(), selected);
    options.reject();
    QCOMPARE(QString::fromStdString(CurrentSettings().Language), settingAfterCancel);
  }

  void optionsWithoutLanguageFiles() {
    Places places = ProgramPlaces();
    places.LanguagesFolder = Sandbox(QStringLiteral("no-languages")).toStdString();
    SetProgramPlaces(places);
    UpdateSettings([](Settings& settings) { settings.Language = "/somewhere/English.lng"; });
    COptionsDlg options;
    QCOMPARE(options.LanguageBox()->count(), 0);
    QCOMPARE(options.LanguageBox()->currentIndex(), -1);
    options.accept();
    QCOMPARE(CurrentSettings().Language, std::string("/somewhere/English.lng"));
  }

  void optionsMozillaControlsFollowTheBox() {
    UpdateSettings([](Settings& settings) { settings.Watch[Firefox] = false; });
    COptionsDlg options;
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

  void optionsFindCache() {
    const QString cacheRoot = qEnvironmentVariable("XDG_CACHE_HOME");
    QDir(cacheRoot + QStringLiteral("/mozilla")).removeRecursively();
    COptionsDlg options;
    options.CacheFolderEdit(Firefox)->setText(QStringLiteral("/stale/path"));
    {
      // No profile: emptied, and the user is told where Vorlane looked.
      QString message;
      ModalScript script({AnswerBox(QMessageBox::Ok, &message)});
      options.FindCacheButton(Firefox)->click();
      QCOMPARE(script.Pending(), 0);
      QVERIFY(message.startsWith(QStringLiteral("Can't open Mozilla cache.")));
      QVERIFY(message.contains(cacheRoot + QStringLiteral("/mozilla/firefox")));
    }
    QCOMPARE(options.CacheFolderEdit(Firefox)->text(), QString());

    QVERIFY(QDir().mkpath(cacheRoot + QStringLiteral("/mozilla/firefox/zz.default")));
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
    options.UseIEBox()->setChecked(false);
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
    QVERIFY(!settings.StartWithWindowsStartUp && !settings.OneCopy &&
            !settings.Watch[InternetExplorer]);
    QVERIFY(settings.Watch[Maxthon] && settings.SkipDuplicates);
    QVERIFY(settings.KeepServerTime && settings.CaptureWhileRunning);
    QCOMPARE(settings.DefaultCombPath, std::string("not checked here"));
    const QByteArray file = uitest::ReadText(QString::fromStdString(ProgramPlaces().SettingsPath));
    QVERIFY(file.contains("MozillaCachePath=/typed/cache"));
    QVERIFY(file.contains("DefaultFileNameDummy=pic"));
    QVERIFY(file.contains("OneCopy=0"));
    QVERIFY(!Platform::FileExists(Platform::StartWithLoginEntryPath().value_or(std::string())));
    QFile::remove(mine);
  }

  // A browser row that names the generic texts gets its display name added, so rows
  // added to the table need no texts of their own.
  void browserTextsOfGenericRows() {
    BrowserInfo row = Browsers()[Firefox];
    row.DisplayName = "Example Browser";
    row.OptionText = UiTextKey::OptUseWith;
    row.CaptureText = UiTextKey::CaptureFrom;
    QCOMPARE(BrowserCommands::OptionText(row), QStringLiteral("Use with Example Browser"));
    QCOMPARE(BrowserCommands::CaptureTooltip(row),
             QStringLiteral("Capture and Save Files from Example Browser"));
    QCOMPARE(COptionsDlg().UseMozillaBox()->text(), QStringLiteral("Use with Mozilla Firefox"));
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
