#include "support/TestDatabase.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <stdexcept>

#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraSession.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"

TestDatabase::TestDatabase(const QString& schema) : TestDatabase(schema, QString()) {}

QString TestDatabase::NewSchemaName() {
    return QStringLiteral("qxvtest_%1")
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

TestDatabase::TestDatabase(const QString& schema, const QString& serverConnectString)
    : FDropSchema(!serverConnectString.isEmpty()),
      FSchema(schema),
      FConnectString(serverConnectString) {
    RegisterSqliteServer();
    if (FConnectString.isEmpty())
        FConnectString = QStringLiteral("sqlite:") + FTemp.FilePath("test.db") +
                         QStringLiteral("?user=") + schema;
    FRaw = OpenConnection(FConnectString);
    InstallServerSchema(*FRaw, schema);
    FRaw->Commit();
    FCounting = std::make_unique<CountingConnection>(*FRaw);
    FSession = std::make_unique<TOraSession>();
    FSession->setObjectName(QStringLiteral("TestSession"));
    FSession->AdoptConnection(FCounting.get());
}

TestDatabase::~TestDatabase() {
    if (TOraSession::DefaultSession() == FSession.get()) TOraSession::SetDefaultSession(nullptr);
    if (!FDropSchema) return;
    FSession.reset();
    try {
        FRaw->Rollback();
        FRaw->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(FSchema.toLower()), {});
        FRaw->Commit();
    } catch (const EOraError&) {
        // A schema left behind in a throwaway server is harmless.
    }
}

QString TestDatabase::Table(const QString& name) const {
    return QStringLiteral("\"%1\".%2").arg(FSchema.toLower(), name);
}

long long TestDatabase::Call(const QString& package, const QString& routine,
                             const std::vector<TBoundValue>& inputs) {
    const TRoutineDesc desc = FRaw->Describe(FSchema, package, routine);
    return FRaw->Call(desc, inputs).Value(QStringLiteral("RESULT")).toLongLong();
}

TRowSet TestDatabase::Rows(const QString& package, const QString& routine,
                           const std::vector<TBoundValue>& inputs) {
    const TRoutineDesc desc = FRaw->Describe(FSchema, package, routine);
    return FRaw->Call(desc, inputs).Cursor.value_or(TRowSet{});
}

QVariant TestDatabase::Cell(const TRowSet& rows, size_t row, const QString& column) {
    for (size_t c = 0; c < rows.Columns.size(); ++c)
        if (rows.Columns[c].Name.compare(column, Qt::CaseInsensitive) == 0)
            return rows.Rows.at(row).at(c);
    ADD_FAILURE() << "no column " << column.toStdString();
    return QVariant();
}

namespace {
long long Checked(long long id, const char* what) {
    if (id < 1) throw std::runtime_error(std::string("test data: cannot add ") + what);
    return id;
}
}  // namespace

long long TestDatabase::AddAbbrev(const QString& shortName, const QString& name,
                                  const QByteArray& bmp) {
    const long long id =
        Checked(Call(QStringLiteral("QXVERPLOCAT"), QStringLiteral("INS_T#LOCATABBREV"),
                     {{"PSNAME", shortName}, {"PNAME", name}}),
                "abbreviation");
    if (!bmp.isNull())
        Call(QStringLiteral("QXVERPLOCAT"), QStringLiteral("SET_T#LOCATABBREV_BMP"),
             {{"PID", id}, {"PBMP16#16", bmp, TFieldType::Blob}});
    return id;
}

void TestDatabase::SetUserLanguage(int language) {
    FRaw->Execute(
        QStringLiteral("INSERT INTO \"%1\".LANG_USER (USER_NAME, APL_LANG_ID, "
                       "APL_LANG_SUB_ID, REP_LANG_ID, REP_LANG_SUB_ID) VALUES (:U, :L, 0, "
                       ":L, 0)")
            .arg(FSchema.toLower()),
        {{QStringLiteral("U"), FRaw->UserName().toUpper()}, {QStringLiteral("L"), language}});
    FRaw->Commit();
}

long long TestDatabase::AddType(int level, long long abbrevId) {
    return Checked(Call(QStringLiteral("QXVERPLOCAT"), QStringLiteral("INS_T#LOCATTYPE"),
                        {{"PLEVEL#", level}, {"PID_ABBREV", abbrevId}}),
                   "level");
}

long long TestDatabase::AddLocation(long long parent, long long typeId, const QString& name) {
    return Checked(Call(QStringLiteral("QXVERPLOCAT"), QStringLiteral("INS_T#LOCATION"),
                        {{"PID_PARENT", parent}, {"PID_LOCATTYPE", typeId}, {"PNAME", name}}),
                   "location");
}

long long TestDatabase::AddInfo(long long objId, long long parent, int infoType,
                                const QString& value, const QString& description, bool active) {
    return Checked(Call(QStringLiteral("QXVERPINFORM"), QStringLiteral("INS_T#INFORMATION"),
                        {{"POBJTYPE", 1},
                         {"POBJID", objId},
                         {"PID_PARENT", parent < 1 ? QVariant() : QVariant(parent)},
                         {"PINFOTYPE", infoType},
                         {"PVALUE", value},
                         {"PDESCRIPTION", description},
                         {"PACTIVE", active ? 1 : 0}}),
                   "information item");
}

TestDatabase::TSample TestDatabase::AddSample() {
    TSample s{};
    s.aObl = AddAbbrev(QStringLiteral("обл."), QStringLiteral("область"));
    s.aR = AddAbbrev(QStringLiteral("р-н"), QStringLiteral("район"));
    s.aG = AddAbbrev(QStringLiteral("г."), QStringLiteral("город"));
    s.aS = AddAbbrev(QStringLiteral("с."), QStringLiteral("село"));
    s.tObl = AddType(1, s.aObl);
    s.tR = AddType(2, s.aR);
    s.tG3 = AddType(3, s.aG);
    s.tS3 = AddType(3, s.aS);
    s.tS4 = AddType(4, s.aS);
    s.north = AddLocation(-1, s.tObl, QStringLiteral("Северная"));
    s.lakeside = AddLocation(s.north, s.tR, QStringLiteral("Озёрный"));
    s.birch = AddLocation(s.lakeside, s.tS3, QStringLiteral("Берёзовка"));
    s.harbour = AddLocation(s.lakeside, s.tG3, QStringLiteral("Гавань"));
    s.south = AddLocation(-1, s.tObl, QStringLiteral("Южная"));
    FRaw->Commit();
    return s;
}
