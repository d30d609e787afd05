// The clock both sides of the start-up benchmark read: CLOCK_MONOTONIC is one clock for every
// process of the machine, so a time taken before fork() and one taken in the child compare.
#pragma once

#include <ctime>

namespace tolvane::bench {

inline long long monotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

}  // namespace tolvane::bench
