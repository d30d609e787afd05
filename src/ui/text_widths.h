// Widths of texts in one font, for sizing table columns to their widest value. Shaping a text
// (what QFontMetrics::horizontalAdvance does) is the costly part of sizing a column; most
// texts of a column are clearly narrower than its widest, which the sum of their characters'
// advances shows at a fraction of the cost. Only the texts that may be the widest are shaped,
// so the answer is the one shaping every text gives.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <QStringList>

namespace tolvane::ui {

class TextWidths {
 public:
  explicit TextWidths(const QFont& font);

  // The width QFontMetrics::horizontalAdvance gives the text.
  int exact(const QString& text) const;
  // The widest of the texts, as exact() measures it; 0 for none.
  int widest(const QStringList& texts) const;
  // Whether the text is at most `width` wide, as exact() measures it.
  bool fits(const QString& text, int width) const;

 private:
  // The sum of the characters' advances, or -1 for a text with a character whose shape may
  // depend on its neighbours beyond kerning (combining marks, other scripts, controls).
  qreal estimate(const QString& text) const;
  // How far an estimate may lie from the shaped width (kerning, rounding): generous, so that
  // no text that may be the widest is left unshaped.
  qreal slack(qreal estimate) const;

  QFontMetrics metrics_;
  QFontMetricsF metricsF_;
  qreal averageCharWidth_;
  mutable QHash<char16_t, qreal> advances_;
};

}  // namespace tolvane::ui
