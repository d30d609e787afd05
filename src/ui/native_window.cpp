#include "ui/native_window.h"

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QWidget>

namespace tolvane::ui {
namespace {

// The icon whose sizes are converted, and the converted sizes so far.
struct ConvertedIcon {
  qint64 from = 0;  // the cache key of the icon converted
  QList<QSize> done;
  QIcon icon;
};

ConvertedIcon& converted() {
  static ConvertedIcon c;
  return c;
}

}  // namespace

QIcon makeNativeWindow(QWidget* window) {
  const QIcon icon = window->windowIcon();
  const QList<QSize> sizes = icon.availableSizes();
  if (!sizes.isEmpty()) window->setWindowIcon(QIcon(icon.pixmap(sizes.first())));
  window->winId();
  return icon;
}

bool convertWindowIconStep(const QIcon& icon) {
  ConvertedIcon& c = converted();
  if (c.from != icon.cacheKey()) c = ConvertedIcon{icon.cacheKey(), {}, QIcon()};
  for (const QSize& size : icon.availableSizes()) {
    if (c.done.contains(size)) continue;
    // The conversion the window system's side of Qt makes; a pixmap that keeps the format
    // needs none when a window is given the icon.
    const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
    c.icon.addPixmap(QPixmap::fromImage(image, Qt::NoFormatConversion));
    c.done << size;
    return true;
  }
  return false;
}

void giveWindowIcon(QWidget* window, const QIcon& icon) {
  const ConvertedIcon& c = converted();
  const bool ready = c.from == icon.cacheKey() && c.done == icon.availableSizes();
  window->setWindowIcon(ready ? c.icon : icon);
}

}  // namespace tolvane::ui
