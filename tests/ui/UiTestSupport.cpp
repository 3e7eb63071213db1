#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/CacheFiles.h"
#include "platform/Files.h"
#include "ui/GuiMessages.h"

namespace fs = std::filesystem;

namespace uitest {

namespace {

QString g_root;

std::vector<std::pair<std::string, TestFactory>>& Registry() {
  static std::vector<std::pair<std::string, TestFactory>> tests;
  return tests;
}

Places SandboxPlaces() {
  Places places;
  const std::string root = g_root.toStdString();
  places.ExecutablePath = root + "/program/vorlane";
  places.ProgramFolder = root + "/program/";
  places.DataFolder = root + "/home/.local/share/Vorlane";
  places.SettingsPath = places.DataFolder + "/VOR.cfg";
  places.DefaultFilterPath = places.ProgramFolder + "Filters/Default.flt";
  places.LanguagesFolder = places.ProgramFolder + "Langs";
  places.HelpFilePath = places.ProgramFolder + "help/index.html";
  return places;
}

}  // namespace

void SetUpSandbox() {
  QByteArray pattern = QDir::temp().filePath(QStringLiteral("vorlane-ui-XXXXXX")).toLocal8Bit();
  g_root = QString::fromLocal8Bit(::mkdtemp(pattern.data()));
  const QByteArray home = (g_root + QStringLiteral("/home")).toLocal8Bit();
  QDir().mkpath(QString::fromLocal8Bit(home));
  // It doubles as the runtime folder, which Qt wants private.
  QFile::setPermissions(QString::fromLocal8Bit(home),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  ::setenv("HOME", home.constData(), 1);
  ::setenv("XDG_DATA_HOME", (home + "/.local/share").constData(), 1);
  ::setenv("XDG_CONFIG_HOME", (home + "/.config").constData(), 1);
  ::setenv("XDG_CACHE_HOME", (home + "/.cache").constData(), 1);
  ::setenv("XDG_RUNTIME_DIR", home.constData(), 1);
  ::setenv("WINEPREFIX", (home + "/.wine").constData(), 1);
  // No test may reach the desktop's own notification service: the session bus named here
  // does not exist (tests that need one start their own).
  ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + home + "/no-session-bus").constData(), 1);
  const fs::path source(VORLANE_SOURCE_DIR);
  const fs::path program = fs::path(g_root.toStdString()) / "program";
  for (const char* folder : {"Filters", "Langs", "help"}) {
    fs::create_directories(program / folder);
    fs::copy(source / folder, program / folder, fs::copy_options::recursive);
  }
  ResetProgramState();
}

void TearDownSandbox() {
  std::error_code ignored;
  fs::remove_all(g_root.toStdString(), ignored);
}

const QString& SandboxRoot() {
  return g_root;
}

void ResetProgramState() {
  SetProgramPlaces(SandboxPlaces());
  // An engine reads the settings file when it starts: none may be left by another test.
  QFile::remove(QString::fromStdString(SandboxPlaces().SettingsPath));
  ResetSettings();
  UiTexts::Reset();
}

void WriteText(const QString& path, const QByteArray& content) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(content);
}

QByteArray ReadText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// ---- Modal windows ---------------------------------------------------------------------

struct ModalScript::State {
  std::vector<Step> Steps;
  size_t Next = 0;
  QPointer<QWidget> LastSeen;
  QTimer Poll;
};

ModalScript::ModalScript(std::vector<Step> steps) : Shared(std::make_shared<State>()) {
  Shared->Steps = std::move(steps);
  Shared->Poll.setInterval(5);
  std::weak_ptr<State> weak = Shared;
  QObject::connect(&Shared->Poll, &QTimer::timeout, [weak] {
    const auto state = weak.lock();
    if (!state || state->Next >= state->Steps.size()) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == state->LastSeen || !modal->isVisible()) return;
    state->LastSeen = modal;
    // Steps run from the timer, never inside another step's nested event loop.
    if (state->Steps[state->Next](modal)) ++state->Next;
  });
  Shared->Poll.start();
}

ModalScript::~ModalScript() {
  Shared->Poll.stop();
}

int ModalScript::Pending() const {
  return static_cast<int>(Shared->Steps.size() - Shared->Next);
}

ModalScript::Step AnswerBox(int button, QString* text) {
  return [button, text](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box) return false;
    if (text) *text = box->text();
    QTimer::singleShot(0, box, [box, button] {
      box->button(static_cast<QMessageBox::StandardButton>(button))->click();
    });
    return true;
  };
}

ModalScript::Step ChooseFile(const QString& path) {
  return [path](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) return false;
    QTimer::singleShot(0, dialog, [dialog, path] {
      if (path.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->selectFile(path);
      // selectFile leaves a focused name field alone, so the name is typed in as a user would.
      if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        name->setText(path);
      }
      static_cast<QDialog*>(dialog)->accept();
    });
    return true;
  };
}

// ---- Open requests ---------------------------------------------------------------------

OpenRecorder::OpenRecorder() : Recorded(std::make_shared<QStringList>()) {
  auto recorded = Recorded;
  InstallOpenHandler(
      [recorded](const std::string& target) { recorded->append(QString::fromStdString(target)); });
}

OpenRecorder::~OpenRecorder() {
  InstallOpenHandler(nullptr);
}

QStringList OpenRecorder::Targets() const {
  return *Recorded;
}

// ---- Engine and cache ------------------------------------------------------------------

GatedSource::GatedSource(std::shared_ptr<Gate> gate, int entryCount, int64_t time)
    : vorlane::test::GatedSource(std::move(gate), g_root.toStdString() + "/gated-cache", entryCount,
                                 time) {}

// ---- Test runner -----------------------------------------------------------------------

int RegisterTest(const char* name, TestFactory factory) {
  Registry().emplace_back(name, std::move(factory));
  return static_cast<int>(Registry().size());
}

int RunRegisteredTests(int argc, char** argv) {
  // VORLANE_UI_TEST=Class runs one class, so the usual Qt Test arguments (a test
  // function, -v2...) can follow.
  const QByteArray only = qgetenv("VORLANE_UI_TEST");
  int failures = 0;
  for (const auto& [name, factory] : Registry()) {
    if (!only.isEmpty() && only != name.c_str()) continue;
    ResetProgramState();
    std::unique_ptr<QObject> test = factory();
    failures += QTest::qExec(test.get(), argc, argv);
  }
  return failures;
}

}  // namespace uitest
