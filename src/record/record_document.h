// The open aircraft record as a document: every view (the byte grid, the field editors, the
// script panel) shows it and every editor writes into it, so what the window shows is what a
// save writes. It holds the open slot and where its record lies in planes.dat, the 168 values
// as typed (a text that saving may refuse) with the byte each stands for, the bytes the file
// held when they were last read or written, and the edit history. "Unsaved" means a value
// differs from those bytes. Listeners hear which rows changed. Plain C++, no Qt.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "record/edit_history.h"
#include "record/layout.h"
#include "record/record_file.h"

namespace tolvane::record {

class RecordDocument {
 public:
  // What changed, for rows firstRow..lastRow (1..168).
  struct Change {
    enum class Kind {
      Opened,     // another record (or the same one afresh): everything may have changed
      Values,     // values of the rows
      FileBytes,  // the bytes known to be in the file at the rows
    };
    Kind kind;
    int firstRow;
    int lastRow;
  };
  using Listener = std::function<void(const Change&)>;

  RecordDocument();

  // Listeners are called after each change, in the order they were added.
  int addListener(Listener listener);
  void removeListener(int id);
  // Tells where a change of a value by the user's hand came from, so that typing in one box
  // merges into one step. Without one, every change is a step of its own.
  void setOriginProvider(std::function<EditOrigin(int row)> provider);

  bool isOpen() const { return slot_ >= 0; }
  // The open slot (0..29), or -1 before the first record is opened.
  int slot() const { return slot_; }
  // The file position (counted from 1) of the record's byte 1.
  std::int64_t firstPosition() const { return first_; }
  std::int64_t position(int row) const { return first_ + row - 1; }

  // A row's value as typed (rows outside 1..168 read as empty).
  const std::string& value(int row) const;
  // The byte a value stands for as saving reads it; nothing when saving refuses the text.
  std::optional<std::uint8_t> byte(int row) const;
  bool refused(int row) const { return !byte(row).has_value(); }
  // The first row whose value saving refuses; 0 when there is none.
  int firstRefusedRow() const;
  // All values as bytes, or nothing when one is refused.
  std::optional<RecordBytes> bytes() const;

  // The bytes planes.dat held at the record's positions when they were last read or written.
  const RecordBytes& fileBytes() const { return fileBytes_; }
  std::uint8_t fileByte(int row) const { return fileBytes_[static_cast<std::size_t>(row - 1)]; }
  // Whether a value differs from the byte the file holds at its row (a refused value always
  // differs).
  bool differs(int row) const;
  // Whether a save has something to write: a value differs from the file, or the last write
  // was not read back as written.
  bool unsaved() const;

  // The bytes a save expects the file still to hold; any other byte there means another
  // program has changed the aircraft. Usually the file bytes; a row whose value an undo put
  // back from before the file was seen to change expects the byte it had then, so that the
  // save asks before it overwrites the file's newer value.
  RecordBytes expectedFileBytes() const;

  // Opens a slot's record as read from the file: the values are its bytes, nothing is
  // unsaved, the history is forgotten.
  void open(int slot, std::int64_t firstPosition, const RecordBytes& bytes);
  // The record was written and read back as `bytes` (or, when unsure, written but not read
  // back as such): the file bytes are those. The values stay as they are.
  void markWritten(const RecordBytes& bytes, bool unsure);
  // What the file holds after a write that failed part of the way: this program's doing, not
  // another's, so a save does not ask about it; the record stays unsaved until a write holds.
  void markWriteFailed(const std::optional<RecordBytes>& fileNow);
  // The record read again after a save: values and file bytes are `bytes`, without a step;
  // the history stays.
  void reload(const RecordBytes& bytes);

  // A value changed by the user's hand: recorded in the history (when a record is open).
  // Returns false when the value already was that text.
  bool setValue(int row, const std::string& text);
  // Values put in as one step with a name (an applied script), undone as one.
  void setValues(const std::string& stepName, const Values& values);
  // "Revert to planes.dat" with the file's bytes as read now: every value becomes the file's
  // byte. Values the player changed are reverted as one step that undo takes back; values
  // the player did not change simply follow the file, so that no undo brings back a byte the
  // file no longer holds.
  void revert(const RecordBytes& fileNow);

  EditHistory& history() { return history_; }
  // Ends the step under way; the caller ends it when the user's action is over.
  void finishStep() { history_.finishStep(); }
  void breakTypingRun() { history_.breakTypingRun(); }
  bool canUndo() {
    history_.finishStep();
    return history_.canUndo();
  }
  bool canRedo() {
    history_.finishStep();
    return history_.canRedo();
  }
  // Undo and redo put back every value of a step; the rows they changed are returned (empty
  // when there was nothing to undo or redo).
  std::vector<int> undo();
  std::vector<int> redo();

 private:
  void put(int row, const std::string& text);
  void applyHistoryValues(const Values& values, std::vector<int>* changed);
  void notify(Change::Kind kind, int firstRow, int lastRow);
  void notifyRows(Change::Kind kind, const std::vector<int>& rows);

  int slot_ = -1;
  std::int64_t first_ = 0;
  std::array<std::string, kRecordBytes + 1> values_{};   // index 0 unused
  std::array<std::int16_t, kRecordBytes + 1> parsed_{};  // 0..255, or -1 when refused
  RecordBytes fileBytes_{};
  bool unsure_ = false;
  // Per row, the bytes the file held before it was seen to change under the player's edits
  // (by a revert), and the one of them an undo or a redo put back (-1: none), which a save
  // then expects in the file.
  std::array<std::bitset<256>, kRecordBytes + 1> outdated_{};
  std::array<std::int16_t, kRecordBytes + 1> expectOutdated_{};
  EditHistory history_;
  bool applying_ = false;  // an undo or a redo puts values back: not an edit
  std::function<EditOrigin(int row)> originOf_;
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListener_ = 1;
};

}  // namespace tolvane::record
