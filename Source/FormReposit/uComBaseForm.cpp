#include "FormReposit/uComBaseForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QShowEvent>
#include <QVariant>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/Lang/uPhraseCapture.h"
#include "ComUnits/uAssert.h"
#include "ComUnits/uQXVComFunctions.h"
#include "ComUnits/uQXVSourcesComponent.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Ini/HostFolder.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

TTranslatePass& InstalledPass() {
    static TTranslatePass pass;
    return pass;
}

TResourceBitmaps& InstalledBitmaps() {
    static TResourceBitmaps bitmaps;
    return bitmaps;
}

// One default sources object for the whole application, filled on first use.
TQXVDefSources* ApplicationDefSources() {
    static QPointer<TQXVDefSources> sources;
    if (!sources) {
        sources = new TQXVDefSources(QCoreApplication::instance());
        sources->setObjectName(QStringLiteral("DefSources"));
        for (const auto& [id, text] : TComBaseForm::DefaultSourceTexts())
            sources->SetSource(id, TranslateRu(text));
    }
    return sources;
}

// A date/time control's format chosen by what its current format shows.
QString FormatFor(const QString& current) {
    const bool hasHours = current.contains(u'H', Qt::CaseInsensitive);
    const bool hasDays = current.contains(u'D', Qt::CaseInsensitive);
    if (!hasHours) return DefaultDateFormat();
    if (!hasDays) return DefaultTimeFormat();
    return DefaultDateFormat() + u' ' + DefaultTimeFormat();
}

}  // namespace

const QList<std::pair<int, QString>>& TComBaseForm::DefaultSourceTexts() {
    static const QList<std::pair<int, QString>> texts = {
        {98, QStringLiteral("16711680")},  // 0xFF0000 as a colour value
        {99, QStringLiteral("16711680")},
        {101, QStringLiteral("Ошибка с сообщением: \"%s\"")},
        {102, QStringLiteral("Несуществующий каталог")},
        {103, QStringLiteral("Создать каталог \"%s\"?")},
        {104, QStringLiteral("Каталог \"%s\" не существует")},
        {105, QStringLiteral("Каталог \"%s\" не создан")},
        {106, QStringLiteral("Проверьте корректность названия")},
        {107, QStringLiteral("Значение должно находиться между %s и %s")},
        {108, QStringLiteral("Автопечать")},
        {109, QStringLiteral("Кол-во копий")},
        {110, QStringLiteral("Принтер")},
        {111, QStringLiteral("По текущей записи")},
        {112, QStringLiteral("Формировать под новым именем")},
        {113, QStringLiteral("Сохранять под новым именем")},
        {114, QStringLiteral("Каталог для сохранения отчетов")},
        {115, QStringLiteral("Каталог для отправки отчетов")},
        {116, QStringLiteral("Изменить каталог для отправки отчетов?")},
        {117, QStringLiteral("Изменение каталога отправки отчетов")},
        {118, QStringLiteral("По адресу")},
        {119, QStringLiteral("Подкаталог адресата")},
        {121, QStringLiteral("Некорректные символы")},
        {122, QStringLiteral("Некорректные символы в названии")},
        {123, QStringLiteral("Открыть")},
        {124, QStringLiteral("Создать")},
        {125, QStringLiteral("Свернуть")},
        {126, QStringLiteral("Развернуть")},
        {127, QStringLiteral("Просмотреть")},
        {128, QStringLiteral("Сохранение в файл")},
        {129, QStringLiteral("Отправка по почте")},
        {130, QStringLiteral("Открыть/Создать каталог")},
        {131, QStringLiteral("Очистить")},
        {132, QStringLiteral("Выбрать")},
        {133, QStringLiteral("Выбор каталога")},
        {134, QStringLiteral("Выбрать каталог")},
        {135, QStringLiteral("Отменить выбор каталога")},
        {136, QStringLiteral("Поиск")},
        {137, QStringLiteral("Поиск данных по полю \"%s\" невозможен")},
        {138, QStringLiteral("Не выбрано поле для поиска")},
        {139, QStringLiteral("День")},
        {140, QStringLiteral("Месяц")},
        {141, QStringLiteral("Год")},
        {142, QStringLiteral("Выбор каталога для отправки отчетов")},
        {143, QStringLiteral("Выбор подкаталога адресата")},
        {144, QStringLiteral("Выбор каталога для сохранения отчетов")},
        {145, QStringLiteral("Квартал")},
    };
    return texts;
}

TComBaseForm::TComBaseForm(QWidget* owner, TDescription description) : QDialog(owner) {
    setObjectName(QStringLiteral("ComBaseForm"));
    if (description == TDescription::None) return;
    setWindowTitle(QStringLiteral("ComBaseForm"));
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    FQXVSourcesReference = new TQXVSourcesReference(this);
    FQXVSourcesReference->setObjectName(QStringLiteral("QXVSourcesReference"));
    ActionList1 = new QObject(this);
    ActionList1->setObjectName(QStringLiteral("ActionList1"));
    acDBGExist = new QAction(ActionList1);
    acDBGExist->setObjectName(QStringLiteral("acDBGExist"));
    acDBGExist->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12));
    addAction(acDBGExist);
    connect(acDBGExist, &QAction::triggered, this,
            [this] { Application::Instance().Protect(this, [this] { acDBGExistExecute(); }); });
}

TComBaseForm::~TComBaseForm() = default;

void TComBaseForm::Free(TComBaseForm* form) {
    if (!form || form->FFreeing) return;
    form->PrepareDestruction();
    delete form;
}

void TComBaseForm::PrepareDestruction() {
    if (FFreeing) return;
    FFreeing = true;
    BeforeDestruction();
    FormDestroy();
}

bool TComBaseForm::event(QEvent* event) {
    // deleteLater (also a window closing with WA_DeleteOnClose) ends the form here,
    // while the subclass still exists.
    if (event->type() == QEvent::DeferredDelete) PrepareDestruction();
    return QDialog::event(event);
}

void TComBaseForm::AddTranslateExclusion(QObject* component) {
    if (component && !FTranslateExclusionsReleased && !FTranslateExclusions.contains(component))
        FTranslateExclusions << component;
}

bool TComBaseForm::TakeExclusion(QObject* component) {
    return FTranslateExclusions.removeOne(component);
}

void TComBaseForm::SetTranslatePass(TTranslatePass pass) { InstalledPass() = std::move(pass); }

const TTranslatePass& TComBaseForm::TranslatePass() { return InstalledPass(); }

void TComBaseForm::SetResourceBitmaps(TResourceBitmaps bitmaps) {
    InstalledBitmaps() = std::move(bitmaps);
}

const TResourceBitmaps& TComBaseForm::ResourceBitmaps() { return InstalledBitmaps(); }

bool TComBaseForm::ResourceLibraryLoaded() { return static_cast<bool>(InstalledBitmaps()); }

void TComBaseForm::Construct() {
    CreateToolkitForm();
    if (ResourceLibraryLoaded()) LoadResourceImages();
    InitFormTexts();
}

void TComBaseForm::AfterConstruction() {
    if (!FOldCreateOrder) DoCreate();
}

void TComBaseForm::CreateToolkitForm() {
    // A failing description load is tried exactly once more; a second failure is
    // reported and the form goes on with what it has.
    try {
        LoadDescription();
    } catch (...) {
        try {
            LoadDescription();
        } catch (...) {
            MessageBoxes::ShowMessage(QStringLiteral("TForm.Create error"));
        }
    }
    if (FOldCreateOrder) DoCreate();
}

void TComBaseForm::DoCreate() { FormCreate(); }

void TComBaseForm::FormCreate() {
    FClosed = false;
    FPhrases = std::make_unique<QStringList>();
    PrepareChildControls(this);
}

void TComBaseForm::PrepareChildControls(QObject* parent) {
    // Fonts carry no character set here, so only the sources and formats are set.
    for (QObject* child : parent->children()) {
        if (!child->isWidgetType()) continue;
        if (auto* client = dynamic_cast<ISourcesClient*>(child)) {
            client->SetSourceReference(FQXVSourcesReference);
            if (qstrcmp(child->metaObject()->className(), "TScrollDateTime") == 0)
                AddTranslateExclusion(child);
        }
        if (auto* edit = qobject_cast<QDateTimeEdit*>(child))
            edit->setDisplayFormat(FormatFor(edit->displayFormat()));
        PrepareChildControls(child);
    }
}

void TComBaseForm::InitFormTexts() {
    if (!FDefSources) FDefSources = ApplicationDefSources();
    if (FQXVSourcesReference) {
        FQXVSourcesReference->SetSources(FDefSources);
        AddTranslateExclusion(FQXVSourcesReference);
    }
}

void TComBaseForm::FormClose() { FClosed = true; }

void TComBaseForm::FormDestroy() { FPhrases.reset(); }

void TComBaseForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    FormShow();
    if (!FClosed) RunTranslatePass();
}

void TComBaseForm::RunTranslatePass() {
    // Only the first pass honours the exclusions; later ones translate everything.
    const unsigned options = FIsMainForm ? (toOwnedComponents | toFormOnly) : toOwnedComponents;
    if (const TTranslatePass& pass = InstalledPass()) pass(*this, FTranslateExclusions, options);
    AfterTranslate();
    FTranslateExclusions.clear();
    FTranslateExclusionsReleased = true;
}

void TComBaseForm::closeEvent(QCloseEvent* event) {
    if (!RunClosing()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool TComBaseForm::RunClosing() {
    if (!CloseQuery()) return false;
    try {
        FormClose();
    } catch (const std::exception& error) {
        FClosed = false;
        MessageBoxes::ShowKind(TMessageKind::Error, ExceptionText(error), this);
        return false;
    }
    return true;
}

bool TComBaseForm::CloseModal(int result) {
    if (!RunClosing()) return false;
    done(result);
    return true;
}

void TComBaseForm::acDBGExistExecute() {
    // The file is never loaded: its presence is the switch.
    const QString marker = QDir(HostExecutableFolder()).filePath(QStringLiteral("DBG.dll"));
    if (!QFile::exists(marker)) return;
    const QWidget* mainWindow = Application::Instance().MainWindow();
    const QString caption = mainWindow ? mainWindow->windowTitle() : QString();
    MessageBoxes::Show(TranslateRu(QStringLiteral("Библиотека")) + QStringLiteral(" \"") + marker +
                           QStringLiteral("\" ") + TranslateRu(QStringLiteral("загружена")),
                       caption, MB_OK, nullptr);
    if (UserInterfaceLanguage() != TLanguagesDM::LangRussian) {
        MessageBoxes::ShowMessage(TranslateRu(QStringLiteral("Запустите русскую версию!")));
        return;
    }
    const QStringList phrases = CollectPhrases(this, FPhrases ? *FPhrases : QStringList());
    TOraSession* session = LanguagesDM() ? LanguagesDM()->Session() : TOraSession::DefaultSession();
    if (!session)
        throw EGeneralError(QStringLiteral("TComBaseForm.acDBGExistExecute: ") +
                            TranslateRu(QStringLiteral("Сессия не определена!")));
    static const char here = 0;
    const int formId = PhraseFormId(*session, PhraseLibraryName(ModuleFileNameOf(&here)),
                                    QString::fromLatin1(metaObject()->className()));
    SavePhrases(*session, formId, phrases);
    MessageBoxes::ShowMessage(TranslateRu(QStringLiteral("Слова скопированы")));
    MarkFormHarvested(*session, formId);
}
