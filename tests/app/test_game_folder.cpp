// The game folder: what `tolvane [PATH]` makes of its arguments, which folder the window
// starts in, and the chooser offered when no planes.dat is at hand.
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/game_folder.h"
#include "app/main_window.h"
#include "record/layout.h"
#include "record/record_file.h"
#include "script/native_path.h"
#include "script/script_writer.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"
#include "ui/dir_list.h"

using namespace tolvane;
namespace fs = std::filesystem;

namespace {

fs::path pathOf(const QString& s) {
  return fs::path(QFile::encodeName(s).toStdString());
}

QString textOf(const fs::path& p) {
  return QFile::decodeName(QByteArray::fromStdString(p.string()));
}

void touch(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("x");
}

// Answers the next folder choosers: goes to each folder and clicks the chooser's "Choose"
// button; an empty entry presses Escape, and so does every chooser beyond the list. Keeps
// the titles seen.
class ChooserAnswers : public QObject {
 public:
  explicit ChooserAnswers(QStringList folders) : folders_(std::move(folders)) {
    connect(&timer_, &QTimer::timeout, this, [this] { answer(); });
    timer_.start(20);
  }
  QStringList titles;

 private:
  void answer() {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog == last_) return;
    last_ = dialog;  // each chooser is answered once
    titles << dialog->windowTitle();
    // A chooser more than expected is cancelled (the test sees it among the titles).
    const QString folder = folders_.isEmpty() ? QString() : folders_.takeFirst();
    if (folder.isEmpty()) {
      QTest::keyClick(dialog, Qt::Key_Escape);
      return;
    }
    // Goes into the folder, as through the chooser's "Look in" box, and takes it with the
    // name box empty. (Typed into the name box, the path is rewritten by the chooser's own
    // matching of partial names while its folder model loads.)
    dialog->setDirectory(folder);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->clear();
    QCOMPARE(dialog->selectedFiles(), QStringList{folder});
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QVERIFY(buttons && buttons->button(QDialogButtonBox::Open));
    QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
  }
  QStringList folders_;
  QTimer timer_;
  QPointer<QFileDialog> last_;
};

// Writes an aircraft script for slot 3 whose byte 20 is 77 and whose other bytes are the
// generated file's; returns its path.
QString writeScriptFile(const QString& folder) {
  const QByteArray file = test::demoBytes();
  script::ScriptTexts texts;
  texts.pnames = "Shared";
  texts.slot = "3";
  for (int row = script::kFirstScriptRow; row <= record::kRecordBytes; ++row) {
    const int byte = row == 20 ? 77 : quint8(file[int(record::bytePosition(3, row) - 1)]);
    texts.values << QString::number(byte);
  }
  const script::BuiltScript built = script::buildScript(texts);
  const QString path = folder + "/shared.oaw";
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(built.bytes) != built.bytes.size()) return {};
  return path;
}

}  // namespace

class GameFolderTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("Tolvane");
    QCoreApplication::setApplicationName("Tolvane");
    QCoreApplication::setApplicationVersion("9.8.7");
  }
  void init() { QSettings().clear(); }

  // Each PATH names the game folder, an aircraft script, or something Tolvane refuses with a
  // message for the terminal and a non-zero exit.
  void commandLine_data() {
    QTest::addColumn<QStringList>("files");  // made in a fresh folder; "dir/" makes a folder
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder");  // expected game folder, relative; "-": none
    QTest::addColumn<QString>("script");  // expected script, relative; empty: none
    QTest::addColumn<int>("exitCode");    // -1: no exit, the window opens
    QTest::addColumn<QString>("message");

    const QStringList game{"game/", "game/PLANES.DAT"};
    QTest::newRow("no PATH") << game << QStringList{} << "-"
                             << "" << -1 << "";
    QTest::newRow("the game folder") << game << QStringList{"game"} << "game"
                                     << "" << -1 << "";
    QTest::newRow("the folder with a slash") << game << QStringList{"game/"} << "game"
                                             << "" << -1 << "";
    QTest::newRow("its planes.dat") << game << QStringList{"game/PLANES.DAT"} << "game"
                                    << "" << -1 << "";
    QTest::newRow("planes.dat in another letter case")
        << game << QStringList{"game/planes.dat"} << "game"
        << "" << -1 << "";
    QTest::newRow("an aircraft script") << QStringList{"P51.OAW"} << QStringList{"P51.OAW"} << "-"
                                        << "P51.OAW" << -1 << "";
    QTest::newRow("a folder without planes.dat")
        << QStringList{"empty/", "empty/planes.dat.bak"} << QStringList{"empty"} << "-"
        << "" << 1 << "There is no planes.dat in the folder";
    QTest::newRow("a folder with two planes.dat")
        << QStringList{"two/", "two/planes.dat", "two/Planes.Dat"} << QStringList{"two"} << "-"
        << "" << 1 << "several files named planes.dat";
    QTest::newRow("a missing folder") << game << QStringList{"gone"} << "-"
                                      << "" << 1 << "\"gone\" does not exist";
    QTest::newRow("a missing script") << game << QStringList{"gone.oaw"} << "-"
                                      << "" << 1 << "does not exist";
    QTest::newRow("planes.dat where there is none")
        << QStringList{"empty/"} << QStringList{"empty/planes.dat"} << "-"
        << "" << 1 << "does not exist";
    QTest::newRow("some other file") << QStringList{"notes.txt"} << QStringList{"notes.txt"} << "-"
                                     << "" << 1 << "neither a folder";
    QTest::newRow("two PATHs") << game << QStringList{"game", "game"} << "-"
                               << "" << 2 << "Only one PATH";
    QTest::newRow("an unknown option") << game << QStringList{"--frobnicate"} << "-"
                                       << "" << 2 << "Unknown option 'frobnicate'";
  }
  void commandLine() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, arguments);
    QFETCH(QString, folder);
    QFETCH(QString, script);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    for (const QString& f : files) {
      if (f.endsWith('/')) {
        QVERIFY(QDir(dir.path()).mkpath(f));
      } else {
        touch(dir.filePath(f));
      }
    }
    const app::CommandLine line =
        app::parseCommandLine(QStringList{"tolvane"} + arguments, pathOf(dir.path()));
    QCOMPARE(line.exit, exitCode >= 0);
    if (exitCode >= 0) QCOMPARE(line.exitCode, exitCode);
    QVERIFY2(line.error.contains(message), qPrintable(line.error));
    QCOMPARE(line.error.isEmpty(), message.isEmpty());
    QCOMPARE(textOf(line.folder), folder == "-" ? QString() : dir.filePath(folder));
    QCOMPARE(textOf(line.scriptToApply), script.isEmpty() ? QString() : dir.filePath(script));
  }

  // --help and --version answer on standard output and end the program successfully.
  void helpAndVersion_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");
    QTest::newRow("--help") << "--help"
                            << "Usage: tolvane [options] [PATH]";
    QTest::newRow("-h") << "-h"
                        << "that planes.dat itself (any letter case)";
    QTest::newRow("--help names a script") << "--help"
                                           << "an aircraft script (.oaw)";
    QTest::newRow("--help names the commands") << "--help"
                                               << "tolvane show, tolvane diff, tolvane apply";
    QTest::newRow("--help names the remembered folder") << "--help"
                                                        << "game folder used last time";
    QTest::newRow("--help names the chooser") << "--help"
                                              << "\"Choose the game folder...\" (Ctrl+G)";
    QTest::newRow("--version") << "--version"
                               << "Tolvane 9.8.7\n";
    QTest::newRow("-v") << "-v"
                        << "Tolvane 9.8.7\n";
  }
  void helpAndVersion() {
    QFETCH(QString, option);
    QFETCH(QString, expected);
    const app::CommandLine line =
        app::parseCommandLine({"/usr/bin/tolvane", option, "no/such/folder"}, pathOf("/"));
    QVERIFY(line.exit);
    QCOMPARE(line.exitCode, 0);
    QVERIFY(line.error.isEmpty());
    // The help wraps its lines at the terminal's width.
    QVERIFY2(line.output.contains(expected) || line.output.simplified().contains(expected),
             qPrintable(line.output));
  }

  // Without PATH: the current folder when it holds a planes.dat, else the folder used last
  // time while it still holds one, else the current folder with the chooser offered.
  void startFolder_data() {
    QTest::addColumn<bool>("currentHolds");
    QTest::addColumn<QString>("remembered");  // "game", "old" (lost its planes.dat) or ""
    QTest::addColumn<QString>("expected");    // "current" or "game"
    QTest::addColumn<bool>("chooser");
    QTest::newRow("current folder holds one") << true << "game"
                                              << "current" << false;
    QTest::newRow("remembered folder") << false << "game"
                                       << "game" << false;
    QTest::newRow("remembered folder lost it") << false << "old"
                                               << "current" << true;
    QTest::newRow("nothing remembered") << false << ""
                                        << "current" << true;
  }
  void startFolder() {
    QFETCH(bool, currentHolds);
    QFETCH(QString, remembered);
    QFETCH(QString, expected);
    QFETCH(bool, chooser);
    QTemporaryDir dir;
    for (const char* f : {"current", "game", "old"}) QVERIFY(QDir(dir.path()).mkdir(f));
    touch(dir.filePath("game/Planes.dat"));
    if (currentHolds) touch(dir.filePath("current/planes.dat"));
    if (!remembered.isEmpty()) app::rememberGameFolder(pathOf(dir.filePath(remembered)));

    const app::StartFolder start = app::startFolder({}, pathOf(dir.filePath("current")));
    QCOMPARE(textOf(start.folder), dir.filePath(expected));
    QCOMPARE(start.offerChooser, chooser);
    // A folder that holds a planes.dat becomes the one remembered.
    if (currentHolds) QCOMPARE(textOf(app::rememberedGameFolder()), dir.filePath("current"));
  }

  // The chooser: a folder without planes.dat is explained and the chooser comes back; the
  // game folder is then taken, the window loads aircraft from it and remembers it. Cancel
  // leaves the window where it was.
  void chooserTakesTheGameFolder_data() {
    QTest::addColumn<QStringList>("answers");  // "empty", "game" or "" (Cancel)
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("errors");
    QTest::newRow("the game folder") << QStringList{"game"} << true << 0;
    QTest::newRow("a folder without planes.dat, then the game folder")
        << QStringList{"empty", "game"} << true << 1;
    QTest::newRow("Cancel") << QStringList{""} << false << 0;
    QTest::newRow("a folder without planes.dat, then Cancel")
        << QStringList{"empty", ""} << false << 1;
  }
  void chooserTakesTheGameFolder() {
    QFETCH(QStringList, answers);
    QFETCH(bool, taken);
    QFETCH(int, errors);
    test::DataFolder game;
    QByteArray bytes = game.bytes();
    bytes[int(record::bytePosition(3, 20) - 1)] = char(123);
    game.setBytes(bytes);
    QTemporaryDir start;
    QVERIFY(QDir(start.path()).mkdir("empty"));
    QDir::setCurrent(start.path());

    QStringList folders;
    for (const QString& a : answers) {
      folders << (a == "game" ? game.path() : a.isEmpty() ? QString() : start.filePath(a));
    }
    test::RecordingPrompter prompter;
    app::MainWindow window(pathOf(start.path()));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ChooserAnswers chooser(folders);
    QCOMPARE(app::chooseGameFolder(window), taken);

    QCOMPARE(chooser.titles.size(), answers.size());
    for (const QString& title : chooser.titles) QCOMPARE(title, QString("Choose the game folder"));
    QCOMPARE(prompter.errors.size(), errors);
    if (errors)
      QVERIFY2(prompter.errors[0].contains("no planes.dat"), qPrintable(prompter.errors[0]));
    const auto& c = window.controls();
    QCOMPARE(c.Label18->caption(), taken ? game.path() : start.path());
    QCOMPARE(textOf(app::rememberedGameFolder()), taken ? game.path() : QString());

    // Picking an aircraft reads it from the folder the window now works in.
    QListWidget* list = c.List1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(3)).center());
    if (taken) {
      QCOMPARE(window.openSlot(), 3);
      QCOMPARE(c.G1->textMatrix(20, record::kValueColumn), QString("123"));
    } else {
      QCOMPARE(window.openSlot(), -1);
      QCOMPARE(prompter.errors.size(), errors + 1);  // there is no planes.dat where it works
      QVERIFY2(prompter.errors.last().contains("\"Choose the game folder...\"") &&
                   prompter.errors.last().contains("Ctrl+G"),
               qPrintable(prompter.errors.last()));
    }
    QDir::setCurrent(game.path());
  }

  // The window starts active with the focus on the list of aircraft, where the work begins,
  // also once the folder chooser offered at start has gone, whatever its answer.
  void focusStartsOnTheAircraftList_data() {
    QTest::addColumn<bool>("chooser");
    QTest::addColumn<QString>("answer");  // "game" or "" (Cancel)
    QTest::newRow("planes.dat at hand") << false << QString();
    QTest::newRow("the game folder chosen") << true << "game";
    QTest::newRow("the chooser cancelled") << true << QString();
  }
  void focusStartsOnTheAircraftList() {
    QFETCH(bool, chooser);
    QFETCH(QString, answer);
    test::DataFolder game;
    QTemporaryDir home;
    test::RecordingPrompter prompter;
    app::MainWindow window(pathOf(chooser ? home.path() : game.path()));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (chooser) {
      ChooserAnswers answers({answer == "game" ? game.path() : QString()});
      app::beginWork(window, true, {});
      QCOMPARE(answers.titles.size(), 1);
    }
    QTRY_VERIFY(window.isActiveWindow());
    QTRY_COMPARE(QApplication::focusWidget(), window.controls().List1);
    QDir::setCurrent(game.path());
  }

  // A script opened with no planes.dat at hand: the chooser comes first, alone; the game
  // folder chosen, the script's preview follows. A cancelled chooser says the script was not
  // applied and names it.
  void scriptOpenedWithoutPlanesDat_data() {
    QTest::addColumn<QStringList>("answers");  // "empty", "game" or "" (Cancel)
    QTest::addColumn<bool>("previewed");
    QTest::addColumn<int>("errors");
    QTest::newRow("the game folder") << QStringList{"game"} << true << 0;
    QTest::newRow("a folder without planes.dat, then the game folder")
        << QStringList{"empty", "game"} << true << 1;
    QTest::newRow("Cancel") << QStringList{""} << false << 1;
  }
  void scriptOpenedWithoutPlanesDat() {
    QFETCH(QStringList, answers);
    QFETCH(bool, previewed);
    QFETCH(int, errors);
    test::DataFolder game;
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkdir("empty"));
    const QString script = writeScriptFile(home.path());
    QVERIFY(!script.isEmpty());
    QStringList folders;
    for (const QString& a : answers) {
      folders << (a == "game" ? game.path() : a.isEmpty() ? QString() : home.filePath(a));
    }
    test::RecordingPrompter prompter;
    prompter.choices = {"Apply"};
    app::MainWindow window(pathOf(home.path()));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ChooserAnswers chooser(folders);
    app::beginWork(window, true, pathOf(script));

    QCOMPARE(chooser.titles.size(), answers.size());
    QCOMPARE(prompter.errors.size(), errors);
    QCOMPARE(prompter.questions.size(), previewed ? 1 : 0);
    if (previewed) {
      QVERIFY2(prompter.questions[0].contains("shared.oaw"), qPrintable(prompter.questions[0]));
      QCOMPARE(window.openSlot(), 3);
      QCOMPARE(window.controls().G1->textMatrix(20, record::kValueColumn), QString("77"));
    } else {
      QVERIFY2(prompter.errors.last().contains("\"" + script + "\" was not applied"),
               qPrintable(prompter.errors.last()));
      QVERIFY2(prompter.errors.last().contains("Ctrl+G"), qPrintable(prompter.errors.last()));
      QCOMPARE(window.openSlot(), -1);
    }
    QDir::setCurrent(game.path());
  }

  // "Choose the game folder..." is in the grid's context menu and the window background's,
  // with its shortcut, and opens the chooser; so does the shortcut itself.
  void chooserStaysReachable_data() {
    QTest::addColumn<QString>("way");  // "grid", "background" or "shortcut"
    QTest::newRow("the grid's context menu") << "grid";
    QTest::newRow("the background's context menu") << "background";
    QTest::newRow("Ctrl+G") << "shortcut";
  }
  void chooserStaysReachable() {
    QFETCH(QString, way);
    QTemporaryDir start;
    test::RecordingPrompter prompter;
    app::MainWindow window(pathOf(start.path()));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    ChooserAnswers chooser({QString()});
    if (way == "shortcut") {
      QTest::keyClick(window.controls().List1, Qt::Key_G, Qt::ControlModifier);
    } else {
      QWidget* target = way == "grid" ? window.controls().G1->viewport() : &window;
      const QStringList entries = test::takeFromContextMenu(target, "Choose the game folder...");
      QVERIFY2(entries.contains("Choose the game folder...\tCtrl+G"),
               qPrintable(entries.join('|')));
    }
    QTRY_COMPARE(chooser.titles, QStringList{"Choose the game folder"});
  }

  // Choosing another game folder while an aircraft is open settles its pending edits first,
  // as a pick of another aircraft does; then the same aircraft opens from the new folder's
  // planes.dat, and the Script Maker's folder list moves there. Going back, or a cancelled
  // chooser, keeps the folder, the edits and both files as they were.
  void switchingFolderSettlesPendingEdits_data() {
    QTest::addColumn<bool>("scriptMakerOpened");  // edits then wait for a question
    QTest::addColumn<QString>("answer");          // to that question
    QTest::addColumn<bool>("chooserCancelled");
    QTest::addColumn<bool>("switched");
    QTest::addColumn<bool>("savedInOld");
    QTest::newRow("edits saved by themselves") << false << "" << false << true << true;
    QTest::newRow("Save to planes.dat") << true << "Save to planes.dat" << false << true << true;
    QTest::newRow("Discard") << true << "Discard" << false << true << false;
    QTest::newRow("Go back") << true << "Go back" << false << false << false;
    QTest::newRow("Cancel in the chooser") << false << "" << true << false << false;
  }
  void switchingFolderSettlesPendingEdits() {
    QFETCH(bool, scriptMakerOpened);
    QFETCH(QString, answer);
    QFETCH(bool, chooserCancelled);
    QFETCH(bool, switched);
    QFETCH(bool, savedInOld);
    test::DataFolder newer;
    QByteArray bytes = newer.bytes();
    bytes[int(record::bytePosition(3, 20) - 1)] = char(123);
    newer.setBytes(bytes);
    const QByteArray newBytes = newer.bytes();
    test::DataFolder old;
    const QByteArray oldBytes = old.bytes();
    app::rememberGameFolder(pathOf(old.path()));

    test::RecordingPrompter prompter;
    if (!answer.isEmpty()) prompter.choices = {answer};
    app::MainWindow window(pathOf(old.path()));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const auto& c = window.controls();
    QListWidget* list = c.List1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(3)).center());
    QCOMPARE(window.openSlot(), 3);
    c.Text8->setFocus();
    c.Text8->selectAll();
    QTest::keyClicks(c.Text8, "1950");
    if (scriptMakerOpened) {
      QTest::mouseClick(c.Command2, Qt::LeftButton);
      QTest::mouseClick(c.Command5, Qt::LeftButton);
    }
    ChooserAnswers chooser({chooserCancelled ? QString() : newer.path()});
    QTest::keyClick(c.Text8, Qt::Key_G, Qt::ControlModifier);
    QTRY_COMPARE(chooser.titles.size(), 1);

    QCOMPARE(prompter.questions.size(), scriptMakerOpened ? 1 : 0);
    QCOMPARE(prompter.errors, QStringList{});
    QByteArray expectedOld = oldBytes;
    if (savedInOld) {
      expectedOld[int(record::bytePosition(3, 9) - 1)] = char(1950 % 256);
      expectedOld[int(record::bytePosition(3, 10) - 1)] = char(1950 / 256);
    }
    QCOMPARE(old.bytes(), expectedOld);
    QCOMPARE(newer.bytes(), newBytes);
    // The new folder's record starts with a history of its own: Ctrl+Z brings nothing of the
    // old file's edits into it.
    if (switched) QTest::keyClick(c.Text8, Qt::Key_Z, Qt::ControlModifier);
    const QString folder = switched ? newer.path() : old.path();
    QCOMPARE(c.Label18->caption(), folder);
    QCOMPARE(c.Dir1->path(), folder);
    QCOMPARE(textOf(app::rememberedGameFolder()), folder);
    QCOMPARE(window.openSlot(), 3);
    const QByteArray& shown = switched ? newBytes : oldBytes;
    const auto byte = [&shown](int row) {
      return int(quint8(shown[int(record::bytePosition(3, row) - 1)]));
    };
    QCOMPARE(c.G1->textMatrix(20, record::kValueColumn), QString::number(byte(20)));
    QCOMPARE(c.Text8->text().trimmed(),
             switched ? QString::number(byte(9) + 256 * byte(10)) : QString("1950"));
    QDir::setCurrent(newer.path());
  }

  // The window shows Tolvane's own icon, built into the program.
  void windowHasItsIcon() {
    QTemporaryDir start;
    app::MainWindow window(pathOf(start.path()));
    const QImage image = window.windowIcon().pixmap(128, 128).toImage();
    QVERIFY(!image.isNull());
    // The sky of the icon's background, blue above the byte cells.
    const QColor sky = image.pixelColor(64, 12);
    QVERIFY2(sky.alpha() == 255 && sky.blue() > sky.red() + 50, qPrintable(sky.name()));
    QCOMPARE(image.pixelColor(1, 1).alpha(), 0);  // outside the rounded square
  }

  // A game folder whose name is not UTF-8 (Latin-1 "Jäger", byte 0xE4): given on the command
  // line it is found, remembered, and comes back from the settings as the same bytes; a
  // message shows the byte as U+FFFD.
  void folderNameThatIsNotUtf8IsKeptByteForByte() {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string jaeger = base + "/J\xe4ger";
    QVERIFY(fs::create_directory(jaeger));
    QVERIFY(std::ofstream(jaeger + "/PLANES.DAT").good());

    std::string program = "tolvane";
    std::string argument = jaeger;
    char* argv[] = {program.data(), argument.data()};
    const app::CommandLine line =
        app::parseCommandLine(script::argumentTexts(2, argv), pathOf(dir.path()));
    QVERIFY2(line.error.isEmpty(), qPrintable(line.error));
    QCOMPARE(line.folder.native(), jaeger);

    const app::StartFolder start = app::startFolder(line, pathOf(dir.path()));
    QCOMPARE(start.folder.native(), jaeger);
    QCOMPARE(app::rememberedGameFolder().native(), jaeger);
    // Started later elsewhere without PATH: the remembered folder, and its planes.dat in it.
    QSettings().sync();
    const app::StartFolder later = app::startFolder({}, pathOf(dir.path()));
    QCOMPARE(later.folder.native(), jaeger);
    QVERIFY(!later.offerChooser);
    const record::Located located = record::locateDataFile(later.folder);
    QVERIFY2(located.ok(), located.error.c_str());
    QCOMPARE(located.path.native(), jaeger + "/PLANES.DAT");

    std::string missing = jaeger + "/nothing";
    char* argvMissing[] = {program.data(), missing.data()};
    const app::CommandLine refused =
        app::parseCommandLine(script::argumentTexts(2, argvMissing), pathOf(dir.path()));
    QVERIFY2(refused.error.contains(QStringLiteral("J\uFFFDger/nothing")),
             qPrintable(refused.error));
  }

  // A folder remembered as text by an earlier version is still found.
  void folderRememberedAsTextIsRead() {
    QTemporaryDir dir;
    QSettings().setValue("gameFolder", dir.filePath("Jäger"));
    QCOMPARE(textOf(app::rememberedGameFolder()), dir.filePath("Jäger"));
  }

  // A chooser shows a byte that is not UTF-8 as U+FFFD and returns it so: the folder that reads
  // the same is taken with its own bytes; when two folders read the same, neither is guessed.
  void chooserResultGetsTheFolderBytesBack_data() {
    QTest::addColumn<QByteArrayList>("folders");  // Latin-1 names made in a fresh folder
    QTest::addColumn<QString>("chosen");          // as the chooser returns it
    QTest::addColumn<QByteArray>("expected");     // Latin-1 name taken; empty: none guessed
    QTest::newRow("one folder reads so")
        << QByteArrayList{"J\xe4ger"} << QStringLiteral("J\uFFFDger/sub") << QByteArray("J\xe4ger");
    QTest::newRow("two folders read so") << QByteArrayList{"J\xe4ger", "J\xf6ger"}
                                         << QStringLiteral("J\uFFFDger/sub") << QByteArray();
  }
  void chooserResultGetsTheFolderBytesBack() {
    QFETCH(QByteArrayList, folders);
    QFETCH(QString, chosen);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    for (const QByteArray& name : folders) {
      const std::string folder = base + "/" + name.toStdString();
      QVERIFY(fs::create_directory(folder));
      QVERIFY(fs::create_directory(folder + "/sub"));
    }
    const fs::path taken = script::pathFromDialogText(dir.path() + "/" + chosen);
    if (expected.isEmpty()) {
      QVERIFY(!fs::exists(taken));
    } else {
      QCOMPARE(taken.native(), base + "/" + expected.toStdString() + "/sub");
    }
  }
};

QTEST_MAIN(GameFolderTest)
#include "test_game_folder.moc"
