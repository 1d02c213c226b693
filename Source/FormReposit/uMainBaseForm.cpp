#include "FormReposit/uMainBaseForm.h"

#include <QFrame>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uApplicationMessaging.h"
#include "ComUnits/uResources.h"
#include "Platform/Data/OraSession.h"
#include "Platform/HostProtocol.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

// The console is checked before anything of the window exists; the check throws.
THostLinkValues CheckedConsoleLink() {
    CheckConsole();
    return GetHostLink();
}

QString HostNotificationText(int result) {
    switch (result) {
        case 0:
            return {};
        case 1:
            return QStringLiteral("Ошибка загрузки");
        case 3:
            return QStringLiteral("Не найдено");
        default:
            return QStringLiteral("Неизвестная ошибка");
    }
}

}  // namespace

TMainBaseForm::TMainBaseForm(const QString& mode, IHostObject* hostLink, const QString& serviceName,
                             const QString& iconName)
    : TBaseForm(nullptr, mode, CheckedConsoleLink().Session, CheckedConsoleLink().SchemaName),
      FServiceName(serviceName),
      FHostLink(hostLink),
      FFreeOnClose(true) {
    BuildMainDescription();
    if (HasIconResource(iconName)) setWindowIcon(IconResource(iconName));
}

TMainBaseForm::TMainBaseForm(QWidget* owner, TOraSession* session, const QString& schema)
    : TBaseForm(owner, session, schema) {
    BuildMainDescription();
}

TMainBaseForm::~TMainBaseForm() { NotifyHost(); }

void TMainBaseForm::BuildMainDescription() {
    FLayout = new QVBoxLayout(this);
    FLayout->setContentsMargins(0, 0, 0, 0);
    FLayout->setSpacing(0);
    FClientArea = new QWidget(this);
    FClientArea->setObjectName(QStringLiteral("ClientArea"));
    FLayout->addWidget(FClientArea, 1);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    FLayout->addWidget(Panel1);

    OkBtn = new QPushButton(QStringLiteral("Zakryt'"), Panel1);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    OkBtn->resize(100, 30);
    connect(OkBtn, &QPushButton::clicked, this, [this] {
        setResult(mrOk);
        close();
    });
}

void TMainBaseForm::InitFormTexts() {
    TBaseForm::InitFormTexts();
    OkBtn->setText(TranslateRu(QStringLiteral("Выход")));
    SetIsMainForm(true);
    AddTranslateExclusion(Panel1);
    AddTranslateExclusion(OkBtn);
}

void TMainBaseForm::LoadResourceImages() {
    TBaseForm::LoadResourceImages();
    // The close button's glyph comes from the resource library, which this product
    // does not ship: the button keeps its text.
}

void TMainBaseForm::FormClose() {
    TBaseForm::FormClose();
    if (TOraSession* session = GetSession()) session->Commit();
    if (FFreeOnClose) QTimer::singleShot(0, this, [this] { TComBaseForm::Free(this); });
}

void TMainBaseForm::NotifyHost() {
    if (!FHostLink) return;
    int result = 0;
    try {
        result = FHostLink->ServiceClosed(0, FServiceName, 1);
    } catch (const std::exception&) {
        result = -1;
    }
    const QString message = HostNotificationText(result);
    if (message.isEmpty()) return;
    MessageBoxes::ShowKind(TMessageKind::Error,
                           TranslateRu(message) + QStringLiteral("\r\n") +
                               TranslateRu(QStringLiteral("Сервис \"%s\""))
                                   .replace(QLatin1String("%s"), windowTitle()),
                           this, QStringLiteral("TMainBaseForm.Destroy"));
}
