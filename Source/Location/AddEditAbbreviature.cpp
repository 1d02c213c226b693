#include "Location/AddEditAbbreviature.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uImageList.h"
#include "ComUnits/uOraFunctions.h"
#include "Location/DataMod.h"
#include "Location/LimitedEdits.h"
#include "Location/LocationDialogs.h"
#include "Location/Pictures.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/Bitmap16.h"
#include "Platform/Ui/MessageBoxes.h"
#include "Platform/Ui/ModalRunner.h"

namespace {

// The list keeps its pictures with see-through pixels; a BMP has no alpha, so those
// pixels get the transparent colour back before the picture is written.
QImage Opaque(const QImage& image) {
    if (!image.hasAlphaChannel()) return image;
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Pictures::Transparent);
    QPainter painter(&out);
    painter.drawImage(0, 0, image);
    return out;
}

}  // namespace

TfAddEditAbbreviature::TfAddEditAbbreviature(QWidget* owner, TOraSession* session,
                                             const QString& schema)
    : TfPelmBaseForm_Dialog(owner, session, schema) {
    setObjectName(QStringLiteral("fAddEditAbbreviature"));
    resize(261, 170);
    QWidget* content = DialogContent(this);

    lblFullName = BlueLabel(content, "lblFullName", QStringLiteral("Polnoe nazvanie:"), 8, 4);
    edtFullName = new QLineEdit(content);
    edtFullName->setObjectName(QStringLiteral("edtFullName"));
    edtFullName->setGeometry(8, 20, 247, 21);
    LimitLengthWithWarning(edtFullName, 255);

    lblShortName = BlueLabel(content, "lblShortName", QStringLiteral("Sokraschenie:"), 8, 46);
    edtShortName = new QLineEdit(content);
    edtShortName->setObjectName(QStringLiteral("edtShortName"));
    edtShortName->setGeometry(8, 62, 100, 21);
    LimitLengthWithWarning(edtShortName, 10);

    LblIzobr = new QLabel(QStringLiteral("Izobrazhenie \n(bmp 16x16):"), content);
    LblIzobr->setObjectName(QStringLiteral("LblIzobr"));
    LblIzobr->setGeometry(8, 88, 90, 30);
    Image = new QLabel(content);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(100, 92, 24, 24);
    Image->setAlignment(Qt::AlignCenter);
    Image->setAttribute(Qt::WA_TranslucentBackground);

    aChangeImage = new QAction(QStringLiteral("Izmenit'"), this);
    aChangeImage->setObjectName(QStringLiteral("aChangeImage"));
    addAction(aChangeImage);
    btnChangeImage = new QPushButton(aChangeImage->text(), content);
    btnChangeImage->setObjectName(QStringLiteral("btnChangeImage"));
    btnChangeImage->setGeometry(140, 91, 75, 25);
    btnChangeImage->setAutoDefault(false);
    connect(btnChangeImage, &QPushButton::clicked, aChangeImage, &QAction::trigger);
    connect(aChangeImage, &QAction::changed, this,
            [this] { btnChangeImage->setText(aChangeImage->text()); });
    connect(aChangeImage, &QAction::triggered, this,
            [this] { Application::Instance().Protect(this, [this] { ChangeImage(); }); });

    aOK = MakeOkAction(QStringLiteral("OK"), [this] { OK(); });

    ospObjectInfo = LocatProc(this, "ospObjectInfo", "GET_T#LOCATABBREV");
    ospAddObject = LocatProc(this, "ospAddObject", "INS_T#LOCATABBREV");
    ospEditObject = LocatProc(this, "ospEditObject", "UPD_T#LOCATABBREV");
    ospSetBlob = LocatProc(this, "ospSetBlob", "SET_T#LOCATABBREV_BMP");
    Edited.ChangedPhrase = QStringLiteral("Сокращение изменено пользователем %1 в %2");
    Edited.DeletedPhrase = QStringLiteral("Сокращение удалено другим пользователем");

    ChooseFile = [](QWidget* parent) {
        QFileDialog chooser(parent, TranslateEn(QStringLiteral("Vybor izobrazhenija")), QString(),
                            TranslateEn(QStringLiteral("Bitmaps (*.bmp)")));
        chooser.setObjectName(QStringLiteral("PictureChooser"));
        chooser.setFileMode(QFileDialog::ExistingFile);
        return ModalRunner::RunModal(chooser) == QDialog::Accepted
                   ? chooser.selectedFiles().value(0)
                   : QString();
    };
}

QImage TfAddEditAbbreviature::DefaultPicture() {
    if (TDM* dm = CurrentDM()) {
        const QImage image = dm->ImageList()->Image(0);
        if (!image.isNull()) return image;
    }
    return Bitmap16::Masked(Pictures::DefaultPlace(), Pictures::Transparent);
}

QImage TfAddEditAbbreviature::ReadPictureFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return QImage();
    }
    if (file.size() > MaxPictureFileSize) {
        error = QStringLiteral("%1 > %2").arg(file.size()).arg(MaxPictureFileSize);
        return QImage();
    }
    const TBitmapRead read = Bitmap16::FromBmp(file.readAll());
    error = read.Error;
    return read.Ok() ? read.Image : QImage();
}

void TfAddEditAbbreviature::InitForm() {
    ID = -1;
    SetPicture(DefaultPicture());
}

void TfAddEditAbbreviature::SetDialogMode(quint8 mode) {
    TfPelmBaseForm_Dialog::SetDialogMode(mode);
    if (mode == 1 || mode == 2) setWindowTitle(ModeCaption(mode));
}

void TfAddEditAbbreviature::FormShow() {
    TfPelmBaseForm_Dialog::FormShow();
    InitTranslation(FShema, FSession, this);
    aChangeImage->setText(TranslateEn(aChangeImage->text()));
    QString label = TranslateRu(QStringLiteral("Изображение \r\n(bmp 16x16):"));
    LblIzobr->setText(label.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TfAddEditAbbreviature::FormDestroy() {
    TfPelmBaseForm_Dialog::FormDestroy();
    DoneTranslation(this);
}

void TfAddEditAbbreviature::SetPicture(const QImage& picture) {
    FPicture = picture;
    const QImage shown = picture.hasAlphaChannel() ? picture : Bitmap16::Masked(picture);
    Image->setPixmap(QPixmap::fromImage(shown));
}

bool TfAddEditAbbreviature::Execute() {
    if (FDialogMode == 2 && !LoadRecord()) {
        Edited.TellGone(this);
        return false;
    }
    return ShowModalOk();
}

bool TfAddEditAbbreviature::LoadRecord() {
    ospObjectInfo->Close();
    ospObjectInfo->ParamByName(QStringLiteral("PID")).SetAsInteger(ID);
    ospObjectInfo->Open();
    if (ospObjectInfo->Eof()) return false;
    Edited.Read(*ospObjectInfo);
    FUnreadStored.clear();
    edtFullName->setText(ospObjectInfo->FieldByName(QStringLiteral("NAME")).AsString());
    edtShortName->setText(ospObjectInfo->FieldByName(QStringLiteral("SNAME")).AsString());
    const QByteArray bmp = ospObjectInfo->FieldByName(QStringLiteral("BMP16#16")).AsBytes();
    const TBitmapRead read = Bitmap16::FromBmp(bmp);
    SetPicture(!bmp.isEmpty() && read.Ok() ? read.Image : DefaultPicture());
    // A stored picture this dialog cannot read is still the abbreviation's: OK keeps
    // it unless the user chooses another one.
    if (!bmp.isEmpty() && !read.Ok()) FUnreadStored = bmp;
    return true;
}

void TfAddEditAbbreviature::ChangeImage() {
    const QString sizeMessage =
        TranslateRu(QStringLiteral("Неверные размеры изображения (%d x %d)"));
    const QString path = ChooseFile ? ChooseFile(this) : QString();
    if (path.isEmpty()) return;
    QString error;
    const QImage picture = ReadPictureFile(path, error);
    if (picture.isNull()) {
        // The reader's reason means nothing to the user; the picture stays as it was.
        MessageBoxes::Show(
            FormatS(TranslateRu(QStringLiteral("Файл \"%s\" не является изображением BMP")),
                    QFileInfo(path).fileName()),
            TranslateEn(windowTitle()), MB_ICONEXCLAMATION, this);
        return;
    }
    if (Bitmap16::IsSize16(picture)) {
        SetPicture(picture);
        FUnreadStored.clear();
        return;
    }
    QString text = sizeMessage;
    text.replace(text.indexOf(QLatin1String("%d")), 2, QString::number(picture.width()));
    text.replace(text.indexOf(QLatin1String("%d")), 2, QString::number(picture.height()));
    MessageBoxes::Show(text, TranslateEn(windowTitle()), MB_ICONEXCLAMATION, this);
}

void TfAddEditAbbreviature::OK() {
    const QString fullName = TrimBlanks(edtFullName->text());
    if (fullName.isEmpty()) {
        ShowWarning(windowTitle(), TranslateRu(QStringLiteral("Не введены обязательные поля!")));
        return;
    }
    const QString shortName = TrimBlanks(edtShortName->text());
    const QByteArray bmp =
        FUnreadStored.isEmpty() ? Bitmap16::ToBmp(Opaque(FPicture)) : FUnreadStored;
    try {
        TOraStoredProc* call = FDialogMode == 1 ? ospAddObject : ospEditObject;
        call->Close();
        if (call == ospEditObject) {
            call->ParamByName(QStringLiteral("PID")).SetAsInteger(ID);
            call->ParamByName(QStringLiteral("PVERSION")).SetAsInteger(Edited.Version);
        }
        call->ParamByName(QStringLiteral("PSNAME")).SetAsString(shortName);
        call->ParamByName(QStringLiteral("PNAME")).SetAsString(fullName);
        call->ExecProc();
        const int result = call->ParamByName(QStringLiteral("RESULT")).AsInteger();
        if (result == -1) {
            // The dialog stays open with the names and the picture, to change the short name.
            MessageBoxes::Show(TranslateRu(QStringLiteral("Сокращение должно быть уникальным")),
                               TranslateRu(QStringLiteral("Местоположение")), MB_ICONINFORMATION,
                               this);
            return;
        }
        ID = result;
        UploadImage(result, bmp);
    } catch (const std::exception& e) {
        // Changed by another user: the dialog shows the abbreviation as stored now, to apply
        // the change again or cancel.
        if (Edited.Answer(
                e, *ospObjectInfo, [this] { return LoadRecord(); }, this))
            return;
        if (FDialogMode == 1) ID = -1;
        const QString refusal = RefusalText(e);
        MessageBoxes::Show(!refusal.isEmpty() ? refusal
                           : FDialogMode == 1
                               ? TranslateRu(QStringLiteral("Ошибка при добавлении!"))
                               : TranslateRu(QStringLiteral("Ошибка при редактировании!")),
                           windowTitle(), MB_ICONEXCLAMATION, this);
        return;  // stays open, as above
    }
    done(mrOk);
}

void TfAddEditAbbreviature::UploadImage(int id, const QByteArray& bmp) {
    if (id < 1 || bmp.isEmpty()) return;
    try {
        ospSetBlob->ParamByName(QStringLiteral("PID")).SetAsInteger(id);
        TParam& blob = ospSetBlob->ParamByName(QStringLiteral("PBMP16#16"));
        blob.SetParamType(TParamDirection::Input);
        blob.SetAsBytes(bmp);
        ospSetBlob->ExecProc();
    } catch (const std::exception&) {
        // The abbreviation keeps its previous picture on the server; nothing is shown.
    }
}
