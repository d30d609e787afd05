// Tolvane as src/app/main.cpp starts it, with the start-up probe attached. With the argument
// "pick-save" it also picks an aircraft and saves it once the window is idle, so that the
// process's peak resident memory covers a pick and a save. With TOLVANE_PROBE_PHASES=1 in the
// environment it writes to standard error when the application object and the window were
// made, in milliseconds from the start of main().
#include <QApplication>
#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/main_window.h"
#include "app/record_session.h"
#include "app/startup_prefetch.h"
#include "idle_probe.h"

int main(int argc, char** argv) {
  using tolvane::bench::monotonicNanoseconds;
  const long long started = monotonicNanoseconds();
  const bool phases = std::getenv("TOLVANE_PROBE_PHASES") != nullptr;
  const auto phase = [&](const char* name) {
    if (phases)
      std::fprintf(stderr, "%s: %.1f ms\n", name, (monotonicNanoseconds() - started) / 1e6);
  };
  tolvane::app::StartupWork fonts(tolvane::app::readFontConfiguration);
  QApplication application(argc, argv);
  QApplication::setApplicationName("Tolvane");
  phase("application made");
  fonts.finish();
  const tolvane::app::StartupWork images(tolvane::app::loadImageFormatPlugins);
  const bool pickAndSave = argc > 1 && std::strcmp(argv[1], "pick-save") == 0;
  tolvane::app::MainWindow window;
  phase("window made");
  tolvane::bench::IdleProbe probe(&window, [&] {
    phase("shown and idle");
    if (!pickAndSave) return;
    window.session().pick(7);
    window.controls().Command3->click();
    QCoreApplication::processEvents();
  });
  window.show();
  window.prepareViewsWhenIdle();  // starts after the idle moment the probe reports
  return QApplication::exec();
}
