#include "editors/performance_editor.h"

#include <QLineEdit>

#include "record/numbers.h"
#include "ui/controls.h"

namespace tolvane::editors {
namespace {

double boxValue(const QString& boxText) { return record::readNumber(boxText.toStdString()); }
QString padded(double value) { return QString::fromStdString(record::signPadded(value)); }

}  // namespace

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
    : c_(controls), state_(state) {}

void PerformanceEditor::refreshLoadCaptions() {
  for (int i = 8; i <= 14; ++i) c_.Label9[i]->setCaption(lengthCaption(c_.Text3[i]->text()));
  for (int i = 0; i <= 3; ++i) c_.Label10[i]->setCaption(speedCaption(c_.Text3[i]->text()));
}

}  // namespace tolvane::editors
