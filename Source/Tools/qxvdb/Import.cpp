#include "Tools/qxvdb/Import.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <iterator>
#include <limits>
#include <tuple>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Tools/qxvdb/BulkLoad.h"
#include "Tools/qxvdb/ImportJournal.h"
#include "Tools/qxvdb/Namesakes.h"
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
    QHash<QString, bool> Kinds;         // code kind → its codes are unique
    QHash<QString, qint32> Codes;       // "KIND\tcode" → place, for the kinds the file checks
    qint32 MaxId = 0;
};

QString CodeKey(const QString& kind, const QString& code) { return kind + u'\t' + code; }

// The kinds whose codes the database must be asked about: the unique ones the file gives,
// and the key.
QStringList KindsOf(const std::vector<TPlaceRow>& rows, const QString& key) {
    QStringList kinds;
    if (!key.isEmpty()) kinds << key;
    for (const TPlaceRow& r : rows)
        for (const auto& [kind, code] : r.Codes)
            if (!kinds.contains(kind)) kinds << kind;
    return kinds;
}

void ReadCodes(TRoutines& calls, TDatabase& d, const QStringList& kinds) {
    const QString s = QuotedSchemaName(calls.Schema());
    for (const auto& row :
         calls.Db()
             .Query(QStringLiteral("SELECT KIND, IS_UNIQUE FROM %1.CODE_KIND").arg(s), {})
             .Rows)
        d.Kinds.insert(row[0].toString(), row[1].toInt() == 1);
    const QString select =
        QStringLiteral("SELECT CODE, ID_LOCATION FROM %1.LOCATION_CODE WHERE KIND = :KIND").arg(s);
    for (const QString& kind : kinds) {
        if (!d.Kinds.value(kind)) continue;
        for (const auto& row : calls.Db().Query(select, {{QStringLiteral("KIND"), kind}}).Rows)
            d.Codes.insert(CodeKey(kind, row[0].toString()), row[1].toInt());
    }
}

QString TypeKey(int level, const QString& abbrev) { return QString::number(level) + u'/' + abbrev; }

TDatabase ReadDatabase(TRoutines& calls, const QStringList& kinds) {
    TDatabase d;
    ReadCodes(calls, d, kinds);
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

// Rows named by a code of the key kind get the id of the place holding that code, or a new
// one after every id of the database; their parents are found the same way. Rows that cannot
// be named are refused and left out.
void NameByKey(std::vector<TPlaceRow>& rows, const TDatabase& d, const QString& key,
               std::vector<TBadRow>& bad) {
    if (!d.Kinds.value(key)) {
        bad.push_back({0, QString(),
                       QStringLiteral("--key %1 is not a kind of code that names one place per "
                                      "code (the dictionary's kinds: %2)")
                           .arg(key, QStringList(d.Kinds.keys()).join(QStringLiteral(", ")))});
        rows.clear();
        return;
    }
    const QString word = QStringLiteral("the code ") + key;
    qint32 next = d.MaxId;
    QHash<QString, size_t> byCode;
    std::vector<char> named(rows.size(), 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        TPlaceRow& r = rows[i];
        const QString code = CodeOf(r, key);
        if (code.isEmpty()) {
            bad.push_back(
                {r.Line, word, QStringLiteral("is missing (--key names each place by it)")});
            continue;
        }
        if (const auto it = byCode.constFind(code); it != byCode.constEnd()) {
            bad.push_back(
                {r.Line, word,
                 QStringLiteral("\"%1\" is already on line %2").arg(code).arg(rows[*it].Line)});
            continue;
        }
        byCode.insert(code, i);
        r.Id = d.Codes.value(CodeKey(key, code), 0);
        if (r.Id == 0) r.Id = ++next;
        named[i] = 1;
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        TPlaceRow& r = rows[i];
        if (!named[i] || r.ParentCode.isEmpty()) {
            r.Parent = 0;
            continue;
        }
        if (const auto it = byCode.constFind(r.ParentCode); it != byCode.constEnd())
            r.Parent = rows[*it].Id;
        else if (const qint32 id = d.Codes.value(CodeKey(key, r.ParentCode), 0); id > 0)
            r.Parent = id;
        else {
            bad.push_back({r.Line, QStringLiteral("the parent's code"),
                           QStringLiteral("\"%1\" is neither in the file nor in the database")
                               .arg(r.ParentCode)});
            named[i] = 0;
        }
    }
    size_t kept = 0;
    for (size_t i = 0; i < rows.size(); ++i)
        if (named[i]) {
            if (kept != i) rows[kept] = std::move(rows[i]);
            ++kept;
        }
    rows.resize(kept);
}

// Without a key every row needs its id.
void RequireIds(std::vector<TPlaceRow>& rows, std::vector<TBadRow>& bad) {
    const auto missing = [](const TPlaceRow& r) { return r.Id == 0; };
    for (const TPlaceRow& r : rows)
        if (missing(r))
            bad.push_back({r.Line, QStringLiteral("the id"),
                           QStringLiteral("is missing (--key KIND names places by a code)")});
    rows.erase(std::remove_if(rows.begin(), rows.end(), missing), rows.end());
}

QString PlaceName(TRoutines& calls, qint32 id) {
    return calls.Db()
        .Query(QStringLiteral("SELECT NAME FROM %1.LOCATION WHERE ID = :ID")
                   .arg(QuotedSchemaName(calls.Schema())),
               {{QStringLiteral("ID"), id}})
        .Rows.at(0)
        .at(0)
        .toString();
}

// "line 7: the id 7 is already the place "Северная"", with the ways out.
void ReportCollisions(TRoutines& calls, const std::vector<TPlaceRow>& rows,
                      const std::vector<size_t>& collisions, std::vector<TBadRow>& bad) {
    for (const size_t i : collisions)
        bad.push_back({rows[i].Line, QStringLiteral("the id"),
                       QStringLiteral("%1 is already the place \"%2\" (--new-ids gives the "
                                      "file's places new ids, --existing update moves it)")
                           .arg(rows[i].Id)
                           .arg(PlaceName(calls, rows[i].Id))});
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

// Codes of kinds the dictionary lacks, and a unique code given twice or held by another place.
void CheckCodes(TRoutines& calls, const std::vector<TPlaceRow>& rows,
                const std::vector<TAction>& actions, const TDatabase& d,
                std::vector<TBadRow>& bad) {
    QHash<QString, int> seen;  // "KIND\tcode" → line
    QStringList unknown;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (actions[i] != TAction::Insert && actions[i] != TAction::Update) continue;
        const TPlaceRow& r = rows[i];
        for (const auto& [kind, code] : r.Codes) {
            const QString word = QStringLiteral("the code ") + kind;
            if (!d.Kinds.contains(kind)) {
                if (!unknown.contains(kind))
                    bad.push_back(
                        {r.Line, word, QStringLiteral("is of a kind the dictionary lacks")});
                unknown << kind;
                continue;
            }
            if (!d.Kinds.value(kind)) continue;
            const QString key = CodeKey(kind, code);
            if (const auto it = seen.constFind(key); it != seen.constEnd())
                bad.push_back({r.Line, word,
                               QStringLiteral("\"%1\" is already on line %2").arg(code).arg(*it)});
            else
                seen.insert(key, r.Line);
            if (const qint32 holder = d.Codes.value(key, 0); holder > 0 && holder != r.Id)
                bad.push_back({r.Line, word,
                               QStringLiteral("\"%1\" is already the place \"%2\" (%3)")
                                   .arg(code, PlaceName(calls, holder))
                                   .arg(holder)});
        }
    }
}

// The full name a file gives each abbreviation, for those it creates.
QHash<QString, QString> AbbrevNames(const std::vector<TPlaceRow>& rows) {
    QHash<QString, QString> names;
    for (const TPlaceRow& r : rows)
        if (!r.AbbrevName.isEmpty() && !names.contains(r.Abbrev))
            names.insert(r.Abbrev, r.AbbrevName);
    return names;
}

void CreateMissing(TRoutines& calls, TDatabase& d, const TChecker& checked,
                   const QHash<QString, QString>& fullNames, TImportStats& stats) {
    for (const QString& sname : checked.MissingAbbrevs()) {
        const long long id =
            calls.Result(kLocat, QStringLiteral("INS_T#LOCATABBREV"),
                         {{QStringLiteral("PSNAME"), sname},
                          {QStringLiteral("PNAME"), fullNames.value(sname, sname)}});
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

// A row's codes or names for the update routine; NULL (kept as they are) when it gives none.
QVariant Listed(const TPlacePairs& pairs) {
    return pairs.empty() ? QVariant() : QVariant(EncodePlacePairs(pairs));
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
    TImportJournal journal(calls);
    long long done = 0;
    for (const size_t i : order) {
        const TPlaceRow& r = rows[i];
        const long long type = d.Types.value(TypeKey(r.Level, r.Abbrev));
        if (actions[i] == TAction::Insert) {
            bulk.Add(r.Id, r.Parent, type, r.Name);
            bulk.AddExtras(r.Id, r.Codes, r.Names);
            journal.Added(r.Id, r.Parent, type, r.Name, r.Codes, r.Names);
            ++outcome.Stats.Added;
        } else {
            bulk.Flush();  // a moved place may go below one added just before
            journal.Flush();
            const long long result = calls.Result(
                kLocat, QStringLiteral("UPD_T#LOCATION"),
                {{QStringLiteral("PID"), r.Id},
                 {QStringLiteral("PID_PARENT"), r.Parent > 0 ? QVariant(r.Parent) : QVariant()},
                 {QStringLiteral("PID_LOCATTYPE"), type},
                 {QStringLiteral("PNAME"), r.Name},
                 {QStringLiteral("PCODES"), Listed(r.Codes)},
                 {QStringLiteral("PNAMES"), Listed(r.Names)}});
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
    journal.Finish();
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
    TDatabase d = ReadDatabase(calls, KindsOf(rows, options.Key));
    if (options.Key.isEmpty())
        RequireIds(rows, outcome.Bad);
    else
        NameByKey(rows, d, options.Key, outcome.Bad);
    TChecker checker(rows, d, options, outcome.Bad);
    checker.Run();
    ReportCollisions(calls, rows, checker.Collisions(), outcome.Bad);
    CheckCodes(calls, rows, checker.Actions(), d, outcome.Bad);
    std::stable_sort(outcome.Bad.begin(), outcome.Bad.end(),
                     [](const TBadRow& a, const TBadRow& b) { return a.Line < b.Line; });
    if (!outcome.Bad.empty()) return outcome;
    const std::vector<TAction>& actions = checker.Actions();
    std::vector<bool> written(actions.size());
    for (size_t i = 0; i < actions.size(); ++i)
        written[i] = actions[i] == TAction::Insert || actions[i] == TAction::Update;
    if (options.Namesakes) outcome.Warnings = ListNamesakes(calls, rows, written, options.NewIds);
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
    CreateMissing(calls, d, checker, AbbrevNames(rows), outcome.Stats);
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
                            : QStringLiteral("A.SNAME, L.NAME, A.NAME")) +
           tail;
}

}  // namespace

namespace {

// The codes and names per language of the places of one page, read by id range.
void ReadExtras(IDbConnection& db, const QString& s, long long low, long long high,
                std::vector<TPlaceRow>& page) {
    QHash<qint32, size_t> at;
    for (size_t i = 0; i < page.size(); ++i) at.insert(page[i].Id, i);
    const std::vector<TBoundValue> range = {{QStringLiteral("LOW"), low},
                                            {QStringLiteral("HIGH"), high}};
    for (const auto& [table, column, codes] : {std::tuple{"LOCATION_CODE", "KIND, CODE", true},
                                               std::tuple{"LOCATION_NAME", "LANG, NAME", false}}) {
        const TRowSet rows = db.Query(
            QStringLiteral("SELECT ID_LOCATION, %3 FROM %1.%2 WHERE ID_LOCATION >= :LOW AND "
                           "ID_LOCATION < :HIGH ORDER BY 1, 2")
                .arg(s, QString::fromLatin1(table), QString::fromLatin1(column)),
            range);
        for (const auto& r : rows.Rows)
            if (const auto it = at.constFind(r[0].toInt()); it != at.constEnd())
                (codes ? page[*it].Codes : page[*it].Names)
                    .emplace_back(r[1].toString(), r[2].toString());
    }
}

// Each row's parent's code of the key kind; a place without a code of that kind cannot be
// named in such a file.
void NameParentsByKey(std::vector<TPlaceRow>& places, const QString& key) {
    QHash<qint32, QString> codeOf;
    for (const TPlaceRow& r : places) {
        const QString code = CodeOf(r, key);
        if (code.isEmpty())
            throw EOraError::Make(OraCode::UserDefined,
                                  QStringLiteral("the place %1 \"%2\" has no code %3 to name it by")
                                      .arg(r.Id)
                                      .arg(r.Name, key));
        codeOf.insert(r.Id, code);
    }
    for (TPlaceRow& r : places) r.ParentCode = r.Parent > 0 ? codeOf.value(r.Parent) : QString();
}

}  // namespace

std::vector<TPlaceRow> ExportPlaces(TRoutines& calls, const QString& key) {
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
    std::vector<TPlaceRow> page;
    for (long long low = first; low <= last; low += width) {
        const TRowSet rows =
            db.Query(select, {{QStringLiteral("LOW"), low}, {QStringLiteral("HIGH"), low + width}});
        page.clear();
        for (const auto& r : rows.Rows) {
            TPlaceRow row;
            row.Id = r[0].toInt();
            row.Parent = r[1].toInt();
            row.Level = r[2].toInt();
            row.Abbrev = r[3].toString();
            row.Name = r[4].toString();
            row.AbbrevName = r[5].toString();
            page.push_back(std::move(row));
        }
        ReadExtras(db, s, low, low + width, page);
        for (TPlaceRow& row : page) {
            const int level = std::clamp(row.Level, 0, kMaxLevel);
            byLevel[static_cast<size_t>(level)].push_back(std::move(row));
        }
    }
    // By level, then id: parents before their children.
    std::vector<TPlaceRow> places;
    places.reserve(static_cast<size_t>(count));
    for (auto& level : byLevel) {
        std::move(level.begin(), level.end(), std::back_inserter(places));
        level = {};
    }
    if (!key.isEmpty()) NameParentsByKey(places, key);
    return places;
}

void ExportPlacesCsv(TRoutines& calls, QIODevice& to, const QString& key) {
    // The engine's own CSV output is the CSV writer's, byte for byte, for the five plain
    // columns: an empty text comes as NULL (see ExportSelect), and with five columns no row is
    // a lone "\." that the engine would quote. Places with more to say go the long way.
    const QString s = QuotedSchemaName(calls.Schema());
    const bool plain =
        key.isEmpty() &&
        calls.Db()
            .Query(QStringLiteral("SELECT 1 FROM %1.LOCATION_CODE UNION ALL SELECT 1 FROM "
                                  "%1.LOCATION_NAME UNION ALL SELECT 1 FROM %1.LOCATABBREV A "
                                  "WHERE A.NAME <> A.SNAME AND EXISTS (SELECT 1 FROM "
                                  "%1.LOCATTYPE T JOIN %1.LOCATION L ON L.ID_LOCATTYPE = T.ID "
                                  "WHERE T.ID_ABBREV = A.ID) LIMIT 1")
                       .arg(s),
                   {})
            .Rows.empty();
    if (!plain) return WritePlaces(ExportPlaces(calls, key), false, to, key);
    WriteCsvHeader(to);
    const bool streamed = calls.Db().CopyOut(
        ExportSelect(calls.Schema(), true, QStringLiteral("ORDER BY T.LEVEL_NO, L.ID")),
        [&](const char* data, qsizetype size) { to.write(data, size); });
    if (!streamed) WriteCsvRows(ExportPlaces(calls), to);
}
