#include "ui/compare_model.h"

#include <QBrush>
#include <QColor>
#include <QStringList>

#include "record/layout.h"

namespace tolvane::ui {
namespace {

using record::Field;

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

// The colour of a field that differs: not the grid's yellow of an unsaved value, nor the red
// of one that saving refuses.
QColor differsColour() {
  return QColor(200, 225, 255);
}

}  // namespace

const QString& CompareModel::differsMark() {
  static const QString mark = QStringLiteral("\u2260");
  return mark;
}

CompareModel::CompareModel(std::shared_ptr<record::RecordDocument> document, QObject* parent)
    : QAbstractTableModel(parent), document_(std::move(document)) {
  listener_ = document_->addListener(
      [this](const record::RecordDocument::Change& change) { documentChanged(change); });
}

CompareModel::~CompareModel() {
  document_->removeListener(listener_);
}

void CompareModel::setOther(const std::optional<record::RecordBytes>& bytes, const QString& name) {
  other_ = bytes;
  const bool renamed = otherName_ != name;
  otherName_ = name;
  reportAll();
  if (renamed) emit headerDataChanged(Qt::Horizontal, kOtherColumn, kOtherColumn);
}

int CompareModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(record::allFields().size());
}

int CompareModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

const Field& CompareModel::fieldAt(int row) {
  return record::allFields()[static_cast<std::size_t>(row)];
}

int CompareModel::rowOfByte(int recordByte) {
  return static_cast<int>(&record::fieldOfRow(recordByte) - record::allFields().data());
}

std::vector<int> CompareModel::rowsOfGunGroup(int gunGroup) {
  std::vector<int> rows;
  for (int row = 0; row < static_cast<int>(record::allFields().size()); ++row) {
    if (gunGroup != 0 && fieldAt(row).gunGroup == gunGroup) rows.push_back(row);
  }
  return rows;
}

std::vector<int> CompareModel::allRows() {
  std::vector<int> rows(record::allFields().size());
  for (std::size_t row = 0; row < rows.size(); ++row) rows[row] = static_cast<int>(row);
  return rows;
}

QString CompareModel::openText(int row) const {
  const Field& field = fieldAt(row);
  const record::RecordDocument& document = *document_;
  record::RecordBytes bytes{};
  QStringList typed;
  bool refused = false;
  for (int r = field.firstRow; r <= field.lastRow(); ++r) {
    typed << QStringLiteral("\"%1\"").arg(text(document.value(r)));
    if (const auto byte = document.byte(r)) {
      bytes[static_cast<std::size_t>(r - 1)] = *byte;
    } else {
      refused = true;
    }
  }
  if (refused) {
    return typed.join(QStringLiteral(", ")) + QStringLiteral(" (saving refuses it)");
  }
  return text(record::playerText(field, bytes));
}

QString CompareModel::otherText(int row) const {
  if (!other_) return {};
  return text(record::playerText(fieldAt(row), *other_));
}

bool CompareModel::differs(int row) const {
  if (!other_) return false;
  const Field& field = fieldAt(row);
  for (int r = field.firstRow; r <= field.lastRow(); ++r) {
    const auto byte = document_->byte(r);
    if (!byte || *byte != (*other_)[static_cast<std::size_t>(r - 1)]) return true;
  }
  return false;
}

int CompareModel::differingCount() const {
  int count = 0;
  for (int row = 0; row < rowCount(); ++row) count += differs(row) ? 1 : 0;
  return count;
}

std::map<int, QString> CompareModel::otherValues(const std::vector<int>& rows) const {
  std::map<int, QString> values;
  if (!other_) return values;
  for (const int row : rows) {
    if (row < 0 || row >= rowCount()) continue;
    const Field& field = fieldAt(row);
    for (int r = field.firstRow; r <= field.lastRow(); ++r) {
      const QString value = QString::number((*other_)[static_cast<std::size_t>(r - 1)]);
      if (text(document_->value(r)) != value) values[r] = value;
    }
  }
  return values;
}

QVariant CompareModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount) return {};
  const int row = index.row();
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case kFieldColumn:
          return text(fieldAt(row).name);
        case kOpenColumn:
          return openText(row);
        case kMarkColumn:
          return differs(row) ? differsMark() : QString();
        case kOtherColumn:
          return otherText(row);
        default:
          return {};
      }
    case Qt::AccessibleTextRole:
      // The mark in words, and a field named with whether it differs, so that a screen
      // reader says what the colour shows.
      if (column == kMarkColumn) {
        return differs(row) ? QStringLiteral("differs") : QStringLiteral("same");
      }
      if (column == kFieldColumn && differs(row)) {
        return text(fieldAt(row).name) + QStringLiteral(", differs");
      }
      return data(index, Qt::DisplayRole);
    case Qt::BackgroundRole:
      if (differs(row)) return QBrush(differsColour());
      return {};
    case Qt::ForegroundRole:
      if (column == kOpenColumn && !document_->bytes().has_value()) {
        const Field& field = fieldAt(row);
        for (int r = field.firstRow; r <= field.lastRow(); ++r) {
          if (document_->refused(r)) return QBrush(QColor(200, 30, 30));
        }
      }
      // Black on the marked rows' light colour, whatever the style's text colour.
      if (differs(row)) return QBrush(Qt::black);
      return {};
    case Qt::TextAlignmentRole:
      if (column == kMarkColumn) return QVariant(Qt::AlignCenter);
      return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant CompareModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal)
    return QAbstractTableModel::headerData(section, orientation, role);
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  switch (section) {
    case kFieldColumn:
      return QStringLiteral("Field");
    case kOpenColumn: {
      const int slot = document_->slot();
      if (slot < 0) return QStringLiteral("Open aircraft");
      return QStringLiteral("%1 (open)")
          .arg(QLatin1String(record::slotNames()[static_cast<std::size_t>(slot)]));
    }
    case kMarkColumn:
      return role == Qt::AccessibleTextRole ? QStringLiteral("Differs") : differsMark();
    case kOtherColumn:
      return otherName_;
    default:
      return {};
  }
}

void CompareModel::reportAll() {
  emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

void CompareModel::setLive(bool live) {
  if (live_ == live) return;
  live_ = live;
  if (!live) return;
  reportAll();
  emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void CompareModel::documentChanged(const record::RecordDocument::Change& change) {
  using Kind = record::RecordDocument::Change::Kind;
  if (!live_) return;
  switch (change.kind) {
    case Kind::Opened:
      reportAll();
      emit headerDataChanged(Qt::Horizontal, kOpenColumn, kOpenColumn);
      break;
    case Kind::Values:
      emit dataChanged(index(rowOfByte(change.firstRow), 0),
                       index(rowOfByte(change.lastRow), kColumnCount - 1));
      break;
    case Kind::FileBytes:
      // The open values are the document's values, not the file's bytes.
      break;
  }
}

}  // namespace tolvane::ui
