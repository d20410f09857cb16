#include "signals.h"

#include <QCoreApplication>
#include <csignal>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace pelmora::sim {
#ifdef Q_OS_UNIX
namespace {
int pipeEnds[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(pipeEnds[0], &byte, 1);
}
}  // namespace

void QuitOnTerminationSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pipeEnds) != 0) return;
  auto* notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
    char byte;
    [[maybe_unused]] const ssize_t n = ::read(pipeEnds[1], &byte, 1);
    QCoreApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}
#else
// Elsewhere the process simply ends on the signal.
void QuitOnTerminationSignals() {}
#endif

}  // namespace pelmora::sim
