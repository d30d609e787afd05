#include "editors/performance_editor.h"

#include <QLineEdit>

#include "editors/field_boxes.h"
#include "editors/text_rules.h"
#include "editors/value_mark.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

namespace tolvane::editors {

namespace {

QString caption(record::Unit unit, const QString& boxText) {
  return QString::fromStdString(record::unitCaption(unit, boxValue(boxText)));
}

// The caption beside a figure's box: feet and miles have theirs in the Label9 column, speeds
// and weights in the Label10 column.
ui::CaptionLabel* captionOf(const WindowControls& c, int i, record::Unit unit) {
  const bool label9 = unit == record::Unit::Length || unit == record::Unit::Range;
  return label9 ? c.Label9[static_cast<std::size_t>(i)] : c.Label10[static_cast<std::size_t>(i)];
}

record::Unit unitOf(const WindowControls& c, int i) {
  const record::Field* field = fieldOfControl(c.Text3[static_cast<std::size_t>(i)]);
  return field ? field->unit : record::Unit::None;
}

}  // namespace

QString lengthCaption(const QString& boxText) {
  return caption(record::Unit::Length, boxText);
}

QString speedCaption(const QString& boxText) {
  return caption(record::Unit::Speed, boxText);
}

QString rangeCaption(const QString& boxText) {
  return caption(record::Unit::Range, boxText);
}

QString weightCaption(const QString& boxText) {
  return caption(record::Unit::Weight, boxText);
}

void showLoadCaptions(const WindowControls& c) {
  // The distances first, then the speeds; ranges and weights are not redone by a load.
  for (const record::Unit unit : {record::Unit::Length, record::Unit::Speed}) {
    for (int i = 0; i < 15; ++i) {
      if (unitOf(c, i) != unit) continue;
      captionOf(c, i, unit)
          ->setCaption(caption(unit, c.Text3[static_cast<std::size_t>(i)]->text()));
    }
  }
}

PerformanceEditor::PerformanceEditor(const WindowControls& controls, WindowState& state)
    : c_(controls), state_(state) {
  for (int i = 0; i < 15; ++i) fields_[static_cast<std::size_t>(i)] = fieldOfControl(c_.Text3[i]);
  // The caption beside a figure is also its box's description, so that a screen reader in the
  // box hears the figure in the other units as well. (The external default's caption is not
  // shown: the code sits in its place.)
  for (int i = 0; i < 15; ++i) {
    const record::Unit unit = fields_[static_cast<std::size_t>(i)]->unit;
    if (unit == record::Unit::None) continue;
    ui::CaptionLabel* label = captionOf(c_, i, unit);
    if (label->isHidden()) continue;
    QLineEdit* box = c_.Text3[static_cast<std::size_t>(i)];
    setCaptionText(box, label->caption());
    connect(label, &ui::CaptionLabel::captionChanged, box,
            [box](const QString& caption) { setCaptionText(box, caption); });
  }
  for (int i = 0; i < 15; ++i) {
    connect(c_.Text3[i], &QLineEdit::textChanged, this, [this, i] { textChanged(i); });
    // Enter writes the field again (the caption stays); the key still reaches the box.
    connect(ui::inputHook(c_.Text3[i]), &ui::InputHook::keyPressed, this, [this, i](int code) {
      if (code == 13) writeField(i);
    });
  }
}

void PerformanceEditor::textChanged(int i) {
  refreshCaption(i);
  writeField(i);
}

void PerformanceEditor::refreshCaption(int i) {
  // A figure without a unit (the fuel burn rate) has no caption.
  const record::Unit unit = fields_[static_cast<std::size_t>(i)]->unit;
  if (unit == record::Unit::None) return;
  captionOf(c_, i, unit)->setCaption(caption(unit, c_.Text3[i]->text()));
}

void PerformanceEditor::writeField(int i) {
  const int first = fields_[static_cast<std::size_t>(i)]->firstRow;
  // A fill (a load) shows the cells' value in the box: nothing is written back.
  if (!state_.filling) writeTypedNumber(c_, first, 4, c_.Text3[i]->text());
  bool refused = false;
  for (int k = 0; k < 4; ++k) refused = refused || c_.G1->valueCellRefused(first + k);
  markTypedNumber(c_.Text3[i], 4294967295.0, refused,
                  QStringLiteral("This figure is stored in four bytes: it must be a whole number "
                                 "from 0 to 4294967295."));
  if (!state_.filling) state_.recordModified = true;
}

void PerformanceEditor::refreshMarks() {
  const bool wasFilling = state_.filling;
  state_.filling = true;  // marks only: nothing is written
  for (int i = 0; i < 15; ++i) writeField(i);
  state_.filling = wasFilling;
}

void PerformanceEditor::refreshLoadCaptions() {
  showLoadCaptions(c_);
}

}  // namespace tolvane::editors
