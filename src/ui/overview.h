// The whole file at a glance: a table of all 30 aircraft (slot, name, year, crew, the four
// speeds, gun groups, code) in the player's terms, as the command line's table gives them.
// The open aircraft's row is the record document's, unsaved values included and marked; the
// other rows are planes.dat as last read. A double-click or Enter on a row asks to open that
// aircraft in the window.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QIcon>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "record/fields.h"
#include "record/record_document.h"

class QLabel;
class QSortFilterProxyModel;
class QTableView;

namespace tolvane::ui {

class TextWidths;

// One row per slot, in slot order; sorting is left to a proxy, which sorts by SortRole: the
// stored number of a figure (so 90 mph comes before 100 mph), the name or code as text.
class OverviewModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column {
    SlotColumn,
    AircraftColumn,
    YearColumn,
    CrewColumn,
    MaxSpeedColumn,
    CruiseSpeedColumn,
    CornerSpeedColumn,
    StallSpeedColumn,
    GunGroupsColumn,
    CodeColumn,
    ColumnCount
  };
  static constexpr int SortRole = Qt::UserRole;

  // folder: where planes.dat is looked for at each refresh (the window's game folder).
  OverviewModel(std::shared_ptr<record::RecordDocument> document,
                std::function<std::filesystem::path()> folder, QObject* parent = nullptr);
  ~OverviewModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The field a column shows; null for the slot and aircraft columns.
  static const record::Field* fieldOfColumn(int column);

  // Reads the records of all 30 slots from planes.dat again.
  void refresh();
  // While live, a save, a load or a revert of the open record reads the file again (once,
  // when the event loop next runs); while not, the table is refreshed when it is shown and
  // reports no change of the document.
  void setLive(bool live);
  // The file the rows were read from, or why it could not be read (one of the two is empty).
  const std::string& file() const { return file_; }
  const std::string& error() const { return error_; }
  // The slot open in the window, whose row shows the document's values; -1 when none is.
  int openSlot() const { return document_->slot(); }

 signals:
  // The file was read again (refresh).
  void refreshed();

 private:
  // The bytes a row shows and whether they are the document's values.
  struct RowValues {
    record::RecordBytes bytes{};
    bool readable = false;
    bool open = false;
  };
  RowValues rowValues(int slot) const;
  QVariant cellData(int slot, int column, int role) const;
  void documentChanged(const record::RecordDocument::Change& change);
  void emitRowChanged(int slot);

  std::shared_ptr<record::RecordDocument> document_;
  std::function<std::filesystem::path()> folder_;
  int listener_ = 0;
  int shownOpen_ = -1;  // the slot the table last showed as the open one
  bool live_ = false;
  bool refreshQueued_ = false;
  std::array<std::optional<record::RecordBytes>, record::kSlotCount> records_{};
  std::array<std::string, record::kSlotCount> rowErrors_{};
  std::string file_;
  std::string error_;
};

// The overview's window: a short line naming the file above the sortable table. It is not
// modal, so that the main window stays usable beside it; Escape closes it.
class OverviewDialog : public QDialog {
  Q_OBJECT
 public:
  OverviewDialog(std::shared_ptr<record::RecordDocument> document,
                 std::function<std::filesystem::path()> folder, QWidget* parent = nullptr);
  ~OverviewDialog() override;

  OverviewModel* model() const { return model_; }
  QTableView* table() const { return table_; }
  // Reads planes.dat again, then shows the window raised and active, sized to the table.
  void present();
  // Makes the hidden window ready for its first present(), one small step a call (its style,
  // its native window, the file read, a column measured, the layout), so that the event
  // loop can run between them; returns whether a step was done (false: ready). present()
  // does what is left.
  bool prepareStep();
  // The slot of a row as the table shows it now (after sorting).
  int slotAtRow(int viewRow) const;

 signals:
  // The user asked to open an aircraft (double-click or Enter on its row).
  void openRequested(int slot);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void showSource();
  void fitToTable();
  // The width a column's values need, kept for fitToTable.
  void measureColumn(int column);
  // The room a cell needs around its text.
  int cellPadding() const;
  std::array<int, OverviewModel::ColumnCount> columnWidths_{};  // -1: not measured yet
  bool polished_ = false;
  bool presented_ = false;  // shown at least once
  QIcon fullIcon_;          // given back in a step of its own after the native window is made
  bool iconPending_ = false;
  bool prepared_ = false;
  // The texts the cells showed when they were last measured, slot by slot.
  std::array<QString, record::kSlotCount * OverviewModel::ColumnCount> shownTexts_;
  std::unique_ptr<TextWidths> widths_;  // in the table's font, bold
  OverviewModel* model_;
  QSortFilterProxyModel* proxy_;
  QTableView* table_;
  QLabel* source_;
  bool sized_ = false;
};

}  // namespace tolvane::ui
