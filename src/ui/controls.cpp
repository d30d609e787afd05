#include "ui/controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>
#include <QWidget>
#include <algorithm>

namespace tolvane::ui {
namespace {

// A tooltip that shows a whole text, with the widget's own tooltip (if any) below it.
QString withOwnTip(const QString& whole, const QString& own) {
  return own.isEmpty() ? whole : whole + QStringLiteral("\n") + own;
}

// Shows the whole text of a line edit in its tooltip while the box is too narrow for it.
class FullTextTip : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return false;
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box || textFits(box)) return false;  // the box's own tooltip, if any, as usual
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), fullTextToolTip(box), box);
    return true;
  }
};

}  // namespace

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {
  // Captions are values and paths, never markup.
  setTextFormat(Qt::PlainText);
}

void CaptionLabel::setCaption(const QString& caption) {
  if (caption == text()) return;
  setText(caption);
  emit captionChanged(caption);
}

bool CaptionLabel::captionFits() const {
  const int available = contentsRect().width() - 2 * margin() - std::max(0, indent());
  // Asked at every redraw: the text is measured again only when it or the room changed.
  if (!fitKnown_ || fitAvailable_ != available || fitText_ != text()) {
    fitText_ = text();
    fitAvailable_ = available;
    fits_ = fontMetrics().horizontalAdvance(fitText_) <= available;
    fitKnown_ = true;
  }
  return fits_;
}

bool CaptionLabel::event(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    fitKnown_ = false;
  }
  if (event->type() == QEvent::ToolTip && !captionFits()) {
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), withOwnTip(text(), toolTip()), this);
    return true;
  }
  return QLabel::event(event);
}

void CaptionLabel::paintEvent(QPaintEvent* event) {
  if (wordWrap() || captionFits()) {
    QLabel::paintEvent(event);
    return;
  }
  // Too long: drawn cut short with an ellipsis; the tooltip has the whole caption.
  QPainter painter(this);
  drawFrame(&painter);
  const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
  style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()),
                        palette(), isEnabled(), shown, foregroundRole());
}

void showCheckState(QCheckBox* box, Qt::CheckState state) {
  if (box->checkState() != state) box->setCheckState(state);
}

PanelFrame::PanelFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { onFocusChanged(now); });
}

bool PanelFrame::takesTabFocus(const QWidget* widget) const {
  return widget != nullptr && isAncestorOf(widget) && widget->isVisible() && widget->isEnabled() &&
         (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->focusProxy() == nullptr;
}

QWidget* PanelFrame::firstFocusable() const {
  // The focus chain holds the panel's controls in their Tab order; the first after the panel
  // that belongs to it is the first one Tab reaches.
  for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
    if (takesTabFocus(w)) return w;
  }
  return nullptr;
}

bool PanelFrame::focusNextPrevChild(bool next) {
  if (!isVisible()) return QGroupBox::focusNextPrevChild(next);
  QWidget* from = QApplication::focusWidget();
  if (from == nullptr || !isAncestorOf(from)) from = this;
  // Round the window's focus chain to the next control of the panel: past its last control
  // Tab comes back to its first, and Shift+Tab from its first goes to its last.
  for (QWidget* w = next ? from->nextInFocusChain() : from->previousInFocusChain(); w != from;
       w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
    if (takesTabFocus(w)) {
      w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  }
  return true;
}

void PanelFrame::onFocusChanged(QWidget* now) {
  if (now == nullptr || !isVisible()) return;
  if (isAncestorOf(now)) {
    lastFocus_ = now;
    return;
  }
  // Another window (a message, a file dialog) takes the focus as it likes.
  if (now->window() != window()) return;
  QWidget* back = takesTabFocus(lastFocus_) ? lastFocus_.data() : firstFocusable();
  if (back != nullptr) back->setFocus(Qt::OtherFocusReason);
}

namespace {

// What a screen reader sees of an option button: a radio button, checked or not. Qt's own
// interface calls a radio button that is not auto-exclusive a check box, and the array's buttons
// cannot be, since the array may have none selected.
class OptionButtonAccessible : public QAccessibleWidget {
 public:
  explicit OptionButtonAccessible(QWidget* widget)
      : QAccessibleWidget(widget, QAccessible::RadioButton) {}

  QString text(QAccessible::Text t) const override {
    QString said = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && said.isEmpty()) said = button()->text().remove(QLatin1Char('&'));
    return said;
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = button()->isChecked();
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == pressAction() && button()->isEnabled()) {
      button()->click();
      return;
    }
    QAccessibleWidget::doAction(action);
  }

 private:
  QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* optionButtonInterface(const QString& key, QObject* object) {
  if (key == QLatin1String(OptionButton::staticMetaObject.className()) &&
      qobject_cast<OptionButton*>(object) != nullptr) {
    return new OptionButtonAccessible(static_cast<QWidget*>(object));
  }
  return nullptr;
}

// What a screen reader sees of a flag frame: a group named with the value its title shows.
// The title is the value alone ("137"), which said by itself would not tell what it is.
class TitleFrameAccessible : public QAccessibleWidget {
 public:
  explicit TitleFrameAccessible(QWidget* widget)
      : QAccessibleWidget(widget, QAccessible::Grouping) {}

  QString text(QAccessible::Text t) const override {
    const QString said = QAccessibleWidget::text(t);
    if (t != QAccessible::Name) return said;
    const QString value = static_cast<const QGroupBox*>(widget())->title().trimmed();
    if (value.isEmpty()) return said;
    return said.isEmpty() ? QStringLiteral("Value %1").arg(value)
                          : QStringLiteral("%1, value %2").arg(said, value);
  }
};

QAccessibleInterface* titleFrameInterface(const QString& key, QObject* object) {
  if (key == QLatin1String(TitleFrame::staticMetaObject.className()) &&
      qobject_cast<TitleFrame*>(object) != nullptr) {
    return new TitleFrameAccessible(static_cast<QWidget*>(object));
  }
  return nullptr;
}

}  // namespace

TitleFrame::TitleFrame(QWidget* parent) : QGroupBox(parent) {
  static const bool installed = [] {
    QAccessible::installFactory(titleFrameInterface);
    return true;
  }();
  Q_UNUSED(installed);
}

OptionButton::OptionButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
  setAutoExclusive(false);
  static const bool installed = [] {
    QAccessible::installFactory(optionButtonInterface);
    return true;
  }();
  Q_UNUSED(installed);
}

void OptionButton::nextCheckState() {
  if (!isChecked()) setChecked(true);
}

OptionArray::OptionArray(QObject* parent) : QObject(parent) {}

void OptionArray::add(int index, OptionButton* button) {
  buttons_.insert(index, button);
  connect(button, &QAbstractButton::toggled, this,
          [this, index](bool checked) { onToggled(index, checked); });
  button->installEventFilter(this);
  updateTabStop();
}

void OptionArray::updateTabStop() {
  // Only one button takes the focus from Tab: the selected one, else the first. The others
  // still take it from a click and from the arrow keys.
  int stop = selected();
  if (stop < 0 && !buttons_.isEmpty()) stop = buttons_.firstKey();
  for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it) {
    it.value()->setFocusPolicy(it.key() == stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

bool OptionArray::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() & ~Qt::KeypadModifier) return false;
  int step = 0;
  switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      step = -1;
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      step = 1;
      break;
    default:
      return false;
  }
  const QList<int> order = buttons_.keys();
  const int from =
      static_cast<int>(order.indexOf(buttons_.key(static_cast<OptionButton*>(watched), -1)));
  if (from < 0) return false;
  // The next button that can take the focus, going round the ends.
  const int count = static_cast<int>(order.size());
  for (int n = 1; n < count; ++n) {
    const int index = order[((from + step * n) % count + count) % count];
    OptionButton* next = buttons_.value(index);
    if (!next->isEnabled() || !next->isVisible()) continue;
    next->setFocus(Qt::TabFocusReason);
    select(index);
    break;
  }
  return true;
}

int OptionArray::selected() const {
  for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it) {
    if (it.value()->isChecked()) return it.key();
  }
  return -1;
}

void OptionArray::onToggled(int index, bool checked) {
  if (!checked) return;
  for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it) {
    if (it.key() != index && it.value()->isChecked()) {
      const QSignalBlocker blocker(it.value());
      it.value()->setChecked(false);
    }
  }
  updateTabStop();
  emit optionClicked(index);
}

void OptionArray::select(int index) {
  if (OptionButton* b = button(index)) b->setChecked(true);
}

void OptionArray::showSelected(int index) {
  for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it) {
    const QSignalBlocker blocker(it.value());
    it.value()->setChecked(it.key() == index);
  }
  updateTabStop();
}

void OptionArray::clear() {
  showSelected(-1);
}

InputHook::InputHook(QWidget* target) : QObject(target) {
  target->installEventFilter(this);
}

int characterCode(int key, const QString& text, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return 13;
  if (key == Qt::Key_Backspace) return 8;
  // Tab and Escape move the focus or close things; they type nothing into a box.
  if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape) return -1;
  if (text.isEmpty()) return -1;
  // Ctrl combinations select, paste or run commands; a box types nothing for them. (Ctrl
  // with Alt is AltGr on some systems, which does type.)
  const Qt::KeyboardModifiers command = modifiers & (Qt::ControlModifier | Qt::MetaModifier);
  if (command && !(modifiers & Qt::AltModifier)) return -1;
  const QChar c = text.at(0);
  // Delete and control characters edit or move, but type no character.
  if (c.category() == QChar::Other_Control) return -1;
  if (c.isHighSurrogate() && text.size() > 1)
    return static_cast<int>(QChar::surrogateToUcs4(c, text.at(1)));
  return c.unicode();
}

bool InputHook::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int code = characterCode(key->key(), key->text(), key->modifiers());
    if (code >= 0) emit keyPressed(code);
  } else if (event->type() == QEvent::MouseButtonPress &&
             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    emit clicked();
  }
  return QObject::eventFilter(watched, event);
}

InputHook* inputHook(QWidget* target) {
  if (auto* existing = target->findChild<InputHook*>(QString(), Qt::FindDirectChildrenOnly)) {
    return existing;
  }
  return new InputHook(target);
}

void showFullTextInToolTip(QLineEdit* box) {
  box->installEventFilter(new FullTextTip(box));
}

namespace {

bool textFitsWith(const QLineEdit* box, const QFontMetrics& metrics) {
  QStyleOptionFrame option;
  option.initFrom(box);
  option.rect = box->contentsRect();
  option.lineWidth =
      box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
  option.midLineWidth = 0;
  option.state |= QStyle::State_Sunken;
  QRect area = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
  area = area.marginsRemoved(box->textMargins());
  // The box keeps two pixels either side of its text, and one for the cursor.
  const int available = area.width() - 2 * 2 - 1;
  return metrics.horizontalAdvance(box->displayText()) <= available;
}

}  // namespace

bool textFits(const QLineEdit* box) {
  return textFitsWith(box, box->fontMetrics());
}

QFont narrowFace(QFont font) {
  font.setFamily(QStringLiteral("Liberation Sans Narrow"));
  return font;
}

void narrowWhenLong(QLineEdit* box) {
  const QFont own = box->font();
  auto fit = [box, own] {
    const QFont wanted = textFitsWith(box, QFontMetrics(own)) ? own : narrowFace(own);
    if (box->font() != wanted) box->setFont(wanted);
  };
  QObject::connect(box, &QLineEdit::textChanged, box, fit);
}

QString fullTextToolTip(const QLineEdit* box) {
  if (textFits(box)) return box->toolTip();
  return withOwnTip(box->displayText(), box->toolTip());
}

}  // namespace tolvane::ui
