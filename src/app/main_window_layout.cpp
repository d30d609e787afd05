#include "app/main_window_layout.h"

#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <vector>

#include "record/fields.h"
#include "record/layout.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"
#include "ui/dir_list.h"
#include "ui/pick_list.h"
#include "ui/wrap_button.h"

namespace tolvane::app {
namespace {

QString member(const char* name, int index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

template <typename W>
W* place(W* widget, const QString& name, int x, int y, int w, int h) {
  widget->setObjectName(name);
  widget->setGeometry(x, y, w, h);
  return widget;
}

// A top-level control placed by its twip rectangle.
template <typename W>
W* placeTwips(W* widget, const QString& name, int left, int top, int width, int height) {
  return place(widget, name, twips(left), twips(top), twips(left + width) - twips(left),
               twips(top + height) - twips(top));
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption, int x, int y, int w,
              int h, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* l = place(new QLabel(caption, parent), name, x, y, w, h);
  l->setAlignment(align);
  return l;
}

ui::CaptionLabel* captionLabel(QWidget* parent, const QString& name, const QString& caption, int x,
                               int y, int w, int h) {
  auto* l = place(new ui::CaptionLabel(parent), name, x, y, w, h);
  l->setText(caption);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // A caption label keeps its place and size: fixed, a new caption only redraws it instead of
  // asking its frame to lay out again.
  l->setFixedSize(l->size());
  return l;
}

QLineEdit* textBox(QWidget* parent, const QString& name, int x, int y, int w, int h) {
  auto* t = place(new QLineEdit(parent), name, x, y, w, h);
  t->setMaxLength(32767 * 64);  // no practical length limit
  t->setTextMargins(0, 0, 0, 0);
  return t;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                 int width, int height) {
  return placeTwips(new QGroupBox(caption, parent), name, left, top, width, height);
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption, int x, int y,
                    int w, int h) {
  return place(new QCheckBox(caption, parent), name, x, y, w, h);
}

ui::OptionButton* option(ui::OptionArray* array, QWidget* parent, const char* name, int index,
                         const QString& caption, int x, int y, int w, int h) {
  auto* b = place(new ui::OptionButton(caption, parent), member(name, index), x, y, w, h);
  array->add(index, b);
  return b;
}

void fillSlotList(QListWidget* list) {
  list->clear();
  for (const char* name : record::slotNames()) list->addItem(QString::fromLatin1(name));
}

void name(QWidget* widget, const QString& accessibleName) {
  widget->setAccessibleName(accessibleName);
}

// Names every control for screen readers, from its caption or from the label beside it.
void nameControls(const editors::WindowControls& c) {
  name(c.List1, "Aircraft");
  name(c.G1, "Record bytes");
  name(c.Text4, "Byte value");
  for (QPushButton* b : {c.Command1, c.Command2, c.Command3, c.Command4, c.Command5}) {
    name(b, b->text());
  }
  for (int i = 0; i < 4; ++i) name(c.F[i], QStringLiteral("Flags %1").arg(i + 1));
  for (const auto* boxes : {&c.Check1, &c.Check2, &c.Check3}) {
    for (QCheckBox* b : *boxes) name(b, b->text());
  }
  for (QCheckBox* b : c.Check4) name(b, b->text());
  name(c.Text8, c.Label2_1->text());
  name(c.Text7, c.Label12->text());
  name(c.Frame2, "Performance");
  // Box 0 (the stall speed) has its caption at index 15; index 0 is the ammunition's.
  for (int i = 0; i < 15; ++i) name(c.Text3[i], c.Label4[i == 0 ? 15 : i]->text());
  name(c.Text5, c.Label6->text());
  name(c.Frame1, c.Frame1->title());
  for (int n : c.Option4->indexes())
    name(c.Option4->button(n), QStringLiteral("Gun group %1").arg(n));
  name(c.Text6, "Number of gun groups");
  name(c.FGG, "Gun group");
  for (int i : c.Option1->indexes()) {
    name(c.Option1->button(i), c.Option1->button(i)->text());
    c.Option1->button(i)->setAccessibleDescription("Gun position");
  }
  // Both groups have a "None": each says which it belongs to.
  name(c.Option1->button(0), QStringLiteral("None, no gun position"));
  name(c.smoke, c.smoke->text());
  name(c.Text1, QStringLiteral("Number of guns"));
  name(c.Text2, c.Label4[0]->text());
  name(c.FGC, "Gun type and damage");
  for (int k : c.Option2->indexes()) {
    name(c.Option2->button(k), c.Option2->button(k)->text());
    c.Option2->button(k)->setAccessibleDescription("Gun type");
  }
  name(c.Option2->button(0), QStringLiteral("None, no gun type"));
  name(c.Gundamage, "Damage value");
  name(c.FGS, c.FGS->title());
  for (int k : c.Option3->indexes()) {
    name(c.Option3->button(k), c.Option3->button(k)->text() + QStringLiteral(" sound"));
  }
  name(c.Frame3, c.Frame3->title());
  name(c.Text9, c.Label11->text());
  name(c.List2, "Slot");
  name(c.Text11, "Pnames string name");
  name(c.Text10, c.Label13->text());
  name(c.Dir1, "Parent folder");
  name(c.Text12, "Save in folder");
}

// Tab goes through the window as it reads from the top left: the buttons of the left column
// and the byte box under them, the grid, the flag frames with year and crew, the performance
// figures row by row (the code sits at the end of the first), the aircraft list, then the gun
// group's frames. The Script Maker's controls follow its button; while it is shown it keeps
// them to itself. Hidden and disabled controls are passed over.
void orderTabs(const editors::WindowControls& c) {
  std::vector<QWidget*> order = {c.Command3, c.Command2, c.Text9,  c.List2,    c.Text11,
                                 c.Text10,   c.Dir1,     c.Text12, c.Command4, c.Command5,
                                 c.Command1, c.Text4,    c.G1};
  for (const auto* boxes : {&c.Check1, &c.Check2, &c.Check3}) {
    order.insert(order.end(), boxes->begin(), boxes->end());
  }
  order.insert(order.end(), c.Check4.begin(), c.Check4.end());
  order.insert(order.end(), {c.Text8, c.Text7});
  // Left, middle and right column of each row; the code ends the first row.
  for (int i : {0, 8, 13}) order.push_back(c.Text3[static_cast<std::size_t>(i)]);
  order.push_back(c.Text5);
  for (int i : {1, 9, 14, 2, 10, 7, 3, 11, 6, 4, 12, 5}) {
    order.push_back(c.Text3[static_cast<std::size_t>(i)]);
  }
  order.push_back(c.List1);
  auto options = [&order](const ui::OptionArray* array) {
    for (int i : array->indexes()) order.push_back(array->button(i));
  };
  options(c.Option4);
  order.push_back(c.Text6);
  options(c.Option1);
  order.insert(order.end(), {c.smoke, c.Text1, c.Text2});
  options(c.Option2);
  order.push_back(c.Gundamage);
  options(c.Option3);
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace

int twips(int value) {
  return (value + 7) / 15;
}

editors::WindowControls createControls(QWidget* w) {
  editors::WindowControls c;

  // Left column.
  c.Label7 = placeTwips(new ui::CaptionLabel(w), "Label7", 120, 0, 924, 276);
  c.Label7->setFixedSize(c.Label7->size());
  c.Command3 = placeTwips(new ui::WrapButton("Save planes.dat", w), "Command3", 24, 312, 1092, 540);
  c.Command2 = placeTwips(new ui::WrapButton("Save Script", w), "Command2", 24, 864, 1092, 444);
  c.Command1 = placeTwips(new ui::WrapButton("Move to the top of the damage byte section", w),
                          "Command1", 24, 1320, 1092, 852);
  c.Text4 = placeTwips(new QLineEdit(w), "Text4", 264, 2232, 612, 288);
  c.Text4->setMaxLength(32767 * 64);
  c.Text4->hide();

  // Byte grid.
  c.G1 = placeTwips(new ui::ByteGrid(w), "G1", 1125, 0, 2580, 2625);

  // Flag frames: one column of boxes each, index 0 at the top.
  c.F[0] = placeTwips(new ui::TitleFrame(w), "F1", 3720, 24, 1308, 2556);
  c.F[1] = placeTwips(new ui::TitleFrame(w), "F2", 5028, 24, 1404, 2556);
  c.F[2] = placeTwips(new ui::TitleFrame(w), "F3", 6432, 24, 2004, 2556);
  c.F[3] = placeTwips(new ui::TitleFrame(w), "F4", 8448, 24, 1452, 2556);
  // Each box is captioned with its bit's name in the field table; byte 8 has boxes for bits 0
  // to 5 only.
  auto caption = [](int flagRow, int bit) {
    return QString::fromStdString(record::fieldOfRow(flagRow).bitNames[std::size_t(bit)]);
  };
  for (int i = 0; i < 8; ++i) {
    c.Check1[i] = checkBox(c.F[0], member("Check1", i), caption(5, i), 3, 14 + 19 * i,
                           c.F[0]->width() - 4, 19);
    c.Check2[i] = checkBox(c.F[1], member("Check2", i), caption(6, i), 3, 14 + 19 * i,
                           c.F[1]->width() - 4, 19);
    c.Check3[i] = checkBox(c.F[2], member("Check3", i), caption(7, i), 3, 14 + 19 * i,
                           c.F[2]->width() - 4, 19);
  }
  for (int i = 0; i < 6; ++i) {
    c.Check4[i] = checkBox(c.F[3], member("Check4", i), caption(8, i), 3, 14 + 18 * i,
                           c.F[3]->width() - 4, 18);
  }
  // The flag captions are long for their frames: a narrow face of the same family fits them.
  const QFont narrow = ui::narrowFace(w->font());
  for (QGroupBox* f : c.F) f->setFont(narrow);
  // The "Not used" boxes carry bit 3 of bytes 6 and 7 through unchanged.
  c.Check2[3]->setEnabled(false);
  c.Check3[3]->setEnabled(false);
  c.Label2_1 = label(c.F[3], "Label2(1)", "Year", 4, 122, 44, 16);
  c.Label12 = label(c.F[3], "Label12", "Crew", 50, 122, 40, 16);
  c.Text8 = textBox(c.F[3], "Text8", 4, 139, 44, 21);
  c.Text7 = textBox(c.F[3], "Text7", 50, 139, 42, 21);

  // Performance frame: three columns of caption, box and conversion.
  c.Frame2 = frame(w, "Frame2", QString(), 0, 2592, 9900, 1860);
  struct Column {
    int x, captionWidth, boxWidth, conversionWidth;
  };
  const Column left{4, 68, 62, 66};
  const Column middle{200, 40, 62, 94};
  const Column right{396, 78, 62, 120};
  const int rowTop = 10;
  const int rowStep = 22;
  const char* caption4[16] = {"Ammo Count",
                              "Cruise speed",
                              "Corner speed",
                              "Max speed",
                              "Empty wt",
                              "Fuel burn rate",
                              "Wt of fuel",
                              "Max range",
                              "Close",
                              "Medium",
                              "Far",
                              "Line",
                              "Max",
                              "External default",
                              "Collision radius",
                              "Stall speed"};
  auto performanceRow = [&](int index, const Column& col, int line, QLabel** conversion,
                            bool lengthLabel) {
    const int y = rowTop + rowStep * line;
    const int captionIndex = index == 0 ? 15 : index;
    c.Label4[captionIndex] = label(c.Frame2, member("Label4", captionIndex), caption4[captionIndex],
                                   col.x, y, col.captionWidth, 20);
    c.Text3[index] =
        textBox(c.Frame2, member("Text3", index), col.x + col.captionWidth, y, col.boxWidth, 20);
    auto* conv = captionLabel(c.Frame2, member(lengthLabel ? "Label9" : "Label10", index),
                              lengthLabel ? " " : "", col.x + col.captionWidth + col.boxWidth + 2,
                              y, col.conversionWidth - 2, 20);
    *conversion = conv;
    if (lengthLabel)
      c.Label9[index] = conv;
    else
      c.Label10[index] = conv;
  };
  QLabel* unused = nullptr;
  // Left: stall, cruise, corner and max speed, empty weight.
  performanceRow(0, left, 0, &unused, false);
  for (int i = 1; i <= 4; ++i) performanceRow(i, left, i, &unused, false);
  // Middle: the view distances.
  for (int i = 8; i <= 12; ++i) performanceRow(i, middle, i - 8, &unused, true);
  // Right: external default, collision radius, range, fuel weight, fuel burn rate.
  performanceRow(13, right, 0, &unused, true);
  performanceRow(14, right, 1, &unused, true);
  performanceRow(7, right, 2, &unused, true);
  performanceRow(6, right, 3, &unused, false);
  performanceRow(5, right, 4, &unused, false);
  c.Label9[13]->hide();
  c.Label10[5]->hide();
  // The code sits in the top right corner, where the hidden conversion would be.
  const int codeX = right.x + right.captionWidth + right.boxWidth + 4;
  c.Label6 = label(c.Frame2, "Label6", "Code", codeX, rowTop, 28, 20);
  c.Text5 = textBox(c.Frame2, "Text5", codeX + 28, rowTop, c.Frame2->width() - codeX - 32, 20);

  // Aircraft list.
  c.List1 = placeTwips(new ui::PickList(w), "List1", 24, 4512, 1332, 2010);
  fillSlotList(c.List1);

  // Gun-group panel.
  c.Frame1 = frame(w, "Frame1", "Gun Group", 1392, 4488, 948, 2292);
  c.Option4 = new ui::OptionArray(w);
  c.Option4->setObjectName("Option4");
  for (int n = 1; n <= 6; ++n) {
    option(c.Option4, c.Frame1, "Option4", n, QString::number(n), 6, 16 + 18 * (n - 1),
           c.Frame1->width() - 10, 18);
  }
  c.Text6 = textBox(c.Frame1, "Text6", 6, 127, c.Frame1->width() - 12, 21);
  c.Frame1->hide();

  c.FGG = frame(w, "FGG", QString(), 2352, 4488, 7548, 1260);
  c.Option1 = new ui::OptionArray(w);
  c.Option1->setObjectName("Option1");
  const char* positions[14] = {"None",
                               "Wing",
                               "Nose",
                               "Tail",
                               "Top Turret",
                               "Rear cabin",
                               "Top",
                               "Ventral Rear",
                               "Ventral Front",
                               "Ball Turret",
                               "Left Waist",
                               "Right waist",
                               "Nose (flexible)",
                               "Front Turret"};
  const int columnX[6] = {4, 80, 156, 254, 334, 402};
  for (int i = 0; i < 14; ++i) {
    const int rowIndex = i / 5;
    const int columnIndex = i % 5;
    option(c.Option1, c.FGG, "Option1", i, positions[i], columnX[columnIndex], 16 + 22 * rowIndex,
           columnX[columnIndex + 1] - columnX[columnIndex] - 2, 20);
  }
  c.Label3 = captionLabel(c.FGG, "Label3", QString(), columnX[4], 16 + 44, 40, 20);
  c.smoke = checkBox(c.FGG, "smoke", "Smoke", 404, 14, 80, 20);
  c.smoke->setTristate(true);
  c.Label1_0 = label(c.FGG, "Label1(0)", "Number", 404, 37, 58, 20);
  c.Text1 = textBox(c.FGG, "Text1", 462, 37, 36, 20);
  c.Label4[0] = label(c.FGG, "Label4(0)", "Ammo Count", 404, 60, 58, 20);
  c.Label4[0]->setWordWrap(false);
  c.Text2 = textBox(c.FGG, "Text2", 462, 60, 36, 20);
  c.Text2->hide();
  c.FGG->setFont(narrow);
  c.FGG->hide();

  c.FGC = frame(w, "FGC", QString(), 2352, 5760, 7548, 492);
  c.Option2 = new ui::OptionArray(w);
  c.Option2->setObjectName("Option2");
  struct TypeButton {
    int index;
    const char* caption;
    int width;
  };
  const TypeButton types[5] = {{0, "None", 50},
                               {2, "30 cal/7.9 mm MG", 112},
                               {4, "50cal/13mm MG", 102},
                               {12, "20 mm Cannon", 94},
                               {24, "30mm Cannon", 88}};
  int x = 4;
  for (const TypeButton& t : types) {
    option(c.Option2, c.FGC, "Option2", t.index, t.caption, x, 8, t.width, 20);
    x += t.width;
  }
  c.Gundamage = textBox(c.FGC, "Gundamage", x + 4, 8, 44, 20);
  c.FGC->setFont(narrow);
  c.FGC->hide();

  c.FGS = frame(w, "FGS", "Sound", 2352, 6264, 7548, 516);
  c.Option3 = new ui::OptionArray(w);
  c.Option3->setObjectName("Option3");
  const char* sounds[4] = {"30 cal/7.9 mm MG", "50cal/13mm MG", "20 mm Cannon", "30mm Cannon"};
  const int soundWidths[4] = {112, 102, 94, 88};
  x = 54;
  for (int i = 0; i < 4; ++i) {
    option(c.Option3, c.FGS, "Option3", i, sounds[i], x, 14, soundWidths[i], 18);
    x += soundWidths[i];
  }
  c.Label5 = captionLabel(c.FGS, "Label5", QString(), x + 6, 14, 40, 18);
  c.FGS->setFont(narrow);
  // The frame is short: its title takes the top, and the buttons fit between the frame's lines
  // only when they take just the room inside them.
  const QRect inside = c.FGS->contentsRect();
  for (QWidget* child : c.FGS->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->minimumHeight() == child->maximumHeight()) child->setFixedHeight(inside.height());
    child->setGeometry(child->x(), inside.top(), child->width(), inside.height());
  }
  c.FGS->hide();

  // Script Maker, above the controls it overlaps.
  // While shown it keeps the keyboard: Tab would otherwise reach the controls it covers.
  c.Frame3 = placeTwips(new ui::PanelFrame(QStringLiteral("Script Maker"), w), "Frame3", 1650, 510,
                        8004, 5940);
  QGroupBox* f3 = c.Frame3;
  // The panel lies over other controls: it paints its own background so they do not show.
  f3->setAutoFillBackground(true);
  c.Label11 = label(f3, "Label11", "Aircraft Name", 8, 20, 80, 20);
  c.Text9 = textBox(f3, "Text9", 90, 20, 160, 20);
  c.Label8 = label(f3, "Label8", "Slot:", 8, 46, 80, 16);
  c.List2 = place(new QListWidget(f3), "List2", 8, 64, 128, f3->height() - 72);
  fillSlotList(c.List2);
  c.Label16 = label(f3, "Label16", "Pnames string name:", 146, 46, 200, 16);
  c.Text11 = textBox(f3, "Text11", 146, 64, 250, 20);
  c.Label13 = label(f3, "Label13", "Description", 146, 90, 200, 16);
  c.Text10 = place(new QPlainTextEdit(f3), "Text10", 146, 108, 250, 118);
  c.Text10->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  c.Text10->setLineWrapMode(QPlainTextEdit::NoWrap);
  c.Dir1 = place(new ui::DirList(f3), "Dir1", 146, 234, 250, f3->height() - 242);
  c.Command5 = place(new ui::WrapButton("Cancel", f3), "Command5", 420, 18, 104, 28);
  c.Label17 = label(f3, "Label17", "Save in folder:", 404, f3->height() - 104, 120, 16);
  c.Text12 = textBox(f3, "Text12", 404, f3->height() - 86, 120, 20);
  c.Text12->setText("P-");
  c.Command4 =
      place(new ui::WrapButton("Save the script", f3), "Command4", 404, f3->height() - 52, 120, 44);
  c.Label14 = captionLabel(f3, "Label14", QString(), 260, 20, 40, 16);
  c.Label15 = captionLabel(f3, "Label15", QString(), 300, 20, 40, 16);
  c.Label18 = captionLabel(f3, "Label18", QString(), 146, 20, 250, 16);
  c.Label14->hide();
  c.Label15->hide();
  c.Label18->hide();
  c.Frame3->hide();
  c.Frame3->raise();

  // Keyboard use: Tab leaves the description box rather than typing a tab into it (nothing
  // else would let the keyboard out), a box too narrow for its value shows the whole value in
  // its tooltip, and Ctrl+S saves from anywhere in the window.
  c.Text10->setTabChangesFocus(true);
  for (QLineEdit* box : w->findChildren<QLineEdit*>()) {
    ui::narrowWhenLong(box);
    ui::showFullTextInToolTip(box);
  }
  nameControls(c);
  orderTabs(c);
  auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), w);
  save->setObjectName("SaveShortcut");
  save->setContext(Qt::WindowShortcut);
  QObject::connect(save, &QShortcut::activated, c.Command3,
                   [button = c.Command3] { button->click(); });

  return c;
}

ExtraRoom::ExtraRoom(const editors::WindowControls& c) {
  auto add = [this](QWidget* widget, int moves) {
    places_.push_back({widget, widget->geometry(), moves});
  };
  add(c.G1, Wider | TallerTop);
  for (QGroupBox* f : c.F) add(f, Right);
  add(c.Frame2, Down | Wider);
  add(c.List1, Down | TallerBottom);
  for (QWidget* w : {static_cast<QWidget*>(c.Frame1), static_cast<QWidget*>(c.FGG),
                     static_cast<QWidget*>(c.FGC), static_cast<QWidget*>(c.FGS)}) {
    add(w, Down);
  }
}

void ExtraRoom::apply(QSize extra) const {
  const int width = std::max(0, extra.width());
  const int height = std::max(0, extra.height());
  const int top = height / 2;
  for (const Place& p : places_) {
    QRect r = p.rect;
    if (p.moves & Right) r.translate(width, 0);
    if (p.moves & Down) r.translate(0, top);
    if (p.moves & Wider) r.setWidth(r.width() + width);
    if (p.moves & TallerTop) r.setHeight(r.height() + top);
    if (p.moves & TallerBottom) r.setHeight(r.height() + height - top);
    if (p.widget->geometry() != r) p.widget->setGeometry(r);
  }
}

}  // namespace tolvane::app
