#include "editors/performance_editor.h"

#include <QLineEdit>

#include "editors/text_rules.h"
#include "editors/value_mark.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

namespace tolvane::editors {

QString lengthCaption(const QString& boxText) {
  const double feet = boxValue(boxText) / 21.0;
  const double metres = record::intPart(feet * 3.048) / 10.0;
  return padded(feet) + QStringLiteral("ft/") + padded(metres) + QStringLiteral("m");
}

QString speedCaption(const QString& boxText) {
  const double kph = record::intPart(boxValue(boxText) * 1.6093) * 0.01;
  return padded(kph) + QStringLiteral(" kph");
}

QString rangeCaption(const QString& boxText) {
  const double miles = boxValue(boxText) / 132000.0;
  return padded(record::intPart(miles)) + QStringLiteral(" Miles /") +
         padded(record::intPart(miles * 1.6093)) + QStringLiteral("Km");
}

QString weightCaption(const QString& boxText) {
  return padded(record::intPart(boxValue(boxText) * 0.4536)) + QStringLiteral(" Kg");
}

PerformanceEditor::PerformanceEditor(const WindowControls& controls, WindowState& state)
    : c_(controls), state_(state) {
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
  const QString boxText = c_.Text3[i]->text();
  if (i > 7) {
    c_.Label9[i]->setCaption(lengthCaption(boxText));
  } else if (i < 4) {
    c_.Label10[i]->setCaption(speedCaption(boxText));
  } else if (i == 7) {
    c_.Label9[7]->setCaption(rangeCaption(boxText));
  } else if (i == 4 || i == 6) {
    c_.Label10[i]->setCaption(weightCaption(boxText));
  }
  // The fuel burn rate (box 5) has no conversion.
}

void PerformanceEditor::writeField(int i) {
  const double value = boxValue(c_.Text3[i]->text());
  // Values outside 0..4294967295 give parts that are not bytes (and a fraction stays in the
  // lowest part); they go into the grid as they are, where saving refuses what it cannot
  // store, and the box is marked.
  const std::array<double, 4> parts = record::split32(value);
  const int first = 4 * i + 13;
  // A fill (a load) shows the cells' value in the box: nothing is written back.
  bool refused = false;
  for (int k = 0; k < 4; ++k) {
    if (!state_.filling) {
      c_.G1->setTextMatrix(first + k, record::kValueColumn, numberText(parts[k]));
    }
    refused = refused || c_.G1->valueCellRefused(first + k);
  }
  markValue(c_.Text3[i], value, 4294967295.0, refused,
            QStringLiteral("This figure is stored in four bytes: it must be a whole number "
                           "from 0 to 4294967295."));
  if (!state_.filling) state_.recordModified = true;
}

void PerformanceEditor::refreshLoadCaptions() {
  for (int i = 8; i <= 14; ++i) c_.Label9[i]->setCaption(lengthCaption(c_.Text3[i]->text()));
  for (int i = 0; i <= 3; ++i) c_.Label10[i]->setCaption(speedCaption(c_.Text3[i]->text()));
}

}  // namespace tolvane::editors
