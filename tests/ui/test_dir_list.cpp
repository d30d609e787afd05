// The folder chooser: its path is taken at once and each change of it is reported once.
#include <QDir>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "ui/dir_list.h"

using tolvane::ui::DirList;

class DirListTest : public QObject {
  Q_OBJECT
 private slots:
  void setPathReportsOnce() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    DirList list;
    QSignalSpy spy(&list, &DirList::pathChanged);
    // Not yet read by the tree, written untidily: the clean absolute path is taken at once.
    list.setPath(dir.path() + "/sub/../sub/");
    QCOMPARE(list.path(), dir.filePath("sub"));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].toString(), dir.filePath("sub"));

    list.setPath(dir.filePath("sub"));
    QCOMPARE(spy.size(), 1);

    // A folder that is gone is still followed; there is nothing to show in the tree.
    list.setPath(dir.filePath("gone"));
    QCOMPARE(list.path(), dir.filePath("gone"));
    QCOMPARE(spy.size(), 2);
  }

  // A folder made current in the tree, as a click or an arrow key does, is the new path.
  void choosingInTheTree() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("a"));
    QVERIFY(QDir(dir.path()).mkdir("b"));
    DirList list;
    list.setPath(dir.filePath("a"));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy spy(&list, &DirList::pathChanged);
    auto* model = qobject_cast<QFileSystemModel*>(list.model());
    QVERIFY(model);
    const QModelIndex b = model->index(dir.filePath("b"));
    QVERIFY(b.isValid());
    list.setCurrentIndex(b);
    QCOMPARE(list.path(), dir.filePath("b"));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].toString(), dir.filePath("b"));
  }

  // The tree reads no folder before it is shown; once shown it opens at the path set while
  // it was hidden, without reporting that path again.
  void pathSetWhileHiddenIsShown() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("a"));
    DirList list;
    list.setPath(dir.filePath("a"));
    // Not even a file system model, whose making alone costs start-up time and memory.
    QVERIFY(!qobject_cast<QFileSystemModel*>(list.model()));
    QSignalSpy spy(&list, &DirList::pathChanged);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    auto* model = qobject_cast<QFileSystemModel*>(list.model());
    QVERIFY(model);
    QCOMPARE(model->filePath(list.currentIndex()), dir.filePath("a"));
    QCOMPARE(list.path(), dir.filePath("a"));
    QCOMPARE(spy.size(), 0);
  }
};

QTEST_MAIN(DirListTest)
#include "test_dir_list.moc"
