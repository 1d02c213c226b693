#include "Location/UserPlaces.h"

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Location/LocationTree.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

constexpr int kPlaceRole = Qt::UserRole + 1;

QString PlaceCaptionOf(TOraStoredProc& rows, const QString& separator) {
    return TLocationTree::Caption(rows.FieldByName(QStringLiteral("ABBREV_SNAME")).AsString(),
                                  separator, rows.FieldByName(QStringLiteral("NAME")).AsString());
}

}  // namespace

bool ConfirmNamesake(QWidget* owner, TOraStoredProc& namesakes, int parentId, const QString& name,
                     int exceptId, const QString& parentPath) {
    namesakes.Close();
    namesakes.ParamByName(QStringLiteral("PID_PARENT")).SetAsInteger(parentId);
    if (name.isEmpty())
        namesakes.ParamByName(QStringLiteral("PNAME")).Clear();
    else
        namesakes.ParamByName(QStringLiteral("PNAME")).SetAsString(name);
    namesakes.ParamByName(QStringLiteral("PID")).SetAsInteger(exceptId);
    namesakes.ExecProc();
    namesakes.First();
    if (namesakes.Eof()) return true;
    const QString caption = PlaceCaptionOf(namesakes, QStringLiteral(". "));
    const QString path = parentPath.isEmpty() ? caption : parentPath + u'\\' + caption;
    return MessageBoxes::Show(
               TranslateRu(
                   QStringLiteral("Местоположение с именем \"%1\" здесь уже есть: %2. Добавить всё "
                                  "равно?"))
                   .arg(namesakes.FieldByName(QStringLiteral("NAME")).AsString(), path),
               TranslateRu(QStringLiteral("Местоположение")), MB_ICONQUESTION | MB_YESNO,
               MessageBoxes::OwnerFor(owner)) == IDYES;
}

bool RememberChosenPlace(TOraStoredProc& save, int id) {
    if (id < 1) return false;
    try {
        save.Close();
        save.ParamByName(QStringLiteral("PID")).SetAsInteger(id);
        save.ExecProc();
        return true;
    } catch (const std::exception&) {
        // The place is chosen all the same; the list of the last chosen misses it.
        return false;
    }
}

TUserPlacesList::TUserPlacesList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("lbUserPlaces"));
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (Chosen) Chosen(item->data(kPlaceRole).toInt());
    });
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (Opened) Opened(item->data(kPlaceRole).toInt());
    });
}

void TUserPlacesList::Load(TOraStoredProc& places, const QString& separator) {
    clear();
    FStarred.clear();
    places.Close();
    places.ExecProc();
    for (places.First(); !places.Eof(); places.Next()) {
        const int id = places.FieldByName(QStringLiteral("ID")).AsInteger();
        const bool starred = places.FieldByName(QStringLiteral("STARRED")).AsInteger() == 1;
        if (starred) FStarred.insert(id);
        auto* item = new QListWidgetItem(
            (starred ? QStringLiteral("★ ") : QString()) + PlaceCaptionOf(places, separator), this);
        item->setData(kPlaceRole, id);
    }
}

QList<int> TUserPlacesList::Places() const {
    QList<int> ids;
    for (int row = 0; row < count(); ++row) ids << PlaceAt(row);
    return ids;
}

int TUserPlacesList::PlaceAt(int row) const {
    const QListWidgetItem* it = item(row);
    return it ? it->data(kPlaceRole).toInt() : -1;
}
