#include "ui/dir_list.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>

namespace tolvane::ui {

DirList::DirList(QWidget* parent) : QTreeView(parent), model_(new QFileSystemModel(this)) {
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setReadOnly(true);
  model_->setRootPath(QDir::rootPath());
  setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) hideColumn(column);
  header()->hide();
  setIndentation(10);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { onCurrentChanged(current); });
  // The model reads folders in the background: once the chosen folder's parent is read, the
  // tree is scrolled so that the chosen folder is in view.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
    if (path_.isEmpty() || !path_.startsWith(loaded)) return;
    const QModelIndex index = model_->index(path_);
    if (index.isValid()) scrollTo(index, QAbstractItemView::PositionAtCenter);
  });
}

void DirList::setPath(const QString& path) {
  const QString clean = QDir::cleanPath(QDir(path).absolutePath());
  const bool changed = clean != path_;
  // The path is taken at once, so that making the folder current reports nothing twice.
  path_ = clean;
  const QModelIndex index = model_->index(clean);
  if (index.isValid()) {
    setCurrentIndex(index);
    expand(index);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
  }
  // The model may not know the folder yet (or it may be gone); the path still follows.
  if (changed) emit pathChanged(path_);
}

void DirList::onCurrentChanged(const QModelIndex& current) {
  if (!current.isValid()) return;
  const QString chosen = model_->filePath(current);
  if (chosen.isEmpty() || chosen == path_) return;
  path_ = chosen;
  emit pathChanged(path_);
}

}  // namespace tolvane::ui
