#include "Tools/qxvdb/Import.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <iterator>
#include <limits>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Platform/PlaceCaption.h"
#include "Tools/qxvdb/BulkLoad.h"
#include "Tools/qxvdb/Progress.h"
#include "Tools/qxvdb/Routines.h"

namespace {

const QString kLocat = QStringLiteral("QXVERPLOCAT");
constexpr int kExportPage = 5000;

enum class TAction : char { Insert, Update, Skip, Refused };

struct TExisting {
    qint32 Parent = 0;
    int Level = 0;
    bool HasChildren = false;
};

// What the database holds before the import.
struct TDatabase {
    QHash<qint32, TExisting> Places;
    QHash<QString, long long> Abbrevs;  // short name → id
    QHash<QString, long long> Types;    // "level/short name" → id
    qint32 MaxId = 0;
};

QString TypeKey(int level, const QString& abbrev) { return QString::number(level) + u'/' + abbrev; }

TDatabase ReadDatabase(TRoutines& calls) {
    TDatabase d;
    const QString s = QuotedSchemaName(calls.Schema());
    const TRowSet places =
        calls.Db().Query(QStringLiteral("SELECT L.ID, L.ID_PARENT, T.LEVEL_NO FROM %1.LOCATION L "
                                        "JOIN %1.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE")
                             .arg(s),
                         {});
    d.Places.reserve(static_cast<qsizetype>(places.Rows.size()));
    for (const auto& row : places.Rows) {
        d.Places.insert(row[0].toInt(), {row[1].toInt(), row[2].toInt(), false});
        d.MaxId = std::max(d.MaxId, row[0].toInt());
    }
    for (const auto& row : places.Rows)
        if (const auto it = d.Places.find(row[1].toInt()); it != d.Places.end())
            it->HasChildren = true;

    const TRowSet abbrevs =
        calls.Rows(kLocat, QStringLiteral("GET_T#LOCATABBREV"), {{QStringLiteral("PID"), -1}});
    const int aId = ColumnIndex(abbrevs, QStringLiteral("ID"));
    const int aName = ColumnIndex(abbrevs, QStringLiteral("SNAME"));
    for (const auto& row : abbrevs.Rows)
        d.Abbrevs.insert(row[aName].toString(), row[aId].toLongLong());
    const TRowSet types =
        calls.Rows(kLocat, QStringLiteral("GET_T#LOCATTYPE"), {{QStringLiteral("PID"), -1}});
    const int tId = ColumnIndex(types, QStringLiteral("ID"));
    const int tLevel = ColumnIndex(types, QStringLiteral("LEVEL#"));
    const int tName = ColumnIndex(types, QStringLiteral("SNAME"));
    for (const auto& row : types.Rows)
        d.Types.insert(TypeKey(row[tLevel].toInt(), row[tName].toString()), row[tId].toLongLong());
    return d;
}

// The checks, over the file and the database together.
class TChecker {
public:
    TChecker(const std::vector<TPlaceRow>& rows, const TDatabase& db, const TImportOptions& o,
             std::vector<TBadRow>& bad)
        : FRows(rows),
          FDb(db),
          FOptions(o),
          FBad(bad),
          FAction(rows.size(), TAction::Insert),
          FCollides(rows.size(), false) {}

    void Run() {
        IndexIds();
        CheckParents();
        CheckCycles();
        CheckLevels();
        CheckTypes();
    }

    const std::vector<TAction>& Actions() const { return FAction; }
    const QStringList& MissingAbbrevs() const { return FMissingAbbrevs; }
    const QStringList& MissingTypes() const { return FMissingTypes; }
    // Rows whose id the database holds as another place: refused, still part of the file's
    // tree for the checks of the rows below them, so the collision is their only fault.
    std::vector<size_t> Collisions() const {
        std::vector<size_t> rows;
        for (size_t i = 0; i < FCollides.size(); ++i)
            if (FCollides[i]) rows.push_back(i);
        return rows;
    }

private:
    void Refuse(size_t i, const QString& field, const QString& text) {
        FBad.push_back({FRows[i].Line, field, text});
        FAction[i] = TAction::Refused;
    }
    bool Written(size_t i) const {
        return FAction[i] == TAction::Insert || FAction[i] == TAction::Update;
    }
    bool InFileTree(size_t i) const { return Written(i) || FCollides[i]; }

    void IndexIds() {
        FIndex.reserve(static_cast<qsizetype>(FRows.size()));
        for (size_t i = 0; i < FRows.size(); ++i) {
            if (const auto it = FIndex.constFind(FRows[i].Id); it != FIndex.constEnd()) {
                Refuse(i, QStringLiteral("the id"),
                       QStringLiteral("%1 is already on line %2")
                           .arg(FRows[i].Id)
                           .arg(FRows[*it].Line));
                continue;
            }
            FIndex.insert(FRows[i].Id, i);
            if (!FOptions.NewIds) ClassifyExisting(i);
        }
    }

    // A row whose id the database holds: updated, skipped as the same place imported
    // before, or a collision with another place when it sits elsewhere in the tree.
    void ClassifyExisting(size_t i) {
        const auto it = FDb.Places.constFind(FRows[i].Id);
        if (it == FDb.Places.constEnd()) return;
        if (FOptions.Update)
            FAction[i] = TAction::Update;
        else if (it->Parent == FRows[i].Parent && it->Level == FRows[i].Level)
            FAction[i] = TAction::Skip;
        else {
            FAction[i] = TAction::Refused;
            FCollides[i] = true;
        }
    }

    void CheckParents() {
        for (size_t i = 0; i < FRows.size(); ++i) {
            const qint32 p = FRows[i].Parent;
            if (!Written(i) || p == 0 || FIndex.contains(p) || FDb.Places.contains(p)) continue;
            Refuse(i, QStringLiteral("the parent"),
                   QStringLiteral("%1 is neither in the file nor in the database").arg(p));
        }
    }

    // Where a place hangs once the import is done: the file's parent for rows it writes,
    // the database's for the others.
    qint32 ParentOf(qint32 id) const {
        if (const auto it = FIndex.constFind(id); it != FIndex.constEnd() && InFileTree(*it))
            return FRows[*it].Parent;
        if (const auto it = FDb.Places.constFind(id); it != FDb.Places.constEnd())
            return it->Parent;
        return 0;
    }

    void CheckCycles() {
        enum : char { OnPath = 1, Done = 2 };
        QHash<qint32, char> state;
        std::vector<qint32> path;
        for (size_t i = 0; i < FRows.size(); ++i) {
            if (!Written(i) || state.value(FRows[i].Id) == Done) continue;
            path.clear();
            for (qint32 x = FRows[i].Id; x != 0; x = ParentOf(x)) {
                const char s = state.value(x);
                if (s == Done) break;
                if (s == OnPath) {
                    ReportCycle(
                        std::vector<qint32>(std::find(path.begin(), path.end(), x), path.end()));
                    break;
                }
                state.insert(x, OnPath);
                path.push_back(x);
            }
            for (const qint32 x : path) state.insert(x, Done);
        }
    }

    void ReportCycle(const std::vector<qint32>& cycle) {
        QStringList chain;
        for (const qint32 x : cycle) chain << QString::number(x);
        chain << QString::number(cycle.front());
        const QString text =
            QStringLiteral("makes a cycle: %1").arg(chain.join(QStringLiteral(" → ")));
        for (const qint32 x : cycle)
            if (const auto it = FIndex.constFind(x); it != FIndex.constEnd() && Written(*it))
                Refuse(*it, QStringLiteral("the parent"), text);
    }

    int LevelOf(qint32 id) const {
        if (const auto it = FIndex.constFind(id); it != FIndex.constEnd() && InFileTree(*it))
            return FRows[*it].Level;
        return FDb.Places.value(id).Level;
    }

    void CheckLevels() {
        for (size_t i = 0; i < FRows.size(); ++i) {
            if (!Written(i)) continue;
            const TPlaceRow& r = FRows[i];
            const int expected = r.Parent == 0 ? 1 : LevelOf(r.Parent) + 1;
            if (r.Level != expected) {
                Refuse(i, QStringLiteral("the level"),
                       r.Parent == 0
                           ? QStringLiteral("%1 is not 1, the level of a place at the top")
                                 .arg(r.Level)
                           : QStringLiteral("%1 does not follow the parent's level %2 "
                                            "(expected %3)")
                                 .arg(r.Level)
                                 .arg(expected - 1)
                                 .arg(expected));
                continue;
            }
            if (FAction[i] != TAction::Update) continue;
            const TExisting& old = FDb.Places[r.Id];
            if (old.HasChildren && old.Level != r.Level)
                Refuse(i, QStringLiteral("the level"),
                       QStringLiteral("%1 differs from %2, the level of place %3, which has "
                                      "places below it")
                           .arg(r.Level)
                           .arg(old.Level)
                           .arg(r.Id));
        }
    }

    void CheckTypes() {
        for (size_t i = 0; i < FRows.size(); ++i) {
            if (!Written(i)) continue;
            const TPlaceRow& r = FRows[i];
            const QString key = TypeKey(r.Level, r.Abbrev);
            if (FDb.Types.contains(key) || FMissingTypes.contains(key)) continue;
            const bool known = FDb.Abbrevs.contains(r.Abbrev);
            if (!FOptions.CreateMissing) {
                Refuse(i, QStringLiteral("the abbreviation"),
                       known ? QStringLiteral("\"%1\" is not a type of level %2 "
                                              "(--create-missing adds it)")
                                   .arg(r.Abbrev)
                                   .arg(r.Level)
                             : QStringLiteral("\"%1\" is not in the dictionary "
                                              "(--create-missing adds it)")
                                   .arg(r.Abbrev));
                continue;
            }
            if (!known && !FMissingAbbrevs.contains(r.Abbrev)) FMissingAbbrevs << r.Abbrev;
            FMissingTypes << key;
        }
    }

    const std::vector<TPlaceRow>& FRows;
    const TDatabase& FDb;
    const TImportOptions& FOptions;
    std::vector<TBadRow>& FBad;
    std::vector<TAction> FAction;
    std::vector<bool> FCollides;
    QHash<qint32, size_t> FIndex;
    QStringList FMissingAbbrevs;
    QStringList FMissingTypes;
};

// "line 7: the id 7 is already the place "обл. Северная"", with the ways out.
void ReportCollisions(TRoutines& calls, const std::vector<TPlaceRow>& rows,
                      const std::vector<size_t>& collisions, std::vector<TBadRow>& bad) {
    if (collisions.empty()) return;
    const QString select =
        QStringLiteral("SELECT A.SNAME, L.NAME FROM %1.LOCATION L "
                       "JOIN %1.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE "
                       "JOIN %1.LOCATABBREV A ON A.ID = T.ID_ABBREV WHERE L.ID = :ID")
            .arg(QuotedSchemaName(calls.Schema()));
    for (const size_t i : collisions) {
        const TRowSet place = calls.Db().Query(select, {{QStringLiteral("ID"), rows[i].Id}});
        const QString caption =
            place.Rows.empty()
                ? QString()
                : PlaceCaption(place.Rows[0][0].toString(), QStringLiteral(". "),
                               place.Rows[0][1].toString());
        bad.push_back({rows[i].Line, QStringLiteral("the id"),
                       QStringLiteral("%1 is already the place \"%2\" (--new-ids gives the "
                                      "file's places new ids, --existing update moves it)")
                           .arg(rows[i].Id)
                           .arg(caption)});
    }
}

// Every row a new place numbered after the database's highest id, in the file's order; a
// parent the file holds is renumbered with it, one only the database holds stays.
void Renumber(std::vector<TPlaceRow>& rows, qint32 maxId) {
    if (static_cast<long long>(maxId) + static_cast<long long>(rows.size()) >
        std::numeric_limits<qint32>::max())
        throw EOraError::Make(20001, QStringLiteral("no new ids are left above %1").arg(maxId));
    QHash<qint32, qint32> fresh;
    fresh.reserve(static_cast<qsizetype>(rows.size()));
    for (const TPlaceRow& r : rows) fresh.insert(r.Id, ++maxId);
    for (TPlaceRow& r : rows) {
        r.Id = fresh.value(r.Id);
        if (r.Parent != 0) r.Parent = fresh.value(r.Parent, r.Parent);
    }
}

void CreateMissing(TRoutines& calls, TDatabase& d, const TChecker& checked, TImportStats& stats) {
    for (const QString& sname : checked.MissingAbbrevs()) {
        const long long id =
            calls.Result(kLocat, QStringLiteral("INS_T#LOCATABBREV"),
                         {{QStringLiteral("PSNAME"), sname}, {QStringLiteral("PNAME"), sname}});
        if (id <= 0)
            throw EOraError::Make(
                20001, QStringLiteral("the abbreviation \"%1\" cannot be created").arg(sname));
        d.Abbrevs.insert(sname, id);
        ++stats.Abbreviations;
    }
    for (const QString& key : checked.MissingTypes()) {
        const int level = key.section(u'/', 0, 0).toInt();
        const QString sname = key.section(u'/', 1);
        const long long id = calls.Result(kLocat, QStringLiteral("INS_T#LOCATTYPE"),
                                          {{QStringLiteral("PLEVEL#"), level},
                                           {QStringLiteral("PID_ABBREV"), d.Abbrevs.value(sname)}});
        if (id <= 0)
            throw EOraError::Make(
                20001,
                QStringLiteral("level %1 of \"%2\" cannot be created").arg(level).arg(sname));
        d.Types.insert(key, id);
        ++stats.Levels;
    }
}

void Write(TRoutines& calls, const std::vector<TPlaceRow>& rows,
           const std::vector<TAction>& actions, const TDatabase& d, TImportOutcome& outcome,
           TProgress& progress) {
    // Parents first: a place's level is its depth.
    std::vector<size_t> order;
    order.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        if (actions[i] == TAction::Insert || actions[i] == TAction::Update) order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return rows[a].Level < rows[b].Level; });

    progress.Start(QStringLiteral("importing"), static_cast<long long>(order.size()));
    TBulkInsert bulk(calls.Db(), calls.Schema());
    long long done = 0;
    for (const size_t i : order) {
        const TPlaceRow& r = rows[i];
        const long long type = d.Types.value(TypeKey(r.Level, r.Abbrev));
        if (actions[i] == TAction::Insert) {
            bulk.Add(r.Id, r.Parent, type, r.Name);
            ++outcome.Stats.Added;
        } else {
            bulk.Flush();  // a moved place may go below one added just before
            const long long result = calls.Result(
                kLocat, QStringLiteral("UPD_T#LOCATION"),
                {{QStringLiteral("PID"), r.Id},
                 {QStringLiteral("PID_PARENT"), r.Parent > 0 ? QVariant(r.Parent) : QVariant()},
                 {QStringLiteral("PID_LOCATTYPE"), type},
                 {QStringLiteral("PNAME"), r.Name}});
            if (result <= 0) {
                outcome.Bad.push_back(
                    {r.Line, QString(),
                     QStringLiteral("the database refused to update place %1").arg(r.Id)});
                return;
            }
            ++outcome.Stats.Updated;
        }
        progress.Advance(++done - bulk.Pending());
    }
    bulk.Finish();
    progress.Advance(done);
    progress.Done();
}

}  // namespace

void BeginImport(TRoutines& calls) {
    IDbConnection& db = calls.Db();
    db.StartWriteTransaction(calls.Schema());  // the embedded engine's write lock is its tree lock
    if (db.Scheme() != QLatin1String("postgresql")) return;
    try {
        db.Query(QStringLiteral("SELECT set_config('lock_timeout', :WAIT, true) "
                                "WHERE current_setting('lock_timeout') = '0'"),
                 {{QStringLiteral("WAIT"), QStringLiteral("5s")}});
        db.Query(QStringLiteral("SELECT %1.lock_tree(:TREE)").arg(QuotedSchemaName(calls.Schema())),
                 {{QStringLiteral("TREE"), QStringLiteral("location")}});
    } catch (...) {
        db.Rollback();
        throw;
    }
}

TImportOutcome ImportPlaces(TRoutines& calls, std::vector<TPlaceRow> rows,
                            std::vector<TBadRow> readFaults, const TImportOptions& options,
                            TProgress& progress) {
    TImportOutcome outcome;
    outcome.Bad = std::move(readFaults);
    TDatabase d = ReadDatabase(calls);
    TChecker checker(rows, d, options, outcome.Bad);
    checker.Run();
    ReportCollisions(calls, rows, checker.Collisions(), outcome.Bad);
    std::stable_sort(outcome.Bad.begin(), outcome.Bad.end(),
                     [](const TBadRow& a, const TBadRow& b) { return a.Line < b.Line; });
    if (!outcome.Bad.empty()) return outcome;
    const std::vector<TAction>& actions = checker.Actions();
    outcome.Stats.Skipped =
        static_cast<int>(std::count(actions.begin(), actions.end(), TAction::Skip));
    if (options.DryRun) {
        for (const TAction a : actions) {
            outcome.Stats.Added += a == TAction::Insert;
            outcome.Stats.Updated += a == TAction::Update;
        }
        outcome.Stats.Abbreviations = static_cast<int>(checker.MissingAbbrevs().size());
        outcome.Stats.Levels = static_cast<int>(checker.MissingTypes().size());
        return outcome;
    }
    CreateMissing(calls, d, checker, outcome.Stats);
    if (options.NewIds) Renumber(rows, d.MaxId);
    Write(calls, rows, actions, d, outcome, progress);
    return outcome;
}

namespace {

// The places with their levels and abbreviations; `tail` narrows and orders them. For the
// engine's own CSV output an empty text becomes NULL, which it writes as the CSV writer writes
// both: as an empty field.
QString ExportSelect(const QString& schema, bool forCopy, const QString& tail) {
    return QStringLiteral(
               "SELECT L.ID, L.ID_PARENT, T.LEVEL_NO, %2 FROM %1.LOCATION L "
               "JOIN %1.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE "
               "JOIN %1.LOCATABBREV A ON A.ID = T.ID_ABBREV ")
               .arg(QuotedSchemaName(schema),
                    forCopy ? QStringLiteral("NULLIF(A.SNAME, ''), NULLIF(L.NAME, '')")
                            : QStringLiteral("A.SNAME, L.NAME")) +
           tail;
}

}  // namespace

std::vector<TPlaceRow> ExportPlaces(TRoutines& calls) {
    const QString s = QuotedSchemaName(calls.Schema());
    IDbConnection& db = calls.Db();
    const TRowSet span =
        db.Query(QStringLiteral("SELECT MIN(ID), MAX(ID), COUNT(*) FROM %1.LOCATION").arg(s), {});
    const long long first = span.Rows.at(0).at(0).toLongLong();
    const long long last = span.Rows.at(0).at(1).toLongLong();
    const long long count = span.Rows.at(0).at(2).toLongLong();
    if (count == 0) return {};
    // Ranges of ids holding about a page each: the engine's rows of one range at a time are
    // far smaller than the whole directory's, and each range is one index scan.
    const long long width =
        std::max<long long>(kExportPage, (last - first + 1) * kExportPage / count);
    const QString select = ExportSelect(
        calls.Schema(), false, QStringLiteral("WHERE L.ID >= :LOW AND L.ID < :HIGH ORDER BY L.ID"));
    std::vector<std::vector<TPlaceRow>> byLevel(kMaxLevel + 1);
    for (long long low = first; low <= last; low += width) {
        const TRowSet rows =
            db.Query(select, {{QStringLiteral("LOW"), low}, {QStringLiteral("HIGH"), low + width}});
        for (const auto& r : rows.Rows) {
            const int level = std::clamp(r[2].toInt(), 0, kMaxLevel);
            byLevel[static_cast<size_t>(level)].push_back(
                {r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toString(), r[4].toString(), 0});
        }
    }
    // By level, then id: parents before their children.
    std::vector<TPlaceRow> places;
    places.reserve(static_cast<size_t>(count));
    for (auto& level : byLevel) {
        std::move(level.begin(), level.end(), std::back_inserter(places));
        level = {};
    }
    return places;
}

void ExportPlacesCsv(TRoutines& calls, QIODevice& to) {
    WriteCsvHeader(to);
    // The engine's own CSV output is the CSV writer's, byte for byte, for these columns: an
    // empty text comes as NULL (see ExportSelect), and with five columns no row is a lone "\."
    // that the engine would quote.
    const bool streamed = calls.Db().CopyOut(
        ExportSelect(calls.Schema(), true, QStringLiteral("ORDER BY T.LEVEL_NO, L.ID")),
        [&](const char* data, qsizetype size) { to.write(data, size); });
    if (!streamed) WriteCsvRows(ExportPlaces(calls), to);
}
