#pragma once
// The console reporter of the benchmarks that run one figure at two sizes
// (its argument): after the usual table it prints the larger run's time as
// a ratio to the smaller one's, the reference measured in the same process.
// A run's time is its time per iteration, or with repetitions the runs'
// median (the other aggregates are left out). When the argument counts the
// items the figure works through, the closing line also gives the ratio of
// the times per item, which stays near 1 when the work is linear in them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace BenchmarkSupport {

class SizeRatioReporter : public benchmark::ConsoleReporter {
public:
    // `small` and `large`: the arguments of the two runs; `what` names the
    // figure in the closing line.
    // `perItem`: the arguments count the items (the per-item ratio is
    // printed too).
    SizeRatioReporter(std::string what, std::string small, std::string large, bool perItem = false)
        : m_what(std::move(what)), m_small(std::move(small)), m_large(std::move(large)), m_perItem(perItem) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            m_seconds[run.run_name.args] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }

    void PrintRatio() const {
        const auto small = m_seconds.find(m_small);
        const auto large = m_seconds.find(m_large);
        if (small == m_seconds.end() || large == m_seconds.end()) return;
        const double ratio = large->second / small->second;
        std::printf("\n%s: %.6f s at %s, %.6f s at %s: %.2fx\n", m_what.c_str(), small->second, m_small.c_str(),
                    large->second, m_large.c_str(), ratio);
        if (m_perItem)
            std::printf("per item: %.2fx\n", ratio * std::stod(m_small) / std::stod(m_large));
    }

private:
    std::string m_what;
    std::string m_small;
    std::string m_large;
    bool m_perItem;
    std::map<std::string, double> m_seconds;
};

// Runs the registered benchmarks with the reporter and prints the ratio.
inline int RunWithSizeRatio(int argc, char** argv, const char* what, const char* small, const char* large,
                            bool perItem = false) {
    benchmark::Initialize(&argc, argv);
    SizeRatioReporter reporter(what, small, large, perItem);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio();
    benchmark::Shutdown();
    return 0;
}

}  // namespace BenchmarkSupport
