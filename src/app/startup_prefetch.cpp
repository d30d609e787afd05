#include "app/startup_prefetch.h"

#include <fontconfig/fontconfig.h>

#include <QBuffer>
#include <QImageReader>

namespace tolvane::app {

StartupWork::StartupWork(void (*work)()) : thread_(work) {}

void StartupWork::finish() {
  if (thread_.joinable()) thread_.join();
}

StartupWork::~StartupWork() {
  finish();
}

void readFontConfiguration() {
  FcInit();
}

void loadImageFormatPlugins() {
  // Asking for a named format makes Qt load and ask each plugin before its own reader.
  QBuffer nothing;
  nothing.open(QIODevice::ReadOnly);
  QImageReader reader(&nothing, "png");
  reader.canRead();
}

}  // namespace tolvane::app
