#include "Location/AddEditInfoType.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uOraFunctions.h"
#include "Location/InfoPictures.h"
#include "Location/LimitedEdits.h"

TfAddEditInfoType::TfAddEditInfoType(QWidget* owner, TOraSession* session, const QString& schema)
    : TfPelmBaseForm_Dialog(owner, session, schema) {
    setObjectName(QStringLiteral("fAddEditInfoType"));
    resize(367, 218);

    pClient = new QWidget(this);
    pClient->setObjectName(QStringLiteral("pClient"));
    auto* client = new QVBoxLayout(pClient);
    client->setContentsMargins(8, 8, 8, 4);

    lInfoName = new QLabel(QStringLiteral("Informatsija:"), pClient);
    lInfoName->setObjectName(QStringLiteral("lInfoName"));
    QPalette blue = lInfoName->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    lInfoName->setPalette(blue);
    client->addWidget(lInfoName);

    edtInfo = new QLineEdit(pClient);
    edtInfo->setObjectName(QStringLiteral("edtInfo"));
    LimitLengthWithWarning(edtInfo, MaxTextLength);
    client->addWidget(edtInfo);

    lDescription = new QLabel(QStringLiteral("Opisanie:"), pClient);
    lDescription->setObjectName(QStringLiteral("lDescription"));
    client->addWidget(lDescription);

    meDescription = new TLimitedMemo(MaxTextLength, pClient);
    meDescription->setObjectName(QStringLiteral("meDescription"));
    meDescription->setFixedHeight(75);
    connect(meDescription, &TLimitedMemo::Refused, this, [this] { TellTooLong(); });
    client->addWidget(meDescription);

    cbxInfoActive = new QCheckBox(QStringLiteral("Informatsija aktivna"), pClient);
    cbxInfoActive->setObjectName(QStringLiteral("cbxInfoActive"));
    cbxInfoActive->setChecked(true);
    client->addWidget(cbxInfoActive);
    client->addStretch(1);

    // Above the button panel the base put at the bottom.
    if (auto* box = qobject_cast<QVBoxLayout*>(layout())) box->insertWidget(0, pClient, 1);

    aOK = new QAction(QStringLiteral("Ok"), this);
    aOK->setObjectName(QStringLiteral("aOK"));
    connect(aOK, &QAction::triggered, this, [this] { aOKExecute(); });
    connect(btnOK, &QPushButton::clicked, aOK, &QAction::trigger);
}

void TfAddEditInfoType::InitForm() {
    TfPelmBaseForm_Dialog::InitForm();
    FInfoKind = -1;
}

void TfAddEditInfoType::SetDialogMode(quint8 mode) {
    TfPelmBaseForm_Dialog::SetDialogMode(mode);
    if (mode == 1)
        setWindowTitle(TranslateRu(QStringLiteral("Добавление информации")));
    else if (mode == 2)
        setWindowTitle(TranslateRu(QStringLiteral("Редактирование информации")));
}

void TfAddEditInfoType::SetInfoKind(int kind) {
    FInfoKind = kind;
    const QString name = InfoKindName(kind);
    if (!name.isEmpty()) lInfoName->setText(name + QLatin1Char(':'));
}

QString TfAddEditInfoType::Value() const { return edtInfo->text().trimmed(); }
void TfAddEditInfoType::SetValue(const QString& value) { edtInfo->setText(value); }
QString TfAddEditInfoType::Description() const { return meDescription->Text(); }
void TfAddEditInfoType::SetDescription(const QString& description) {
    meDescription->SetText(description);
}
bool TfAddEditInfoType::Active() const { return cbxInfoActive->isChecked(); }
void TfAddEditInfoType::SetActive(bool active) { cbxInfoActive->setChecked(active); }

bool TfAddEditInfoType::Execute() { return ShowModalOk(); }

void TfAddEditInfoType::FormShow() {
    TfPelmBaseForm_Dialog::FormShow();
    InitTranslation(FShema, FSession, this);
    cbxInfoActive->setText(TranslateRu(QStringLiteral("Информация активна")));
}

void TfAddEditInfoType::FormDestroy() {
    TfPelmBaseForm_Dialog::FormDestroy();
    DoneTranslation(this);
}

void TfAddEditInfoType::TellTooLong() { ShowWarning(windowTitle(), TooLongText(MaxTextLength)); }

void TfAddEditInfoType::aOKExecute() {
    if (edtInfo->text().trimmed().isEmpty()) {
        ShowWarning(windowTitle(), TranslateRu(QStringLiteral("Не введены обязательные поля!")));
        return;
    }
    if (Save && !Save()) return;
    done(mrOk);
}
