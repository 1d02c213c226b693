#include "Server/sqlite/SqliteServer.h"

#include <QStringList>

#include <initializer_list>
#include <mutex>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

QString SchemaIdent(const QString& schema) {
    return QLatin1Char('"') + schema.toLower().replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QString Sql(const QString& schema, const char* sql) {
    return QString::fromUtf8(sql).replace(QStringLiteral("{S}"), SchemaIdent(schema));
}

void RequireLength(const QString& column, qsizetype length, int maxLength) {
    if (length > maxLength)
        throw EOraError::Make(12899, QStringLiteral("value too large for column %1 (actual: %2, "
                                                    "maximum: %3)")
                                         .arg(column)
                                         .arg(length)
                                         .arg(maxLength));
}

QVariant Text(const TSqliteInputs& in, const char* name, int maxLength) {
    const QVariant value = in.Value(QString::fromLatin1(name));
    RequireLength(QString::fromLatin1(name).mid(1), value.isNull() ? 0 : value.toString().size(),
                  maxLength);
    return value;
}

void AddRoutine(const QString& package, const char* routine, std::vector<TParamDesc> params,
                TSqliteRoutineBody body) {
    const bool reads = QByteArray(routine).startsWith("GET_");
    body = ResolvingPlaces(package, routine, std::move(body));
    RegisterSqliteRoutine(package, QString::fromLatin1(routine), std::move(params), std::move(body),
                          reads ? TSqliteRoutineKind::Reads : TSqliteRoutineKind::Changes);
}

TCallResult Result(const QVariant& value) {
    TCallResult r;
    r.OutValues.emplace_back(QStringLiteral("RESULT"), value);
    return r;
}

TCallResult Rows(TRowSet rows, std::initializer_list<TFieldType> types) {
    size_t i = 0;
    for (TFieldType t : types)
        if (i < rows.Columns.size()) rows.Columns[i++].Type = t;
    TCallResult r;
    r.Cursor = std::move(rows);
    return r;
}

QVariant Scalar(TSqliteRoutineContext& ctx, const QString& sql,
                const std::vector<TBoundValue>& params) {
    const TRowSet rs = ctx.Query(sql, params);
    if (rs.Rows.empty() || rs.Rows[0].empty()) return QVariant();
    return rs.Rows[0][0];
}

bool Exists(TSqliteRoutineContext& ctx, const QString& sql,
            const std::vector<TBoundValue>& params) {
    return !ctx.Query(sql, params).Rows.empty();
}

void RaiseConstraint(int code, const QString& schema, const char* constraint) {
    throw EOraError(
        code, OraConstraintText(code, schema, QString::fromLatin1(constraint)) + QLatin1Char('\n'));
}

const TVersionedRows kPlaceRows{"LOCATION", "Местоположение изменено пользователем %1 в %2",
                                "Местоположение удалено другим пользователем"};
const TVersionedRows kAbbrevRows{"LOCATABBREV", "Сокращение изменено пользователем %1 в %2",
                                 "Сокращение удалено другим пользователем"};
const TVersionedRows kLevelRows{"LOCATTYPE", "Уровень изменён пользователем %1 в %2",
                                "Уровень удалён другим пользователем"};
const TVersionedRows kInfoRows{"INFORMATION", "Информация изменена пользователем %1 в %2",
                               "Информация удалена другим пользователем"};

const char* const kStamp =
    "VERSION = VERSION + 1, CHANGED_BY = :WHO, CHANGED_AT = strftime('%Y-%m-%d %H:%M:%S', 'now')";
const char* const kNow = "strftime('%Y-%m-%d %H:%M:%S', 'now')";

TBoundValue Who(TSqliteRoutineContext& ctx) { return {"WHO", ctx.UserName().toUpper()}; }

void RequireVersion(TSqliteRoutineContext& ctx, const QString& schema, const TVersionedRows& rows,
                    long long id, const TSqliteInputs& in) {
    const auto version = in.Id("PVERSION");
    if (!version) return;
    const TRowSet row =
        ctx.Query(Sql(schema, "SELECT VERSION, CHANGED_BY, CHANGED_AT FROM {S}.") +
                      QString::fromLatin1(rows.Table) + QStringLiteral(" WHERE ID = :ID"),
                  {{"ID", id}});
    if (row.Rows.empty())
        throw EOraError::Make(OraCode::DeletedByOther, QString::fromUtf8(rows.Deleted));
    if (row.Rows[0][0].toLongLong() == *version) return;
    throw EOraError::Make(
        OraCode::ChangedByOther,
        QString::fromUtf8(rows.Changed).arg(row.Rows[0][1].toString(), row.Rows[0][2].toString()));
}

}  // namespace SqliteServer

namespace {

using namespace SqliteServer;

constexpr int kSchemaVersion = 9;

// A text as an SQL string literal, for the messages fixed into trigger bodies (RAISE takes
// no parameters). Only plain identifiers reach it, but quote it properly all the same.
QString Literal(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

// The engine enforces every rule with a plain constraint too; these triggers come first so
// that the error names the constraint as the client's error table knows it.
QStringList ConstraintTriggers(const QString& schema) {
    const QString s = SchemaIdent(schema);
    auto raise = [&](int code, const QString& name) {
        return QStringLiteral("SELECT RAISE(ABORT, %1); ")
            .arg(Literal(OraConstraintText(code, schema, name)));
    };
    auto trigger = [&](const QString& name, const QString& when, const QString& body) {
        return QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1.%2 %3 BEGIN %4END")
            .arg(s, name, when, body);
    };
    QStringList t;
    // Unique short name of an abbreviation; unique level and abbreviation of a type.
    const QString ukAbbrev =
        raise(OraCode::UniqueViolation, QStringLiteral("UK_LOCATABBREV_SNAME"));
    t << trigger(QStringLiteral("TR_LOCATABBREV_UK_INS"),
                 QStringLiteral("BEFORE INSERT ON LOCATABBREV WHEN EXISTS (SELECT 1 FROM "
                                "LOCATABBREV WHERE SNAME = NEW.SNAME)"),
                 ukAbbrev);
    t << trigger(QStringLiteral("TR_LOCATABBREV_UK_UPD"),
                 QStringLiteral("BEFORE UPDATE OF SNAME ON LOCATABBREV WHEN EXISTS (SELECT 1 FROM "
                                "LOCATABBREV WHERE SNAME = NEW.SNAME AND ID <> OLD.ID)"),
                 ukAbbrev);
    const QString ukType =
        raise(OraCode::UniqueViolation, QStringLiteral("UK_LOCATTYPE_LEVEL_ABBREV"));
    t << trigger(QStringLiteral("TR_LOCATTYPE_UK_INS"),
                 QStringLiteral("BEFORE INSERT ON LOCATTYPE WHEN EXISTS (SELECT 1 FROM LOCATTYPE "
                                "WHERE LEVEL_NO = NEW.LEVEL_NO AND ID_ABBREV = NEW.ID_ABBREV)"),
                 ukType);
    t << trigger(QStringLiteral("TR_LOCATTYPE_UK_UPD"),
                 QStringLiteral("BEFORE UPDATE OF LEVEL_NO, ID_ABBREV ON LOCATTYPE WHEN EXISTS "
                                "(SELECT 1 FROM LOCATTYPE WHERE LEVEL_NO = NEW.LEVEL_NO AND "
                                "ID_ABBREV = NEW.ID_ABBREV AND ID <> OLD.ID)"),
                 ukType);
    // Checks.
    const QString ckLevel = raise(OraCode::CheckViolation, QStringLiteral("CK_LOCATTYPE_LEVEL"));
    const QString badLevel = QStringLiteral(" WHEN NEW.LEVEL_NO NOT BETWEEN 1 AND 15");
    t << trigger(QStringLiteral("TR_LOCATTYPE_CK_INS"),
                 QStringLiteral("BEFORE INSERT ON LOCATTYPE") + badLevel, ckLevel);
    t << trigger(QStringLiteral("TR_LOCATTYPE_CK_UPD"),
                 QStringLiteral("BEFORE UPDATE OF LEVEL_NO ON LOCATTYPE") + badLevel, ckLevel);
    const QString ckInfo =
        raise(OraCode::CheckViolation, QStringLiteral("CK_INFORMATION_INFOTYPE"));
    const QString badInfo =
        QStringLiteral(" WHEN NEW.INFOTYPE IS NOT NULL AND NEW.INFOTYPE NOT BETWEEN 1 AND 7");
    t << trigger(QStringLiteral("TR_INFORMATION_CK_INS"),
                 QStringLiteral("BEFORE INSERT ON INFORMATION") + badInfo, ckInfo);
    t << trigger(QStringLiteral("TR_INFORMATION_CK_UPD"),
                 QStringLiteral("BEFORE UPDATE OF INFOTYPE ON INFORMATION") + badInfo, ckInfo);

    // Foreign keys: a child needs its parent, a parent with children stays.
    struct Fk {
        const char* name;
        const char* child;
        const char* column;
        const char* parent;
    };
    for (const Fk& fk : {Fk{"FK_LOCATTYPE_ABBREV", "LOCATTYPE", "ID_ABBREV", "LOCATABBREV"},
                         Fk{"FK_LOCATION_PARENT", "LOCATION", "ID_PARENT", "LOCATION"},
                         Fk{"FK_LOCATION_LOCATTYPE", "LOCATION", "ID_LOCATTYPE", "LOCATTYPE"},
                         Fk{"FK_INFORMATION_PARENT", "INFORMATION", "ID_PARENT", "INFORMATION"}}) {
        const QString name = QString::fromLatin1(fk.name);
        const QString child = QString::fromLatin1(fk.child);
        const QString column = QString::fromLatin1(fk.column);
        const QString parent = QString::fromLatin1(fk.parent);
        const QString missing = QStringLiteral(
                                    " WHEN NEW.%1 IS NOT NULL AND NOT EXISTS (SELECT 1 "
                                    "FROM %2 WHERE ID = NEW.%1)")
                                    .arg(column, parent);
        const QString referenced =
            QStringLiteral(" WHEN EXISTS (SELECT 1 FROM %1 WHERE %2 = OLD.ID)").arg(child, column);
        const QString parentKey = raise(OraCode::ParentKeyNotFound, name);
        const QString childFound = raise(OraCode::ChildRecordFound, name);
        t << trigger(name + QStringLiteral("_INS"),
                     QStringLiteral("BEFORE INSERT ON ") + child + missing, parentKey);
        t << trigger(name + QStringLiteral("_UPD"),
                     QStringLiteral("BEFORE UPDATE OF %1 ON %2").arg(column, child) + missing,
                     parentKey);
        t << trigger(name + QStringLiteral("_DEL"),
                     QStringLiteral("BEFORE DELETE ON ") + parent + referenced, childFound);
        t << trigger(name + QStringLiteral("_KEY"),
                     QStringLiteral("BEFORE UPDATE OF ID ON ") + parent + referenced +
                         QStringLiteral(" AND NEW.ID <> OLD.ID"),
                     childFound);
    }
    return t;
}

const char* const kTablesV1[] = {
    "CREATE TABLE IF NOT EXISTS {S}.LOCATABBREV ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " SNAME VARCHAR(10) NOT NULL CONSTRAINT CK_LOCATABBREV_SNAME CHECK (length(SNAME) <= 10),"
    " NAME VARCHAR(255) NOT NULL CONSTRAINT CK_LOCATABBREV_NAME CHECK (length(NAME) <= 255),"
    " BMP BLOB)",
    "CREATE UNIQUE INDEX IF NOT EXISTS {S}.UK_LOCATABBREV_SNAME ON LOCATABBREV (SNAME)",

    "CREATE TABLE IF NOT EXISTS {S}.LOCATTYPE ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " LEVEL_NO INTEGER NOT NULL CONSTRAINT CK_LOCATTYPE_LEVEL CHECK (LEVEL_NO BETWEEN 1 AND 15),"
    " ID_ABBREV INTEGER NOT NULL CONSTRAINT FK_LOCATTYPE_ABBREV REFERENCES LOCATABBREV (ID))",
    "CREATE UNIQUE INDEX IF NOT EXISTS {S}.UK_LOCATTYPE_LEVEL_ABBREV ON LOCATTYPE (LEVEL_NO, "
    "ID_ABBREV)",
    "CREATE INDEX IF NOT EXISTS {S}.IX_LOCATTYPE_ABBREV ON LOCATTYPE (ID_ABBREV)",

    "CREATE TABLE IF NOT EXISTS {S}.LOCATION ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " ID_PARENT INTEGER CONSTRAINT FK_LOCATION_PARENT REFERENCES LOCATION (ID),"
    " ID_LOCATTYPE INTEGER NOT NULL CONSTRAINT FK_LOCATION_LOCATTYPE REFERENCES LOCATTYPE (ID),"
    " NAME VARCHAR(255) NOT NULL CONSTRAINT CK_LOCATION_NAME CHECK (length(NAME) <= 255))",
    "CREATE INDEX IF NOT EXISTS {S}.IX_LOCATION_PARENT ON LOCATION (ID_PARENT)",
    "CREATE INDEX IF NOT EXISTS {S}.IX_LOCATION_LOCATTYPE ON LOCATION (ID_LOCATTYPE)",

    "CREATE TABLE IF NOT EXISTS {S}.INFORMATION ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " OBJTYPE INTEGER,"
    " OBJID INTEGER,"
    " ID_PARENT INTEGER CONSTRAINT FK_INFORMATION_PARENT REFERENCES INFORMATION (ID),"
    " INFOTYPE INTEGER CONSTRAINT CK_INFORMATION_INFOTYPE CHECK (INFOTYPE BETWEEN 1 AND 7),"
    " VALUE VARCHAR(255) CONSTRAINT CK_INFORMATION_VALUE CHECK (length(VALUE) <= 255),"
    " DESCRIPTION VARCHAR(255) CONSTRAINT CK_INFORMATION_DESCRIPTION CHECK (length(DESCRIPTION) "
    "<= 255),"
    " ACTIVE INTEGER)",
    "CREATE INDEX IF NOT EXISTS {S}.IX_INFORMATION_OBJECT ON INFORMATION (OBJTYPE, OBJID)",
    "CREATE INDEX IF NOT EXISTS {S}.IX_INFORMATION_PARENT ON INFORMATION (ID_PARENT)",

    "CREATE TABLE IF NOT EXISTS {S}.ERROR_MESSAGES ("
    " \"ErrorCode\" INTEGER NOT NULL,"
    " \"Constraint\" VARCHAR(61),"
    " \"Message\" VARCHAR(1000) NOT NULL)",

    "CREATE TABLE IF NOT EXISTS {S}.LANG_USER ("
    " USER_NAME VARCHAR(128) NOT NULL,"
    " APL_LANG_ID INTEGER, APL_LANG_SUB_ID INTEGER, REP_LANG_ID INTEGER, REP_LANG_SUB_ID INTEGER)",
    "CREATE UNIQUE INDEX IF NOT EXISTS {S}.UK_LANG_USER_USER_NAME ON LANG_USER (USER_NAME)",
    "CREATE TABLE IF NOT EXISTS {S}.LANG_TRANS_RU ("
    " PHRASE VARCHAR(4000) NOT NULL,"
    " LANG_ID INTEGER NOT NULL,"
    " TRANSLATION VARCHAR(4000))",
    "CREATE UNIQUE INDEX IF NOT EXISTS {S}.UK_LANG_TRANS_RU_PHRASE_LANG_ID ON LANG_TRANS_RU "
    "(PHRASE, LANG_ID)",
    "CREATE TABLE IF NOT EXISTS {S}.LANG_SETTINGS (NAME VARCHAR(64) NOT NULL, VALUE VARCHAR(255))",
    "CREATE UNIQUE INDEX IF NOT EXISTS {S}.UK_LANG_SETTINGS_NAME ON LANG_SETTINGS (NAME)",

    "CREATE TABLE IF NOT EXISTS {S}.TEMP_SELECT ("
    " GUID_SERVICE VARCHAR(64) NOT NULL, COMPONENT VARCHAR(64) NOT NULL, ROW_ID VARCHAR(64) NOT "
    "NULL)",
    "CREATE INDEX IF NOT EXISTS {S}.IX_TEMP_SELECT ON TEMP_SELECT (GUID_SERVICE, COMPONENT, "
    "ROW_ID)",
};

struct TErrorText {
    int Code;
    const char* Constraint;
    const char* Message;
};

// Texts the error handler shows instead of the engine's own.
const TErrorText kErrorTexts[] = {
    {1, "UK_LOCATABBREV_SNAME", "Сокращение с таким кратким наименованием уже существует"},
    {1, "UK_LOCATTYPE_LEVEL_ABBREV", "Такое сокращение на этом уровне уже есть"},
    {1, nullptr, "Такая запись уже существует"},
    {2290, "CK_LOCATTYPE_LEVEL", "Номер уровня должен быть от 1 до 15"},
    {2290, "CK_INFORMATION_INFOTYPE", "Неизвестный вид информации"},
    {2291, "FK_LOCATION_PARENT", "Вышестоящее местоположение не найдено"},
    {2291, "FK_LOCATION_LOCATTYPE", "Тип местоположения не найден"},
    {2291, nullptr, "Связанная запись не найдена"},
    {2292, "FK_LOCATTYPE_ABBREV", "Сокращение используется в справочнике уровней"},
    {2292, "FK_LOCATION_LOCATTYPE", "Уровень используется местоположениями"},
    {2292, nullptr, "Запись нельзя удалить, т.к. на нее есть ссылки"},
};

const char* const kPackages[] = {"QXVERPLOCAT", "QXVERPINFORM", "LANG_PACK", "TEMP_SELECT_PACK",
                                 "QXVERPUSER"};

void CreateVersion1(IDbConnection& db, const QString& schema) {
    for (const char* ddl : kTablesV1) db.Execute(Sql(schema, ddl), {});
    for (const QString& ddl : ConstraintTriggers(schema)) db.Execute(ddl, {});
    for (const TErrorText& e : kErrorTexts)
        db.Execute(Sql(schema,
                       "INSERT INTO {S}.ERROR_MESSAGES (\"ErrorCode\", \"Constraint\", "
                       "\"Message\") VALUES (:CODE, :CONSTRAINT, :MESSAGE)"),
                   {{"CODE", e.Code},
                    {"CONSTRAINT",
                     e.Constraint ? QVariant(QString::fromLatin1(e.Constraint)) : QVariant()},
                    {"MESSAGE", QString::fromUtf8(e.Message)}});
    db.Execute(Sql(schema,
                   "INSERT OR IGNORE INTO {S}.LANG_SETTINGS (NAME, VALUE) VALUES "
                   "('GC_MULTI_LANG', '1')"),
               {});
}

// The phrase-capture tables: one row per library and per form whose phrases were harvested.
void CreateVersion2(IDbConnection& db, const QString& schema) {
    db.Execute(Sql(schema,
                   "CREATE TABLE IF NOT EXISTS {S}.DPR (ID_DPR INTEGER PRIMARY KEY, NAME "
                   "VARCHAR(255) NOT NULL)"),
               {});
    db.Execute(Sql(schema,
                   "CREATE TABLE IF NOT EXISTS {S}.DFM (ID_DFM INTEGER PRIMARY KEY, FK_DPR "
                   "INTEGER NOT NULL CONSTRAINT FK_DFM_DPR REFERENCES DPR (ID_DPR), NAME "
                   "VARCHAR(255) NOT NULL, IS_TRANSLIT INTEGER DEFAULT 0)"),
               {});
}

// The search key of a place's name (lower case, "ё" read as "е"), indexed for the search
// by name. A stored column kept by triggers: an index over an expression would hold values
// that a tool without the server's Unicode LOWER computes differently, and would call the
// file damaged.
void CreateVersion3(IDbConnection& db, const QString& schema) {
    bool hasKey = false;  // a schema that was at this version once and was set back
    const TRowSet columns = db.Query(Sql(schema, "PRAGMA {S}.table_xinfo(LOCATION)"), {});
    for (const auto& column : columns.Rows)
        if (column.size() > 1 && column[1].toString() == QLatin1String("NAME_KEY")) hasKey = true;
    if (!hasKey) db.Execute(Sql(schema, "ALTER TABLE {S}.LOCATION ADD COLUMN NAME_KEY TEXT"), {});
    for (const char* trigger :
         {"CREATE TRIGGER IF NOT EXISTS {S}.TR_LOCATION_NAME_KEY_INS AFTER INSERT ON LOCATION "
          "BEGIN UPDATE LOCATION SET NAME_KEY = replace(lower(NEW.NAME), 'ё', 'е') "
          "WHERE ID = NEW.ID; END",
          "CREATE TRIGGER IF NOT EXISTS {S}.TR_LOCATION_NAME_KEY_UPD AFTER UPDATE OF NAME ON "
          "LOCATION BEGIN UPDATE LOCATION SET NAME_KEY = replace(lower(NEW.NAME), 'ё', 'е') "
          "WHERE ID = NEW.ID; END"})
        db.Execute(Sql(schema, trigger), {});
    db.Execute(Sql(schema, "UPDATE {S}.LOCATION SET NAME_KEY = replace(lower(NAME), 'ё', 'е')"),
               {});
    db.Execute(Sql(schema,
                   "CREATE INDEX IF NOT EXISTS {S}.IX_LOCATION_NAME_KEY ON LOCATION "
                   "(NAME_KEY)"),
               {});
}

// The columns a table lacks, added (a schema set back to an older version may have them).
void AddMissingColumns(IDbConnection& db, const QString& schema, const char* table,
                       std::initializer_list<const char*> definitions) {
    const QString name = QString::fromLatin1(table);
    QStringList have;
    for (const auto& column :
         db.Query(Sql(schema, "PRAGMA {S}.table_xinfo(") + name + QLatin1Char(')'), {}).Rows)
        if (column.size() > 1) have << column[1].toString();
    for (const char* column : definitions) {
        const QString definition = QString::fromLatin1(column);
        if (!have.contains(definition.section(u' ', 0, 0)))
            db.Execute(Sql(schema, "ALTER TABLE {S}.") + name + QStringLiteral(" ADD COLUMN ") +
                           definition,
                       {});
    }
}

// A row that counts its changes and keeps who made the last one and when: a change built on
// an older reading is refused rather than overwriting another user's.
void AddChangeColumns(IDbConnection& db, const QString& schema, const char* table) {
    AddMissingColumns(db, schema, table,
                      {"VERSION INTEGER NOT NULL DEFAULT 1", "CHANGED_BY VARCHAR(128)",
                       "CHANGED_AT VARCHAR(19)"});
}

void CreateVersion4(IDbConnection& db, const QString& schema) {
    AddChangeColumns(db, schema, kPlaceRows.Table);
}

void CreateVersion5(IDbConnection& db, const QString& schema) {
    for (const TVersionedRows* rows : {&kAbbrevRows, &kLevelRows, &kInfoRows})
        AddChangeColumns(db, schema, rows->Table);
}

// Codes of places, typed by a dictionary of code kinds (filled by the installer for both
// engines), and a place's names per interface language. Both go with their place.
void CreateVersion6(IDbConnection& db, const QString& schema) {
    for (const char* ddl :
         {"CREATE TABLE IF NOT EXISTS {S}.CODE_KIND (KIND VARCHAR(20) NOT NULL PRIMARY KEY, "
          "IS_UNIQUE INTEGER NOT NULL, NAME_EN VARCHAR(255), NAME_RU VARCHAR(255))",
          "CREATE TABLE IF NOT EXISTS {S}.LOCATION_CODE (ID_LOCATION INTEGER NOT NULL, KIND "
          "VARCHAR(20) NOT NULL, CODE VARCHAR(64) NOT NULL, PRIMARY KEY (ID_LOCATION, KIND, "
          "CODE)) WITHOUT ROWID",
          "CREATE INDEX IF NOT EXISTS {S}.IX_LOCATION_CODE_CODE ON LOCATION_CODE (CODE, KIND)",
          "CREATE TABLE IF NOT EXISTS {S}.LOCATION_NAME (ID_LOCATION INTEGER NOT NULL, LANG "
          "VARCHAR(2) NOT NULL, NAME VARCHAR(255) NOT NULL, NAME_KEY TEXT, PRIMARY KEY "
          "(ID_LOCATION, LANG))",
          "CREATE TRIGGER IF NOT EXISTS {S}.TR_LOCATION_NAME_KEY AFTER INSERT ON LOCATION_NAME "
          "BEGIN UPDATE LOCATION_NAME SET NAME_KEY = replace(lower(NEW.NAME), 'ё', 'е') "
          "WHERE ID_LOCATION = NEW.ID_LOCATION AND LANG = NEW.LANG; END",
          "CREATE TRIGGER IF NOT EXISTS {S}.TR_LOCATION_EXTRAS_DEL AFTER DELETE ON LOCATION "
          "BEGIN DELETE FROM LOCATION_CODE WHERE ID_LOCATION = OLD.ID; "
          "DELETE FROM LOCATION_NAME WHERE ID_LOCATION = OLD.ID; END"})
        db.Execute(Sql(schema, ddl), {});
}

// Every change on the record: one row per changed object, read back by SEQ.
void CreateVersion7(IDbConnection& db, const QString& schema) {
    db.Execute(Sql(schema, kJournalTable), {});
    db.Execute(Sql(schema, "CREATE INDEX IF NOT EXISTS {S}.IX_JOURNAL_PLACE ON JOURNAL (PLACE)"),
               {});
}

// Each user's own places (the last chosen and the starred), and the ids of places merged
// into others, which stand for the survivors from then on.
void CreateVersion8(IDbConnection& db, const QString& schema) {
    for (const char* ddl :
         {"CREATE TABLE IF NOT EXISTS {S}.USER_PLACE (USER_NAME VARCHAR(128) NOT NULL, "
          "ID_LOCATION INTEGER NOT NULL, STARRED INTEGER NOT NULL DEFAULT 0, CHOSEN_SEQ INTEGER, "
          "PRIMARY KEY (USER_NAME, ID_LOCATION)) WITHOUT ROWID",
          "CREATE INDEX IF NOT EXISTS {S}.IX_USER_PLACE_LOCATION ON USER_PLACE (ID_LOCATION)",
          "CREATE TABLE IF NOT EXISTS {S}.LOCATION_REDIRECT (ID INTEGER PRIMARY KEY, "
          "ID_TARGET INTEGER NOT NULL)",
          "CREATE INDEX IF NOT EXISTS {S}.IX_LOCATION_REDIRECT_TARGET ON LOCATION_REDIRECT "
          "(ID_TARGET)",
          "CREATE TRIGGER IF NOT EXISTS {S}.TR_LOCATION_USER_PLACE_DEL AFTER DELETE ON LOCATION "
          "BEGIN DELETE FROM USER_PLACE WHERE ID_LOCATION = OLD.ID; END"})
        db.Execute(Sql(schema, ddl), {});
}

// A merged place's name stays with its redirect, so that the survivor is found by it; the
// triggers that make a place's words are made again with the merged names in them.
void CreateVersion9(IDbConnection& db, const QString& schema) {
    AddMissingColumns(db, schema, "LOCATION_REDIRECT", {"NAME VARCHAR(255)", "NAME_KEY TEXT"});
    const TRowSet triggers =
        db.Query(Sql(schema,
                     "SELECT name FROM {S}.sqlite_master WHERE type = 'trigger' AND name LIKE "
                     "'TR\\_LOCATION\\_%WORD\\_%' ESCAPE '\\'"),
                 {});
    for (const auto& row : triggers.Rows)
        db.Execute(Sql(schema, "DROP TRIGGER IF EXISTS {S}.") + QuotedName(row[0].toString()), {});
}

}  // namespace

void RegisterSqliteServer() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterLocatRoutines();
        RegisterSearchRoutines();
        RegisterSuggestRoutines();
        RegisterInformRoutines();
        RegisterLangRoutines();
        RegisterUserRoutines();
        RegisterCodeRoutines();
        RegisterJournalRoutines();
        RegisterPlaceRoutines();
    });
}

void InstallSqliteServer(IDbConnection& db, const QString& schema) {
    CheckSchemaName(schema);
    RegisterSqliteServer();
    try {
        // Attached first: a schema file is switched to WAL outside any transaction.
        SqliteAttachSchema(db, schema, true);
        db.StartTransaction();
        const TRowSet version = db.Query(Sql(schema, "PRAGMA {S}.user_version"), {});
        const long long current = version.Rows.empty() ? 0 : version.Rows[0][0].toLongLong();
        if (current < 1) CreateVersion1(db, schema);
        if (current < 2) CreateVersion2(db, schema);
        if (current < 3) CreateVersion3(db, schema);
        if (current < 4) CreateVersion4(db, schema);
        if (current < 5) CreateVersion5(db, schema);
        if (current < 6) CreateVersion6(db, schema);
        if (current < 7) CreateVersion7(db, schema);
        if (current < 8) CreateVersion8(db, schema);
        if (current < 9) CreateVersion9(db, schema);
        if (current < kSchemaVersion)
            db.Execute(Sql(schema, "PRAGMA {S}.user_version = ") + QString::number(kSchemaVersion),
                       {});
        // The index of the names per language once shared its name with the places' own, so a
        // schema of that time went without it and every search scanned those names.
        db.Execute(Sql(schema,
                       "CREATE INDEX IF NOT EXISTS {S}.IX_LOCATION_NAME_NAME_KEY ON LOCATION_NAME "
                       "(NAME_KEY)"),
                   {});
        InstallUsers(db, schema);
        InstallNameWords(db, schema);
        // Search hits were once kept in the schema, where keeping them took the write lock.
        db.Execute(Sql(schema, "DROP TABLE IF EXISTS {S}.SEARCH_HITS"), {});
        for (const char* package : kPackages)
            db.Execute(
                QStringLiteral("INSERT OR REPLACE INTO main.ALL_OBJECTS (OWNER, OBJECT_NAME, "
                               "OBJECT_TYPE, STATUS) VALUES (:OWNER, :NAME, 'PACKAGE', "
                               "'VALID')"),
                {{"OWNER", schema.toUpper()}, {"NAME", QString::fromLatin1(package)}});
        db.Commit();
    } catch (...) {
        db.Rollback();
        throw;
    }
}
