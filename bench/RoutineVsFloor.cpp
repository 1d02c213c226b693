#include "RoutineVsFloor.h"

#include <cstdio>
#include <stdexcept>

#include "WideNode.h"

namespace {

QString Describe(const std::vector<TFloorHit>& hits) {
    QString text;
    for (size_t i = 0; i < hits.size() && i < 5; ++i)
        text +=
            QStringLiteral("\n    %1 %2").arg(hits[i].Id).arg(QString::fromStdString(hits[i].Path));
    return text;
}

constexpr const char* kOtherCount = "a different number of hits";

}  // namespace

// PostgreSQL would compile the plan of a floor's recursive statement to machine code first,
// which costs more than the statement itself.
THitEngine::THitEngine(TEngine& e, const std::string& routineName)
    : Engine(&e),
      Floor(OpenFloor(e, "-c jit=off")),
      Routine(e.Db->Describe(e.Schema, QStringLiteral("QXVERPLOCAT"),
                             QString::fromStdString(routineName))),
      RoutineName(routineName) {}

std::vector<TFloorHit> THitEngine::FloorHits(const THitCase& c) {
    return Floor.Hits(c.FloorSql, c.FloorParams);
}

std::vector<TFloorHit> THitEngine::RoutineHits(const THitCase& c) {
    std::vector<TFloorHit> hits;
    const TRowSet rows = *Engine->Db->Call(Routine, c.Inputs).Cursor;
    for (const TRowView row : rows.Rows)
        hits.push_back({row[0].toLongLong(), row[6].toString().toStdString()});
    return hits;
}

void THitEngine::CheckSame(THitCase& c) {
    const std::vector<TFloorHit> floor = FloorHits(c), routine = RoutineHits(c);
    if (floor.empty() || floor != routine)
        throw std::runtime_error(
            QStringLiteral("%1: %2 and the floor differ (%3 and %4 hits):%5\n  ---%6")
                .arg(QString::fromStdString(c.Name), QString::fromStdString(RoutineName))
                .arg(routine.size())
                .arg(floor.size())
                .arg(Describe(routine), Describe(floor))
                .toStdString());
    c.Hits = floor.size();
}

void THitEngine::Add(const THitCase& c, const QString& text, const char* counted) {
    Cases.push_back(c);
    std::fprintf(stderr, "%s: \"%s\", %zu %s, the same from both\n", c.Name.c_str(),
                 text.toUtf8().constData(), c.Hits, counted);
}

void THitEngine::Register(const std::string& floorLabel,
                          std::vector<TRatioReporter::TRatio>& ratios) {
    for (const THitCase& c : Cases) {
        const THitCase* p = &c;
        const std::string raw = c.Name + '/' + floorLabel;
        const std::string routine = c.Name + '/' + RoutineName;
        benchmark::RegisterBenchmark(raw.c_str(), [this, p](benchmark::State& st) {
            MeasureCount(st, p->Hits, kOtherCount, [&] { return FloorHits(*p).size(); });
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(routine.c_str(), [this, p](benchmark::State& st) {
            MeasureCount(st, p->Hits, kOtherCount,
                         [&] { return Engine->Db->Call(Routine, p->Inputs).Cursor->Rows.size(); });
        })->Unit(benchmark::kMillisecond);
        ratios.push_back({routine, raw});
    }
}
