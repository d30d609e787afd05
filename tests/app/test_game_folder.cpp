// The game folder: what `tolvane [PATH]` makes of its arguments, which folder the window
// starts in, and the chooser offered when no planes.dat is at hand.
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
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
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

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
                        << "planes.dat (any letter case)";
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
    QVERIFY2(line.output.contains(expected), qPrintable(line.output));
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
    }
    QDir::setCurrent(game.path());
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
        app::parseCommandLine(app::argumentTexts(2, argv), pathOf(dir.path()));
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
        app::parseCommandLine(app::argumentTexts(2, argvMissing), pathOf(dir.path()));
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
