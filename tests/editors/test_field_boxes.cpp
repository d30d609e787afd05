// The field table against the real window: each control that the table names as a field's box
// is used as a player uses it, and exactly the table's rows of the record change.
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <set>

#include "editors/field_boxes.h"
#include "record/fields.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

using tolvane::test::Fixture;
namespace record = tolvane::record;
using record::Field;

namespace {

constexpr int kSlot = 7;  // B-24D: six gun groups with guns in them

void typeInto(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, text);
}

void clickRow(tolvane::ui::ByteGrid* grid, int row) {
  grid->setTopRow(row);
  const QRect cell = grid->visualRect(grid->model()->index(row, 3));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

// A choice of an option array other than the code the field holds now.
int otherChoice(const tolvane::ui::OptionArray* options, int now) {
  for (const int k : options->indexes()) {
    if (k != now) return k;
  }
  return now;
}

}  // namespace

class FieldBoxesTest : public QObject {
  Q_OBJECT
 private slots:
  void eachBoxWritesExactlyItsFieldsRows() {
    Fixture f;
    f.pick(kSlot);
    const auto& c = f.window->controls();
    record::RecordDocument& document = c.G1->document();
    std::set<int> changed;
    const int listener = document.addListener([&changed](const auto& change) {
      if (change.kind != record::RecordDocument::Change::Kind::Values) return;
      for (int row = change.firstRow; row <= change.lastRow; ++row) changed.insert(row);
    });

    int boxes = 0;
    for (const Field& field : record::allFields()) {
      if (field.box.empty()) continue;
      ++boxes;
      const QString box = QString::fromStdString(field.box);
      const QByteArray what = QByteArray::fromStdString(field.name + " by " + field.box);
      if (field.gunGroup != 0) c.Option4->select(field.gunGroup);
      changed.clear();
      const int now = document.byte(field.firstRow).value_or(0);
      const QString other = QString::number((now + 1) % 256);

      if (field.editedInGrid()) {
        clickRow(c.G1, field.firstRow);
        typeInto(c.Text4, other);
        QTest::keyClick(c.Text4, Qt::Key_Return);
      } else if (box == "Text5") {
        typeInto(c.Text5, now == 'Z' ? "YYYY" : "ZZZZ");
        QTest::keyClick(c.Text5, Qt::Key_Return);
      } else if (box == "Label3") {
        c.Option1->select(otherChoice(c.Option1, now));
      } else if (box == "Label5") {
        c.Option3->select(otherChoice(c.Option3, now));
      } else if (auto* check = f.find<QCheckBox>(box)) {
        check->click();  // smoke
      } else if (auto* first = f.find<QCheckBox>(box + "(0)")) {
        first->click();  // an array of flag boxes
      } else if (box == "Gundamage") {
        // A standard damage value whose gun type brings another sound: the box writes the
        // sound too.
        const int sound =
            document.byte(record::fieldOfBox("Label5", field.gunGroup)->firstRow).value_or(0);
        typeInto(c.Gundamage, sound == 3 ? "12" : "24");
      } else if (auto* line = f.find<QLineEdit>(box)) {
        typeInto(line, other);
      } else {
        QFAIL("no control of that name: " + what);
      }

      QVERIFY2(changed.count(field.firstRow) == 1, what);
      for (const int row : changed) {
        QVERIFY2(field.holds(row) || record::typedRow(field.box, field.gunGroup, row),
                 what + " wrote row " + QByteArray::number(row));
      }
    }
    QCOMPARE(boxes, 4 + 2 + 15 + 12 + 1 + 6 * 6 + 4 + 1);
    document.removeListener(listener);
  }

  // The field of a control follows its name as it is now and the gun group asked for, also
  // when the same control is asked again under another name or for another group.
  void fieldOfControlFollowsNameAndGroup() {
    QWidget control;
    const struct {
      const char* name;
      int group;
    } asks[] = {{"Text8", 0}, {"Text7", 0}, {"Text8", 0}, {"Text1", 1}, {"Text1", 2},
                {"Text1", 1}, {"Text3(4)", 0}, {"", 0},   {"NoSuchBox", 0}, {"Text2", 6}};
    for (const auto& ask : asks) {
      control.setObjectName(QString::fromLatin1(ask.name));
      const QByteArray what = QByteArray(ask.name) + " in group " + QByteArray::number(ask.group);
      QCOMPARE(tolvane::editors::fieldOfControl(&control, ask.group),
               record::fieldOfBox(ask.name, ask.group));
      QVERIFY2(std::string_view(ask.name).empty() || ask.name == std::string_view("NoSuchBox") ||
                   tolvane::editors::fieldOfControl(&control, ask.group) != nullptr,
               what);
    }
    QVERIFY(tolvane::editors::fieldOfControl(nullptr) == nullptr);
    QVERIFY(tolvane::editors::fieldOfControl(&control, 1) != nullptr);  // "Text2", group 1
    QVERIFY(tolvane::editors::fieldOfControl(&control, 1) !=
            tolvane::editors::fieldOfControl(&control, 6));
  }
};

QTEST_MAIN(FieldBoxesTest)
#include "test_field_boxes.moc"
