// The byte grid: 169 rows by 5 columns of text cells over a Qt table view. Row 0 is the fixed
// header row (shown as the view's empty header). Columns 0 and 1 are fixed columns: a second
// view over the same cells lies on top of them and scrolls only up and down, so they stay in
// place while columns 2 to 4 scroll sideways under them. Value cells are coloured from their
// text: red when saving would refuse them, yellow when they differ from the loaded value.
// Only the left mouse button selects and clicks; the keyboard's arrows move inside the grid
// and Tab leaves it.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>
#include <QVector>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "record/record_document.h"

namespace tolvane::ui {

// The grid's cells over a record document: the value column shows the document's values and
// writes into them, the loaded column and the code's label cells show the bytes the document
// knows the file to hold, and the position column where the open record lies. The other
// columns are plain text cells. Until a document is given the model works on one of its own.
class ByteGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  ByteGridModel(int rows, int columns, QObject* parent = nullptr);
  ~ByteGridModel() override;

  void setDocument(std::shared_ptr<record::RecordDocument> document);
  record::RecordDocument& document() const { return *document_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const QString& text(int row, int column) const;
  // Replaces a cell's text; returns false when the text was already that. A value cell of a
  // record row is the document's value: the write goes there, by the user's hand.
  bool setText(int row, int column, const QString& text);

  // The byte a loaded or value cell holds as saving reads it; nothing when the text is not
  // one. Kept beside the text, so that painting and checks do not parse it again.
  std::optional<std::uint8_t> byte(int row, int column) const;

  // Between these, writes report their cells' change to the views once, at the end, as one
  // block of rows (a load writes all 168 rows). Each write to a value cell still raises
  // valueTextChanged at once. Batches nest; the outermost end reports.
  void beginBatch();
  void endBatch();

 signals:
  // A value cell's text changed (raised after the change, with the text it had before).
  void valueTextChanged(int row, const QString& before, const QString& after);

 private:
  void reportChanged(int firstRow, int firstColumn, int lastRow, int lastColumn);
  // A cell of a column that is not the document's.
  bool setPlainText(int row, int column, const QString& text);
  void documentChanged(const record::RecordDocument::Change& change);
  std::shared_ptr<record::RecordDocument> document_;
  int listener_ = 0;
  int rows_;
  int columns_;
  QVector<QString> cells_;
  // Per row, the bytes of the loaded and value cells: 0..255, or -1 for a text saving refuses.
  std::vector<std::int16_t> loadedBytes_;
  std::vector<std::int16_t> valueBytes_;
  int batchDepth_ = 0;
  // The block of cells changed during the batch (an empty block while firstRow > lastRow).
  int batchFirstRow_ = 0, batchLastRow_ = -1, batchFirstColumn_ = 0, batchLastColumn_ = -1;
};

class ByteGrid : public QTableView {
  Q_OBJECT
 public:
  explicit ByteGrid(QWidget* parent = nullptr);

  int rows() const;
  int cols() const;
  // Cell text by row and column; an index outside the grid reads as empty text.
  QString textMatrix(int row, int column) const;
  // Replaces a cell's text (an index outside the grid is ignored). Only that cell is redrawn.
  void setTextMatrix(int row, int column, const QString& text);

  // The row of the cell the user last selected (0 while none was).
  int row() const;
  // Makes a cell current, as a user's selection would, without raising a click.
  void setRow(int row);
  // Scrolls so that a row is the first data row on view, as far as the grid can scroll.
  void setTopRow(int row);
  int topRow() const;

  // The record document the grid shows and edits.
  void setDocument(std::shared_ptr<record::RecordDocument> document);
  record::RecordDocument& document() const;

  void setColWidthTwips(int column, int twips);
  void refresh();

  // Whether a value cell holds text that saving would refuse.
  bool valueCellRefused(int row) const;
  // The byte a row's value cell holds as saving reads it; nothing when it is not one (or the
  // row is outside the grid).
  std::optional<std::uint8_t> valueByte(int row) const;

  // Writes made while a Batch lives are redrawn together when it ends: one report to the
  // views instead of one per cell. The cells' texts change at once, and so does every
  // valueChanged.
  class Batch {
   public:
    explicit Batch(ByteGrid* grid);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    ByteGridModel* model_;
  };

  // Scrolls a cell into view, clear of the fixed columns; a fixed cell only up or down.
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 signals:
  // Raised when the user clicks a cell, after the current row has been set to its row.
  void cellClicked(int row, int column);
  // A value cell's text changed, by any writer.
  void valueChanged(int row, const QString& before, const QString& after);

 protected:
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  // A change of several cells redraws just their block, not the whole viewport.
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;

 private:
  void fitRowsToFont();
  // The label column takes the room the other columns leave, and never less than its widest
  // label: the byte-number column stays in view whenever the labels leave room for it.
  void fitLabelColumn();
  void placeFixedColumns();
  int fixedWidth() const;
  ByteGridModel* model_;
  QTableView* fixed_;
  int widestLabel_ = 0;
  bool fittingLabels_ = false;
};

}  // namespace tolvane::ui
