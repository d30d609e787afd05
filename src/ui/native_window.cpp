#include "ui/native_window.h"

#include <QList>
#include <QSize>
#include <QWidget>

namespace tolvane::ui {

QIcon makeNativeWindow(QWidget* window) {
  const QIcon icon = window->windowIcon();
  const QList<QSize> sizes = icon.availableSizes();
  if (!sizes.isEmpty()) window->setWindowIcon(QIcon(icon.pixmap(sizes.first())));
  window->winId();
  return icon;
}

void giveWindowIcon(QWidget* window, const QIcon& icon) {
  window->setWindowIcon(icon);
}

}  // namespace tolvane::ui
