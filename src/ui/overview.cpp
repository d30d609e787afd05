#include "ui/overview.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "record/layout.h"
#include "record/record_file.h"
#include "ui/native_window.h"
#include "ui/note_label.h"
#include "ui/text_widths.h"

namespace tolvane::ui {
namespace {

using record::Field;

// The record byte each field column starts at, in column order from YearColumn on.
constexpr std::array<int, OverviewModel::ColumnCount> kColumnRows = {0,  0,  9,  11, 25,
                                                                     17, 21, 13, 85, 165};

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

// The marks of the main window: yellow for a value not yet saved, red for one saving refuses.
const QColor kUnsavedColour(255, 236, 140);
const QColor kRefusedColour(200, 30, 30);

const QString kUnreadable = QStringLiteral("\u2014");

}  // namespace

OverviewModel::OverviewModel(std::shared_ptr<record::RecordDocument> document,
                             std::function<std::filesystem::path()> folder, QObject* parent)
    : QAbstractTableModel(parent), document_(std::move(document)), folder_(std::move(folder)) {
  shownOpen_ = document_->slot();
  listener_ = document_->addListener(
      [this](const record::RecordDocument::Change& change) { documentChanged(change); });
}

OverviewModel::~OverviewModel() {
  document_->removeListener(listener_);
}

int OverviewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : record::kSlotCount;
}

int OverviewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

const Field* OverviewModel::fieldOfColumn(int column) {
  if (column < YearColumn || column >= ColumnCount) return nullptr;
  return &record::fieldOfRow(kColumnRows[static_cast<std::size_t>(column)]);
}

void OverviewModel::refresh() {
  const std::filesystem::path folder = folder_();
  const record::Located located = record::locateDataFile(folder);
  file_.clear();
  error_.clear();
  // The 30 records with one read of the file; when that fails (a short file), each slot is
  // read on its own, so that the slots the file does hold still show.
  const record::RecordsRead all =
      located.ok() ? record::readAllRecords(located.path) : record::RecordsRead{};
  for (int slot = 0; slot < record::kSlotCount; ++slot) {
    auto& bytes = records_[static_cast<std::size_t>(slot)];
    auto& why = rowErrors_[static_cast<std::size_t>(slot)];
    bytes.reset();
    why.clear();
    if (!located.ok()) {
      why = located.error;
      continue;
    }
    if (all.ok()) {
      bytes = all.records[static_cast<std::size_t>(slot)];
      continue;
    }
    const record::RecordRead read = record::readRecord(located.path, slot);
    if (read.ok()) {
      bytes = read.bytes;
    } else {
      why = read.error;
    }
  }
  if (located.ok()) {
    file_ = located.path.string();
  } else {
    error_ = located.error;
  }
  emit dataChanged(index(0, 0), index(record::kSlotCount - 1, ColumnCount - 1));
  emit refreshed();
}

void OverviewModel::setLive(bool live) {
  live_ = live;
}

void OverviewModel::emitRowChanged(int slot) {
  emit dataChanged(index(slot, 0), index(slot, ColumnCount - 1));
}

void OverviewModel::documentChanged(const record::RecordDocument::Change& change) {
  const int open = document_->slot();
  // Hidden, the table does not follow the document: every row is read afresh when it is
  // shown, and the rows' sorting would cost every keystroke.
  if (!live_) {
    shownOpen_ = open;
    return;
  }
  if (shownOpen_ != open) {
    const int before = shownOpen_;
    shownOpen_ = open;
    if (before >= 0) emitRowChanged(before);
  }
  if (open >= 0) emitRowChanged(open);
  // A save, a load or a revert has read or written the file: the other rows are read again,
  // once for all the changes of this action.
  if (change.kind == record::RecordDocument::Change::Kind::Values || !live_ || refreshQueued_) {
    return;
  }
  refreshQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    refreshQueued_ = false;
    if (live_) refresh();
  });
}

OverviewModel::RowValues OverviewModel::rowValues(int slot) const {
  RowValues row;
  if (document_->isOpen() && document_->slot() == slot) {
    row.open = true;
    row.readable = true;
    // A value saving refuses shows as typed; its byte here is the file's, never used for it.
    for (int r = 1; r <= record::kRecordBytes; ++r) {
      row.bytes[static_cast<std::size_t>(r - 1)] =
          document_->byte(r).value_or(document_->fileByte(r));
    }
    return row;
  }
  const auto& bytes = records_[static_cast<std::size_t>(slot)];
  if (bytes) {
    row.readable = true;
    row.bytes = *bytes;
  }
  return row;
}

QVariant OverviewModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= record::kSlotCount || index.column() >= ColumnCount) {
    return {};
  }
  return cellData(index.row(), index.column(), role);
}

QVariant OverviewModel::cellData(int slot, int column, int role) const {
  // The views ask for many roles the table does not use; those are answered before the row's
  // bytes are gathered (168 of them for the open aircraft).
  switch (role) {
    case Qt::DisplayRole:
    case SortRole:
    case Qt::BackgroundRole:
    case Qt::ForegroundRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
      break;
    case Qt::TextAlignmentRole:
      if (column == AircraftColumn || column == CodeColumn) {
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
      }
      return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole: {
      if (!document_->isOpen() || document_->slot() != slot) return {};
      QFont font;
      font.setBold(true);
      return font;
    }
    default:
      return {};
  }
  const RowValues row = rowValues(slot);
  const Field* field = fieldOfColumn(column);
  const QString name = QLatin1String(record::slotNames()[static_cast<std::size_t>(slot)]);

  // Whether saving refuses a value of the field, and whether the field differs from the file.
  bool refused = false;
  bool unsaved = false;
  QStringList typed;
  if (row.open && field != nullptr) {
    for (int r = field->firstRow; r <= field->lastRow(); ++r) {
      refused = refused || document_->refused(r);
      unsaved = unsaved || document_->differs(r);
      typed << QStringLiteral("\"%1\"").arg(text(document_->value(r)));
    }
  }
  bool rowUnsaved = false;
  if (row.open && column == AircraftColumn) rowUnsaved = document_->unsaved();

  const auto shown = [&]() -> QString {
    if (column == SlotColumn) return QString::number(slot);
    if (column == AircraftColumn) return name;
    if (!row.readable) return kUnreadable;
    if (refused) return typed.join(QStringLiteral(", "));
    return text(record::playerText(*field, row.bytes));
  };

  switch (role) {
    case Qt::DisplayRole:
      return shown();
    case SortRole: {
      if (column == SlotColumn) return slot;
      if (column == AircraftColumn) return name;
      if (field->kind == Field::Kind::Text) return row.readable ? shown() : QString();
      // Rows without a number (unreadable, refused) sort before every stored number.
      if (!row.readable || refused) return -1.0;
      return static_cast<double>(record::fieldValue(*field, row.bytes));
    }
    case Qt::BackgroundRole:
      if (refused) return QBrush(kRefusedColour);
      if (unsaved) return QBrush(kUnsavedColour);
      return {};
    case Qt::ForegroundRole:
      if (refused) return QBrush(Qt::white);
      if (unsaved) return QBrush(Qt::black);
      return {};
    case Qt::ToolTipRole: {
      if (!row.readable) return text(rowErrors_[static_cast<std::size_t>(slot)]);
      if (row.open && column == AircraftColumn) {
        return rowUnsaved ? QStringLiteral(
                                "Open in the window, with changes not saved to planes.dat yet "
                                "(marked yellow).")
                          : QStringLiteral("Open in the window.");
      }
      if (refused) {
        return QStringLiteral("Saving refuses this value; correct it in the window.");
      }
      if (unsaved) {
        return QStringLiteral("Not saved yet; planes.dat holds %1.")
            .arg(text(record::playerText(*field, document_->fileBytes())));
      }
      return {};
    }
    case Qt::AccessibleTextRole: {
      // Said without the colours: the column, the value, and what the marks show.
      const QString header = headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
      QString said = QStringLiteral("%1 %2").arg(header, shown());
      if (!row.readable && column > AircraftColumn) said += QStringLiteral(", not readable");
      if (row.open && column == AircraftColumn) {
        said += rowUnsaved ? QStringLiteral(", open in the window, with unsaved changes")
                           : QStringLiteral(", open in the window");
      }
      if (refused) {
        said += QStringLiteral(", refused by saving");
      } else if (unsaved) {
        said += QStringLiteral(", not saved yet");
      }
      return said;
    }
    default:
      return {};
  }
}

QVariant OverviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
    if (section == SlotColumn) return QStringLiteral("Slot");
    if (section == AircraftColumn) return QStringLiteral("Aircraft");
    return text(fieldOfColumn(section)->name);
  }
  // A first click on a column's title sorts from the lowest value up, whatever the style.
  if (role == Qt::InitialSortOrderRole) return Qt::AscendingOrder;
  return {};
}

OverviewDialog::OverviewDialog(std::shared_ptr<record::RecordDocument> document,
                               std::function<std::filesystem::path()> folder, QWidget* parent)
    : QDialog(parent),
      model_(new OverviewModel(std::move(document), std::move(folder), this)),
      proxy_(new QSortFilterProxyModel(this)),
      table_(new QTableView(this)),
      source_(new NoteLabel(this)) {
  columnWidths_.fill(-1);
  setObjectName("Overview");
  setWindowTitle(QStringLiteral("Overview of all aircraft"));
  setModal(false);
  proxy_->setSourceModel(model_);
  proxy_->setSortRole(OverviewModel::SortRole);
  proxy_->setDynamicSortFilter(true);

  source_->setObjectName("OverviewSource");

  table_->setObjectName("OverviewTable");
  table_->setAccessibleName(QStringLiteral("All aircraft"));
  // No row numbers: hidden before the model is set, which the row header would otherwise
  // measure.
  table_->verticalHeader()->hide();
  table_->setModel(proxy_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(OverviewModel::SlotColumn, Qt::AscendingOrder);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setTabKeyNavigation(false);
  table_->setWordWrap(false);
  table_->horizontalHeader()->setHighlightSections(false);
  // Enter and a double-click both raise activated (a single click, where the desktop opens
  // items with one).
  connect(table_, &QAbstractItemView::activated, this,
          [this](const QModelIndex& index) { emit openRequested(slotAtRow(index.row())); });
  // An edit that makes a value longer than its column widens the column, so that no figure
  // is cut off. Only the cells whose text changed are looked at (one, as the player types; a
  // refresh reports all 30 rows, most of them as they were), by the measure fitToTable uses.
  // Before the first showing, a column measured ahead whose values changed since is measured
  // again, and the window sized again: it opens as if it had been measured then.
  connect(
      model_, &QAbstractItemModel::dataChanged, this,
      [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
        const bool measuredAhead = std::any_of(columnWidths_.begin(), columnWidths_.end(),
                                               [](int width) { return width >= 0; });
        if (!sized_ && !measuredAhead) return;
        for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
          for (int column = 0; column < OverviewModel::ColumnCount; ++column) {
            QString& known =
                shownTexts_[static_cast<std::size_t>(row * OverviewModel::ColumnCount + column)];
            const QString shown = model_->index(row, column).data().toString();
            if (shown == known) continue;
            known = shown;
            if (!presented_) {
              columnWidths_[static_cast<std::size_t>(column)] = -1;
              sized_ = false;
              continue;
            }
            const int room = table_->columnWidth(column) - cellPadding();
            if (!widths_->fits(shown, room)) {
              table_->setColumnWidth(column, widths_->exact(shown) + cellPadding());
            }
          }
        }
      });

  connect(model_, &OverviewModel::refreshed, this, &OverviewDialog::showSource);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(source_);
  layout->addWidget(table_, 1);
}

OverviewDialog::~OverviewDialog() = default;

int OverviewDialog::slotAtRow(int viewRow) const {
  const QModelIndex source = proxy_->mapToSource(proxy_->index(viewRow, 0));
  return source.isValid() ? source.row() : -1;
}

void OverviewDialog::showSource() {
  const QString help = QStringLiteral(
      "Double-click an aircraft or press Enter to open it in the window; click a column's "
      "title to sort by it. The open aircraft is in bold, its values not yet saved in yellow.");
  if (!model_->error().empty()) {
    source_->setText(QString::fromStdString(model_->error()) + QLatin1Char(' ') + help);
  } else {
    source_->setText(QStringLiteral("From %1. ").arg(QString::fromStdString(model_->file())) +
                     help);
  }
}

int OverviewDialog::cellPadding() const {
  // Wider than the padding the item delegate asks for around its text.
  return 2 * table_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
}

void OverviewDialog::measureColumn(int column) {
  if (widths_ == nullptr) {
    // In bold, for the open aircraft's row, wherever it is.
    QFont bold = table_->font();
    bold.setBold(true);
    widths_ = std::make_unique<TextWidths>(bold);
  }
  QStringList texts;
  for (int row = 0; row < record::kSlotCount; ++row) {
    QString shown = model_->index(row, column).data().toString();
    shownTexts_[static_cast<std::size_t>(row * OverviewModel::ColumnCount + column)] = shown;
    texts << shown;
  }
  columnWidths_[static_cast<std::size_t>(column)] = widths_->widest(texts) + cellPadding();
}

void OverviewDialog::fitToTable() {
  // Each column as wide as its title (with the sort mark) and its widest value: measured by
  // the font, which costs far less than asking the delegate for every cell. The columns
  // measured ahead (prepareStep) are not measured again.
  for (int column = 0; column < OverviewModel::ColumnCount; ++column) {
    if (columnWidths_[static_cast<std::size_t>(column)] < 0) measureColumn(column);
  }
  // Rows as high as their text needs: all 30 fit on a common screen.
  QFont bold = table_->font();
  bold.setBold(true);
  table_->verticalHeader()->setDefaultSectionSize(QFontMetrics(bold).height() + 8);
  for (int column = 0; column < OverviewModel::ColumnCount; ++column) {
    table_->setColumnWidth(column, std::max(table_->horizontalHeader()->sectionSizeHint(column),
                                            columnWidths_[static_cast<std::size_t>(column)]));
  }
  const int frame = 2 * table_->frameWidth();
  const int width = table_->horizontalHeader()->length() + frame +
                    table_->verticalScrollBar()->sizeHint().width();
  const int height =
      table_->horizontalHeader()->sizeHint().height() + table_->verticalHeader()->length() + frame;
  table_->setMinimumSize(std::min(width, 400), std::min(height, 200));
  const QMargins margins = layout()->contentsMargins();
  const int outerWidth = width + margins.left() + margins.right();
  const int outerHeight = height + margins.top() + margins.bottom() + layout()->spacing() +
                          source_->heightForWidth(width);
  QSize size(outerWidth, outerHeight);
  const QScreen* screen =
      parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) size = size.boundedTo(screen->availableGeometry().size() * 0.9);
  resize(size);
  sized_ = true;
}

bool OverviewDialog::prepareStep() {
  if (isVisible() || prepared_) return false;
  if (!polished_) {
    ensurePolished();
    polished_ = true;
    return true;
  }
  if (!testAttribute(Qt::WA_WState_Created)) {
    fullIcon_ = makeNativeWindow(this);
    iconPending_ = true;
    return true;
  }
  if (iconPending_) {
    if (convertWindowIconStep(fullIcon_)) return true;
    giveWindowIcon(this, fullIcon_);
    iconPending_ = false;
    return true;
  }
  if (model_->file().empty() && model_->error().empty()) {
    model_->refresh();
    return true;
  }
  if (!sized_) {
    // A column a step.
    for (int column = 0; column < OverviewModel::ColumnCount; ++column) {
      if (columnWidths_[static_cast<std::size_t>(column)] < 0) {
        measureColumn(column);
        return true;
      }
    }
    fitToTable();
    return true;
  }
  layout()->activate();
  prepared_ = true;
  return true;
}

void OverviewDialog::present() {
  // A preparation cut short between its steps: the window gets its whole icon first.
  if (iconPending_) {
    giveWindowIcon(this, fullIcon_);
    iconPending_ = false;
  }
  model_->refresh();
  if (!sized_) fitToTable();
  show();
  presented_ = true;
  raise();
  activateWindow();
  // The keyboard starts from the open aircraft's row (or the first one), which is not
  // selected, so that its marks show.
  if (!table_->currentIndex().isValid()) {
    int current = 0;
    for (int row = 0; row < record::kSlotCount; ++row) {
      if (slotAtRow(row) == model_->openSlot()) current = row;
    }
    table_->selectionModel()->setCurrentIndex(proxy_->index(current, 0),
                                              QItemSelectionModel::NoUpdate);
  }
  table_->setFocus(Qt::OtherFocusReason);
}

void OverviewDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  model_->setLive(true);
}

void OverviewDialog::hideEvent(QHideEvent* event) {
  model_->setLive(false);
  QDialog::hideEvent(event);
}

}  // namespace tolvane::ui
