// A command button whose caption wraps onto several lines when it is wider than the button.
// Enter presses it as Space does: outside a dialog a push button would take only Space.
#pragma once

#include <QPushButton>

namespace tolvane::ui {

class WrapButton : public QPushButton {
  Q_OBJECT
 public:
  explicit WrapButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tolvane::ui
