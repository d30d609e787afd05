// Marks a box whose value its record bytes cannot hold exactly: red text and a tooltip that
// names the range. The grid marks the cells that saving refuses; this mark tells the user
// which box to fix.
#pragma once

#include <QLineEdit>
#include <QPalette>
#include <QString>
#include <cmath>

namespace tolvane::editors {

inline void markValue(QLineEdit* box, bool fits, const QString& need) {
  if (fits) {
    if (box->toolTip().isEmpty()) return;
    box->setPalette(QPalette());  // back to the inherited colours
    box->setToolTip(QString());
    return;
  }
  QPalette palette = box->palette();
  palette.setColor(QPalette::Text, Qt::red);
  box->setPalette(palette);
  box->setToolTip(need);
}

// Whether a number is whole and lies in [0, high].
inline bool wholeIn(double value, double high) {
  return value >= 0.0 && value <= high && std::floor(value) == value;
}

}  // namespace tolvane::editors
