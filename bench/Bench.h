#pragma once

#include <QString>
#include <functional>

namespace quilbench {

// Median wall time of `runs` calls of fn, in milliseconds.
double medianMs(int runs, const std::function<void()> &fn);
// The same, each timed call of fn after an untimed call of prepare.
double medianMs(int runs, const std::function<void()> &prepare, const std::function<void()> &fn);

// Median processor time of this thread over `runs` calls, in milliseconds: what an operation
// costs here, apart from waiting for the disk or for other programs on a busy machine.
double medianCpuMs(int runs, const std::function<void()> &prepare, const std::function<void()> &fn);

// Prints one line "name median_ms" (the benchmark's output format).
void report(const QString &name, double ms);

// Peak resident memory of this process, in MiB.
double peakResidentMb();

// A memory line of /proc/self/status ("VmRSS", "VmHWM"), in KiB; 0 when not there.
qint64 statusKb(const char *key);
// Starts a new peak: the kernel resets VmHWM to the present resident size. False when it
// may not.
bool resetPeak();

} // namespace quilbench

namespace quilbench {

struct Options {
    int entries = 100000;
    int runs = 5;
    QString folder; // where generated libraries go
};

// A group of measures. Suites register themselves with QUIL_BENCH_SUITE and run in
// registration order; each prints its own lines through report().
using Suite = std::function<void(const Options &)>;
bool registerSuite(const char *name, Suite suite);

} // namespace quilbench

#define QUIL_BENCH_SUITE(name, fn)                                                                 \
    static const bool quilBenchRegistered_##name = quilbench::registerSuite(#name, fn)
