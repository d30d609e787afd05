#include "app/signal_bridge.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QtGlobal>
#include <cerrno>
#include <cstring>

namespace tolvane::app {
namespace {

// The pipe is made once and stays open for the life of the process: a signal that arrives
// while a bridge is being destroyed, or after, still writes into this pipe and never into a
// descriptor number that was closed and handed to another file.
int pipeEnds[2] = {-1, -1};

extern "C" void onSignal(int number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  // Nothing but write(2) is safe here; a full pipe already holds a pending request.
  [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);
  errno = saved;
}

// Returns 0, or the errno of a pipe that cannot be made.
int ensurePipe() {
  if (pipeEnds[0] >= 0) return 0;
  return ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) == 0 ? 0 : errno;
}

QString reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

SignalBridge::SignalBridge(QObject* parent, std::vector<int> signalNumbers) : QObject(parent) {
  if (const int error = ensurePipe()) {
    error_ =
        QStringLiteral("Signals cannot be caught: no pipe can be made (%1).").arg(reason(error));
    qWarning("%s", qPrintable(error_));
    return;
  }
  // Signals caught for an earlier bridge are no request to this one.
  unsigned char stale = 0;
  while (::read(pipeEnds[0], &stale, 1) == 1) {
  }
  for (const int number : signalNumbers) {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    Previous old;
    old.number = number;
    if (::sigaction(number, &action, &old.action) != 0) {
      error_ = QStringLiteral(
                   "Signal %1 cannot be caught (%2); Tolvane will not save pending "
                   "edits when it is ended by a signal.")
                   .arg(number)
                   .arg(reason(errno));
      qWarning("%s", qPrintable(error_));
      restore();
      return;
    }
    previous_.push_back(old);
  }
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { readSignal(); });
}

SignalBridge::~SignalBridge() {
  restore();
}

void SignalBridge::restore() {
  // In the reverse order of installing, so that a signal listed twice ends as it began.
  for (auto it = previous_.rbegin(); it != previous_.rend(); ++it) {
    if (::sigaction(it->number, &it->action, nullptr) != 0) {
      qWarning("The handler of signal %d cannot be put back: %s", it->number,
               qPrintable(reason(errno)));
    }
  }
  previous_.clear();
}

void SignalBridge::readSignal() {
  unsigned char byte = 0;
  while (::read(pipeEnds[0], &byte, 1) == 1) emit terminationRequested(byte);
}

}  // namespace tolvane::app
