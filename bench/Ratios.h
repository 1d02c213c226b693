#pragma once

// Each benchmark's time per iteration as the console shows it (the median when the run is
// repeated), and after the run the ratios between benchmarks of that same run.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    using TRatio = std::pair<std::string, std::string>;  // numerator, denominator (run names)

    void ReportRuns(const std::vector<Run>& runs) override;
    // Prints "numerator / denominator: ratio (wall), ratio (CPU)" for each pair that ran.
    void PrintRatios(const std::vector<TRatio>& ratios) const;

private:
    struct TTimes {
        double Real = 0;
        double Cpu = 0;
        bool Median = false;
    };
    std::map<std::string, TTimes> FTimes;
};

// Runs the registered benchmarks with the reporter and prints the ratios after them.
void RunWithRatios(int& argc, char** argv, const std::vector<TRatioReporter::TRatio>& ratios);
