#include "ui/DesktopNotifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include "app/ProgramInfo.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "ui/GuiMessages.h"
#include "ui/QtText.h"

namespace {

constexpr char kDefaultAction[] = "default";
// How long the service shows a notice: its own default.
constexpr int kServerDefaultTimeout = -1;

}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent), Bus(QDBusConnection::sessionBus()) {}

DesktopNotifier::~DesktopNotifier() = default;

void DesktopNotifier::SetBus(const QDBusConnection& bus) {
  if (Listening) {
    Bus.disconnect(QString::fromLatin1(Service), QString::fromLatin1(Path),
                   QString::fromLatin1(Interface), QStringLiteral("ActionInvoked"), this,
                   SLOT(OnActionInvoked(uint, QString)));
    Bus.disconnect(QString::fromLatin1(Service), QString::fromLatin1(Path),
                   QString::fromLatin1(Interface), QStringLiteral("NotificationClosed"), this,
                   SLOT(OnClosed(uint, uint)));
  }
  Listening = false;
  Folders.clear();
  Bus = bus;
}

bool DesktopNotifier::IsAvailable() const {
  if (!Bus.isConnected()) return false;
  const QDBusConnectionInterface* daemon = Bus.interface();
  if (!daemon) return false;
  const QString service = QString::fromLatin1(Service);
  if (daemon->isServiceRegistered(service).value()) return true;
  // Many services (dunst, xfce4-notifyd...) are started by the bus on the first call.
  return daemon->activatableServiceNames().value().contains(service);
}

void DesktopNotifier::Listen() {
  if (Listening) return;
  Listening = true;
  Bus.connect(QString::fromLatin1(Service), QString::fromLatin1(Path),
              QString::fromLatin1(Interface), QStringLiteral("ActionInvoked"), this,
              SLOT(OnActionInvoked(uint, QString)));
  Bus.connect(QString::fromLatin1(Service), QString::fromLatin1(Path),
              QString::fromLatin1(Interface), QStringLiteral("NotificationClosed"), this,
              SLOT(OnClosed(uint, uint)));
}

bool DesktopNotifier::Notify(const QString& title, const QString& text, const QString& folder) {
  if (!IsAvailable()) return false;
  Listen();
  QStringList actions;
  if (!folder.isEmpty()) {
    actions << QString::fromLatin1(kDefaultAction) << Text(UiTextKey::OpenFolder)
            << QString::fromLatin1(OpenFolderAction) << Text(UiTextKey::OpenFolder);
  }
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(ProgramInfo::DesktopName));
  hints.insert(QStringLiteral("category"), QStringLiteral("transfer.complete"));
  // The icon by its theme name, and as a file where the program has one beside it, for
  // a service that looks names up in no theme.
  QString appIcon = QString::fromLatin1(ProgramInfo::DesktopName);
  const std::string iconFile = Platform::JoinPath(
      ProgramPlaces().ProgramFolder, "icons/" + std::string(ProgramInfo::DesktopName) + ".svg");
  if (Platform::FileExists(iconFile)) {
    appIcon = QUrl::fromLocalFile(QString::fromStdString(iconFile)).toString();
    hints.insert(QStringLiteral("image-path"), appIcon);
  }
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                     QString::fromLatin1(Interface), QStringLiteral("Notify"));
  call << QString::fromLatin1(ProgramInfo::Name) << uint{0} << appIcon << title << text << actions
       << hints << kServerDefaultTimeout;
  // Asynchronous: a service that the bus starts first must not hold up the window.
  auto* watcher = new QDBusPendingCallWatcher(Bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, title, text, folder](QDBusPendingCallWatcher* finished) {
            OnReply(finished, title, text, folder);
          });
  return true;
}

void DesktopNotifier::OnReply(QDBusPendingCallWatcher* watcher, const QString& title,
                              const QString& text, const QString& folder) {
  watcher->deleteLater();
  const QDBusPendingReply<uint> reply = *watcher;
  if (reply.isError()) {
    emit Undelivered(title, text);
    return;
  }
  if (folder.isEmpty()) return;
  Folders[reply.value()] = folder;
  Forget();
}

void DesktopNotifier::Forget() {
  // Ids grow, so the smallest ones are the oldest notices.
  while (Folders.size() > MaxRemembered) Folders.erase(Folders.begin());
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action) {
  const auto found = Folders.find(id);
  if (found == Folders.end()) return;
  if (action == QLatin1String(OpenFolderAction) || action == QLatin1String(kDefaultAction)) {
    OpenWithDesktop(found->second.toStdString());
  }
}

void DesktopNotifier::OnClosed(uint id, uint) {
  Folders.erase(id);
}
