#include "ui/byte_grid.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "record/layout.h"
#include "record/numbers.h"

namespace tolvane::ui {
namespace {

using record::kLoadedColumn;
using record::kPositionColumn;
using record::kValueColumn;

bool isFixedColumn(int column) {
  return column == kPositionColumn || column == kLoadedColumn;
}

// Draws a cell's text with a one-pixel margin, so that "6436" fits a 26-pixel column.
class CompactDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    QColor pen = option.palette.color(QPalette::Text);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (foreground.canConvert<QBrush>()) pen = foreground.value<QBrush>().color();
    if (selected) pen = option.palette.color(QPalette::HighlightedText);
    painter->setPen(pen);
    painter->drawText(option.rect.adjusted(1, 0, -1, 0), static_cast<int>(item.displayAlignment),
                      text);
    painter->restore();
  }
};

}  // namespace

ByteGridModel::ByteGridModel(int rows, int columns, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), columns_(columns), cells_(rows * columns) {}

int ByteGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ByteGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

const QString& ByteGridModel::text(int row, int column) const {
  return cells_[row * columns_ + column];
}

bool ByteGridModel::setText(int row, int column, const QString& text) {
  QString& cell = cells_[row * columns_ + column];
  if (cell == text) return false;
  const QString before = cell;
  cell = text;
  // The value cell's colour depends on the position, loaded and value cells of its row.
  const int first = column == kValueColumn || isFixedColumn(column) ? 0 : column;
  const int last = column == kValueColumn || isFixedColumn(column) ? kValueColumn : column;
  emit dataChanged(index(row, first), index(row, last));
  emit cellTextChanged(row, column, before, text);
  return true;
}

static bool refused(const QString& value, const QString& position) {
  if (value.isEmpty() && position.isEmpty()) return false;
  return !record::cellByte(value.toStdString()).has_value();
}

QVariant ByteGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = index.row();
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return text(row, column);
    case Qt::TextAlignmentRole:
      return column == record::kLabelColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                            : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
    case Qt::ForegroundRole:
    case Qt::ToolTipRole: {
      if (column != kValueColumn || row == 0) {
        if (role == Qt::BackgroundRole && isFixedColumn(column)) {
          return QBrush(QPalette().color(QPalette::Button));
        }
        return {};
      }
      const QString& value = text(row, kValueColumn);
      if (refused(value, text(row, kPositionColumn))) {
        if (role == Qt::BackgroundRole) return QBrush(QColor(200, 30, 30));
        if (role == Qt::ForegroundRole) return QBrush(Qt::white);
        return QStringLiteral("Saving refuses \"%1\": a byte must be a whole number from 0 to 255.")
            .arg(value);
      }
      const QString& loaded = text(row, kLoadedColumn);
      if (!loaded.isEmpty() &&
          record::cellByte(value.toStdString()) != record::cellByte(loaded.toStdString())) {
        if (role == Qt::BackgroundRole) return QBrush(QColor(255, 236, 140));
        if (role == Qt::ToolTipRole) {
          return QStringLiteral("Changed from %1; the next save writes it.").arg(loaded);
        }
      }
      return {};
    }
    default:
      return {};
  }
}

QVariant ByteGridModel::headerData(int, Qt::Orientation, int role) const {
  if (role == Qt::DisplayRole) return QString();
  return {};
}

Qt::ItemFlags ByteGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (isFixedColumn(index.column())) return Qt::ItemIsEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

ByteGrid::ByteGrid(QWidget* parent)
    : QTableView(parent), model_(new ByteGridModel(record::kGridRows, record::kGridColumns, this)) {
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  verticalHeader()->hide();
  // Row 0 is the fixed header row: the view's own header stands for it.
  setRowHidden(0, true);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setItemDelegate(new CompactDelegate(this));
  setTextElideMode(Qt::ElideNone);
  horizontalHeader()->setMinimumSectionSize(4);
  fitRowsToFont();
  connect(model_, &ByteGridModel::cellTextChanged, this,
          [this](int row, int column, const QString& before, const QString& after) {
            if (column == kValueColumn) emit valueChanged(row, before, after);
          });
  connect(this, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { emit cellClicked(index.row(), index.column()); });
}

int ByteGrid::rows() const {
  return model_->rowCount();
}
int ByteGrid::cols() const {
  return model_->columnCount();
}

QString ByteGrid::textMatrix(int row, int column) const {
  if (row < 0 || row >= rows() || column < 0 || column >= cols()) return {};
  return model_->text(row, column);
}

void ByteGrid::setTextMatrix(int row, int column, const QString& text) {
  if (row < 0 || row >= rows() || column < 0 || column >= cols()) return;
  model_->setText(row, column, text);
}

int ByteGrid::row() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : 0;
}

void ByteGrid::setRow(int row) {
  if (row < 1 || row >= rows()) return;
  const int column = currentIndex().isValid() ? currentIndex().column() : record::kValueColumn;
  setCurrentIndex(model_->index(row, column));
}

void ByteGrid::setTopRow(int row) {
  if (row < 1) row = 1;
  if (row >= rows()) row = rows() - 1;
  // Rows above are all visible data rows except the hidden header row 0.
  verticalScrollBar()->setValue(row - 1);
}

int ByteGrid::topRow() const {
  return verticalScrollBar()->value() + 1;
}

void ByteGrid::fitRowsToFont() {
  const int height = fontMetrics().height() + 2;
  verticalHeader()->setMinimumSectionSize(height);
  verticalHeader()->setDefaultSectionSize(height);
  horizontalHeader()->setFixedHeight(height);
}

void ByteGrid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) fitRowsToFont();
}

void ByteGrid::setColWidthTwips(int column, int twips) {
  setColumnWidth(column, (twips + 7) / 15);
}

void ByteGrid::refresh() {
  viewport()->update();
}

bool ByteGrid::valueCellRefused(int row) const {
  if (row < 1 || row >= rows()) return false;
  return refused(model_->text(row, kValueColumn), model_->text(row, kPositionColumn));
}

}  // namespace tolvane::ui
