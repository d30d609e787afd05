// Feeds arbitrary text to the number rules and to the change reaction of every box. Nothing
// may crash or have undefined behaviour, and the rules must keep their promises: a number
// written as text reads back as itself to 15 digits, a cell the save accepts is a byte, and
// a whole value up to 2^32 - 1 splits into four bytes that add up to it.
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/record_session.h"
#include "fuzz_support.h"
#include "record/demo_data.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

using namespace tolvane;

namespace {

void checkNumberRules(std::string_view text) {
  const double value = record::readNumber(text);
  const std::string written = record::numberToText(value);
  if (std::isfinite(value)) {
    const double again = record::readNumber(written);
    const double scale = std::max(std::fabs(value), 1e-300);
    if (!(std::fabs(again - value) <= scale * 1e-14)) fuzz::fail("numberToText does not read back");
    if (record::signPadded(value).find(written) == std::string::npos) fuzz::fail("signPadded");
  } else if (record::cellByte(written)) {
    fuzz::fail("a non-finite number became a byte");
  }
  if (const auto byte = record::cellByte(text)) {
    // An accepted cell is the rounded number it holds.
    const double rounded = std::nearbyint(record::readNumber(text));
    if (rounded != *byte) fuzz::fail("cellByte is not the rounded number", *byte);
  }
  if (const auto position = record::cellPosition(text)) {
    if (*position < 1) fuzz::fail("cellPosition below 1");
  }
  (void)record::wholeNumberIn(text, -5, 5);
  const auto parts = record::split32(value);
  if (value >= 0 && value <= 4294967295.0 && value == std::floor(value)) {
    double sum = 0;
    for (int i = 3; i >= 0; --i) {
      if (parts[std::size_t(i)] < 0 || parts[std::size_t(i)] > 255 ||
          parts[std::size_t(i)] != std::floor(parts[std::size_t(i)])) {
        fuzz::fail("split32 part is not a byte", i);
      }
      sum = sum * 256 + parts[std::size_t(i)];
    }
    if (sum != value) fuzz::fail("split32 parts do not add up");
  }
  (void)record::split16(value);
  (void)record::intPart(value);
}

struct Window {
  fuzz::Rng rng{7};
  std::unique_ptr<fuzz::QuietPrompter> prompter;
  std::unique_ptr<app::MainWindow> window;
};

Window& theWindow() {
  static Window w;
  if (!w.window) {
    record::writeDemoFile(fuzz::setUp() / "planes.dat");
    w.prompter = std::make_unique<fuzz::QuietPrompter>(&w.rng);
    w.window = std::make_unique<app::MainWindow>();
  }
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  theWindow();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  checkNumberRules(raw);

  // The boxes: a fresh load of one of two aircraft for every input, without saving.
  Window& w = theWindow();
  app::MainWindow& window = *w.window;
  const editors::WindowControls& c = window.controls();
  window.state().recordModified = false;
  window.session().pick(window.openSlot() == 7 ? 12 : 7);
  const int slot = window.openSlot();
  QStringList positions;
  for (int row = 1; row <= record::kRecordBytes; ++row) {
    positions << c.G1->textMatrix(row, record::kPositionColumn)
              << c.G1->textMatrix(row, record::kLoadedColumn);
  }
  const QString text = size > 0 && data[0] % 2 ? QString::fromLatin1(raw.data(), qsizetype(size))
                                               : QString::fromUtf8(raw.data(), qsizetype(size));
  for (QLineEdit* box : c.Text3) box->setText(text);
  for (QLineEdit* box : {c.Text6, c.Text7, c.Text8}) box->setText(text);
  c.Option4->select(1 + int(size % 6));
  for (QLineEdit* box : {c.Text1, c.Text2, c.Gundamage}) box->setText(text);
  c.Text5->setText(text);
  QTest::keyClick(c.Text5, Qt::Key_Return);
  const int row = 1 + int(size % record::kRecordBytes);
  c.G1->setRow(row);
  emit c.G1->cellClicked(row, record::kValueColumn);
  c.Text4->setText(text);
  QTest::keyClick(c.Text4, Qt::Key_Return);

  // No reaction may touch the positions or the loaded values, or switch the record.
  if (window.openSlot() != slot) fuzz::fail("a box reaction changed the open slot");
  for (int row = 1; row <= record::kRecordBytes; ++row) {
    if (c.G1->textMatrix(row, record::kPositionColumn) != positions[2 * (row - 1)] ||
        c.G1->textMatrix(row, record::kLoadedColumn) != positions[2 * (row - 1) + 1]) {
      fuzz::fail("a box reaction changed a position or loaded cell", row);
    }
  }
  return 0;
}
