// Packages LANG_PACK (languages per user, phrase translations) and TEMP_SELECT_PACK (rows
// marked for reports) of the embedded server.

#include "Platform/NameLanguage.h"
#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

namespace {

using Ctx = TSqliteRoutineContext;
using TF = TFieldType;

// The language the program's texts are written in; a user without a row speaks it.
constexpr long long kBaseLanguage = 25;

const char* const kLangColumns[] = {"APL_LANG_ID", "APL_LANG_SUB_ID", "REP_LANG_ID",
                                    "REP_LANG_SUB_ID"};

long long UserLanguage(Ctx& ctx, const QString& s, int column) {
    const QString sql = Sql(s, "SELECT %1 FROM {S}.LANG_USER WHERE UPPER(USER_NAME) = UPPER(:USER)")
                            .arg(QString::fromLatin1(kLangColumns[column]));
    const QVariant v = Scalar(ctx, sql, {{"USER", ctx.UserName()}});
    if (!v.isNull()) return v.toLongLong();
    return column % 2 == 0 ? kBaseLanguage : 0;
}

TCallResult Translation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    return Result(Scalar(ctx,
                         Sql(s,
                             "SELECT TRANSLATION FROM {S}.LANG_TRANS_RU WHERE PHRASE = :PHRASE "
                             "AND LANG_ID = :LANG"),
                         {{"PHRASE", in.Value("PTEXT")}, {"LANG", UserLanguage(ctx, s, 0)}}));
}

// A phrase waiting for its translators: kept once, as its own base-language text.
TCallResult SaveRussianPhrase(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const QString phrase = in.Text("PTEXT");
    if (!phrase.isEmpty())
        ctx.Execute(Sql(s,
                        "INSERT OR IGNORE INTO {S}.LANG_TRANS_RU (PHRASE, LANG_ID, TRANSLATION) "
                        "VALUES (:PHRASE, :LANG, :PHRASE)"),
                    {{"PHRASE", phrase}, {"LANG", kBaseLanguage}});
    return {};
}

TCallResult InsOrderLine(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const std::vector<TBoundValue> row = {{"GUID", in.Text("PGUID")},
                                          {"COMPONENT", in.Text("PCOMPONENT")},
                                          {"ROW_ID", in.Text("PROWID")}};
    if (!Exists(ctx,
                Sql(s,
                    "SELECT 1 FROM {S}.TEMP_SELECT WHERE GUID_SERVICE = :GUID AND COMPONENT = "
                    ":COMPONENT AND ROW_ID = :ROW_ID"),
                row))
        ctx.Execute(Sql(s,
                        "INSERT INTO {S}.TEMP_SELECT (GUID_SERVICE, COMPONENT, ROW_ID) VALUES "
                        "(:GUID, :COMPONENT, :ROW_ID)"),
                    row);
    return {};
}

TCallResult DelOrderLine(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    ctx.Execute(Sql(s,
                    "DELETE FROM {S}.TEMP_SELECT WHERE GUID_SERVICE = :GUID AND COMPONENT = "
                    ":COMPONENT AND ROW_ID = :ROW_ID"),
                {{"GUID", in.Text("PGUID")},
                 {"COMPONENT", in.Text("PCOMPONENT")},
                 {"ROW_ID", in.Text("PROWID")}});
    return {};
}

}  // namespace

QString NameLanguage(Ctx& ctx, const QString& s) {
    return NameLanguageOf(UserLanguage(ctx, s, 0));
}

void RegisterLangRoutines() {
    const QString lang = QStringLiteral("LANG_PACK");
    const char* const getters[] = {"GET_USER_APL_LANG_ID", "GET_USER_APL_LANG_SUB_ID",
                                   "GET_USER_REP_LANG_ID", "GET_USER_REP_LANG_SUB_ID"};
    for (int i = 0; i < 4; ++i)
        AddRoutine(lang, getters[i], {Ret()},
                   [i](Ctx& ctx, const QString& s, const TSqliteInputs&) {
                       return Result(UserLanguage(ctx, s, i));
                   });
    for (const char* routine : {"GET_RESOURCE_APL_TXT", "GET_RESOURCE_APL_EN_TXT"})
        AddRoutine(lang, routine, {Ret(TF::String), In("PTEXT", TF::String)}, Translation);
    AddRoutine(lang, "SAVE_RUSSIAN_PHRASE",
               {In("PTEXT", TF::String), In("PID_DFM"), In("PCOMMENT", TF::String)},
               SaveRussianPhrase);

    const QString temp = QStringLiteral("TEMP_SELECT_PACK");
    const std::vector<TParamDesc> row = {In("PGUID", TF::String), In("PCOMPONENT", TF::String),
                                         In("PROWID", TF::String)};
    RegisterSqliteRoutine(temp, QStringLiteral("INS_ORDER_LINES_REPORT"), row, InsOrderLine);
    RegisterSqliteRoutine(temp, QStringLiteral("DEL_ORDER_LINES_REPORT"), row, DelOrderLine);
}

}  // namespace SqliteServer
