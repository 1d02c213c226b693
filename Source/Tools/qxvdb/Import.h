#pragma once

#include <QIODevice>

#include <vector>

#include "Tools/qxvdb/Records.h"

class TRoutines;
class TProgress;

struct TImportOptions {
    bool Update = false;         // a place whose id exists takes the file's values (else kept)
    bool CreateMissing = false;  // unknown abbreviations and levels are created (else refused)
    bool DryRun = false;         // check only
    bool NewIds = false;         // the file's ids only shape its tree: every row is a new place
    bool Namesakes = true;       // namesakes under one parent are listed as warnings
    // A code kind: the rows name themselves by their code of this kind (CODE_<KIND>) and their
    // parents by PARENT_CODE; ids are those of the places holding the codes, or new ones.
    QString Key;
};

struct TImportStats {
    int Added = 0;
    int Updated = 0;
    int Skipped = 0;
    int Abbreviations = 0;  // created
    int Levels = 0;         // created
};

struct TImportOutcome {
    std::vector<TBadRow> Bad;  // sorted by line; when not empty nothing was written
    std::vector<TBadRow> Warnings;  // namesakes under one parent, imported all the same
    TImportStats Stats;
};

// Opens the transaction an import reads and writes in, and takes the tree lock the server's
// moving routines take before anything is read: no other session moves a place, or writes
// at all on the embedded engine, until the transaction ends. Another session holding it past
// the wait (the embedded engine's busy timeout; on PostgreSQL the session's lock_timeout, 5 s
// when it has none) fails with EOraError 54, and nothing is open.
void BeginImport(TRoutines& calls);

// Checks every row against the file and the database (parents, cycles, duplicate ids, the
// level rule, abbreviations and levels) and, when all pass, writes them within the caller's
// transaction: new places in bulk, parents first, existing ones through the update routine.
// Database failures are thrown as EOraError.
TImportOutcome ImportPlaces(TRoutines& calls, std::vector<TPlaceRow> rows,
                            std::vector<TBadRow> readFaults, const TImportOptions& options,
                            TProgress& progress);

// The places of a schema with their codes and names per language, parents before their
// children (by level, then id). With a `key` kind each row also carries its parent's code of
// that kind; a place without one is refused (EOraError).
std::vector<TPlaceRow> ExportPlaces(TRoutines& calls, const QString& key = QString());
// The same places as a CSV file (WritePlaces' bytes), streamed by the engine when it writes
// CSV itself. Database failures are thrown as EOraError, also after part of the file was
// written.
void ExportPlacesCsv(TRoutines& calls, QIODevice& to, const QString& key = QString());
