#include "record/layout.h"

#include "record/numbers.h"

namespace tolvane::record {

const std::array<const char*, kSlotCount>& slotNames() {
  static const std::array<const char*, kSlotCount> names = {
      "P-38H",   "P-38J",   "P-47C",   "P-47D",       "P-51B",   "P51-D",
      "B-17F",   "B-24D",   "B-26B",   "Hurricane",   "Spit Ia", "Spit IX",
      "Spit 14", "Typhoon", "Tempest", "Mosquito",    "Bf 109E", "Bf 109G",
      "Bf 109K", "Bf 110C", "Bf 110G", "Me-410",      "Fw 190A", "Fw 190D",
      "Me 262",  "Ju-88A",  "Ju-88C",  "Ju-87 Stuka", "He-111",  "V1 Doodlebug",
  };
  return names;
}

std::string rowLabel(int row) {
  switch (row) {
    case 1:
      return "Pln No";
    case 5:
      return "Pln chr";
    case 9:
      return "Year";
    case 11:
      return "Crew";
    case 13:
      return "Stall speed";
    case 17:
      return "Cruise speed";
    case 21:
      return "Corner speed";
    case 25:
      return "Max speed";
    case 29:
      return "Weight";
    case 33:
      return "Fuel burn";
    case 37:
      return "Fuel Wt";
    case 41:
      return "Range";
    case 45:
      return "Close View";
    case 49:
      return "Med View";
    case 53:
      return "Far View";
    case 57:
      return "Line View";
    case 61:
      return "Max View";
    case 65:
      return "Default ext view";
    case 69:
      return "Collision Radius";
    case 73:
      return "Hydraulics";
    case 74:
      return "Pilot";
    case 75:
      return "Fuselage";
    case 76:
      return "Tail";
    case 77:
      return "R Wing";
    case 78:
      return "R ailerons";
    case 79:
      return "L Wing";
    case 80:
      return "L Ailerons";
    case 81:
      return "Engine 1";
    case 82:
      return "Engine 2";
    case 83:
      return "Engine 3";
    case 84:
      return "Engine 4";
    case 85:
      return "Gun Groups";
    case 161:
      return "MB 1";
    case 162:
      return "MB 2";
    case 163:
      return "MB 3";
    case 164:
      return "MB 4";
    default:
      break;
  }
  if (row >= kFirstGunGroupByte && row < kFirstGunGroupByte + kGunGroupCount * kGunGroupBytes) {
    const int offset = (row - kFirstGunGroupByte) % kGunGroupBytes;
    const int group = (row - kFirstGunGroupByte) / kGunGroupBytes + 1;
    static const char* const words[] = {" Number",     " Position", " Type",
                                        " Ammunition", " Sound",    " Smoke"};
    if (offset % 2 == 0) return signPadded(group) + words[offset / 2];
  }
  return {};
}

}  // namespace tolvane::record
