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

#include "UiTestSupport.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Platform.h"
#include "ui/BrowserCommands.h"
#include "ui/CAboutDlg.h"
#include "ui/CEditFilterDlg.h"
#include "ui/CLabel.h"
#include "ui/COptionsDlg.h"
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
    QCOMPARE(kinds, (QStringList{"ALL",   "JPG",  "GIF", "PNG", "BMP", "ICO", "FLV",
                                 "MPG",   "WMV",  "SWF", "MP3", "MP4", "WAV", "PDF",
                                 "PLAIN", "HTML", "XML", "CSS", "JS",  "ZIP"}));
    QCOMPARE(editor.ContentTypeBox()->currentText(), QStringLiteral("MPG"));
    QCOMPARE(editor.MinHeightEdit()->text(), QStringLiteral("2"));
    record.ContentType = 42;
    CEditFilterDlg unknown(record, QStringLiteral("Edit"));
    QCOMPARE(unknown.ContentTypeBox()->currentText(), QStringLiteral("ALL"));
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

  void editorChecksSizesAndThePixelTest_data() {
    QTest::addColumn<QString>("minSize");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<int>("storedSize");  // -1: refused
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focused");
    const QString sizeMessage = QString::fromStdString(UiTexts::Get(UiTextKey::ErrorMinSize));
    const QString pixelMessage = QString::fromStdString(UiTexts::Get(UiTextKey::HintPixelTest));
    QTest::newRow("bytes") << "10240"
                           << "0"
                           << "0" << 10240 << QString() << QString();
    QTest::newRow("decimal kilobytes") << "10 KB"
                                       << "200"
                                       << "200" << 10000 << QString() << QString();
    QTest::newRow("binary megabytes") << "1.5 MiB"
                                      << "0"
                                      << "0" << 1572864 << QString() << QString();
    QTest::newRow("empty is no minimum") << ""
                                         << "0"
                                         << "0" << 0 << QString() << QString();
    QTest::newRow("words are refused") << "ten KB"
                                       << "0"
                                       << "0" << -1 << sizeMessage << "size";
    QTest::newRow("a negative size is refused") << "-12"
                                                << "0"
                                                << "0" << -1 << sizeMessage << "size";
    QTest::newRow("a width alone") << "0"
                                   << "200"
                                   << "0" << -1 << pixelMessage << "height";
    QTest::newRow("a height alone") << "0"
                                    << ""
                                    << "150" << -1 << pixelMessage << "width";
  }

  void editorChecksSizesAndThePixelTest() {
    QFETCH(QString, minSize);
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(int, storedSize);
    QFETCH(QString, message);
    QFETCH(QString, focused);
    FilterRecord record = SampleRecord();
    CEditFilterDlg editor(record, QStringLiteral("Edit"));
    editor.show();
    editor.MinSizeEdit()->setText(minSize);
    editor.MinWidthEdit()->setText(width);
    editor.MinHeightEdit()->setText(height);
    QString shown;
    ModalScript script({AnswerBox(QMessageBox::Ok, &shown)});
    editor.accept();
    if (storedSize >= 0) {
      QCOMPARE(editor.result(), int(QDialog::Accepted));
      QCOMPARE(script.Pending(), 1);
      QCOMPARE(record.MinSize, storedSize);
      QCOMPARE(record.MinWidth, CEditFilterDlg::LeadingInteger(width));
      return;
    }
    QCOMPARE(script.Pending(), 0);
    QCOMPARE(shown, message);
    QVERIFY(editor.isVisible());
    QCOMPARE(record.MinSize, SampleRecord().MinSize);
    QLineEdit* expected = focused == "size"     ? editor.MinSizeEdit()
                          : focused == "height" ? editor.MinHeightEdit()
                                                : editor.MinWidthEdit();
    QCOMPARE(editor.focusWidget(), static_cast<QWidget*>(expected));
    editor.reject();
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
    for (QWidget* control : {static_cast<QWidget*>(options.FindCacheButton()),
                             static_cast<QWidget*>(options.MozillaCacheEdit()),
                             static_cast<QWidget*>(options.MozillaBrowseButton())}) {
      QVERIFY(!control->isEnabled());
    }
    options.UseMozillaBox()->click();
    QVERIFY(options.FindCacheButton()->isEnabled());
    QVERIFY(options.MozillaCacheEdit()->isEnabled());
    QVERIFY(options.MozillaBrowseButton()->isEnabled());
  }

  void optionsFindCache() {
    const QString cacheRoot = qEnvironmentVariable("XDG_CACHE_HOME");
    QDir(cacheRoot + QStringLiteral("/mozilla")).removeRecursively();
    COptionsDlg options;
    options.MozillaCacheEdit()->setText(QStringLiteral("/stale/path"));
    {
      // No profile: emptied, and the user is told where Vorlane looked.
      QString message;
      ModalScript script({AnswerBox(QMessageBox::Ok, &message)});
      options.FindCacheButton()->click();
      QCOMPARE(script.Pending(), 0);
      QVERIFY(message.startsWith(QStringLiteral("Can't open Mozilla cache.")));
      QVERIFY(message.contains(cacheRoot + QStringLiteral("/mozilla/firefox")));
    }
    QCOMPARE(options.MozillaCacheEdit()->text(), QString());

    QVERIFY(QDir().mkpath(cacheRoot + QStringLiteral("/mozilla/firefox/zz.default")));
    ModalScript none({AnswerBox(QMessageBox::Ok)});
    options.FindCacheButton()->click();
    QCOMPARE(none.Pending(), 1);
    QCOMPARE(options.MozillaCacheEdit()->text(),
             cacheRoot + QStringLiteral("/mozilla/firefox/zz.default/Cache"));
    QCOMPARE(options.MozillaCacheEdit()->selectedText(), options.MozillaCacheEdit()->text());
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
    options.UseIEBox()->setChecked(false);
    options.MozillaCacheEdit()->setText(QStringLiteral("/typed/cache"));
    options.DefaultFolderEdit()->setText(QStringLiteral("not checked here"));
    options.DefaultFileNameEdit()->setText(QStringLiteral("pic"));
    QVERIFY(QDir().mkpath(QString::fromStdString(ProgramPlaces().DataFolder)));
    Platform::SetStartWithLogin(true, "/bin/true");
    QVERIFY(Platform::FileExists(Platform::StartWithLoginEntryPath()));
    options.accept();
    QCOMPARE(options.result(), int(QDialog::Accepted));

    // The same language again is read again.
    QCOMPARE(UiTexts::Get(UiTextKey::OptTitle), std::string("Second"));
    const Settings settings = CurrentSettings();
    QVERIFY(!settings.StartWithWindowsStartUp && !settings.OneCopy &&
            !settings.Watch[InternetExplorer]);
    QVERIFY(settings.Watch[Maxthon] && settings.SkipDuplicates);
    QCOMPARE(settings.DefaultCombPath, std::string("not checked here"));
    const QByteArray file = uitest::ReadText(QString::fromStdString(ProgramPlaces().SettingsPath));
    QVERIFY(file.contains("MozillaCachePath=/typed/cache"));
    QVERIFY(file.contains("DefaultFileNameDummy=pic"));
    QVERIFY(file.contains("OneCopy=0"));
    QVERIFY(!Platform::FileExists(Platform::StartWithLoginEntryPath()));
    QFile::remove(mine);
  }

  void optionsGroupTheBrowsersByCacheFormat() {
    COptionsDlg options;
    QStringList headings;
    for (const QLabel* heading : options.BrowserHeadings()) {
      headings << heading->text();
      QVERIFY(heading->font().bold());
    }
    QCOMPARE(headings.size(), static_cast<qsizetype>(BrowserCommands::FormatGroups().size()));
    QCOMPARE(headings.mid(0, 2), (QStringList{"Firefox disk cache",
                                              "URL cache of Internet Explorer and Maxthon "
                                              "(under Wine)"}));
    // Every row of the table has its box, with its text, below its format's heading.
    for (const BrowserInfo& browser : Browsers()) {
      QCheckBox* box = options.UseBrowserBox(browser.Code);
      QVERIFY(box);
      QCOMPARE(box->text(), BrowserCommands::OptionText(browser));
    }
    QCOMPARE(options.UseMozillaBox()->text(), QStringLiteral("Use with Mozilla Firefox"));
    // On Linux the first option speaks of logging in.
    QCOMPARE(options.StartWithLoginBox()->text(), QStringLiteral("Start at login"));
  }

  void browserTextsAreComposedForGenericRows() {
    BrowserInfo row = Browsers()[Firefox];
    row.DisplayName = "Example Browser";
    row.OptionText = UiTextKey::OptUseWith;
    row.CaptureText = UiTextKey::CaptureFrom;
    row.CaptureLabel = "";
    row.ShortName = "Example";
    QCOMPARE(BrowserCommands::OptionText(row), QStringLiteral("Use with Example Browser"));
    QCOMPARE(BrowserCommands::CaptureTooltip(row),
             QStringLiteral("Capture and Save Files from Example Browser"));
    QCOMPARE(BrowserCommands::CaptureLabel(row), QStringLiteral("Example"));
    // A row with a text of its own keeps it.
    QCOMPARE(BrowserCommands::OptionText(Browsers()[Maxthon]), QStringLiteral("Use with Maxthon"));
    QCOMPARE(BrowserCommands::CaptureTooltip(Browsers()[Firefox]),
             QStringLiteral("Capture and Save Files from Mozilla"));
  }

  void acceptingTheOptionsCountsAsAnswerToTheLoginQuestion() {
    QVERIFY(!CurrentSettings().StartWithLoginAsked);
    QVERIFY(QDir().mkpath(QString::fromStdString(ProgramPlaces().DataFolder)));
    QFile::remove(QString::fromStdString(Platform::StartWithLoginEntryPath()));
    {
      COptionsDlg options;
      options.reject();
    }
    QVERIFY(!CurrentSettings().StartWithLoginAsked);
    QVERIFY(!Platform::FileExists(Platform::StartWithLoginEntryPath()));
    COptionsDlg options;
    QVERIFY(options.StartWithLoginBox()->isChecked());
    options.accept();
    QVERIFY(CurrentSettings().StartWithLoginAsked);
    QVERIFY(Platform::FileExists(Platform::StartWithLoginEntryPath()));
    QFile::remove(QString::fromStdString(Platform::StartWithLoginEntryPath()));
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
