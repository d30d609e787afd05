// Takes the README's screenshot: the window over a generated planes.dat with "B-24D" picked
// and its first gun group chosen, written as a PNG. Run it under Xvfb or the offscreen
// platform; QT_SCALE_FACTOR=2 gives the high-dpi picture. "script" shows the Script Maker;
// "compare" takes the compare view of B-24D beside a planes.dat.orig it differs from;
// "overview" takes the overview of all aircraft instead, with an unsaved Max speed of B-24D.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/compare_view.h"
#include "app/main_window.h"
#include "app/record_session.h"
#include "record/demo_data.h"
#include "ui/controls.h"
#include "ui/overview.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png [script|compare|overview]\n", argv[0]);
    return 2;
  }
  const QString output = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
  const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  const bool showScriptMaker = mode == "script";
  const bool showCompare = mode == "compare";
  QTemporaryDir folder;
  if (!tolvane::record::writeDemoFile((folder.path() + "/planes.dat").toStdString()).empty()) {
    return 1;
  }
  QDir::setCurrent(folder.path());
  if (showCompare) {
    // The generated file becomes the .orig; planes.dat gets a later year, a larger crew, a
    // faster top speed and more rounds for the first gun group.
    const QString data = folder.path() + "/planes.dat";
    if (!QFile::copy(data, data + ".orig")) return 1;
    QFile file(data);
    if (!file.open(QIODevice::ReadWrite)) return 1;
    QByteArray bytes = file.readAll();
    const auto put = [&bytes](int k, int value) {
      bytes[int(tolvane::record::bytePosition(7, k) - 1)] = char(value);
    };
    put(9, 153);   // Year 1945
    put(11, 11);   // Crew 11
    put(26, 120);  // Max speed
    put(95, 88);   // Gun group 1 ammunition 600
    put(96, 2);
    file.seek(0);
    file.write(bytes);
    file.close();
  }
  tolvane::app::MainWindow window;
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  window.session().pick(7);
  window.controls().Option4->select(1);
  if (showScriptMaker) window.controls().Command2->click();
  QWidget* shown = &window;
  if (showCompare) {
    shown = window.openCompareView();
    if (shown == nullptr) return 1;
  }
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
