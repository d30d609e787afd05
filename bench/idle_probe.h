// Start-up probe shared by the start-up benchmark's two programs (Tolvane and the empty-window
// floor), so that both are timed at the same moment: when the window has painted for the first
// time and the event loop has then run dry. At that moment the probe runs an optional task (a
// pick and a save), writes the CLOCK_MONOTONIC time of the idle moment in nanoseconds to
// standard output and ends the process at once, without tearing the window down.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "clock.h"

namespace tolvane::bench {

class IdleProbe : public QObject {
 public:
  // Watches window; afterIdle runs once the window is shown and idle, before the exit.
  explicit IdleProbe(QWidget* window, std::function<void()> afterIdle = {})
      : QObject(window), window_(window), afterIdle_(std::move(afterIdle)) {
    window_->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Paint && !painted_) {
      painted_ = true;
      // A zero timer fires once every event queued before it has been handled.
      QTimer::singleShot(0, this, [this] { finish(); });
    }
    return false;
  }

 private:
  void finish() {
    const long long idleAt = monotonicNanoseconds();
    if (afterIdle_) afterIdle_();
    // For finding where the memory goes: a copy of the process's memory map at this moment.
    if (const char* copy = std::getenv("TOLVANE_PROBE_SMAPS")) {
      if (std::FILE* in = std::fopen("/proc/self/smaps", "r")) {
        if (std::FILE* out = std::fopen(copy, "w")) {
          char buffer[4096];
          std::size_t n = 0;
          while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) std::fwrite(buffer, 1, n, out);
          std::fclose(out);
        }
        std::fclose(in);
      }
    }
    std::printf("%lld\n", idleAt);
    std::fflush(stdout);
    std::_Exit(0);
  }

  QWidget* window_;
  std::function<void()> afterIdle_;
  bool painted_ = false;
};

}  // namespace tolvane::bench
