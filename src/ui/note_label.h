// A word-wrapped label whose text the user can select (a note naming files and folders).
// QLabel lays such a text out with a whole text document, several times for each size it is
// asked for, and asks again whenever a layout looks at it: the sizes are kept here while the
// text, the font and the style stay the same, and are QLabel's own.
#pragma once

#include <QLabel>
#include <QSize>
#include <QString>
#include <map>

namespace tolvane::ui {

class NoteLabel : public QLabel {
  Q_OBJECT
 public:
  explicit NoteLabel(QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  int heightForWidth(int width) const override;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  // Forgets the sizes when the text or the font is not the one they were measured for.
  void checkMeasuredFor() const;

  mutable QString measuredText_;
  mutable QString measuredFont_;
  mutable QSize sizeHint_;
  mutable QSize minimumSizeHint_;
  mutable std::map<int, int> heights_;
};

}  // namespace tolvane::ui
