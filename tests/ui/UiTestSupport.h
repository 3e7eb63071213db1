#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/CQuellbyMain.h"
#include "support/GatedSource.h"
#include "support/QuietEngine.h"

class QMessageBox;

namespace uitest {

// Points HOME and the XDG folders at a private folder and the program's places at a
// copy of Filters/ and Langs/ from the source tree; call before QApplication exists.
void SetUpSandbox();
void TearDownSandbox();
const QString& SandboxRoot();
// The settings and texts back to their defaults, places to the sandbox's.
void ResetProgramState();

// Writes a file, making its folders.
void WriteText(const QString& path, const QByteArray& content);
QByteArray ReadText(const QString& path);

// Acts on modal windows as they open, in order, from the event loop. Each step gets
// the next modal window that it has not seen and returns whether it handled it.
class ModalScript {
 public:
  using Step = std::function<bool(QWidget* modal)>;
  explicit ModalScript(std::vector<Step> steps);
  ~ModalScript();
  // Steps that never saw their window.
  int Pending() const;

 private:
  struct State;
  std::shared_ptr<State> Shared;
};

// A message box: records its text, then presses `button`.
ModalScript::Step AnswerBox(int button, QString* text = nullptr);
// A file dialog: picks `path` (an empty path cancels).
ModalScript::Step ChooseFile(const QString& path);
// Any dialog of type T: runs `action` on it.
// The action runs from a fresh event, so a window it opens in turn meets the next step.
template <typename T>
ModalScript::Step OnDialog(std::function<void(T*)> action) {
  return [action](QWidget* modal) {
    auto* dialog = qobject_cast<T*>(modal);
    if (!dialog) return false;
    QTimer::singleShot(0, dialog, [dialog, action] { action(dialog); });
    return true;
  };
}

// Records the desktop open requests of its lifetime.
class OpenRecorder {
 public:
  OpenRecorder();
  ~OpenRecorder();
  QStringList Targets() const;

 private:
  std::shared_ptr<QStringList> Recorded;
};

// An engine for tests: settings are never written, no browser ever runs, no watcher
// starts unless the settings ask for one.
using vorlane::test::MakeEngine;

// The gated cache of the core's tests, its entries kept in the sandbox.
class GatedSource : public vorlane::test::GatedSource {
 public:
  GatedSource(std::shared_ptr<Gate> gate, int entryCount, int64_t time = 1000);
};

// Runs every test class; defined once per test file with REGISTER_UI_TEST.
using TestFactory = std::function<std::unique_ptr<QObject>()>;
int RegisterTest(const char* name, TestFactory factory);
int RunRegisteredTests(int argc, char** argv);

}  // namespace uitest

#define REGISTER_UI_TEST(Class)        \
  static const int Class##Registered = \
      uitest::RegisterTest(#Class, [] { return std::unique_ptr<QObject>(new Class); });
