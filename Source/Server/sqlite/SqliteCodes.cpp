// Codes of places and their names per language on the embedded server (package QXVERPLOCAT).
// A place's codes or names are written as a whole: the list sent replaces the place's own.

#include <QRegularExpression>

#include "Platform/Data/EOraError.h"
#include "Platform/PlacePairs.h"
#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

namespace {

using Ctx = TSqliteRoutineContext;
using TF = TFieldType;

constexpr int kMaxCodeLength = 64;
constexpr int kMaxNameLength = 255;

[[noreturn]] void Refuse(const char* phrase, const QString& details) {
    throw EOraError::Make(OraCode::PlaceDataRefused,
                          QString::fromUtf8(phrase) + QStringLiteral(": ") + details);
}

bool PlaceExists(Ctx& ctx, const QString& s, long long id) {
    return Exists(ctx, Sql(s, "SELECT 1 FROM {S}.LOCATION WHERE ID = :ID"), {{"ID", id}});
}

bool HasBreak(const QString& text) {
    return text.contains(u'\t') || text.contains(u'\n') || text.contains(u'\r');
}

void CheckCode(Ctx& ctx, const QString& s, long long id, const QString& kind, const QString& code) {
    const QVariant unique = Scalar(
        ctx, Sql(s, "SELECT IS_UNIQUE FROM {S}.CODE_KIND WHERE KIND = :KIND"), {{"KIND", kind}});
    if (unique.isNull()) Refuse("Неизвестный вид кода", kind);
    if (code.trimmed().isEmpty() || HasBreak(code)) Refuse("Пустой код", kind);
    RequireLength(QStringLiteral("CODE"), code.size(), kMaxCodeLength);
    if (unique.toLongLong() != 1) return;
    const TRowSet other =
        ctx.Query(Sql(s,
                      "SELECT L.ID, L.NAME FROM {S}.LOCATION_CODE C JOIN {S}.LOCATION L ON L.ID = "
                      "C.ID_LOCATION WHERE C.CODE = :CODE AND C.KIND = :KIND AND C.ID_LOCATION "
                      "<> :ID LIMIT 1"),
                  {{"CODE", code}, {"KIND", kind}, {"ID", id}});
    if (!other.Rows.empty())
        Refuse("Код принадлежит другому местоположению",
               QStringLiteral("%1 %2, «%3» (%4)")
                   .arg(kind, code, other.Rows[0][1].toString(), other.Rows[0][0].toString()));
}

void CheckName(const QString& lang, const QString& name) {
    static const QRegularExpression twoLetters(QStringLiteral("^[A-Z]{2}$"));
    if (!twoLetters.match(lang).hasMatch()) Refuse("Неизвестный язык имени", lang);
    if (name.trimmed().isEmpty() || HasBreak(name)) Refuse("Пустое имя на языке", lang);
    RequireLength(QStringLiteral("NAME"), name.size(), kMaxNameLength);
}

TCallResult GetCodeKinds(Ctx& ctx, const QString& s, const TSqliteInputs&) {
    const bool english = NameLanguage(ctx, s) == QLatin1String("EN");
    return Rows(
        ctx.Query(Sql(s, english ? "SELECT KIND, COALESCE(NAME_EN, KIND) AS NAME, IS_UNIQUE "
                                   "FROM {S}.CODE_KIND ORDER BY KIND"
                                 : "SELECT KIND, COALESCE(NAME_RU, KIND) AS NAME, IS_UNIQUE "
                                   "FROM {S}.CODE_KIND ORDER BY KIND"),
                  {}),
        {TF::String, TF::String, TF::Integer});
}

TCallResult GetLocationCodes(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    return Rows(ctx.Query(Sql(s,
                              "SELECT KIND, CODE FROM {S}.LOCATION_CODE WHERE ID_LOCATION = :ID "
                              "ORDER BY KIND, CODE"),
                          {{"ID", IdValue(in.Id("PID"))}}),
                {TF::String, TF::String});
}

TCallResult GetLocationNames(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    return Rows(ctx.Query(Sql(s,
                              "SELECT LANG, NAME FROM {S}.LOCATION_NAME WHERE ID_LOCATION = :ID "
                              "ORDER BY LANG"),
                          {{"ID", IdValue(in.Id("PID"))}}),
                {TF::String, TF::String});
}

TCallResult SetCodes(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {3});
    const auto id = in.Id("PID");
    if (!id || !PlaceExists(ctx, s, *id)) return Result(-1);
    JournalOne(ctx, s, TJournalKind::Place, "EDIT", *id,
               [&] { ReplacePlaceCodes(ctx, s, *id, in.Value("PCODES")); });
    return Result(1);
}

TCallResult SetNames(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {3});
    const auto id = in.Id("PID");
    if (!id || !PlaceExists(ctx, s, *id)) return Result(-1);
    JournalOne(ctx, s, TJournalKind::Place, "EDIT", *id,
               [&] { ReplacePlaceNames(ctx, s, *id, in.Value("PNAMES")); });
    return Result(1);
}

void Add(const char* routine, std::vector<TParamDesc> params, TSqliteRoutineBody body) {
    AddRoutine(QStringLiteral("QXVERPLOCAT"), routine, std::move(params), std::move(body));
}

}  // namespace

void ReplacePlaceCodes(Ctx& ctx, const QString& s, long long id, const QVariant& list) {
    if (list.isNull()) return;
    const TPlacePairs codes = DecodePlacePairs(list.toString());
    for (const auto& [kind, code] : codes) CheckCode(ctx, s, id, kind, code);
    ctx.Execute(Sql(s, "DELETE FROM {S}.LOCATION_CODE WHERE ID_LOCATION = :ID"), {{"ID", id}});
    for (const auto& [kind, code] : codes)
        ctx.Execute(Sql(s,
                        "INSERT OR IGNORE INTO {S}.LOCATION_CODE (ID_LOCATION, KIND, CODE) VALUES "
                        "(:ID, :KIND, :CODE)"),
                    {{"ID", id}, {"KIND", kind}, {"CODE", code}});
}

void ReplacePlaceNames(Ctx& ctx, const QString& s, long long id, const QVariant& list) {
    if (list.isNull()) return;
    const TPlacePairs names = DecodePlacePairs(list.toString());
    for (const auto& [lang, name] : names) CheckName(lang, name);
    ctx.Execute(Sql(s, "DELETE FROM {S}.LOCATION_NAME WHERE ID_LOCATION = :ID"), {{"ID", id}});
    for (const auto& [lang, name] : names)
        ctx.Execute(Sql(s,
                        "INSERT OR REPLACE INTO {S}.LOCATION_NAME (ID_LOCATION, LANG, NAME) VALUES "
                        "(:ID, :LANG, :NAME)"),
                    {{"ID", id}, {"LANG", lang}, {"NAME", name}});
}

void RegisterCodeRoutines() {
    Add("GET_T#CODE_KIND", {Dataset()}, GetCodeKinds);
    Add("GET_T#LOCATION_CODE", {In("PID"), Dataset()}, GetLocationCodes);
    Add("GET_T#LOCATION_NAME", {In("PID"), Dataset()}, GetLocationNames);
    Add("SET_T#LOCATION_CODES", {Ret(), In("PID"), In("PCODES", TF::String)}, SetCodes);
    Add("SET_T#LOCATION_NAMES", {Ret(), In("PID"), In("PNAMES", TF::String)}, SetNames);
}

}  // namespace SqliteServer
