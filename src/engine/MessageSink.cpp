#include "engine/MessageSink.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex& SinkLock() {
  static std::mutex lock;
  return lock;
}
MessageHandler& Messages() {
  static MessageHandler handler;
  return handler;
}

}  // namespace

void InstallMessageHandler(MessageHandler handler) {
  std::lock_guard guard(SinkLock());
  Messages() = std::move(handler);
}

void ShowMessage(MessageKind kind, const UiMessage& message) {
  MessageHandler handler;
  {
    std::lock_guard guard(SinkLock());
    handler = Messages();
  }
  // Called outside the lock: a GUI handler may wait for the user.
  if (handler) {
    handler(kind, message);
  } else {
    std::fprintf(stderr, "%s\n", ComposeMessage(message).c_str());
  }
}
