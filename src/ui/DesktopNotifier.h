#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <map>

class QDBusPendingCallWatcher;

// Tells the desktop's notification service (org.freedesktop.Notifications on the session
// bus) what a capture brought, so the notice is kept by the desktop for a user who was
// away, with an action that opens the folder of the saved files. Where no such service
// is on the bus the caller falls back to the tray balloon.
class DesktopNotifier : public QObject {
  Q_OBJECT

 public:
  static constexpr char Service[] = "org.freedesktop.Notifications";
  static constexpr char Path[] = "/org/freedesktop/Notifications";
  static constexpr char Interface[] = "org.freedesktop.Notifications";
  static constexpr char OpenFolderAction[] = "open-folder";
  // Notifications whose action may still be chosen; older ones forget their folder.
  static constexpr size_t MaxRemembered = 16;

  // On the session bus.
  explicit DesktopNotifier(QObject* parent = nullptr);
  ~DesktopNotifier() override;

  // Talks to the service on another bus from now on (tests use a private one).
  void SetBus(const QDBusConnection& bus);
  // Whether a notification service runs on the bus, or would be started by it.
  bool IsAvailable() const;
  // Sends a notification with `title` and `text`; a non-empty `folder` adds the action
  // "Open folder" (and a click on the notification) that opens it. False when there is no
  // service: nothing was sent. A service that then refuses it raises Undelivered.
  bool Notify(const QString& title, const QString& text, const QString& folder);

 signals:
  void Undelivered(const QString& title, const QString& text);

 private slots:
  void OnActionInvoked(uint id, const QString& action);
  void OnClosed(uint id, uint reason);

 private:
  void Listen();
  void Forget();
  void OnReply(QDBusPendingCallWatcher* watcher, const QString& title, const QString& text,
               const QString& folder);

  QDBusConnection Bus;
  bool Listening = false;
  std::map<uint, QString> Folders;
};
