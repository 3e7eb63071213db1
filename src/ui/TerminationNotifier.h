#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns the system's requests to end (SIGTERM at logout or shutdown, SIGHUP when the
// session goes, SIGINT from a terminal) into a Qt signal on the UI thread, so the
// program leaves the way its Exit command does: a running capture stops between two
// entries and the settings are written. Without it those signals end the process on
// the spot. One instance at a time; it restores the earlier handlers when destroyed.
class TerminationNotifier : public QObject {
  Q_OBJECT

 public:
  explicit TerminationNotifier(QObject* parent = nullptr);
  ~TerminationNotifier() override;

  // False when the signals could not be taken over (they then keep their defaults).
  bool IsActive() const;

 signals:
  void TerminationRequested();

 private:
  void OnReadable();

  std::unique_ptr<QSocketNotifier> Notifier;
};
