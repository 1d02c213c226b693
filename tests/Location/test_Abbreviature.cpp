#include "Location/Abbreviature.h"

#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

#include "ComUnits/uImageList.h"
#include "Location/AddEditAbbreviature.h"
#include "Location/Pictures.h"
#include "LocationDialogFixture.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/Bitmap16.h"
#include "support/Snapshot.h"
#include "support/TempDir.h"

namespace {

// A picture with a distinct pixel in each corner and a magenta background.
QImage Pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(0xFFFF00FF);
    for (int i = 1; i < qMin(width, height) - 1; ++i) image.setPixel(i, i, 0xFF204080);
    image.setPixel(width - 1, 0, 0xFF00C000);
    return image;
}

QImage Argb(const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32); }

class AbbreviatureTest : public LocationDialogTest {
protected:
    AbbreviatureTest() : FSample(FDb.AddSample()) {
        FPictured = FDb.AddAbbrev("п.", "посёлок", Bitmap16::ToBmp(Pattern(16, 16)));
    }
    ~AbbreviatureTest() override { Application::Instance().Reset(); }

    QString WriteFile(const QString& name, const QByteArray& bytes) {
        const QString path = FTemp.FilePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QVariant Stored(long long id, const char* column) {
        const TRowSet rows = Rows("GET_T#LOCATABBREV", {{"PID", id}});
        return rows.Rows.empty() ? QVariant() : Column(rows, 0, column);
    }
    QByteArray StoredPicture(long long id) { return Stored(id, "BMP16#16").toByteArray(); }
    long long IdOfShortName(const QString& shortName) {
        const TRowSet rows = Rows("GET_T#LOCATABBREV", {{"PID", -1}});
        for (size_t r = 0; r < rows.Rows.size(); ++r)
            if (Column(rows, r, "SNAME").toString() == shortName)
                return Column(rows, r, "ID").toLongLong();
        return -1;
    }
    QImage DefaultImage() { return Argb(FDM.ImageList()->Image(0)); }

    TfAddEditAbbreviature* Dialog(quint8 mode, long long id = -1) {
        FDialog.reset(TComBaseForm::Create<TfAddEditAbbreviature>(nullptr, Session(), Schema()));
        FDialog->SetDialogMode(mode);
        if (mode == 2) FDialog->ID = static_cast<int>(id);
        FDialog->ChooseFile = [this](QWidget*) { return FChosen; };
        return FDialog.get();
    }
    static void Enter(QDialog& d, const QString& full, const QString& shortName) {
        d.findChild<QLineEdit*>("edtFullName")->setText(full);
        d.findChild<QLineEdit*>("edtShortName")->setText(shortName);
    }
    static void Press(QDialog& d, const char* button) {
        d.findChild<QPushButton*>(button)->click();
    }

    void RunBrowse(const std::function<void(TfAbbreviature&)>& act) {
        RunDictionary<TfAbbreviature>(act, [this](TfAbbreviature& form) {
            form.ChooseFile = [this](QWidget*) { return FChosen; };
        });
    }
    TestDatabase::TSample FSample;
    long long FPictured = 0;
    TempDir FTemp;
    QString FChosen;
    TFormHolder<TfAddEditAbbreviature> FDialog;
};

// Names and pictures in the grid (an abbreviation without one shows none, and no "(BLOB)"
// text), as a user sees the dictionary; scripts/screenshots-dictionaries keeps the picture.
TEST_F(AbbreviatureTest, RendersEveryPictureInTheGrid) {
    const TTranslatedForms translated;
    const std::pair<long long, QImage> pictures[] = {{FSample.aObl, Pictures::Globe()},
                                                     {FSample.aR, Pictures::Up()},
                                                     {FSample.aG, Pictures::Add()}};
    for (const auto& [id, picture] : pictures)
        FDb.Call("QXVERPLOCAT", "SET_T#LOCATABBREV_BMP",
                 {{"PID", id}, {"PBMP16#16", Bitmap16::ToBmp(picture), TFieldType::Blob}});
    RunBrowse([&](TfAbbreviature& form) {
        QAbstractItemModel* model = form.cxView->model();
        QStringList headers;
        for (int c = 0; c < model->columnCount(); ++c)
            headers << model->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(headers, QStringList({"Полное название", "Сокращение", "Изображение"}));
        ASSERT_EQ(model->rowCount(), 5);
        for (int r = 0; r < model->rowCount(); ++r) {
            const QVariant decoration = model->index(r, 2).data(Qt::DecorationRole);
            EXPECT_EQ(model->index(r, 2).data().toString(), QString());
            EXPECT_EQ(decoration.isValid(), model->index(r, 1).data().toString() != "с.") << r;
            if (model->index(r, 1).data().toString() != "п.") continue;
            const QImage shown = decoration.value<QPixmap>().toImage();
            EXPECT_EQ(shown.size(), QSize(16, 16));
            EXPECT_EQ(qAlpha(shown.pixel(0, 15)), 0);  // the background is see-through
            EXPECT_EQ(shown.pixel(15, 0), 0xFF00C000);
        }
        EXPECT_EQ(form.btnClose->text(), "Закрыть");
        form.resize(579, 395);
        Snapshot(form, "abbreviations");
    });
}

// A file that is no usable 16 x 16 bitmap is named in a warning (a picture of another size
// with its width and height), the picture stays as it was, and nothing reaches the
// application's handler; a cancelled file dialog changes nothing either.
TEST_F(AbbreviatureTest, AFileThatIsNoUsableBitmapIsReportedAndThePictureKept) {
    const QByteArray good = Bitmap16::ToBmp(Pattern(16, 16));
    const QString goodPath = WriteFile("good.bmp", good);
    const QString notBmp = "Файл \"%1\" не является изображением BMP";
    const std::pair<QString, QString> bad[] = {
        {WriteFile("wide.bmp", Bitmap16::ToBmp(Pattern(32, 16))),
         "Неверные размеры изображения (32 x 16)"},
        {WriteFile("text.bmp", "this is not a picture at all, just text\n"),
         notBmp.arg("text.bmp")},
        {FTemp.FilePath("missing.bmp"), notBmp.arg("missing.bmp")},
    };
    QStringList handled;
    Application::Instance().SetOnException(
        [&](QObject*, std::exception& e) { handled << QString::fromUtf8(e.what()); });

    TfAddEditAbbreviature* dialog = Dialog(1);
    EXPECT_EQ(Argb(dialog->Picture()), DefaultImage());
    FDriver.Then([&](QDialog& d) {
        for (const auto& [path, message] : bad) {
            SCOPED_TRACE(path.toStdString());
            FBoxes.Clear();
            FChosen = path;
            const QImage before = Argb(dialog->Picture());
            Press(d, "btnChangeImage");
            EXPECT_EQ(BoxLines(FBoxes),
                      QStringList{BoxLine(message, "Добавление", MB_ICONEXCLAMATION)});
            EXPECT_EQ(Argb(dialog->Picture()), before);
            FChosen = goodPath;
            Press(d, "btnChangeImage");
            ASSERT_EQ(Argb(dialog->Picture()), Argb(Pattern(16, 16)));
        }
        FBoxes.Clear();
        FChosen.clear();  // the user cancels the file dialog
        Press(d, "btnChangeImage");
        EXPECT_EQ(Argb(dialog->Picture()), Argb(Pattern(16, 16)));
    });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(FBoxes.Count(), 0u);
    EXPECT_TRUE(handled.isEmpty());
}

// A new abbreviation is stored trimmed with the chosen picture, or else with the default
// one, its see-through pixels in the transparent colour rather than black.
TEST_F(AbbreviatureTest, ANewAbbreviationIsStoredWithItsPicture) {
    const QString pin = WriteFile("pin.bmp", Bitmap16::ToBmp(Pattern(16, 16)));
    for (const bool chosen : {true, false}) {
        SCOPED_TRACE(chosen);
        TfAddEditAbbreviature* dialog = Dialog(1);
        FChosen = chosen ? pin : QString();
        const QString shortName = chosen ? "х." : "ст-ца";
        FDriver.Then([&](QDialog& d) {
            if (chosen) Press(d, "btnChangeImage");
            Enter(d, "  хутор\t", " " + shortName + " ");
            Press(d, "btnOK");
        });
        ASSERT_TRUE(dialog->Execute());
        const auto inserts = FRec.CallsOf("INS_T#LOCATABBREV");
        ASSERT_FALSE(inserts.empty());
        EXPECT_EQ(inserts.back().Input("PNAME").toString(), "хутор");
        EXPECT_EQ(inserts.back().Input("PSNAME").toString(), shortName);
        ASSERT_GE(dialog->ID, 1);
        EXPECT_EQ(dialog->ID, IdOfShortName(shortName));
        const TBitmapRead stored = Bitmap16::FromBmp(StoredPicture(dialog->ID));
        ASSERT_TRUE(stored.Ok()) << stored.Error.toStdString();
        EXPECT_TRUE(Bitmap16::IsSize16(stored.Image));
        EXPECT_EQ(chosen ? Argb(stored.Image) : Argb(Bitmap16::Masked(stored.Image)),
                  chosen ? Argb(Pattern(16, 16)) : DefaultImage());
        if (!chosen) {
            EXPECT_EQ(Bitmap16::TransparentColorOf(stored.Image) & RGB_MASK,
                      Pictures::Transparent & RGB_MASK);
        }
    }
}

TEST_F(AbbreviatureTest, EditingAnAbbreviationWithoutPictureShowsAndStoresTheDefault) {
    ASSERT_TRUE(StoredPicture(FSample.aG).isEmpty());
    TfAddEditAbbreviature* dialog = Dialog(2, FSample.aG);
    QString full, shortName;
    QImage shown;
    FDriver.Then([&](QDialog& d) {
        full = d.findChild<QLineEdit*>("edtFullName")->text();
        shortName = d.findChild<QLineEdit*>("edtShortName")->text();
        shown = Argb(dialog->Picture());
        d.findChild<QLineEdit*>("edtFullName")->setText("город-герой ");
        Press(d, "btnOK");
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(full, "город");
    EXPECT_EQ(shortName, "г.");
    EXPECT_EQ(shown, DefaultImage());
    EXPECT_EQ(dialog->ID, FSample.aG);
    EXPECT_EQ(Stored(FSample.aG, "NAME"), "город-герой");
    const TBitmapRead stored = Bitmap16::FromBmp(StoredPicture(FSample.aG));
    ASSERT_TRUE(stored.Ok());
    EXPECT_EQ(Argb(Bitmap16::Masked(stored.Image)), DefaultImage());
}

// OK keeps what is stored unless the user chose another picture, also a stored
// picture the dialog cannot read (shown as the default one).
TEST_F(AbbreviatureTest, EditingKeepsAStoredPicture) {
    const QByteArray good = Bitmap16::ToBmp(Pattern(16, 16));
    const QByteArray corrupt = good.left(good.size() / 2);
    QImage other = Pattern(16, 16);
    other.setPixel(3, 3, 0xFF0000FF);
    const QString otherPath = WriteFile("other.bmp", Bitmap16::ToBmp(other));
    const struct {
        const char* Case;
        QByteArray Stored;
        QString Chosen;
        QImage Shown;
        std::optional<QByteArray> After;  // the stored bytes afterwards, when known exactly
        QImage AfterImage;
    } cases[] = {
        {"readable", good, {}, Argb(Pattern(16, 16)), {}, Argb(Pattern(16, 16))},
        {"corrupt, kept", corrupt, {}, DefaultImage(), corrupt, {}},
        {"corrupt, replaced", corrupt, otherPath, DefaultImage(), {}, Argb(other)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        FDb.Call("QXVERPLOCAT", "SET_T#LOCATABBREV_BMP",
                 {{"PID", FPictured}, {"PBMP16#16", c.Stored}});
        TfAddEditAbbreviature* dialog = Dialog(2, FPictured);
        QImage shown;
        FDriver.Then([&](QDialog& d) {
            shown = Argb(dialog->Picture());
            FChosen = c.Chosen;
            if (!FChosen.isEmpty()) Press(d, "btnChangeImage");
            Press(d, "btnOK");
        });
        ASSERT_TRUE(dialog->Execute());
        EXPECT_EQ(shown, c.Shown);
        if (c.After)
            EXPECT_EQ(StoredPicture(FPictured), *c.After);
        else
            EXPECT_EQ(Argb(Bitmap16::FromBmp(StoredPicture(FPictured)).Image), c.AfterImage);
    }
    EXPECT_EQ(FBoxes.Count(), 0u);
}

// What the dialog refuses keeps it open with what was typed and says why; a failed upload
// of the picture is silent and leaves the abbreviation saved.
TEST_F(AbbreviatureTest, ARefusedSaveKeepsTheDialogOpenAndAFailedUploadIsSilent) {
    const QString adding = "Добавление";
    const struct {
        const char* Case;
        quint8 Mode;
        const char* Full;
        const char* Short;
        const char* Failing;
        QStringList Boxes;  // none: saved
    } cases[] = {
        {"blank full name", 1, " \t ", "z1", "",
         {BoxLine("Не введены обязательные поля!", adding, MB_ICONEXCLAMATION)}},
        {"short name taken", 1, "городок", "г.", "",
         {BoxLine("Сокращение должно быть уникальным", "Местоположение", MB_ICONINFORMATION)}},
        {"insert failed", 1, "имя", "z2", "INS_T#LOCATABBREV",
         {BoxLine("Ошибка при добавлении!", adding, MB_ICONEXCLAMATION)}},
        {"update failed", 2, "имя", "z3", "UPD_T#LOCATABBREV",
         {BoxLine("Ошибка при редактировании!", "Редактирование", MB_ICONEXCLAMATION)}},
        {"upload failed", 1, "имя", "z4", "SET_T#LOCATABBREV_BMP", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        FRec.Failing.clear();
        if (*c.Failing) FRec.Failing[QString::fromLatin1(c.Failing)] = "отказ";
        FBoxes.Clear();
        const bool refused = !c.Boxes.isEmpty();
        const size_t uploads = FRec.CallsOf("SET_T#LOCATABBREV_BMP").size();
        const long long taken = IdOfShortName(QString::fromUtf8(c.Short));
        TfAddEditAbbreviature* dialog = Dialog(c.Mode, FSample.aS);
        FDriver.Then([&](QDialog& d) {
            Enter(d, QString::fromUtf8(c.Full), QString::fromUtf8(c.Short));
            Press(d, "btnOK");
            if (!refused) return;
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(d.findChild<QLineEdit*>("edtFullName")->text(), QString::fromUtf8(c.Full));
            Press(d, "btnCancel");
        });
        EXPECT_EQ(dialog->Execute(), !refused);
        EXPECT_EQ(BoxLines(FBoxes), c.Boxes);
        if (!refused) {
            EXPECT_GE(dialog->ID, 1);
            EXPECT_EQ(dialog->ID, IdOfShortName(QString::fromUtf8(c.Short)));
            continue;
        }
        EXPECT_EQ(dialog->ID, c.Mode == 1 ? -1 : int(FSample.aS));
        EXPECT_EQ(IdOfShortName(QString::fromUtf8(c.Short)), taken);
        EXPECT_EQ(FRec.CallsOf("SET_T#LOCATABBREV_BMP").size(), uploads);
    }
}

// The dictionary's own captions on the answers to a delete; the answers themselves are
// the shared dictionary's, tested with the levels.
TEST_F(AbbreviatureTest, DeleteAnswers) {
    for (int answer : {IDYES, IDOK, IDYES, IDOK, IDYES}) FBoxes.Answer(answer);
    const long long unused = FDb.AddAbbrev("у.", "урочище");
    RunBrowse([&](TfAbbreviature& form) {
        ASSERT_TRUE(form.ospObjects->Locate("ID", FSample.aObl));
        form.aObjectDelete->trigger();  // referenced by a level
        FRec.Answers["DEL_T#LOCATABBREV"] = -1;
        form.aObjectDelete->trigger();
        EXPECT_FALSE(form.ospObjects->ControlsDisabled());
        FRec.Answers.clear();
        ASSERT_TRUE(form.ospObjects->Locate("ID", unused));
        form.aObjectDelete->trigger();
        EXPECT_EQ(form.cxView->model()->rowCount(), 5);
        EXPECT_FALSE(form.ospObjects->Locate("ID", unused));
    });
    const QString question =
        BoxLine("Удалить объект \"%1\"?", "Spravochnik ATE", MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(BoxLines(FBoxes),
              QStringList({question.arg("область"),
                           BoxLine("Запись нельзя удалить, т.к. на нее есть ссылки",
                                   "Местоположение", MB_ICONINFORMATION),
                           question.arg("область"),
                           BoxLine("Ошибка при удалении объекта \"область\"!", "Spravochnik ATE",
                                   MB_ICONEXCLAMATION),
                           question.arg("урочище")}));
    EXPECT_EQ(IdOfShortName("у."), -1);
    EXPECT_EQ(IdOfShortName("обл."), FSample.aObl);
}

// The picture chooser opened from the dialog's button is titled in the user's language.
TEST_F(AbbreviatureTest, ThePictureChooserSpeaksTheUsersLanguage) {
    const std::pair<int, QString> users[] = {{25, "Выбор изображения"}, {9, "Choose a picture"}};
    for (const auto& [language, title] : users) {
        SCOPED_TRACE(language);
        if (language == 9) FDb.SetUserLanguage(9);
        FDialog.reset(TComBaseForm::Create<TfAddEditAbbreviature>(nullptr, Session(), Schema()));
        FDialog->SetDialogMode(1);
        QString shown;
        FDriver.Then([&](QDialog& d) {
            FDriver.Then([&](QDialog& chooser) {
                shown = chooser.windowTitle();
                chooser.reject();
            });
            QTest::mouseClick(d.findChild<QPushButton*>("btnChangeImage"), Qt::LeftButton);
            d.reject();
        });
        FDialog->Execute();
        EXPECT_EQ(shown, title);
    }
}

}  // namespace
