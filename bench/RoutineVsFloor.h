#pragma once

// A routine that finds places by text, held against the floor's statement for the same hits:
// the cases of one engine, the check that both answer alike, the pair of benchmarks per case.

#include <QString>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Floor.h"
#include "Platform/Data/DbBackend.h"
#include "Ratios.h"

struct TEngine;

// One text on one engine: the floor's statement and parameters, the routine's inputs.
struct THitCase {
    std::string Name;  // engine/label
    QString FloorSql;
    std::vector<std::string> FloorParams;
    std::vector<TBoundValue> Inputs;
    size_t Hits = 0;
};

struct THitEngine {
    // Opens the floor's connection and describes the routine (of the QXVERPLOCAT package).
    THitEngine(TEngine& e, const std::string& routineName);

    TEngine* Engine = nullptr;
    TRawConnection Floor;  // its own connection to the same database
    TRoutineDesc Routine;
    std::string RoutineName;  // the benchmark's name for it
    std::vector<THitCase> Cases;

    std::vector<TFloorHit> FloorHits(const THitCase& c);
    // The cursor's id and path (the first and the seventh column).
    std::vector<TFloorHit> RoutineHits(const THitCase& c);
    // Sets the case's hits when both answer the same (and find something); throws otherwise.
    void CheckSame(THitCase& c);
    // Keeps the checked case and says on stderr what both found for text, in counted.
    void Add(const THitCase& c, const QString& text, const char* counted);
    // Two benchmarks per case, the floor's named after floorLabel, and their ratio.
    void Register(const std::string& floorLabel, std::vector<TRatioReporter::TRatio>& ratios);
};

// Runs find (which returns how many it read) until the state is done; the run is an error
// when the last call read other than expected.
template <typename Find>
void MeasureCount(benchmark::State& state, size_t expected, const char* shortfall, Find find) {
    size_t count = 0;
    for (auto _ : state) {
        count = find();
        benchmark::DoNotOptimize(count);
    }
    if (count != expected) state.SkipWithError(shortfall);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
}
