#pragma once

#include <QHash>
#include <QString>

#include "ComUnits/wwDBGrid.h"
#include "FormReposit/uBaseForm.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class TOraQuery;
class TOraStoredProc;

// The history of a place: when, who and what changed (a field, its old and new value), for
// the place alone or with every place below it, newest first, in a grid of the grid framework
// (quick search, find, sort, filter, report, column view, record counter). The rows are the
// server's journal, one per changed field, kept in the session's own table while it is open.
class TfHistory : public TBaseForm {
    Q_OBJECT
public:
    TfHistory(QWidget* owner, TOraSession* session, const QString& schema);
    ~TfHistory() override;

    // The place whose history is shown, and its caption for the title.
    void SetPlace(int id, const QString& caption);
    // What stands between a place's short name and its name, as the tree shows it.
    void SetSeparator(const QString& separator) { FSeparator = separator; }
    // Reads the place's journal again (with its subtree when the box is checked).
    void Reload();
    int RowCount() const;
    // The most journal rows one window reads, newest first.
    static constexpr int MaxChanges = 2000;

    QCheckBox* cbSubtree = nullptr;
    TwwDBGrid* dbgHistory = nullptr;
    QLabel* lblCount = nullptr;
    QLabel* lblCut = nullptr;
    QPushButton* btnClose = nullptr;
    TOraQuery* oqHistory = nullptr;
    TOraStoredProc* ospJournal = nullptr;
    TOraStoredProc* ospPlace = nullptr;  // a parent's name
    TOraStoredProc* ospType = nullptr;   // a level's number and abbreviation

protected:
    void FormCreate() override;
    void hideEvent(QHideEvent* event) override;
    void BeforeDestruction() override;
    void DynamicAssignGridIntClass(QTableView* grid, TGridIntClass& kind) override;

private:
    void BuildQueries();
    void BuildLayout();
    void Fill();
    void Keep(const QVariantList& values);
    QString FieldCaption(const QString& field) const;
    QString OperationCaption(const QString& op) const;
    // A value as the reader knows it: a parent by its caption, a type by its level and
    // abbreviation; a place or type gone by its id, said to be gone. Other values as they are.
    QString ValueCaption(const QString& field, const QString& value);
    QString PlaceName(int id);
    QString TypeName(int id);

    TOraQuery* FMake = nullptr;   // the session's table, made once
    TOraQuery* FKeep = nullptr;   // one row into it
    TOraQuery* FClear = nullptr;  // the window's rows out of it
    QString FGuid;
    int FPlace = -1;
    QString FCaption;
    QString FSeparator = QStringLiteral(". ");
    QHash<QString, QString> FValueCaptions;  // field and id to caption, for one reading
};
