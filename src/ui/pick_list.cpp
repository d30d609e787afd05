#include "ui/pick_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace tolvane::ui {

PickList::PickList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
}

int PickList::selectedRow() const {
  const QList<QListWidgetItem*> items = selectedItems();
  return items.isEmpty() ? -1 : row(items.first());
}

void PickList::showPicked(int row) {
  const QSignalBlocker blocker(this);
  const QSignalBlocker modelBlocker(selectionModel());
  // The view hears nothing of these changes (its signals are blocked), so the rows whose look
  // changes are redrawn here: those selected or current before and after. Redrawing only them
  // keeps a pick from repainting the whole list.
  const int selectedBefore = selectedRow();
  const int currentBefore = currentRow();
  if (row >= 0 && row < count()) {
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(row));
  } else {
    clearSelection();
    setCurrentRow(-1);
  }
  const int selectedAfter = selectedRow();
  const int currentAfter = currentRow();
  if (selectedAfter == selectedBefore && currentAfter == currentBefore) return;
  QList<int> changed;
  for (const int r : {selectedBefore, currentBefore, selectedAfter, currentAfter}) {
    if (r >= 0 && r < count() && !changed.contains(r)) changed << r;
  }
  for (const int r : changed) viewport()->update(visualItemRect(item(r)));
}

void PickList::keyPressEvent(QKeyEvent* event) {
  const int before = selectedRow();
  QListWidget::keyPressEvent(event);
  // A key that did not move the selection (an arrow at the end of the list, a letter that
  // matches nothing) picks nothing. While a mouse button is down, its release decides.
  const int after = selectedRow();
  if (!pressed_ && after != before) emit picked(after);
}

void PickList::mousePressEvent(QMouseEvent* event) {
  const int before = selectedRow();
  QListWidget::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  // A press outside every entry picks nothing, unless it took the highlight away.
  if (itemAt(event->position().toPoint()) == nullptr && selectedRow() == before) return;
  pressed_ = true;
  selectionBefore_ = before;
}

void PickList::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  emit picked(selectedRow());
}

}  // namespace tolvane::ui
