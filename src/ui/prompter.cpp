#include "ui/prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tolvane::ui {
namespace {
Prompter* current = nullptr;
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

Prompter& prompter() {
  static MessageBoxPrompter fallback;
  return current ? *current : fallback;
}

void setPrompter(Prompter* p) {
  current = p;
}

}  // namespace tolvane::ui
