// The fifteen performance figures with their unit captions.
#pragma once

#include <QObject>
#include <QString>
#include <array>

#include "editors/window_controls.h"
#include "editors/window_state.h"
#include "record/fields.h"

namespace tolvane::editors {

// Unit captions computed from a box's text (read by the reading rule).
QString lengthCaption(const QString& boxText);  // 1/21 ft: " 100ft/ 30.4m"
QString speedCaption(const QString& boxText);   // 1/100 mph: " 579.34 kph"
QString rangeCaption(const QString& boxText);   // 1/132000 mile: " 500 Miles / 804Km"
QString weightCaption(const QString& boxText);  // lb: " 3175 Kg"

// The captions a load shows again: the distances' (boxes 8 to 14), then the speeds' (0 to 3).
void showLoadCaptions(const WindowControls& c);

class PerformanceEditor : public QObject {
  Q_OBJECT
 public:
  PerformanceEditor(const WindowControls& controls, WindowState& state);

  // After a load: the distance captions (boxes 8 to 14), then the speed captions (0 to 3).
  void refreshLoadCaptions();
  // Marks every box by what its cells hold now, also a box whose text a fill left as it was
  // (an undo can turn the cells behind the same text from refused to accepted).
  void refreshMarks();

 private:
  // Every change of box i's text: its unit caption, then its four bytes.
  void textChanged(int i);
  // Writes box i's value into the four rows of its field and marks the record modified.
  void writeField(int i);
  void refreshCaption(int i);

  const WindowControls& c_;
  WindowState& state_;
  // The field each box writes, from the field table.
  std::array<const record::Field*, 15> fields_{};
};

}  // namespace tolvane::editors
