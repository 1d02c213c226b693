#pragma once

#include <QDateTime>
#include <QString>

#include "Platform/Data/DbBackend.h"
#include "Platform/PlacePairs.h"

class TRoutines;

// The journal rows of the places an import writes straight into the table (the places it
// updates go through the routine, which writes its own): one ADD row per place, with the
// fields the server records, sent many rows per statement once the places are in.
class TImportJournal {
public:
    explicit TImportJournal(TRoutines& calls);
    TImportJournal(const TImportJournal&) = delete;
    TImportJournal& operator=(const TImportJournal&) = delete;

    void Added(qint32 id, qint32 parent, long long type, const QString& name,
               const TPlacePairs& codes, const TPlacePairs& names);
    // Sends the rows added so far: before a change the routines record, which comes after.
    void Flush();
    // Sends the rest and tells the listeners.
    void Finish();

private:
    TRoutines& FCalls;
    TBulkRows FRows;
    QString FAt;
    QString FWho;
    int FPending = 0;
    bool FOrdered = false;
};
