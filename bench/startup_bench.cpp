// Start-up and peak-memory benchmark. Starts the floor program and Tolvane's probe in turn,
// RUNS times each (after one warm-up run each, so that both find their libraries in the page
// cache), in the folder given. Start-up is the time from just before fork() to the idle moment
// the probe reports; peak resident memory is the child's ru_maxrss as wait4() returns it.
//
//   tolvane_startup_bench RUNS FOLDER FLOOR PROBE [OTHER_PROBE...]
//
// Each OTHER_PROBE (the probe of another build, e.g. the tree before a change) is started the
// same two ways and takes its turn with the others, so that builds are compared in one run.
//
// Run it under an X server (xvfb-run): both programs then show a real window.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "child_runs.h"

namespace {

using namespace tolvane::bench;

struct Sample {
  double startupMs = 0;
  double peakMiB = 0;
};

// The probe prints the monotonic time of its idle moment.
bool runOnce(const std::string& folder, const std::vector<std::string>& args, Sample& sample) {
  ChildRun run;
  if (!runChild(folder, args, true, run)) return false;
  sample.startupMs = static_cast<double>(std::atoll(run.output.c_str()) - run.startedNs) / 1e6;
  sample.peakMiB = peakMiB(run);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s RUNS FOLDER FLOOR PROBE [OTHER_PROBE...]\n", argv[0]);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const std::string folder = argv[2];
  std::vector<Program<Sample>> programs = {
      {"floor (empty 660x453 window)", {argv[3]}, {}},
      {"floor with one caption and one text box", {argv[3], "text"}, {}},
      {"Tolvane, start-up only", {argv[4]}, {}},
      {"Tolvane, start-up + pick + save", {argv[4], "pick-save"}, {}},
  };
  for (int i = 5; i < argc; ++i) {
    const std::string other = argv[i];
    programs.push_back({other + ", start-up only", {other}, {}});
    programs.push_back({other + ", start-up + pick + save", {other, "pick-save"}, {}});
  }
  if (!runInTurns(programs, runs, [&](const std::vector<std::string>& args, Sample& s) {
        return runOnce(folder, args, s);
      })) {
    return 1;
  }

  const auto ms = [](const Sample& s) { return s.startupMs; };
  const auto mib = [](const Sample& s) { return s.peakMiB; };
  const double floorStart = median(column(programs[0], ms));
  const double floorPeak = median(column(programs[0], mib));
  std::printf("%d runs each, taking turns\n\n", runs);
  std::printf(
      "| program | start-up median (ms) | min | max | ratio to floor | peak RSS median (MiB) "
      "| ratio to floor |\n|---|---|---|---|---|---|---|\n");
  for (const Program<Sample>& p : programs) {
    const std::vector<double> start = column(p, ms);
    const double startMedian = median(start);
    const double peak = median(column(p, mib));
    std::printf("| %s | %.1f | %.1f | %.1f | %.2f | %.1f | %.2f |\n", p.label.c_str(), startMedian,
                *std::min_element(start.begin(), start.end()),
                *std::max_element(start.begin(), start.end()), startMedian / floorStart, peak,
                peak / floorPeak);
  }
  return 0;
}
