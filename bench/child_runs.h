// Starting programs in turn and summing up their runs, for the benchmarks that time whole
// processes (start-up, the command line).
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "clock.h"

namespace tolvane::bench {

// One run of a program, its standard output read through a pipe as a consumer reads it.
struct ChildRun {
  long long startedNs = 0;  // just before fork()
  long long endedNs = 0;    // when wait4() returned
  std::size_t outputBytes = 0;
  std::string output;  // kept only when asked for
  rusage usage{};
};

// Starts args[0] with args in folder and waits for it. Returns false, with a message, when it
// cannot be started, does not exit with 0 or prints nothing.
inline bool runChild(const std::string& folder, const std::vector<std::string>& args,
                     bool keepOutput, ChildRun& run) {
  int out[2];
  if (pipe(out) != 0) return false;
  run = ChildRun();
  run.startedNs = monotonicNanoseconds();
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
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
    run.outputBytes += static_cast<std::size_t>(n);
    if (keepOutput) run.output.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  int status = 0;
  if (wait4(child, &status, 0, &run.usage) != child) return false;
  run.endedNs = monotonicNanoseconds();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || run.outputBytes == 0) {
    std::fprintf(stderr, "%s failed (status %d, output \"%s\", %zu bytes)\n", args[0].c_str(),
                 status, run.output.c_str(), run.outputBytes);
    return false;
  }
  return true;
}

inline double milliseconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

inline double peakMiB(const ChildRun& run) {
  return static_cast<double>(run.usage.ru_maxrss) / 1024.0;
}

template <typename Sample>
struct Program {
  std::string label;
  std::vector<std::string> argv;
  std::vector<Sample> samples;
};

// Runs every program once to warm up (its libraries in the page cache), then `runs` times,
// the programs taking turns, so that a slow spell of the machine hits all of them alike.
// `measure(argv, sample)` runs one; returns false as soon as a run fails.
template <typename Sample, typename Measure>
bool runInTurns(std::vector<Program<Sample>>& programs, int runs, Measure measure) {
  for (Program<Sample>& p : programs) {
    Sample warmUp;
    if (!measure(p.argv, warmUp)) return false;
  }
  for (int run = 0; run < runs; ++run) {
    for (std::size_t i = 0; i < programs.size(); ++i) {
      Program<Sample>& p = programs[(i + static_cast<std::size_t>(run)) % programs.size()];
      Sample s;
      if (!measure(p.argv, s)) return false;
      p.samples.push_back(s);
    }
  }
  return true;
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

template <typename Sample, typename Get>
std::vector<double> column(const Program<Sample>& p, Get get) {
  std::vector<double> values;
  for (const Sample& s : p.samples) values.push_back(get(s));
  return values;
}

}  // namespace tolvane::bench
