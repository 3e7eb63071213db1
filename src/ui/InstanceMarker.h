#pragma once

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

#include "platform/InstanceMapping.h"

// One running instance per user: a lock file marks it (on Windows also the named file
// mapping "VORLANE"), and a local socket beside the lock lets a later start ask it to
// quit. A lock left by a process that died is recovered by the next start.
class InstanceMarker : public QObject {
  Q_OBJECT

 public:
  enum class Claim { Taken, HeldByOther, Unavailable };

  // Lock and socket go into `folder`, named after `name`.
  InstanceMarker(const QString& folder, const QString& name, QObject* parent = nullptr);
  ~InstanceMarker() override;

  // $XDG_RUNTIME_DIR, else the parent of the data folder (never the data folder
  // itself: its files are deleted before each capture), else the temporary folder.
  static QString DefaultFolder();
  // "VORLANE" and the user's id.
  static QString DefaultName();

  Claim TryClaim();
  // Starts listening for a later start's "Close" (after the claim was taken).
  bool Listen();
  // From a later start: asks the running instance to quit, then waits up to
  // `timeoutMs` until it has let go of the lock, so a following start runs.
  bool SendClose(int timeoutMs);
  // From a later start: tells the running instance that the user started the program
  // again (it brings its window to the front where it has no tray icon).
  bool SendShow(int timeoutMs);
  void Release();

  QString LockPath() const;
  QString ServerPath() const;

 signals:
  void CloseRequested();
  void ShowRequested();

 private:
  bool SendCommand(const char* command, const QDeadlineTimer& deadline) const;
  void OnConnection();

  QString Folder;
  QString Name;
  std::unique_ptr<QLockFile> Lock;
  std::unique_ptr<QLocalServer> Server;
  // On Windows also the named mapping that the design marks a running program with.
  Platform::InstanceMapping Mapping;
};
