#include <QApplication>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Tolvane");
  tolvane::app::MainWindow window;
  tolvane::app::endWithTheSession(window);
  window.show();
  return QApplication::exec();
}
