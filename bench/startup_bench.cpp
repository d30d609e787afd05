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
  double startupMs = 0;
  double peakMiB = 0;
};

struct Program {
  std::string label;
  std::vector<std::string> argv;
  std::vector<Sample> samples;
};

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
  std::string text;
  char buffer[256];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return false;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty()) {
    std::fprintf(stderr, "%s failed (status %d, output \"%s\")\n", args[0].c_str(), status,
                 text.c_str());
    return false;
  }
  sample.startupMs = static_cast<double>(std::atoll(text.c_str()) - started) / 1e6;
  sample.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
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
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s RUNS FOLDER FLOOR PROBE [OTHER_PROBE...]\n", argv[0]);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const std::string folder = argv[2];
  std::vector<Program> programs = {
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

  const auto ms = [](const Sample& s) { return s.startupMs; };
  const auto mib = [](const Sample& s) { return s.peakMiB; };
  const double floorStart = median(column(programs[0], ms));
  const double floorPeak = median(column(programs[0], mib));
  std::printf("%d runs each, taking turns\n\n", runs);
  std::printf(
      "| program | start-up median (ms) | min | max | ratio to floor | peak RSS median (MiB) "
      "| ratio to floor |\n|---|---|---|---|---|---|---|\n");
  for (const Program& p : programs) {
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
