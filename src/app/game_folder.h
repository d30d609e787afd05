// The game folder Tolvane works in: taken from the command line (`tolvane [PATH]`), else the
// current folder, else the folder used last time, else chosen by the user.
#pragma once

#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <filesystem>

namespace tolvane::app {

class MainWindow;

// What the command line asks for.
struct CommandLine {
  bool exit = false;  // answer on the terminal and end without opening a window
  int exitCode = 0;
  // The arguments were refused, but hold what may be one of Qt's own options (-platform,
  // -style...), which only the application object takes out of the arguments.
  bool mayHoldQtOptions = false;
  QString output;                       // for standard output (--help, --version)
  QString error;                        // for standard error: what is wrong with the command line
  std::filesystem::path folder;         // the game folder PATH named; empty when it named none
  std::filesystem::path scriptToApply;  // the aircraft script (.oaw) PATH named, if any
};

// Reads the arguments (the program's name first). PATH may be the game's folder, its
// planes.dat in any letter case, or an aircraft script; a relative PATH is taken from
// currentFolder. A PATH that does not exist, or a folder without planes.dat, is an error.
// Uses the application's name and version for --version.
CommandLine parseCommandLine(const QStringList& arguments,
                             const std::filesystem::path& currentFolder);

// Whether a folder holds a file named planes.dat in any letter case.
bool holdsDataFile(const std::filesystem::path& folder);

// The folder the window starts in, and whether the user should be offered a chooser because
// neither the command line, the current folder nor the remembered folder gives a planes.dat.
struct StartFolder {
  std::filesystem::path folder;
  bool offerChooser = false;
};
// Remembers the folder it settles on when that holds a planes.dat.
StartFolder startFolder(const CommandLine& line, const std::filesystem::path& currentFolder);

// The last game folder used (QSettings), or an empty path.
std::filesystem::path rememberedGameFolder();
void rememberGameFolder(const std::filesystem::path& folder);

// The window's entry that opens the folder chooser, and its shortcut.
inline const QString kChooseFolderEntry = QStringLiteral("Choose the game folder...");
inline const QKeySequence kChooseFolderShortcut = QKeySequence(Qt::CTRL | Qt::Key_G);
// One sentence telling the user how to reach the chooser, for messages about a missing
// planes.dat.
QString howToChooseGameFolder();

// Asks for the game folder ("Choose the game folder") until the user picks one that holds a
// planes.dat, or cancels. A folder without planes.dat is explained and the chooser opens
// again. A pick first settles the open record's pending edits (saved, or asked about as a
// pick of another aircraft asks); going back there leaves everything as it was. Then the
// window works on that folder, and the choice is remembered. Returns whether a folder was
// taken.
bool chooseGameFolder(MainWindow& window);

// What the window does once it is on screen: offers the chooser when no planes.dat is at
// hand, then previews the aircraft script named on the command line. A script whose chooser
// was cancelled is not applied, and the user is told so.
void beginWork(MainWindow& window, bool offerChooser, const std::filesystem::path& script);

// The whole run: reads the command line, answers --help and --version or reports a bad PATH
// on the terminal (without needing a display), otherwise opens the window on the game folder
// and runs the event loop. Returns the process's exit code.
int run(int& argc, char** argv);

}  // namespace tolvane::app
