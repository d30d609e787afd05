// Where each aircraft record lies in planes.dat and what its bytes are called.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tolvane::record {

constexpr int kSlotCount = 30;
constexpr int kRecordBytes = 168;  // bytes 1..168 of an aircraft record
constexpr int kSlotBlockBytes = 216;
constexpr int kLeadInBytes = 4;
constexpr int kGunGroupCount = 6;
constexpr int kGunGroupBytes = 12;
constexpr int kFirstGunGroupByte = 89;
constexpr int kGridRows = kRecordBytes + 1;  // row 0 is the grid's fixed header row
constexpr int kGridColumns = 5;
// Highest position touched: byte 168 of slot 29. Thirty full slot blocks end at 6484.
constexpr std::int64_t kLastRecordPosition = 216 * 29 + 4 + 168;
constexpr std::int64_t kFullFileBytes = kLeadInBytes + kSlotCount * kSlotBlockBytes;

// Grid columns.
enum Column : int {
  kPositionColumn = 0,
  kLoadedColumn = 1,
  kValueColumn = 2,
  kLabelColumn = 3,
  kByteNumberColumn = 4,
};

// File position (counted from 1) of record byte k (1..168) of slot s (0..29).
constexpr std::int64_t bytePosition(int slot, int k) {
  return static_cast<std::int64_t>(kSlotBlockBytes) * slot + kLeadInBytes + k;
}

// First grid row of gun group n (1..6): 89, 101, ..., 149.
constexpr int gunGroupFirstRow(int n) {
  return kFirstGunGroupByte + kGunGroupBytes * (n - 1);
}

// The 30 aircraft names, index = slot number.
const std::array<const char*, kSlotCount>& slotNames();

// Label-column text that start-up writes for grid row r (1..168); empty for unlabelled rows.
std::string rowLabel(int row);

// Rows whose bytes only the in-place byte editor changes: damage bytes and MB bytes.
constexpr bool isByteEditorRow(int row) {
  return (row > 72 && row < 85) || (row > 160 && row < 165);
}

// Column widths of the byte grid in twips.
constexpr std::array<int, kGridColumns> kColumnWidthsTwips = {390, 320, 320, 1200, 320};

}  // namespace tolvane::record
