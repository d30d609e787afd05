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
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clock.h"

namespace {

struct Sample {
  double wallMs = 0;
  double cpuMs = 0;
  double peakMiB = 0;
  std::size_t outputBytes = 0;
};

struct Program {
  std::string label;
  std::vector<std::string> argv;
  std::vector<Sample> samples;
};

double milliseconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

bool runOnce(const std::string& folder, const std::vector<std::string>& args, Sample& sample) {
  int out[2];
  if (pipe(out) != 0) return false;
  const long long started = tolvane::bench::monotonicNanoseconds();
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    if (chdir(folder.c_str()) != 0) _exit(126);
    std::vector<char*> cargs;
    for (const std::string& a : args) cargs.push_back(const_cast<char*>(a.c_str()));
    cargs.push_back(nullptr);
    execv(cargs[0], cargs.data());
    _exit(127);
  }
  close(out[1]);
  char buffer[65536];
  ssize_t n;
  std::size_t total = 0;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) total += static_cast<std::size_t>(n);
  close(out[0]);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return false;
  const long long ended = tolvane::bench::monotonicNanoseconds();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || total == 0) {
    std::fprintf(stderr, "%s failed (status %d, %zu bytes of output)\n", args[0].c_str(), status,
                 total);
    return false;
  }
  sample.wallMs = static_cast<double>(ended - started) / 1e6;
  sample.cpuMs = milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
  sample.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  sample.outputBytes = total;
  return true;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

template <typename Get>
std::vector<double> column(const Program& p, Get get) {
  std::vector<double> values;
  for (const Sample& s : p.samples) values.push_back(get(s));
  return values;
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
  std::vector<Program> programs = {
      {"floor (a): plain C++, reads and prints planes.dat", {argv[3]}, {}},
      {"floor (b): the same with a QCoreApplication", {argv[4]}, {}},
      {"tolvane show --json", {argv[5], "show", "--json"}, {}},
  };
  for (int i = 6; i < argc; ++i) {
    programs.push_back({std::string(argv[i]) + " show --json", {argv[i], "show", "--json"}, {}});
  }
  for (Program& p : programs) {
    Sample warmUp;
    if (!runOnce(folder, p.argv, warmUp)) return 1;
  }
  // The programs take turns, so that a slow spell of the machine hits all of them alike.
  for (int run = 0; run < runs; ++run) {
    for (std::size_t i = 0; i < programs.size(); ++i) {
      Program& p = programs[(i + run) % programs.size()];
      Sample s;
      if (!runOnce(folder, p.argv, s)) return 1;
      p.samples.push_back(s);
    }
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
  for (const Program& p : programs) {
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
