#include "Location/AddEditPlace.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTest>

#include <memory>

#include "LocationDialogFixture.h"
#include "Platform/Data/OraStoredProc.h"

namespace {

const QString NoTypeText = QStringLiteral(
    "Невозможно добавить местоположение на данном уровне, добавьте новый уровень в справочник АТЕ");

class AddEditPlaceTest : public LocationDialogTest {
protected:
    AddEditPlaceTest() : FSample(FDb.AddSample()) {}

    TfAddEditPlace* Dialog(quint8 mode, int level, int parent, int id = -1) {
        FDialog.reset(TComBaseForm::Create<TfAddEditPlace>(nullptr, Session(), Schema()));
        FDialog->SetDialogMode(mode);
        FDialog->Level = level;
        FDialog->ParentID = parent;
        if (id != -1) FDialog->ID = id;
        return FDialog.get();
    }
    // The next run types the name and presses OK.
    void TypeAndConfirm(const QString& name) {
        FDriver.Then([name](QDialog& d) {
            d.findChild<QLineEdit*>("edtName")->setText(name);
            d.findChild<QPushButton*>("btnOK")->click();
        });
    }
    static QStringList Items(const QComboBox& combo) {
        QStringList items;
        for (int i = 0; i < combo.count(); ++i) items << combo.itemText(i);
        return items;
    }
    TRowSet Place(int id) {
        return Rows(QStringLiteral("GET_T#LOCATION"), {{"PID", id}, {"PID_PARENT", QVariant()}});
    }

    struct TFree {
        void operator()(TfAddEditPlace* d) const { TComBaseForm::Free(d); }
    };
    TestDatabase::TSample FSample;
    std::unique_ptr<TfAddEditPlace, TFree> FDialog;
};

TEST_F(AddEditPlaceTest, AddingUnderTheRootSendsParentMinusOneAndReportsWhatWasCreated) {
    TfAddEditPlace* dialog = Dialog(1, 1, -1);
    TypeAndConfirm(QStringLiteral(" \t Западная  область\r\n"));
    ASSERT_TRUE(dialog->Execute());

    const auto inserts = FRec.CallsOf(QStringLiteral("INS_T#LOCATION"));
    ASSERT_EQ(inserts.size(), 1u);
    const QVariant parent = inserts[0].Input(QStringLiteral("PID_PARENT"));
    EXPECT_FALSE(parent.isNull());
    EXPECT_EQ(parent.toInt(), -1);
    EXPECT_EQ(inserts[0].Input(QStringLiteral("PID_LOCATTYPE")).toLongLong(), FSample.tObl);
    // Surrounding blanks and control characters go, inner blanks stay.
    EXPECT_EQ(inserts[0].Input(QStringLiteral("PNAME")).toString(), "Западная  область");
    EXPECT_EQ(dialog->Name, "Западная  область");

    ASSERT_GE(dialog->ID, 1);
    const TRowSet row = Place(dialog->ID);
    ASSERT_EQ(row.Rows.size(), 1u);
    EXPECT_TRUE(Column(row, 0, "ID_PARENT").isNull());
    EXPECT_EQ(Column(row, 0, "NAME").toString(), "Западная  область");
    EXPECT_EQ(dialog->GetAbbrevID(), FSample.aObl);
    EXPECT_EQ(dialog->GetAbbrevSName(), "обл.");
    EXPECT_EQ(FBoxes.Count(), 0u);
}

TEST_F(AddEditPlaceTest, AddingUnderAPlaceSendsThatParent) {
    TfAddEditPlace* dialog = Dialog(1, 3, static_cast<int>(FSample.lakeside));
    TypeAndConfirm(QStringLiteral("Дубки"));
    ASSERT_TRUE(dialog->Execute());
    const auto inserts = FRec.CallsOf(QStringLiteral("INS_T#LOCATION"));
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_EQ(inserts[0].Input(QStringLiteral("PID_PARENT")).toLongLong(), FSample.lakeside);
    EXPECT_EQ(Column(Place(dialog->ID), 0, "ID_PARENT").toLongLong(), FSample.lakeside);
}

TEST_F(AddEditPlaceTest, EditingATopLevelPlaceLoadsItAndSendsParentMinusOne) {
    TfAddEditPlace* dialog = Dialog(2, 1, -1, static_cast<int>(FSample.north));
    QString shownName;
    QVariant shownType;
    FDriver.Then([&](QDialog& d) {
        shownName = d.findChild<QLineEdit*>("edtName")->text();
        shownType = d.findChild<QComboBox*>("cbStatus")->currentData();
        d.findChild<QLineEdit*>("edtName")->setText(QStringLiteral("Северо-Западная "));
        d.findChild<QPushButton*>("btnOK")->click();
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(shownName, "Северная");
    EXPECT_EQ(shownType.toLongLong(), FSample.tObl);

    const auto updates = FRec.CallsOf(QStringLiteral("UPD_T#LOCATION"));
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_FALSE(updates[0].Input(QStringLiteral("PID_PARENT")).isNull());
    EXPECT_EQ(updates[0].Input(QStringLiteral("PID_PARENT")).toInt(), -1);
    EXPECT_EQ(updates[0].Input(QStringLiteral("PID")).toLongLong(), FSample.north);
    EXPECT_EQ(dialog->ID, FSample.north);
    EXPECT_EQ(Column(Place(dialog->ID), 0, "NAME").toString(), "Северо-Западная");
    EXPECT_TRUE(FRec.CallsOf(QStringLiteral("INS_T#LOCATION")).empty());
}

TEST_F(AddEditPlaceTest, TypesAreListedInTextOrderWhateverTheServerOrder) {
    FDb.AddType(3, FDb.AddAbbrev(QStringLiteral("аул"), QStringLiteral("аул")));
    FDb.AddType(3, FDb.AddAbbrev(QStringLiteral("пгт"), QStringLiteral("Посёлок")));
    const QStringList expected = {"аул", "город", "Посёлок", "село"};
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "reversed cursor" : "server cursor");
        FRec.ReversedCursor[QStringLiteral("GET_T#LOCATTYPE_BY_LEVEL")] = reversed;
        if (!reversed) FRec.ReversedCursor.clear();
        TfAddEditPlace* dialog = Dialog(1, 3, static_cast<int>(FSample.lakeside));
        QStringList shown;
        QString selected;
        FDriver.Then([&](QDialog& d) {
            auto* combo = d.findChild<QComboBox*>("cbStatus");
            shown = Items(*combo);
            selected = combo->currentText();
        });
        EXPECT_FALSE(dialog->Execute());
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(selected, expected.front());
    }
}

TEST_F(AddEditPlaceTest, APlaceWhoseTypeIsNotOfferedOpensWithTheFirstType) {
    // Level 4 offers only "село" of level 4; Берёзовка has the level-3 type.
    FDb.AddType(4, FSample.aG);
    TfAddEditPlace* dialog =
        Dialog(2, 4, static_cast<int>(FSample.lakeside), static_cast<int>(FSample.birch));
    QString selected;
    QString name;
    FDriver.Then([&](QDialog& d) {
        selected = d.findChild<QComboBox*>("cbStatus")->currentText();
        name = d.findChild<QLineEdit*>("edtName")->text();
    });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(selected, "город");
    EXPECT_EQ(name, "Берёзовка");
}

TEST_F(AddEditPlaceTest, NoTypeAtTheLevelTellsTheUserAndDoesNotShowTheDialog) {
    TfAddEditPlace* dialog = Dialog(1, 9, static_cast<int>(FSample.harbour));
    EXPECT_FALSE(dialog->Execute());
    EXPECT_TRUE(FDriver.Runs().empty());
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_EQ(FBoxes.Last().Text, NoTypeText);
    EXPECT_EQ(FBoxes.Last().Caption, "Местоположение");
    EXPECT_EQ(FBoxes.Last().Flags, MB_ICONINFORMATION);
    EXPECT_EQ(FBoxes.Last().OwnerAtCall, dialog);
    EXPECT_EQ(dialog->GetAbbrevID(), -1);
    EXPECT_EQ(dialog->GetAbbrevSName(), QString());
}

TEST_F(AddEditPlaceTest, ABlankNameOrNoTypeIsRefusedAndTheDialogStaysOpen) {
    TfAddEditPlace* dialog = Dialog(1, 1, -1);
    bool openAfterBlank = false;
    bool openAfterNoType = false;
    FDriver.Then([&](QDialog& d) {
        d.findChild<QLineEdit*>("edtName")->setText(QStringLiteral("  \t "));
        d.findChild<QPushButton*>("btnOK")->click();
        openAfterBlank = d.isVisible() && d.result() == 0;
        d.findChild<QLineEdit*>("edtName")->setText(QStringLiteral("Новая"));
        d.findChild<QComboBox*>("cbStatus")->setCurrentIndex(-1);
        d.findChild<QPushButton*>("btnOK")->click();
        openAfterNoType = d.isVisible() && d.result() == 0;
        d.findChild<QPushButton*>("btnCancel")->click();
    });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_TRUE(openAfterBlank);
    EXPECT_TRUE(openAfterNoType);
    ASSERT_EQ(FBoxes.Count(), 2u);
    EXPECT_EQ(FBoxes.Calls()[0].Text, "Не введены обязательные поля!");
    EXPECT_EQ(FBoxes.Calls()[0].Caption, "Добавление");
    EXPECT_EQ(FBoxes.Calls()[0].Flags, MB_ICONEXCLAMATION);
    EXPECT_EQ(FBoxes.Calls()[1].Text, "Необходимо заполнить поле \"АТЕ\"");
    EXPECT_EQ(FBoxes.Calls()[1].Caption, "Местоположение");
    EXPECT_EQ(FBoxes.Calls()[1].Flags, MB_ICONINFORMATION);
    EXPECT_TRUE(FRec.CallsOf(QStringLiteral("INS_T#LOCATION")).empty());
    EXPECT_EQ(dialog->Name, QString());
}

// A refused save keeps the dialog open with what the user typed; here the user then cancels.
TEST_F(AddEditPlaceTest, AFailedServerCallShowsItsTextAndKeepsTheDialogOpen) {
    for (quint8 mode : {1, 2}) {
        SCOPED_TRACE(mode);
        FBoxes.Clear();
        const QString routine = mode == 1 ? "INS_T#LOCATION" : "UPD_T#LOCATION";
        FRec.Failing[routine] = QStringLiteral("сервер недоступен");
        TfAddEditPlace* dialog = Dialog(mode, 1, -1, static_cast<int>(FSample.south));
        FDriver.Then([](QDialog& d) {
            d.findChild<QLineEdit*>("edtName")->setText(QStringLiteral("Новая"));
            d.findChild<QPushButton*>("btnOK")->click();
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(d.findChild<QLineEdit*>("edtName")->text(), QStringLiteral("Новая"));
        });
        EXPECT_FALSE(dialog->Execute());
        EXPECT_EQ(dialog->ID, mode == 1 ? -1 : static_cast<int>(FSample.south));
        EXPECT_NE(FDriver.Runs().back().Result, mrOk);
        ASSERT_EQ(FBoxes.Count(), 1u);
        EXPECT_TRUE(FBoxes.Last().Text.contains("сервер недоступен"))
            << FBoxes.Last().Text.toStdString();
        EXPECT_EQ(FBoxes.Last().Flags & MbIconMask, 0u);
    }
    EXPECT_EQ(Column(Place(static_cast<int>(FSample.south)), 0, "NAME").toString(), "Южная");
}

TEST_F(AddEditPlaceTest, TheAbbreviationOfTheChosenTypeFollowsTheSelection) {
    TfAddEditPlace* dialog = Dialog(1, 3, static_cast<int>(FSample.lakeside));
    EXPECT_EQ(dialog->GetAbbrevID(), -1);  // nothing loaded yet
    FDriver.Then([](QDialog& d) {
        auto* combo = d.findChild<QComboBox*>("cbStatus");
        combo->setCurrentIndex(combo->findText(QStringLiteral("село")));
        d.findChild<QLineEdit*>("edtName")->setText(QStringLiteral("Ключи"));
        d.findChild<QPushButton*>("btnOK")->click();
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->GetAbbrevID(), FSample.aS);
    EXPECT_EQ(dialog->GetAbbrevSName(), "с.");
    EXPECT_EQ(FRec.CallsOf("INS_T#LOCATION").at(0).Input("PID_LOCATTYPE").toLongLong(),
              FSample.tS3);
}

// Renders the dialog as a user sees it; QXV_SCREENSHOT_DIR keeps the picture.
TEST_F(AddEditPlaceTest, RendersTheDialogWithItsTypesAndName) {
    TfAddEditPlace* dialog =
        Dialog(2, 3, static_cast<int>(FSample.lakeside), static_cast<int>(FSample.harbour));
    QImage shot;
    FDriver.Then([&](QDialog& d) {
        d.adjustSize();
        d.resize(287, 141);
        shot = d.grab().toImage();
    });
    EXPECT_FALSE(dialog->Execute());
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 287);
    const QString dir = qEnvironmentVariable("QXV_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(shot.save(QDir(dir).filePath("location-dialog.png")));
    }
}

}  // namespace

namespace {

// A name longer than its column is refused whole, with a message, never cut short.
TEST_F(AddEditPlaceTest, ANameLongerThanItsColumnIsRefusedWithAMessage) {
    TfAddEditPlace* dialog = Dialog(1, 1, -1);
    QString kept;
    FDriver.Then([&](QDialog& d) {
        d.show();
        auto* name = d.findChild<QLineEdit*>("edtName");
        name->setFocus();
        for (const QString& paste :
             {QString(256, QLatin1Char('x')), QString(255, QLatin1Char('y'))}) {
            name->clear();
            QGuiApplication::clipboard()->setText(paste);
            QTest::keySequence(name, QKeySequence::Paste);
            QCoreApplication::processEvents();
        }
        kept = name->text();
        d.findChild<QPushButton*>("btnOK")->click();
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(kept, QString(255, QLatin1Char('y')));
    ASSERT_EQ(FBoxes.Count(), 1u) << "the longer paste only";
    EXPECT_EQ(FBoxes.Last().Text, "Текст не может быть длиннее 255 символов");
    EXPECT_EQ(FBoxes.Last().Caption, "Добавление");
    EXPECT_EQ(Column(Place(dialog->ID), 0, "NAME").toString(), kept);
}

}  // namespace
