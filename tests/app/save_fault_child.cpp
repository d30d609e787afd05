// A child process for the fault-injection tests: in the current folder it picks slot 6,
// changes its first and last bytes, saves, and prints what the user was told and whether
// the edits are still pending, then saves again. The parent runs it under strace with a fault
// injected. Its temporary copies take fixed names, so that the parent can aim a fault at them.
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <cstdio>

#include "app/main_window.h"
#include "app/record_session.h"
#include "record/file_system.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tolvane::record::files::testing::setSeam({{}, [] { return std::string("fault"); }});
  tolvane::test::RecordingPrompter prompter;
  tolvane::app::MainWindow window;
  window.session().pick(6);
  // The year (bytes 9 and 10) and the code (165 to 168), typed as the user types them.
  tolvane::test::typeInto(window.controls().Text8, "1999");
  tolvane::test::typeInto(window.controls().Text5, "ZZZZ", true);
  const bool saved = window.save();
  for (const QString& e : prompter.errors) std::printf("error: %s\n", qPrintable(e));
  for (const QString& q : prompter.questions) std::printf("question: %s\n", qPrintable(q));
  const int asked = int(prompter.questions.size());
  std::printf("saved=%d modified=%d\n", saved ? 1 : 0, window.recordModified() ? 1 : 0);
  // The file as the failed save left it, for the parent to check; then saving again once the
  // fault has passed: it must neither ask nor fail.
  QFile::copy(QStringLiteral("planes.dat"), QStringLiteral("after-first-save.dat"));
  const bool again = window.save();
  std::printf("again: saved=%d questions=%d\n", again ? 1 : 0,
              int(prompter.questions.size()) - asked);
  return 0;
}
