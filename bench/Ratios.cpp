#include "Ratios.h"

#include <malloc.h>

#include <cstdio>

void TRatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.error_occurred) continue;
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) continue;
        TTimes& t = FTimes[run.run_name.str()];
        if (t.Median && !median) continue;  // a repeated run's median wins over its rounds
        t = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(), median};
    }
    ConsoleReporter::ReportRuns(runs);
}

void TRatioReporter::PrintRatios(const std::vector<TRatio>& ratios) const {
    std::printf("\n");
    for (const auto& [num, den] : ratios) {
        const auto n = FTimes.find(num);
        const auto d = FTimes.find(den);
        if (n == FTimes.end() || d == FTimes.end() || d->second.Real <= 0) continue;
        std::printf("%-58s %5.2fx wall %5.2fx CPU\n", (num + " / " + den).c_str(),
                    n->second.Real / d->second.Real, n->second.Cpu / d->second.Cpu);
    }
}

void RunWithRatios(int& argc, char** argv, const std::vector<TRatioReporter::TRatio>& ratios) {
    // Each iteration frees what the one before allocated. Left to its defaults the allocator
    // hands large blocks back to the system and faults fresh pages in again, and how often it
    // does so depends on the sizes each side happens to request: both sides of every ratio
    // keep their memory instead, so the ratios compare the code, not the page faults.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios(ratios);
    benchmark::Shutdown();
}
