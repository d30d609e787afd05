#include "ui/prompter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace tolvane::ui {
namespace {
Prompter* current = nullptr;
}

QString Prompter::chooseFolder(const QString& title, const QString& from) {
  return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, from);
}

void MessageBoxPrompter::showError(const QString& title, const QString& text) {
  QMessageBox::warning(QApplication::activeWindow(), title, text);
}

bool MessageBoxPrompter::ask(const QString& title, const QString& text, const QString& firstChoice,
                             const QString& secondChoice) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  QPushButton* first = box.addButton(firstChoice, QMessageBox::AcceptRole);
  QPushButton* second = box.addButton(secondChoice, QMessageBox::RejectRole);
  box.setDefaultButton(second);
  box.setEscapeButton(second);
  box.exec();
  return box.clickedButton() == first;
}

int MessageBoxPrompter::choose(const QString& title, const QString& text,
                               const QStringList& buttons, int defaultIndex, int escapeIndex) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  QList<QPushButton*> added;
  for (int i = 0; i < buttons.size(); ++i) {
    const auto role = i == escapeIndex ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
    added << box.addButton(buttons[i], role);
  }
  if (defaultIndex >= 0 && defaultIndex < added.size()) box.setDefaultButton(added[defaultIndex]);
  if (escapeIndex >= 0 && escapeIndex < added.size()) box.setEscapeButton(added[escapeIndex]);
  box.exec();
  const int taken = static_cast<int>(added.indexOf(static_cast<QPushButton*>(box.clickedButton())));
  return taken >= 0 ? taken : escapeIndex;
}

QDialog* detailsDialog(QWidget* parent, const QString& title, const QString& text,
                       const QString& details, const QStringList& buttons, int defaultIndex,
                       int escapeIndex, int* taken) {
  auto* dialog = new QDialog(parent);
  dialog->setWindowTitle(title);
  auto* layout = new QVBoxLayout(dialog);
  auto* label = new QLabel(text, dialog);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(label);
  auto* list = new QPlainTextEdit(dialog);
  list->setObjectName(QStringLiteral("DetailsText"));
  list->setReadOnly(true);
  list->setPlainText(details);
  list->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(list, 1);
  auto* box = new QDialogButtonBox(dialog);
  box->setObjectName(QStringLiteral("DetailsButtons"));
  *taken = escapeIndex;
  for (int i = 0; i < buttons.size(); ++i) {
    QPushButton* button = box->addButton(
        buttons[i], i == escapeIndex ? QDialogButtonBox::RejectRole : QDialogButtonBox::AcceptRole);
    button->setDefault(i == defaultIndex);
    button->setAutoDefault(i == defaultIndex);
    QObject::connect(button, &QPushButton::clicked, dialog, [dialog, taken, i, escapeIndex] {
      *taken = i;
      if (i == escapeIndex) {
        dialog->reject();
      } else {
        dialog->accept();
      }
    });
  }
  // Escape rejects the dialog and leaves `taken` at the escape button.
  layout->addWidget(box);
  // Wide enough for the longest line, as tall as the list needs, and never taller than the
  // screen it opens on: the list scrolls, the buttons stay.
  const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
  const QFontMetrics metrics(list->font());
  int widest = 0;
  for (const QString& line : details.split(QLatin1Char('\n'))) {
    widest = std::max(widest, metrics.horizontalAdvance(line));
  }
  const int lines = static_cast<int>(details.count(QLatin1Char('\n'))) + 1;
  const QSize wanted(widest + 60, dialog->sizeHint().height() + lines * metrics.lineSpacing());
  dialog->resize(std::min(std::max(wanted.width(), 420), available.width() * 9 / 10),
                 std::min(wanted.height(), available.height() * 9 / 10));
  return dialog;
}

int MessageBoxPrompter::chooseWithDetails(const QString& title, const QString& text,
                                          const QString& details, const QStringList& buttons,
                                          int defaultIndex, int escapeIndex) {
  int taken = escapeIndex;
  QDialog* dialog = detailsDialog(QApplication::activeWindow(), title, text, details, buttons,
                                  defaultIndex, escapeIndex, &taken);
  dialog->exec();
  delete dialog;
  return taken;
}

int MessageBoxPrompter::chooseItem(const QString& title, const QString& text,
                                   const QStringList& items, int current,
                                   const QString& acceptText) {
  QDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(title);
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(text, &dialog);
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* list = new QListWidget(&dialog);
  list->setObjectName("ItemList");
  list->addItems(items);
  list->setCurrentRow(std::clamp(current, 0, std::max(0, static_cast<int>(items.size()) - 1)));
  label->setBuddy(list);
  layout->addWidget(list, 1);
  auto* box = new QDialogButtonBox(&dialog);
  QPushButton* accept = box->addButton(acceptText, QDialogButtonBox::AcceptRole);
  box->addButton(QDialogButtonBox::Cancel);
  accept->setDefault(true);
  layout->addWidget(box);
  QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  list->setFocus();
  if (dialog.exec() != QDialog::Accepted) return -1;
  return list->currentRow();
}

Prompter& prompter() {
  static MessageBoxPrompter fallback;
  return current ? *current : fallback;
}

void setPrompter(Prompter* p) {
  current = p;
}

}  // namespace tolvane::ui
