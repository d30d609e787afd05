// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop (the self-pipe
// pattern: the handler only writes one byte to a pipe that a socket notifier watches), so that
// a terminal closed or a shutdown ends Tolvane the way closing its window does.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tolvane::app {

class SignalBridge : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers; only one bridge may exist at a time.
  explicit SignalBridge(QObject* parent = nullptr);
  ~SignalBridge() override;

  // Whether the handlers are in place (a pipe could be made).
  bool active() const { return notifier_ != nullptr; }

 signals:
  // Raised in the event loop for each signal received; number is the signal's number.
  void terminationRequested(int number);

 private:
  void readSignal();
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tolvane::app
