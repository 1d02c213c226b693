#include "ComUnits/uBaseFormSettings.h"

#include <QDir>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <memory>

#include "ComUnits/wwDBGrid.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Ini/HostFolder.h"
#include "Platform/Ini/IniFile.h"

namespace BaseFormSettings {

namespace {

const QString OrderPrefix = QStringLiteral("ORDER_");
const QString WidthPrefix = QStringLiteral("WIDTH_");
const QString VisiblePrefix = QStringLiteral("VISIBLE_");
const QString DefaultSuffix = QStringLiteral("_def");

// One settings file of the settings folder, made again only when the folder changed.
TIniFile& HostIni(std::unique_ptr<TIniFile>& file, const QString& name) {
    const QString path = QDir(HostSettingsFolder()).filePath(name);
    if (!file || file->FileName() != path) file = std::make_unique<TIniFile>(path);
    return *file;
}

QString ComponentSection(const QString& formSection, const QString& component) {
    return formSection + u'.' + component;
}

// The library this code is linked into names the sort order section.
QString OwnLibraryName() {
    static const QString name = ModuleFileNameOf(reinterpret_cast<const void*>(&OwnLibraryName));
    return name;
}

QString SortSection(const QString& schema) {
    return schema.toUpper() + u'/' + OwnLibraryName() + QStringLiteral("/OrderBy");
}

bool ReadSortKey(const QString& schema, const QString& key, QString& value) {
    TIniFile& ini = ComFormGFG();
    if (!ini.ValueExists(SortSection(schema), key)) return false;
    value = ini.ReadString(SortSection(schema), key, QString());
    return true;
}

// Grid columns are laid out in the width of this many "0" characters per display
// width unit plus a margin.
constexpr int ColumnMargin = 6;

int CharWidth(const QTableView& grid) {
    return std::max(1, grid.fontMetrics().horizontalAdvance(u'0'));
}

TDataSetModel* ModelOf(const QTableView& grid) {
    return qobject_cast<TDataSetModel*>(grid.model());
}

}  // namespace

TIniFile& UserSaves() {
    static std::unique_ptr<TIniFile> file;
    return HostIni(file, QStringLiteral("UserSaves.ini"));
}

TIniFile& ComFormGFG() {
    static std::unique_ptr<TIniFile> file;
    return HostIni(file, QStringLiteral("ComFormGFG.INI"));
}

TIniFile& Settings() {
    static std::unique_ptr<TIniFile> file;
    return HostIni(file, QStringLiteral("Settings.ini"));
}

bool DetailedGridErrors() {
    return Settings().ReadBool(QStringLiteral("DBG_SETTINGS"), QStringLiteral("CAN"), false);
}

bool StoreSelect() {
    return Settings().ReadBool(QStringLiteral("COM_SETTINGS"), QStringLiteral("StoreSelect"), true);
}

QString PositionText(int position, int largest) {
    const qsizetype width = QString::number(std::max(largest, 0)).size();
    return QString::number(position).rightJustified(width, u'0');
}

int ReadFormValue(const QString& formSection, const QString& key, int current) {
    return UserSaves().ReadInteger(formSection, key, current);
}

void WriteFormValue(const QString& formSection, const QString& key, int value) {
    UserSaves().WriteInteger(formSection, key, value);
}

bool ReadCheck(const QString& formSection, const QString& component) {
    return UserSaves().ReadBool(ComponentSection(formSection, component), QStringLiteral("CHECK"),
                                true);
}

void WriteCheck(const QString& formSection, const QString& component, bool down) {
    UserSaves().WriteBool(ComponentSection(formSection, component), QStringLiteral("CHECK"), down);
}

int ReadIndex(const QString& formSection, const QString& component) {
    return UserSaves().ReadInteger(ComponentSection(formSection, component),
                                   QStringLiteral("INDEX"), 0);
}

void WriteIndex(const QString& formSection, const QString& component, int index) {
    UserSaves().WriteInteger(ComponentSection(formSection, component), QStringLiteral("INDEX"),
                             index);
}

int ReadSplitLen(const QString& formSection, const QString& component) {
    return UserSaves().ReadInteger(ComponentSection(formSection, component),
                                   QStringLiteral("SPLITLEN"), -1);
}

void WriteSplitLen(const QString& formSection, const QString& component, int value) {
    UserSaves().WriteInteger(ComponentSection(formSection, component), QStringLiteral("SPLITLEN"),
                             value);
}

int ReadWidth(const QString& formSection, const QString& component, const QString& id) {
    return UserSaves().ReadInteger(ComponentSection(formSection, component), WidthPrefix + id, 10);
}

void WriteWidth(const QString& formSection, const QString& component, const QString& id,
                int width) {
    UserSaves().WriteInteger(ComponentSection(formSection, component), WidthPrefix + id, width);
}

bool ReadVisible(const QString& formSection, const QString& component, const QString& id) {
    return UserSaves().ReadBool(ComponentSection(formSection, component), VisiblePrefix + id, true);
}

void WriteVisible(const QString& formSection, const QString& component, const QString& id,
                  bool visible) {
    UserSaves().WriteBool(ComponentSection(formSection, component), VisiblePrefix + id, visible);
}

void WriteOrder(const QString& formSection, const QString& component, const QString& position,
                const QString& value) {
    UserSaves().WriteString(ComponentSection(formSection, component), OrderPrefix + position,
                            value);
}

QList<QPair<int, QString>> ReadOrder(const QString& formSection, const QString& component) {
    TIniFile& ini = UserSaves();
    const QString section = ComponentSection(formSection, component);
    QList<QPair<int, QString>> pairs;
    for (const QString& key : ini.ReadSection(section)) {
        if (!key.startsWith(OrderPrefix, Qt::CaseInsensitive)) continue;
        bool ok = false;
        const int position = key.mid(OrderPrefix.size()).toInt(&ok);
        if (ok) pairs.append({position, ini.ReadString(section, key, QString())});
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return pairs;
}

void FieldsFromGrid(QTableView& grid) {
    TDataSetModel* model = ModelOf(grid);
    TDataSet* dataSet = model ? model->DataSet() : nullptr;
    if (!dataSet) return;
    const QHeaderView* header = grid.horizontalHeader();
    const int charWidth = CharWidth(grid);
    QList<TField*> shown;
    for (int visual = 0; visual < header->count(); ++visual) {
        TField* field = model->FieldAt(header->logicalIndex(visual));
        if (!field) continue;
        shown << field;
        const int size = header->sectionSize(header->logicalIndex(visual));
        field->SetDisplayWidth(std::max(1, (size - ColumnMargin + charWidth / 2) / charWidth));
    }
    // Visible fields take the places of visible fields in the order the header shows.
    QList<TField*> order;
    for (int i = 0, next = 0; i < dataSet->FieldCount(); ++i) {
        TField* field = dataSet->Fields(i);
        order << (field->Visible() && next < shown.size() ? shown[next++] : field);
    }
    for (int i = 0; i < order.size(); ++i) order[i]->SetIndex(i);
}

void GridFromFields(QTableView& grid) {
    TDataSetModel* model = ModelOf(grid);
    if (!model) return;
    QHeaderView* header = grid.horizontalHeader();
    // The model shows the fields in their order; the header's own moves are undone.
    for (int logical = 0; logical < header->count(); ++logical)
        header->moveSection(header->visualIndex(logical), logical);
    const int charWidth = CharWidth(grid);
    for (int column = 0; column < model->columnCount(); ++column)
        if (const TField* field = model->FieldAt(column))
            header->resizeSection(column, field->DisplayWidth() * charWidth + ColumnMargin);
}

// The enhanced grid keeps its columns under its own name, by field name: their order,
// visibility and, for the shown ones, width in pixels.
void ReadEnhancedGrid(const QString& section, TwwDBGrid& grid) {
    const QString name = grid.objectName();
    // Names that no longer exist are skipped.
    for (const auto& [position, fieldName] : ReadOrder(section, name))
        if (TwwColumn* column = grid.ColumnByName(fieldName)) column->SetIndex(position);
    for (int i = 0; i < grid.ColumnCount(); ++i) {
        TwwColumn* column = grid.Column(i);
        column->SetVisible(ReadVisible(section, name, column->FieldName()));
        const int width = ReadWidth(section, name, column->FieldName());
        if (width != -1 && width != 10) column->SetWidth(width);
    }
}

void WriteEnhancedGrid(const QString& section, const TwwDBGrid& grid) {
    const QString name = grid.objectName();
    const int largest = grid.ColumnCount() - 1;
    for (int i = 0; i < grid.ColumnCount(); ++i) {
        const TwwColumn* column = grid.Column(i);
        WriteOrder(section, name, PositionText(i, largest), column->FieldName());
        WriteVisible(section, name, column->FieldName(), column->Visible());
        if (column->Visible()) WriteWidth(section, name, column->FieldName(), column->Width());
    }
}

unsigned SqlTextHash(const QString& sql) {
    const QString text = sql + u' ';
    unsigned hash = 0;
    for (qsizetype i = 1; i < text.size(); ++i)  // 1-based positions 1 .. length - 1
        hash ^= unsigned(text.at(i - 1).unicode()) + unsigned(i);
    return hash;
}

QString QueryKey(const TOraQuery& query) {
    QString key;
    if (const QObject* owner = query.parent(); owner && !owner->objectName().isEmpty())
        key = owner->objectName() + u'.';
    const QString hash =
        QString::number(SqlTextHash(query.SQLText()), 16).toUpper().rightJustified(4, u'0');
    return key + query.objectName() + u'.' + hash;
}

bool SortOrderSaving(const QString& schema) {
    return ComFormGFG().ReadBool(schema.toUpper() + QStringLiteral("_ORDERBY"),
                                 QStringLiteral("SAVE"), true);
}

bool ReadSortOrder(const QString& schema, const QString& key, QString& value) {
    return ReadSortKey(schema, key, value);
}

void WriteSortOrder(const QString& schema, const QString& key, const QString& value) {
    ComFormGFG().WriteString(SortSection(schema), key, value);
}

void DeleteSortOrder(const QString& schema, const QString& key) {
    ComFormGFG().DeleteKey(SortSection(schema), key);
}

bool ReadSortDefault(const QString& schema, const QString& key, QString& value) {
    return ReadSortKey(schema, key + DefaultSuffix, value);
}

void WriteSortDefault(const QString& schema, const QString& key, const QString& value) {
    WriteSortOrder(schema, key + DefaultSuffix, value);
}

void DeleteSortDefault(const QString& schema, const QString& key) {
    DeleteSortOrder(schema, key + DefaultSuffix);
}

QStringList CommaTextItems(const QString& text) {
    QStringList items;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text.at(i).unicode() <= 32) ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text.at(i) == u'"') {
            ++i;
            while (i < n) {
                if (text.at(i) == u'"') {
                    if (i + 1 < n && text.at(i + 1) == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text.at(i++);
            }
        } else {
            while (i < n && text.at(i).unicode() > 32 && text.at(i) != u',') item += text.at(i++);
        }
        items << item;
        skipBlanks();
        if (i < n && text.at(i) == u',') {
            ++i;
            skipBlanks();
            if (i == n) items << QString();  // a trailing comma ends with an empty item
        }
    }
    return items;
}

}  // namespace BaseFormSettings
