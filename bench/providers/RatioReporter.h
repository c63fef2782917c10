#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::bench {

// The console report plus, at the end, the ratio of chosen pairs of benchmarks measured in the
// same run (numerator name, denominator name).
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs)
        : m_pairs(std::move(pairs))
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            // With repetitions the median stands for the benchmark; it is reported after the
            // single runs and replaces them.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median)
                m_times[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-28s %-24s %12s %12s\n", "benchmark", "against", "real ratio", "cpu ratio");
        for (const auto& [numerator, denominator] : m_pairs) {
            const auto a = m_times.find(numerator);
            const auto b = m_times.find(denominator);
            if (a == m_times.end() || b == m_times.end() || b->second.first <= 0 ||
                b->second.second <= 0)
                continue;
            std::printf("%-28s %-24s %12.2f %12.2f\n", numerator.c_str(), denominator.c_str(),
                        a->second.first / b->second.first, a->second.second / b->second.second);
        }
    }

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
    std::map<std::string, std::pair<double, double>> m_times; // real, cpu
};

} // namespace quorvel::bench
