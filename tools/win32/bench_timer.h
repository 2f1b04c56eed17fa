// Nanoseconds per call of a step: a warm-up that also finds how many calls make a
// repetition long enough to time, then the median of five repetitions.
#pragma once

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>

struct BenchTimer {
    double repetitionSeconds = 0.2;
    int64_t quickIterations = 0;  // when not 0: this many calls a repetition, no calibration

    template <class Step>
    double MedianNs(Step&& step) const {
        int64_t iterations = quickIterations;
        if (iterations == 0) {
            // Doubled until a batch lasts a tenth of a repetition, then scaled up to one.
            for (iterations = 1;; iterations *= 2) {
                const double seconds = Time(step, iterations);
                if (seconds >= repetitionSeconds / 10 || iterations >= (int64_t{1} << 30)) {
                    iterations = std::max<int64_t>(1, static_cast<int64_t>(static_cast<double>(iterations) *
                                                                            repetitionSeconds / std::max(seconds, 1e-9)));
                    break;
                }
            }
        } else {
            Time(step, iterations);
        }
        std::array<double, 5> ns;
        for (double& each : ns) each = Time(step, iterations) * 1e9 / static_cast<double>(iterations);
        std::sort(ns.begin(), ns.end());
        return ns[ns.size() / 2];
    }

private:
    template <class Step>
    static double Time(Step& step, int64_t iterations) {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        for (int64_t i = 0; i < iterations; ++i) step();
        QueryPerformanceCounter(&end);
        return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    }
};
