#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFont>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSessionManager>
#include <QSignalBlocker>
#include <QStringList>

#include "app/main_window_layout.h"
#include "app/record_session.h"
#include "app/signal_bridge.h"
#include "editors/byte_editor.h"
#include "editors/flag_editor.h"
#include "editors/gun_group_editor.h"
#include "editors/identity_editor.h"
#include "editors/performance_editor.h"
#include "editors/text_rules.h"
#include "record/charset.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "script/script_maker.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"
#include "ui/pick_list.h"
#include "ui/prompter.h"

namespace tolvane::app {
namespace {

using record::kLabelColumn;
using record::kRecordBytes;

const QString kTitle = QStringLiteral("Tolvane");

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  setObjectName("MainWindow");
  setWindowTitle(kTitle);
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(8);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);
  setFixedSize(twips(9900), twips(6795));

  // Start-up: nothing pending, the folder list at the current folder, the grid labelled and
  // both slot lists filled. Nothing is read from planes.dat until an aircraft is picked.
  const std::filesystem::path folder = std::filesystem::current_path();
  state_.recordModified = false;
  controls_ = createControls(this);
  ui::ByteGrid* grid = controls_.G1;
  for (int column = 0; column < record::kGridColumns; ++column) {
    grid->setColWidthTwips(column, record::kColumnWidthsTwips[column]);
  }
  for (int row = 1; row <= kRecordBytes; ++row) {
    grid->setTextMatrix(row, record::kByteNumberColumn, QString::number(row));
    grid->setTextMatrix(row, kLabelColumn, QString::fromStdString(record::rowLabel(row)));
  }

  byteEditor_ = std::make_unique<editors::ByteEditor>(controls_, state_);
  performanceEditor_ = std::make_unique<editors::PerformanceEditor>(controls_, state_);
  flagEditor_ = std::make_unique<editors::FlagEditor>(controls_, state_);
  identityEditor_ = std::make_unique<editors::IdentityEditor>(controls_, state_);
  gunGroupEditor_ = std::make_unique<editors::GunGroupEditor>(controls_, state_);
  scriptMaker_ = std::make_unique<script::ScriptMaker>(controls_, state_,
                                                       QString::fromStdString(folder.string()));
  session_ = std::make_unique<RecordSession>(controls_, state_, *identityEditor_, folder);

  connect(controls_.List1, &ui::PickList::picked, this, [this](int row) { session_->pick(row); });
  connect(controls_.Command3, &QPushButton::clicked, this, [this] { save(); });
}

MainWindow::~MainWindow() = default;

int MainWindow::openSlot() const {
  return session_->openSlot();
}

bool MainWindow::hasUnsavedChanges() const {
  return session_->hasUnsavedChanges();
}

bool MainWindow::save() {
  return session_->save();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (ending_ || session_->close()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindow::endWithoutQuestions() {
  if (ending_) return;
  ending_ = true;
  session_->closeWithoutQuestions();
  QApplication::quit();
}

void endWithTheSession(MainWindow& window) {
  auto* bridge = new SignalBridge(&window);
  QObject::connect(bridge, &SignalBridge::terminationRequested, &window,
                   [&window] { window.endWithoutQuestions(); });
  // The desktop session ending asks for the data first; after that the session manager ends
  // the program, so the edits that need no question are saved now.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager&) { window.session().closeWithoutQuestions(); });
}

}  // namespace tolvane::app
