#include "app/startup_prefetch.h"

#include <fontconfig/fontconfig.h>

#include <QBuffer>
#include <QImageReader>

namespace tolvane::app {

FontPrefetch::FontPrefetch() : thread_([] { FcInit(); }) {}

void FontPrefetch::finish() {
  if (thread_.joinable()) thread_.join();
}

FontPrefetch::~FontPrefetch() {
  finish();
}

ImageFormatsPrefetch::ImageFormatsPrefetch()
    : thread_([] {
        // Asking for a named format makes Qt load and ask each plugin before its own reader.
        QBuffer nothing;
        nothing.open(QIODevice::ReadOnly);
        QImageReader reader(&nothing, "png");
        reader.canRead();
      }) {}

ImageFormatsPrefetch::~ImageFormatsPrefetch() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace tolvane::app
