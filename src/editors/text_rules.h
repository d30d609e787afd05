// The number rules of the record layer in the Qt strings that boxes, labels and cells hold.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"

namespace tolvane::editors {

// A box's or caption's text read by the reading rule (its leading number, or 0).
inline double boxValue(const QString& text) {
  return record::readNumber(text.toStdString());
}

// A value as a cell text: plain decimal, no leading blank.
inline QString numberText(double value) {
  return QString::fromStdString(record::numberToText(value));
}

// A value with one blank in front when it is not negative, as boxes and captions show it.
inline QString padded(double value) {
  return QString::fromStdString(record::signPadded(value));
}

// A byte as a cell text ("0" to "255"). The texts are made once and shared, so that a load,
// which writes 336 of them, allocates none.
inline const QString& byteText(std::uint8_t byte) {
  static const auto texts = [] {
    std::array<QString, 256> all;
    for (int b = 0; b < 256; ++b) all[static_cast<std::size_t>(b)] = QString::number(b);
    return all;
  }();
  return texts[byte];
}

// A row's value cell read by the reading rule.
inline double cellValue(const ui::ByteGrid* grid, int row) {
  return boxValue(grid->textMatrix(row, record::kValueColumn));
}

}  // namespace tolvane::editors
