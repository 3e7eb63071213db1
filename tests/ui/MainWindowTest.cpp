#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "UiTestSupport.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "ui/CEditFilterDlg.h"
#include "ui/COptionsDlg.h"
#include "ui/CQuellbyDlg.h"
#include "ui/FilterListModel.h"
#include "ui/GuiMessages.h"
#include "ui/ProgramInfo.h"

#include <QComboBox>
#include <QLineEdit>

using uitest::AnswerBox;
using uitest::ChooseFile;
using uitest::ModalScript;
using uitest::OnDialog;

namespace {

QString Sandbox(const QString& name) {
  return uitest::SandboxRoot() + QLatin1Char('/') + name;
}

// A filter file whose filters are told apart by their file-name stems.
QString WriteFilterFile(const QString& name, const QStringList& stems) {
  QByteArray text = "[GENERAL]\nVorlaneFilter=1\nHint=Test hint\n";
  for (qsizetype i = 0; i < stems.size(); ++i) {
    text += QStringLiteral(
                "[FILTER_%1]\nContentType=1\nDisabled=0\nMinSize=0\nURL=\nMinWeidth=0\n"
                "MinHeight=0\nDirectory=%2\nFileNameDummy=%3\n")
                .arg(i)
                .arg(Sandbox(QStringLiteral("out/") + stems[i]), stems[i])
                .toUtf8();
  }
  const QString path = Sandbox(name);
  uitest::WriteText(path, text);
  return path;
}

QStringList Stems(const CQuellbyDlg& window) {
  QStringList stems;
  for (int row = 0; row < window.Model()->rowCount(); ++row) {
    stems << window.Model()->CellText(row, 7);
  }
  return stems;
}

std::unique_ptr<CQuellbyDlg> MakeWindow(const QStringList& stems = {"a", "b", "c"}) {
  const QString file = WriteFilterFile(QStringLiteral("list.flt"), stems);
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = file.toStdString(); });
  auto window = std::make_unique<CQuellbyDlg>(uitest::MakeEngine());
  window->Create();
  return window;
}

QString Title(const QString& file, bool changed) {
  return QStringLiteral("Vorlane - [%1%2]").arg(file, changed ? QStringLiteral("*") : QString());
}

QStringList MenuTexts(QMenu* menu) {
  QStringList texts;
  for (QAction* action : menu->actions()) texts << action->text();
  return texts;
}

// Fills the filter editor and presses OK.
ModalScript::Step FillEditor(const QString& stem, const QString& url = {}) {
  return OnDialog<CEditFilterDlg>([stem, url](CEditFilterDlg* editor) {
    editor->FileNameEdit()->setText(stem);
    editor->UrlEdit()->setText(url);
    editor->FolderEdit()->setText(Sandbox(QStringLiteral("out/") + stem));
    editor->accept();
  });
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    uitest::ResetProgramState();
    GuiMessages::SetExiting(false);
    GuiMessages::Install();
    UpdateSettings([](Settings& settings) { settings.Watch.fill(false); });
  }
  void cleanup() { GuiMessages::Uninstall(); }

  void moveAndDeleteFollowTheSelection_data() {
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selectedAfter");
    QTest::addColumn<bool>("changed");
    const QStringList abc = {"a", "b", "c"};
    const int none = 0;
    QTest::newRow("up, nothing selected") << abc << "up" << -1 << none << abc << -1 << false;
    QTest::newRow("up on the first row") << abc << "up" << 0 << none << abc << 0 << false;
    QTest::newRow("up in the middle")
        << abc << "up" << 1 << none << QStringList{"b", "a", "c"} << 0 << true;
    QTest::newRow("down, nothing selected") << abc << "down" << -1 << none << abc << -1 << false;
    QTest::newRow("down on the last row") << abc << "down" << 2 << none << abc << 2 << false;
    QTest::newRow("down in the middle")
        << abc << "down" << 1 << none << QStringList{"a", "c", "b"} << 2 << true;
    QTest::newRow("delete, nothing selected")
        << abc << "delete" << -1 << none << abc << -1 << false;
    QTest::newRow("delete answered No")
        << abc << "delete" << 1 << int(QMessageBox::No) << abc << 1 << false;
    QTest::newRow("delete in the middle")
        << abc << "delete" << 1 << int(QMessageBox::Yes) << QStringList{"a", "c"} << 1 << true;
    QTest::newRow("delete the last row")
        << abc << "delete" << 2 << int(QMessageBox::Yes) << QStringList{"a", "b"} << 1 << true;
    QTest::newRow("delete the only row") << QStringList{"a"} << "delete" << 0
                                         << int(QMessageBox::Yes) << QStringList{} << -1 << true;
  }

  void moveAndDeleteFollowTheSelection() {
    QFETCH(QStringList, list);
    QFETCH(QString, command);
    QFETCH(int, selected);
    QFETCH(int, answer);
    QFETCH(QStringList, expected);
    QFETCH(int, selectedAfter);
    QFETCH(bool, changed);
    auto window = MakeWindow(list);
    window->SelectRow(selected);
    QString question;
    ModalScript script({AnswerBox(answer ? answer : int(QMessageBox::Ok), &question)});
    if (command == "up") window->Button(CQuellbyDlg::UpButton)->click();
    if (command == "down") window->Button(CQuellbyDlg::DownButton)->click();
    if (command == "delete") window->Button(CQuellbyDlg::DeleteButton)->click();
    QCOMPARE(script.Pending(), answer ? 0 : 1);
    if (answer) QCOMPARE(question, QStringLiteral("Are you sure?"));
    QCOMPARE(Stems(*window), expected);
    QCOMPARE(window->SelectedIndex(), selectedAfter);
    QCOMPARE(window->IsChanged(), changed);
    QCOMPARE(window->windowTitle().endsWith(QStringLiteral("*]")), changed);
    auto filters = window->Engine().Filters();
    QCOMPARE(filters->Count(), expected.size());
    for (int i = 0; i < filters->Count(); ++i) {
      QCOMPARE(QString::fromStdString(filters->GetAt(i)->FileNameDummy), expected[i]);
    }
  }

  void addInsertsAfterTheSelection_data() {
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("newRow");
    QTest::newRow("no selection appends") << -1 << QStringList{"a", "b", "c", "new"} << 3;
    QTest::newRow("after the first row") << 0 << QStringList{"a", "new", "b", "c"} << 1;
    QTest::newRow("after the last row") << 2 << QStringList{"a", "b", "c", "new"} << 3;
  }

  void addInsertsAfterTheSelection() {
    QFETCH(int, selected);
    QFETCH(QStringList, expected);
    QFETCH(int, newRow);
    UpdateSettings([](Settings& settings) {
      settings.DefaultCombPath = "~/Saved";
      settings.DefaultFileNameDummy = "stem";
    });
    auto window = MakeWindow();
    window->SelectRow(selected);
    QString folder, stem, title;
    ModalScript script({OnDialog<CEditFilterDlg>([&](CEditFilterDlg* editor) {
                          folder = editor->FolderEdit()->text();
                          stem = editor->FileNameEdit()->text();
                          title = editor->windowTitle();
                          editor->reject();
                        }),
                        FillEditor(QStringLiteral("new"), QStringLiteral("x, y"))});
    window->OnAdd();  // first run: only looks, then the editor is cancelled
    QCOMPARE(script.Pending(), 1);
    QCOMPARE(folder, QStringLiteral("~/Saved"));
    QCOMPARE(stem, QStringLiteral("stem"));
    QCOMPARE(title, QStringLiteral("Add"));
    QCOMPARE(Stems(*window).size(), 3);
    QVERIFY(!window->IsChanged());

    window->SelectRow(selected);
    window->OnAdd();
    QCOMPARE(script.Pending(), 0);
    QCOMPARE(Stems(*window), expected);
    QCOMPARE(window->SelectedIndex(), newRow);
    QVERIFY(window->IsChanged());
    auto filters = window->Engine().Filters();
    QCOMPARE(filters->GetAt(newRow)->UrlWords, (std::vector<std::string>{"x", "y"}));
  }

  void editByEnterWritesTheRowBack() {
    auto window = MakeWindow();
    window->ShowMainWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->SelectRow(1);
    ModalScript script({OnDialog<CEditFilterDlg>([](CEditFilterDlg* editor) {
      QCOMPARE(editor->windowTitle(), QStringLiteral("Edit"));
      QCOMPARE(editor->FileNameEdit()->text(), QStringLiteral("b"));
      editor->ContentTypeBox()->setCurrentText(QStringLiteral("PNG"));
      editor->UrlEdit()->setText(QStringLiteral("cats, dogs"));
      editor->MinSizeEdit()->setText(QStringLiteral("12kb"));
      editor->accept();
    })});
    QTest::keyClick(window->List(), Qt::Key_Return);
    QTRY_COMPARE(script.Pending(), 0);
    QVERIFY(window->isVisible());  // Enter edits, it never closes the window
    QCOMPARE(window->Model()->CellText(1, 1), QStringLiteral("PNG"));
    QCOMPARE(window->Model()->CellText(1, 2), QStringLiteral("12000"));
    QCOMPARE(window->Model()->CellText(1, 3), QStringLiteral("cats, dogs"));
    QVERIFY(window->windowTitle().endsWith(QStringLiteral("*]")));
    auto filters = window->Engine().Filters();
    QCOMPARE(filters->GetAt(1)->ContentType, 3);
    QCOMPARE(filters->GetAt(1)->UrlWords, (std::vector<std::string>{"cats", "dogs"}));
  }

  void keyboardCommands() {
    auto window = MakeWindow();
    window->ShowMainWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->SelectRow(0);
    QTest::keyClick(window->List(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(Stems(*window), (QStringList{"b", "a", "c"}));
    QCOMPARE(window->SelectedIndex(), 1);
    QTest::keyClick(window->List(), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(Stems(*window), (QStringList{"a", "b", "c"}));
    {
      ModalScript script({AnswerBox(QMessageBox::Yes)});
      QTest::keyClick(window->List(), Qt::Key_Delete);
      QCOMPARE(Stems(*window), (QStringList{"b", "c"}));
    }
    {
      // Shortcuts need the window active again after the question.
      window->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(window.get()));
      ModalScript script({FillEditor(QStringLiteral("ins"))});
      QTest::keyClick(window->List(), Qt::Key_Insert);
      QCOMPARE(Stems(*window), (QStringList{"b", "ins", "c"}));
    }
    // Esc asks about the unsaved changes, then hides; the list stays as it is.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QString question;
    ModalScript script({AnswerBox(QMessageBox::No, &question)});
    QTest::keyClick(window->List(), Qt::Key_Escape);
    QCOMPARE(question, QString::fromStdString(UiTexts::Get(UiTextKey::WarningChanged)));
    QVERIFY(window->IsChanged());
    QCOMPARE(Stems(*window), (QStringList{"b", "ins", "c"}));
  }

  void checkBoxTogglesMarkTheListChanged() {
    auto window = MakeWindow();
    FilterListModel* model = window->Model();
    const QModelIndex first = model->index(0, 0);
    QVERIFY(!window->IsChanged());
    // The same state again is no toggle.
    QVERIFY(!model->setData(first, Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!window->IsChanged());
    QVERIFY(model->setData(first, Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(window->IsChanged());
    QVERIFY(window->windowTitle().endsWith(QStringLiteral("*]")));
    QVERIFY(window->Engine().Filters()->GetAt(0)->Disabled);
    QCOMPARE(model->data(first, Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);

    window->SetAllChecks(true);
    QVERIFY(!window->Engine().Filters()->GetAt(0)->Disabled);
    window->SetAllChecks(false);
    for (int row = 0; row < 3; ++row) QVERIFY(!model->IsChecked(row));
  }

  void newOpenSaveAndTheSavePrompt() {
    auto window = MakeWindow();
    const QString list = Sandbox(QStringLiteral("list.flt"));
    QCOMPARE(window->windowTitle(), Title(list, false));

    {  // New on an unchanged list asks nothing.
      ModalScript script({AnswerBox(QMessageBox::No)});
      window->OnNew();
      QCOMPARE(script.Pending(), 1);
    }
    QCOMPARE(window->windowTitle(), QStringLiteral("Vorlane - [New Filter*]"));
    QCOMPARE(window->Model()->rowCount(), 0);

    const QString saved = Sandbox(QStringLiteral("saved.flt"));
    {
      ModalScript script({FillEditor(QStringLiteral("one")), ChooseFile(saved)});
      window->OnAdd();
      window->OnSave();  // untitled: Save As
      QCOMPARE(script.Pending(), 0);
    }
    QVERIFY(uitest::ReadText(saved).contains("FileNameDummy=one"));
    QCOMPARE(window->windowTitle(), Title(saved, false));

    {  // Open: the changed list is not saved on No, the chosen file replaces it.
      window->Model()->setData(window->Model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
      QCOMPARE(window->windowTitle(), Title(saved, true));
      ModalScript script({AnswerBox(QMessageBox::No), ChooseFile(list)});
      window->OnOpen();
      QCOMPARE(script.Pending(), 0);
    }
    QVERIFY(uitest::ReadText(saved).contains("Disabled=0"));
    QCOMPARE(Stems(*window), (QStringList{"a", "b", "c"}));
    QCOMPARE(window->windowTitle(), Title(list, false));

    {  // Yes saves into the current file before New empties the list.
      window->Model()->setData(window->Model()->index(2, 0), Qt::Unchecked, Qt::CheckStateRole);
      ModalScript script({AnswerBox(QMessageBox::Yes)});
      window->OnNew();
      QCOMPARE(script.Pending(), 0);
    }
    const QByteArray written = uitest::ReadText(list);
    QVERIFY(written.contains("[FILTER_2]\nContentType=1\nDisabled=1"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Vorlane - [New Filter*]"));

    {  // Cancelling Save As inside the prompt does not stop Open.
      ModalScript script({AnswerBox(QMessageBox::Yes), ChooseFile({}), ChooseFile(saved)});
      window->OnOpen();
      QCOMPARE(script.Pending(), 0);
    }
    QCOMPARE(Stems(*window), (QStringList{"one"}));
    QVERIFY(!window->IsChanged());
  }

  void unwritableFileIsSavedElsewhere() {
    auto window = MakeWindow();
    // A folder where the file was: no write can replace it, whoever runs the test.
    const QString list = Sandbox(QStringLiteral("list.flt"));
    QVERIFY(QFile::remove(list));
    QVERIFY(QDir().mkpath(list));
    const auto cleanup = qScopeGuard([&] { QDir(list).removeRecursively(); });
    window->SetAllChecks(false);
    const QString elsewhere = Sandbox(QStringLiteral("elsewhere.flt"));
    QString error;
    ModalScript script({AnswerBox(QMessageBox::Ok, &error), ChooseFile(elsewhere)});
    window->OnSave();
    QCOMPARE(script.Pending(), 0);
    QVERIFY(error.contains(list));
    QVERIFY(uitest::ReadText(elsewhere).contains("Disabled=1"));
    QCOMPARE(window->windowTitle(), Title(elsewhere, false));
  }

  void contextMenuItems() {
    auto window = MakeWindow();
    std::unique_ptr<QMenu> menu(window->BuildListMenu());
    QCOMPARE(MenuTexts(menu.get()),
             (QStringList{"Add", "", "Check All", "Uncheck All", "", "Save As"}));
    window->SelectRow(1);
    menu.reset(window->BuildListMenu());
    QCOMPARE(MenuTexts(menu.get()),
             (QStringList{"Add", "Delete", "Edit", "", "Up", "Down", "", "Open Folder", "",
                          "Check All", "Uncheck All", "", "Save As"}));
  }

  void openRequestsGoToTheDesktop() {
    auto window = MakeWindow();
    uitest::OpenRecorder opened;
    window->SelectRow(0);
    window->OnOpenFolder();
    window->OnHelp();
    {  // A filter added since the list was loaded has no resolved folder yet.
      ModalScript script({FillEditor(QStringLiteral("new"))});
      window->OnAdd();
    }
    window->OnOpenFolder();
    window->OnVisitSite();
    window->OnDownload();
    QCOMPARE(opened.Targets(), (QStringList{Sandbox(QStringLiteral("out/a")),
                                            QString::fromStdString(ProgramPlaces().HelpFilePath),
                                            QString::fromStdString(ProgramInfo::SitePage()),
                                            QString::fromStdString(ProgramInfo::DownloadPage())}));
    // Both are pages of the installed manual, never an address that does not exist.
    QCOMPARE(opened.Targets()[2], QString::fromStdString(ProgramPlaces().HelpFilePath));
    QVERIFY(QFile::exists(opened.Targets()[2]));
    const QUrl download(opened.Targets()[3]);
    QVERIFY(QFile::exists(download.toLocalFile()));
    QCOMPARE(download.fragment(), QStringLiteral("install"));
    QVERIFY(uitest::ReadText(download.toLocalFile()).contains("id=\"install\""));
  }

  void optionsApplyTheNewLanguage() {
    auto window = MakeWindow();
    ModalScript script({OnDialog<COptionsDlg>([](COptionsDlg* options) {
      options->LanguageBox()->setCurrentText(QStringLiteral("Deutsch"));
      options->accept();
    })});
    window->OnOptions();
    QCOMPARE(script.Pending(), 0);
    QCOMPARE(window->Model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Inhaltstyp"));
    QVERIFY(window->Button(CQuellbyDlg::NewButton)->toolTip().contains(QStringLiteral("Neu")));
    QVERIFY(window->Button(CQuellbyDlg::NewButton)->text().isEmpty());
  }

  void startWithoutAnyFilterFile() {
    Places places = ProgramPlaces();
    places.DefaultFilterPath = Sandbox(QStringLiteral("missing/Default.flt")).toStdString();
    SetProgramPlaces(places);
    UpdateSettings([](Settings& settings) { settings.FiltersFileName = "/nonexistent.flt"; });
    auto window = std::make_unique<CQuellbyDlg>(uitest::MakeEngine());
    QString error, question;
    ModalScript script({AnswerBox(QMessageBox::Ok, &error), AnswerBox(QMessageBox::No, &question)});
    window->Create();
    QCOMPARE(error, QStringLiteral("Can't load default filter."));
    QCOMPARE(window->windowTitle(), QStringLiteral("Vorlane - [New Filter*]"));
    // New marked the list changed, so hiding at the end of start-up asks.
    window->HideMainWindow();
    QCOMPARE(script.Pending(), 0);
    QCOMPARE(question, QString::fromStdString(UiTexts::Get(UiTextKey::WarningChanged)));
  }

  void withoutTrayTheWindowStaysReachable() {
    auto window = MakeWindow();
    window->ShowMainWindow();
    QVERIFY(window->MenuButton()->isVisible());
    QCOMPARE(window->MenuButton()->menu(), window->TrayMenu());
    QStringList texts = MenuTexts(window->TrayMenu());
    texts.removeAll(QString());
    QCOMPARE(texts, (QStringList{ProgramInfo::ProductTitle, "Filters", "Options", "Capture now",
                                 "Open saved files", "Pause watching", "Visit Our Site",
                                 "Download the Last Version", "Help", "About", "Exit"}));
    QCOMPARE(window->TrayMenu()->defaultAction()->text(), QStringLiteral("Filters"));
    window->HideMainWindow();
    QVERIFY(window->isMinimized() || window->isVisible());
  }

  void saveAsAndOpenFailures() {
    auto window = MakeWindow();
    const QString list = Sandbox(QStringLiteral("list.flt"));
    const QByteArray before = uitest::ReadText(list);
    const QString other = Sandbox(QStringLiteral("other.flt"));
    window->SetAllChecks(false);
    const QString bad = Sandbox(QStringLiteral("bad.flt"));
    uitest::WriteText(bad, "this is no filter file\n");
    QString error;
    // Cancelled Save As writes nothing; an unreadable file to Open leaves the list as it is.
    ModalScript script({ChooseFile({}), AnswerBox(QMessageBox::No), ChooseFile(bad),
                        AnswerBox(QMessageBox::Ok, &error), ChooseFile(other)});
    window->OnSaveAs();
    window->OnOpen();
    QCOMPARE(error, QStringLiteral("Can't load the filter from:\n") + bad);
    QCOMPARE(Stems(*window), (QStringList{"a", "b", "c"}));
    QCOMPARE(window->windowTitle(), Title(list, true));
    window->Button(CQuellbyDlg::SaveAsButton)->click();
    QCOMPARE(script.Pending(), 0);
    QVERIFY(uitest::ReadText(other).contains("Disabled=1"));
    QCOMPARE(window->windowTitle(), Title(other, false));
    // From now on Save goes to the file Save As chose.
    window->SetAllChecks(true);
    window->OnSave();
    QVERIFY(uitest::ReadText(other).contains("Disabled=0"));
    QCOMPARE(uitest::ReadText(list), before);
  }

  void theDefaultFiltersInUseAreTheUsersCopy() {
    // The shipped filters of an installed program lie in a folder the user cannot write.
    const QString shipped = QString::fromStdString(ProgramPlaces().DefaultFilterPath);
    const QString folder = QFileInfo(shipped).path();
    const QByteArray original = uitest::ReadText(shipped);
    const QString copy = QString::fromStdString(UserFilterPath());
    const auto readable = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    QVERIFY(QFile::setPermissions(folder, readable) && QFile::setPermissions(shipped, readable));
    const auto restore = qScopeGuard([&] {
      QFile::setPermissions(folder, readable | QFileDevice::WriteOwner);
      QFile::setPermissions(shipped, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
      QFile::remove(copy);
    });
    UpdateSettings([&](Settings& settings) { settings.FiltersFileName = shipped.toStdString(); });
    auto window = std::make_unique<CQuellbyDlg>(uitest::MakeEngine());
    window->Create();
    QCOMPARE(window->windowTitle(), Title(copy, false));
    window->SetAllChecks(false);
    ModalScript script({AnswerBox(QMessageBox::Ok)});  // no error box may open
    window->OnSave();
    QCOMPARE(script.Pending(), 1);
    QVERIFY(uitest::ReadText(copy).contains("Disabled=1"));
    QCOMPARE(uitest::ReadText(shipped), original);
    // The next start, told of the shipped file again, keeps the user's edits.
    UpdateSettings([&](Settings& settings) { settings.FiltersFileName = shipped.toStdString(); });
    auto next = std::make_unique<CQuellbyDlg>(uitest::MakeEngine());
    next->Create();
    QVERIFY(!next->Model()->IsChecked(0));
  }

  void captureNowOffersWatchedBrowsersWithACache() {
    // Capture now: the watched browsers whose cache is found; Maxthon's watcher counts for
    // Internet Explorer, whose cache it shares.
    const QString firefox = Sandbox(QStringLiteral("firefox-cache"));
    const QString users = qEnvironmentVariable("WINEPREFIX") + QStringLiteral("/drive_c/users");
    const auto cleanupCaches = qScopeGuard([&] { QDir(users).removeRecursively(); });
    UpdateSettings([&](Settings& settings) {
      settings.CacheFolders[Firefox] = firefox.toStdString();
      settings.Watch[Maxthon] = true;
    });
    auto window = MakeWindow();
    window->RefreshTrayMenu();
    QCOMPARE(MenuTexts(window->CaptureNowMenu()), QStringList{"No browser cache found"});
    QVERIFY(QDir().mkpath(firefox));
    uitest::WriteText(users + "/me/AppData/Local/Microsoft/Windows/INetCache/Content.IE5/index.dat",
                      "Client UrlCache MMF Ver 5.2");
    window->RefreshTrayMenu();
    QCOMPARE(MenuTexts(window->CaptureNowMenu()), QStringList{"Internet Explorer"});
    UpdateSettings([](Settings& settings) { settings.Watch[Firefox] = true; });
    window->RefreshTrayMenu();
    QCOMPARE(MenuTexts(window->CaptureNowMenu()), (QStringList{"Firefox", "Internet Explorer"}));
  }
};

REGISTER_UI_TEST(MainWindowTest)
#include "MainWindowTest.moc"
