// The compare model on a record document, without a window: it says what the command line's
// diff says, marks exactly the fields that differ (a refused value too), reports only the rows a
// change touched, and gives for a take only the bytes that would change.
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <memory>

#include "cli/record_text.h"
#include "record/demo_data.h"
#include "record/record_document.h"
#include "ui/compare_model.h"

using namespace tolvane;
using ui::CompareModel;

namespace {

using Bytes = QList<QPair<int, int>>;  // record byte, its value

constexpr int kSlot = 7;  // B-24D

std::shared_ptr<record::RecordDocument> openDocument() {
  auto document = std::make_shared<record::RecordDocument>();
  document->open(kSlot, record::bytePosition(kSlot, 1), record::demoRecord(kSlot));
  return document;
}

// The other version: the demo record with bytes changed ("row=byte" pairs).
record::RecordBytes changed(const Bytes& bytes) {
  record::RecordBytes other = record::demoRecord(kSlot);
  for (const auto& [row, byte] : bytes)
    other[static_cast<std::size_t>(row - 1)] = std::uint8_t(byte);
  return other;
}

// The demo record with the top bit of some bytes turned over: each of them differs.
record::RecordBytes flipped(const QList<int>& rows) {
  record::RecordBytes other = record::demoRecord(kSlot);
  for (const int row : rows) other[static_cast<std::size_t>(row - 1)] ^= 0x80;
  return other;
}

// The lines the model shows for the fields that differ, as the command line writes them.
QString modelLines(const CompareModel& model) {
  QString lines;
  for (int row = 0; row < model.rowCount(); ++row) {
    if (!model.differs(row)) continue;
    lines += "  " + QString::fromStdString(CompareModel::fieldAt(row).name) + ": " +
             model.index(row, CompareModel::kOpenColumn).data().toString() + " \u2192 " +
             model.index(row, CompareModel::kOtherColumn).data().toString() + "\n";
  }
  return lines;
}

}  // namespace

class CompareModelTest : public QObject {
  Q_OBJECT
 private slots:
  // Every row of the view reads as the same field does in `tolvane diff`: the window and the
  // command line cannot disagree about a value or about which fields differ.
  void agreesWithTheCommandLine_data() {
    QTest::addColumn<Bytes>("bytes");
    QTest::newRow("nothing differs") << Bytes{};
    QTest::newRow("year, one byte of two") << Bytes{{9, 160}};
    QTest::newRow("max speed, a fraction of a mph") << Bytes{{25, 1}, {26, 200}, {27, 0}, {28, 0}};
    QTest::newRow("a flag bit and the code's last letter") << Bytes{{6, 255}, {168, 'X'}};
    QTest::newRow("gun group 2 number and ammunition") << Bytes{{101, 9}, {107, 244}, {108, 1}};
    QTest::newRow("a damage byte and the last byte") << Bytes{{80, 0}, {164, 77}};
  }
  void agreesWithTheCommandLine() {
    QFETCH(Bytes, bytes);
    auto document = openDocument();
    CompareModel model(document);
    QCOMPARE(model.rowCount(), int(record::allFields().size()));
    const record::RecordBytes other = changed(bytes);
    model.setOther(other, "planes.dat.orig");
    QCOMPARE(modelLines(model),
             QString::fromStdString(cli::changesText(record::demoRecord(kSlot), other)));
    QCOMPARE(model.differingCount(),
             int(record::changedFields(record::demoRecord(kSlot), other).size()));
    for (int row = 0; row < model.rowCount(); ++row) {
      QCOMPARE(model.index(row, CompareModel::kMarkColumn).data().toString(),
               model.differs(row) ? CompareModel::differsMark() : QString());
    }
    QCOMPARE(model.headerData(CompareModel::kOtherColumn, Qt::Horizontal, Qt::DisplayRole),
             QVariant("planes.dat.orig"));
    QCOMPARE(model.headerData(CompareModel::kOpenColumn, Qt::Horizontal, Qt::DisplayRole),
             QVariant("B-24D (open)"));
  }

  // A value that saving refuses cannot equal a byte: the field differs from any version, and
  // shows as typed so that the player sees what is wrong; without another version nothing
  // differs.
  void refusedValueDiffersAndShowsAsTyped() {
    auto document = openDocument();
    CompareModel model(document);
    const int maxSpeed = CompareModel::rowOfByte(25);
    QVERIFY(!model.differs(maxSpeed));
    document->setValue(26, "12x");
    QVERIFY(!model.differs(maxSpeed));  // no other version yet
    model.setOther(record::demoRecord(kSlot), "same");
    QVERIFY(model.differs(maxSpeed));
    QCOMPARE(model.differingCount(), 1);
    const QString open = model.index(maxSpeed, CompareModel::kOpenColumn).data().toString();
    QVERIFY2(open.contains("\"12x\"") && open.contains("saving refuses"), qPrintable(open));
    QCOMPARE(model.index(maxSpeed, CompareModel::kMarkColumn).data(Qt::AccessibleTextRole),
             QVariant("differs"));
    QCOMPARE(model.index(0, CompareModel::kMarkColumn).data(Qt::AccessibleTextRole),
             QVariant("same"));
    // Taking the other value puts back every byte of the field, the refused one included.
    const std::map<int, QString> values = model.otherValues({maxSpeed});
    QCOMPARE(int(values.size()), 1);
    QCOMPARE(values.at(26), QString::number(record::demoRecord(kSlot)[25]));
  }

  // A change of values redraws the rows of the fields it touched; another record opened
  // redraws everything and renames the open column.
  void reportsTheRowsAChangeTouched() {
    auto document = openDocument();
    CompareModel model(document);
    QSignalSpy data(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);
    document->setValue(108, "3");  // gun group 2 ammunition, high byte
    QCOMPARE(data.size(), 1);
    const int ammunition = CompareModel::rowOfByte(107);
    QCOMPARE(data[0][0].toModelIndex().row(), ammunition);
    QCOMPARE(data[0][1].toModelIndex().row(), ammunition);
    document->undo();
    QCOMPARE(data.size(), 2);
    QCOMPARE(header.size(), 0);
    document->open(3, record::bytePosition(3, 1), record::demoRecord(3));
    QCOMPARE(data.last()[0].toModelIndex().row(), 0);
    QCOMPARE(data.last()[1].toModelIndex().row(), model.rowCount() - 1);
    QCOMPARE(header.size(), 1);
    QCOMPARE(model.headerData(CompareModel::kOpenColumn, Qt::Horizontal, Qt::DisplayRole),
             QVariant("P-47D (open)"));
  }

  // A take gives the bytes of the chosen fields that would change, and only those: put into
  // the document, they leave those fields equal and every other field as it was.
  void takeGivesOnlyTheChangingBytes_data() {
    QTest::addColumn<int>("gunGroup");  // 0: every field
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("stillDiffering");
    QTest::newRow("gun group 2") << 2 << 3 << 2;
    QTest::newRow("gun group 5, which does not differ") << 5 << 0 << 4;
    QTest::newRow("every field") << 0 << 5 << 0;
  }
  void takeGivesOnlyTheChangingBytes() {
    QFETCH(int, gunGroup);
    QFETCH(int, bytes);
    QFETCH(int, stillDiffering);
    auto document = openDocument();
    CompareModel model(document);
    // Year, Max speed, and gun group 2's number and ammunition.
    model.setOther(flipped({9, 25, 101, 107, 108}), "other");
    QCOMPARE(model.differingCount(), 4);  // 107 and 108 are one field
    const std::vector<int> rows =
        gunGroup == 0 ? CompareModel::allRows() : CompareModel::rowsOfGunGroup(gunGroup);
    const std::map<int, QString> values = model.otherValues(rows);
    QCOMPARE(int(values.size()), bytes);
    record::Values texts;
    for (const auto& [row, text] : values) texts[row] = text.toStdString();
    document->setValues("Take", texts);
    QCOMPARE(model.differingCount(), stillDiffering);
  }
};

QTEST_GUILESS_MAIN(CompareModelTest)
#include "test_compare_model.moc"
