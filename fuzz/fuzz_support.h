// Shared by the fuzz targets: one offscreen QApplication for the whole run, a prompter that
// answers questions from a small generator and never opens a window, a private working
// folder, and typing into a box the way a user does.
#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>

#include "ui/prompter.h"

namespace tolvane::fuzz {

// Creates the application (offscreen) and a fresh private folder, and makes it current.
// Safe to call more than once; returns the folder.
std::filesystem::path setUp();

// Stops the run with a message when an invariant does not hold, so that libFuzzer keeps the
// input as a crash.
[[noreturn]] void fail(const char* what, long long detail = 0);

// A small deterministic generator (splitmix64), so that the actions taken for an input are
// the same every time that input is replayed.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : s_(seed) {}
  std::uint64_t next();
  int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<unsigned>(n)); }
  bool chance(int percent) { return below(100) < percent; }

 private:
  std::uint64_t s_;
};

class QuietPrompter : public ui::Prompter {
 public:
  explicit QuietPrompter(Rng* rng) : rng_(rng) { ui::setPrompter(this); }
  ~QuietPrompter() override { ui::setPrompter(nullptr); }
  void showError(const QString&, const QString& text) override;
  bool ask(const QString&, const QString& text, const QString&, const QString&) override;
  int choose(const QString&, const QString& text, const QStringList& buttons, int, int) override;
  int errors = 0;
  int questions = 0;

 private:
  Rng* rng_;
};

// Whether TOLVANE_FUZZ_VERBOSE is set: then the actions and messages are printed, to follow
// what a crashing input does.
bool verbose();
void trace(const QString& line);

}  // namespace tolvane::fuzz
