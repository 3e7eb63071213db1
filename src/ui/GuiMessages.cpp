#include "ui/GuiMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "app/ProgramInfo.h"
#include "config/UiTexts.h"

namespace GuiMessages {

namespace {

std::atomic<bool> g_exiting{false};

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error:
      return QMessageBox::Critical;
    case MessageKind::Warning:
      return QMessageBox::Warning;
    case MessageKind::Information:
      break;
  }
  return QMessageBox::Information;
}

bool Ask(QMessageBox::Icon icon, const QString& text, QWidget* parent) {
  QMessageBox box(icon, QString::fromLatin1(ProgramInfo::Name), text,
                  QMessageBox::Yes | QMessageBox::No,
                  parent ? parent : QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

Answer AskToSave(const QString& text, QWidget* parent) {
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(ProgramInfo::Name), text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                  parent ? parent : QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  box.button(QMessageBox::Save)->setText(QString::fromStdString(UiTexts::Get(UiTextKey::Save)));
  box.button(QMessageBox::Discard)
      ->setText(QString::fromStdString(UiTexts::Get(UiTextKey::DontSave)));
  box.button(QMessageBox::Cancel)->setText(QString::fromStdString(UiTexts::Get(UiTextKey::Cancel)));
  switch (box.exec()) {
    case QMessageBox::Save:
      return Answer::Yes;
    case QMessageBox::Discard:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

namespace {

std::mutex& OpenLock() {
  static std::mutex lock;
  return lock;
}
OpenHandler& Opens() {
  static OpenHandler handler;
  return handler;
}

void HandleMessage(MessageKind kind, const UiMessage& uiMessage) {
  const std::string text = ComposeMessage(uiMessage);
  const QString message = QString::fromStdString(text);
  if (IsUiThread()) {
    ShowBox(kind, message);
    return;
  }
  if (g_exiting.load() || !qApp) {
    std::fprintf(stderr, "vorlane: %s\n", text.c_str());
    return;
  }
  RunOnUiThread(qApp, [kind, message] { ShowBox(kind, message); });
}

}  // namespace

void Install() {
  InstallMessageHandler(&HandleMessage);
  InstallOpenHandler(&OpenTarget);
}

void Uninstall() {
  InstallMessageHandler(nullptr);
  InstallOpenHandler(nullptr);
}

void SetExiting(bool exiting) {
  g_exiting.store(exiting);
}

bool IsExiting() {
  return g_exiting.load();
}

bool IsUiThread() {
  return qApp && QThread::currentThread() == qApp->thread();
}

void RunOnUiThread(QObject* context, const std::function<void()>& work) {
  if (IsUiThread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(context, work, Qt::BlockingQueuedConnection);
}

void ShowBox(MessageKind kind, const QString& text, QWidget* parent) {
  QMessageBox box(IconOf(kind), QString::fromLatin1(ProgramInfo::Name), text, QMessageBox::Ok,
                  parent ? parent : QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool AskYesNo(const QString& text, QWidget* parent) {
  return Ask(QMessageBox::Warning, text, parent);
}

bool AskQuestion(const QString& text, QWidget* parent) {
  return Ask(QMessageBox::Question, text, parent);
}

void OpenTarget(const std::string& target) {
  if (target.empty()) return;
  const QString text = QString::fromStdString(target);
  const QUrl url = text.contains(QStringLiteral("://")) ? QUrl(text) : QUrl::fromLocalFile(text);
  QDesktopServices::openUrl(url);
}

}  // namespace GuiMessages

void InstallOpenHandler(OpenHandler handler) {
  std::lock_guard guard(GuiMessages::OpenLock());
  GuiMessages::Opens() = std::move(handler);
}

void OpenWithDesktop(const std::string& target) {
  OpenHandler handler;
  {
    std::lock_guard guard(GuiMessages::OpenLock());
    handler = GuiMessages::Opens();
  }
  if (handler) handler(target);
}
