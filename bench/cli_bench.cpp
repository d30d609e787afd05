// Command-line benchmark: `tolvane show --json` over the 30 aircraft beside two floors, a plain
// C++ program that reads planes.dat and prints it as JSON and the same program with a
// QCoreApplication. Each program is started RUNS times (after one warm-up run each), the
// programs taking turns, in the folder given, with its standard output read through a pipe
// as a consumer such as jq would read it. Measured per run: the wall time from just before
// fork() to the child's exit, its CPU time (user + system) and peak resident memory as
// wait4() returns them, and the bytes it printed.
//
//   tolvane_cli_bench RUNS FOLDER PLAIN_FLOOR QT_FLOOR TOLVANE [OTHER_TOLVANE...]
//
// Each OTHER_TOLVANE (another build's binary, e.g. the tree before a change) takes its turn too.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "child_runs.h"

namespace {

using namespace tolvane::bench;

struct Sample {
  double wallMs = 0;
  double cpuMs = 0;
  double peakMiB = 0;
  std::size_t outputBytes = 0;
};

bool runOnce(const std::string& folder, const std::vector<std::string>& args, Sample& sample) {
  ChildRun run;
  if (!runChild(folder, args, false, run)) return false;
  sample.wallMs = static_cast<double>(run.endedNs - run.startedNs) / 1e6;
  sample.cpuMs = milliseconds(run.usage.ru_utime) + milliseconds(run.usage.ru_stime);
  sample.peakMiB = peakMiB(run);
  sample.outputBytes = run.outputBytes;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s RUNS FOLDER PLAIN_FLOOR QT_FLOOR TOLVANE [OTHER_TOLVANE...]\n",
                 argv[0]);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const std::string folder = argv[2];
  std::vector<Program<Sample>> programs = {
      {"floor (a): plain C++, reads and prints planes.dat", {argv[3]}, {}},
      {"floor (b): the same with a QCoreApplication", {argv[4]}, {}},
      {"tolvane show --json", {argv[5], "show", "--json"}, {}},
  };
  for (int i = 6; i < argc; ++i) {
    programs.push_back({std::string(argv[i]) + " show --json", {argv[i], "show", "--json"}, {}});
  }
  if (!runInTurns(programs, runs, [&](const std::vector<std::string>& args, Sample& s) {
        return runOnce(folder, args, s);
      })) {
    return 1;
  }

  const auto wall = [](const Sample& s) { return s.wallMs; };
  const auto cpu = [](const Sample& s) { return s.cpuMs; };
  const auto peak = [](const Sample& s) { return s.peakMiB; };
  const double floorWall = median(column(programs[1], wall));
  const double floorCpu = median(column(programs[1], cpu));
  std::printf("%d runs each, taking turns; ratios to floor (b)\n\n", runs);
  std::printf(
      "| program | output (bytes) | wall median (ms) | min | ratio | CPU median (ms) | min | "
      "ratio | peak RSS (MiB) |\n|---|---|---|---|---|---|---|---|---|\n");
  for (const Program<Sample>& p : programs) {
    const std::vector<double> w = column(p, wall);
    const std::vector<double> c = column(p, cpu);
    const double wallMedian = median(w);
    const double cpuMedian = median(c);
    std::printf("| %s | %zu | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.1f |\n", p.label.c_str(),
                p.samples.front().outputBytes, wallMedian, *std::min_element(w.begin(), w.end()),
                wallMedian / floorWall, cpuMedian, *std::min_element(c.begin(), c.end()),
                cpuMedian / floorCpu, median(column(p, peak)));
  }
  return 0;
}
