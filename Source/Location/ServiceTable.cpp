#include "Location/ServiceTable.h"

#include <QFrame>
#include <QPainter>
#include <QPushButton>

#include "ComUnits/Lang/uLangComp.h"
#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uResources.h"
#include "ComUnits/uUserError.h"
#include "Location/Main.h"
#include "Location/Pictures.h"
#include "Platform/Ui/MessageBoxes.h"
#include "Platform/Ui/ModalRunner.h"

namespace ServiceTable {
namespace {

struct TServiceRow {
    const char* Identifier;
    const char* Caption;
    const char* Hint;
    const char* IconName;
};

const TServiceRow Services[] = {
    {ServiceTable::Identifier, "Местоположение", "Местоположение", ServiceTable::IconName},
};

const char* const List[] = {Services[0].Identifier, nullptr};

const TServiceAccessItem Rights[] = {
    {1, &List[0], "Просмотр местоположений"},
    {2, &List[0], "Добавление местоположения"},
    {3, &List[0], "Изменение местоположения"},
    {4, &List[0], "Удаление местоположения"},
    {5, &List[0], "Просмотр АТЕ"},
    {6, &List[0], "Добавление АТЕ"},
    {7, &List[0], "Изменение АТЕ"},
    {8, &List[0], "Удаление АТЕ"},
    {9, &List[0], "Просмотр уровней"},
    {10, &List[0], "Добавление уровня"},
    {11, &List[0], "Изменение уровня"},
    {12, &List[0], "Удаление уровня"},
    {-1, nullptr, nullptr},
};

// Case-insensitive comparison of whole texts, letters A-Z only, as identifiers need.
bool SameText(const char* a, const char* b) {
    if (!a || !b) return a == b;
    for (; *a && *b; ++a, ++b) {
        const char x = (*a >= 'a' && *a <= 'z') ? char(*a - 32) : *a;
        const char y = (*b >= 'a' && *b <= 'z') ? char(*b - 32) : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

void ShowServiceNotFound(const char* identifier) {
    MessageBoxes::Show(QStringLiteral("сервис \"%1\" не найден").arg(QString::fromUtf8(identifier)),
                       QString(), MB_ICONERROR, nullptr);
}

QIcon ServiceIcon() {
    QIcon icon(QPixmap::fromImage(Pictures::Globe()));
    return icon;
}

const char16_t kNotOpened[] =
    u"Окно справочника местоположений не открылось. Закройте консоль, "
    u"откройте её снова и повторите; если не поможет, сообщите "
    u"администратору текст ниже.";

// The service's window could not be made: said the user's way, under the service's caption.
void ShowOpeningFailed(int row, const QString& text) {
    MessageBoxes::Show(text, TranslateRu(QString::fromUtf8(Services[row].Caption)), MB_ICONERROR,
                       nullptr);
}

// Frees a form however the picker's modal run ends.
struct TFormGuard {
    TfMain* Form;
    ~TFormGuard() { TComBaseForm::Free(Form); }
};

}  // namespace

const char* const* ServiceList() { return List; }

int FindService(const char* identifier) {
    for (int i = 0; i < int(std::size(Services)); ++i)
        if (SameText(Services[i].Identifier, identifier)) return i;
    return -1;
}

const char* Caption(int row) { return Services[row].Caption; }
const char* Hint(int row) { return Services[row].Hint; }
const TServiceAccessItem* AccessList() { return Rights; }

void RegisterResources() {
    InstallTranslationPass();  // the service's forms are translated when shown
    if (!HasIconResource(QString::fromLatin1(IconName)))
        RegisterIconResource(QString::fromLatin1(IconName), ServiceIcon());
}

const char* const* GetServiceList() { return List; }

void GetServiceAttribute(TServiceAttribute* attribute, const char* identifier) {
    RegisterResources();
    int row = FindService(identifier);
    if (row < 0) {
        ShowServiceNotFound(identifier);
        row = 0;
    }
    static QIcon icon;
    icon = IconResource(QString::fromLatin1(Services[row].IconName));  // fetched anew each call
    if (!attribute) return;
    attribute->Caption = Services[row].Caption;
    attribute->Hint = Services[row].Hint;
    attribute->Icon = &icon;
}

const TServiceAccessItem* GetAccessList(const char* identifier) {
    if (FindService(identifier) < 0) {
        ShowServiceNotFound(identifier);
        return nullptr;
    }
    return Rights;
}

QWidget* InitServiceForm(const char* identifier, const char* accessMode, IHostObject* host) {
    RegisterResources();
    const int row = FindService(identifier);
    if (row < 0) {
        ShowServiceNotFound(identifier);
        return nullptr;
    }
    TfMain* form = nullptr;
    try {
        form = TComBaseForm::Create<TfMain>(QString::fromUtf8(accessMode ? accessMode : ""), host,
                                            QString::fromUtf8(Services[row].Identifier),
                                            QString::fromLatin1(Services[row].IconName));
    } catch (const std::exception& error) {
        ShowOpeningFailed(row, UserErrorText(error, TranslateRu(QString::fromUtf16(kNotOpened))));
        return nullptr;
    } catch (...) {
        ShowOpeningFailed(row, TranslateRu(QString::fromUtf16(kNotOpened)));
        return nullptr;
    }
    form->setWindowTitle(QString::fromUtf8(Services[row].Caption));
    return form;
}

bool GetLocation(TOraSession* session, const char* schema, int* locationId) {
    RegisterResources();
    TfMain* form =
        TComBaseForm::Create<TfMain>(nullptr, session, QString::fromUtf8(schema ? schema : ""));
    TFormGuard guard{form};
    form->btnSelect->setVisible(true);
    form->cxButton1->setVisible(true);
    form->BitBtn1->setVisible(false);
    form->setWindowTitle(TranslateRu(form->windowTitle()));
    form->SetSelectMode(true);
    form->SetStartID(locationId ? *locationId : -1);
    QWidget* panel = form->Panel1;
    form->btnClose->move(panel->width() - form->btnClose->width() - 3, form->btnClose->y());
    form->btnSelect->move(form->btnClose->x() - form->btnSelect->width() - 50,
                          form->btnSelect->y());
    const bool chosen = ModalRunner::RunModal(*form) == mrOk;
    form->RethrowLoadError();  // the guard frees the form on the way out
    if (chosen && locationId) *locationId = form->GetSelectedID();
    return chosen;
}

}  // namespace ServiceTable
