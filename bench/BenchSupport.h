#pragma once
// Shared by the benchmark programs: the median time of a piece of work over several runs, in ms.

#include <algorithm>
#include <chrono>
#include <vector>

#include <benchmark/benchmark.h>

namespace benchsupport {

template <typename Work>
double medianMilliseconds(int runs, Work work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(work());
        auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace benchsupport
