// Loads arbitrary bytes as planes.dat (any length) and works on them as a user would: picks
// an aircraft, chooses a gun group, edits boxes and bytes, saves, picks another aircraft and
// closes. Whatever the bytes, nothing may crash, and after every save the file must keep its
// length and identity, every byte outside the saved record must be as it was, and a save that
// reports success must have written exactly the rounded value cells.
#include <sys/stat.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "app/main_window.h"
#include "app/record_session.h"
#include "fuzz_support.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

using namespace tolvane;

namespace {

using Bytes = std::vector<std::uint8_t>;

const char* const kTexts[] = {"0",
                              "1",
                              "255",
                              "256",
                              "-1",
                              "99",
                              "1E999",
                              "-1D999",
                              "nan",
                              "inf",
                              " 12 ",
                              "3.5",
                              "2.5",
                              "4294967295",
                              "4294967296",
                              "65535",
                              "1e-300",
                              "abc",
                              "",
                              " ",
                              "0x10",
                              "1,5",
                              "+7",
                              "..",
                              "99999999999999999999",
                              "\xc3\xa9t\xc3\xa9",
                              "\xe2\x80\xa8",
                              "ABCD",
                              "12345678"};

Bytes readAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

ino_t inodeOf(const char* path) {
  struct stat info {};
  return ::stat(path, &info) == 0 ? info.st_ino : 0;
}

QString someText(fuzz::Rng& rng, const std::uint8_t* data, std::size_t size) {
  if (size > 0 && rng.chance(30)) {
    const std::size_t from = static_cast<std::size_t>(rng.below(static_cast<int>(size)));
    const std::size_t length = std::min<std::size_t>(size - from, 1 + rng.below(12));
    return QString::fromLatin1(reinterpret_cast<const char*>(data + from),
                               static_cast<qsizetype>(length));
  }
  return QString::fromUtf8(kTexts[rng.below(sizeof kTexts / sizeof kTexts[0])]);
}

// The value column as saving reads it: the bytes a successful save must have written.
bool expectedRecord(const ui::ByteGrid* grid, Bytes* out) {
  out->assign(record::kRecordBytes, 0);
  for (int row = 1; row <= record::kRecordBytes; ++row) {
    const auto byte = record::cellByte(grid->textMatrix(row, record::kValueColumn).toStdString());
    if (!byte) return false;
    (*out)[static_cast<std::size_t>(row - 1)] = *byte;
  }
  return true;
}

// Checks the file after an action that may have saved the record of `slot`.
void checkFile(const char* path, const Bytes& before, ino_t inode, int slot, const Bytes* written) {
  const Bytes after = readAll(path);
  if (after.size() != before.size()) fuzz::fail("file length changed", long(after.size()));
  if (inodeOf(path) != inode) fuzz::fail("file replaced by another");
  const std::int64_t first = slot >= 0 ? record::bytePosition(slot, 1) - 1 : -1;
  for (std::size_t i = 0; i < after.size(); ++i) {
    const bool inRecord =
        slot >= 0 && std::int64_t(i) >= first && std::int64_t(i) < first + record::kRecordBytes;
    if (!inRecord && after[i] != before[i])
      fuzz::fail("byte outside the record changed", long(i + 1));
    if (inRecord && written && after[i] != (*written)[std::size_t(i - first)]) {
      fuzz::fail("saved byte differs from its cell", long(i + 1));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::setUp();
  const char* path = "planes.dat";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  QFile::remove("planes.dat.bak");
  std::uint64_t seed = 1469598103934665603ull;
  for (std::size_t i = 0; i < size; ++i) seed = (seed ^ data[i]) * 1099511628211ull;
  fuzz::Rng rng(seed);
  fuzz::QuietPrompter prompter(&rng);

  const ino_t inode = inodeOf(path);
  Bytes before = readAll(path);
  {
    app::MainWindow window;
    const editors::WindowControls& c = window.controls();
    // Mostly a slot whose record fits the file, sometimes any slot.
    int fitting = 0;
    while (fitting < record::kSlotCount &&
           record::bytePosition(fitting, record::kRecordBytes) <= std::int64_t(size)) {
      ++fitting;
    }
    const int slot =
        fitting > 0 && rng.chance(90) ? rng.below(fitting) : rng.below(record::kSlotCount);
    window.session().pick(slot);
    const int open = window.openSlot();
    fuzz::trace(
        QStringLiteral("file of %1 bytes; pick %2 -> open %3").arg(size).arg(slot).arg(open));

    // A gun group, then edits through the boxes and the byte editor.
    c.Option4->select(1 + rng.below(6));
    if (rng.chance(50)) c.Option1->select(rng.below(14));
    QLineEdit* boxes[] = {c.Text3[std::size_t(rng.below(15))],
                          c.Text1,
                          c.Text2,
                          c.Text6,
                          c.Text7,
                          c.Text8,
                          c.Gundamage,
                          c.Text5};
    const int edits = 1 + rng.below(4);
    for (int e = 0; e < edits; ++e) {
      QLineEdit* box = boxes[rng.below(8)];
      box->setText(someText(rng, data, size));
      fuzz::trace(QStringLiteral("%1 := \"%2\" (modified %3)")
                      .arg(box->objectName(), box->text())
                      .arg(window.recordModified()));
      if (box == c.Text5) QTest::keyClick(box, Qt::Key_Return);
    }
    if (open >= 0 && rng.chance(50)) {
      const int row = 1 + rng.below(record::kRecordBytes);
      c.G1->setRow(row);
      emit c.G1->cellClicked(row, record::kValueColumn);
      if (c.Text4->isVisibleTo(&window)) {
        c.Text4->setText(someText(rng, data, size));
        QTest::keyClick(c.Text4, Qt::Key_Return);
        fuzz::trace(QStringLiteral("byte %1 := \"%2\"").arg(row).arg(c.Text4->text()));
      }
    }

    // Save: the file keeps its length and identity; only the record may change, and when the
    // save succeeded it holds exactly the rounded cells.
    Bytes expected;
    const bool savable = open >= 0 && expectedRecord(c.G1, &expected);
    const int errorsBefore = prompter.errors;
    const bool modifiedBefore = window.recordModified();
    fuzz::trace(
        QStringLiteral("save (modified %1, savable %2)").arg(window.recordModified()).arg(savable));
    const bool saved = window.save();
    fuzz::trace(QStringLiteral("saved %1, modified %2").arg(saved).arg(window.recordModified()));
    if (saved && open >= 0) {
      if (!savable) fuzz::fail("a refused cell was saved");
      checkFile(path, before, inode, open, &expected);
    } else {
      if (saved)
        checkFile(path, before, inode, -1, nullptr);  // nothing loaded: nothing written
      else if (prompter.errors == errorsBefore && prompter.questions == 0) {
        fuzz::fail("a failed save told the user nothing");
      }
      checkFile(path, before, inode, open, nullptr);
      if (!saved && modifiedBefore && !window.recordModified()) {
        fuzz::fail("a failed save cleared recordModified");
      }
    }
    before = readAll(path);

    // Another pick, which saves pending edits first, then a close, which saves too.
    if (rng.chance(50)) c.Text3[std::size_t(rng.below(15))]->setText(someText(rng, data, size));
    const int previous = window.openSlot();
    window.session().pick(rng.below(record::kSlotCount));
    checkFile(path, before, inode, previous, nullptr);
    before = readAll(path);
    const int last = window.openSlot();
    QCloseEvent close;
    QCoreApplication::sendEvent(&window, &close);
    checkFile(path, before, inode, last, nullptr);
  }
  return 0;
}
