// Work done on a second thread while the application starts, so that the window's first
// layout and paint do not wait for it.
#pragma once

#include <thread>

namespace tolvane::app {

// Runs one piece of start-up work on a second thread; finish() or the destructor waits for it.
class StartupWork {
 public:
  explicit StartupWork(void (*work)());
  void finish();
  ~StartupWork();
  StartupWork(const StartupWork&) = delete;
  StartupWork& operator=(const StartupWork&) = delete;

 private:
  std::thread thread_;
};

// Has fontconfig read its configuration. Started before the application object is made, while
// that connects to the display. fontconfig's own initialisation is safe to run while another
// thread asks it for fonts (whichever finishes first is kept), but the work must be finished
// before the first text is laid out: a late thread would leave Qt reading the whole
// configuration a second time on the main thread.
void readFontConfiguration();

// Has Qt load its image format plugins. Started once the application object exists: the
// window's first paint reads one image (the style's frame for group boxes), and Qt loads and
// asks every image format plugin whether it reads that kind before it uses its own reader, one
// plugin after another in the middle of the first paint unless they are loaded already.
void loadImageFormatPlugins();

}  // namespace tolvane::app
