// "Compare with...": the open aircraft beside another version of it (planes.dat.bak,
// planes.dat.orig, the planes.dat of another game folder) or beside another aircraft of the same
// planes.dat, field by field. A window of its own beside the main window that follows the open
// aircraft: edits, undo and redo show at once, a pick compares the new aircraft with the same
// source, and a save reads the source again (it may have made the .bak). "Take" puts the other
// values of one field, one gun group or every field into the open aircraft as one step of the
// history; nothing is written to planes.dat until the player saves.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "record/record_document.h"
#include "record/record_file.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace tolvane::ui {
class CompareModel;
}

namespace tolvane::app {

class RecordSession;

class CompareView : public QDialog {
  Q_OBJECT
 public:
  // Where the other values come from.
  struct Source {
    enum Kind { Slot, Backup, Original, Folder };
    Kind kind = Slot;
    int slot = 0;                  // Slot: the aircraft of the same planes.dat
    std::filesystem::path folder;  // Folder: the other game folder
    bool operator==(const Source& other) const {
      return kind == other.kind && (kind != Slot || slot == other.slot) &&
             (kind != Folder || folder == other.folder);
    }
  };

  CompareView(RecordSession& session, QWidget* parent);
  ~CompareView() override;

  // Reads the sources afresh and shows the view in front, with the keyboard in its table.
  void showAndRaise();
  // Makes the hidden view ready for its next showAndRaise(), one small step a call (its
  // style, its native window, the sources read for the open aircraft, the sizes its layout
  // asks for, the layout), so that the event loop can run between them; returns whether a
  // step was done (false: ready, or no aircraft open yet). Steps are needed again after
  // another aircraft is opened or a save.
  bool prepareStep();
  // Compares with this source from now on.
  void setSource(const Source& source);
  const Source& source() const { return source_; }

  ui::CompareModel& model() const { return *model_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  struct Offer {
    Source source;
    QString label;
  };
  struct SourceRead {
    std::optional<record::RecordBytes> bytes;
    QString problem;  // why there are no bytes
  };
  // Gives the table its model through the filter, which costs as much as making the rest of
  // the view: done when the view is first shown or made ready (then in two steps, the filter
  // first, when oneStep). Returns whether anything was done.
  bool attachTable(bool oneStep);
  // Reads the offers and the chosen source again and shows them. Ahead of the view's first
  // showing, the source taken when none was chosen is not kept as chosen.
  void refresh(bool ahead = false);
  SourceRead read(const Source& source) const;
  QString sourceName(const Source& source) const;
  // The backup's path beside the game folder's planes.dat (".bak" or ".orig"), or nothing
  // when planes.dat is not found.
  std::optional<std::filesystem::path> backupPath(const char* suffix) const;
  void chooseFolder();
  void take(const std::vector<int>& rows, const QString& what);
  // The source row of the table's current row, or -1.
  int currentRow() const;
  void updateState();
  // The field names' column and the mark's, as wide as their widest text.
  void sizeColumns();

  RecordSession& session_;
  std::shared_ptr<record::RecordDocument> document_;
  ui::CompareModel* model_;
  QSortFilterProxyModel* filter_;
  QComboBox* sources_;
  QPushButton* folderButton_;
  QLabel* note_;
  QTableView* table_;
  QCheckBox* onlyDifferences_;
  QLabel* summary_;
  QPushButton* takeButton_;
  QPushButton* takeGroupButton_;
  QPushButton* takeAllButton_;
  std::vector<Offer> offers_;
  Source source_;
  bool sourceChosen_ = false;
  int listener_ = 0;
  int fieldColumnWidth_ = -1;  // measured at the first showing
  bool polished_ = false;
  QIcon fullIcon_;  // given back in a step of its own after the native window is made
  bool iconPending_ = false;
  bool stale_ = true;  // the sources were not read for the open aircraft and file
  int hintsStep_ = 0;
};

}  // namespace tolvane::app
