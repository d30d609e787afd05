// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop (the self-pipe
// pattern: the handler only writes one byte to a pipe that a socket notifier watches), so that
// a terminal closed or a shutdown ends Tolvane the way closing its window does.
#pragma once

#include <QObject>
#include <QString>
#include <csignal>
#include <vector>

class QSocketNotifier;

namespace tolvane::app {

class SignalBridge : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers for the signals given; only one bridge may exist at a time. When a
  // handler cannot be installed, none stays installed, active() is false and error() says why.
  explicit SignalBridge(QObject* parent = nullptr,
                        std::vector<int> signalNumbers = {SIGTERM, SIGINT, SIGHUP});
  // Puts back the handlers that were in place before the bridge, as they were.
  ~SignalBridge() override;

  // Whether the handlers are in place.
  bool active() const { return notifier_ != nullptr; }
  // Why the handlers are not in place; empty when they are.
  QString error() const { return error_; }

 signals:
  // Raised in the event loop for each signal received; number is the signal's number.
  void terminationRequested(int number);

 private:
  void readSignal();
  void restore();

  struct Previous {
    int number = 0;
    struct sigaction action {};
  };
  std::vector<Previous> previous_;
  QSocketNotifier* notifier_ = nullptr;
  QString error_;
};

}  // namespace tolvane::app
