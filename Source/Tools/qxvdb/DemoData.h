#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class IDbConnection;

struct TDemoStats {
    int Abbreviations = 0;
    int LocationTypes = 0;
    int Locations = 0;
    int InformationItems = 0;
};

// The 16x16 picture drawn for an abbreviation of the given kind, as BMP file bytes.
enum class TIconKind {
    Region,
    District,
    City,
    Town,
    Village,
    Settlement,
    Street,
    Lane,
    Avenue,
    Square,
    Quarter
};
QByteArray DemoIcon(TIconKind kind);

// Loads a multi-level directory of Russian places, its dictionaries and information
// items through the server routines, and makes englishUser read the interface in
// English (language 9; the phrases come with the schema). Does nothing and returns nothing when the
// schema already holds locations. With `world` the regions are the real ones of a directory
// seeded from the ISO 3166 tables (found by their codes) and the demo's places go below them;
// nothing is loaded when the first of them has places below it, or the schema lacks them. Commits on success; throws
// EOraError (after a rollback) on failure.
std::optional<TDemoStats> LoadDemoData(IDbConnection& db, const QString& schema,
                                       const QString& englishUser, bool world = false);

// Makes `user` read the interface in English (and the places' English names).
void AddEnglishUser(IDbConnection& db, const QString& schema, const QString& user);
