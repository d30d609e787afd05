// The gun-group panel: what a group choice shows and never writes, what each edit writes
// relative to the chosen group, the type/sound chain of the damage box, and values that the
// bytes cannot hold.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

using tolvane::test::Fixture;
namespace record = tolvane::record;

namespace {

constexpr int kSlot = 7;  // B-24D: group 1 holds 2 guns, position 4, damage 4, ammo 400, sound 1

// Index in planes.dat of byte k of the slot's record.
qsizetype fileIndex(int k) {
  return static_cast<qsizetype>(record::bytePosition(kSlot, k) - 1);
}

// The twelve value cells of a group, from its first row.
using GroupCells = QStringList;

void setGroup(Fixture& f, int n, const GroupCells& cells) {
  const int s = record::gunGroupFirstRow(n);
  for (int i = 0; i < cells.size(); ++i) f.setCell(s + i, 2, cells[i]);
}

QStringList valueColumn(const Fixture& f) {
  QStringList values;
  for (int row = 1; row <= record::kRecordBytes; ++row) values << f.cell(row);
  return values;
}

// Replaces a box's whole text by typing, as a user does.
void typeInto(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  if (text.isEmpty()) {
    QTest::keyClick(box, Qt::Key_Backspace);
  } else {
    QTest::keyClicks(box, text);
  }
}

// Replaces a box's whole text in one change, as a paste does.
void pasteInto(QLineEdit* box, const QString& text) {
  box->selectAll();
  box->insert(text);
}

bool marked(const QLineEdit* box) {
  return !box->toolTip().isEmpty() && box->palette().color(QPalette::Text) == QColor(Qt::red);
}

}  // namespace

class TestGunGroupEditor : public QObject {
  Q_OBJECT

 private:
  const tolvane::editors::WindowControls& c(Fixture& f) { return f.window->controls(); }

 private slots:
  void selectionShowsGroupAndWritesNothing_data();
  void selectionShowsGroupAndWritesNothing();
  void fieldEdits_data();
  void fieldEdits();
  void valuesTheBytesCannotHold_data();
  void valuesTheBytesCannotHold();
  void positionClickWritesOnce();
  void smokeClick_data();
  void smokeClick();
  void typeChoiceChoosesSound();
  void typedDamageMatchesTypes();
  void keyPressMatchesTextBeforeTheKey();
  void enterChoosesTypeAgain();
  void damageEditsAreSavedByTheNextPick();
  void oddCodesSurviveSelectionAndSave();
  void oddCodesChangeOnlyWhenEdited();
  void loadClearsTheGroupChoice();
  void groupCountBox();
};

// Cells: number, -, position, -, damage low, damage high, ammo low, ammo high, sound, -, smoke, -.
void TestGunGroupEditor::selectionShowsGroupAndWritesNothing_data() {
  QTest::addColumn<int>("group");
  QTest::addColumn<GroupCells>("cells");
  QTest::addColumn<QString>("number");
  QTest::addColumn<int>("positionButton");
  QTest::addColumn<QString>("damage");
  QTest::addColumn<int>("typeButton");
  QTest::addColumn<QString>("ammunition");
  QTest::addColumn<int>("soundButton");
  QTest::addColumn<int>("smokeState");

  QTest::newRow("group 1") << 1 << GroupCells{"3",   "9", "13", "9", "12", "0",
                                              "232", "3", "0",  "9", "1",  "9"}
                           << "3" << 13 << "12" << 12 << " 1000" << 0 << int(Qt::Checked);
  QTest::newRow("group 6") << 6 << GroupCells{"8",   "0",   "0", "0", "7", "0",
                                              "255", "255", "3", "0", "0", "0"}
                           << "8" << 0 << "7" << -1 << " 65535" << 3 << int(Qt::Unchecked);
  QTest::newRow("odd codes") << 3 << GroupCells{"0", "0", "14", "0", "12", "1",
                                                "0", "0", "5",  "0", "2",  "0"}
                             << "0" << -1 << "12" << 12 << " 0" << -1 << int(Qt::PartiallyChecked);
  QTest::newRow("smoke above 2") << 4 << GroupCells{"1", "0", "1", "0", "24",  "0",
                                                    "1", "0", "1", "0", "200", "0"}
                                 << "1" << 1 << "24" << 24 << " 1" << 1
                                 << int(Qt::PartiallyChecked);
}

void TestGunGroupEditor::selectionShowsGroupAndWritesNothing() {
  QFETCH(int, group);
  QFETCH(GroupCells, cells);
  Fixture f;
  f.pick(kSlot);
  setGroup(f, group, cells);
  const QStringList before = valueColumn(f);

  c(f).Option4->select(group);

  const int s = record::gunGroupFirstRow(group);
  QCOMPARE(f.window->state().gunGroupNumber, group);
  QCOMPARE(f.window->state().gunGroupRow, s);
  QCOMPARE(c(f).G1->topRow(), s);
  QCOMPARE(c(f).FGG->title(), QStringLiteral("Gungroup  %1").arg(group));
  QTEST(c(f).Text1->text(), "number");
  QCOMPARE(c(f).Label3->caption(), cells[2]);
  QTEST(c(f).Option1->selected(), "positionButton");
  QTEST(c(f).Gundamage->text(), "damage");
  QTEST(c(f).Option2->selected(), "typeButton");
  QTEST(c(f).Text2->text(), "ammunition");
  QCOMPARE(c(f).Label5->caption(), cells[8]);
  QTEST(c(f).Option3->selected(), "soundButton");
  QTEST(int(c(f).smoke->checkState()), "smokeState");
  QVERIFY(c(f).Text2->isVisible() && c(f).FGG->isVisible() && c(f).FGC->isVisible() &&
          c(f).FGS->isVisible());

  QCOMPARE(valueColumn(f), before);
  QVERIFY(!f.window->state().recordModified);
}

void TestGunGroupEditor::fieldEdits_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("offset");  // first row written, from the group's first row
  QTest::addColumn<QStringList>("expected");

  QTest::newRow("number 4") << "Text1"
                            << "4" << 0 << QStringList{"4"};
  QTest::newRow("number cleared") << "Text1"
                                  << "" << 0 << QStringList{"0"};
  QTest::newRow("ammunition 1000") << "Text2"
                                   << "1000" << 6 << QStringList{"232", "3"};
  QTest::newRow("ammunition 65535") << "Text2"
                                    << "65535" << 6 << QStringList{"255", "255"};
  QTest::newRow("ammunition 256") << "Text2"
                                  << "256" << 6 << QStringList{"0", "1"};
  QTest::newRow("ammunition cleared") << "Text2"
                                      << "" << 6 << QStringList{"0", "0"};
  QTest::newRow("damage 300") << "Gundamage"
                              << "300" << 4 << QStringList{"44", "1"};
  QTest::newRow("damage 7") << "Gundamage"
                            << "7" << 4 << QStringList{"7", "0"};
}

void TestGunGroupEditor::fieldEdits() {
  QFETCH(QString, box);
  QFETCH(QString, typed);
  QFETCH(int, offset);
  QFETCH(QStringList, expected);
  Fixture f;
  f.pick(kSlot);
  c(f).Option4->select(2);
  const int s = record::gunGroupFirstRow(2);
  // The rows follow the chosen group, not what the grid shows.
  c(f).G1->setTopRow(1);

  typeInto(f.find<QLineEdit>(box), typed);

  for (int i = 0; i < expected.size(); ++i) QCOMPARE(f.cell(s + offset + i), expected[i]);
  QVERIFY(f.window->state().recordModified);
  QVERIFY(!marked(f.find<QLineEdit>(box)));
}

// Written as typed, so that the grid and the save refuse them; the box is marked as well. A
// fraction, which saving takes rounded, gets a note instead of the mark.
void TestGunGroupEditor::valuesTheBytesCannotHold_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("offset");
  QTest::addColumn<QStringList>("expected");
  QTest::addColumn<bool>("saveRefuses");

  QTest::newRow("number 300") << "Text1"
                              << "300" << 0 << QStringList{"300"} << true;
  // A text that is not one number as a whole goes in as typed, not as its leading number.
  QTest::newRow("number 12abc") << "Text1"
                                << "12abc" << 0 << QStringList{"12abc"} << true;
  QTest::newRow("number four") << "Text1"
                               << "four" << 0 << QStringList{"four"} << true;
  QTest::newRow("ammunition 1,000") << "Text2"
                                    << "1,000" << 6 << QStringList{"1,000", "1,000"} << true;
  QTest::newRow("number -1") << "Text1"
                             << "-1" << 0 << QStringList{"-1"} << true;
  QTest::newRow("number 1E999") << "Text1"
                                << "1E999" << 0 << QStringList{"inf"} << true;
  QTest::newRow("number 12.5") << "Text1"
                               << "12.5" << 0 << QStringList{"12.5"} << false;
  QTest::newRow("ammunition 70000") << "Text2"
                                    << "70000" << 6 << QStringList{"112", "273"} << true;
  QTest::newRow("ammunition -1") << "Text2"
                                 << "-1" << 6 << QStringList{"255", "-1"} << true;
  QTest::newRow("ammunition 1E999") << "Text2"
                                    << "1E999" << 6 << QStringList{"nan", "inf"} << true;
  QTest::newRow("ammunition 12.5") << "Text2"
                                   << "12.5" << 6 << QStringList{"12.5", "0"} << false;
  QTest::newRow("damage 70000") << "Gundamage"
                                << "70000" << 4 << QStringList{"112", "273"} << true;
  QTest::newRow("damage -1") << "Gundamage"
                             << "-1" << 4 << QStringList{"255", "-1"} << true;
  QTest::newRow("damage 1E999") << "Gundamage"
                                << "1E999" << 4 << QStringList{"nan", "inf"} << true;
  QTest::newRow("damage 12.5") << "Gundamage"
                               << "12.5" << 4 << QStringList{"12.5", "0"} << false;
}

void TestGunGroupEditor::valuesTheBytesCannotHold() {
  QFETCH(QString, box);
  QFETCH(QString, typed);
  QFETCH(int, offset);
  QFETCH(QStringList, expected);
  QFETCH(bool, saveRefuses);
  Fixture f;
  f.pick(kSlot);
  c(f).Option4->select(1);
  const int s = record::gunGroupFirstRow(1);
  auto* edit = f.find<QLineEdit>(box);
  const QByteArray file = f.folder.bytes();

  pasteInto(edit, typed);
  for (int i = 0; i < expected.size(); ++i) QCOMPARE(f.cell(s + offset + i), expected[i]);
  QCOMPARE(marked(edit), saveRefuses);
  if (!saveRefuses) QVERIFY(tolvane::test::noteShown(edit, "12"));

  // Another group and back: the box shows the stored cells and is marked again.
  c(f).Option4->select(2);
  QVERIFY(!marked(edit));
  c(f).Option4->select(1);
  QCOMPARE(marked(edit), saveRefuses);

  c(f).Command3->click();
  QCOMPARE(f.prompter.errors.size(), saveRefuses ? 1 : 0);
  if (saveRefuses)
    QCOMPARE(f.folder.bytes(), file);
  else
    QVERIFY(f.folder.bytes() != file);
  if (!saveRefuses) return;

  typeInto(edit, "9");
  QVERIFY(!marked(edit));
  QVERIFY(edit->palette().color(QPalette::Text) != QColor(Qt::red));
}

void TestGunGroupEditor::positionClickWritesOnce() {
  Fixture f;
  f.pick(kSlot);
  c(f).Option4->select(1);
  const int s = record::gunGroupFirstRow(1);
  c(f).Option1->button(9)->click();
  QCOMPARE(f.cell(s + 2), QStringLiteral("9"));
  QCOMPARE(c(f).Label3->caption(), QStringLiteral("9"));
  QVERIFY(f.window->state().recordModified);

  f.window->state().recordModified = false;
  f.setCell(s + 2, 2, "77");  // would be overwritten by a second write
  c(f).Option1->button(9)->click();
  QCOMPARE(f.cell(s + 2), QStringLiteral("77"));
  QVERIFY(!f.window->state().recordModified);
}

void TestGunGroupEditor::smokeClick_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<QString>("afterClick");
  QTest::addColumn<QString>("afterSecondClick");
  QTest::newRow("off") << "0"
                       << "1"
                       << "0";
  QTest::newRow("on") << "1"
                      << "0"
                      << "1";
  QTest::newRow("third state") << "2"
                               << "1"
                               << "0";
  QTest::newRow("code 9") << "9"
                          << "1"
                          << "0";
}

void TestGunGroupEditor::smokeClick() {
  QFETCH(QString, stored);
  Fixture f;
  f.pick(kSlot);
  const int s = record::gunGroupFirstRow(5);
  f.setCell(s + 10, 2, stored);
  const QString secondByte = f.cell(s + 11);
  c(f).Option4->select(5);
  QCOMPARE(f.cell(s + 10), stored);

  c(f).smoke->click();
  QTEST(f.cell(s + 10), "afterClick");
  QVERIFY(f.window->state().recordModified);
  c(f).smoke->click();
  QTEST(f.cell(s + 10), "afterSecondClick");
  QCOMPARE(f.cell(s + 11), secondByte);
}

void TestGunGroupEditor::typeChoiceChoosesSound() {
  Fixture f;
  f.pick(kSlot);
  const int s = record::gunGroupFirstRow(1);
  f.setCell(s + 8, 2, "0");
  c(f).Option4->select(1);

  c(f).Option2->button(12)->click();
  QCOMPARE(c(f).Gundamage->text(), QStringLiteral(" 12"));
  QCOMPARE(f.cell(s + 4), QStringLiteral("12"));
  QCOMPARE(f.cell(s + 5), QStringLiteral("0"));
  QCOMPARE(c(f).Option3->selected(), 2);
  QCOMPARE(c(f).Label5->caption(), QStringLiteral("2"));
  QCOMPARE(f.cell(s + 8), QStringLiteral("2"));

  c(f).Option2->button(0)->click();
  QCOMPARE(c(f).Gundamage->text(), QStringLiteral(" 0"));
  QCOMPARE(f.cell(s + 4), QStringLiteral("0"));
  QCOMPARE(f.cell(s + 5), QStringLiteral("0"));
  QCOMPARE(f.cell(s + 8), QStringLiteral("2"));
  QCOMPARE(c(f).Option3->selected(), 2);
}

void TestGunGroupEditor::typedDamageMatchesTypes() {
  Fixture f;
  f.pick(kSlot);
  const int s = record::gunGroupFirstRow(1);  // damage 4, sound 1
  c(f).Option4->select(1);

  // Replacing the text by 3, then 0: no type, the sound untouched.
  QLineEdit* box = c(f).Gundamage;
  typeInto(box, "3");
  QCOMPARE(f.cell(s + 4), QStringLiteral("3"));
  QCOMPARE(f.cell(s + 5), QStringLiteral("0"));
  QTest::keyClick(box, Qt::Key_0);
  QCOMPARE(box->text(), QStringLiteral("30"));
  QCOMPARE(f.cell(s + 4), QStringLiteral("30"));
  QCOMPARE(f.cell(s + 5), QStringLiteral("0"));
  QCOMPARE(c(f).Option2->selected(), -1);
  QCOMPARE(f.cell(s + 8), QStringLiteral("1"));

  // Over a fully selected text that names a type, the next key still replaces it.
  pasteInto(box, "24");
  QCOMPARE(box->text(), QStringLiteral(" 24"));
  QCOMPARE(f.cell(s + 8), QStringLiteral("3"));
  typeInto(box, "4");
  QCOMPARE(box->text(), QStringLiteral(" 4"));
  QCOMPARE(c(f).Option2->selected(), 4);
  QCOMPARE(f.cell(s + 4), QStringLiteral("4"));
  QCOMPARE(f.cell(s + 5), QStringLiteral("0"));
  QCOMPARE(f.cell(s + 8), QStringLiteral("1"));

  // 12.0 reads as 12 and matches; 12.5 matches nothing.
  pasteInto(box, "12.0");
  QCOMPARE(f.cell(s + 4), QStringLiteral("12"));
  QCOMPARE(c(f).Option2->selected(), 12);
  pasteInto(box, "12.5");
  QCOMPARE(c(f).Option2->selected(), -1);
}

void TestGunGroupEditor::keyPressMatchesTextBeforeTheKey() {
  Fixture f;
  f.pick(kSlot);
  const int s = record::gunGroupFirstRow(1);  // damage 4
  f.setCell(s + 8, 2, "3");
  c(f).Option4->select(1);
  QLineEdit* box = c(f).Gundamage;
  QCOMPARE(box->text(), QStringLiteral("4"));

  // The key press sees "4", which chooses the type "50cal/13mm MG" and its sound before the
  // 0 arrives; "40" then matches nothing and leaves that sound.
  box->setFocus();
  box->end(false);
  QTest::keyClick(box, Qt::Key_0);
  QCOMPARE(box->text(), QStringLiteral(" 40"));
  QCOMPARE(f.cell(s + 4), QStringLiteral("40"));
  QCOMPARE(f.cell(s + 8), QStringLiteral("1"));
  QCOMPARE(c(f).Option2->selected(), -1);
}

void TestGunGroupEditor::enterChoosesTypeAgain() {
  Fixture f;
  f.pick(kSlot);
  const int s = record::gunGroupFirstRow(1);
  c(f).Option4->select(1);
  c(f).Option2->button(4)->click();
  c(f).Option3->button(3)->click();
  QCOMPARE(f.cell(s + 8), QStringLiteral("3"));

  QTest::keyClick(c(f).Gundamage, Qt::Key_Return);
  QCOMPARE(c(f).Option2->selected(), 4);
  QCOMPARE(c(f).Option3->selected(), 1);
  QCOMPARE(f.cell(s + 8), QStringLiteral("1"));
  QCOMPARE(f.cell(s + 4), QStringLiteral("4"));
}

// Every damage write marks the record modified, so that picking another aircraft saves it.
void TestGunGroupEditor::damageEditsAreSavedByTheNextPick() {
  Fixture f;
  f.pick(kSlot);
  const int s = record::gunGroupFirstRow(1);
  f.setCell(s + 4, 2, "7");
  f.window->state().recordModified = false;
  c(f).Option4->select(1);
  c(f).Option2->button(4)->click();  // the sound is 1 already
  QVERIFY(f.window->state().recordModified);
  typeInto(c(f).Gundamage, "300");
  QVERIFY(f.window->state().recordModified);

  f.pick(kSlot + 1);
  const QByteArray file = f.folder.bytes();
  QCOMPARE(quint8(file[fileIndex(s + 4)]), quint8(44));
  QCOMPARE(quint8(file[fileIndex(s + 5)]), quint8(1));
  QVERIFY(f.prompter.errors.isEmpty());
}

void TestGunGroupEditor::oddCodesSurviveSelectionAndSave() {
  Fixture f;
  const int s = record::gunGroupFirstRow(2);
  QByteArray file = f.folder.bytes();
  const std::pair<int, char> odd[] = {
      {s + 2, 14}, {s + 4, 12}, {s + 5, 1}, {s + 8, 5}, {s + 10, 2}};
  for (const auto& [k, byte] : odd) file[fileIndex(k)] = byte;
  f.folder.setBytes(file);
  f.pick(kSlot);

  c(f).Option4->select(2);
  QCOMPARE(c(f).Label3->caption(), QStringLiteral("14"));
  QCOMPARE(c(f).Option1->selected(), -1);
  QCOMPARE(c(f).Label5->caption(), QStringLiteral("5"));
  QCOMPARE(c(f).Option3->selected(), -1);
  QCOMPARE(c(f).smoke->checkState(), Qt::PartiallyChecked);
  QCOMPARE(c(f).Option2->selected(), 12);
  QVERIFY(!f.window->state().recordModified);

  c(f).Command3->click();
  QVERIFY(f.prompter.errors.isEmpty());
  QCOMPARE(f.folder.bytes(), file);
}

// A code without a control changes when the user edits that field, and only that field.
void TestGunGroupEditor::oddCodesChangeOnlyWhenEdited() {
  Fixture f;
  f.pick(kSlot);
  const int s = record::gunGroupFirstRow(3);
  setGroup(f, 3, {"1", "0", "14", "0", "12", "1", "0", "0", "5", "0", "2", "0"});
  c(f).Option4->select(3);

  c(f).Option1->button(0)->click();
  QCOMPARE(f.cell(s + 2), QStringLiteral("0"));
  QCOMPARE(f.cell(s + 5), QStringLiteral("1"));
  QCOMPARE(f.cell(s + 8), QStringLiteral("5"));
  QCOMPARE(f.cell(s + 10), QStringLiteral("2"));

  c(f).Option3->button(0)->click();
  QCOMPARE(f.cell(s + 8), QStringLiteral("0"));
  QCOMPARE(f.cell(s + 5), QStringLiteral("1"));

  // Any type edit rewrites the high damage byte.
  c(f).Option2->button(2)->click();
  QCOMPARE(f.cell(s + 4), QStringLiteral("2"));
  QCOMPARE(f.cell(s + 5), QStringLiteral("0"));
}

void TestGunGroupEditor::loadClearsTheGroupChoice() {
  Fixture f;
  f.pick(kSlot);
  c(f).Option4->select(4);
  typeInto(c(f).Text1, "5");
  c(f).Command3->click();  // saves and reloads

  QCOMPARE(c(f).Option4->selected(), -1);
  QVERIFY(c(f).Frame1->isVisible());
  QVERIFY(!c(f).FGG->isVisible() && !c(f).FGC->isVisible() && !c(f).FGS->isVisible());
  QVERIFY(!f.window->state().recordModified);

  c(f).Option4->select(4);
  QCOMPARE(c(f).Text1->text(), QStringLiteral("5"));
  f.pick(kSlot + 1);
  QCOMPARE(c(f).Option4->selected(), -1);
  QVERIFY(!c(f).FGG->isVisible());
}

void TestGunGroupEditor::groupCountBox() {
  Fixture f;
  f.pick(kSlot);
  QCOMPARE(c(f).Text6->text(), QStringLiteral("3"));
  QVERIFY(!f.window->state().recordModified);

  typeInto(c(f).Text6, "4x");
  QCOMPARE(f.cell(85), QStringLiteral("4x"));  // refused as typed, not read as 4
  QVERIFY(marked(c(f).Text6));
  QVERIFY(f.window->state().recordModified);
  f.window->state().recordModified = false;
  QTest::keyClick(c(f).Text6, Qt::Key_Return);
  QVERIFY(f.window->state().recordModified);

  typeInto(c(f).Text6, "256");
  QVERIFY(marked(c(f).Text6));
  typeInto(c(f).Text6, "");
  QCOMPARE(f.cell(85), QStringLiteral("0"));
  QVERIFY(!marked(c(f).Text6));
}

QTEST_MAIN(TestGunGroupEditor)
#include "test_gun_group_editor.moc"
