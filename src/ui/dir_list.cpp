#include "ui/dir_list.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScrollBar>

namespace tolvane::ui {

DirList::DirList(QWidget* parent) : QTreeView(parent) {
  // The model is made when the tree is first shown (see start): even unused, a file system
  // model costs start-up time and memory for a tree that sits in a panel most sessions never
  // open. The header is hidden before any model is set, so that it never measures sections.
  header()->hide();
  setIndentation(10);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // Dragging the scroll bar is the user taking over too.
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this] { followPath_ = false; });
}

void DirList::start() {
  model_ = new QFileSystemModel(this);
  model_->setReadOnly(true);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) hideColumn(column);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { onCurrentChanged(current); });
  // The model reads and sorts folders in the background, so rows arrive and move after the
  // path is set: until the user takes over, the tree keeps the chosen folder in view.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this] { keepPathInView(); });
  connect(model_, &QAbstractItemModel::layoutChanged, this, [this] { keepPathInView(); });
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { keepPathInView(); });
  model_->setRootPath(QDir::rootPath());
  if (!path_.isEmpty()) showPath();
}

void DirList::keepPathInView() {
  if (!followPath_ || !model_) return;
  const QModelIndex index = model_->index(path_);
  if (index.isValid()) scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void DirList::showEvent(QShowEvent* event) {
  if (!model_) start();
  QTreeView::showEvent(event);
  keepPathInView();
}

void DirList::mousePressEvent(QMouseEvent* event) {
  followPath_ = false;
  QTreeView::mousePressEvent(event);
}

void DirList::wheelEvent(QWheelEvent* event) {
  followPath_ = false;
  QTreeView::wheelEvent(event);
}

void DirList::keyPressEvent(QKeyEvent* event) {
  followPath_ = false;
  QTreeView::keyPressEvent(event);
}

void DirList::setPath(const QString& path) {
  const QString clean = QDir::cleanPath(QDir(path).absolutePath());
  const bool changed = clean != path_;
  followPath_ = true;
  // The path is taken at once, so that making the folder current reports nothing twice.
  path_ = clean;
  // A tree that was never shown opens down to the folder when it is first shown.
  if (model_) showPath();
  // The model may not know the folder yet (or it may be gone); the path still follows.
  if (changed) emit pathChanged(path_);
}

void DirList::showPath() {
  const QModelIndex index = model_->index(path_);
  if (index.isValid()) {
    setCurrentIndex(index);
    expand(index);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
  }
}

void DirList::onCurrentChanged(const QModelIndex& current) {
  if (!current.isValid()) return;
  const QString chosen = model_->filePath(current);
  if (chosen.isEmpty() || chosen == path_) return;
  path_ = chosen;
  emit pathChanged(path_);
}

}  // namespace tolvane::ui
