#pragma once

#include <QListWidget>
#include <QSet>
#include <QString>

#include <functional>

class QWidget;
class TOraStoredProc;

// What the server keeps of a user's own places: the places chosen last and the starred ones.

// Asks whether to go on when another place named `name` (case, "ё" and runs of blanks aside)
// already stands under `parentId` (-1: the top), `exceptId` aside: "A place named "…" already
// exists here: PATH. Add anyway?", PATH being `parentPath` and the namesake's caption. True
// when there is none or the user says yes. An empty `name` is `exceptId`'s own (a move).
// `namesakes` calls GET_PLACE_NAMESAKES.
bool ConfirmNamesake(QWidget* owner, TOraStoredProc& namesakes, int parentId, const QString& name,
                     int exceptId, const QString& parentPath);

// Records that the user chose a place (SAVE_CHOSEN_PLACE); true when it was recorded.
// Recording is a convenience: a failure leaves the choice itself alone and is not shown.
bool RememberChosenPlace(TOraStoredProc& save, int id);

// The short list of the user's own places beside the picker's tree: the starred first (with a
// star), then the last chosen. A click on a row calls Opened with its place, Enter or a double
// click Chosen.
class TUserPlacesList : public QListWidget {
public:
    explicit TUserPlacesList(QWidget* parent);

    // Fills the list from GET_USER_PLACES; captions are made with `separator`.
    void Load(TOraStoredProc& places, const QString& separator);
    bool IsStarred(int id) const { return FStarred.contains(id); }
    int PlaceAt(int row) const;
    // The places listed, in the list's order: the ones the suggestions put first.
    QList<int> Places() const;

    std::function<void(int id)> Opened;
    std::function<void(int id)> Chosen;

private:
    QSet<int> FStarred;
};
