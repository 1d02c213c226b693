// Opening a place with 100,000 children (--children=N for another count) in the location
// window's tree as a user does, the window shown: the node expanded, its children fetched and
// sorted on a worker thread and shown a chunk per turn of the event loop. Against the floor
// (the engine's C API reading the same rows and a bare QTreeWidget taking them in one
// insertion and sort) and the same tree loading the node in one go. Besides the time until
// every child is shown it reports the longest time the event loop was held up
// (longest_block_ms; goal: under 200 ms) and when the first children were on the screen
// (first_screen_ms). On each engine in one run; PostgreSQL when QXV_PG_DSN names a server.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "Arguments.h"
#include "TreeWindow.h"

namespace {

struct TOpening {
    double TotalMs = 0;
    double LongestBlockMs = 0;
    double FirstScreenMs = 0;
};

// The node closed and unfetched again, as the window first shows it.
void Reset(TTreeWindow& w) {
    w.Locations->StopLoads();
    w.Wide->setExpanded(false);
    qDeleteAll(w.Wide->takeChildren());
    w.Wide->addChild(new TObjectNode);
    w.Wide->ChildrenLoaded = false;
    QCoreApplication::processEvents();
}

// Expands the node and runs the event loop until every child is shown, timing the gaps
// between turns of the loop with a 1 ms heartbeat.
TOpening OpenAsAUser(TTreeWindow& w) {
    TObjectNode* wide = w.Wide;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    qint64 first = -1;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
        if (first < 0 && wide->childCount() > 1) first = now;
    });
    heartbeat.start();
    clock.start();
    wide->setExpanded(true);
    while (w.Locations->IsLoading(wide))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 end = clock.nsecsElapsed();
    longest = std::max(longest, end - last);
    QCoreApplication::processEvents();  // the last paint
    return {end / 1e6, longest / 1e6, (first < 0 ? end : first) / 1e6};
}

void Register(TEngine* e, TTreeWindow* w, TBareTree* floor,
              std::vector<TRatioReporter::TRatio>& ratios) {
    const std::string bare = e->Name + "/raw select + bare tree (floor)";
    const std::string block = e->Name + "/expand in one go";
    const std::string user = e->Name + "/open as a user (until every child is shown)";
    const int count = e->Count;
    benchmark::RegisterBenchmark(bare.c_str(), [=](benchmark::State& s) {
        for (auto _ : s) floor->Expand(*e);
        if (floor->Node->childCount() != count)
            s.SkipWithError("the bare tree did not get every child");
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(block.c_str(), [=](benchmark::State& s) {
        for (auto _ : s) w->Locations->LoadChildren(w->Wide, true);
        if (w->Wide->childCount() != count) s.SkipWithError("the node did not get every child");
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(user.c_str(),
                                 [=](benchmark::State& s) {
                                     double longest = 0;
                                     double first = 0;
                                     for (auto _ : s) {
                                         s.PauseTiming();
                                         Reset(*w);
                                         s.ResumeTiming();
                                         const TOpening o = OpenAsAUser(*w);
                                         s.SetIterationTime(o.TotalMs / 1000);
                                         longest = std::max(longest, o.LongestBlockMs);
                                         first = std::max(first, o.FirstScreenMs);
                                     }
                                     if (w->Wide->childCount() != count || !w->Wide->ChildrenLoaded)
                                         s.SkipWithError("the node did not get every child");
                                     s.counters["longest_block_ms"] = longest;
                                     s.counters["first_screen_ms"] = first;
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    ratios.push_back({block, bare});
    ratios.push_back({user + "/manual_time", bare});
}

}  // namespace

int main(int argc, char** argv) {
    const int children = TakeCount(argc, argv, "--children=", 100000);
    return RunTreeBenchmarks(argc, argv, children, true, Register);
}
