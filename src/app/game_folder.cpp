#include "app/game_folder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <system_error>

#include "app/main_window.h"
#include "app/startup_prefetch.h"
#include "record/record_file.h"
#include "script/native_path.h"
#include "ui/prompter.h"

namespace tolvane::app {
namespace {

namespace fs = std::filesystem;

const QString kFolderKey = QStringLiteral("gameFolder");

// Paths become text and back without losing a byte (see native_path.h): a folder whose name
// is not UTF-8 is still the same folder after the command line, the settings and a message.
fs::path toPath(const QString& s) {
  return script::pathFromText(s);
}

QString toText(const fs::path& p) {
  return script::textFromPath(p);
}

// A message of the record layer, which quotes paths as their bytes, shown with U+FFFD for a
// byte that is not UTF-8.
QString messageText(const std::string& message) {
  return script::displayPath(script::textFromNative(message));
}

bool isDataFileName(const fs::path& p) {
  return toText(p.filename()).compare(QLatin1String(record::kDataFileName), Qt::CaseInsensitive) ==
         0;
}

bool isScriptName(const fs::path& p) {
  return toText(p.filename()).endsWith(QLatin1String(".oaw"), Qt::CaseInsensitive);
}

// Whether an argument names one of the options QApplication takes for itself.
bool isQtOption(const QString& argument) {
  static const QStringList names = {"platform",
                                    "platformpluginpath",
                                    "platformtheme",
                                    "plugin",
                                    "qwindowgeometry",
                                    "qwindowicon",
                                    "qwindowtitle",
                                    "reverse",
                                    "session",
                                    "display",
                                    "geometry",
                                    "title",
                                    "name",
                                    "visual",
                                    "ncols",
                                    "cmap",
                                    "nograb",
                                    "dograb",
                                    "sync",
                                    "style",
                                    "stylesheet",
                                    "widgetcount",
                                    "qmljsdebugger",
                                    "fn",
                                    "font",
                                    "bg",
                                    "background",
                                    "fg",
                                    "foreground",
                                    "btn",
                                    "button",
                                    "im",
                                    "inputstyle",
                                    "testability"};
  if (!argument.startsWith(QLatin1Char('-'))) return false;
  QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
  name = name.section(QLatin1Char('='), 0, 0);
  return names.contains(name);
}

// The game folder of a folder PATH, or the error that goes to the terminal.
CommandLine folderOf(const fs::path& folder) {
  CommandLine line;
  const record::Located located = record::locateDataFile(folder);
  if (located.ok()) {
    line.folder = folder;
  } else {
    line.error = messageText(located.error);
  }
  return line;
}

// What a PATH names: the game folder (given as the folder or as its planes.dat), or an
// aircraft script; anything else is an error.
CommandLine resolvePath(const QString& argument, const fs::path& currentFolder) {
  CommandLine line;
  if (argument.isEmpty()) {
    line.error = QStringLiteral("The PATH is empty; give the game's folder or its planes.dat.");
    return line;
  }
  fs::path path = toPath(argument);
  if (path.is_relative()) path = currentFolder / path;
  path = path.lexically_normal();
  // A trailing separator ("game/") leaves an empty file name; the folder is what was meant.
  if (path.filename().empty() && path.has_parent_path()) path = path.parent_path();
  const QString shown = QStringLiteral("\"%1\"").arg(script::displayPath(argument));

  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (fs::is_directory(status)) return folderOf(path);
  if (fs::exists(status)) {
    if (isDataFileName(path)) {
      line = folderOf(path.parent_path());
    } else if (isScriptName(path) && fs::is_regular_file(status)) {
      line.scriptToApply = path;
    } else {
      line.error =
          QStringLiteral("%1 is neither a folder, nor planes.dat, nor an aircraft script (.oaw).")
              .arg(shown);
    }
    return line;
  }
  // planes.dat typed in another letter case than the file's own: its folder is meant.
  if (isDataFileName(path) && holdsDataFile(path.parent_path())) {
    return folderOf(path.parent_path());
  }
  line.error = ec && ec != std::errc::no_such_file_or_directory
                   ? QStringLiteral("%1 cannot be examined: %2.")
                         .arg(shown, QString::fromStdString(ec.message()))
                   : QStringLiteral("%1 does not exist.").arg(shown);
  return line;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments, const fs::path& currentFolder) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Edits the aircraft records of planes.dat, the aircraft data file of the game.\n\n"
      "Without a window: tolvane show, tolvane diff, tolvane apply and tolvane export\n"
      "(tolvane COMMAND --help for each; man tolvane)."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument(
      QStringLiteral("PATH"),
      QStringLiteral(
          "One of:\n"
          "- the game's folder, which holds planes.dat;\n"
          "- that planes.dat itself (any letter case);\n"
          "- an aircraft script (.oaw), shown as a preview and applied to the open aircraft "
          "once accepted.\n"
          "Without a folder or planes.dat, Tolvane works on planes.dat in the current folder, "
          "else in the game folder used last time (remembered in %1), else it asks for the "
          "game folder. \"%2\" (%3) in the window's right-click menu chooses another one.")
          .arg(QSettings().fileName(), kChooseFolderEntry,
               kChooseFolderShortcut.toString(QKeySequence::NativeText)),
      QStringLiteral("[PATH]"));

  CommandLine line;
  const QString program = arguments.isEmpty()
                              ? QStringLiteral("tolvane")
                              : script::displayPath(toText(toPath(arguments[0]).filename()));
  const QString tryHelp = QStringLiteral("\nTry '%1 --help' for more information.").arg(program);
  if (!parser.parse(arguments)) {
    line.exit = true;
    line.exitCode = 2;
    line.mayHoldQtOptions = std::any_of(arguments.begin() + 1, arguments.end(), isQtOption);
    line.error = parser.errorText() + tryHelp;
    return line;
  }
  if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
    line.exit = true;
    // The usage line names the program as it was started, also before the application
    // object (which Qt takes the name from) exists.
    line.output = parser.helpText();
    const QString usage = QStringLiteral("Usage: ");
    const qsizetype end = line.output.indexOf(QLatin1String(" [options]"));
    if (line.output.startsWith(usage) && end > usage.size()) {
      line.output.replace(usage.size(), end - usage.size(), program);
    }
    return line;
  }
  if (parser.isSet(version)) {
    line.exit = true;
    line.output = QCoreApplication::applicationName() + QLatin1Char(' ') +
                  QCoreApplication::applicationVersion() + QLatin1Char('\n');
    return line;
  }
  const QStringList paths = parser.positionalArguments();
  if (paths.size() > 1) {
    line.exit = true;
    line.exitCode = 2;
    line.error =
        QStringLiteral("Only one PATH can be given; there are %1.").arg(paths.size()) + tryHelp;
    return line;
  }
  if (paths.isEmpty()) return line;
  line = resolvePath(paths.front(), currentFolder);
  if (!line.error.isEmpty()) {
    line.exit = true;
    line.exitCode = 1;
  }
  return line;
}

bool holdsDataFile(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (isDataFileName(it->path())) return true;
  }
  return false;
}

// The folder is remembered as its bytes when its name is not UTF-8 (text in the settings file
// could not hold them), and as text otherwise, as earlier versions wrote it.
fs::path rememberedGameFolder() {
  const QVariant value = QSettings().value(kFolderKey);
  if (value.typeId() == QMetaType::QByteArray) return fs::path(value.toByteArray().toStdString());
  return toPath(value.toString());
}

void rememberGameFolder(const fs::path& folder) {
  QSettings settings;
  const fs::path absolute = fs::absolute(folder);
  const QString text = toText(absolute);
  if (script::hasUnpairedSurrogate(text)) {
    settings.setValue(kFolderKey, QByteArray::fromStdString(absolute.native()));
  } else {
    settings.setValue(kFolderKey, text);
  }
}

StartFolder startFolder(const CommandLine& line, const fs::path& currentFolder) {
  StartFolder start;
  if (!line.folder.empty()) {
    start.folder = line.folder;
  } else if (holdsDataFile(currentFolder)) {
    start.folder = currentFolder;
  } else {
    const fs::path remembered = rememberedGameFolder();
    if (!remembered.empty() && holdsDataFile(remembered)) return {remembered, false};
    return {currentFolder, true};
  }
  rememberGameFolder(start.folder);
  return start;
}

QString howToChooseGameFolder() {
  return QStringLiteral(
             "To work on another game folder, press %1 or right-click the window and "
             "choose \"%2\".")
      .arg(kChooseFolderShortcut.toString(QKeySequence::NativeText), kChooseFolderEntry);
}

bool chooseGameFolder(MainWindow& window) {
  const QString title = QStringLiteral("Choose the game folder");
  QString from = QDir::homePath();
  for (;;) {
    const QString chosen = ui::prompter().chooseFolder(title, from);
    if (chosen.isEmpty()) return false;
    const fs::path folder = script::pathFromDialogText(chosen);
    const record::Located located = record::locateDataFile(folder);
    if (located.ok()) {
      // Pending edits are settled before the switch; going back keeps the folder as it was.
      if (!window.switchFolder(folder)) return false;
      rememberGameFolder(folder);
      return true;
    }
    ui::prompter().showError(
        QStringLiteral("Tolvane"),
        messageText(located.error) + QStringLiteral("\n\nChoose the folder that holds the game's "
                                                    "planes.dat."));
    from = chosen;
  }
}

void beginWork(MainWindow& window, bool offerChooser, const fs::path& script) {
  const bool chosen = offerChooser && chooseGameFolder(window);
  if (offerChooser) {
    // The chooser gone, the keyboard is back in the window, on the list of aircraft.
    window.activateWindow();
    window.controls().List1->setFocus(Qt::OtherFocusReason);
  }
  if (offerChooser && !chosen && !script.empty()) {
    ui::prompter().showError(
        QStringLiteral("Apply an aircraft script"),
        QStringLiteral("The aircraft script \"%1\" was not applied: no game folder with a "
                       "planes.dat was chosen.\n\n%2 Then apply the script with %3.")
            .arg(script::displayPath(toText(script)), howToChooseGameFolder(),
                 QKeySequence(QKeySequence::Open).toString(QKeySequence::NativeText)));
    return;
  }
  if (!script.empty()) window.applyScriptFile(toText(script));
}

namespace {

int answerOnTerminal(const CommandLine& line, const QStringList& arguments) {
  if (!line.output.isEmpty()) std::fputs(line.output.toLocal8Bit().constData(), stdout);
  if (!line.error.isEmpty()) {
    const QString program = script::displayPath(toText(toPath(arguments.value(0)).filename()));
    std::fprintf(stderr, "%s: %s\n", program.toLocal8Bit().constData(),
                 line.error.toLocal8Bit().constData());
  }
  return line.exitCode;
}

}  // namespace

int run(int& argc, char** argv) {
  std::error_code ec;
  fs::path current = fs::current_path(ec);
  if (ec) current = toPath(QDir::homePath());
  const QStringList arguments = script::argumentTexts(argc, argv);
  CommandLine line = parseCommandLine(arguments, current);
  if (line.exit && !line.mayHoldQtOptions) return answerOnTerminal(line, arguments);

  // The window will lay out text: fontconfig reads its configuration meanwhile.
  StartupWork fonts(readFontConfiguration);
  QApplication application(argc, argv);
  fonts.finish();
  const StartupWork images(loadImageFormatPlugins);
  if (line.exit) {
    // The application has taken its own options out of argv; what is left must be ours.
    const QStringList left = script::argumentTexts(argc, argv);
    line = parseCommandLine(left, current);
    if (line.exit) return answerOnTerminal(line, left);
  }
  const StartFolder start = startFolder(line, current);
  MainWindow window(start.folder);
  endWithTheSession(window);
  window.show();
  window.prepareViewsWhenIdle();
  // Once the window is on screen: the chooser, before anything can be picked, then the
  // preview of an aircraft script named on the command line (opened from a file manager),
  // which needs the game folder's planes.dat.
  if (start.offerChooser || !line.scriptToApply.empty()) {
    QTimer::singleShot(0, &window,
                       [&window, offer = start.offerChooser, script = line.scriptToApply] {
                         beginWork(window, offer, script);
                       });
  }
  return QApplication::exec();
}

}  // namespace tolvane::app
