#include "ComUnits/uComFormLibInt.h"

#include <QDir>
#include <QFile>
#include <QLibrary>

#include <memory>

#include "ComUnits/uAssert.h"
#include "Platform/Ini/HostFolder.h"

namespace uComFormLibInt {

namespace {

struct TLibState {
    QString Folder;
    std::unique_ptr<QLibrary> Library;
    int Loads = 0;
};

TLibState& State() {
    static TLibState state;
    return state;
}

template <typename Proc>
Proc Lookup(const char* name) {
    LoadLib();
    auto proc = reinterpret_cast<Proc>(State().Library->resolve(name));
    Assert(proc != nullptr,
           QStringLiteral("uComFormLibInt: \"%1\" procedure not found in ComFormLibs.dll")
               .arg(QString::fromLatin1(name)));
    return proc;
}

}  // namespace

QString LibraryFolder() {
    const QString& folder = State().Folder;
    return folder.isEmpty() ? HostLibraryFolder() : folder;
}

void SetLibraryFolder(const QString& folder) { State().Folder = folder; }

void LoadLib() {
    TLibState& state = State();
    if (state.Library) return;
    const QString path = QDir::toNativeSeparators(QDir(LibraryFolder()).filePath(LibraryName));
    if (!QFile::exists(path))
        throw EGeneralError(
            QStringLiteral("uComFormLibInt.LoadLib: \"%1\" library is not found").arg(path));
    auto library = std::make_unique<QLibrary>(path);
    if (!library->load()) throw EGeneralError(library->errorString());
    state.Library = std::move(library);
    ++state.Loads;
}

bool Loaded() { return State().Library != nullptr; }

void UnloadLib() {
    TLibState& state = State();
    if (!state.Library) return;
    state.Library->unload();
    state.Library.reset();
}

int LoadCount() { return State().Loads; }

void SortDBGrid(TDataSet* dataSet, const QString& settingsName, int language) {
    Lookup<TSortProc>("_SortDBGridBIni")(dataSet, settingsName.toUtf8().constData(), true,
                                         language);
}

void FindByDBGrid(TDataSet* dataSet, QTableView* grid, const QString& settingsName, int& fieldIndex,
                  int language) {
    Lookup<TFindProc>("_FindByDBGridExBIni")(dataSet, grid, settingsName.toUtf8().constData(),
                                             &fieldIndex, true, language);
}

void FilterByDBGrid(TDataSet* dataSet, const QString& settingsName, int language) {
    Lookup<TFilterProc>("_FilterByDBGridBIni")(dataSet, settingsName.toUtf8().constData(), true,
                                               language);
}

void GridReport(TDataSet* master, TDataSet* detail, const QString& masterSettings,
                const QString& detailSettings, const QString& title, int language) {
    Lookup<TReportProc>("GridReportIni")(master, detail, masterSettings.toUtf8().constData(),
                                         detailSettings.toUtf8().constData(),
                                         title.toUtf8().constData(), true, language);
}

void RunSelectGrid(IDBGrid* grid, unsigned char mode, const QString& checkField) {
    Lookup<TSelectGridProc>("RunSelectGrid")(grid, mode, checkField.toUtf8().constData(), true);
}

void RunMySelect(QObject* gridObject, unsigned char mode, int a, int b, int c, int d,
                 const QString& checkField) {
    Lookup<TMySelectProc>("RunMySelect")(gridObject, mode, a, b, c, d,
                                         checkField.toUtf8().constData(), true);
}

}  // namespace uComFormLibInt
