#include "app/font_prefetch.h"

#include <fontconfig/fontconfig.h>

namespace tolvane::app {

FontPrefetch::FontPrefetch() : thread_([] { FcInit(); }) {}

void FontPrefetch::finish() {
  if (thread_.joinable()) thread_.join();
}

FontPrefetch::~FontPrefetch() {
  finish();
}

}  // namespace tolvane::app
