// Pointers to every control of the main window, handed to the editors that work on them.
// The window creates and owns the controls; an array member that does not exist stays null.
#pragma once

#include <array>

#include "ui/pick_list.h"  // List1: callers use it as the QListWidget it is

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

namespace tolvane::ui {
class ByteGrid;
class CaptionLabel;
class DirList;
class OptionArray;
class PickList;
}  // namespace tolvane::ui

namespace tolvane::editors {

struct WindowControls {
  ui::ByteGrid* G1 = nullptr;

  // Left column.
  ui::CaptionLabel* Label7 = nullptr;
  QPushButton* Command1 = nullptr;  // Move to the top of the damage byte section
  QPushButton* Command2 = nullptr;  // Save Script
  QPushButton* Command3 = nullptr;  // Save planes.dat
  QLineEdit* Text4 = nullptr;       // in-place byte editor
  ui::PickList* List1 = nullptr;

  // Flag frames.
  std::array<QGroupBox*, 4> F{};  // F1..F4 at 0..3
  std::array<QCheckBox*, 8> Check1{};
  std::array<QCheckBox*, 8> Check2{};
  std::array<QCheckBox*, 8> Check3{};
  std::array<QCheckBox*, 6> Check4{};
  QLabel* Label2_1 = nullptr;  // "Year", Label2(1)
  QLabel* Label12 = nullptr;   // "Crew"
  QLineEdit* Text8 = nullptr;  // year
  QLineEdit* Text7 = nullptr;  // crew

  // Performance frame.
  QGroupBox* Frame2 = nullptr;
  std::array<QLineEdit*, 15> Text3{};
  std::array<QLabel*, 16> Label4{};            // 0 in FGG, 1..15 in Frame2
  std::array<ui::CaptionLabel*, 15> Label9{};  // 7..14
  std::array<ui::CaptionLabel*, 7> Label10{};  // 0..6
  QLabel* Label6 = nullptr;                    // "Code"
  QLineEdit* Text5 = nullptr;                  // code

  // Gun-group panel.
  QGroupBox* Frame1 = nullptr;
  ui::OptionArray* Option4 = nullptr;  // 1..6
  QLineEdit* Text6 = nullptr;          // gun-group count
  QGroupBox* FGG = nullptr;
  ui::OptionArray* Option1 = nullptr;  // 0..13
  QCheckBox* smoke = nullptr;
  QLabel* Label1_0 = nullptr;          // "Number", Label1(0)
  QLineEdit* Text1 = nullptr;          // number of guns
  QLineEdit* Text2 = nullptr;          // ammunition
  ui::CaptionLabel* Label3 = nullptr;  // position code
  QGroupBox* FGC = nullptr;
  ui::OptionArray* Option2 = nullptr;  // 0, 2, 4, 12, 24
  QLineEdit* Gundamage = nullptr;
  QGroupBox* FGS = nullptr;
  ui::OptionArray* Option3 = nullptr;  // 0..3
  ui::CaptionLabel* Label5 = nullptr;  // sound code

  // Script Maker.
  QGroupBox* Frame3 = nullptr;
  QLineEdit* Text9 = nullptr;        // aircraft name
  QPlainTextEdit* Text10 = nullptr;  // description
  QLineEdit* Text11 = nullptr;       // pnames string
  QLineEdit* Text12 = nullptr;       // sub-folder
  ui::DirList* Dir1 = nullptr;       // parent folder chooser
  QListWidget* List2 = nullptr;
  QPushButton* Command4 = nullptr;      // Save the script
  QPushButton* Command5 = nullptr;      // Cancel
  QLabel* Label8 = nullptr;             // "Slot:"
  QLabel* Label11 = nullptr;            // "Aircraft Name"
  QLabel* Label13 = nullptr;            // "Description"
  QLabel* Label16 = nullptr;            // "Pnames string name:"
  QLabel* Label17 = nullptr;            // "Save in folder:"
  ui::CaptionLabel* Label14 = nullptr;  // hidden: slot number
  ui::CaptionLabel* Label15 = nullptr;  // hidden, unused
  ui::CaptionLabel* Label18 = nullptr;  // hidden: parent folder path
};

}  // namespace tolvane::editors
