#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>

class CQuellbyDlg;
class InstanceMarker;

// The application: one instance per user, the start-up order and the clean exit.
class CQuellbyApp : public QObject {
  Q_OBJECT

 public:
  // How long a "Close" start waits for the running instance to finish.
  static constexpr int CloseWaitMs = 60000;

  explicit CQuellbyApp(QStringList arguments, QObject* parent = nullptr);
  ~CQuellbyApp() override;

  // How long a later start waits to hand its "Show" to the running instance.
  static constexpr int ShowWaitMs = 5000;

  // The command word: the first argument after the program that does not begin with
  // "-" or "/".
  static QString CommandWord(const QStringList& arguments);
  // --help (-h) and --version (-v) are answered before anything else starts, without a
  // display: the text to print and the exit code, or nothing for a start of the program.
  struct InfoAnswer {
    std::string Text;
    int ExitCode = 0;
  };
  static std::optional<InfoAnswer> InfoRequest(const QStringList& arguments);

  // True to run the event loop; false when this process must end at once (another
  // instance runs, or "Close" was given).
  bool InitInstance();
  // After the event loop: the main window goes (engine, settings written), the
  // instance marker is released.
  int ExitInstance(int code);
  // The tray menu's Exit and a later start's "Close": unsaved filter changes are asked
  // about, then the window goes away at once, a running capture is asked to stop, and the
  // event loop ends when it has.
  void Exit();
  // Logout or shutdown (SIGTERM): as Exit, but unsaved changes are saved without asking.
  void Terminate();

  CQuellbyDlg* MainWindow() const { return Window.get(); }
  // Exit has run to its end: the event loop must not start (again).
  bool HasFinished() const { return Finished; }

 private:
  bool IsSingleInstance();
  void AskStartAtLogin();
  void OnShowRequested();
  void FinishWhenIdle();
  void Leave();

  QStringList Arguments;
  std::unique_ptr<InstanceMarker> Marker;
  std::unique_ptr<CQuellbyDlg> Window;
  QTimer IdleCheck;
  bool Exiting = false;
  bool Finished = false;
};
