#include "ui/note_label.h"

#include <QEvent>

namespace tolvane::ui {

NoteLabel::NoteLabel(QWidget* parent) : QLabel(parent) {
  setWordWrap(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void NoteLabel::checkMeasuredFor() const {
  const QString font = this->font().key();
  if (measuredText_ == text() && measuredFont_ == font) return;
  measuredText_ = text();
  measuredFont_ = font;
  sizeHint_ = QSize();
  minimumSizeHint_ = QSize();
  heights_.clear();
}

QSize NoteLabel::sizeHint() const {
  checkMeasuredFor();
  if (!sizeHint_.isValid()) sizeHint_ = QLabel::sizeHint();
  return sizeHint_;
}

QSize NoteLabel::minimumSizeHint() const {
  checkMeasuredFor();
  if (!minimumSizeHint_.isValid()) minimumSizeHint_ = QLabel::minimumSizeHint();
  return minimumSizeHint_;
}

int NoteLabel::heightForWidth(int width) const {
  checkMeasuredFor();
  const auto known = heights_.find(width);
  if (known != heights_.end()) return known->second;
  const int height = QLabel::heightForWidth(width);
  // A few widths at most: the window's, and those a resize passes through.
  if (heights_.size() > 64) heights_.clear();
  heights_[width] = height;
  return height;
}

void NoteLabel::changeEvent(QEvent* event) {
  // Margins, indents and frames come from the style.
  if (event->type() == QEvent::StyleChange || event->type() == QEvent::ContentsRectChange) {
    measuredText_.clear();
    measuredFont_.clear();
    sizeHint_ = QSize();
    minimumSizeHint_ = QSize();
    heights_.clear();
  }
  QLabel::changeEvent(event);
}

}  // namespace tolvane::ui
