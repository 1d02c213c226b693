#pragma once

#include <QByteArray>
#include <QImage>

#include <functional>

#include "FormReposit/PelmBaseForm_Dialog.h"
#include "Location/LocationDialogs.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class TOraStoredProc;

// Adds or edits one abbreviation: full name, short name and its 16x16 picture.
class TfAddEditAbbreviature : public TfPelmBaseForm_Dialog {
    Q_OBJECT
public:
    TfAddEditAbbreviature(QWidget* owner, TOraSession* session, const QString& schema);

    // 1 add, 2 edit; sets the caption.
    void SetDialogMode(quint8 mode) override;
    // True exactly when the dialog closed with OK.
    bool Execute() override;

    // The edited abbreviation (set by the opener); after OK what the server answered,
    // -1 after a failed call.
    int ID = -1;
    // The edited abbreviation as last read; whether another user changed or deleted it.
    TEditedRow Edited;

    // Asks for a picture file; an empty path means the user cancelled. Defaults to
    // the open-file dialog "PictureChooser", titled "Vybor izobrazhenija" for "Bitmaps (*.bmp)"
    // in the user's language, run through the modal service.
    std::function<QString(QWidget* parent)> ChooseFile;

    // The picture as it will be stored (16x16, or the default picture).
    const QImage& Picture() const { return FPicture; }

    QLabel* lblFullName = nullptr;
    QLineEdit* edtFullName = nullptr;
    QLabel* lblShortName = nullptr;
    QLineEdit* edtShortName = nullptr;
    QLabel* LblIzobr = nullptr;
    QLabel* Image = nullptr;
    QPushButton* btnChangeImage = nullptr;
    QAction* aChangeImage = nullptr;
    QAction* aOK = nullptr;
    TOraStoredProc* ospObjectInfo = nullptr;
    TOraStoredProc* ospAddObject = nullptr;
    TOraStoredProc* ospEditObject = nullptr;
    TOraStoredProc* ospSetBlob = nullptr;

    // Files larger than this are not read as pictures.
    static constexpr qint64 MaxPictureFileSize = 64 * 1024 * 1024;
    // The default picture: image 0 of the service's image list.
    static QImage DefaultPicture();
    // A picture file read for the dialog: the image, or a reason it cannot be used.
    static QImage ReadPictureFile(const QString& path, QString& error);

protected:
    void InitForm() override;
    void FormShow() override;
    void FormDestroy() override;

private:
    // False when the abbreviation is no longer there.
    bool LoadRecord();
    void ChangeImage();
    void OK();
    void UploadImage(int id, const QByteArray& bmp);
    void SetPicture(const QImage& picture);

    QImage FPicture;
    // The stored picture when it could not be read (shown as the default picture).
    QByteArray FUnreadStored;
};
