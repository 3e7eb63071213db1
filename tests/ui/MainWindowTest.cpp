#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "UiTestSupport.h"
#include "app/ProgramInfo.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "ui/CEditFilterDlg.h"
#include "ui/COptionsDlg.h"
#include "ui/CQuellbyDlg.h"
#include "ui/FilterListModel.h"
#include "ui/GuiMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLibraryInfo>
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
    ModalScript script({AnswerBox(QMessageBox::Discard, &question)});
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
    // Drawn again from the controller's rows.
    window->ListCommands().SetAllChecks(false);
    for (int row = 0; row < 3; ++row) QVERIFY(!model->IsChecked(row));
  }

  void listModelKeepsTheModelRules() {
    auto window = MakeWindow();
    QAbstractItemModelTester tester(window->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    window->SelectRow(1);
    {
      ModalScript script({AnswerBox(QMessageBox::Yes)});
      window->OnDelete();
    }
    {
      ModalScript script({FillEditor(QStringLiteral("new"))});
      window->OnAdd();
    }
    window->SelectRow(0);
    window->OnDown();
    window->Model()->setData(window->Model()->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    QCOMPARE(Stems(*window), (QStringList{"c", "a", "new"}));
  }

  // Every text changes at once, the rows' too; so do the signs of filters that never
  // match, which follow One Copy.
  void optionsApplyTheNewLanguage() {
    auto window = MakeWindow();
    window->Engine().Filters()->GetAt(0)->ContentType = KindEveryPicture;
    window->ListCommands().Refresh();
    QCOMPARE(window->Model()->CellText(0, 1), QStringLiteral("Every Picture"));
    QVERIFY(window->Model()->RowTip(0).isEmpty());
    QVERIFY(window->Model()->RowTip(2).startsWith(QStringLiteral("With One Copy on")));
    QVERIFY(!window->Model()->data(window->Model()->index(2, 1), Qt::DecorationRole).isNull());
    ModalScript script({OnDialog<COptionsDlg>([](COptionsDlg* options) {
      options->LanguageBox()->setCurrentText(QStringLiteral("Deutsch"));
      options->accept();
    })});
    window->OnOptions();
    QCOMPARE(script.Pending(), 0);
    QCOMPARE(window->Model()->CellText(0, 1), QStringLiteral("Alle Bilder"));
    // Qt's own buttons follow, where the system has Qt's translations.
    if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                      QStringLiteral("/qtbase_de.qm"))) {
      QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
    }
    QVERIFY(window->Model()->RowTip(2).startsWith(QStringLiteral("Mit „Nur eine Kopie“")));
    ModalScript noOneCopy({OnDialog<COptionsDlg>([](COptionsDlg* options) {
      options->OneCopyBox()->setChecked(false);
      options->accept();
    })});
    window->OnOptions();
    QVERIFY(window->Model()->RowTip(2).isEmpty());
    QVERIFY(window->Model()->data(window->Model()->index(2, 1), Qt::DecorationRole).isNull());
    QCOMPARE(window->Model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Inhaltstyp"));
    QVERIFY(window->Button(CQuellbyDlg::NewButton)->toolTip().contains(QStringLiteral("Neu")));
    QVERIFY(window->Button(CQuellbyDlg::NewButton)->text().isEmpty());
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
};

REGISTER_UI_TEST(MainWindowTest)
#include "MainWindowTest.moc"
