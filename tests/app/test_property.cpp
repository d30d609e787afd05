// Seeded random sequences of what a user does, through the real controls: picks in the
// aircraft list by key (arrows, Home/End, Page Up/Down, a typed letter), by click, by a click
// on the open aircraft and a Ctrl+click that takes the highlight away; typing ordinary and
// hostile texts into every box, and pasting them there with Ctrl+V; clicking flag, option and
// group buttons; typing into the byte editor's box and Enter; arrow and page keys in the grid
// while that box is open; saves; closes; the Script Maker and its slot list; Tab and
// Shift+Tab; right clicks on boxes and the grid; and another program rewriting bytes of the
// file in place. Questions are answered at random among their buttons.
//
// After every step the file must keep its length and identity (inode) and equal a model of
// it: the file as it was, with each record that a save wrote replaced by the value cells it
// saved, and the other program's bytes. The model predicts from the state before the step and
// the answers given which questions a pick, a save or a close asks, whether it writes, whether
// it loads, and what the window shows afterwards:
// - the list highlights the open aircraft (selected row and current row);
// - the loaded-value column holds the bytes the window last read or wrote, and the window has
//   unsaved changes exactly when a value cell differs from them;
// - after every load the value column equals the loaded column;
// - a click on a flag box changes its byte by that bit alone, and by the other bit of an
//   exclusive pair when it checks a box of the pair;
// - edits are never dropped without a question: a pick or a close that goes through without
//   an answer that drops them leaves them in the file, and one that stays keeps them in the
//   cells;
// - Enter in the byte editor's box writes the row it was opened for and no other; once the
//   grid's current row has moved the box is closed and Enter writes nothing;
// - every box that a load fills, the flag frames' titles and boxes and the gun group on view
//   show what their cells hold, and each box's mark (refused, "Saved as" note, plain) agrees
//   with its cells.
//
// TOLVANE_PROPERTY_SEQUENCES (default 2000) sets how many sequences run, TOLVANE_PROPERTY_SEED
// the first seed (default 1); a failure prints the command that replays it, and
// TOLVANE_PROPERTY_TRACE prints every step.
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <bitset>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "app/compare_view.h"
#include "editors/value_mark.h"
#include "record/charset.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/compare_model.h"
#include "ui/controls.h"
#include "ui/pick_list.h"

using namespace tolvane;

namespace {

using record::kLoadedColumn;
using record::kPositionColumn;
using record::kRecordBytes;
using record::kSlotCount;
using record::kValueColumn;

const char* const kTexts[] = {
    // ordinary
    "0", "1", "2", "5", "12", "99", "128", "255", "1943", "250", "30000", "45000", "1000000",
    "B17F", "P51D", "3.5", "2.5",
    // hostile
    "256", "-1", "-0", "1E999", "-1D999", "nan", "inf", "", " ", "  7  ", "abc", "1e-300",
    "4294967295", "4294967296", "99999999999999999999999", "0x10", "1,5", "+3", "..", "1D2",
    "\xc3\xa9\xc3\xa9", "\xe2\x80\xa8", "\t9\n", "65536", "-65536", "255.5", "254.5",
    "12345678901234567890123456789012345678901234567890"};

const QStringList kPendingButtons = {QStringLiteral("Save to planes.dat"),
                                     QStringLiteral("Discard"), QStringLiteral("Go back")};
const QStringList kOthersButtons = {QStringLiteral("Overwrite"),
                                    QStringLiteral("Load the file's version"),
                                    QStringLiteral("Go back")};

ino_t inodeOf(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

long envNumber(const char* name, long fallback) {
  const QByteArray value = qgetenv(name);
  bool ok = false;
  const long n = value.toLong(&ok);
  return ok ? n : fallback;
}

QByteArray recordIn(const QByteArray& file, int slot) {
  return file.mid(int(record::bytePosition(slot, 1) - 1), kRecordBytes);
}

// The record a column of cells would save, or nothing when saving refuses a cell.
std::optional<QByteArray> recordOf(const QStringList& cells) {
  QByteArray bytes(kRecordBytes, 0);
  for (int i = 0; i < kRecordBytes; ++i) {
    const auto b = record::cellByte(cells[i].toStdString());
    if (!b) return std::nullopt;
    bytes[i] = char(*b);
  }
  return bytes;
}

// The code as cells 165 to 168 hold it; empty when one is not a byte.
QString codeIn(const QStringList& cells) {
  QString code;
  for (int i = 164; i < kRecordBytes; ++i) {
    const auto b = record::cellByte(cells[i].toStdString());
    if (!b) return {};
    const char32_t c = record::charFromByte(*b);
    code += QString::fromUcs4(&c, 1);
  }
  return code;
}

// The bytes of a typed code, or nothing when it is not four characters of the game's set.
std::optional<QByteArray> codeBytes(const QString& text) {
  const std::u32string code = text.toStdU32String();
  if (code.size() != 4) return std::nullopt;
  QByteArray bytes;
  for (const char32_t c : code) {
    const auto b = record::byteFromChar(c);
    if (!b) return std::nullopt;
    bytes += char(*b);
  }
  return bytes;
}

QString numberText(double value) {
  return QString::fromStdString(record::numberToText(value));
}
QString paddedText(double value) {
  return QString::fromStdString(record::signPadded(value));
}
double valueOf(const QString& text) {
  return record::readNumber(text.toStdString());
}

// How a box writes its value into the cells of its rows, and how a load shows them in it.
enum class BoxKind {
  Word,     // four bytes, low first (the performance figures)
  Half,     // two bytes, low first (year, ammunition)
  LowHalf,  // two bytes written; the low one shown as its cell holds it (damage)
  Byte,     // one byte, shown as its cell holds it (gun-group count, number of guns)
  Crew,     // byte 11 written as typed; shown with byte 12 while byte 11 is a plain byte
};

struct WatchedBox {
  QLineEdit* box;
  BoxKind kind;
  int first;    // the row of its first byte
  double high;  // the highest value its bytes hold
};

int rowsOf(BoxKind kind) {
  switch (kind) {
    case BoxKind::Word:
      return 4;
    case BoxKind::Half:
    case BoxKind::LowHalf:
      return 2;
    default:
      return 1;
  }
}

// The text a load (or an undo) shows in a box for these value cells.
QString shownFor(const WatchedBox& s, const QStringList& cells) {
  auto cell = [&cells](int row) { return cells[row - 1]; };
  auto value = [&cell](int row) { return valueOf(cell(row)); };
  const int f = s.first;
  switch (s.kind) {
    case BoxKind::Word:
      return paddedText(value(f) + 256.0 * value(f + 1) + 65536.0 * value(f + 2) +
                        16777216.0 * value(f + 3));
    case BoxKind::Half:
      return paddedText(value(f) + 256.0 * value(f + 1));
    case BoxKind::LowHalf:
    case BoxKind::Byte:
      return cell(f);
    case BoxKind::Crew: {
      const auto byte = record::cellByte(cell(11).toStdString());
      if (byte && cell(11) == QString::number(*byte))
        return paddedText(value(12) * 256 + value(11));
      return cell(11);
    }
  }
  return {};
}

// The cell texts a box's writer puts into its rows for a text typed in it: its number split
// into bytes; a text that is not one number as a whole goes into every row as typed; an empty
// box is 0.
QStringList writtenFor(const WatchedBox& s, const QString& text) {
  const std::optional<double> number = record::wholeNumber(text.toStdString());
  QStringList out;
  if (s.kind == BoxKind::Crew) return {editors::blankBox(text) ? QStringLiteral("0") : text};
  if (!number) {
    for (int k = 0; k < rowsOf(s.kind); ++k) out << text;
    return out;
  }
  const double value = *number;
  switch (s.kind) {
    case BoxKind::Word:
      for (double part : record::split32(value)) out << numberText(part);
      break;
    case BoxKind::Half:
    case BoxKind::LowHalf:
      for (double part : record::split16(value)) out << numberText(part);
      break;
    case BoxKind::Byte:
      out << numberText(value);
      break;
    case BoxKind::Crew:
      out << text;
      break;
  }
  return out;
}

// What is wrong with a box's mark for its text and cells: it must be red with a tooltip that
// names the range when saving refuses one of its cells, show the blue "Saved as N" note when
// its value is a fraction that saving rounds, and be plain otherwise.
QString markProblem(const WatchedBox& s, const QStringList& cells) {
  bool refused = false;
  for (int k = 0; k < rowsOf(s.kind); ++k) {
    refused = refused || !record::cellByte(cells[s.first + k - 1].toStdString());
  }
  const QColor colour = s.box->palette().color(QPalette::Text);
  const QString tip = s.box->toolTip();
  const bool red = colour == QColor(Qt::red);
  if (refused) {
    if (!red || !tip.contains(QStringLiteral("0 to %1").arg(numberText(s.high)))) {
      return QStringLiteral("is not marked as refused (colour %1, tooltip \"%2\")")
          .arg(colour.name(), tip);
    }
    return {};
  }
  if (red) {
    return QStringLiteral("is marked as refused where saving takes its cells (tooltip \"%1\")")
        .arg(tip);
  }
  // An empty box is saved as 0, which its note says.
  if (editors::blankBox(s.box->text())) {
    if (!test::noteShown(s.box, QStringLiteral("0"))) {
      return QStringLiteral("is empty without the note \"Saved as 0\" (colour %1, tooltip \"%2\")")
          .arg(colour.name(), tip);
    }
    return {};
  }
  const double value = valueOf(s.box->text());
  if (std::floor(value) != value) {
    const QString savedAs = numberText(std::nearbyint(value));
    if (!test::noteShown(s.box, savedAs)) {
      return QStringLiteral("lacks the note \"Saved as %1\" (colour %2, tooltip \"%3\")")
          .arg(savedAs, colour.name(), tip);
    }
    return {};
  }
  if (!tip.isEmpty() || colour == editors::noteColour()) {
    return QStringLiteral("is marked where its value is plain (colour %1, tooltip \"%2\")")
        .arg(colour.name(), tip);
  }
  return {};
}

// The button an option array shows selected for a code cell: the code's own, or none.
int selectedFor(const ui::OptionArray* array, const QString& cell) {
  const double value = valueOf(cell);
  if (!(value >= 0.0 && value <= 1000.0) || std::floor(value) != value) return -1;
  return array->button(int(value)) ? int(value) : -1;
}

struct Stats {
  long sequences = 0;
  long steps = 0;
  long keyPicks = 0;            // list keys that picked an aircraft
  long clickPicks = 0;          // clicks on an aircraft, the open one included
  long loads = 0;               // loads after which the grid was checked
  long stayed = 0;              // picks and closes that stayed, the edits kept
  long highlightRemovals = 0;   // Ctrl+clicks that took the highlight away
  long saves = 0;               // records written, by the button, a pick or a close
  long refusedSaves = 0;        // saves refused for a bad cell or code, reported
  long pendingAnswers[3] = {};  // save / discard / go back
  long othersAnswers[3] = {};   // overwrite / load the file's version / go back
  long rightClicks = 0;
  long tabs = 0;
  long resizes = 0;          // window size changes, the default size included
  long undos = 0;            // undos that changed the cells
  long exactUndos = 0;       // of them, undos of a single click or commit, predicted exactly
  long redos = 0;            // redos that changed the cells
  long reverts = 0;          // reverts to the file's bytes
  long takes = 0;            // takes from the compare view that changed the cells
  long copies = 0;           // "Copy to slot..." that put the copied values in
  long copiesCancelled = 0;  // of the list or of the preview
  long pastes = 0;           // Ctrl+V in a box
  long byteCommits = 0;      // Enter in the byte editor's box that wrote its row
  long byteBoxesClosed = 0;  // byte boxes closed by keys in the grid, their Enter ignored
  long refusedMarks = 0;     // boxes seen marked red after a step
  long notes = 0;            // boxes seen with a "Saved as" note after a step
  long typedBoxes = 0;       // boxes seen showing a typed text that a load would not show
};

// What the state of the window was before a step.
struct Before {
  int open = -1;
  QStringList cells;  // the value column
  bool recordModified = false;
  bool codePending = false;        // a code typed without Enter that differs from the cells
  std::optional<QByteArray> code;  // its bytes, when it is a code
  qsizetype errors = 0;
  qsizetype questions = 0;
};

enum class Outcome { Clear, Written, Discarded, FileVersion, WentBack, Refused };

// What saving the open record does, as the model sees it.
struct Prediction {
  Outcome outcome = Outcome::Clear;
  QStringList cells;                 // the value cells once a pending code is committed
  std::optional<QByteArray> record;  // what they save, when saving accepts them
  bool edits = false;                // whether they differ from what the window last read
  QString failure;                   // the questions asked were not the expected ones
};

struct Answer {
  QString text;
  QStringList buttons;
  int taken;
};

class Runner {
 public:
  Runner(test::Fixture& f, Stats& stats) : f_(f), c_(f.window->controls()), stats_(stats) {
    QObject::connect(c_.List1, &ui::PickList::picked, &context_,
                     [this](int row) { picks_.push_back(row); });
    f_.prompter.chooser = [this](const QString& text, const QStringList& buttons) {
      int taken = below(int(buttons.size()));
      if (resetting_) taken = std::max(0, int(buttons.indexOf(QStringLiteral("Discard"))));
      answers_.push_back({text, buttons, taken});
      return taken;
    };
  }
  ~Runner() { f_.prompter.chooser = nullptr; }

  // Runs one sequence; returns an empty string or what went wrong.
  QString run(std::uint64_t seed) {
    rng_.seed(seed);
    if (QString e = reset(); !e.isEmpty()) return "start: " + e;
    trail_ = {column(kValueColumn)};
    exact_.reset();
    loadedNow_ = false;

    const int steps = 5 + below(30);
    for (int step = 0; step < steps; ++step) {
      ++stats_.steps;
      failure_.clear();
      answers_.clear();
      picks_.clear();
      const int openBefore = f_.window->openSlot();
      const QStringList cellsBefore = column(kValueColumn);
      stepStart_.reset();
      const QString what = act();
      // The event loop runs between two user actions, which ends the history's step (a
      // queued call); painting is left out, for speed.
      QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
      // The value cells at the end of every step since the record was loaded: an undo can
      // only go back to one of them. A single click or commit is one step, undone exactly.
      const QStringList cellsAfter = column(kValueColumn);
      // A save's reread keeps the history; every other load starts a new one.
      if (f_.window->openSlot() != openBefore || (loadedNow_ && what != "save")) {
        trail_ = {cellsAfter};
        exact_.reset();
        if (copiedOver_) {
          // The target as loaded, then the copy as one step that an undo takes back exactly.
          trail_ = {*copiedOver_, cellsAfter};
          exact_ = std::make_pair(*copiedOver_, cellsAfter);
        }
      } else {
        trail_.push_back(cellsAfter);
        if (what.startsWith("undo") || what.startsWith("redo")) {
          // kept as the undo or redo left it
        } else if (what == "revert" && revertUndone_ && *revertUndone_ != cellsAfter) {
          // A revert's undo gives back the cells the player had changed; the others keep
          // the file's bytes.
          exact_ = std::make_pair(*revertUndone_, cellsAfter);
        } else if (cellsAfter != cellsBefore &&
                   (what.startsWith("click Check") || what.startsWith("byte ") ||
                    what.startsWith("take"))) {
          exact_ = std::make_pair(stepStart_.value_or(cellsBefore), cellsAfter);
        } else if (cellsAfter != cellsBefore) {
          exact_.reset();
        }
      }
      if (!what.startsWith("undo") && !what.startsWith("redo") && what != "revert") {
        // A value changed by hand no longer counts as put back by the history.
        for (int i = 0; i < kRecordBytes; ++i) {
          if (cellsAfter[i] != cellsBefore[i]) expected_[std::size_t(i)] = -1;
        }
      }
      // A load, and an undo, a redo or a revert that went through, fill every box anew.
      editorsFilled_ = loadedNow_ || what == "undo" || what == "undo, redo" || what == "redo" ||
                       what == "revert";
      loadedNow_ = false;
      copiedOver_.reset();
      revertUndone_.reset();
      if (trace_) {
        qInfo("  %s -> open %d, unsaved %d, modified %d, questions %d, errors %d", qPrintable(what),
              f_.window->openSlot(), int(f_.window->hasUnsavedChanges()),
              int(f_.window->state().recordModified), int(f_.prompter.questions.size()),
              int(f_.prompter.errors.size()));
      }
      if (QString e = check(); !e.isEmpty()) {
        return QStringLiteral("step %1 (%2): %3").arg(step).arg(what, e);
      }
    }
    ++stats_.sequences;
    return {};
  }

 private:
  int below(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }

  // Whether the user can reach a control at a point of it: it is shown, enabled and not
  // covered (the Script Maker lies over the grid and most boxes).
  bool reachableAt(QWidget* w, QPoint local) const {
    QWidget* window = f_.window.get();
    if (!w->isVisibleTo(window) || !w->isEnabled()) return false;
    QWidget* top = window->childAt(w->mapTo(window, local));
    return top != nullptr && (top == w || w->isAncestorOf(top));
  }
  bool reachable(QWidget* w) const { return reachableAt(w, w->rect().center()); }

  QString someText() {
    return QString::fromUtf8(kTexts[below(int(sizeof kTexts / sizeof kTexts[0]))]);
  }

  QStringList column(int column) const {
    QStringList cells;
    for (int row = 1; row <= kRecordBytes; ++row) cells << c_.G1->textMatrix(row, column);
    return cells;
  }

  // Generated data with a few records patched the way stored files may have them: flag
  // pairs with both bits set and crews whose high byte is not 0. Returns a patched slot, or
  // -1 when none was.
  int generate(QByteArray& bytes) {
    bytes = test::demoBytes();
    static const int kPairMask[4] = {0x30, 0x60, 0xC0, 0x30};  // bytes 5, 6, 7, 8
    int patched = -1;
    for (int n = below(4); n > 0; --n) {
      const int slot = below(kSlotCount);
      auto at = [slot](int k) { return int(record::bytePosition(slot, k) - 1); };
      const int kind = below(3);
      if (kind != 1) {
        const int flags = below(4);
        bytes[at(5 + flags)] = char(bytes[at(5 + flags)] | kPairMask[flags]);
      }
      if (kind != 0) bytes[at(12)] = char(1 + below(255));
      patched = slot;
    }
    return patched;
  }

  // A fresh start on the shared window: generated data in the same file, the Script Maker
  // closed, pending edits discarded, and another aircraft picked.
  QString reset() {
    if (c_.Frame3->isVisible()) QTest::mouseClick(c_.Command5, Qt::LeftButton);
    f_.window->state().recordModified = false;
    c_.Text5->setModified(false);
    QByteArray bytes;
    const int patched = generate(bytes);
    f_.folder.setBytes(bytes);
    model_ = bytes;
    inode_ = inodeOf(f_.folder.filePath());
    int slot = patched >= 0 && below(2) == 0 ? patched : below(kSlotCount);
    if (slot == f_.window->openSlot()) slot = (slot + 1) % kSlotCount;
    resetting_ = true;
    f_.pick(slot);
    resetting_ = false;
    if (f_.window->openSlot() != slot) return QStringLiteral("slot %1 was not loaded").arg(slot);
    if (f_.folder.bytes() != model_) return QStringLiteral("discarding edits wrote the file");
    return loaded(slot);
  }

  Before before() const {
    Before b;
    b.open = f_.window->openSlot();
    b.cells = column(kValueColumn);
    b.recordModified = f_.window->state().recordModified;
    b.codePending = c_.Text5->isModified() && c_.Text5->text() != codeIn(b.cells);
    if (b.codePending) b.code = codeBytes(c_.Text5->text());
    b.errors = f_.prompter.errors.size();
    b.questions = f_.prompter.questions.size();
    return b;
  }

  // Walks through a save of the open record the way the window must, taking the answers
  // given in order: a code typed without Enter is committed first; nothing is written when
  // no cell differs from what the window last read or wrote; a pick or close (askAboutEdits)
  // asks before saving edits that are not marked to be saved by themselves; a refused cell
  // stops the save; another program's change to the record is asked about.
  Prediction predict(const Before& b, bool askAboutEdits) const {
    Prediction p;
    p.cells = b.cells;
    std::size_t next = 0;
    auto asked = [&](const QStringList& buttons) {
      if (next >= answers_.size()) {
        p.failure = "no question \"" + buttons.join('/') + "\" was asked";
        return 2;
      }
      const Answer& a = answers_[next++];
      if (a.buttons != buttons) {
        p.failure = QStringLiteral("the question \"%1\" came where \"%2\" was due: %3")
                        .arg(a.buttons.join('/'), buttons.join('/'), a.text);
      }
      return a.taken;
    };
    auto done = [&](Outcome outcome) {
      p.outcome = outcome;
      if (p.failure.isEmpty() && next < answers_.size()) {
        p.failure = "an unexpected question was asked: " + answers_[next].text;
      }
      return p;
    };
    if (b.open < 0) return done(Outcome::Clear);
    bool markedToSave = b.recordModified;
    if (b.codePending) {
      if (!b.code) return done(Outcome::Refused);
      for (int k = 0; k < 4; ++k) p.cells[164 + k] = QString::number(quint8((*b.code)[k]));
      markedToSave = true;
    }
    p.record = recordOf(p.cells);
    p.edits = !p.record || *p.record != known_;
    if (!p.edits) return done(Outcome::Clear);
    if (askAboutEdits && !markedToSave) {
      const int taken = asked(kPendingButtons);
      if (taken == 1) return done(Outcome::Discarded);
      if (taken == 2) return done(Outcome::WentBack);
    }
    if (!p.record) return done(Outcome::Refused);
    if (recordIn(model_, b.open) != expectedInFile()) {
      const int taken = asked(kOthersButtons);
      if (taken == 1) return done(Outcome::FileVersion);
      if (taken == 2) return done(Outcome::WentBack);
    }
    return done(Outcome::Written);
  }

  void countAnswers() {
    for (const Answer& a : answers_) {
      (a.buttons == kPendingButtons ? stats_.pendingAnswers : stats_.othersAnswers)[a.taken]++;
    }
  }

  bool dropAnswered() const {
    for (const Answer& a : answers_) {
      const QString& taken = a.buttons[a.taken];
      if (taken == QLatin1String("Discard") || taken == QLatin1String("Load the file's version"))
        return true;
    }
    return false;
  }

  QString newMessages(const Before& b, qsizetype errors, qsizetype asks) const {
    const qsizetype shownErrors = f_.prompter.errors.size() - b.errors;
    if (shownErrors != errors) {
      return QStringLiteral("%1 messages shown where %2 were due%3")
          .arg(shownErrors)
          .arg(errors)
          .arg(shownErrors > 0 ? ": " + f_.prompter.errors.last() : QString());
    }
    const qsizetype asked = f_.prompter.questions.size() - b.questions;
    if (asked != qsizetype(answers_.size()) + asks) {
      return QStringLiteral("%1 questions asked where %2 were due%3")
          .arg(asked)
          .arg(qsizetype(answers_.size()) + asks)
          .arg(asked > 0 ? ": " + f_.prompter.questions.last() : QString());
    }
    return {};
  }

  // The record is now in the file, and the window knows it as written.
  void wrote(int slot, const QByteArray& bytes) {
    model_.replace(int(record::bytePosition(slot, 1) - 1), kRecordBytes, bytes);
    known_ = bytes;
    forgetOutdated();
    ++stats_.saves;
  }

  // After a load of a slot: it is open, every value cell equals its loaded cell and nothing
  // is unsaved; the window now knows the record as the file holds it.
  QString loaded(int slot) {
    if (f_.window->openSlot() != slot) {
      return QStringLiteral("slot %1 is open where slot %2 was loaded")
          .arg(f_.window->openSlot())
          .arg(slot);
    }
    // A copy has already put its values into the record it loaded.
    for (int row = 1; row <= kRecordBytes && !copyTaken_; ++row) {
      const QString value = c_.G1->textMatrix(row, kValueColumn);
      const QString read = c_.G1->textMatrix(row, kLoadedColumn);
      if (value != read) {
        return QStringLiteral("after the load byte %1 holds \"%2\" but was read as %3")
            .arg(row)
            .arg(value, read);
      }
    }
    if (!copyTaken_ && f_.window->hasUnsavedChanges()) {
      return QStringLiteral("unsaved changes after a load");
    }
    known_ = recordIn(model_, slot);
    if (!saveReread_) forgetOutdated();
    expected_.fill(-1);
    ++stats_.loads;
    loadedNow_ = true;
    return {};
  }

  // Ctrl+Z, Ctrl+Y or Ctrl+Shift+Z where the focus is (on the window when the focus is in the
  // Script Maker, whose boxes keep their own text undo).
  void pressHistoryKey(bool undo, bool shifted = false) {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || c_.Frame3->isAncestorOf(focus)) focus = f_.window.get();
    if (undo) {
      QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
    } else if (shifted) {
      QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    } else {
      QTest::keyClick(focus, Qt::Key_Y, Qt::ControlModifier);
    }
  }

  // Every box that a load fills shows what its cells hold, and its mark agrees with them.
  // After a load, an undo, a redo or a revert (filled) each shows exactly what a load shows;
  // otherwise a box may show the text the player typed in it, as long as the box's writer
  // makes exactly the cells' texts of it ("12.50" for a cell "12.5", " 5" for "5").
  QString editorsShowTheCells(bool filled) const {
    const QStringList cells = column(kValueColumn);
    std::vector<WatchedBox> watchedBoxes;
    for (int i = 0; i < 15; ++i) {
      watchedBoxes.push_back({c_.Text3[std::size_t(i)], BoxKind::Word, 13 + 4 * i, 4294967295.0});
    }
    watchedBoxes.push_back({c_.Text8, BoxKind::Half, 9, 65535.0});
    watchedBoxes.push_back({c_.Text7, BoxKind::Crew, 11, 255.0});
    watchedBoxes.push_back({c_.Text6, BoxKind::Byte, 85, 255.0});
    const bool groupShown = c_.FGG->isVisibleTo(c_.Frame1);
    const int s = f_.window->state().gunGroupRow;
    if (groupShown) {
      watchedBoxes.push_back({c_.Text1, BoxKind::Byte, s, 255.0});
      watchedBoxes.push_back({c_.Text2, BoxKind::Half, s + 6, 65535.0});
      watchedBoxes.push_back({c_.Gundamage, BoxKind::LowHalf, s + 4, 65535.0});
    }
    for (const WatchedBox& watched : watchedBoxes) {
      const QString text = watched.box->text();
      const QString shown = shownFor(watched, cells);
      const QStringList held = cells.mid(watched.first - 1, rowsOf(watched.kind));
      if (text != shown && (filled || writtenFor(watched, text) != held)) {
        return QStringLiteral(
                   "box %1 shows \"%2\" where its cells from byte %3 hold \"%4\" "
                   "(a load shows \"%5\")")
            .arg(watched.box->objectName(), text)
            .arg(watched.first)
            .arg(held.join(QStringLiteral("\", \"")), shown);
      }
      if (QString e = markProblem(watched, cells); !e.isEmpty()) {
        return QStringLiteral("box %1 showing \"%2\" %3").arg(watched.box->objectName(), text, e);
      }
      const QColor colour = watched.box->palette().color(QPalette::Text);
      if (colour == QColor(Qt::red)) ++stats_.refusedMarks;
      if (colour == editors::noteColour()) ++stats_.notes;
      if (text != shown) ++stats_.typedBoxes;
    }
    // The code, unless one is being typed.
    if ((filled || !c_.Text5->isModified()) && c_.Text5->text() != codeIn(cells)) {
      return QStringLiteral("the code box shows \"%1\" where its cells hold \"%2\"")
          .arg(c_.Text5->text(), codeIn(cells));
    }
    // The flag frames' titles show their bytes' cells, and the boxes their bits as stored.
    const std::array<std::pair<QCheckBox* const*, int>, 4> flags = {{{c_.Check1.data(), 8},
                                                                     {c_.Check2.data(), 8},
                                                                     {c_.Check3.data(), 8},
                                                                     {c_.Check4.data(), 6}}};
    for (int a = 0; a < 4; ++a) {
      const int row = 5 + a;
      const QString cell = cells[row - 1];
      const QGroupBox* frame = c_.F[std::size_t(a)];
      if (frame->title() != cell) {
        return QStringLiteral("the frame %1 is titled \"%2\" where byte %3 holds \"%4\"")
            .arg(frame->objectName(), frame->title())
            .arg(row)
            .arg(cell);
      }
      const double value = valueOf(cell);
      const unsigned bits = value >= 0 && value <= 255 ? unsigned(value) : 0u;
      for (int i = 0; i < flags[std::size_t(a)].second; ++i) {
        const QCheckBox* box = flags[std::size_t(a)].first[i];
        if (box->isChecked() != bool(bits >> i & 1u)) {
          return QStringLiteral("the box %1 is %2 where byte %3 holds \"%4\"")
              .arg(box->objectName(), box->isChecked() ? "checked" : "clear")
              .arg(row)
              .arg(cell);
        }
      }
    }
    if (!groupShown) return {};
    // The gun group on view: its codes, their buttons and the smoke box.
    const struct {
      const ui::CaptionLabel* label;
      const ui::OptionArray* array;
      int row;
    } codes[] = {{c_.Label3, c_.Option1, s + 2}, {c_.Label5, c_.Option3, s + 8}};
    for (const auto& code : codes) {
      const QString cell = cells[code.row - 1];
      if (code.label->caption() != cell) {
        return QStringLiteral("the caption %1 shows \"%2\" where byte %3 holds \"%4\"")
            .arg(code.label->objectName(), code.label->caption())
            .arg(code.row)
            .arg(cell);
      }
      if (code.array->selected() != selectedFor(code.array, cell)) {
        return QStringLiteral("button %1 is selected where byte %2 holds \"%3\"")
            .arg(code.array->selected())
            .arg(code.row)
            .arg(cell);
      }
    }
    const double smoke = valueOf(cells[s + 10 - 1]);
    const Qt::CheckState due = smoke == 0.0   ? Qt::Unchecked
                               : smoke == 1.0 ? Qt::Checked
                                              : Qt::PartiallyChecked;
    if (c_.smoke->checkState() != due) {
      return QStringLiteral("the smoke box shows state %1 where byte %2 holds \"%3\"")
          .arg(int(c_.smoke->checkState()))
          .arg(s + 10)
          .arg(cells[s + 10 - 1]);
    }
    return {};
  }

  // The value cells as the save stores them (a save's reread writes " 7" back as "7" and
  // "254.5" as "254"); a refused cell as its text.
  static QStringList stored(const QStringList& cells) {
    QStringList out;
    for (const QString& cell : cells) {
      const auto byte = record::cellByte(cell.toStdString());
      out << (byte ? QString::number(*byte) : "!" + cell);
    }
    return out;
  }
  // Whether every cell that changed from `cells` to `after` holds a value (as stored) that
  // its row had at the end of some step since the load: undo and redo never invent values.
  bool seen(const QStringList& cells, const QStringList& after) const {
    for (int i = 0; i < after.size(); ++i) {
      if (after[i] == cells[i]) continue;
      const QString wanted = stored({after[i]}).first();
      const bool found = std::any_of(trail_.begin(), trail_.end(), [&](const QStringList& t) {
        return stored({t[i]}).first() == wanted;
      });
      if (!found) return false;
    }
    return true;
  }

  // The undo of a single click or commit gives back the cells it changed, exactly, and
  // leaves every other cell as it is.
  static bool undoneExactly(const std::pair<QStringList, QStringList>& step,
                            const QStringList& cells, const QStringList& after) {
    for (int i = 0; i < after.size(); ++i) {
      const bool changedByStep = step.first[i] != step.second[i];
      if (after[i] != (changedByStep ? step.first[i] : cells[i])) return false;
    }
    return true;
  }

  // An undo puts back cells seen at the end of an earlier step of this record (exactly the
  // ones before a single click or commit), writes nothing, fills the editors from the grid,
  // and a redo brings the cells back.
  QString undo() {
    if (f_.window->openSlot() < 0) return "skip";
    const QStringList cells = column(kValueColumn);
    const auto exact = exact_;
    commitsTypedCode(cells);
    pressHistoryKey(true);
    const QStringList after = column(kValueColumn);
    historyPutBack(cells, after);
    if (after == cells) return "undo (nothing)";
    ++stats_.undos;
    if (!seen(cells, after)) {
      failure_ = "an undo gave value cells that no step of this record had";
    } else if (exact && exact->second == cells && !undoneExactly(*exact, cells, after)) {
      failure_ = "an undo of a single click or commit did not give the cells before it";
      for (int i = 0; i < after.size(); ++i) {
        const QString want = exact->first[i] != exact->second[i] ? exact->first[i] : cells[i];
        if (after[i] != want) {
          failure_ += QStringLiteral("; byte %1 is \"%2\" where \"%3\" was due")
                          .arg(i + 1)
                          .arg(after[i], want);
        }
      }
    }
    if (exact && exact->second == cells) ++stats_.exactUndos;
    exact_.reset();
    if (failure_.isEmpty() && below(2) == 0) {
      pressHistoryKey(false, below(2) == 0);
      historyPutBack(after, column(kValueColumn));
      // As stored: a save's reread may have written "254.5" back as "254" in the meantime.
      if (stored(column(kValueColumn)) != stored(cells)) {
        failure_ = "a redo did not bring back the cells the undo took away";
      } else {
        ++stats_.redos;
        return "undo, redo";
      }
    }
    return "undo";
  }

  QString redo() {
    if (f_.window->openSlot() < 0) return "skip";
    const QStringList cells = column(kValueColumn);
    commitsTypedCode(cells);
    pressHistoryKey(false, below(2) == 0);
    const QStringList after = column(kValueColumn);
    historyPutBack(cells, after);
    if (after == cells) return "redo (nothing)";
    ++stats_.redos;
    if (!seen(cells, after)) {
      failure_ = "a redo gave value cells that no step of this record had";
    }
    return "redo";
  }

  // "Revert to planes.dat" rereads the file's bytes into the cells (asking first when edits
  // are pending); nothing is written, and the window then knows the file's bytes.
  QString revert() {
    const int open = f_.window->openSlot();
    if (open < 0) return "skip";
    const bool pending = f_.window->hasUnsavedChanges();
    const qsizetype questions = f_.prompter.questions.size();
    const bool agree = below(2) == 0;
    const QStringList cells = column(kValueColumn);
    f_.prompter.answers = {agree};
    f_.window->revertAction()->trigger();
    f_.prompter.answers.clear();
    // The Script Maker covers the values: revert is greyed and does nothing.
    if (!c_.Frame3->isHidden()) {
      if (f_.prompter.questions.size() > questions || column(kValueColumn) != cells) {
        failure_ = "a revert under the Script Maker changed the record or asked";
      }
      return "revert under the Script Maker";
    }
    if ((f_.prompter.questions.size() > questions) != pending) {
      failure_ =
          pending ? "a revert with edits pending did not ask" : "a revert without edits asked";
      return "revert";
    }
    if (pending && !agree) {
      if (column(kValueColumn) != cells) failure_ = "a cancelled revert changed the cells";
      return "revert cancelled";
    }
    const QByteArray file = recordIn(model_, open);
    QStringList undone = column(kValueColumn);
    for (int row = 1; row <= kRecordBytes; ++row) {
      if (c_.G1->textMatrix(row, kValueColumn) != QString::number(quint8(file[row - 1]))) {
        failure_ = QStringLiteral("after the revert byte %1 is not the file's").arg(row);
        return "revert";
      }
      // The player's changes, which an undo of the revert brings back.
      const int i = row - 1;
      if (stored({cells[i]}).first() != QString::number(quint8(known_[i]))) undone[i] = cells[i];
    }
    revertUndone_ = undone;
    // Bytes another program changed: an undo that brings one back has the save ask.
    for (int i = 0; i < kRecordBytes; ++i) {
      if (known_[i] != file[i]) outdated_[std::size_t(i)].set(quint8(known_[i]));
    }
    expected_.fill(-1);
    known_ = file;
    ++stats_.reverts;
    return "revert";
  }

  // The same aircraft is still open and its cells are as they were (with a pending code
  // committed): edits that were not saved are kept.
  QString stayed(const Before& b, const Prediction& p) {
    if (f_.window->openSlot() != b.open) return QStringLiteral("the open aircraft changed");
    if (column(kValueColumn) != p.cells) return QStringLiteral("the edits were not kept");
    return {};
  }

  // A pick or close that went through without an answer that drops edits must have put them
  // into the file.
  QString noEditDropped(const Before& b, const Prediction& p, bool wentThrough) const {
    if (!wentThrough || !p.edits || dropAnswered()) return {};
    if (!p.record) return QStringLiteral("it went through with a cell that cannot be saved");
    if (recordIn(f_.folder.bytes(), b.open) != *p.record) {
      return QStringLiteral("it went through and the edits of slot %1 are not in the file")
          .arg(b.open);
    }
    return {};
  }

  // asks: questions the step asked beside those of the pending edits (a copy's list and
  // preview).
  QString afterPick(const Before& b, int row, qsizetype asks = 0) {
    const Prediction p = predict(b, true);
    countAnswers();
    if (!p.failure.isEmpty()) return p.failure;
    const bool wentThrough =
        f_.window->openSlot() != b.open || (row == b.open && !f_.window->hasUnsavedChanges());
    if (QString e = noEditDropped(b, p, wentThrough); !e.isEmpty()) return e;
    if (QString e = newMessages(b, p.outcome == Outcome::Refused, asks); !e.isEmpty()) return e;
    const bool goesOn = p.outcome != Outcome::WentBack && p.outcome != Outcome::Refused;
    if (p.outcome == Outcome::Written) wrote(b.open, *p.record);
    if (goesOn) return loaded(row);
    ++stats_.stayed;
    return stayed(b, p);
  }

  QString afterClose(const Before& b, bool accepted, bool loseAnswer) {
    const Prediction p = predict(b, true);
    countAnswers();
    if (!p.failure.isEmpty()) return p.failure;
    const bool refused = p.outcome == Outcome::Refused;
    if (QString e = newMessages(b, 0, refused); !e.isEmpty()) return e;
    if (refused && !f_.prompter.questions.last().contains("could not be saved")) {
      return "a refused save asked: " + f_.prompter.questions.last();
    }
    bool mayClose = p.outcome == Outcome::Clear || p.outcome == Outcome::Written ||
                    p.outcome == Outcome::Discarded;
    if (refused) mayClose = loseAnswer;
    if (accepted != mayClose) {
      return accepted ? QStringLiteral("the window closed") : QStringLiteral("it did not close");
    }
    if (QString e = noEditDropped(b, p, accepted && !refused); !e.isEmpty()) return e;
    if (accepted && !refused && f_.window->state().recordModified) {
      return QStringLiteral("still marked to save after the close");
    }
    if (p.outcome == Outcome::Written) wrote(b.open, *p.record);
    if (p.outcome == Outcome::FileVersion) return loaded(b.open);
    if (!accepted) ++stats_.stayed;
    return stayed(b, p);
  }

  QString afterSave(const Before& b) {
    const Prediction p = predict(b, false);
    countAnswers();
    if (!p.failure.isEmpty()) return p.failure;
    const bool refused = p.outcome == Outcome::Refused;
    if (QString e = newMessages(b, refused, 0); !e.isEmpty()) return e;
    if (refused) ++stats_.refusedSaves;
    if (p.outcome == Outcome::Written) wrote(b.open, *p.record);
    if (refused || p.outcome == Outcome::WentBack) return stayed(b, p);
    if (f_.window->state().recordModified)
      return QStringLiteral("still marked to save after the save");
    // The reread after a save keeps what the window knows of the file's older bytes.
    saveReread_ = p.outcome != Outcome::FileVersion;
    const QString e = loaded(b.open);
    saveReread_ = false;
    return e;
  }

  // The rows a list action may pick: none (lowest > highest), one row (-1: the highlight
  // taken away) or a range; a typed letter may also pick nothing.
  struct Due {
    int lowest;
    int highest;
    bool optional = false;
  };
  static Due none() { return {0, -1}; }

  // The list's reaction to one user action: at most one pick, then what the pick does.
  QString afterListAction(const Before& b, Due due, bool byKey) {
    if (picks_.size() > 1) return QStringLiteral("one action gave %1 picks").arg(picks_.size());
    const bool pickDue = due.lowest <= due.highest && !due.optional;
    if (picks_.empty()) {
      if (pickDue) return QStringLiteral("no pick where row %1 was due").arg(due.lowest);
      return unchanged(b);
    }
    const int row = picks_.front();
    if (row < due.lowest || row > due.highest) {
      return QStringLiteral("row %1 was picked where rows %2 to %3 were due")
          .arg(row)
          .arg(due.lowest)
          .arg(due.highest);
    }
    if (row < 0) {
      ++stats_.highlightRemovals;
      return unchanged(b);
    }
    ++(byKey ? stats_.keyPicks : stats_.clickPicks);
    return afterPick(b, row);
  }

  // A step that changes no cell and asks nothing.
  QString unchanged(const Before& b) const {
    if (QString e = newMessages(b, 0, 0); !e.isEmpty()) return e;
    if (f_.window->openSlot() != b.open) return QStringLiteral("the open aircraft changed");
    if (column(kValueColumn) != b.cells) return QStringLiteral("a value cell changed");
    if (f_.window->state().recordModified != b.recordModified)
      return QStringLiteral("the mark to save changed");
    return {};
  }

  // Another program rewrites a few bytes of the file in place: mostly in the open record,
  // sometimes anywhere (other records, the lead-in, the bytes after a record).
  QString otherProgramWrites() {
    QFile file(f_.folder.filePath());
    if (!file.open(QIODevice::ReadWrite)) return "cannot open the file";
    const int count = 1 + below(3);
    const int slot = f_.window->openSlot();
    for (int i = 0; i < count; ++i) {
      const qint64 position = slot >= 0 && below(2) == 0
                                  ? record::bytePosition(slot, 1 + below(kRecordBytes))
                                  : 1 + below(int(model_.size()));
      const char byte = char(below(256));
      file.seek(position - 1);
      file.write(&byte, 1);
      model_[int(position - 1)] = byte;
    }
    return QStringLiteral("another program writes %1 bytes").arg(count);
  }

  // Keys on the aircraft list. A letter starts a new search each time: the search interval is
  // set to 0 and letters are at least 2 ms apart, so that replays pick the same rows.
  QString listKey() {
    QListWidget* list = c_.List1;
    const Before b = before();
    const int from = b.open;
    const int last = kSlotCount - 1;
    Due due = none();
    QString what;
    switch (below(7)) {
      case 0:
        QTest::keyClick(list, Qt::Key_Up);
        if (from > 0) due = {from - 1, from - 1};
        what = "Up";
        break;
      case 1:
        QTest::keyClick(list, Qt::Key_Down);
        if (from < last) due = {from + 1, from + 1};
        what = "Down";
        break;
      case 2:
        QTest::keyClick(list, Qt::Key_Home);
        if (from != 0) due = {0, 0};
        what = "Home";
        break;
      case 3:
        QTest::keyClick(list, Qt::Key_End);
        if (from != last) due = {last, last};
        what = "End";
        break;
      case 4:
        QTest::keyClick(list, Qt::Key_PageUp);
        if (from > 0) due = {0, from - 1};
        what = "Page Up";
        break;
      case 5:
        QTest::keyClick(list, Qt::Key_PageDown);
        if (from < last) due = {from + 1, last};
        what = "Page Down";
        break;
      default: {
        const QString name = QLatin1String(record::slotNames()[std::size_t(below(kSlotCount))]);
        const char letter = below(4) == 0 ? char('a' + below(26)) : name.at(0).toLower().toLatin1();
        if (lastLetter_.isValid() && lastLetter_.elapsed() < 2) QTest::qSleep(2);
        QTest::keyClick(list, letter);
        lastLetter_.start();
        due = {0, last, true};
        what = QStringLiteral("letter %1").arg(letter);
        if (picks_.size() == 1 && picks_.front() >= 0 &&
            !list->item(picks_.front())->text().startsWith(QChar(letter), Qt::CaseInsensitive)) {
          failure_ = "the letter picked " + list->item(picks_.front())->text();
        }
      }
    }
    if (failure_.isEmpty()) failure_ = afterListAction(b, due, true);
    return QStringLiteral("key %1 on the list at %2 -> picks %3")
        .arg(what)
        .arg(from)
        .arg(picksText());
  }

  QString picksText() const {
    QStringList rows;
    for (int r : picks_) rows << QString::number(r);
    return "[" + rows.join(',') + "]";
  }

  // Clicks on the aircraft list: on an aircraft, on the open one, or a Ctrl+click on the
  // highlighted one.
  QString listClick() {
    QListWidget* list = c_.List1;
    const Before b = before();
    const int kind = below(4);
    const int row = kind <= 1 ? b.open : below(kSlotCount);
    const bool control = kind == 0;
    if (row < 0) return "skip";
    list->scrollToItem(list->item(row));
    const QPoint at = list->visualItemRect(list->item(row)).center();
    if (!reachableAt(list->viewport(), at)) return "skip";
    QTest::mouseClick(list->viewport(), Qt::LeftButton,
                      control ? Qt::ControlModifier : Qt::NoModifier, at);
    failure_ = afterListAction(b, control ? Due{-1, -1} : Due{row, row}, false);
    return QStringLiteral("%1 on aircraft %2 -> picks %3")
        .arg(control ? "Ctrl+click" : "click")
        .arg(row)
        .arg(picksText());
  }

  QString typeIntoBox() {
    QList<QLineEdit*> boxes{c_.Text1, c_.Text2, c_.Text5,    c_.Text6,
                            c_.Text7, c_.Text8, c_.Gundamage};
    for (QLineEdit* box : c_.Text3) boxes << box;
    QLineEdit* box = boxes[below(int(boxes.size()))];
    if (!reachable(box)) return "skip";
    const QString text = someText();
    // A click into the box first, sometimes (it scrolls the grid to the box's bytes).
    if (below(2) == 0) QTest::mouseClick(box, Qt::LeftButton);
    // Typing goes key by key through the box's key handling; QTest can type printable ASCII
    // only, so other texts are pasted over the box's text.
    if (printable(text) && below(4) == 0) {
      box->selectAll();
      QTest::keyClick(box, Qt::Key_Backspace);
      QTest::keyClicks(box, text);
    } else {
      failure_ = paste(box, text, true);
    }
    if (below(2) == 0) QTest::keyClick(box, Qt::Key_Return);
    return QStringLiteral("type \"%1\" into %2").arg(text, box->objectName());
  }

  static bool printable(const QString& text) {
    for (QChar ch : text) {
      if (ch.unicode() < 32 || ch.unicode() >= 127) return false;
    }
    return true;
  }

  // Pastes a text into a box as the user does: the text goes on the clipboard, a click puts
  // the focus into the box, Ctrl+A selects what it holds (or not: the text then goes in at
  // the cursor) and Ctrl+V pastes. The box then holds what Qt's own paste makes of its text,
  // and takes it as typed. Returns what went wrong, or an empty string.
  QString paste(QLineEdit* box, const QString& text, bool selectAll) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    if (clipboard->text() != text) {
      return QStringLiteral("the clipboard gives \"%1\" for the text \"%2\" put on it")
          .arg(clipboard->text(), text);
    }
    if (reachable(box)) QTest::mouseClick(box, Qt::LeftButton);
    if (selectAll) QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QLineEdit reference;
    reference.setMaxLength(box->maxLength());
    reference.setText(box->text());
    if (box->hasSelectedText()) {
      reference.setSelection(box->selectionStart(), int(box->selectedText().size()));
    } else {
      reference.setCursorPosition(box->cursorPosition());
    }
    reference.paste();
    QString due = reference.text();
    // A standard damage value (a number as a whole) chooses its gun type, which shows the
    // value in its own form.
    if (box == c_.Gundamage) {
      const std::optional<double> typed = record::wholeNumber(due.toStdString());
      for (const int damage : {0, 2, 4, 12, 24}) {
        if (typed && *typed == damage) due = paddedText(damage);
      }
    }
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    ++stats_.pastes;
    if (box->text() != due) {
      return QStringLiteral("Ctrl+V of \"%1\" left \"%2\" in %3 where \"%4\" was due")
          .arg(text, box->text(), box->objectName(), due);
    }
    return {};
  }

  // Ctrl+V in a box of the record, over its text or into it; Enter sometimes follows.
  QString pasteIntoBox() {
    QList<QLineEdit*> boxes{c_.Text5, c_.Text6, c_.Text7,    c_.Text8,
                            c_.Text1, c_.Text2, c_.Gundamage};
    for (QLineEdit* box : c_.Text3) boxes << box;
    QLineEdit* box = boxes[below(int(boxes.size()))];
    if (!reachable(box)) return "skip";
    const QString text = someText();
    const bool all = below(4) != 0;
    failure_ = paste(box, text, all);
    const bool enter = below(2) == 0;
    if (enter) QTest::keyClick(box, Qt::Key_Return);
    return QStringLiteral("paste \"%1\" %2 %3%4")
        .arg(text, all ? "over the text of" : "into", box->objectName(), enter ? ", Enter" : "");
  }

  // A click on a flag box changes its byte by the clicked bit only; checking a box of an
  // exclusive pair also clears the other bit of the pair. Every other bit, including a pair
  // stored with both bits set, stays.
  QString clickFlag() {
    struct Box {
      QCheckBox* box;
      int row;
      int bit;
    };
    static const int kPairLow[4] = {4, 5, 6, 4};  // bytes 5, 6, 7, 8
    std::vector<Box> all;
    for (int i = 0; i < 8; ++i) all.push_back({c_.Check1[std::size_t(i)], 5, i});
    for (int i = 0; i < 8; ++i) all.push_back({c_.Check2[std::size_t(i)], 6, i});
    for (int i = 0; i < 8; ++i) all.push_back({c_.Check3[std::size_t(i)], 7, i});
    for (int i = 0; i < 6; ++i) all.push_back({c_.Check4[std::size_t(i)], 8, i});
    const Box b = all[std::size_t(below(int(all.size())))];
    if (!reachable(b.box)) return "skip";
    const auto before = record::cellByte(c_.G1->textMatrix(b.row, kValueColumn).toStdString());
    QTest::mouseClick(b.box, Qt::LeftButton, {}, QPoint(6, b.box->height() / 2));
    if (before) {
      int due = *before ^ (1 << b.bit);
      const int low = kPairLow[b.row - 5];
      if ((b.bit == low || b.bit == low + 1) && (due >> b.bit & 1)) {
        due &= ~(1 << (b.bit == low ? low + 1 : low));
      }
      const QString now = c_.G1->textMatrix(b.row, kValueColumn);
      if (now != QString::number(due)) {
        failure_ = QStringLiteral("a click on %1 turned byte %2 from %3 into \"%4\", not %5")
                       .arg(b.box->objectName())
                       .arg(b.row)
                       .arg(*before)
                       .arg(now)
                       .arg(due);
      }
    }
    return "click " + b.box->objectName();
  }

  QString clickGunGroupPanel() {
    struct Arr {
      ui::OptionArray* array;
      std::vector<int> indices;
    };
    const Arr arrays[] = {{c_.Option4, {1, 2, 3, 4, 5, 6}},
                          {c_.Option1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
                          {c_.Option2, {0, 2, 4, 12, 24}},
                          {c_.Option3, {0, 1, 2, 3}}};
    const Arr& a = arrays[below(4)];
    const int index = a.indices[std::size_t(below(int(a.indices.size())))];
    ui::OptionButton* button = a.array->button(index);
    if (below(6) == 0 && reachable(c_.smoke)) {
      QTest::mouseClick(c_.smoke, Qt::LeftButton, {}, QPoint(6, c_.smoke->height() / 2));
      return QStringLiteral("click smoke");
    }
    if (!button || !reachable(button)) return "skip";
    QTest::mouseClick(button, Qt::LeftButton);
    return "click " + button->objectName();
  }

  // A click on a row of the grid (its caption cell), which opens the byte editor's box on a
  // damage or "MB" row. Returns false when the row cannot be reached.
  bool clickGridRow(int row) {
    c_.G1->setTopRow(row);
    const QPoint cell = c_.G1->visualRect(c_.G1->model()->index(row, 3)).center();
    if (!reachableAt(c_.G1->viewport(), cell)) return false;
    QTest::mouseClick(c_.G1->viewport(), Qt::LeftButton, {}, cell);
    return true;
  }

  bool byteBoxOpen() const { return c_.Text4->isVisibleTo(f_.window.get()); }

  // Types a text over what the byte editor's box holds: a click into it and the keys, or a
  // paste for a text that QTest cannot type. Returns the box's text.
  QString typeIntoByteBox(const QString& text) {
    if (printable(text) && below(3) != 0) {
      if (reachable(c_.Text4)) QTest::mouseClick(c_.Text4, Qt::LeftButton);
      QTest::keyClick(c_.Text4, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(c_.Text4, Qt::Key_Backspace);
      QTest::keyClicks(c_.Text4, text);
    } else if (QString e = paste(c_.Text4, text, true); !e.isEmpty()) {
      failure_ = e;
    }
    return c_.Text4->text();
  }

  // Enter in the byte editor's box put the text typed into the row it was opened for, and
  // nowhere else, and closed the box.
  QString committedTo(const QStringList& before, int row, const QString& typed) const {
    const QStringList after = column(kValueColumn);
    for (int r = 1; r <= kRecordBytes; ++r) {
      const QString& due = r == row ? typed : before[r - 1];
      if (after[r - 1] != due) {
        return QStringLiteral(
                   "Enter in the byte box of row %1 left \"%2\" in byte %3 where "
                   "\"%4\" was due")
            .arg(row)
            .arg(after[r - 1])
            .arg(r)
            .arg(due);
      }
    }
    if (byteBoxOpen()) return QStringLiteral("the byte box stayed open after Enter");
    return {};
  }

  QString byteEditor() {
    const int row = 1 + below(kRecordBytes);
    if (!clickGridRow(row)) return "skip";
    if (!byteBoxOpen()) return QStringLiteral("click row %1").arg(row);
    const QStringList before = column(kValueColumn);
    const QString typed = typeIntoByteBox(someText());
    QTest::keyClick(c_.Text4, Qt::Key_Return);
    if (failure_.isEmpty()) failure_ = committedTo(before, row, typed);
    ++stats_.byteCommits;
    return QStringLiteral("byte %1 := \"%2\"").arg(row).arg(typed);
  }

  // The byte editor's box belongs to the row it was opened for: keys in the grid that move
  // its current row (arrows, Page Up/Down) close the box, and an Enter typed into it after
  // that writes nothing anywhere. Keys that leave the row where it is (Left, Right) keep the
  // box for its row.
  QString byteBoxThenGridKeys() {
    static const int kRows[] = {73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 161, 162, 163, 164};
    const int row = kRows[below(int(std::size(kRows)))];
    if (!clickGridRow(row)) return "skip";
    if (!byteBoxOpen()) {
      failure_ = QStringLiteral("a click on byte %1 did not open the byte box").arg(row);
      return QStringLiteral("click row %1").arg(row);
    }
    static const std::pair<Qt::Key, const char*> kKeys[] = {
        {Qt::Key_Up, "Up"},          {Qt::Key_Down, "Down"},
        {Qt::Key_PageUp, "Page Up"}, {Qt::Key_PageDown, "Page Down"},
        {Qt::Key_Left, "Left"},      {Qt::Key_Right, "Right"}};
    QStringList pressed;
    for (int n = 1 + below(2); n > 0; --n) {
      const auto& key = kKeys[below(int(std::size(kKeys)))];
      QTest::keyClick(c_.G1, key.first);
      pressed << QLatin1String(key.second);
    }
    const int now = c_.G1->row();
    const bool open = byteBoxOpen();
    const Before b = before();
    const QString typed = typeIntoByteBox(someText());
    QTest::keyClick(c_.Text4, Qt::Key_Return);
    const QString keys = pressed.join('+');
    if (now != row) {
      if (open) {
        failure_ = QStringLiteral(
                       "the byte box of row %1 stayed open when %2 moved the grid to "
                       "row %3")
                       .arg(row)
                       .arg(keys)
                       .arg(now);
      } else if (failure_.isEmpty()) {
        failure_ = unchanged(b);
        ++stats_.byteBoxesClosed;
      }
      return QStringLiteral("box of byte %1, %2 in the grid -> row %3; \"%4\", Enter")
          .arg(row)
          .arg(keys)
          .arg(now)
          .arg(typed);
    }
    if (failure_.isEmpty()) {
      failure_ = open ? committedTo(b.cells, row, typed) : unchanged(b);
      if (open) ++stats_.byteCommits;
    }
    return QStringLiteral("byte %1 := \"%2\" after %3 in the grid").arg(row).arg(typed, keys);
  }

  QString save() {
    const Before b = before();
    if (!reachable(c_.Command3)) return "skip";
    QTest::mouseClick(c_.Command3, Qt::LeftButton);
    if (const QString e = afterSave(b); !e.isEmpty()) failure_ = e;
    return QStringLiteral("save");
  }

  QString close() {
    const Before b = before();
    const bool lose = below(2) == 0;
    f_.prompter.answers = {lose};
    const bool accepted = f_.close();
    f_.prompter.answers.clear();
    if (const QString e = afterClose(b, accepted, lose); !e.isEmpty()) failure_ = e;
    return QStringLiteral("close -> %1").arg(accepted ? "closes" : "stays");
  }

  // The Script Maker: open it, click a slot in its list, or cancel it.
  QString scriptMaker() {
    const Before b = before();
    QString what;
    if (!c_.Frame3->isVisible()) {
      if (!reachable(c_.Command2)) return "skip";
      QTest::mouseClick(c_.Command2, Qt::LeftButton);
      what = "open Script Maker";
      if (f_.window->state().recordModified)
        failure_ = "still marked to save with the Script Maker open";
      return what;
    }
    if (below(3) == 0) {
      QTest::mouseClick(c_.Command5, Qt::LeftButton);
      what = "cancel Script Maker";
    } else {
      QListWidget* list = c_.List2;
      const int row = below(list->count());
      list->scrollToItem(list->item(row));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        list->visualItemRect(list->item(row)).center());
      what = QStringLiteral("click slot %1 in the Script Maker").arg(row);
    }
    if (const QString e = unchanged(b); !e.isEmpty()) failure_ = e;
    return what;
  }

  // Tab or Shift+Tab in whatever has the focus: the focus moves on.
  QString tab() {
    const Before b = before();
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) focus = f_.window.get();
    const bool back = below(2) == 0;
    if (back) {
      QTest::keyClick(focus, Qt::Key_Backtab, Qt::ShiftModifier);
    } else {
      QTest::keyClick(focus, Qt::Key_Tab);
    }
    ++stats_.tabs;
    // Tab only moves the focus, in the damage box too: it is no typing.
    failure_ = unchanged(b);
    return QStringLiteral("%1 in %2").arg(back ? "Shift+Tab" : "Tab", focus->objectName());
  }

  // A new window size (larger, or back to the default) moves controls only: no value, no box's
  // text, no grid row and no focus changes, and every box stays inside the window.
  QString resizeWindow() {
    // What is still due (the window becoming active, a focus on its way) settles first.
    QCoreApplication::processEvents();
    const Before b = before();
    QStringList texts;
    for (QLineEdit* box : f_.window->findChildren<QLineEdit*>()) texts << box->text();
    QWidget* focus = QApplication::focusWidget();
    const int currentRow = c_.G1->row();
    const QSize size = below(3) == 0
                           ? app::MainWindow::defaultSize()
                           : app::MainWindow::defaultSize() + QSize(below(500), below(400));
    f_.window->resize(size);
    QCoreApplication::processEvents();
    ++stats_.resizes;
    QString e = unchanged(b);
    QStringList after;
    for (QLineEdit* box : f_.window->findChildren<QLineEdit*>()) after << box->text();
    if (e.isEmpty() && after != texts) e = QStringLiteral("a box's text changed");
    if (e.isEmpty() && QApplication::focusWidget() != focus) e = QStringLiteral("the focus moved");
    if (e.isEmpty() && c_.G1->row() != currentRow) e = QStringLiteral("the grid's row moved");
    const QRect window = f_.window->rect();
    for (QWidget* w : {static_cast<QWidget*>(c_.G1), static_cast<QWidget*>(c_.List1),
                       static_cast<QWidget*>(c_.Frame2), static_cast<QWidget*>(c_.FGS),
                       static_cast<QWidget*>(c_.F[3])}) {
      if (e.isEmpty() && !window.contains(w->geometry())) {
        e = QStringLiteral("%1 lies outside the window").arg(w->objectName());
      }
    }
    if (!e.isEmpty()) failure_ = e;
    return QStringLiteral("resize to %1x%2").arg(size.width()).arg(size.height());
  }

  // A right click on a box, a flag box or the grid changes no value and no box, and does not
  // scroll the grid.
  QString rightClick() {
    const Before b = before();
    QList<QWidget*> targets{c_.Text1, c_.Text2, c_.Text5,     c_.Text6,
                            c_.Text7, c_.Text8, c_.Gundamage, c_.Text4};
    for (QWidget* box : c_.Text3) targets << box;
    for (QWidget* box : c_.Check1) targets << box;
    const int pick = below(int(targets.size()) + 8);
    QWidget* target = pick < targets.size() ? targets[pick] : c_.G1->viewport();
    QPoint at = target->rect().center();
    if (target == c_.G1->viewport()) {
      const int row = c_.G1->topRow() + below(20);
      at = c_.G1->visualRect(c_.G1->model()->index(row, 1 + below(4))).center();
    }
    if (!reachableAt(target, at)) return "skip";
    const int topRow = c_.G1->topRow();
    const int currentRow = c_.G1->row();
    QStringList texts;
    for (QLineEdit* box : f_.window->findChildren<QLineEdit*>()) texts << box->text();
    QTest::mouseClick(target, Qt::RightButton, {}, at);
    ++stats_.rightClicks;
    QStringList after;
    for (QLineEdit* box : f_.window->findChildren<QLineEdit*>()) after << box->text();
    QString e = unchanged(b);
    if (e.isEmpty() && c_.G1->topRow() != topRow) {
      e = QStringLiteral("the grid scrolled from row %1 to %2").arg(topRow).arg(c_.G1->topRow());
    }
    if (e.isEmpty() && after != texts) e = QStringLiteral("a box's text changed");
    // A right click must not move the grid's current row (which would close the byte box).
    if (e.isEmpty() && c_.G1->row() != currentRow) {
      e = QStringLiteral("the grid's current row moved from %1 to %2")
              .arg(currentRow)
              .arg(c_.G1->row());
    }
    if (!e.isEmpty()) failure_ = e;
    const QString name = target == c_.G1->viewport() ? QStringLiteral("G1") : target->objectName();
    return QStringLiteral("right click on %1").arg(name);
  }

  QString act() {
    // One step in five works the record's history.
    switch (below(10)) {
      case 0:
        return undo();
      case 1:
        return below(3) == 0 ? revert() : redo();
      default:
        break;
    }
    switch (below(24)) {
      case 0:
      case 1:
        return listKey();
      case 2:
      case 3:
        return listClick();
      case 4:
      case 5:
        return typeIntoBox();
      case 6:
        return clickFlag();
      case 7:
      case 8:
        return clickGunGroupPanel();
      case 9:
      case 10:
        return byteEditor();
      case 11:
      case 12:
        return save();
      case 13:
        return close();
      case 14:
        return otherProgramWrites();
      case 15:
        return scriptMaker();
      case 16:
        return tab();
      case 17:
      case 18:
        return pasteIntoBox();
      case 19:
        return byteBoxThenGridKeys();
      case 20:
        return compareAndTake();
      case 21:
        return resizeWindow();
      case 22:
        return copyToSlot();
      default:
        return rightClick();
    }
  }

  // "Compare with..." another aircraft of planes.dat, then Take on a field or Take all: the
  // value cells of those fields get that aircraft's bytes as the file holds them, every other
  // cell stays, and nothing is written. The view is closed again.
  QString compareAndTake() {
    const int open = f_.window->openSlot();
    if (open < 0) return "skip";
    const Before b = before();
    QStringList cells = column(kValueColumn);
    f_.window->compareAction()->trigger();
    auto* view = f_.window->findChild<app::CompareView*>("CompareView");
    if (view == nullptr || !view->isVisible()) {
      failure_ = "Compare with... opened no view";
      return "take";
    }
    app::CompareView::Source source;
    source.slot = below(kSlotCount);
    view->setSource(source);
    const QByteArray other = recordIn(model_, source.slot);
    const bool all = below(3) == 0;
    int row = 0;
    if (!all) {
      auto* table = view->findChild<QTableView*>("CompareTable");
      row = below(table->model()->rowCount());
      table->setCurrentIndex(table->model()->index(row, 0));
    }
    auto* button = view->findChild<QPushButton*>(all ? "TakeAll" : "Take");
    const bool clicked = button->isEnabled();
    if (clicked) QTest::mouseClick(button, Qt::LeftButton);
    view->close();
    if (clicked && b.codePending) {
      // A code typed without Enter goes in first, as a step of its own; a text that is no
      // code stops the take, with a message, and stays in its box.
      if (!b.code) {
        if (column(kValueColumn) != cells) failure_ = "a take went ahead over a typed non-code";
        if (f_.prompter.errors.size() != b.errors + 1) failure_ = "a refused take said nothing";
        return "take refused";
      }
      for (int k = 0; k < 4; ++k) cells[164 + k] = QString::number(quint8((*b.code)[k]));
      trail_.push_back(cells);
      stepStart_ = cells;
    }
    const record::Field& field = ui::CompareModel::fieldAt(row);
    const QStringList after = column(kValueColumn);
    for (int r = 1; r <= kRecordBytes; ++r) {
      const bool taken = all || field.holds(r);
      const QString want = taken ? QString::number(quint8(other[r - 1])) : cells[r - 1];
      // A cell already holding that byte in another spelling ("07") is left as it is.
      if (stored({after[r - 1]}) != stored({want})) {
        failure_ =
            QStringLiteral("after a take from slot %1 byte %2 is \"%3\" where \"%4\" was due")
                .arg(source.slot)
                .arg(r)
                .arg(after[r - 1], want);
        return "take";
      }
    }
    if (after != cells) ++stats_.takes;
    return all ? QStringLiteral("take all") : QStringLiteral("take a field");
  }

  // Takes an entry of the context menu that a right click on `widget` opens, as the user does;
  // returns whether the entry was there and enabled.
  static bool takeFromContextMenu(QWidget* widget, const QString& entry) {
    auto taken = std::make_shared<bool>(false);
    // Runs in the menu's own event loop, once the menu is up.
    QTimer::singleShot(0, widget, [taken, entry] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      for (QAction* action : menu->actions()) {
        if (action->text() == entry && action->isEnabled()) {
          *taken = true;
          QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
          return;
        }
      }
      menu->close();
    });
    const QPoint at(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
    return *taken;
  }

  // "Copy to slot..." from the window's or the grid's context menu: the list of the other
  // aircraft is answered with one of them or cancelled; the target opens as a pick opens it
  // (the pending edits saved, discarded or kept by the answers); the preview is answered
  // Copy or Cancel. A copy puts the source's bytes 2 to 168, as planes.dat holds them after
  // the pick, into the target's value cells as one step; byte 1 stays the target's, and
  // nothing is written until a save.
  QString copyToSlot() {
    const int open = f_.window->openSlot();
    if (open < 0) return "skip";
    const Before b = before();
    int target = below(kSlotCount - 1);
    if (target >= open) ++target;
    const bool listCancelled = below(6) == 0;
    f_.prompter.items.clear();
    if (!listCancelled) {
      f_.prompter.items << QStringLiteral("%1 (slot %2)")
                               .arg(QLatin1String(record::slotNames()[std::size_t(target)]))
                               .arg(target);
    }
    // The grid, unless the Script Maker lies over it; else the window's background.
    QWidget* where = below(2) == 0 && reachable(c_.G1->viewport())
                         ? c_.G1->viewport()
                         : static_cast<QWidget*>(f_.window.get());
    const bool taken = takeFromContextMenu(where, QStringLiteral("Copy to slot..."));
    f_.prompter.items.clear();
    // The preview is the last question; the ones before it are the pick's.
    std::optional<int> preview;
    if (!answers_.empty() &&
        answers_.back().buttons == QStringList{QStringLiteral("Copy"), QStringLiteral("Cancel")}) {
      preview = answers_.back().taken;
      answers_.pop_back();
    }
    if (!taken) {
      failure_ = "the context menu of an open aircraft offered no Copy to slot...";
      return "copy";
    }
    if (listCancelled) {
      ++stats_.copiesCancelled;
      if (preview) failure_ = "a cancelled list went on to the preview";
      if (failure_.isEmpty()) failure_ = newMessages(b, 0, 1);
      if (failure_.isEmpty() &&
          (f_.window->openSlot() != b.open || column(kValueColumn) != b.cells ||
           f_.window->state().recordModified != b.recordModified)) {
        failure_ = "a cancelled list changed the open aircraft";
      }
      return "copy, list cancelled";
    }
    // The pick of the target; its check loads the target as the file holds it.
    copyTaken_ = preview == 0;
    failure_ = afterPick(b, target, preview ? 2 : 1);
    copyTaken_ = false;
    if (!failure_.isEmpty()) return "copy";
    if (f_.window->openSlot() != target) {
      if (preview) failure_ = "the preview was shown with the target not open";
      return "copy, stayed";
    }
    if (!preview) {
      failure_ = "the target opened and no preview was shown";
      return "copy";
    }
    if (*preview == 1) {
      ++stats_.copiesCancelled;
      return "copy, preview cancelled";
    }
    const QByteArray source = recordIn(model_, b.open);
    QStringList due;
    for (int row = 1; row <= kRecordBytes; ++row) {
      due << QString::number(quint8(row == 1 ? known_[0] : source[row - 1]));
    }
    QStringList after = column(kValueColumn);
    if (after != due) {
      for (int i = 0; i < kRecordBytes; ++i) {
        if (after[i] != due[i]) {
          failure_ =
              QStringLiteral("after a copy from slot %1 byte %2 is \"%3\" where \"%4\" was due")
                  .arg(b.open)
                  .arg(i + 1)
                  .arg(after[i], due[i]);
          break;
        }
      }
      return "copy";
    }
    QStringList loadedCells;
    for (int i = 0; i < kRecordBytes; ++i) loadedCells << QString::number(quint8(known_[i]));
    copiedOver_ = loadedCells;
    ++stats_.copies;
    return "copy";
  }

  QString check() {
    if (!failure_.isEmpty()) return failure_;
    const QString path = f_.folder.filePath();
    if (inodeOf(path) != inode_) return "planes.dat was replaced by another file";
    const QByteArray now = f_.folder.bytes();
    if (now.size() != model_.size()) return QStringLiteral("length is now %1").arg(now.size());
    if (now != model_) {
      for (int i = 0; i < now.size(); ++i) {
        if (now[i] != model_[i]) {
          return QStringLiteral("the byte at position %1 is %2 where %3 was due")
              .arg(i + 1)
              .arg(quint8(now[i]))
              .arg(quint8(model_[i]));
        }
      }
    }
    const int open = f_.window->openSlot();
    const auto* list = c_.List1;
    if (list->selectedRow() != open || list->currentRow() != open) {
      return QStringLiteral("the list highlights row %1 (current %2) with slot %3 open")
          .arg(list->selectedRow())
          .arg(list->currentRow())
          .arg(open);
    }
    if (open < 0) return {};
    for (int row = 1; row <= kRecordBytes; ++row) {
      const QString read = QString::number(quint8(known_[row - 1]));
      if (c_.G1->textMatrix(row, kLoadedColumn) != read) {
        return QStringLiteral(
                   "the loaded value of byte %1 is \"%2\" where the window last read "
                   "or wrote %3")
            .arg(row)
            .arg(c_.G1->textMatrix(row, kLoadedColumn), read);
      }
      const QString position = QString::number(record::bytePosition(open, row));
      if (c_.G1->textMatrix(row, kPositionColumn) != position) {
        return QStringLiteral("the position of byte %1 changed").arg(row);
      }
    }
    const auto cells = recordOf(column(kValueColumn));
    const bool unsaved = !cells || *cells != known_;
    if (f_.window->hasUnsavedChanges() != unsaved) {
      return QStringLiteral("the window says %1 unsaved changes")
          .arg(unsaved ? "there are no" : "there are");
    }
    return editorsShowTheCells(editorsFilled_);
  }

  test::Fixture& f_;
  const editors::WindowControls& c_;
  Stats& stats_;
  QObject context_;  // ends the list's connection with the runner
  std::mt19937_64 rng_;
  QByteArray model_;
  QByteArray known_;                // the open record as the window last read or wrote it
  std::vector<QStringList> trail_;  // the value cells after each step since the last load
  // Where the step's own change began, when the step first committed a code typed without
  // Enter as a step of its own.
  std::optional<QStringList> stepStart_;
  // The cells before and after the last step when it was a single click or commit.
  std::optional<std::pair<QStringList, QStringList>> exact_;
  // After a revert: the cells its undo gives back.
  std::optional<QStringList> revertUndone_;
  // Per byte, what the file held before a revert showed another program had changed it (-1
  // where it did not), and whether an undo or a redo put that byte back in the cell, so that
  // a save expects it in the file and asks.
  std::array<std::bitset<256>, kRecordBytes> outdated_{};
  std::array<int, kRecordBytes> expected_ = filled(-1);
  bool saveReread_ = false;  // the load under way is a save's reread
  static std::array<int, kRecordBytes> filled(int value) {
    std::array<int, kRecordBytes> out;
    out.fill(value);
    return out;
  }
  void forgetOutdated() {
    for (auto& bytes : outdated_) bytes.reset();
    expected_.fill(-1);
  }
  // The bytes a save expects in the file.
  QByteArray expectedInFile() const {
    QByteArray expected = known_;
    for (int i = 0; i < kRecordBytes; ++i) {
      if (expected_[std::size_t(i)] >= 0) expected[i] = char(expected_[std::size_t(i)]);
    }
    return expected;
  }
  // A code typed without Enter becomes a step of its own before an undo or a redo moves
  // through the history: its cells are a state of this record's.
  void commitsTypedCode(const QStringList& cells) {
    const Before b = before();
    if (!b.codePending || !b.code) return;
    QStringList committed = cells;
    for (int k = 0; k < 4; ++k) committed[164 + k] = QString::number(quint8((*b.code)[k]));
    trail_.push_back(committed);
  }
  // After an undo or a redo: the rows it changed expect an outdated byte when they hold it.
  void historyPutBack(const QStringList& before, const QStringList& after) {
    for (int i = 0; i < kRecordBytes; ++i) {
      if (before[i] == after[i]) continue;
      const auto byte = record::cellByte(after[i].toStdString());
      const bool outdated =
          byte && outdated_[std::size_t(i)].test(*byte) && *byte != quint8(known_[i]);
      expected_[std::size_t(i)] = outdated ? *byte : -1;
    }
  }
  bool loadedNow_ = false;  // the step loaded a record
  // After a copy into the record it loaded: the value cells as loaded, before the copy.
  std::optional<QStringList> copiedOver_;
  bool copyTaken_ = false;      // the load under way is a copy's target, the copy answered Copy
  bool editorsFilled_ = false;  // the step filled the editors from the cells
  ino_t inode_ = 0;
  QString failure_;              // set by an action whose outcome was wrong
  std::vector<Answer> answers_;  // questions with several buttons asked in this step
  std::vector<int> picks_;       // rows the list reported in this step
  bool resetting_ = false;       // questions during a fresh start discard the edits
  QElapsedTimer lastLetter_;
  const bool trace_ = qEnvironmentVariableIsSet("TOLVANE_PROPERTY_TRACE");
};

}  // namespace

class PropertyTest : public QObject {
  Q_OBJECT
 private slots:
  void randomSequencesKeepTheFileSound() {
    const long count = envNumber("TOLVANE_PROPERTY_SEQUENCES", 2000);
    const long first = envNumber("TOLVANE_PROPERTY_SEED", 1);
    const long batch = 100;  // sequences that share one window
    QApplication::setKeyboardInputInterval(0);
    Stats stats;
    for (long start = first; start < first + count; start += batch) {
      test::Fixture f;
      Runner runner(f, stats);
      for (long seed = start; seed < std::min(start + batch, first + count); ++seed) {
        const QString failure = runner.run(std::uint64_t(seed));
        if (!failure.isEmpty()) {
          QFAIL(qPrintable(QStringLiteral("seed %1 (window shared from seed %2): %3\nreplay: "
                                          "TOLVANE_PROPERTY_SEED=%2 TOLVANE_PROPERTY_SEQUENCES=%4 "
                                          "TOLVANE_PROPERTY_TRACE=1")
                               .arg(seed)
                               .arg(start)
                               .arg(failure)
                               .arg(seed - start + 1)));
        }
      }
    }
    qInfo(
        "%ld sequences, %ld steps checked; picks: %ld by key, %ld by click; %ld picks and "
        "closes stayed, the edits kept; %ld highlight removals; %ld loads checked",
        stats.sequences, stats.steps, stats.keyPicks, stats.clickPicks, stats.stayed,
        stats.highlightRemovals, stats.loads);
    qInfo(
        "%ld saves that wrote, %ld saves refused; unsaved edits: %ld save, %ld discard, %ld go "
        "back; another program's change: %ld overwrite, %ld load the file's version, %ld go "
        "back; %ld right clicks, %ld Tab keys, %ld window sizes",
        stats.saves, stats.refusedSaves, stats.pendingAnswers[0], stats.pendingAnswers[1],
        stats.pendingAnswers[2], stats.othersAnswers[0], stats.othersAnswers[1],
        stats.othersAnswers[2], stats.rightClicks, stats.tabs, stats.resizes);
    qInfo(
        "history: %ld undos (%ld of a single click or commit, predicted exactly), %ld redos, "
        "%ld reverts, %ld takes from another aircraft, %ld copies into another slot (%ld "
        "cancelled)",
        stats.undos, stats.exactUndos, stats.redos, stats.reverts, stats.takes, stats.copies,
        stats.copiesCancelled);
    qInfo(
        "%ld pastes; byte editor: %ld commits, %ld boxes closed by keys in the grid; boxes seen "
        "after a step: %ld marked refused, %ld with a note, %ld showing typed text",
        stats.pastes, stats.byteCommits, stats.byteBoxesClosed, stats.refusedMarks, stats.notes,
        stats.typedBoxes);
    QCOMPARE(stats.sequences, count);
  }
};

QTEST_MAIN(PropertyTest)
#include "test_property.moc"
