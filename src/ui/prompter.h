// Every message and question to the user goes through one small interface, so that tests
// can answer them; the real one uses QMessageBox.
#pragma once

#include <QString>

namespace tolvane::ui {

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual void showError(const QString& title, const QString& text) = 0;
  // Returns true when the user takes the first choice.
  virtual bool ask(const QString& title, const QString& text, const QString& firstChoice,
                   const QString& secondChoice) = 0;
};

class MessageBoxPrompter : public Prompter {
 public:
  void showError(const QString& title, const QString& text) override;
  bool ask(const QString& title, const QString& text, const QString& firstChoice,
           const QString& secondChoice) override;
};

// The prompter in use; a MessageBoxPrompter unless one was set.
Prompter& prompter();
// Sets the prompter (nullptr restores the message boxes). The caller keeps ownership.
void setPrompter(Prompter* p);

}  // namespace tolvane::ui
