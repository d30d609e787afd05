#include "app/font_prefetch.h"

#include <fontconfig/fontconfig.h>

namespace tolvane::app {

FontPrefetch::FontPrefetch() : thread_([] { FcInit(); }) {}

FontPrefetch::~FontPrefetch() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace tolvane::app
