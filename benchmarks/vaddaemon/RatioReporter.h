#pragma once
// The console report of a benchmark of pairs: each figure runs as
// BM_<figure>_<measured> beside its reference BM_<figure>_<reference>, and a
// closing table gives each figure's times and their ratio. A figure's time
// is its run's time per iteration, or with repetitions the runs' median
// (the other aggregates, mean, spread and variation, are left out).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter(std::string measured, std::string reference, std::vector<std::string> figures)
        : m_measured(std::move(measured)), m_reference(std::move(reference)), m_figures(std::move(figures)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            m_seconds[run.run_name.function_name] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }

    void PrintRatios() const {
        std::printf("\n%-18s %14s %14s %8s\n", "figure", m_measured.c_str(), m_reference.c_str(), "ratio");
        for (const std::string& figure : m_figures) {
            const auto measured = m_seconds.find("BM_" + figure + "_" + m_measured);
            const auto reference = m_seconds.find("BM_" + figure + "_" + m_reference);
            if (measured == m_seconds.end() || reference == m_seconds.end()) continue;
            std::printf("%-18s %11.1f us %11.1f us %7.2fx\n", figure.c_str(), measured->second * 1e6,
                        reference->second * 1e6, measured->second / reference->second);
        }
    }

private:
    std::string m_measured;
    std::string m_reference;
    std::vector<std::string> m_figures;
    std::map<std::string, double> m_seconds;
};
