// Every message and question to the user goes through one small interface, so that tests
// can answer them; the real one uses QMessageBox.
#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace tolvane::ui {

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual void showError(const QString& title, const QString& text) = 0;
  // Returns true when the user takes the first choice.
  virtual bool ask(const QString& title, const QString& text, const QString& firstChoice,
                   const QString& secondChoice) = 0;
  // A question with several answers; returns the index of the button taken. Escape (or
  // closing the question) takes escapeIndex; defaultIndex is the button Enter presses.
  virtual int choose(const QString& title, const QString& text, const QStringList& buttons,
                     int defaultIndex, int escapeIndex) = 0;
  // The same with a long text (a list of changes) below a short one: the long text scrolls,
  // and the buttons stay on screen however long it is. By default the two texts are one.
  virtual int chooseWithDetails(const QString& title, const QString& text, const QString& details,
                                const QStringList& buttons, int defaultIndex, int escapeIndex) {
    return choose(title, text + QStringLiteral("\n\n") + details, buttons, defaultIndex,
                  escapeIndex);
  }
  // The folder chooser, opened at `from`; returns the folder taken, or an empty text when the
  // user cancelled. By default the desktop's folder dialog.
  virtual QString chooseFolder(const QString& title, const QString& from);
  // One entry of a list (an aircraft to copy into): returns the index of the entry taken with
  // the accepting button (or a double-click), or -1 when the user cancelled. `current` is
  // the entry selected at first.
  virtual int chooseItem(const QString& title, const QString& text, const QStringList& items,
                         int current, const QString& acceptText) = 0;
};

class MessageBoxPrompter : public Prompter {
 public:
  void showError(const QString& title, const QString& text) override;
  bool ask(const QString& title, const QString& text, const QString& firstChoice,
           const QString& secondChoice) override;
  int choose(const QString& title, const QString& text, const QStringList& buttons,
             int defaultIndex, int escapeIndex) override;
  int chooseWithDetails(const QString& title, const QString& text, const QString& details,
                        const QStringList& buttons, int defaultIndex, int escapeIndex) override;
  int chooseItem(const QString& title, const QString& text, const QStringList& items, int current,
                 const QString& acceptText) override;
};

// The dialog chooseWithDetails shows, not yet shown: the short text, the long one in a
// read-only box that scrolls, and the buttons (objectNames "DetailsText", "DetailsButtons").
// Its size fits the available height of the screen it opens on. `taken` is set to the index
// of the button clicked.
QDialog* detailsDialog(QWidget* parent, const QString& title, const QString& text,
                       const QString& details, const QStringList& buttons, int defaultIndex,
                       int escapeIndex, int* taken);

// The prompter in use; a MessageBoxPrompter unless one was set.
Prompter& prompter();
// Sets the prompter (nullptr restores the message boxes). The caller keeps ownership.
void setPrompter(Prompter* p);

}  // namespace tolvane::ui
