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

Prompter& prompter() {
  static MessageBoxPrompter fallback;
  return current ? *current : fallback;
}

void setPrompter(Prompter* p) {
  current = p;
}

}  // namespace tolvane::ui
