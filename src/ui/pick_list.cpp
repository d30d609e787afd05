#include "ui/pick_list.h"

#include <QEvent>
#include <QFont>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace tolvane::ui {
namespace {

// The list asks an entry's size each time it scrolls to it or redraws its highlight, and the
// style lays the entry's text out for every answer. Entries are one line of text, so the
// answer is kept per text and font; an entry with an icon, a check box, a font or a size of
// its own is asked afresh every time.
class EntrySizes : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    for (const int role :
         {Qt::DecorationRole, Qt::CheckStateRole, Qt::FontRole, Qt::SizeHintRole}) {
      if (index.data(role).isValid()) return QStyledItemDelegate::sizeHint(option, index);
    }
    if (option.font != font_) {
      sizes_.clear();
      font_ = option.font;
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    const auto known = sizes_.constFind(text);
    if (known != sizes_.constEnd()) return *known;
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    sizes_.insert(text, size);
    return size;
  }

  void forget() { sizes_.clear(); }

 private:
  mutable QFont font_;
  mutable QHash<QString, QSize> sizes_;
};

}  // namespace

PickList::PickList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setItemDelegate(new EntrySizes(this));
}

void PickList::changeEvent(QEvent* event) {
  // A new style or font may size the same text differently.
  if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) {
    if (auto* sizes = dynamic_cast<EntrySizes*>(itemDelegate())) sizes->forget();
  }
  QListWidget::changeEvent(event);
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
