// Benchmarks of the work a user waits for, in a shown Tolvane window over a generated
// planes.dat: a pick of an aircraft (the reaction of the list, from the selection to every
// editor filled), a pick followed by the repaint it causes, a save with its reload, and a
// keystroke in a performance box with the repaint it causes, undo and redo of a step over every
// cell, and the opening of the compare view and of the overview: the first time as the player
// meets it (the view made ready in idle time beforehand, whose steps are reported as
// counters), the first time before that preparation (the view made at the opening), and again
// (made, hidden, shown again). Each repetition is one operation, so the median and the worst
// ("max") are those of single operations.
//
// The keystroke benchmark also reports how much of the grid a keystroke redraws:
// "grid_rows_changed" counts the rows the grid's model reported as changed, and
// "grid_painted_share" is the share of the grid's visible area that was repainted.
//
// Run it under an X server (xvfb-run) to include real painting, or with
// QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPaintEvent>
#include <QRegion>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>

#include "app/compare_view.h"
#include "app/main_window.h"
#include "app/record_session.h"
#include "record/demo_data.h"
#include "record/layout.h"
#include "ui/byte_grid.h"
#include "ui/overview.h"
#include "ui/prompter.h"

namespace {

using tolvane::app::MainWindow;

// Any message would stop the benchmark in a modal box: they are counted instead, and a
// benchmark that raised one is marked as failed.
class CountingPrompter : public tolvane::ui::Prompter {
 public:
  void showError(const QString&, const QString& text) override {
    ++errors;
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  }
  bool ask(const QString&, const QString&, const QString&, const QString&) override {
    ++errors;
    return false;
  }
  int choose(const QString&, const QString& text, const QStringList&, int,
             int escapeIndex) override {
    ++errors;
    std::fprintf(stderr, "question: %s\n", qPrintable(text));
    return escapeIndex;
  }
  int chooseItem(const QString&, const QString& text, const QStringList&, int,
                 const QString&) override {
    ++errors;
    std::fprintf(stderr, "list: %s\n", qPrintable(text));
    return -1;
  }
  int errors = 0;
};

// Records the area the grid's viewport repaints.
class PaintMeter : public QObject {
 public:
  explicit PaintMeter(QWidget* viewport) : viewport_(viewport) {
    viewport->installEventFilter(this);
  }
  double paintedShare() const {
    const QRect all = viewport_->rect();
    long long area = 0;
    for (const QRect& r : painted_.intersected(all)) area += 1LL * r.width() * r.height();
    return all.isEmpty() ? 0.0 : static_cast<double>(area) / (1.0 * all.width() * all.height());
  }
  void reset() { painted_ = QRegion(); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted_ += static_cast<QPaintEvent*>(event)->region();
    return false;
  }

 private:
  QWidget* viewport_;
  QRegion painted_;
};

struct Session {
  QTemporaryDir folder;
  CountingPrompter prompter;
  std::unique_ptr<MainWindow> window;

  Session() {
    const std::string error =
        tolvane::record::writeDemoFile((folder.path() + "/planes.dat").toStdString());
    if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str()), std::exit(1);
    QDir::setCurrent(folder.path());
    tolvane::ui::setPrompter(&prompter);
    window = std::make_unique<MainWindow>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) std::exit(1);
    QTest::qWait(50);
    // As in the program, where the views are made ready in idle time once the window is on
    // screen (here step by step at once, so that no step runs inside a timed operation).
    const bool print = std::getenv("TOLVANE_BENCH_STEPS") != nullptr;
    for (int step = 0;; ++step) {
      const auto started = std::chrono::steady_clock::now();
      if (!window->prepareViewStep()) break;
      if (print) {
        std::fprintf(
            stderr, "first preparation, step %d: %.0f us\n", step,
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started)
                .count());
      }
      QCoreApplication::processEvents();
    }
  }
  ~Session() { tolvane::ui::setPrompter(nullptr); }
  const tolvane::editors::WindowControls& c() const { return window->controls(); }
  void settle() { QCoreApplication::processEvents(); }
};

Session* session = nullptr;

double maxOf(const std::vector<double>& v) {
  return *std::max_element(v.begin(), v.end());
}
double minOf(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

void checkNoMessages(benchmark::State& state) {
  if (session->prompter.errors) state.SkipWithError("the window showed a message");
}

// A pick of every slot in turn: the list's reaction loads the record into the grid and
// fills every editor. Painting is left to the event loop, outside the timing.
void BM_Pick(benchmark::State& state) {
  static int next = 0;
  for (auto _ : state) {
    const int slot = next++ % tolvane::record::kSlotCount;
    session->window->session().pick(slot);
    benchmark::DoNotOptimize(session->window->openSlot());
  }
  session->settle();
  checkNoMessages(state);
}

// The same pick with the repaint of everything it changed.
void BM_PickAndPaint(benchmark::State& state) {
  static int next = 0;
  for (auto _ : state) {
    session->window->session().pick(next++ % tolvane::record::kSlotCount);
    session->settle();
  }
  checkNoMessages(state);
}

// "Save planes.dat" of an edit: checks the 168 values, reads the record as the file holds it,
// writes it in place (the backup was made by the first save), flushes it to disk, reads it
// back and fills every editor again. The edit before each save (the first damage byte, one
// of two values in turn) is not timed.
void BM_SaveReload(benchmark::State& state) {
  session->window->session().pick(7);
  session->settle();
  auto& document = session->c().G1->document();
  static bool odd = false;
  for (auto _ : state) {
    state.PauseTiming();
    odd = !odd;
    document.setValue(73, odd ? "1" : "2");
    session->settle();
    state.ResumeTiming();
    if (!session->window->save()) state.SkipWithError("save failed");
    state.PauseTiming();
    if (session->window->hasUnsavedChanges()) state.SkipWithError("the save wrote nothing");
    state.ResumeTiming();
  }
  session->settle();
  checkNoMessages(state);
}

// One keystroke in the first performance box (a digit, then Backspace, in turn), with the
// repaint it causes.
void BM_Keystroke(benchmark::State& state) {
  tolvane::ui::ByteGrid* grid = session->c().G1;
  QLineEdit* box = session->c().Text3[0];
  // Set up once, before the first repetition: every repetition then times a keystroke only.
  static bool ready = false;
  if (!ready) {
    ready = true;
    session->window->session().pick(7);
    grid->setTopRow(10);  // the box's four bytes (13 to 16) are on view
    box->setFocus();
    box->end(false);
    session->settle();
  }

  QSet<int> changedRows;
  const auto connection = QObject::connect(grid->model(), &QAbstractItemModel::dataChanged,
                                           [&](const QModelIndex& from, const QModelIndex& to) {
                                             for (int row = from.row(); row <= to.row(); ++row)
                                               changedRows.insert(row);
                                           });
  PaintMeter meter(grid->viewport());
  static bool typeDigit = true;
  double rowsChanged = 0;
  double paintedShare = 0;
  for (auto _ : state) {
    changedRows.clear();
    meter.reset();
    QTest::keyClick(box, typeDigit ? Qt::Key_1 : Qt::Key_Backspace);
    typeDigit = !typeDigit;
    session->settle();
    rowsChanged += changedRows.size();
    paintedShare = std::max(paintedShare, meter.paintedShare());
  }
  QObject::disconnect(connection);
  state.counters["grid_rows_changed"] = rowsChanged / static_cast<double>(state.iterations());
  state.counters["grid_painted_share"] = paintedShare;
  checkNoMessages(state);
}

// The values of a step that changes every cell of the record: each byte one more than the
// file holds (255 wraps to 0).
std::map<int, QString> allCellsChanged() {
  std::map<int, QString> values;
  tolvane::ui::ByteGrid* grid = session->c().G1;
  for (int row = 1; row <= tolvane::record::kRecordBytes; ++row) {
    const int byte = grid->textMatrix(row, tolvane::record::kLoadedColumn).toInt();
    values[row] = QString::number((byte + 1) % 256);
  }
  return values;
}

// Undo of a step that changed all 168 value cells: the cells go back and every editor is
// filled again. The redo that puts the step back between two undos is not timed.
void BM_UndoAllCells(benchmark::State& state) {
  auto& record = session->window->session();
  record.pick(7);
  record.applyValues(QStringLiteral("Bench"), allCellsChanged());
  session->settle();
  for (auto _ : state) {
    record.undo();
    state.PauseTiming();
    session->settle();
    record.redo();
    session->settle();
    state.ResumeTiming();
  }
  record.undo();
  session->settle();
  checkNoMessages(state);
}

// Redo of the same step; the undo between two redos is not timed.
void BM_RedoAllCells(benchmark::State& state) {
  auto& record = session->window->session();
  record.pick(7);
  record.applyValues(QStringLiteral("Bench"), allCellsChanged());
  record.undo();
  session->settle();
  for (auto _ : state) {
    record.redo();
    state.PauseTiming();
    session->settle();
    record.undo();
    session->settle();
    state.ResumeTiming();
  }
  session->settle();
  checkNoMessages(state);
}

// Hides a view that a benchmark opened and lets the window take the keyboard back.
void closeView(QWidget* view) {
  if (view == nullptr) return;
  view->hide();
  session->settle();
}

double threadCpuUs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// Runs the steps that make the views ready in idle time, with the event loop between them as
// in the program, and keeps the longest: what a key pressed during the preparation may wait.
struct PreparationSteps {
  double longestUs = 0;
  double totalUs = 0;
  int steps = 0;
  void run() {
    for (;;) {
      const auto started = std::chrono::steady_clock::now();
      const double cpuStarted = threadCpuUs();
      const bool stepped = session->window->prepareViewStep();
      const double us =
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started)
              .count();
      if (!stepped) break;
      // Each step's wall-clock and CPU time, for finding the longest.
      if (std::getenv("TOLVANE_BENCH_STEPS")) {
        std::fprintf(stderr, "step %d: %.0f us (CPU %.0f us)\n", steps, us,
                     threadCpuUs() - cpuStarted);
      }
      longestUs = std::max(longestUs, us);
      totalUs += us;
      ++steps;
      session->settle();
    }
  }
  void report(benchmark::State& state, int repetitions) const {
    state.counters["prep_step_max_us"] = longestUs;
    state.counters["prep_us"] = totalUs / std::max(repetitions, 1);
    state.counters["prep_steps"] = static_cast<double>(steps) / std::max(repetitions, 1);
  }
};

// How a view's opening is timed.
enum class Opening {
  // The first opening as the player meets it: the view was made ready in idle time (untimed;
  // its steps are reported as counters). The view of the repetition before is deleted.
  AsMet,
  // The view opened before it was made ready (within half a second of the start, or before
  // the idle time came): the opening makes it. The view of the repetition before is deleted.
  MadeAtOpening,
  // Opening it again: the view made before is read afresh and shown.
  Again,
};

// Times `open` (MainWindow::openCompareView or showOverview) on the view named `name`. As for
// a pick, painting is left to the event loop and not timed. With `pickEach`, each repetition
// first opens aircraft 7 or 3 in turn, untimed, as the player picks one before comparing it
// (the compare view is made ready again for the aircraft opened).
template <typename View>
void timeOpenings(benchmark::State& state, View* (MainWindow::*open)(), const char* name,
                  Opening opening, bool pickEach) {
  MainWindow& window = *session->window;
  window.session().pick(7);
  session->settle();
  if (opening == Opening::Again) closeView((window.*open)());
  static int next = 0;
  PreparationSteps preparation;
  int repetitions = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (opening != Opening::Again) {
      delete window.findChild<View*>(name);
      session->settle();
    }
    if (opening == Opening::AsMet) {
      if (pickEach) {
        window.session().pick(next++ % 2 == 0 ? 7 : 3);
        session->settle();
      }
      preparation.run();
      ++repetitions;
    }
    state.ResumeTiming();
    View* view = (window.*open)();
    state.PauseTiming();
    if (view == nullptr) state.SkipWithError("no view");
    closeView(view);
    state.ResumeTiming();
  }
  if (opening == Opening::AsMet) preparation.report(state, repetitions);
  checkNoMessages(state);
}

// Compare with...: the sources read again and the view shown.
void BM_CompareFirstOpen(benchmark::State& state) {
  timeOpenings(state, &MainWindow::openCompareView, "CompareView", Opening::AsMet, true);
}
void BM_CompareMadeAtOpening(benchmark::State& state) {
  timeOpenings(state, &MainWindow::openCompareView, "CompareView", Opening::MadeAtOpening, false);
}
void BM_CompareReopen(benchmark::State& state) {
  timeOpenings(state, &MainWindow::openCompareView, "CompareView", Opening::Again, false);
}

// Overview of all aircraft: the 30 records read again and the dialog shown.
void BM_OverviewFirstOpen(benchmark::State& state) {
  timeOpenings(state, &MainWindow::showOverview, "Overview", Opening::AsMet, false);
}
void BM_OverviewMadeAtOpening(benchmark::State& state) {
  timeOpenings(state, &MainWindow::showOverview, "Overview", Opening::MadeAtOpening, false);
}
void BM_OverviewReopen(benchmark::State& state) {
  timeOpenings(state, &MainWindow::showOverview, "Overview", Opening::Again, false);
}

void stats(benchmark::internal::Benchmark* b, int repetitions) {
  b->Iterations(1)
      ->Repetitions(repetitions)
      ->ComputeStatistics("min", minOf)
      ->ComputeStatistics("max", maxOf)
      ->ReportAggregatesOnly(true)
      ->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_Pick)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 1000); });
BENCHMARK(BM_PickAndPaint)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });
BENCHMARK(BM_SaveReload)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });
BENCHMARK(BM_Keystroke)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });
BENCHMARK(BM_UndoAllCells)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });
BENCHMARK(BM_RedoAllCells)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });
BENCHMARK(BM_CompareFirstOpen)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });
BENCHMARK(BM_CompareMadeAtOpening)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });
BENCHMARK(BM_CompareReopen)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });
BENCHMARK(BM_OverviewFirstOpen)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });
BENCHMARK(BM_OverviewMadeAtOpening)->Apply([](benchmark::internal::Benchmark* b) {
  stats(b, 300);
});
BENCHMARK(BM_OverviewReopen)->Apply([](benchmark::internal::Benchmark* b) { stats(b, 300); });

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  Session s;
  session = &s;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  session = nullptr;
  return 0;
}
