#include "ui/byte_grid.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QFocusEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <array>
#include <climits>

#include "record/charset.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/controls.h"

namespace tolvane::ui {
namespace {

using record::kLoadedColumn;
using record::kPositionColumn;
using record::kValueColumn;

// What a screen reader calls each column.
QString columnName(int column) {
  static const char* const kNames[record::kGridColumns] = {"file position", "loaded value", "value",
                                                           "label", "byte"};
  return column >= 0 && column < record::kGridColumns ? QString::fromLatin1(kNames[column])
                                                      : QString();
}

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
    QRect room = option.rect.adjusted(1, 0, -1, 0);
    if (index.column() == record::kLabelColumn) {
      // Labels are left-aligned: they may run up to the grid line. One too long for its column
      // is drawn in the narrow face of the same family.
      room.setRight(option.rect.right());
      if (option.fontMetrics.horizontalAdvance(text) > room.width()) {
        painter->setFont(narrowFace(option.font));
      }
    }
    painter->drawText(room, static_cast<int>(item.displayAlignment), text);
    painter->restore();
  }
};

// Mouse presses and clicks of a button other than the left one: they open menus, and neither
// select a cell nor count as a click on it.
bool otherButton(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      return static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton;
    default:
      return false;
  }
}

// Where a block of cells (rows and columns both contiguous) lies in a view's viewport; hidden
// columns take no room. Empty when none of it is on view.
QRect blockRect(const QTableView& view, const QModelIndex& topLeft,
                const QModelIndex& bottomRight) {
  int left = INT_MAX;
  int right = INT_MIN;
  for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
    if (view.isColumnHidden(column)) continue;
    const int x = view.columnViewportPosition(column);
    left = std::min(left, x);
    right = std::max(right, x + view.columnWidth(column));
  }
  if (left >= right) return {};
  const int top = view.rowViewportPosition(topLeft.row());
  const int bottom =
      view.rowViewportPosition(bottomRight.row()) + view.rowHeight(bottomRight.row());
  if (top >= bottom) return {};
  return QRect(left, top, right - left, bottom - top).intersected(view.viewport()->rect());
}

// Redraws a change report covering more than one cell as exactly its block, in the part of
// the viewport right of coveredWidth (which another view lies over); returns false, leaving
// the report to the view's own handling, for a single cell or while a screen reader listens
// (the view's handling also tells it of the change). That handling redraws a block one pixel
// wider, which reaches into the next column: a load's report of the loaded and value cells
// then redraws every label cell on view, and in the grid the loaded cells hidden under the
// fixed columns too.
bool redrawBlock(QTableView& view, const QModelIndex& topLeft, const QModelIndex& bottomRight,
                 int coveredWidth) {
  if (topLeft == bottomRight || QAccessible::isActive()) return false;
  QRect rect = blockRect(view, topLeft, bottomRight);
  rect.setLeft(std::max(rect.left(), coveredWidth));
  if (!rect.isEmpty()) view.viewport()->update(rect);
  return true;
}

QAccessibleInterface* fixedColumnsInterface(const QString& key, QObject* object);

// The view of the fixed columns laid over the grid. It never takes the focus (the grid keeps
// it), and passes the same mouse buttons as the grid. A screen reader meets the grid alone:
// the cells shown here are the grid's own, which the grid's table already gives with the
// current cell and the selection the two views share, so this view says nothing of them.
class FixedColumnsView : public QTableView {
 public:
  explicit FixedColumnsView(QWidget* grid) : QTableView(grid), grid_(grid) {
    static const bool installed = [] {
      QAccessible::installFactory(fixedColumnsInterface);
      return true;
    }();
    Q_UNUSED(installed);
  }

 protected:
  // QTableView's own reactions only add the screen reader's events to these.
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
    QAbstractItemView::currentChanged(current, previous);
  }
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override {
    QAbstractItemView::selectionChanged(selected, deselected);
  }

  bool viewportEvent(QEvent* event) override {
    if (otherButton(event)) {
      event->ignore();
      return true;
    }
    if (event->type() == QEvent::MouseButtonPress) grid_->setFocus(Qt::MouseFocusReason);
    return QTableView::viewportEvent(event);
  }

  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) override {
    if (!redrawBlock(*this, topLeft, bottomRight, 0)) {
      QTableView::dataChanged(topLeft, bottomRight, roles);
    }
  }

 private:
  QWidget* grid_;
};

// What the accessibility layer gets for the fixed columns: an empty pane with no children,
// marked invisible, which the grid's table never lists among its own. Without it the view
// would be a second table of the same cells, with interfaces made for each of them.
class FixedColumnsAccessible : public QAccessibleWidget {
 public:
  explicit FixedColumnsAccessible(QWidget* view) : QAccessibleWidget(view, QAccessible::NoRole) {}
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  QString text(QAccessible::Text) const override { return QString(); }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invisible = true;
    return s;
  }
};

QAccessibleInterface* fixedColumnsInterface(const QString& key, QObject* object) {
  // The view has no meta-object of its own: it is asked for under QTableView's name.
  if (key == QLatin1String(QTableView::staticMetaObject.className()) &&
      dynamic_cast<FixedColumnsView*>(object) != nullptr) {
    return new FixedColumnsAccessible(static_cast<QWidget*>(object));
  }
  return nullptr;
}

// A cell's text read as saving reads a byte: 0..255, or -1 when saving refuses it. Plain
// decimals of up to three digits, which every load writes, are read here; any other text goes
// through the full number rules.
std::int16_t parsedByte(const QString& text) {
  const qsizetype size = text.size();
  if (size >= 1 && size <= 3) {
    int value = 0;
    bool digits = true;
    for (const QChar c : text) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
        digits = false;
        break;
      }
      value = value * 10 + (c.unicode() - '0');
    }
    if (digits) return static_cast<std::int16_t>(value <= 255 ? value : -1);
  }
  const auto byte = record::cellByte(text.toStdString());
  return static_cast<std::int16_t>(byte ? *byte : -1);
}

// A byte's plain decimal text, as a load writes it.
const std::string& plainByteText(std::uint8_t byte) {
  static const auto texts = [] {
    std::array<std::string, 256> all;
    for (int b = 0; b < 256; ++b) all[static_cast<std::size_t>(b)] = std::to_string(b);
    return all;
  }();
  return texts[byte];
}

// The same as a cell text, made once and shared, so that a load allocates none.
const QString& smallNumberText(std::uint8_t byte) {
  static const auto texts = [] {
    std::array<QString, 256> all;
    for (int b = 0; b < 256; ++b) all[static_cast<std::size_t>(b)] = QString::number(b);
    return all;
  }();
  return texts[byte];
}

}  // namespace

ByteGridModel::ByteGridModel(int rows, int columns, QObject* parent)
    : QAbstractTableModel(parent),
      rows_(rows),
      columns_(columns),
      cells_(rows * columns),
      loadedBytes_(static_cast<std::size_t>(rows), -1),
      valueBytes_(static_cast<std::size_t>(rows), -1) {
  setDocument(std::make_shared<record::RecordDocument>());
}

ByteGridModel::~ByteGridModel() {
  document_->removeListener(listener_);
}

void ByteGridModel::setDocument(std::shared_ptr<record::RecordDocument> document) {
  if (!document || document == document_) return;
  if (document_) document_->removeListener(listener_);
  document_ = std::move(document);
  listener_ = document_->addListener(
      [this](const record::RecordDocument::Change& change) { documentChanged(change); });
  const int last = std::min(rows_ - 1, record::kRecordBytes);
  documentChanged({document_->isOpen() ? record::RecordDocument::Change::Kind::Opened
                                       : record::RecordDocument::Change::Kind::Values,
                   1, last});
}

void ByteGridModel::documentChanged(const record::RecordDocument::Change& change) {
  using Kind = record::RecordDocument::Change::Kind;
  const record::RecordDocument& doc = *document_;
  const int first = std::max(1, change.firstRow);
  const int last = std::min({change.lastRow, rows_ - 1, record::kRecordBytes});
  if (first > last) return;
  // One report to the views for the whole change.
  beginBatch();
  if (change.kind == Kind::Opened) {
    for (int row = first; row <= last; ++row) {
      setPlainText(row, kPositionColumn, QString::number(doc.position(row)));
    }
  }
  if (change.kind != Kind::Values && doc.isOpen()) {
    for (int row = first; row <= last; ++row) {
      setPlainText(row, kLoadedColumn, smallNumberText(doc.fileByte(row)));
      // The label cells of the code's bytes show its characters as the file holds them.
      if (row >= 165 && row <= 168) {
        const char32_t character = record::charFromByte(doc.fileByte(row));
        setPlainText(row, record::kLabelColumn, QString::fromUcs4(&character, 1));
      }
    }
  }
  if (change.kind != Kind::FileBytes) {
    for (int row = first; row <= last; ++row) {
      QString& cell = cells_[row * columns_ + kValueColumn];
      const std::string& value = doc.value(row);
      // Most values are bytes written by a load: their shared texts need no conversion.
      const auto byte = doc.byte(row);
      QString text = byte && value == plainByteText(*byte) ? smallNumberText(*byte)
                                                           : QString::fromStdString(value);
      if (cell == text) continue;
      const QString before = cell;
      cell = std::move(text);
      valueBytes_[static_cast<std::size_t>(row)] = byte ? *byte : -1;
      reportChanged(row, kValueColumn, row, kValueColumn);
      emit valueTextChanged(row, before, cell);
    }
  }
  endBatch();
}

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
  if (column == kValueColumn && row >= 1 && row <= record::kRecordBytes) {
    return document_->setValue(row, text.toStdString());
  }
  return setPlainText(row, column, text);
}

bool ByteGridModel::setPlainText(int row, int column, const QString& text) {
  QString& cell = cells_[row * columns_ + column];
  if (cell == text) return false;
  const QString before = column == kValueColumn ? cell : QString();
  cell = text;
  if (column == kValueColumn) valueBytes_[static_cast<std::size_t>(row)] = parsedByte(text);
  if (column == kLoadedColumn) loadedBytes_[static_cast<std::size_t>(row)] = parsedByte(text);
  // The value cell's colour depends on the position and loaded cells of its row, so a change
  // of either redraws the value cell too; nothing else depends on another cell. The fixed
  // columns lie left of the value column, so the block from the cell to the value cell holds
  // just those cells.
  const int last = isFixedColumn(column) ? kValueColumn : column;
  reportChanged(row, column, row, last);
  if (column == kValueColumn) emit valueTextChanged(row, before, text);
  return true;
}

void ByteGridModel::reportChanged(int firstRow, int firstColumn, int lastRow, int lastColumn) {
  if (batchDepth_ == 0) {
    emit dataChanged(index(firstRow, firstColumn), index(lastRow, lastColumn));
    return;
  }
  if (batchFirstRow_ > batchLastRow_) {
    batchFirstRow_ = firstRow;
    batchLastRow_ = lastRow;
    batchFirstColumn_ = firstColumn;
    batchLastColumn_ = lastColumn;
    return;
  }
  batchFirstRow_ = std::min(batchFirstRow_, firstRow);
  batchLastRow_ = std::max(batchLastRow_, lastRow);
  batchFirstColumn_ = std::min(batchFirstColumn_, firstColumn);
  batchLastColumn_ = std::max(batchLastColumn_, lastColumn);
}

void ByteGridModel::beginBatch() {
  ++batchDepth_;
}

void ByteGridModel::endBatch() {
  if (batchDepth_ == 0 || --batchDepth_ > 0) return;
  if (batchFirstRow_ > batchLastRow_) return;
  const QModelIndex from = index(batchFirstRow_, batchFirstColumn_);
  const QModelIndex to = index(batchLastRow_, batchLastColumn_);
  batchFirstRow_ = 0;
  batchLastRow_ = -1;
  emit dataChanged(from, to);
}

std::optional<std::uint8_t> ByteGridModel::byte(int row, int column) const {
  std::int16_t parsed = -1;
  if (column == kValueColumn) {
    parsed = valueBytes_[static_cast<std::size_t>(row)];
  } else if (column == kLoadedColumn) {
    parsed = loadedBytes_[static_cast<std::size_t>(row)];
  } else {
    parsed = parsedByte(text(row, column));
  }
  if (parsed < 0) return std::nullopt;
  return static_cast<std::uint8_t>(parsed);
}

// Whether saving refuses a row's value cell. A row whose value and position are both empty
// (the header row, a grid before any load) holds nothing to refuse.
static bool refused(const ByteGridModel& model, int row) {
  if (model.text(row, kValueColumn).isEmpty() && model.text(row, kPositionColumn).isEmpty()) {
    return false;
  }
  return !model.byte(row, kValueColumn).has_value();
}

QVariant ByteGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = index.row();
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return text(row, column);
    case Qt::AccessibleTextRole: {
      // Read out without the colours: the row's label, the column and the text, and whether
      // saving refuses a value ("Tail damage, value 300, refused").
      if (row == 0) return {};
      const QString label = text(row, record::kLabelColumn).trimmed();
      const QString what = column == record::kLabelColumn || label.isEmpty()
                               ? QStringLiteral("Byte %1").arg(row)
                               : label;
      QString said =
          QStringLiteral("%1, %2 %3").arg(what, columnName(column), text(row, column).trimmed());
      if (column == kValueColumn && refused(*this, row)) said += QStringLiteral(", refused");
      return said;
    }
    case Qt::AccessibleDescriptionRole:
      return column == kValueColumn ? data(index, Qt::ToolTipRole) : QVariant();
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
      if (refused(*this, row)) {
        if (role == Qt::BackgroundRole) return QBrush(QColor(200, 30, 30));
        if (role == Qt::ForegroundRole) return QBrush(Qt::white);
        return QStringLiteral("Saving refuses \"%1\": a byte must be a whole number from 0 to 255.")
            .arg(value);
      }
      const QString& loaded = text(row, kLoadedColumn);
      if (!loaded.isEmpty() && byte(row, kValueColumn) != byte(row, kLoadedColumn)) {
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

QVariant ByteGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::DisplayRole) return QString();
  // The header shows nothing, but a screen reader names the columns.
  if (role == Qt::AccessibleTextRole && orientation == Qt::Horizontal) return columnName(section);
  return {};
}

Qt::ItemFlags ByteGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (isFixedColumn(index.column())) return Qt::ItemIsEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

ByteGrid::ByteGrid(QWidget* parent)
    : QTableView(parent),
      model_(new ByteGridModel(record::kGridRows, record::kGridColumns, this)),
      fixed_(new FixedColumnsView(this)) {
  // The row header is hidden before the cells arrive: a shown one would measure all 169 rows
  // for a size nobody sees.
  verticalHeader()->hide();
  fixed_->verticalHeader()->hide();
  setModel(model_);
  // Arrows move from cell to cell; Tab and Shift+Tab go on to the next control.
  setTabKeyNavigation(false);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  // Row 0 is the fixed header row: the view's own header stands for it.
  setRowHidden(0, true);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setItemDelegate(new CompactDelegate(this));
  setTextElideMode(Qt::ElideNone);
  horizontalHeader()->setMinimumSectionSize(4);

  // The fixed columns: the same cells and selection, only columns 0 and 1 shown, no scroll
  // bars of their own; the grid's vertical scrolling drives theirs.
  fixed_->setObjectName(QStringLiteral("G1FixedColumns"));
  fixed_->setModel(model_);
  fixed_->setSelectionModel(selectionModel());
  fixed_->setSelectionBehavior(QAbstractItemView::SelectItems);
  fixed_->setSelectionMode(QAbstractItemView::SingleSelection);
  fixed_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fixed_->setFocusPolicy(Qt::NoFocus);
  fixed_->setFrameShape(QFrame::NoFrame);
  fixed_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  fixed_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fixed_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fixed_->setWordWrap(false);
  fixed_->setCornerButtonEnabled(false);
  fixed_->setTextElideMode(Qt::ElideNone);
  fixed_->setItemDelegate(new CompactDelegate(fixed_));
  fixed_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fixed_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fixed_->horizontalHeader()->setHighlightSections(false);
  fixed_->horizontalHeader()->setSectionsClickable(false);
  fixed_->horizontalHeader()->setMinimumSectionSize(4);
  fixed_->setRowHidden(0, true);
  for (int column = 0; column < record::kGridColumns; ++column) {
    fixed_->setColumnHidden(column, !isFixedColumn(column));
    if (isFixedColumn(column)) fixed_->setColumnWidth(column, columnWidth(column));
  }
  viewport()->stackUnder(fixed_);
  connect(horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int width) {
            if (!isFixedColumn(column)) return;
            fixed_->setColumnWidth(column, width);
            placeFixedColumns();
          });
  connect(verticalScrollBar(), &QAbstractSlider::valueChanged, fixed_->verticalScrollBar(),
          &QAbstractSlider::setValue);
  connect(fixed_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
          &QAbstractSlider::setValue);

  fitRowsToFont();
  // Only value cells concern the grid's users; a load writes 336 other cells, which raise
  // nothing here.
  connect(model_, &ByteGridModel::valueTextChanged, this, &ByteGrid::valueChanged);
  auto click = [this](const QModelIndex& index) { emit cellClicked(index.row(), index.column()); };
  connect(this, &QAbstractItemView::clicked, this, click);
  connect(fixed_, &QAbstractItemView::clicked, this, click);
  placeFixedColumns();
}

int ByteGrid::fixedWidth() const {
  return columnWidth(kPositionColumn) + columnWidth(kLoadedColumn);
}

void ByteGrid::placeFixedColumns() {
  fixed_->setGeometry(frameWidth(), frameWidth(), fixedWidth(),
                      viewport()->height() + horizontalHeader()->height());
}

bool ByteGrid::viewportEvent(QEvent* event) {
  if (otherButton(event)) {
    event->ignore();
    return true;
  }
  if (event->type() == QEvent::Resize) {
    fitLabelColumn();
    placeFixedColumns();
  }
  return QTableView::viewportEvent(event);
}

void ByteGrid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles) {
  // The fixed columns' view covers the left of the viewport and redraws its own cells.
  const int covered = fixed_->isHidden() ? 0 : fixedWidth();
  if (!redrawBlock(*this, topLeft, bottomRight, covered)) {
    QTableView::dataChanged(topLeft, bottomRight, roles);
  }
}

void ByteGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid()) return;
  if (isFixedColumn(index.column())) {
    // Fixed cells are always in view sideways: only scroll up or down to them.
    const int sideways = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(sideways);
    return;
  }
  QTableView::scrollTo(index, hint);
  // A cell partly under the fixed columns is brought out from under them.
  const int covered = fixedWidth() - visualRect(index).left();
  if (covered > 0) horizontalScrollBar()->setValue(horizontalScrollBar()->value() - covered);
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

void ByteGrid::fitLabelColumn() {
  if (fittingLabels_) return;
  fittingLabels_ = true;
  int others = 0;
  for (int column = 0; column < cols(); ++column) {
    if (column != record::kLabelColumn && !isColumnHidden(column)) others += columnWidth(column);
  }
  const int width = std::max(widestLabel_, viewport()->width() - others);
  if (columnWidth(record::kLabelColumn) != width) setColumnWidth(record::kLabelColumn, width);
  fittingLabels_ = false;
}

void ByteGrid::fitRowsToFont() {
  // A label cell draws its text from one pixel in, up to the one-pixel grid line; a label that
  // needs it is drawn in the narrow face.
  const QFontMetrics narrow(narrowFace(font()));
  widestLabel_ = 0;
  for (int row = 1; row < rows(); ++row) {
    const QString label = QString::fromStdString(record::rowLabel(row));
    widestLabel_ = std::max(widestLabel_, narrow.horizontalAdvance(label) + 2);
  }
  fitLabelColumn();
  const int height = fontMetrics().height() + 2;
  for (QTableView* view : {static_cast<QTableView*>(this), fixed_}) {
    view->verticalHeader()->setMinimumSectionSize(height);
    view->verticalHeader()->setDefaultSectionSize(height);
    view->horizontalHeader()->setFixedHeight(height);
  }
  placeFixedColumns();
}

void ByteGrid::focusInEvent(QFocusEvent* event) {
  const bool hadCurrent = currentIndex().isValid();
  // Qt's own choice for a grid without a current cell is its very first cell, and it scrolls
  // there; the row at the top before that is the one the player was looking at.
  const int top = topRow();
  QTableView::focusInEvent(event);
  // A click makes its own cell current.
  if (event->reason() == Qt::MouseFocusReason) return;
  // The grid shows where the keys will act: a value cell, selected and in view. A cell of the
  // fixed columns would lie under their view, never drawn with the focus.
  if (!hadCurrent) {
    setCurrentIndex(model_->index(top, kValueColumn));
    setTopRow(top);
    return;
  }
  // The window coming back or a menu closing leaves the grid as it was; the keyboard or the
  // program bringing the focus brings the current cell into view.
  switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
      break;
    default:
      return;
  }
  const QModelIndex current = currentIndex();
  if (!current.isValid() || isFixedColumn(current.column())) {
    setCurrentIndex(model_->index(current.isValid() ? current.row() : top, kValueColumn));
    return;
  }
  if (!selectionModel()->isSelected(current)) {
    selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
  }
  scrollTo(current);
}

void ByteGrid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) fitRowsToFont();
}

void ByteGrid::setColWidthTwips(int column, int twips) {
  setColumnWidth(column, (twips + 7) / 15);
  fitLabelColumn();
}

void ByteGrid::refresh() {
  viewport()->update();
  fixed_->viewport()->update();
}

bool ByteGrid::valueCellRefused(int row) const {
  if (row < 1 || row >= rows()) return false;
  return refused(*model_, row);
}

std::optional<std::uint8_t> ByteGrid::valueByte(int row) const {
  if (row < 0 || row >= rows()) return std::nullopt;
  return model_->byte(row, kValueColumn);
}

void ByteGrid::setDocument(std::shared_ptr<record::RecordDocument> document) {
  model_->setDocument(std::move(document));
}

record::RecordDocument& ByteGrid::document() const {
  return model_->document();
}

ByteGrid::Batch::Batch(ByteGrid* grid) : model_(grid->model_) {
  model_->beginBatch();
}

ByteGrid::Batch::~Batch() {
  model_->endBatch();
}

}  // namespace tolvane::ui
