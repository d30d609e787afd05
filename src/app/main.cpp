#include <QCoreApplication>

#include "app/game_folder.h"

int main(int argc, char** argv) {
  // The names place the remembered game folder in the user's settings.
  QCoreApplication::setOrganizationName(QStringLiteral("Tolvane"));
  QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
  return tolvane::app::run(argc, argv);
}
