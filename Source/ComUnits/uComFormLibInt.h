#pragma once

#include <QString>

class IDBGrid;
class QObject;
class QTableView;
class TDataSet;

// The grid-dialog library "ComFormLibs.dll", loaded from the host executable's folder on
// first use and kept for the life of the process. Every call looks its procedure up by
// name again, so a library replaced between calls is noticed at the next load.
namespace uComFormLibInt {

inline constexpr char LibraryName[] = "ComFormLibs.dll";

// The procedures the library exports, by name, with their argument lists.
extern "C" {
using TSortProc = void (*)(TDataSet* dataSet, const char* settingsName, bool flag, int language);
using TFindProc = void (*)(TDataSet* dataSet, QTableView* grid, const char* settingsName,
                           int* fieldIndex, bool flag, int language);
using TFilterProc = void (*)(TDataSet* dataSet, const char* settingsName, bool flag, int language);
using TReportProc = void (*)(TDataSet* master, TDataSet* detail, const char* masterSettings,
                             const char* detailSettings, const char* title, bool flag,
                             int language);
using TSelectGridProc = void (*)(IDBGrid* grid, unsigned char mode, const char* checkField,
                                 bool flag);
using TMySelectProc = void (*)(QObject* gridObject, unsigned char mode, int a, int b, int c, int d,
                               const char* checkField, bool flag);
}

// The folder the library is looked for in: the host's sibling library folder, unless set
// (tests).
QString LibraryFolder();
void SetLibraryFolder(const QString& folder);
// Raises "uComFormLibInt.LoadLib: "PATH" library is not found" when the file is missing,
// and the loader's error when it cannot be loaded.
void LoadLib();
bool Loaded();
// Lets the library go (the process ends, or a test wants a fresh load).
void UnloadLib();
// How often the library was actually loaded in this process.
int LoadCount();

void SortDBGrid(TDataSet* dataSet, const QString& settingsName, int language);
// `fieldIndex` goes in and comes back as the field the user searched in.
void FindByDBGrid(TDataSet* dataSet, QTableView* grid, const QString& settingsName, int& fieldIndex,
                  int language);
void FilterByDBGrid(TDataSet* dataSet, const QString& settingsName, int language);
void GridReport(TDataSet* master, TDataSet* detail, const QString& masterSettings,
                const QString& detailSettings, const QString& title, int language);
void RunSelectGrid(IDBGrid* grid, unsigned char mode, const QString& checkField);
void RunMySelect(QObject* gridObject, unsigned char mode, int a, int b, int c, int d,
                 const QString& checkField);

}  // namespace uComFormLibInt
