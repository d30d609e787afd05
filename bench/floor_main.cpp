// The floor of the start-up and memory benchmarks: the least a Qt 6 Widgets program does to
// show a window of Tolvane's size (660 x 453) and go idle.
#include <QApplication>
#include <QWidget>

#include "idle_probe.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Floor"));
  window.setFixedSize(660, 453);
  tolvane::bench::IdleProbe probe(&window);
  window.show();
  return QApplication::exec();
}
