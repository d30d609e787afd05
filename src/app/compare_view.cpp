#include "app/compare_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>

#include "app/record_session.h"
#include "record/fields.h"
#include "record/layout.h"
#include "script/native_path.h"
#include "ui/compare_model.h"
#include "ui/native_window.h"
#include "ui/note_label.h"
#include "ui/prompter.h"
#include "ui/text_widths.h"

namespace tolvane::app {
namespace {

namespace fs = std::filesystem;

QString aircraftName(int slot) {
  return QLatin1String(record::slotNames()[static_cast<std::size_t>(slot)]);
}

// A message of the record layer, which quotes paths as their bytes, shown with U+FFFD for a
// byte that is not UTF-8.
QString messageText(const std::string& message) {
  return script::displayPath(script::textFromNative(message));
}

QString pathText(const fs::path& path) {
  return script::displayPath(script::textFromPath(path));
}

}  // namespace

CompareView::CompareView(RecordSession& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      document_(session.sharedDocument()),
      model_(new ui::CompareModel(document_, this)),
      filter_(new QSortFilterProxyModel(this)) {
  setObjectName("CompareView");
  // Hidden, the table does not follow the document; it is read afresh when shown.
  model_->setLive(false);
  setModal(false);
  setSizeGripEnabled(true);

  auto* sourceLabel = new QLabel(QStringLiteral("Compare with:"), this);
  sources_ = new QComboBox(this);
  sources_->setObjectName("CompareSource");
  sources_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  sourceLabel->setBuddy(sources_);
  folderButton_ = new QPushButton(QStringLiteral("Another game folder..."), this);
  folderButton_->setObjectName("CompareFolder");
  auto* top = new QHBoxLayout;
  top->addWidget(sourceLabel);
  top->addWidget(sources_, 1);
  top->addWidget(folderButton_);

  note_ = new ui::NoteLabel(this);
  note_->setObjectName("CompareNote");

  filter_->setFilterKeyColumn(ui::CompareModel::kMarkColumn);
  table_ = new QTableView(this);
  table_->setObjectName("CompareTable");
  table_->setAccessibleName(QStringLiteral("Fields compared"));
  // Rows are one line high, without row numbers. Set before the model, which the row header
  // would otherwise measure: a number for each of the 107 rows, only to be hidden.
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setMinimumSectionSize(1);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setTabKeyNavigation(false);
  table_->setWordWrap(false);
  // The table gets its model (attachTable) when it is first shown or made ready.

  onlyDifferences_ = new QCheckBox(QStringLiteral("Only differences"), this);
  onlyDifferences_->setObjectName("OnlyDifferences");
  summary_ = new QLabel(this);
  summary_->setObjectName("CompareSummary");
  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(onlyDifferences_);
  filterRow->addStretch(1);
  filterRow->addWidget(summary_);

  takeButton_ = new QPushButton(QStringLiteral("Take"), this);
  takeButton_->setObjectName("Take");
  takeGroupButton_ = new QPushButton(QStringLiteral("Take gun group"), this);
  takeGroupButton_->setObjectName("TakeGunGroup");
  takeAllButton_ = new QPushButton(QStringLiteral("Take all"), this);
  takeAllButton_->setObjectName("TakeAll");
  auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
  closeButton->setObjectName("CompareClose");
  auto* buttons = new QHBoxLayout;
  const QFontMetrics buttonMetrics(takeGroupButton_->font());
  for (QPushButton* button : {takeButton_, takeGroupButton_, takeAllButton_}) {
    // Enter in the table takes nothing by accident: a take is a button pressed on purpose.
    button->setAutoDefault(false);
    // Room around the caption, which the style alone leaves tight.
    button->setMinimumWidth(buttonMetrics.horizontalAdvance(button->text()) +
                            2 * buttonMetrics.horizontalAdvance(QLatin1Char('M')));
    buttons->addWidget(button);
  }
  closeButton->setAutoDefault(false);
  folderButton_->setAutoDefault(false);
  folderButton_->setMinimumWidth(buttonMetrics.horizontalAdvance(folderButton_->text()) +
                                 2 * buttonMetrics.horizontalAdvance(QLatin1Char('M')));
  buttons->addStretch(1);
  buttons->addWidget(closeButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(note_);
  layout->addWidget(table_, 1);
  layout->addLayout(filterRow);
  layout->addLayout(buttons);
  setTabOrder(sources_, folderButton_);
  setTabOrder(folderButton_, table_);
  setTabOrder(table_, onlyDifferences_);
  setTabOrder(onlyDifferences_, takeButton_);
  setTabOrder(takeButton_, takeGroupButton_);
  setTabOrder(takeGroupButton_, takeAllButton_);
  setTabOrder(takeAllButton_, closeButton);

  connect(sources_, &QComboBox::activated, this, [this](int index) {
    if (index >= 0 && index < static_cast<int>(offers_.size())) {
      setSource(offers_[static_cast<std::size_t>(index)].source);
    }
  });
  connect(folderButton_, &QPushButton::clicked, this, [this] { chooseFolder(); });
  connect(onlyDifferences_, &QCheckBox::toggled, this, [this](bool only) {
    filter_->setFilterFixedString(only ? ui::CompareModel::differsMark() : QString());
    updateState();
  });
  connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
  connect(takeButton_, &QPushButton::clicked, this, [this] {
    const int row = currentRow();
    if (row >= 0) take({row}, QString::fromStdString(ui::CompareModel::fieldAt(row).name));
  });
  connect(takeGroupButton_, &QPushButton::clicked, this, [this] {
    const int row = currentRow();
    const int group = row >= 0 ? ui::CompareModel::fieldAt(row).gunGroup : 0;
    if (group != 0) {
      take(ui::CompareModel::rowsOfGunGroup(group), QStringLiteral("gun group %1").arg(group));
    }
  });
  connect(takeAllButton_, &QPushButton::clicked, this,
          [this] { take(ui::CompareModel::allRows(), QStringLiteral("all")); });
  connect(model_, &QAbstractItemModel::dataChanged, this, [this] { updateState(); });

  // Another aircraft opened (a pick, another folder) is compared with the same source; after a
  // save the source is read again, as the save may have made or replaced the backup.
  listener_ = document_->addListener([this](const record::RecordDocument::Change& change) {
    if (change.kind == record::RecordDocument::Change::Kind::Values) return;
    if (isVisible()) {
      refresh();
    } else {
      stale_ = true;
    }
  });

  const QFontMetrics metrics(font());
  resize(metrics.horizontalAdvance(QLatin1Char('x')) * 110, metrics.height() * 36);
}

CompareView::~CompareView() {
  document_->removeListener(listener_);
}

bool CompareView::attachTable(bool oneStep) {
  if (table_->model() != nullptr) return false;
  if (filter_->sourceModel() == nullptr) {
    filter_->setSourceModel(model_);
    if (oneStep) return true;
  }
  table_->setModel(filter_);
  // The field names and the mark are measured when the view is shown, not at every change of
  // a value; the two values share the rest.
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setSectionResizeMode(ui::CompareModel::kOpenColumn, QHeaderView::Stretch);
  header->setSectionResizeMode(ui::CompareModel::kOtherColumn, QHeaderView::Stretch);
  connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { updateState(); });
  return true;
}

void CompareView::showEvent(QShowEvent* event) {
  model_->setLive(true);
  QDialog::showEvent(event);
}

void CompareView::hideEvent(QHideEvent* event) {
  model_->setLive(false);
  QDialog::hideEvent(event);
}

void CompareView::showAndRaise() {
  attachTable(false);
  model_->setLive(true);
  // A preparation cut short between its steps: the window gets its whole icon first.
  if (iconPending_) {
    ui::giveWindowIcon(this, fullIcon_);
    iconPending_ = false;
  }
  refresh();
  sizeColumns();
  show();
  raise();
  activateWindow();
  table_->setFocus(Qt::OtherFocusReason);
  if (!table_->currentIndex().isValid() && filter_->rowCount() > 0) {
    table_->setCurrentIndex(filter_->index(0, 0));
  }
}

bool CompareView::prepareStep() {
  if (isVisible()) return false;
  if (attachTable(true)) return true;
  if (!polished_) {
    ensurePolished();
    polished_ = true;
    return true;
  }
  if (!testAttribute(Qt::WA_WState_Created)) {
    fullIcon_ = ui::makeNativeWindow(this);
    iconPending_ = true;
    return true;
  }
  if (iconPending_) {
    if (ui::convertWindowIconStep(fullIcon_)) return true;
    ui::giveWindowIcon(this, fullIcon_);
    iconPending_ = false;
    return true;
  }
  if (stale_ && document_->slot() >= 0) {
    refresh(true);
    sizeColumns();
    hintsStep_ = 0;
    return true;
  }
  if (stale_) return false;  // nothing open to compare yet
  // The sizes the first layout asks for, one widget a step; then the layout. Returns whether
  // a step was done.
  switch (hintsStep_++) {
    case 0:
      if (note_->isVisibleTo(this)) note_->minimumSizeHint();
      return true;
    case 1:
      sources_->minimumSizeHint();
      return true;
    case 2:
      sources_->sizeHint();  // measured apart from the smallest size, entry by entry again
      return true;
    case 3:
      layout()->activate();
      return true;
    default:
      return false;
  }
}

void CompareView::sizeColumns() {
  // Wide enough for the longest field name, whichever rows are on view. The names do not
  // change: they are measured once.
  if (fieldColumnWidth_ < 0) {
    QStringList names;
    for (const record::Field& field : record::allFields()) {
      names << QString::fromStdString(field.name);
    }
    const ui::TextWidths widths(table_->font());
    fieldColumnWidth_ =
        widths.widest(names) + 2 * QFontMetrics(table_->font()).horizontalAdvance(QLatin1Char('M'));
  }
  table_->setColumnWidth(ui::CompareModel::kFieldColumn, fieldColumnWidth_);
  // The mark column as resizeColumnToContents() would size it: its title, or its widest cell.
  // A cell holds the mark or nothing, so one cell of each kind stands for all 107.
  int markWidth = table_->horizontalHeader()->sectionSizeHint(ui::CompareModel::kMarkColumn);
  bool marked = false;
  bool plain = false;
  for (int row = 0; row < filter_->rowCount() && !(marked && plain); ++row) {
    const bool differs = model_->differs(filter_->mapToSource(filter_->index(row, 0)).row());
    if (differs ? marked : plain) continue;
    (differs ? marked : plain) = true;
    const int cell =
        table_->sizeHintForIndex(filter_->index(row, ui::CompareModel::kMarkColumn)).width();
    markWidth = std::max(markWidth, table_->showGrid() ? cell + 1 : cell);
  }
  table_->setColumnWidth(ui::CompareModel::kMarkColumn, markWidth);
}

void CompareView::setSource(const Source& source) {
  attachTable(false);
  source_ = source;
  sourceChosen_ = true;
  refresh();
}

std::optional<fs::path> CompareView::backupPath(const char* suffix) const {
  const record::Located located = record::locateDataFile(session_.folder());
  if (!located.ok()) return std::nullopt;
  fs::path path = located.path;
  path += suffix;
  return path;
}

CompareView::SourceRead CompareView::read(const Source& source) const {
  SourceRead result;
  const int open = document_->slot();
  switch (source.kind) {
    case Source::Slot:
    case Source::Folder: {
      const fs::path folder = source.kind == Source::Folder ? source.folder : session_.folder();
      const record::Located located = record::locateDataFile(folder);
      if (!located.ok()) {
        result.problem = messageText(located.error);
        return result;
      }
      const record::RecordRead read =
          record::readRecord(located.path, source.kind == Source::Slot ? source.slot : open);
      if (!read.ok()) {
        result.problem = messageText(read.error);
        return result;
      }
      result.bytes = read.bytes;
      return result;
    }
    case Source::Backup:
    case Source::Original: {
      const std::optional<fs::path> path =
          backupPath(source.kind == Source::Backup ? ".bak" : ".orig");
      if (!path) {
        result.problem = QStringLiteral("There is no planes.dat in the game folder \"%1\".")
                             .arg(pathText(session_.folder()));
        return result;
      }
      std::error_code error;
      if (!fs::exists(fs::symlink_status(*path, error))) {
        result.problem =
            QStringLiteral("There is no %1 in the game folder%2.")
                .arg(pathText(path->filename()),
                     source.kind == Source::Backup
                         ? QStringLiteral(" (Tolvane makes it when it first saves in a run)")
                         : QStringLiteral(" (Tolvane makes it at its very first save there)"));
        return result;
      }
      const record::RecordRead read = record::readRecordAt(*path, document_->firstPosition());
      if (!read.ok()) {
        result.problem = messageText(read.error);
        return result;
      }
      result.bytes = read.bytes;
      return result;
    }
  }
  return result;
}

QString CompareView::sourceName(const Source& source) const {
  switch (source.kind) {
    case Source::Slot: {
      const QString name =
          QStringLiteral("%1 (slot %2)").arg(aircraftName(source.slot)).arg(source.slot);
      return source.slot == document_->slot() ? name + QStringLiteral(" as saved") : name;
    }
    case Source::Backup:
    case Source::Original: {
      const auto path = backupPath(source.kind == Source::Backup ? ".bak" : ".orig");
      if (path) return pathText(path->filename());
      return source.kind == Source::Backup ? QStringLiteral("planes.dat.bak")
                                           : QStringLiteral("planes.dat.orig");
    }
    case Source::Folder:
      return QStringLiteral("planes.dat in \"%1\"").arg(pathText(source.folder));
  }
  return {};
}

void CompareView::refresh(bool ahead) {
  const int open = document_->slot();
  if (open < 0) return;
  stale_ = false;
  // The backups are offered only when they hold the aircraft; the note says why one is not.
  QStringList notes;
  std::vector<Offer> offers;
  std::optional<Source> firstBackup;
  for (const Source::Kind kind : {Source::Backup, Source::Original}) {
    Source backup;
    backup.kind = kind;
    const SourceRead read = this->read(backup);
    if (read.bytes) {
      offers.push_back({backup, QStringLiteral("%1, the same aircraft").arg(sourceName(backup))});
      if (!firstBackup) firstBackup = backup;
    } else {
      notes << read.problem;
    }
  }
  if (!sourceChosen_) {
    // First the backup, which holds the aircraft as it was before this run's first save;
    // without one, the open aircraft as planes.dat holds it, which shows the unsaved edits.
    Source fallback;
    fallback.slot = open;
    source_ = firstBackup ? *firstBackup : fallback;
    // It stays the source until the player chooses another, also when a save makes a .bak;
    // chosen when the player first sees the view, not while it is made ready ahead.
    sourceChosen_ = !ahead;
  }
  if (source_.kind == Source::Folder) {
    offers.push_back({source_, QStringLiteral("%1, the same aircraft").arg(sourceName(source_))});
  }
  for (int slot = 0; slot < record::kSlotCount; ++slot) {
    Source other;
    other.slot = slot;
    offers.push_back({other, slot == open
                                 ? QStringLiteral("%1 in planes.dat").arg(sourceName(other))
                                 : QStringLiteral("%1 in this planes.dat").arg(sourceName(other))});
  }
  // A chosen source that is no longer there stays chosen, so that the note can say why.
  int current = -1;
  for (std::size_t i = 0; i < offers.size(); ++i) {
    if (offers[i].source == source_) current = static_cast<int>(i);
  }
  if (current < 0) {
    offers.insert(offers.begin(), {source_, sourceName(source_)});
    current = 0;
  }
  offers_ = std::move(offers);
  {
    // The list is filled again only when its entries changed: filling it makes the box
    // measure every entry again, which was the larger part of opening the view again.
    const QSignalBlocker blocker(sources_);
    bool same = sources_->count() == static_cast<int>(offers_.size());
    for (int i = 0; same && i < sources_->count(); ++i) {
      same = sources_->itemText(i) == offers_[static_cast<std::size_t>(i)].label;
    }
    if (!same) {
      sources_->clear();
      for (const Offer& offer : offers_) sources_->addItem(offer.label);
    }
    sources_->setCurrentIndex(current);
  }

  const SourceRead read = this->read(source_);
  if (!read.bytes) {
    notes.prepend(QStringLiteral("Nothing to compare with: %1").arg(read.problem));
  }
  note_->setText(notes.join(QLatin1Char('\n')));
  note_->setVisible(!notes.isEmpty());
  model_->setOther(read.bytes, sourceName(source_));
  setWindowTitle(QStringLiteral("Compare %1 with %2 \u2014 Tolvane")
                     .arg(aircraftName(open), sourceName(source_)));
  updateState();
}

void CompareView::chooseFolder() {
  const QString title = QStringLiteral("Compare with the planes.dat of another game folder");
  QString from =
      script::textFromPath(source_.kind == Source::Folder ? source_.folder : session_.folder());
  for (;;) {
    const QString chosen = ui::prompter().chooseFolder(title, from);
    if (chosen.isEmpty()) return;
    const fs::path folder = script::pathFromDialogText(chosen);
    const record::Located located = record::locateDataFile(folder);
    if (located.ok()) {
      Source source;
      source.kind = Source::Folder;
      source.folder = folder;
      setSource(source);
      return;
    }
    ui::prompter().showError(
        title, messageText(located.error) +
                   QStringLiteral("\n\nChoose a folder that holds a game's planes.dat."));
    from = chosen;
  }
}

int CompareView::currentRow() const {
  const QModelIndex index = table_->currentIndex();
  if (!index.isValid()) return -1;
  return filter_->mapToSource(index).row();
}

void CompareView::take(const std::vector<int>& rows, const QString& what) {
  const std::map<int, QString> values = model_->otherValues(rows);
  if (values.empty()) return;
  session_.applyValues(QStringLiteral("Take %1 from %2").arg(what, model_->otherName()), values);
}

void CompareView::updateState() {
  const int differing = model_->differingCount();
  const int fields = model_->rowCount();
  if (!model_->other()) {
    summary_->clear();
  } else if (differing == 0) {
    summary_->setText(QStringLiteral("No field differs."));
  } else {
    summary_->setText(QStringLiteral("%1 of %2 fields differ.").arg(differing).arg(fields));
  }
  const int row = currentRow();
  takeButton_->setEnabled(row >= 0 && model_->differs(row));
  const int group = row >= 0 ? ui::CompareModel::fieldAt(row).gunGroup : 0;
  bool groupDiffers = false;
  for (const int member : ui::CompareModel::rowsOfGunGroup(group)) {
    groupDiffers = groupDiffers || model_->differs(member);
  }
  takeGroupButton_->setEnabled(groupDiffers);
  takeGroupButton_->setAccessibleDescription(
      group != 0 ? QStringLiteral("Takes the fields of gun group %1").arg(group) : QString());
  takeAllButton_->setEnabled(differing > 0);
}

}  // namespace tolvane::app
