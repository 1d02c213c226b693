#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QTableView;
class TIniFile;
class TOraQuery;
class TwwDBGrid;

// The settings the form framework keeps between runs, in the INI files of the host
// executable's folder. Each file object is made on first use and kept for the
// process; it follows the folder when a test points it elsewhere.
namespace BaseFormSettings {

// "UserSaves.ini": window placement, grid columns, tool bar states.
TIniFile& UserSaves();
// "ComFormGFG.INI": remembered sort orders.
TIniFile& ComFormGFG();
// "Settings.ini": framework switches.
TIniFile& Settings();

// [DBG_SETTINGS] CAN: grid preparation errors get their detailed part.
bool DetailedGridErrors();
// [COM_SETTINGS] StoreSelect: a marked row is also recorded on the server.
bool StoreSelect();

// A position as an "ORDER_" key writes it: left-padded with "0" to the width of the
// largest position (12 columns: 00 to 11).
QString PositionText(int position, int largest);

// The form keys (FORMLEFT ...): the current value is the default of the read.
int ReadFormValue(const QString& formSection, const QString& key, int current);
void WriteFormValue(const QString& formSection, const QString& key, int value);

// Component keys, in the section form + "." + component.
bool ReadCheck(const QString& formSection, const QString& component);  // default true
void WriteCheck(const QString& formSection, const QString& component, bool down);
int ReadIndex(const QString& formSection, const QString& component);  // default 0
void WriteIndex(const QString& formSection, const QString& component, int index);
// -1 when absent.
int ReadSplitLen(const QString& formSection, const QString& component);
void WriteSplitLen(const QString& formSection, const QString& component, int value);
// "WIDTH_" + identifier (a field name): default 10.
int ReadWidth(const QString& formSection, const QString& component, const QString& id);
void WriteWidth(const QString& formSection, const QString& component, const QString& id, int width);
// "VISIBLE_" + identifier (a column of the enhanced grid): default true.
bool ReadVisible(const QString& formSection, const QString& component, const QString& id);
void WriteVisible(const QString& formSection, const QString& component, const QString& id,
                  bool visible);
void WriteOrder(const QString& formSection, const QString& component, const QString& position,
                const QString& value);
// The "ORDER_" entries of a section, in ascending position.
QList<QPair<int, QString>> ReadOrder(const QString& formSection, const QString& component);

// The grid keeps its fields' order and display widths in step with its header; the
// settings work on the fields (order by index, widths in characters).
void FieldsFromGrid(QTableView& grid);
void GridFromFields(QTableView& grid);

// The enhanced grid keeps its columns under its own name, by field name: their order,
// visibility and, for the shown ones, width in pixels.
void ReadEnhancedGrid(const QString& formSection, TwwDBGrid& grid);
void WriteEnhancedGrid(const QString& formSection, const TwwDBGrid& grid);

// The key a query's sort order is remembered under: owner name and "." (when it has
// an owner), the query's name, ".", and the hash of its SQL text in hexadecimal.
QString QueryKey(const TOraQuery& query);
// The hash of a query's SQL text: XOR of (character code + position) over the text
// with a blank appended, positions 1 to length - 1.
unsigned SqlTextHash(const QString& sql);

// The sort order store of ComFormGFG.INI, per schema.
bool SortOrderSaving(const QString& schema);
bool ReadSortOrder(const QString& schema, const QString& key, QString& value);
void WriteSortOrder(const QString& schema, const QString& key, const QString& value);
void DeleteSortOrder(const QString& schema, const QString& key);
// The design default of a query's sort list is kept under key + "_def".
bool ReadSortDefault(const QString& schema, const QString& key, QString& value);
void WriteSortDefault(const QString& schema, const QString& key, const QString& value);
void DeleteSortDefault(const QString& schema, const QString& key);

// Splits a list by comma-text rules: items end at commas and blanks; a double-quoted
// item keeps its blanks and commas.
QStringList CommaTextItems(const QString& text);

}  // namespace BaseFormSettings
