// Thin controls over Qt widgets that behave the way the editor expects of its controls.
#pragma once

#include <QLabel>
#include <QMap>
#include <QObject>
#include <QRadioButton>
#include <QString>

class QWidget;

namespace tolvane::ui {

// A label that reports every change of its caption. Setting the caption it already shows
// reports nothing.
class CaptionLabel : public QLabel {
  Q_OBJECT
 public:
  explicit CaptionLabel(QWidget* parent = nullptr);
  QString caption() const { return text(); }
  void setCaption(const QString& caption);

 signals:
  void captionChanged(const QString& caption);
};

// An option button that a click selects but never unselects; only its array clears it.
class OptionButton : public QRadioButton {
  Q_OBJECT
 public:
  explicit OptionButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void nextCheckState() override;
};

// A set of option buttons told apart by index, of which at most one is selected. Unlike Qt's
// auto-exclusive radio buttons the array can be left with no button selected. Selecting a
// button, by a click or by the program, unselects the others and raises optionClicked once;
// a button that is already selected raises nothing.
class OptionArray : public QObject {
  Q_OBJECT
 public:
  explicit OptionArray(QObject* parent = nullptr);

  void add(int index, OptionButton* button);
  OptionButton* button(int index) const { return buttons_.value(index, nullptr); }
  QList<int> indexes() const { return buttons_.keys(); }

  // The selected index, or -1 when none is.
  int selected() const;
  // Selects a button as a click would (raising optionClicked when it becomes selected).
  void select(int index);
  // Selects a button (or none for an index without a button) and raises nothing.
  void showSelected(int index);
  // Unselects every button and raises nothing.
  void clear();

 signals:
  void optionClicked(int index);

 private:
  void onToggled(int index, bool checked);
  QMap<int, OptionButton*> buttons_;
};

// Watches a widget's input before the widget itself sees it: key presses that produce a
// character code (Enter gives 13, Backspace 8) and left-button presses (a right click is no
// click). The event always goes on to the widget unchanged.
class InputHook : public QObject {
  Q_OBJECT
 public:
  explicit InputHook(QWidget* target);

 signals:
  void keyPressed(int code);
  void clicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// The hook installed on a widget, created on first use.
InputHook* inputHook(QWidget* target);

// Character code of a key event in the sense of a key-press reaction, or -1 for keys that
// produce none (arrows, function keys, modifiers).
int characterCode(int key, const QString& text);

}  // namespace tolvane::ui
