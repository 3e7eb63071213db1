#include "ui/TerminationNotifier.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGHUP, SIGINT};

// The handler may only do what is safe in a signal handler: write one byte.
int g_wakeWrite = -1;
int g_wakeRead = -1;
std::array<struct sigaction, kSignals.size()> g_previous{};

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a wake-up; the byte is not needed.
  [[maybe_unused]] const ssize_t written = ::write(g_wakeWrite, &byte, 1);
  errno = saved;
}

}  // namespace

TerminationNotifier::TerminationNotifier(QObject* parent) : QObject(parent) {
  if (g_wakeWrite >= 0) return;  // another instance owns the signals
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_wakeRead = ends[0];
  g_wakeWrite = ends[1];
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &action, &g_previous[i]);
  Notifier = std::make_unique<QSocketNotifier>(g_wakeRead, QSocketNotifier::Read);
  connect(Notifier.get(), &QSocketNotifier::activated, this, &TerminationNotifier::OnReadable);
}

TerminationNotifier::~TerminationNotifier() {
  if (!Notifier) return;
  Notifier.reset();
  for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
  ::close(g_wakeRead);
  ::close(g_wakeWrite);
  g_wakeRead = g_wakeWrite = -1;
}

bool TerminationNotifier::IsActive() const {
  return Notifier != nullptr;
}

void TerminationNotifier::OnReadable() {
  std::array<char, 64> drain{};
  while (::read(g_wakeRead, drain.data(), drain.size()) > 0) {
  }
  emit TerminationRequested();
}
