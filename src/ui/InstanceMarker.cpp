#include "ui/InstanceMarker.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include "config/Settings.h"

namespace {

constexpr char kCloseCommand[] = "Close";
constexpr char kShowCommand[] = "Show";
// A command line longer than this is not ours.
constexpr qint64 kMaxCommandLength = 64;

}  // namespace

InstanceMarker::InstanceMarker(const QString& folder, const QString& name, QObject* parent)
    : QObject(parent), Folder(folder), Name(name) {}

InstanceMarker::~InstanceMarker() {
  Release();
}

QString InstanceMarker::DefaultFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
  const QString data = QString::fromStdString(ProgramPlaces().DataFolder);
  if (!data.isEmpty()) return QFileInfo(data).path();
  return QDir::tempPath();
}

QString InstanceMarker::DefaultName() {
  // The owner of the home folder is the user; Qt offers no more direct way to the id.
  return QStringLiteral("VORLANE-%1").arg(QFileInfo(QDir::homePath()).ownerId());
}

QString InstanceMarker::LockPath() const {
  return QDir(Folder).filePath(Name + QStringLiteral(".lock"));
}

QString InstanceMarker::ServerPath() const {
  return QDir(Folder).filePath(Name);
}

InstanceMarker::Claim InstanceMarker::TryClaim() {
  QDir().mkpath(Folder);
  Lock = std::make_unique<QLockFile>(LockPath());
  // Never stale by age: only a lock whose process is gone is taken over.
  Lock->setStaleLockTime(0);
  if (Lock->tryLock(0)) {
    switch (Mapping.TryClaim(Platform::InstanceMappingName)) {
      case Platform::InstanceMapping::Claim::Taken:
        return Claim::Taken;
      case Platform::InstanceMapping::Claim::HeldByOther:
        Lock.reset();
        return Claim::HeldByOther;
      case Platform::InstanceMapping::Claim::Unavailable:
        Lock.reset();
        return Claim::Unavailable;
    }
  }
  const QLockFile::LockError error = Lock->error();
  Lock.reset();
  return error == QLockFile::LockFailedError ? Claim::HeldByOther : Claim::Unavailable;
}

bool InstanceMarker::Listen() {
  Server = std::make_unique<QLocalServer>();
  Server->setSocketOptions(QLocalServer::UserAccessOption);
  // The lock is ours, so a socket left behind belongs to a process that died.
  QLocalServer::removeServer(ServerPath());
  if (!Server->listen(ServerPath())) {
    Server.reset();
    return false;
  }
  connect(Server.get(), &QLocalServer::newConnection, this, &InstanceMarker::OnConnection);
  return true;
}

void InstanceMarker::OnConnection() {
  while (QLocalSocket* socket = Server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxCommandLength).trimmed();
        socket->disconnectFromServer();
        if (line == kCloseCommand) emit CloseRequested();
        if (line == kShowCommand) emit ShowRequested();
      } else if (socket->bytesAvailable() > kMaxCommandLength) {
        socket->abort();
      }
    });
  }
}

bool InstanceMarker::SendCommand(const char* command, const QDeadlineTimer& deadline) const {
  QLocalSocket socket;
  socket.connectToServer(ServerPath());
  if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) return false;
  socket.write(QByteArray(command) + '\n');
  socket.flush();
  const bool written = socket.bytesToWrite() == 0 ||
                       socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
  socket.disconnectFromServer();
  return written;
}

bool InstanceMarker::SendShow(int timeoutMs) {
  return SendCommand(kShowCommand, QDeadlineTimer(timeoutMs));
}

bool InstanceMarker::SendClose(int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  if (!SendCommand(kCloseCommand, deadline)) return false;
  // The running instance may first finish the file it is saving.
  QLockFile lock(LockPath());
  lock.setStaleLockTime(0);
  while (!deadline.hasExpired()) {
    if (lock.tryLock(100)) {
      lock.unlock();
      return true;
    }
  }
  return false;
}

void InstanceMarker::Release() {
  if (Server) {
    Server->close();
    Server.reset();
  }
  if (Lock) {
    Lock->unlock();
    Lock.reset();
  }
  Mapping.Release();
}
