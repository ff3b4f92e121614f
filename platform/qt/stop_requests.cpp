// A signal handler may do almost nothing: it writes a byte to a pipe, and the event loop, which
// watches the pipe, does the rest on the window's thread.
#include "platform/qt/stop_requests.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <cerrno>

#include <QSocketNotifier>

namespace zantovel {
namespace {

int writeEnd = -1;

void Heard(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(writeEnd, &byte, 1);
  errno = saved;
}

}  // namespace

void OnStopRequest(QObject* context, std::function<void()> end) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  writeEnd = ends[1];
  auto* notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, context);
  QObject::connect(notifier, &QSocketNotifier::activated, context, [notifier, end] {
    notifier->setEnabled(false);  // once: a second signal finds the work under way
    end();
  });
  struct sigaction action {};
  action.sa_handler = Heard;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
}

}  // namespace zantovel
