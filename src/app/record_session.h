// The life of the open aircraft record: loading it from planes.dat, the checks before it is
// written back, saving it in place, and the questions a pick or a close asks about pending
// edits. The window only wires its controls to it; every message goes through ui::prompter().
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <map>
#include <memory>

#include "editors/window_controls.h"
#include "editors/window_state.h"
#include "record/record_document.h"
#include "record/record_file.h"
#include "record/save_pipeline.h"

namespace tolvane::editors {
class ByteEditor;
class PerformanceEditor;
class IdentityEditor;
class GunGroupEditor;
}  // namespace tolvane::editors

namespace tolvane::app {

class RecordSession : public QObject {
  Q_OBJECT
 public:
  RecordSession(const editors::WindowControls& controls, editors::WindowState& state,
                editors::ByteEditor& byteEditor, editors::PerformanceEditor& performance,
                editors::IdentityEditor& identity, editors::GunGroupEditor& gunGroups,
                std::filesystem::path folder);

  // The open record, which the grid shows and every editor writes into.
  record::RecordDocument& document() { return *document_; }
  const record::RecordDocument& document() const { return *document_; }
  // The same, for a view that may outlive the session (a window's child is deleted after the
  // window's own members).
  std::shared_ptr<record::RecordDocument> sharedDocument() const { return document_; }

  const std::filesystem::path& folder() const { return folder_; }
  void setFolder(const std::filesystem::path& folder) { folder_ = folder; }
  // Works on another folder's planes.dat from now on: pending edits are settled first, as a
  // pick settles them, and the open slot is read again from the new file. Returns false, with
  // the folder unchanged, when the user went back or something could not be done (the user
  // is told why).
  bool switchFolder(const std::filesystem::path& folder);

  // The slot whose record the grid holds, or -1 before the first load.
  int openSlot() const { return document_->slot(); }
  // Whether a value cell differs from the byte the window last read from or wrote to the file
  // at its position (a cell that saving refuses always differs).
  bool hasUnsavedChanges() const;

  // One pick in the aircraft list (row -1: the highlight was taken away, which is no pick).
  // Pending edits are saved into the record they were made in, or asked about, then the slot
  // is loaded; a pick of the open aircraft rereads it. Afterwards the list highlights the open
  // slot, whatever happened.
  void pick(int row);

  // "Save planes.dat": checks the record, writes it in place and rereads it. Returns true when
  // the record was written, or when there was nothing to write.
  bool save();

  // A close by the user: saves pending edits or asks about them. Returns whether the window
  // may close.
  bool close();

  // An end that cannot ask (a signal, the desktop session ending): pending edits are saved
  // when that needs no question; otherwise the file is left as it is. Returns whether the
  // edits are in the file (or there were none).
  bool closeWithoutQuestions();

  // The open record's history. Undo and redo put back every value of a step and fill every
  // editor from the document; nothing reaches planes.dat until a save.
  bool canUndo();
  bool canRedo();
  void undo();
  void redo();
  // "Revert to planes.dat": rereads the open slot's bytes into the value cells as one step
  // that undo takes back (no save). With unsaved changes it asks first. Returns whether it
  // reverted.
  bool revert();
  // Puts values into the open record's value cells as one step (an applied script): the
  // editors, captions and marks follow, and one undo takes them all back. A code typed
  // without Enter goes in first, as a step of its own. A typed code that is no code
  // stops it: the player is told why, the box keeps the text, and nothing changes. Returns
  // whether the values were put in.
  bool applyValues(const QString& stepName, const std::map<int, QString>& values);

 private:
  struct Outcome {
    enum Status {
      Written,        // the record is in the file and read back as written
      Refused,        // a check failed before the file was opened
      Failed,         // the file could not be written or read back
      WentBack,       // the user chose to go back to the editor
      FileVersion,    // the user chose the file's version over the window's edits
      Discarded,      // the user chose to discard the pending edits
      NeedsQuestion,  // a question was needed but none may be asked
    };
    Status status;
    QString reason;  // for Refused and Failed: what the user is told
    int row = 0;     // for Refused: the row saving refused; 0 for the code box
  };

  // Loads slot s; returns false (with the reason in *error) when it cannot be read. The record
  // is read before anything of the window changes.
  // keepHistory: the reread after a save, which keeps the record's history.
  bool loadSlot(int slot, QString* error, bool keepHistory = false);
  // Writes the open record into planes.dat through the save pipeline, asking (when it may)
  // the questions its outcomes raise.
  Outcome writeRecord(bool mayAsk);
  // The changed-by-another-program question; returns 0 overwrite, 1 the file's version, 2 back.
  int askAboutOtherProgram(const record::SaveOutcome& outcome);
  // Commits a code typed without Enter; returns false with the reason when it cannot be.
  bool commitTypedCode(QString* reason);
  // Before a pick or a close: saves or asks about pending edits. Returns Written when the way
  // is clear (nothing pending, saved, or discarded).
  Outcome settlePendingEdits(bool mayAsk);
  // Before the open record gives way (a pick, a folder switch): its pending edits are saved or
  // asked about; a refused or failed save is reported, saying what does not happen
  // (`cancelled`), and keeps the edits. Returns whether the way is clear; *saved tells whether
  // edits were written.
  bool makeWay(const QString& cancelled, bool* saved);
  void showOpenSlot();
  // Text typed but not committed (the code, the byte editor's box) becomes a step of its own
  // before an undo or a redo moves through the history. Returns false when the typed text
  // was dropped instead (a code that is no code).
  bool commitTypedText();
  // A code typed without Enter that differs from the record goes in as a step of its own.
  // Returns false with the reason, leaving the box as it is, when the text is no code.
  bool commitTypedCodeAsStep(QString* reason);
  // After an undo or a redo changed rows: every editor shows the document again.
  void historyMoved(const std::vector<int>& rows, bool wasUnsaved);
  void refillEditors();
  // What every load and refill ends with: the flag frames' titles and every box's mark from
  // the cells, also where a fill left a box's text as it was.
  void showTitlesAndMarks();
  // Where a change of a value comes from: the box with the focus, when the row is its own.
  record::EditOrigin originOf(int row) const;
  QString aircraftName(int slot) const;
  QString slotDescription(int slot) const;
  void showError(const QString& text) const;
  // After a refusal has been told: the focus goes to the box that holds the refused value, or,
  // for a byte typed in the grid or a box that does not show it, to the grid on its row.
  void focusRefused(const Outcome& refusal);

  const editors::WindowControls& c_;
  editors::WindowState& state_;
  editors::ByteEditor& byteEditor_;
  editors::PerformanceEditor& performance_;
  editors::IdentityEditor& identity_;
  editors::GunGroupEditor& gunGroups_;
  std::shared_ptr<record::RecordDocument> document_;
  bool finishQueued_ = false;
  // Edits were left pending without the silent save (the Script Maker was opened): an undo
  // or a redo does not arm it again. Cleared by a load and a save.
  bool askBeforeSaving_ = false;
  std::filesystem::path folder_;
  record::RecordWriter writer_;
};

}  // namespace tolvane::app
