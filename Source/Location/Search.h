#pragma once

#include <QList>
#include <QString>

#include "ComUnits/wwDBGrid.h"
#include "FormReposit/uBaseForm.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class TOraQuery;
class TOraStoredProc;
class TSuggestList;

// The search window of the location window: places found by name, with their address
// paths, in a grid of the grid framework (quick search, find, sort, filter, report, record
// counter). Choosing a hit (double click or Enter) closes the window with it, as does
// choosing a suggestion under the text.
class TfSearch : public TBaseForm {
    Q_OBJECT
public:
    TfSearch(QWidget* owner, TOraSession* session, const QString& schema);
    ~TfSearch() override;

    // The text between an abbreviation and a name in the paths, as the tree shows them.
    void SetSeparator(const QString& separator) { FSeparator = separator; }
    void SetText(const QString& text);
    // The user's own places, first in the suggestions when they match.
    void SetFirstPlaces(QList<int> ids) { FFirstPlaces = std::move(ids); }
    // Looks the text up on the server and shows the hits.
    void Search();
    // The chosen place, or -1.
    int ChosenID() const { return FChosenID; }
    int HitCount() const;
    TSuggestList* Suggestions() const { return FSuggest; }
    // The most hits one search shows.
    static constexpr int MaxHits = 500;
    // How far the server counts the places a cut list leaves out.
    static constexpr int CountCap = 10000;

    QLineEdit* edText = nullptr;
    QPushButton* btnFind = nullptr;
    TwwDBGrid* dbgHits = nullptr;
    QLabel* lblCount = nullptr;
    QLabel* lblCut = nullptr;  // what a list cut at its limit leaves out
    QPushButton* btnChoose = nullptr;
    QPushButton* btnCancel = nullptr;
    TOraQuery* oqHits = nullptr;
    TOraStoredProc* ospFillHits = nullptr;
    TOraStoredProc* ospDelHits = nullptr;
    TOraStoredProc* ospCountHits = nullptr;
    TOraStoredProc* ospSuggest = nullptr;

protected:
    void FormCreate() override;
    void AfterCreateHook() override;
    void FormShow() override;
    void FormClose() override;
    void BeforeDestruction() override;
    void DynamicAssignGridIntClass(QTableView* grid, TGridIntClass& kind) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildLayout();
    void BuildQuery();
    void Choose();
    void ChooseSuggested(int id);
    void DropHits();
    void ClearHits();
    void ShowCut(const QString& text);

    QString FGuid;
    QString FSeparator = QStringLiteral(". ");
    int FChosenID = -1;
    bool FHitsKept = false;
    TSuggestList* FSuggest = nullptr;
    QList<int> FFirstPlaces;
};
