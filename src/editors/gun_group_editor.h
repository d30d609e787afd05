// The gun-group panel: group choice, number, position, type, damage, ammunition, sound and smoke.
//
// Every editor of the panel works on the values of the record document, in the rows that the
// field table gives its control in the chosen group (WindowState::gunGroupNumber). Choosing a group
// fills the panel without raising any of the edit reactions, so that a look at a group never
// changes the record.
#pragma once

#include <QObject>
#include <QString>

#include "editors/window_controls.h"
#include "editors/window_state.h"

class QLineEdit;
class QWidget;

namespace tolvane::editors {

class GunGroupEditor : public QObject {
  Q_OBJECT
 public:
  GunGroupEditor(const WindowControls& controls, WindowState& state);

  // A click on group button n (1..6): remembers the group, scrolls the grid to its first row
  // and fills the detail frames from the grid, writing nothing.
  void selectGroup(int n);
  // Fills the group on view again from the grid (after an undo), writing nothing and leaving
  // the grid where it is.
  void refill();

 private:
  // Fills of the detail editors from the grid; they raise no reaction.
  void fillPosition();
  void fillDamage();
  void fillAmmunition();
  void fillSound();
  void fillSmoke();

  // Edits.
  void writeNumber();
  void writeAmmunition();
  void writeCount();
  void writeSmoke();
  void positionCaptionChanged(const QString& caption);
  void soundCaptionChanged(const QString& caption);
  void damageTextChanged();
  void damageKeyPressed(int code);
  // Selects the type button of a standard damage value in the box and chooses that type.
  void matchType();
  void chooseType(int k);
  void chooseSound(int k);
  void writeDamage();

  // Shows a text in the damage box without raising its change reaction.
  void rewriteDamageBox(const QString& text);
  // Writes a 16-bit value as low and high part into two consecutive rows.
  void writePair(int lowRow, double value);
  void writeCell(int row, const QString& text);
  // The first row of the field that a control of the panel writes, in the chosen group, from
  // the field table.
  int rowOf(const QWidget* control) const;
  // Marks a box whose value is not a whole number from 0 to high, or whose rows (first..last)
  // hold a cell that saving refuses.
  void markBox(QLineEdit* box, double high, int first, int last, const QString& need);
  void refreshMarks();
  // Whether a group has been chosen, so that group-relative rows are meaningful.
  bool groupChosen() const;

  const WindowControls& c_;
  WindowState& state_;
};

}  // namespace tolvane::editors
