// Thin controls over Qt widgets that behave the way the editor expects of its controls.
#pragma once

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QRadioButton>
#include <QString>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace tolvane::ui {

// A label that reports every change of its caption. Setting the caption it already shows
// reports nothing. A caption too long for the label is drawn cut short with an ellipsis and
// shown whole in the label's tooltip; caption() is always the whole caption.
class CaptionLabel : public QLabel {
  Q_OBJECT
 public:
  explicit CaptionLabel(QWidget* parent = nullptr);
  QString caption() const { return text(); }
  void setCaption(const QString& caption);
  // Whether the whole caption fits the label's width.
  bool captionFits() const;

 signals:
  void captionChanged(const QString& caption);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // The last answer of captionFits(), for the text and room it was given for.
  mutable QString fitText_;
  mutable int fitAvailable_ = 0;
  mutable bool fits_ = true;
  mutable bool fitKnown_ = false;
};

// Sets a check box to a state. QCheckBox::setCheckState redraws the box even when it already
// shows that state; a box that does is left alone, so a fill redraws only the boxes it turns.
void showCheckState(QCheckBox* box, Qt::CheckState state);

// The frame of a flag byte, whose title shows the byte's value. The title is set and read with
// QGroupBox's own setTitle() and title(), so that whatever holds the frame as QGroupBox (styles,
// tests) reads the title shown. A screen reader hears the frame's name with the value its
// title shows ("Flags 1, value 137"), and hears it again as the title changes.
class TitleFrame : public QGroupBox {
  Q_OBJECT
 public:
  explicit TitleFrame(QWidget* parent = nullptr);
};

// A group box laid over other controls of its window as a panel. While it is shown it keeps
// the keyboard: Tab and Shift+Tab go round its own controls only, and the focus given to any
// other control of the window (a click on one it leaves uncovered, a program's setFocus)
// comes back to the panel control that had it last. Hidden, it is a plain group box.
class PanelFrame : public QGroupBox {
  Q_OBJECT
 public:
  explicit PanelFrame(const QString& title, QWidget* parent = nullptr);

  // The panel's first control that takes the focus by Tab, or null when none does.
  QWidget* firstFocusable() const;

 protected:
  bool focusNextPrevChild(bool next) override;

 private:
  void onFocusChanged(QWidget* now);
  bool takesTabFocus(const QWidget* widget) const;
  QPointer<QWidget> lastFocus_;
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
//
// For the keyboard the array is one tab stop: the selected button, or the first button while
// none is selected. The arrow keys move to the previous or next button and select it as a
// click would.
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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void onToggled(int index, bool checked);
  void updateTabStop();
  QMap<int, OptionButton*> buttons_;
};

// Watches a widget's input before the widget itself sees it: key presses that produce a
// character code (Enter gives 13, Backspace 8) and presses of the left mouse button. Keys
// that move the focus or the cursor (Tab, Escape, arrows) are not typing and raise nothing,
// and neither do the right and middle buttons, which open menus. The event always goes on to
// the widget unchanged.
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

// Character code of a key event in the sense of a key-press reaction: the character typed,
// 13 for Enter and 8 for Backspace, or -1 for keys that type nothing (Tab, Escape, arrows,
// function keys, modifiers, and Ctrl combinations such as Ctrl+A or Ctrl+S).
int characterCode(int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Makes a text box show its whole text in its tooltip while the text is too long to be seen
// whole in the box. A tooltip set on the box (a note on its value) is shown below the text.
void showFullTextInToolTip(QLineEdit* box);

// Whether a text box shows its whole text without scrolling it.
bool textFits(const QLineEdit* box);

// The narrow face of a font's family, for texts that would not fit in the regular one.
QFont narrowFace(QFont font);

// Makes a text box draw a text too long for it in the narrow face of its font (a ten-digit
// number in a box made for five), and in its own face again once the text fits.
void narrowWhenLong(QLineEdit* box);

// The tooltip a text box shows: its own tooltip, with the whole text above it while the text
// does not fit the box.
QString fullTextToolTip(const QLineEdit* box);

}  // namespace tolvane::ui
