// Work done on a second thread while the application starts, so that the window's first
// layout and paint do not wait for it: fontconfig reading its configuration, and Qt loading
// its image format plugins.
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

// Loads Qt's image format plugins on a second thread once the application object exists.
// The window's first paint reads one image (the style's frame for group boxes), and Qt asks
// every image format plugin whether it reads that kind before it uses its own reader: the
// plugins are then loaded already, instead of being loaded one after another in the middle
// of the first paint.
class ImageFormatsPrefetch {
 public:
  ImageFormatsPrefetch();
  ~ImageFormatsPrefetch();
  ImageFormatsPrefetch(const ImageFormatsPrefetch&) = delete;
  ImageFormatsPrefetch& operator=(const ImageFormatsPrefetch&) = delete;

 private:
  std::thread thread_;
};

}  // namespace tolvane::app
