#include <QCoreApplication>

#include "app/game_folder.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  // The names place the remembered game folder in the user's settings.
  QCoreApplication::setOrganizationName(QStringLiteral("Tolvane"));
  QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
  // A subcommand (show, diff, apply, export) runs before any window exists and needs no
  // display; anything else opens the window.
  if (tolvane::cli::isSubcommand(argc, argv)) return tolvane::cli::runSubcommand(argc, argv);
  return tolvane::app::run(argc, argv);
}
