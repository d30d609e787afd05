#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFont>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>

#include "app/main_window_layout.h"
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
#include "ui/dir_list.h"
#include "ui/prompter.h"

namespace tolvane::app {
namespace {

using record::kLabelColumn;
using record::kLoadedColumn;
using record::kPositionColumn;
using record::kRecordBytes;
using record::kValueColumn;

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

const QString kTitle = QStringLiteral("Tolvane");

}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(std::filesystem::current_path(), parent) {}

MainWindow::MainWindow(std::filesystem::path folder, QWidget* parent)
    : QWidget(parent), folder_(std::move(folder)) {
  setObjectName("MainWindow");
  setWindowTitle(kTitle);
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(8);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);
  setFixedSize(twips(9900), twips(6795));

  // Start-up: nothing pending, the folder list at the current folder, the grid labelled and
  // both slot lists filled. Nothing is read from planes.dat until an aircraft is picked.
  state_.recordModified = false;
  controls_ = createControls(this);
  ui::ByteGrid* grid = controls_.G1;
  for (int column = 0; column < record::kGridColumns; ++column) {
    grid->setColWidthTwips(column, record::kColumnWidthsTwips[column]);
  }
  for (int row = 1; row <= kRecordBytes; ++row) {
    grid->setTextMatrix(row, record::kByteNumberColumn, QString::number(row));
    grid->setTextMatrix(row, kLabelColumn, text(record::rowLabel(row)));
  }

  byteEditor_ = std::make_unique<editors::ByteEditor>(controls_, state_);
  performanceEditor_ = std::make_unique<editors::PerformanceEditor>(controls_, state_);
  flagEditor_ = std::make_unique<editors::FlagEditor>(controls_, state_);
  identityEditor_ = std::make_unique<editors::IdentityEditor>(controls_, state_);
  gunGroupEditor_ = std::make_unique<editors::GunGroupEditor>(controls_, state_);
  scriptMaker_ = std::make_unique<script::ScriptMaker>(controls_, state_,
                                                       QString::fromStdString(folder_.string()));

  connect(controls_.List1, &QListWidget::itemSelectionChanged, this,
          [this] { loadSelectedSlot(); });
  connect(controls_.Command3, &QPushButton::clicked, this, [this] { save(); });
}

MainWindow::~MainWindow() = default;

void MainWindow::setFolder(const std::filesystem::path& folder) {
  folder_ = folder;
  controls_.Dir1->setPath(QString::fromStdString(folder_.string()));
  controls_.Label18->setCaption(controls_.Dir1->path());
}

void MainWindow::restoreListSelection() {
  const QSignalBlocker blocker(controls_.List1);
  if (openSlot_ >= 0) {
    controls_.List1->setCurrentRow(openSlot_);
  } else {
    controls_.List1->setCurrentRow(-1);
    controls_.List1->clearSelection();
  }
}

void MainWindow::loadSelectedSlot() {
  const int slot = controls_.List1->currentRow();
  if (slot < 0 || slot >= record::kSlotCount) return;
  // Pending edits go into the record they were made in: the positions in the grid are still
  // those of the open slot. A failed save cancels the pick, so that nothing is lost.
  if (state_.recordModified) {
    if (!writeRecord()) {
      restoreListSelection();
      return;
    }
    state_.recordModified = false;
  }
  if (!loadSlot(slot)) restoreListSelection();
}

bool MainWindow::loadSlot(int slot) {
  // The record is read before anything of the window changes, so that a load that cannot
  // complete leaves the open record, its editors and its pending edits as they were.
  const record::Located located = record::locateDataFile(folder_);
  record::RecordRead read;
  if (located.ok()) read = record::readRecord(located.path, slot);
  if (!located.ok() || !read.ok()) {
    const QString reason = text(located.ok() ? read.error : located.error);
    ui::prompter().showError(
        kTitle, QStringLiteral("The aircraft \"%1\" (slot %2) cannot be loaded from planes.dat "
                               "in the folder \"%3\".\n\n%4")
                    .arg(QLatin1String(record::slotNames()[slot]))
                    .arg(slot)
                    .arg(QString::fromStdString(folder_.string()), reason));
    return false;
  }

  const editors::WindowControls& c = controls_;
  ui::ByteGrid* grid = c.G1;
  state_.recordModified = false;

  // The gun-group panel returns to "no group chosen".
  c.FGG->hide();
  c.FGC->hide();
  c.FGS->hide();
  c.Frame1->hide();
  c.Option4->clear();

  c.Label7->setCaption(editors::padded(slot) + QStringLiteral(".oaw"));

  const std::int64_t base = record::bytePosition(slot, 0);
  for (int k = 1; k <= kRecordBytes; ++k) {
    const QString byte = QString::number(read.bytes[k - 1]);
    grid->setTextMatrix(k, kLoadedColumn, byte);
    grid->setTextMatrix(k, kValueColumn, byte);
    grid->setTextMatrix(k, kPositionColumn, QString::number(base + k));
  }
  openSlot_ = slot;
  knownBytes_ = read.bytes;
  knownFirst_ = record::bytePosition(slot, 1);

  // The code: the characters of the loaded bytes 165 to 168, into the label cells and Text5.
  QString code;
  for (int row = 165; row <= 168; ++row) {
    const auto byte = static_cast<std::uint8_t>(grid->textMatrix(row, kLoadedColumn).toUInt());
    const QString character =
        QString::fromUcs4(std::u32string(1, record::charFromByte(byte)).c_str(), 1);
    grid->setTextMatrix(row, kLabelColumn, character);
    code += character;
  }
  c.Text5->setText(code);

  // Flag boxes from bytes 5 to 8, highest box first. Each box is set straight to its bit, so
  // that only a box whose state really changes raises its reaction (a box switched off and on
  // again would raise it twice): a record whose flags equal the boxes runs no reaction.
  auto showFlags = [&](int row, QCheckBox* const* boxes, int count) {
    const double value = editors::cellValue(grid, row);
    const auto bits = value >= 0 && value <= 255 ? static_cast<unsigned>(value) : 0u;
    for (int i = count - 1; i >= 0; --i) {
      boxes[i]->setCheckState(bits & (1u << i) ? Qt::Checked : Qt::Unchecked);
    }
  };
  showFlags(5, c.Check1.data(), 8);
  showFlags(6, c.Check2.data(), 8);
  showFlags(7, c.Check3.data(), 8);
  showFlags(8, c.Check4.data(), 6);

  c.Frame1->show();
  grid->setEnabled(true);

  // Year and crew.
  c.Text8->setText(
      editors::padded(editors::cellValue(grid, 10) * 256 + editors::cellValue(grid, 9)));
  c.Text7->setText(
      editors::padded(editors::cellValue(grid, 12) * 256 + editors::cellValue(grid, 11)));

  // Performance figures: unsigned 32-bit little-endian.
  for (int i = 0; i < 15; ++i) {
    const int first = 13 + 4 * i;
    const double value = editors::cellValue(grid, first) +
                         256.0 * editors::cellValue(grid, first + 1) +
                         65536.0 * editors::cellValue(grid, first + 2) +
                         16777216.0 * editors::cellValue(grid, first + 3);
    c.Text3[i]->setText(editors::padded(value));
  }

  // Gun-group count, exactly as the cell holds it.
  c.Text6->setText(grid->textMatrix(85, kValueColumn));

  // Distance and speed captions.
  performanceEditor_->refreshLoadCaptions();

  state_.recordModified = false;
  return true;
}

QString MainWindow::rowDescription(int row) const {
  const QString label = controls_.G1->textMatrix(row, kLabelColumn);
  return label.trimmed().isEmpty()
             ? QStringLiteral("byte %1").arg(row)
             : QStringLiteral("byte %1 (\"%2\")").arg(row).arg(label.trimmed());
}

bool MainWindow::writeRecord() {
  ui::ByteGrid* grid = controls_.G1;
  // Nothing loaded yet: there is no record to write to, and planes.dat is not opened.
  bool anyPosition = false;
  for (int row = 1; row <= kRecordBytes && !anyPosition; ++row) {
    anyPosition = !grid->textMatrix(row, kPositionColumn).isEmpty();
  }
  if (!anyPosition) return true;

  // Every row is checked before the file is opened; the first bad one is reported.
  record::RecordBytes bytes{};
  std::int64_t first = 0;
  for (int row = 1; row <= kRecordBytes; ++row) {
    const QString positionText = grid->textMatrix(row, kPositionColumn);
    const auto position = record::cellPosition(positionText.toStdString());
    if (row == 1 && position) first = *position;
    const bool slotStart =
        row != 1 || (position && *position >= record::bytePosition(0, 1) &&
                     (*position - record::bytePosition(0, 1)) % record::kSlotBlockBytes == 0 &&
                     *position <= record::bytePosition(29, 1));
    if (!position || !slotStart || *position != first + row - 1) {
      grid->setTopRow(row);
      ui::prompter().showError(
          kTitle, QStringLiteral("Nothing was saved: the position of %1 is \"%2\", which is not "
                                 "where this record lies in planes.dat.")
                      .arg(rowDescription(row), positionText));
      return false;
    }
    const QString valueText = grid->textMatrix(row, kValueColumn);
    const auto byte = record::cellByte(valueText.toStdString());
    if (!byte) {
      grid->setTopRow(row);
      ui::prompter().showError(
          kTitle, QStringLiteral("Nothing was saved: %1 holds \"%2\", which is not a whole "
                                 "number from 0 to 255. Correct it (it is marked red in the "
                                 "grid) and save again.")
                      .arg(rowDescription(row), valueText));
      return false;
    }
    bytes[static_cast<std::size_t>(row - 1)] = *byte;
  }

  const record::Located located = record::locateDataFile(folder_);
  if (!located.ok()) {
    ui::prompter().showError(kTitle,
                             QStringLiteral("The record was not saved: nothing was written.\n\n%1")
                                 .arg(text(located.error)));
    return false;
  }
  // Another program may have changed this aircraft since it was loaded: the bytes now in the
  // file are compared with those this window last read or wrote there (the loaded values, or
  // the record of an earlier save that was not followed by a reload), and the user decides
  // whether to overwrite them.
  const record::RecordRead current = record::readRecordAt(located.path, first);
  if (!current.ok()) {
    ui::prompter().showError(kTitle,
                             QStringLiteral("The record was not saved: nothing was written.\n\n%1")
                                 .arg(text(current.error)));
    return false;
  }
  QStringList changedByOthers;
  for (int row = 1; row <= kRecordBytes; ++row) {
    const auto i = static_cast<std::size_t>(row - 1);
    const auto known = first == knownFirst_
                           ? std::optional<std::uint8_t>(knownBytes_[i])
                           : record::cellByte(grid->textMatrix(row, kLoadedColumn).toStdString());
    const std::uint8_t now = current.bytes[i];
    if (!known || *known != now) {
      changedByOthers << QStringLiteral("%1: was %2, now %3")
                             .arg(rowDescription(row), known ? QString::number(*known)
                                                             : grid->textMatrix(row, kLoadedColumn))
                             .arg(now);
    }
  }
  if (!changedByOthers.isEmpty()) {
    const int shown = 8;
    QString list = QStringList(changedByOthers.mid(0, shown)).join(QLatin1Char('\n'));
    if (changedByOthers.size() > shown) {
      list += QStringLiteral("\n... and %1 more").arg(changedByOthers.size() - shown);
    }
    const bool overwrite = ui::prompter().ask(
        kTitle,
        QStringLiteral("Another program has changed this aircraft in \"%1\" since Tolvane "
                       "loaded it (%2 of its bytes differ):\n\n%3\n\nOverwrite the file's "
                       "bytes with the values in the grid, or keep them and save nothing?")
            .arg(text(located.path.string()))
            .arg(changedByOthers.size())
            .arg(list),
        QStringLiteral("Overwrite"), QStringLiteral("Keep the file's bytes"));
    if (!overwrite) return false;
  }

  const record::WriteResult written = writer_.write(located.path, first, bytes);
  if (!written.ok()) {
    // A write or flush that failed may still have changed the file (a flush fails after the
    // bytes went in): what it holds now is this window's doing, not another program's, and
    // saving again must not ask about it.
    const record::RecordRead after = record::readRecordAt(located.path, first);
    if (after.ok()) knownBytes_ = after.bytes;
    ui::prompter().showError(kTitle, text(written.error));
    return false;
  }

  // The record is read back through a fresh open; what the file holds must be what was
  // written, or the user is told that the save did not take.
  const record::RecordRead back = record::readRecordAt(located.path, first);
  QStringList mismatches;
  if (back.ok()) {
    for (int row = 1; row <= kRecordBytes; ++row) {
      const auto i = static_cast<std::size_t>(row - 1);
      if (back.bytes[i] != bytes[i]) {
        mismatches << QStringLiteral("%1: written %2, read back %3")
                          .arg(rowDescription(row))
                          .arg(bytes[i])
                          .arg(back.bytes[i]);
      }
    }
  }
  // From here on the window knows the record as read back (or, when it could not be read, as
  // written), so that saving again does not take this write for another program's change.
  knownBytes_ = back.ok() ? back.bytes : bytes;
  knownFirst_ = first;
  if (!back.ok() || !mismatches.isEmpty()) {
    ui::prompter().showError(
        kTitle,
        QStringLiteral("The record was written to \"%1\", but reading it back does not give "
                       "the bytes written, so it may not be saved. Save again, and check the "
                       "file.\n\n%2")
            .arg(text(located.path.string()),
                 back.ok() ? QStringList(mismatches.mid(0, 8)).join(QLatin1Char('\n'))
                           : text(back.error)));
    return false;
  }
  return true;
}

bool MainWindow::save() {
  if (!writeRecord()) return false;
  state_.recordModified = false;
  // The record is read back, so that the grid and every editor show what the file holds.
  const int slot = controls_.List1->currentRow();
  if (slot >= 0 && !loadSlot(slot)) restoreListSelection();
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!state_.recordModified || writeRecord()) {
    state_.recordModified = false;
    event->accept();
    return;
  }
  const bool discard = ui::prompter().ask(
      kTitle,
      QStringLiteral("The changes to this aircraft could not be saved (see the previous "
                     "message). Close Tolvane and lose them, or go back to the editor?"),
      QStringLiteral("Close and lose the changes"), QStringLiteral("Go back to the editor"));
  if (discard)
    event->accept();
  else
    event->ignore();
}

}  // namespace tolvane::app
