// Helpers shared by the tests: a fresh generated planes.dat in a temporary folder that is the
// process's current folder, a prompter that records messages and answers questions, and
// access to the main window's controls by object name.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QHash>
#include <QLineEdit>
#include <QObject>
#include <QRegion>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_window.h"
#include "ui/prompter.h"

namespace tolvane::test {

class RecordingPrompter : public ui::Prompter {
 public:
  RecordingPrompter();
  ~RecordingPrompter() override;
  void showError(const QString& title, const QString& text) override;
  bool ask(const QString& title, const QString& text, const QString& first,
           const QString& second) override;
  int choose(const QString& title, const QString& text, const QStringList& buttons,
             int defaultIndex, int escapeIndex) override;
  int chooseItem(const QString& title, const QString& text, const QStringList& items, int current,
                 const QString& acceptText) override;

  QStringList errors;
  QStringList questions;
  std::vector<bool> answers;  // taken in order; false once they run out
  // Answers to questions with several buttons, by button text, taken in order; once they run
  // out the escape button is taken. Each question's buttons are kept in buttonSets.
  QStringList choices;
  QList<QStringList> buttonSets;
  // When set, answers every question with several buttons instead of choices: it gets the
  // question and its buttons and returns the index of the button taken.
  std::function<int(const QString& text, const QStringList& buttons)> chooser;
  // Answers to the next folder choosers, taken in order (an empty one cancels); once they run
  // out, the real folder dialog opens. Each chooser's title is kept in folderTitles.
  QStringList folders;
  QStringList folderTitles;
  QString chooseFolder(const QString& title, const QString& from) override;
  // Answers to choices from a list, by entry text, taken in order; once they run out the
  // choice is cancelled. Each list is kept in itemSets.
  QStringList items;
  QList<QStringList> itemSets;
};

// A temporary folder holding a generated planes.dat; the process works in it while the
// object lives.
class DataFolder {
 public:
  explicit DataFolder(const QString& fileName = QStringLiteral("planes.dat"));
  ~DataFolder();
  QString path() const { return dir_.path(); }
  QString filePath() const { return dir_.filePath(fileName_); }
  QByteArray bytes() const;
  void setBytes(const QByteArray& bytes) const;

 private:
  QTemporaryDir dir_;
  QString fileName_;
  QString previous_;
};

// Whether a box shows the note of a value that saving stores rounded ("Saved as 12"), in a
// colour that is not the refusal red.
bool noteShown(const QLineEdit* box, const QString& savedAs);

// The generated file as a QByteArray.
QByteArray demoBytes();

// Records the paint events of the widgets it watches: how many each had and the region it was
// asked to paint, so that a test can tell what a change redrew.
class PaintWatch : public QObject {
 public:
  void watch(QWidget* widget) { widget->installEventFilter(this); }
  int paints(const QObject* widget) const { return paints_.value(widget); }
  QRegion region(const QObject* widget) const { return regions_.value(widget); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QHash<const QObject*, int> paints_;
  QHash<const QObject*, QRegion> regions_;
};

// A window over a DataFolder, with a recording prompter, shown so that the grid scrolls.
struct Fixture {
  Fixture();
  ~Fixture();
  DataFolder folder;
  RecordingPrompter prompter;
  std::unique_ptr<app::MainWindow> window;

  template <typename T>
  T* find(const QString& name) const {
    return window->findChild<T*>(name);
  }
  // Puts bytes into the record of a slot in planes.dat, from record byte k on.
  void setRecordBytes(int slot, int k, const QList<int>& values) const;
  // The byte now at record byte k of a slot in planes.dat.
  int fileByte(int slot, int k) const;
  // Closes the window as the user does; returns whether it agreed to close.
  bool close() const;
  // Picks an aircraft in the list as the user does.
  void pick(int slot);
  QString cell(int row, int column = 2) const;
  void setCell(int row, int column, const QString& text);
  // Types a text into a box of the window as the user does (the box takes the focus, its
  // text is selected and replaced key by key), and presses Enter when asked to.
  void typeInto(const QString& box, const QString& text, bool enter = false);
  // Types a byte in the grid's byte editor: a click on the row, the text, Enter.
  void typeInGrid(int row, const QString& text);
};

// Opens the context menu of a widget as a right click does and takes the entry named so, when
// it is enabled, as the user does; returns the texts of the menu's entries with their shortcuts
// ("Compare with...\tCtrl+D"), the disabled ones too.
QStringList takeFromContextMenu(QWidget* widget, const QString& entry);

// Whether a context menu of a widget has the entry named so, enabled.
bool contextMenuOffers(QWidget* widget, const QString& entry);

// The same two for a window without a fixture.
void typeInto(QLineEdit* box, const QString& text, bool enter = false);
void typeInGrid(app::MainWindow& window, int row, const QString& text);

}  // namespace tolvane::test
