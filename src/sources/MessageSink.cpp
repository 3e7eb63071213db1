#include "sources/MessageSink.h"

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
OpenHandler& Opens() {
  static OpenHandler handler;
  return handler;
}

}  // namespace

void InstallMessageHandler(MessageHandler handler) {
  std::lock_guard guard(SinkLock());
  Messages() = std::move(handler);
}

void InstallOpenHandler(OpenHandler handler) {
  std::lock_guard guard(SinkLock());
  Opens() = std::move(handler);
}

void ShowMessage(MessageKind kind, const std::string& text) {
  MessageHandler handler;
  {
    std::lock_guard guard(SinkLock());
    handler = Messages();
  }
  // Called outside the lock: a GUI handler may wait for the user.
  if (handler) {
    handler(kind, text);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

void OpenWithDesktop(const std::string& target) {
  OpenHandler handler;
  {
    std::lock_guard guard(SinkLock());
    handler = Opens();
  }
  if (handler) handler(target);
}
