#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

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

  // The command word: the first argument after the program that does not begin with
  // "-" or "/".
  static QString CommandWord(const QStringList& arguments);

  // True to run the event loop; false when this process must end at once (another
  // instance runs, or "Close" was given).
  bool InitInstance();
  // After the event loop: the main window goes (engine, settings written), the
  // instance marker is released.
  int ExitInstance(int code);
  // The tray menu's Exit and a later start's "Close": the window goes away at once, a
  // running capture is asked to stop, and the event loop ends when it has.
  void Exit();

  CQuellbyDlg* MainWindow() const { return Window.get(); }
  // Exit has run to its end: the event loop must not start (again).
  bool HasFinished() const { return Finished; }

 private:
  bool IsSingleInstance();
  void FinishWhenIdle();

  QStringList Arguments;
  std::unique_ptr<InstanceMarker> Marker;
  std::unique_ptr<CQuellbyDlg> Window;
  QTimer IdleCheck;
  bool Exiting = false;
  bool Finished = false;
};
