#pragma once
// The console reporter of benchmarks that run each figure at two or more
// sizes (the argument): after the usual table it prints, per benchmark,
// the time at the largest argument as a ratio to the time at the smallest,
// and the ratio of the arguments beside it. Work linear in the argument
// keeps the first ratio near the second. A run's time is its time per
// iteration, or with repetitions the runs' median.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace BenchmarkSupport {

class GrowthRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_name.args.empty()) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            m_seconds[run.run_name.function_name][std::stod(run.run_name.args)] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }

    void PrintRatios() const {
        std::printf("\n");
        for (const auto& [name, bySize] : m_seconds) {
            if (bySize.size() < 2) continue;
            const auto& [small, smallSeconds] = *bySize.begin();
            const auto& [large, largeSeconds] = *bySize.rbegin();
            std::printf("%s: %.6f s at %.0f, %.6f s at %.0f: %.2fx for %.2fx the size\n", name.c_str(), smallSeconds,
                        small, largeSeconds, large, largeSeconds / smallSeconds, large / small);
        }
    }

private:
    std::map<std::string, std::map<double, double>> m_seconds;
};

// Runs the registered benchmarks with the reporter and prints the ratios.
inline int RunWithGrowthRatios(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    GrowthRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}

}  // namespace BenchmarkSupport
