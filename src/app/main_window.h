// The single window of Tolvane: creates every control, loads a record when an aircraft is
// picked, saves the record back into planes.dat, and saves pending edits when it closes.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QAction;
class QTimer;
#include <filesystem>
#include <memory>

#include "editors/window_controls.h"
#include "editors/window_state.h"
#include "record/fields.h"
#include "record/record_file.h"

namespace tolvane::editors {
class ByteEditor;
class PerformanceEditor;
class FlagEditor;
class IdentityEditor;
class GunGroupEditor;
}  // namespace tolvane::editors

namespace tolvane::script {
class ScriptMaker;
}

namespace tolvane::ui {
class OverviewDialog;
}

namespace tolvane::app {

class CompareView;
class RecordSession;
class ExtraRoom;

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // Works on planes.dat in the process's current folder.
  explicit MainWindow(QWidget* parent = nullptr);
  // Works on planes.dat in the given folder.
  explicit MainWindow(std::filesystem::path folder, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The size the window opens at, and its smallest: every control at its place. A larger
  // window gives the extra room to the byte grid and the aircraft list.
  static QSize defaultSize();

  const editors::WindowControls& controls() const { return controls_; }
  editors::WindowState& state() { return state_; }
  RecordSession& session() { return *session_; }
  // Whether the record is modified: a value cell differs from the byte the window last read
  // from or wrote to planes.dat. (Whether a pick or close saves it without a question is
  // state().recordModified.)
  bool recordModified() const { return hasUnsavedChanges(); }
  bool hasUnsavedChanges() const;

  // Works on planes.dat in another folder from now on; the Script Maker's folder list moves
  // to it too. Meant for before the first pick: a record already open would be saved into
  // the new folder's file.
  void setFolder(const std::filesystem::path& folder);
  // Moves the window to another game folder while it works: pending edits of the open record
  // are settled first, as a pick of another aircraft settles them (saved, or asked about);
  // then the open aircraft is read again from the new folder's planes.dat, with a fresh
  // history. Returns false, with nothing changed, when the user went back or the edits or the
  // new file could not be dealt with (the user is told why).
  bool switchFolder(const std::filesystem::path& folder);

  // The slot whose record the grid holds, or -1 before the first load.
  int openSlot() const;

  // "Save planes.dat": checks all 168 rows, writes them in place and reloads the record.
  // Returns true when the record was written, or when there was nothing to write.
  bool save();

  // The end of the program without a window to ask in (a signal, the desktop session ending):
  // pending edits are saved when that needs no question, otherwise the file is left as it
  // is; then the application quits.
  void endWithoutQuestions();

  // The history's entries: Undo, Redo and Revert to planes.dat, with their shortcuts.
  QAction* undoAction() const { return undoAction_; }
  QAction* redoAction() const { return redoAction_; }
  QAction* revertAction() const { return revertAction_; }
  QAction* applyScriptAction() const { return applyScriptAction_; }
  // "Choose the game folder...": the folder chooser, reachable at any time.
  QAction* chooseFolderAction() const { return chooseFolderAction_; }
  // "Compare with...": the open aircraft beside a backup, another aircraft or another folder.
  QAction* compareAction() const { return compareAction_; }

  // Opens the compare view of the open aircraft (or brings it to the front, read afresh);
  // nothing, with the user told why, while no aircraft is open.
  CompareView* openCompareView();

  // Applies an aircraft script (".oaw") to the open record after a preview the user accepts:
  // its values go into the value cells as one step that undo takes back, and nothing is
  // written to planes.dat until a save. With no aircraft open, the script's slot is opened
  // first. A script that does not read is refused with the line and its text. Returns
  // whether the values were applied.
  bool applyScriptFile(const QString& path);

  // "Overview of all aircraft": the table of all 30 aircraft, read from planes.dat afresh,
  // shown beside the window (made at the first call); the one call that opens it. A double-click or
  // Enter on a row picks that aircraft as the list does.
  ui::OverviewDialog* showOverview();
  // Makes the compare view and the overview ready ahead of their first opening, so that
  // opening them costs about what opening them again does: in small steps, one a turn of the
  // event loop, starting half a second after the window first painted, and again for the
  // compare view once the player has stopped opening aircraft for a moment. Called once the
  // window is made; a window without it makes each view when it is first opened.
  void prepareViewsWhenIdle();
  // One step of that preparation; false once both views are ready (the compare view waits
  // for an open aircraft).
  bool prepareViewStep();
  QAction* overviewAction() const { return overviewAction_; }
  // "Copy to slot...": asks which aircraft to copy the open one into, then copyToSlot(target).
  QAction* copyToSlotAction() const { return copyToSlotAction_; }
  bool copyToSlot();
  // Opens the target slot as a pick does (pending edits saved or asked about), then puts the
  // copied aircraft's bytes 2 to 168, as planes.dat now holds them, into it after the preview
  // an applied script shows: one step that undo takes back, nothing written until a save.
  // Byte 1 stays the target's, as with a script. Returns whether the values were put in.
  bool copyToSlot(int target);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void createHistoryActions();
  void makeCompareView();
  void makeOverview();
  // The overview and "Copy to slot..." entries, and the title that follows the open record.
  void createOverviewActions();
  // "B-24D — planes.dat — Tolvane", marked while the record has unsaved changes.
  void showTitle();
  // After a change of the game folder: the tooltips that name it and the overview follow.
  void folderChanged();
  // The fields a script's bytes (2 to 168) would change in the open record, one line each in
  // the player's terms; the flags by their boxes' captions.
  QStringList scriptChanges(const record::RecordBytes& script) const;
  // The preview of putting bytes 2 to 168 of `bytes` into the open record, as an applied
  // script does: `intro` (ending in a blank line), the changes "now → `from`", and the
  // buttons `button` and Cancel. On `button` the values go in as one step named `stepName`.
  // Returns whether they went in.
  bool previewAndApply(const QString& title, const QString& intro, const QString& from,
                       const record::RecordBytes& bytes, const QString& button,
                       const QString& stepName);
  // Undo, redo and revert (their keys and menu entries) work while the Script Maker is closed.
  // Open, it covers the values they would change; its own text boxes keep their own undo.
  void enableHistoryKeys();
  // The history's menu at a point of the screen, its entries greyed when they cannot run.
  void showHistoryMenu(const QPoint& globalPosition);
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  QAction* revertAction_ = nullptr;
  QAction* applyScriptAction_ = nullptr;
  QAction* chooseFolderAction_ = nullptr;
  QAction* compareAction_ = nullptr;
  // Made at its first opening, a child of the window; a caller that deletes it (a benchmark
  // timing the first opening) gets a new one at the next openCompareView().
  QPointer<CompareView> compareView_;
  QAction* overviewAction_ = nullptr;
  QAction* copyToSlotAction_ = nullptr;
  // Made at the first showOverview(); a caller that deletes it (a benchmark timing the first
  // opening) gets a new one at the next call.
  QPointer<ui::OverviewDialog> overview_;
  int titledSlot_ = -2;
  QTimer* prepareTimer_ = nullptr;  // the next step of prepareViewsWhenIdle
  bool painted_ = false;            // the slot the title and the list's tooltip were last made for

  editors::WindowControls controls_;
  editors::WindowState state_;
  bool ending_ = false;
  bool shownOnce_ = false;

  std::unique_ptr<ExtraRoom> extraRoom_;
  std::unique_ptr<editors::ByteEditor> byteEditor_;
  std::unique_ptr<editors::PerformanceEditor> performanceEditor_;
  std::unique_ptr<editors::FlagEditor> flagEditor_;
  std::unique_ptr<editors::IdentityEditor> identityEditor_;
  std::unique_ptr<editors::GunGroupEditor> gunGroupEditor_;
  std::unique_ptr<script::ScriptMaker> scriptMaker_;
  std::unique_ptr<RecordSession> session_;
};

// Ends the window's program the way closing the window does when the process receives
// SIGTERM, SIGINT or SIGHUP, or the desktop session ends.
void endWithTheSession(MainWindow& window);

}  // namespace tolvane::app
