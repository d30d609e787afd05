// The single window of Tolvane: creates every control, loads a record when an aircraft is
// picked, saves the record back into planes.dat, and saves pending edits when it closes.
#pragma once

#include <QString>
#include <QWidget>
#include <filesystem>
#include <memory>

#include "editors/window_controls.h"
#include "editors/window_state.h"
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

namespace tolvane::app {

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // Works on planes.dat in the process's current folder.
  explicit MainWindow(QWidget* parent = nullptr);
  // Works on planes.dat in the given folder.
  explicit MainWindow(std::filesystem::path folder, QWidget* parent = nullptr);
  ~MainWindow() override;

  const editors::WindowControls& controls() const { return controls_; }
  editors::WindowState& state() { return state_; }
  bool recordModified() const { return state_.recordModified; }

  // Works on planes.dat in another folder from now on; the Script Maker's folder list moves
  // to it too. Meant for before the first pick: a record already open would be saved into
  // the new folder's file.
  void setFolder(const std::filesystem::path& folder);

  // The slot whose record the grid holds, or -1 before the first load.
  int openSlot() const { return openSlot_; }

  // The reaction to a pick in the aircraft list: saves pending edits into the record they
  // were made in, then loads the selected slot. When either cannot be done the user is told
  // why and the open record, its edits and the list's selection stay as they were.
  void loadSelectedSlot();

  // "Save planes.dat": checks all 168 rows, writes them in place and reloads the record.
  // Returns true when the record was written, or when there was nothing to write.
  bool save();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Writes the grid's record into planes.dat; reports any failure and returns false.
  bool writeRecord();
  // Loads slot s; returns false (after telling the user) when it cannot be read.
  bool loadSlot(int slot);
  void restoreListSelection();
  QString rowDescription(int row) const;

  editors::WindowControls controls_;
  editors::WindowState state_;
  std::filesystem::path folder_;
  record::RecordWriter writer_;
  // The bytes planes.dat held at the open record's positions when this window last read or
  // wrote them: a save that finds other bytes there knows another program has changed them.
  record::RecordBytes knownBytes_{};
  std::int64_t knownFirst_ = 0;
  int openSlot_ = -1;

  std::unique_ptr<editors::ByteEditor> byteEditor_;
  std::unique_ptr<editors::PerformanceEditor> performanceEditor_;
  std::unique_ptr<editors::FlagEditor> flagEditor_;
  std::unique_ptr<editors::IdentityEditor> identityEditor_;
  std::unique_ptr<editors::GunGroupEditor> gunGroupEditor_;
  std::unique_ptr<script::ScriptMaker> scriptMaker_;
};

}  // namespace tolvane::app
