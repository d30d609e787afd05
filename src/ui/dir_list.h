// A folder chooser: a tree of the file system showing folders only. Its path is the folder
// that is current in the tree; every change of it is reported.
#pragma once

#include <QString>
#include <QTreeView>

class QFileSystemModel;

namespace tolvane::ui {

class DirList : public QTreeView {
  Q_OBJECT
 public:
  explicit DirList(QWidget* parent = nullptr);

  QString path() const { return path_; }
  // Makes a folder current, opens the tree down to it and reports the change of path. The
  // path is taken at once, even while the tree is still reading the folders in the background
  // or has not been shown yet.
  void setPath(const QString& path);

 signals:
  void pathChanged(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void onCurrentChanged(const QModelIndex& current);
  void keepPathInView();
  // Makes the path's folder current in the tree and opens the tree down to it.
  void showPath();
  // Makes the model and puts it to work; the tree has none until it is first shown.
  void start();
  QFileSystemModel* model_ = nullptr;
  QString path_;
  bool followPath_ = true;  // scroll the chosen folder into view as the tree fills
};

}  // namespace tolvane::ui
