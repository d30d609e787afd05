// The floor of the start-up and memory benchmarks: the least a Qt 6 Widgets program does to
// show a window of Tolvane's size (660 x 453) and go idle. With the argument "text" the window
// also shows one caption and one text box in Tolvane's font: the least a program pays that
// draws any text at all (the font set-up, which the empty window never starts).
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <cstring>

#include "idle_probe.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Floor"));
  window.setFixedSize(660, 453);
  if (argc > 1 && std::strcmp(argv[1], "text") == 0) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(8);
    window.setFont(font);
    auto* caption = new QLabel(QStringLiteral("Stall speed"), &window);
    caption->setGeometry(4, 10, 68, 20);
    auto* box = new QLineEdit(QStringLiteral("123"), &window);
    box->setGeometry(72, 10, 62, 20);
  }
  tolvane::bench::IdleProbe probe(&window);
  window.show();
  return QApplication::exec();
}
