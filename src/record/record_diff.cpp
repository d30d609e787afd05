#include "record/record_diff.h"

#include <cmath>
#include <cstdio>

namespace tolvane::record {
namespace {

const char* const kArrow = " \u2192 ";

std::string fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

// The player's figure: whole pounds stay whole; the other units are fractions of their steps.
std::string playerFigure(Unit unit, std::uint64_t stored) {
  const double value = toPlayerUnit(unit, static_cast<double>(stored));
  return unit == Unit::Weight ? fixed(value, 0) : fixed(value, 2);
}

std::string metricFigure(Unit unit, std::uint64_t stored) {
  return fixed(toMetric(unit, static_cast<double>(stored)), 1);
}

// The names of the bits that are set in `value` and not in `other`, or "none".
std::string bitsOnlyIn(const Field& field, std::uint64_t value, std::uint64_t other) {
  std::string names;
  for (const int bit : setBits(field, value & ~other)) {
    names += (names.empty() ? "" : ", ") + bitName(field, bit);
  }
  return names.empty() ? "none" : names;
}

}  // namespace

std::string figureText(const Field& field, std::uint64_t stored) {
  if (field.unit == Unit::None) return std::to_string(stored);
  return playerFigure(field.unit, stored) + " " + std::string(unitName(field.unit)) + " (" +
         metricFigure(field.unit, stored) + " " + std::string(metricUnitName(field.unit)) + ")";
}

std::string changeText(const Field& field, const RecordBytes& before, const RecordBytes& after) {
  const std::string name = field.name + " ";
  if (field.kind == Field::Kind::Text) {
    return name + fieldValueText(field, before) + kArrow + fieldValueText(field, after);
  }
  const std::uint64_t from = fieldValue(field, before);
  const std::uint64_t to = fieldValue(field, after);
  if (field.kind == Field::Kind::Flags) {
    // The boxes that go off, then the ones that come on.
    return name + std::to_string(from) + kArrow + std::to_string(to) + ": " +
           bitsOnlyIn(field, from, to) + kArrow + bitsOnlyIn(field, to, from);
  }
  if (field.unit == Unit::None) return name + std::to_string(from) + kArrow + std::to_string(to);
  const std::string unit = std::string(unitName(field.unit));
  const std::string metric = std::string(metricUnitName(field.unit));
  return name + playerFigure(field.unit, from) + kArrow + playerFigure(field.unit, to) + " " +
         unit + " (" + metricFigure(field.unit, from) + kArrow + metricFigure(field.unit, to) +
         " " + metric + ")";
}

}  // namespace tolvane::record
