#include "ui/text_widths.h"

#include <QChar>
#include <QSet>
#include <algorithm>
#include <vector>

namespace tolvane::ui {

TextWidths::TextWidths(const QFont& font)
    : metrics_(font), metricsF_(font), averageCharWidth_(metricsF_.averageCharWidth()) {}

int TextWidths::exact(const QString& text) const {
  return metrics_.horizontalAdvance(text);
}

qreal TextWidths::estimate(const QString& text) const {
  qreal sum = 0;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    // Latin letters, digits and signs (up to the combining marks at U+0300) and the common
    // punctuation and symbols: one glyph each, placed side by side.
    const bool plain = (u >= 0x20 && u < 0x7f) || (u >= 0xa0 && u < 0x300) ||
                       (u >= 0x2010 && u < 0x2070) || (u >= 0x2190 && u < 0x2400);
    if (!plain) return -1;
    auto known = advances_.constFind(u);
    if (known == advances_.constEnd()) known = advances_.insert(u, metricsF_.horizontalAdvance(c));
    sum += *known;
  }
  return sum;
}

qreal TextWidths::slack(qreal estimate) const {
  // Kerning takes off a fraction of a character here and there, rounding less than a pixel;
  // a character and a sixteenth of the text is more than twice what fonts take off or add.
  return 2 + averageCharWidth_ + estimate / 16;
}

int TextWidths::widest(const QStringList& texts) const {
  std::vector<qreal> estimates;
  estimates.reserve(static_cast<std::size_t>(texts.size()));
  qreal top = 0;
  int widest = 0;
  for (const QString& text : texts) {
    const qreal e = estimate(text);
    estimates.push_back(e);
    if (e < 0) widest = std::max(widest, exact(text));  // no estimate: shaped at once
    top = std::max(top, e);
  }
  // A text whose estimate lies more than the slack below the widest estimate is narrower than
  // the text of that estimate: only the others are shaped.
  // A text that repeats (a year, a crew) is shaped once.
  const qreal reach = top - slack(top);
  QSet<QString> shaped;
  for (qsizetype i = 0; i < texts.size(); ++i) {
    const qreal e = estimates[static_cast<std::size_t>(i)];
    if (e < 0 || e < reach || shaped.contains(texts[i])) continue;
    shaped.insert(texts[i]);
    widest = std::max(widest, exact(texts[i]));
  }
  return widest;
}

bool TextWidths::fits(const QString& text, int width) const {
  const qreal e = estimate(text);
  if (e >= 0 && e + slack(e) <= width) return true;
  return exact(text) <= width;
}

}  // namespace tolvane::ui
