// Reads the system's font configuration on a second thread while the application starts, so
// that the first text the window lays out does not wait for fontconfig to parse its files.
#pragma once

#include <thread>

namespace tolvane::app {

class FontPrefetch {
 public:
  // Starts reading the configuration (fontconfig's own initialisation is safe to run while
  // another thread asks it for fonts; whichever finishes first is kept).
  FontPrefetch();
  // Waits until the configuration is read. Called before the first text is laid out, it keeps
  // Qt's own first use of fontconfig from reading the whole configuration a second time on
  // the main thread while this thread is still at it.
  void finish();
  // Waits for the thread, which has long finished by the time the window closes.
  ~FontPrefetch();
  FontPrefetch(const FontPrefetch&) = delete;
  FontPrefetch& operator=(const FontPrefetch&) = delete;

 private:
  std::thread thread_;
};

}  // namespace tolvane::app
