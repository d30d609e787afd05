#include <QCoreApplication>

#include "app/window_loader.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  // The names place the remembered game folder in the user's settings.
  QCoreApplication::setOrganizationName(QStringLiteral("Tolvane"));
  QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
  // A subcommand (show, diff, apply, export) runs before any window exists and needs no
  // display, nor Qt's GUI libraries; anything else opens the window, from its own library.
  if (tolvane::cli::isSubcommand(argc, argv)) return tolvane::cli::runSubcommand(argc, argv);
  return tolvane::app::runWindow(argc, argv);
}
