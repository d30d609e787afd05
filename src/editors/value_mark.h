// Marks a box by what saving makes of its value. A value whose bytes the save refuses gets red
// text and a tooltip that names the range; a fraction that the save rounds gets a note in
// blue ("Saved as 232"), since it is accepted; any other value is shown plainly. The grid marks
// the cells that saving refuses; this mark tells the user which box to fix.
#pragma once

#include <QColor>
#include <QLineEdit>
#include <QPalette>
#include <QString>
#include <cmath>
#include <optional>

#include "record/numbers.h"

namespace tolvane::editors {

// The colour of a note about a value that saving accepts: never the refusal red.
inline QColor noteColour() {
  return QColor(0, 70, 170);
}

namespace mark_detail {

// What a box's description is made of, kept on the box: the caption beside it and its mark.
inline constexpr char kCaption[] = "tolvaneCaption";
inline constexpr char kMark[] = "tolvaneMark";

// A box's accessible description says what the window shows beside it and on it: its caption
// (the value in other units, "579.34 kph"), then its mark ("Refused: ..."). A screen reader
// announces it as it changes.
inline void describe(QLineEdit* box) {
  const QString caption = box->property(kCaption).toString().trimmed();
  const QString mark = box->property(kMark).toString();
  QString said = caption;
  if (!mark.isEmpty()) said = caption.isEmpty() ? mark : caption + QStringLiteral(". ") + mark;
  if (box->accessibleDescription() != said) box->setAccessibleDescription(said);
}

}  // namespace mark_detail

// Sets a box's mark text: its tooltip, and its accessible description after the caption, so
// that a screen reader says (and announces as it changes) what the colour shows.
inline void setMarkText(QLineEdit* box, const QString& text) {
  box->setToolTip(text);
  box->setProperty(mark_detail::kMark, text);
  mark_detail::describe(box);
}

// Marks a box's value as refused by the save, with the reason. Qt has no state for a refused
// value, so the description says it in words.
inline void setRefusalText(QLineEdit* box, const QString& reason) {
  box->setToolTip(reason);
  box->setProperty(mark_detail::kMark, QStringLiteral("Refused: ") + reason);
  mark_detail::describe(box);
}

// Sets the caption that a box's description starts with: the text of the label beside it
// that shows the box's value in other units.
inline void setCaptionText(QLineEdit* box, const QString& caption) {
  box->setProperty(mark_detail::kCaption, caption);
  mark_detail::describe(box);
}

// refused: whether a cell written from this box holds text that saving refuses.
inline void markValue(QLineEdit* box, double value, double high, bool refused,
                      const QString& need) {
  const bool inRange = std::isfinite(value) && value >= 0.0 && value <= high;
  if (refused || !inRange) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, Qt::red);
    box->setPalette(palette);
    setRefusalText(box, need);
    return;
  }
  if (std::floor(value) != value) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, noteColour());
    box->setPalette(palette);
    setMarkText(box, QStringLiteral(
                         "Saved as %1: planes.dat holds whole numbers, so the fraction is rounded.")
                         .arg(QString::fromStdString(record::numberToText(std::nearbyint(value)))));
    return;
  }
  if (box->toolTip().isEmpty()) return;
  box->setPalette(QPalette());  // back to the inherited colours
  setMarkText(box, QString());
}

// Whether a box holds nothing but blanks and tabs, which is saved as 0.
inline bool blankBox(const QString& text) {
  for (const QChar c : text) {
    if (c != QLatin1Char(' ') && c != QLatin1Char('\t')) return false;
  }
  return true;
}

// Marks a box by its text and what its cells make of it: a text that is not one number as a
// whole is refused with the reason; an empty box is saved as 0, which the note says; any
// other text is marked by its value, as markValue does.
inline void markTypedNumber(QLineEdit* box, double high, bool refused, const QString& need) {
  const QString text = box->text();
  const std::optional<double> value = record::wholeNumber(text.toStdString());
  if (!value) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, Qt::red);
    box->setPalette(palette);
    setRefusalText(box, QStringLiteral("\"%1\" is not a number. ").arg(text.trimmed()) + need);
    return;
  }
  if (blankBox(text)) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, noteColour());
    box->setPalette(palette);
    setMarkText(box, QStringLiteral("Saved as 0: an empty box is saved as 0."));
    return;
  }
  markValue(box, *value, high, refused, need);
}

// Whether a number is whole and lies in [0, high].
inline bool wholeIn(double value, double high) {
  return value >= 0.0 && value <= high && std::floor(value) == value;
}

}  // namespace tolvane::editors
