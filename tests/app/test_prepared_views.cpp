// The compare view and the overview made ready in idle time: nothing is made before the window
// has been on screen a moment, and a view opened after its preparation, or in the middle of
// it, looks exactly as the view made at its opening does.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include "app/compare_view.h"
#include "app/main_window.h"
#include "support/test_support.h"
#include "ui/overview.h"
#include "ui/pick_list.h"

using namespace tolvane;
using test::Fixture;

namespace {

// What the player sees of an opened view: its picture, its size, its table's columns, its
// icon, and where the keyboard is.
struct Seen {
  QImage picture;
  QSize size;
  QList<int> columns;
  QList<QSize> iconSizes;
  QList<QImage> iconImages;  // in the form the window system gets them
  QString focus;
  QStringList entries;  // the compare view's sources
};

Seen seen(QWidget* view, const char* tableName) {
  Seen s;
  s.size = view->size();
  auto* table = view->findChild<QTableView*>(tableName);
  for (int c = 0; c < table->horizontalHeader()->count(); ++c) s.columns << table->columnWidth(c);
  s.iconSizes = view->windowIcon().availableSizes();
  for (const QSize& size : s.iconSizes) {
    s.iconImages << view->windowIcon().pixmap(size).toImage().convertToFormat(
        QImage::Format_ARGB32);
  }
  s.focus = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
  if (auto* sources = view->findChild<QComboBox*>("CompareSource")) {
    for (int i = 0; i < sources->count(); ++i) s.entries << sources->itemText(i);
  }
  s.picture = view->grab().toImage();
  return s;
}

void compareSeen(const Seen& got, const Seen& expected) {
  QCOMPARE(got.size, expected.size);
  QCOMPARE(got.columns, expected.columns);
  QCOMPARE(got.iconSizes, expected.iconSizes);
  QVERIFY(got.iconImages == expected.iconImages);
  QCOMPARE(got.focus, expected.focus);
  QCOMPARE(got.entries, expected.entries);
  if (got.picture != expected.picture && qEnvironmentVariableIsSet("TOLVANE_TEST_PICTURES")) {
    got.picture.save("/tmp/fo/got.png");
    expected.picture.save("/tmp/fo/expected.png");
  }
  QVERIFY(got.picture == expected.picture);
}

// The view opened by its shortcut from the aircraft list, as the player opens it.
QWidget* openByShortcut(Fixture& f, const QString& view) {
  f.window->activateWindow();
  if (!QTest::qWaitForWindowActive(f.window.get())) qWarning("window not active");
  const bool compare = view == "compare";
  QTest::keyClick(f.window->controls().List1, compare ? Qt::Key_D : Qt::Key_T, Qt::ControlModifier);
  QWidget* shown = compare ? static_cast<QWidget*>(f.find<app::CompareView>("CompareView"))
                           : f.find<ui::OverviewDialog>("Overview");
  if (shown == nullptr || !QTest::qWaitForWindowExposed(shown)) return nullptr;
  // A list box that fits its entries resizes itself 20 ms after it was made (Qt's own timer),
  // and its layout then stretches it again: the view is looked at once both are done, as the
  // player sees it.
  QTest::qWait(50);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  return shown;
}

// A new window over the same folder, so that both windows show the same paths.
void newWindow(Fixture& f) {
  f.window = std::make_unique<app::MainWindow>();
  f.window->show();
  if (!QTest::qWaitForWindowExposed(f.window.get())) qWarning("window not exposed");
}

}  // namespace

class PreparedViewsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // Nothing is made while the window starts; half a second after it painted, both views are
  // made, hidden, with their native windows and their whole icon.
  void madeOnlyOnceTheWindowIsOnScreen() {
    Fixture f;
    f.window->prepareViewsWhenIdle();
    QCoreApplication::processEvents();
    QVERIFY(f.find<app::CompareView>("CompareView") == nullptr);
    QVERIFY(f.find<ui::OverviewDialog>("Overview") == nullptr);
    QTRY_VERIFY(f.find<ui::OverviewDialog>("Overview") != nullptr);
    auto* compare = f.find<app::CompareView>("CompareView");
    QVERIFY(compare != nullptr);
    QTRY_VERIFY(!f.window->prepareViewStep());
    for (QWidget* view : {static_cast<QWidget*>(compare),
                          static_cast<QWidget*>(f.find<ui::OverviewDialog>("Overview"))}) {
      QVERIFY(!view->isVisible());
      QVERIFY(view->testAttribute(Qt::WA_WState_Created));
      QCOMPARE(view->windowIcon().availableSizes(), f.window->windowIcon().availableSizes());
    }
    // Opening an aircraft makes the compare view read its sources again, in idle time.
    f.pick(3);
    QTRY_COMPARE(compare->findChild<QComboBox*>("CompareSource")->currentText(),
                 QStringLiteral("P-47D (slot 3) as saved in planes.dat"));
  }

  // However many steps of the preparation ran before the shortcut, the view looks as the one
  // made at its opening (steps: 0 none, then the view made, its parts, its native window, its
  // icon, its sizes; 99 all). "after": with no idle time between the preparation and the
  // shortcut, another aircraft opened, an edit (which the hidden views do not follow as it
  // is typed), an edit saved (which makes planes.dat.bak, the source the view then starts
  // from), or planes.dat changed by another program (a wider figure, which the overview's
  // columns and size must fit).
  void opensAsMadeAtOpening_data() {
    QTest::addColumn<QString>("view");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("after");
    for (const int steps : {0, 1, 2, 3, 5, 6, 8, 99}) {
      QTest::addRow("compare, %d steps", steps) << "compare" << steps << "";
    }
    QTest::newRow("compare, picked after") << "compare" << 99 << "pick";
    QTest::newRow("compare, saved after") << "compare" << 99 << "save";
    QTest::newRow("compare, edited after") << "compare" << 99 << "edit";
    // The overview's steps follow the compare view's eleven.
    for (const int steps : {11, 12, 15, 16, 17, 20, 99}) {
      QTest::addRow("overview, %d steps", steps) << "overview" << steps << "";
    }
    QTest::newRow("overview, picked after") << "overview" << 99 << "pick";
    QTest::newRow("overview, saved after") << "overview" << 99 << "save";
    QTest::newRow("overview, edited after") << "overview" << 99 << "edit";
    QTest::newRow("overview, file changed after") << "overview" << 99 << "file";
    QTest::newRow("overview, file changed in between") << "overview" << 14 << "file";
  }
  void opensAsMadeAtOpening() {
    QFETCH(QString, view);
    QFETCH(int, steps);
    QFETCH(QString, after);
    const char* table = view == "compare" ? "CompareTable" : "OverviewTable";
    const auto act = [&](Fixture& f) {
      if (after == "pick") f.pick(3);
      if (after == "edit") f.typeInto("Text7", "5");            // Crew, not saved
      if (after == "file") f.setRecordBytes(12, 25, {15, 39});  // another program: 9999 mph
      if (after == "save") {
        f.typeInto("Text7", "5");  // Crew
        QTest::mouseClick(f.window->controls().Command3, Qt::LeftButton);
      }
    };
    Fixture f;
    f.pick(7);
    act(f);
    QWidget* made = openByShortcut(f, view);
    QVERIFY(made);
    const Seen expected = seen(made, table);

    // The same file as the reference window's before its edit.
    QFile::remove(f.folder.filePath() + ".bak");
    QFile::remove(f.folder.filePath() + ".orig");
    f.folder.setBytes(test::demoBytes());
    newWindow(f);
    f.pick(7);
    for (int i = 0; i < steps && f.window->prepareViewStep(); ++i) {
      QCoreApplication::processEvents();
    }
    act(f);
    QWidget* prepared = openByShortcut(f, view);
    QVERIFY(prepared);
    compareSeen(seen(prepared, table), expected);
  }
};

QTEST_MAIN(PreparedViewsTest)
#include "test_prepared_views.moc"
