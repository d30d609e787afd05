// Takes the README's screenshot: the window over a generated planes.dat with "B-24D" picked
// and its first gun group chosen, written as a PNG. Run it under Xvfb or the offscreen
// platform; QT_SCALE_FACTOR=2 gives the high-dpi picture. "script" shows the Script Maker;
// "overview" takes the overview of all aircraft instead, with an unsaved Max speed of B-24D.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/main_window.h"
#include "app/record_session.h"
#include "record/demo_data.h"
#include "ui/controls.h"
#include "ui/overview.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png [script|overview]\n", argv[0]);
    return 2;
  }
  const QString output = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
  const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  const bool showScriptMaker = mode == "script";
  QTemporaryDir folder;
  if (!tolvane::record::writeDemoFile((folder.path() + "/planes.dat").toStdString()).empty()) {
    return 1;
  }
  QDir::setCurrent(folder.path());
  tolvane::app::MainWindow window;
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  window.session().pick(7);
  window.controls().Option4->select(1);
  if (showScriptMaker) window.controls().Command2->click();
  QWidget* shown = &window;
  if (mode == "overview") {
    window.controls().Text3[3]->setText("36000");
    shown = window.showOverview();
    if (!QTest::qWaitForWindowExposed(shown)) return 1;
  }
  QTest::qWait(300);
  if (!shown->grab().save(output)) return 1;
  std::printf("%s\n", qPrintable(output));
  return 0;
}
