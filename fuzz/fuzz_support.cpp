#include "fuzz_support.h"

#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace tolvane::fuzz {

std::filesystem::path setUp() {
  static std::filesystem::path folder;
  if (!folder.empty()) return folder;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "tolvane_fuzz";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives for the whole run
  const std::filesystem::path base =
      std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
  folder = base / ("tolvane-fuzz-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  // The folder goes when the run ends normally; a crash leaves it for inspection.
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  });
  return folder;
}

void fail(const char* what, long long detail) {
  std::fprintf(stderr, "INVARIANT BROKEN: %s (%lld)\n", what, detail);
  std::abort();
}

std::uint64_t Rng::next() {
  std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

bool verbose() {
  static const bool on = qEnvironmentVariableIsSet("TOLVANE_FUZZ_VERBOSE");
  return on;
}

void trace(const QString& line) {
  if (verbose()) std::fprintf(stderr, "%s\n", qPrintable(line));
}

void QuietPrompter::showError(const QString&, const QString& text) {
  ++errors;
  trace("error: " + text);
}

bool QuietPrompter::ask(const QString&, const QString& text, const QString&, const QString&) {
  ++questions;
  const bool answer = rng_->chance(50);
  trace("question: " + text + (answer ? " -> first" : " -> second"));
  return answer;
}

int QuietPrompter::choose(const QString&, const QString& text, const QStringList& buttons, int,
                          int) {
  ++questions;
  const int answer = rng_->below(static_cast<int>(buttons.size()));
  trace("question: " + text + " -> " + buttons.value(answer));
  return answer;
}

}  // namespace tolvane::fuzz
