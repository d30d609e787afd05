// The open aircraft beside another version of an aircraft record, field by field: a table
// model over the record document, so that what it shows of the open aircraft is always what
// the document holds (edits, undo, a pick). The other version is a plain copy of 168 bytes
// that its owner reads from a file and gives here. One row per field of the field table, in
// record order (so the fields of a gun group stay together); the values are the player's
// texts of the field table, the ones the command line's `diff` prints.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "record/fields.h"
#include "record/record_document.h"

namespace tolvane::ui {

class CompareModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column : int {
    kFieldColumn = 0,
    kOpenColumn = 1,
    kMarkColumn = 2,  // "≠" where the two differ, so that a filter and a screen reader find it
    kOtherColumn = 3,
    kColumnCount = 4,
  };
  // The text of the mark column for a field that differs.
  static const QString& differsMark();

  explicit CompareModel(std::shared_ptr<record::RecordDocument> document,
                        QObject* parent = nullptr);
  ~CompareModel() override;

  // The other version and what to call it in the column's header ("planes.dat.orig"); nothing
  // while there is none to show (its column stays empty and no field differs).
  void setOther(const std::optional<record::RecordBytes>& bytes, const QString& name);
  const std::optional<record::RecordBytes>& other() const { return other_; }
  const QString& otherName() const { return otherName_; }
  // While not live (its view hidden), the model does not report the document's changes, which
  // would cost every keystroke and pick the work of a view nobody sees; made live again, it
  // reports every cell and title once.
  void setLive(bool live);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The field a row shows.
  static const record::Field& fieldAt(int row);
  // The row that shows the field holding a record byte (1..168).
  static int rowOfByte(int recordByte);

  // The open aircraft's value of a field in the player's terms; a value that saving refuses is
  // shown as typed.
  QString openText(int row) const;
  QString otherText(int row) const;
  // Whether the open aircraft's value differs from the other one (a refused value always does).
  bool differs(int row) const;
  int differingCount() const;

  // The rows of a gun group's fields (1..6), and of every field.
  static std::vector<int> rowsOfGunGroup(int gunGroup);
  static std::vector<int> allRows();
  // The other version's bytes of the fields on the given rows, by record byte, as value texts
  // ready to be put into the document; only the bytes whose value would change. Empty without
  // another version.
  std::map<int, QString> otherValues(const std::vector<int>& rows) const;

 private:
  void documentChanged(const record::RecordDocument::Change& change);
  void reportAll();

  std::shared_ptr<record::RecordDocument> document_;
  int listener_ = 0;
  std::optional<record::RecordBytes> other_;
  QString otherName_;
  bool live_ = true;
};

}  // namespace tolvane::ui
