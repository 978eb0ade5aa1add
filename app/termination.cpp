#include "app/termination.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace vm {

namespace {

// The handler only writes one byte (async-signal-safe); the event loop reads
// it and quits.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = write(g_signalPipe[0], &byte, 1);
}

}  // namespace

void QuitOnTerminationSignals(QCoreApplication& app) {
  if (g_signalPipe[0] >= 0) return;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0) {
    g_signalPipe[0] = g_signalPipe[1] = -1;
    return;
  }
  auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
    char bytes[16];
    while (read(g_signalPipe[1], bytes, sizeof bytes) > 0) {
    }
    app.quit();
  });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

}  // namespace vm
