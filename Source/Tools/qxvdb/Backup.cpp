#include "Tools/qxvdb/Backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include "Platform/Data/Sqlite/SqliteFiles.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The backup file's own mark, so that any other database is refused.
constexpr int kBackupApplicationId = 0x51585642;  // "QXVB"
constexpr int kBusyTimeoutMs = 10000;

struct TCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using TDb = std::unique_ptr<sqlite3, TCloser>;

struct TFinalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using TStmt = std::unique_ptr<sqlite3_stmt, TFinalizer>;

[[noreturn]] void Fail(sqlite3* db, const QString& what) {
    throw EBackupError{what + QStringLiteral(": ") +
                       QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory")};
}

TDb Open(const QByteArray& name, const QString& path, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &raw, flags | SQLITE_OPEN_URI, nullptr);
    TDb db(raw);
    if (rc != SQLITE_OK) Fail(raw, QStringLiteral("cannot open %1").arg(path));
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    return db;
}

TDb Open(const QString& path, int flags) { return Open(QFile::encodeName(path), path, flags); }

void Exec(sqlite3* db, const QString& sql) {
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail(db, sql);
}

TStmt Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        Fail(db, QString::fromUtf8(sql));
    return TStmt(raw);
}

QString Text(sqlite3_stmt* s, int column) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column)));
}

QString Quoted(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// The schemas the catalogue of the main file knows, whose files exist.
QStringList SchemaFilesOf(sqlite3* db, const QString& databasePath) {
    QStringList schemas;
    TStmt has = Prepare(db, "SELECT count(*) FROM main.sqlite_schema WHERE name = 'ALL_OBJECTS'");
    if (sqlite3_step(has.get()) != SQLITE_ROW || sqlite3_column_int(has.get(), 0) == 0)
        return schemas;
    TStmt owners = Prepare(db, "SELECT DISTINCT lower(OWNER) FROM main.ALL_OBJECTS ORDER BY 1");
    while (sqlite3_step(owners.get()) == SQLITE_ROW) {
        const QString schema = Text(owners.get(), 0);
        if (QFileInfo::exists(databasePath + u'.' + schema)) schemas << schema;
    }
    return schemas;
}

struct TImage {
    QString Schema;  // empty for the main file
    QByteArray Bytes;
};

QByteArray Serialized(sqlite3* db, const QString& name) {
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(db, name.toUtf8().constData(), &size, 0);
    if (!bytes) Fail(db, QStringLiteral("cannot copy %1").arg(name));
    QByteArray copy(reinterpret_cast<const char*>(bytes), qsizetype(size));
    sqlite3_free(bytes);
    return copy;
}

void WriteBackupFile(const std::vector<TImage>& images, const QString& backupPath) {
    const QString partial = backupPath + QStringLiteral(".partial");
    QFile::remove(partial);
    {
        TDb out = Open(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        Exec(out.get(), QStringLiteral("PRAGMA application_id = %1").arg(kBackupApplicationId));
        Exec(out.get(), QStringLiteral("CREATE TABLE BACKUP_FILE (SCHEMA_NAME TEXT PRIMARY KEY, "
                                       "IMAGE BLOB NOT NULL)"));
        Exec(out.get(), QStringLiteral("BEGIN"));
        TStmt insert = Prepare(out.get(), "INSERT INTO BACKUP_FILE VALUES (?1, ?2)");
        for (const TImage& image : images) {
            const QByteArray schema = image.Schema.toUtf8();
            sqlite3_bind_text(insert.get(), 1, schema.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_blob64(insert.get(), 2, image.Bytes.constData(),
                                sqlite3_uint64(image.Bytes.size()), SQLITE_STATIC);
            if (sqlite3_step(insert.get()) != SQLITE_DONE) Fail(out.get(), backupPath);
            sqlite3_reset(insert.get());
        }
        insert.reset();
        Exec(out.get(), QStringLiteral("COMMIT"));
    }
    QFile::remove(backupPath);
    if (!QFile::rename(partial, backupPath))
        throw EBackupError{QStringLiteral("cannot write %1").arg(backupPath)};
}

std::vector<TImage> ReadBackupFile(const QString& backupPath) {
    if (!QFileInfo::exists(backupPath))
        throw EBackupError{QStringLiteral("%1 does not exist").arg(backupPath)};
    TDb in = Open(backupPath, SQLITE_OPEN_READONLY);
    std::vector<TImage> images;
    auto notABackup = [&backupPath] {
        return EBackupError{
            QStringLiteral("%1 is not a backup of an embedded database").arg(backupPath)};
    };
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(in.get(), "PRAGMA application_id", -1, &raw, nullptr) != SQLITE_OK)
        throw notABackup();
    TStmt id(raw);
    if (sqlite3_step(id.get()) != SQLITE_ROW ||
        sqlite3_column_int(id.get(), 0) != kBackupApplicationId)
        throw notABackup();
    if (sqlite3_prepare_v2(in.get(), "SELECT SCHEMA_NAME, IMAGE FROM BACKUP_FILE", -1, &raw,
                           nullptr) != SQLITE_OK)
        throw notABackup();
    TStmt rows(raw);
    while (sqlite3_step(rows.get()) == SQLITE_ROW) {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(rows.get(), 1));
        images.push_back(
            {Text(rows.get(), 0), QByteArray(bytes, sqlite3_column_bytes(rows.get(), 1))});
    }
    const bool hasMain = std::any_of(images.begin(), images.end(),
                                     [](const TImage& i) { return i.Schema.isEmpty(); });
    if (!hasMain) throw notABackup();
    return images;
}

// Loads an image into a private in-memory database and checks it is whole.
TDb Loaded(const TImage& image, const QString& backupPath) {
    TDb db = Open(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE);
    const auto size = sqlite3_int64(image.Bytes.size());
    auto* bytes = static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(size)));
    if (!bytes) Fail(nullptr, backupPath);
    memcpy(bytes, image.Bytes.constData(), size_t(size));
    // A private copy has no log beside it: it is read as a plain (rollback) database file.
    if (size > 19 && bytes[18] == 2 && bytes[19] == 2) bytes[18] = bytes[19] = 1;
    if (sqlite3_deserialize(db.get(), "main", bytes, size, size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) !=
        SQLITE_OK)
        Fail(db.get(), backupPath);
    TStmt check = Prepare(db.get(), "PRAGMA integrity_check");
    if (sqlite3_step(check.get()) != SQLITE_ROW || Text(check.get(), 0) != QLatin1String("ok"))
        throw EBackupError{QStringLiteral("%1 holds a damaged copy of %2")
                               .arg(backupPath, image.Schema.isEmpty()
                                                    ? QStringLiteral("the main file")
                                                    : image.Schema)};
    return db;
}

}  // namespace

TBackupStats BackupEmbedded(const QString& databasePath, const QString& backupPath) {
    if (!QFileInfo::exists(databasePath))
        throw EBackupError{QStringLiteral("%1 does not exist").arg(databasePath)};
    // In a folder nobody may write to, no writer can be at work: the files are read as they are.
    const TSqliteFileName main = SqliteFileName(databasePath);
    TDb db =
        Open(main.Name, databasePath, main.ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    const QStringList schemas = SchemaFilesOf(db.get(), databasePath);
    for (int i = 0; i < schemas.size(); ++i) {
        const QString file = databasePath + u'.' + schemas[i];
        const QString name = main.ReadOnly ? QString::fromUtf8(SqliteFileName(file).Name) : file;
        Exec(db.get(), QStringLiteral("ATTACH DATABASE '%1' AS %2")
                           .arg(QString(name).replace(u'\'', QStringLiteral("''")),
                                Quoted(QStringLiteral("s%1").arg(i))));
    }
    // One write transaction over every file: no writer can change any of them meanwhile,
    // so the copies are of one moment. Readers are not held up (write-ahead log).
    Exec(db.get(), main.ReadOnly ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    std::vector<TImage> images;
    try {
        images.push_back({QString(), Serialized(db.get(), QStringLiteral("main"))});
        for (int i = 0; i < schemas.size(); ++i)
            images.push_back({schemas[i], Serialized(db.get(), QStringLiteral("s%1").arg(i))});
    } catch (...) {
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    Exec(db.get(), QStringLiteral("ROLLBACK"));
    WriteBackupFile(images, backupPath);
    TBackupStats stats;
    for (const TImage& image : images) {
        ++stats.Files;
        stats.Bytes += image.Bytes.size();
    }
    return stats;
}

namespace {

// A restore for one schema must find that schema in the backup, or it would overwrite the
// main file and leave the schema as it was.
void CheckHoldsSchema(const std::vector<TImage>& images, const QString& backupPath,
                      const QString& schema) {
    QStringList held;
    for (const TImage& image : images)
        if (!image.Schema.isEmpty()) held << image.Schema.toUpper();
    if (schema.isEmpty() || held.contains(schema.toUpper())) return;
    throw EBackupError{
        QStringLiteral("%1 holds the schemas %2, not %3; nothing was restored")
            .arg(backupPath,
                 held.isEmpty() ? QStringLiteral("(none)") : held.join(QStringLiteral(", ")),
                 schema.toUpper())};
}

}  // namespace

TBackupStats RestoreEmbedded(const QString& backupPath, const QString& databasePath,
                             const QString& schema) {
    const std::vector<TImage> images = ReadBackupFile(backupPath);
    CheckHoldsSchema(images, backupPath, schema);
    std::vector<TDb> loaded;
    for (const TImage& image : images) loaded.push_back(Loaded(image, backupPath));
    const QString folder = QFileInfo(databasePath).absolutePath();
    if (!QDir().mkpath(folder)) throw EBackupError{QStringLiteral("cannot create %1").arg(folder)};
    TBackupStats stats;
    for (size_t i = 0; i < images.size(); ++i) {
        const QString file =
            images[i].Schema.isEmpty() ? databasePath : databasePath + u'.' + images[i].Schema;
        TDb target = Open(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        // The engine's own copy takes the target's write lock and replaces its pages whole.
        sqlite3_backup* copy = sqlite3_backup_init(target.get(), "main", loaded[i].get(), "main");
        if (!copy) Fail(target.get(), file);
        int rc = SQLITE_OK;
        for (int waited = 0; waited <= kBusyTimeoutMs; waited += 50) {
            rc = sqlite3_backup_step(copy, -1);
            if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
            sqlite3_sleep(50);  // another program is writing: wait as the engine would
        }
        sqlite3_backup_finish(copy);
        if (rc != SQLITE_DONE) Fail(target.get(), file);
        Exec(target.get(), QStringLiteral("PRAGMA journal_mode = WAL"));
        ++stats.Files;
        stats.Bytes += images[i].Bytes.size();
    }
    return stats;
}
