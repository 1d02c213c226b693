#include "Location/AddEditPlace.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QTableWidget>
#include <QTest>

#include <memory>

#include "LocationDialogFixture.h"
#include "Platform/Data/OraStoredProc.h"
#include "support/Snapshot.h"

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
        return Rows("GET_T#LOCATION", {{"PID", id}, {"PID_PARENT", QVariant()}});
    }

    struct TFree {
        void operator()(TfAddEditPlace* d) const { TComBaseForm::Free(d); }
    };
    TestDatabase::TSample FSample;
    std::unique_ptr<TfAddEditPlace, TFree> FDialog;
};

// What the dialog sends and what the server then holds: a top level place goes with the
// parent -1, never NULL; the name without its surrounding blanks and control characters.
TEST_F(AddEditPlaceTest, AddingAndEditingSendTheParentAndTheTrimmedName) {
    const struct {
        quint8 Mode;
        int Level;
        long long Parent, Id;
        const char* Routine;
        QString Shown;  // the name the dialog opens with
        long long Type;
    } cases[] = {
        {1, 1, -1, -1, "INS_T#LOCATION", "", FSample.tObl},
        {1, 3, FSample.lakeside, -1, "INS_T#LOCATION", "", FSample.tG3},
        {2, 1, -1, FSample.north, "UPD_T#LOCATION", "Северная", FSample.tObl},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Routine);
        FRec.Calls.clear();
        TfAddEditPlace* dialog = Dialog(c.Mode, c.Level, int(c.Parent), int(c.Id));
        QString shown;
        FDriver.Then([&](QDialog& d) {
            shown = d.findChild<QLineEdit*>("edtName")->text();
            EXPECT_EQ(d.findChild<QComboBox*>("cbStatus")->currentData().toLongLong(), c.Type);
            d.findChild<QLineEdit*>("edtName")->setText(" \t Западная  область\r\n");
            d.findChild<QPushButton*>("btnOK")->click();
        });
        ASSERT_TRUE(dialog->Execute());
        EXPECT_EQ(shown, c.Shown);
        std::vector<RecordingConnection::TCall> writes;
        for (const auto& call : FRec.Calls)
            if (!call.Routine.startsWith("GET")) writes.push_back(call);
        ASSERT_EQ(writes.size(), 1u);
        const auto& call = writes[0];
        EXPECT_EQ(call.Routine, c.Routine);
        EXPECT_EQ(call.Input("PID_PARENT"), QVariant(c.Parent));
        EXPECT_EQ(call.Input("PID_LOCATTYPE").toLongLong(), c.Type);
        EXPECT_EQ(call.Input("PNAME").toString(), "Западная  область");
        EXPECT_EQ(dialog->Name, "Западная  область");
        if (c.Id > 0) {
            EXPECT_EQ(dialog->ID, c.Id);
        }
        ASSERT_GE(dialog->ID, 1);
        EXPECT_EQ(Column(Place(dialog->ID), 0, "NAME").toString(), "Западная  область");
        const QVariant stored = Column(Place(dialog->ID), 0, "ID_PARENT");
        EXPECT_EQ(stored.isNull() ? -1 : stored.toLongLong(), c.Parent);
    }
    EXPECT_EQ(FBoxes.Count(), 1u) << "the rename next to the added namesake is asked about";
}

// Codes and names per language go with the place in its one call; a code another place holds
// is refused with that place named, and the dialog stays open with what the user typed.
TEST_F(AddEditPlaceTest, CodesAndNamesPerLanguageAreSavedWithThePlace) {
    ASSERT_EQ(FDb.Call("QXVERPLOCAT", "SET_T#LOCATION_CODES",
                       {{"PID", FSample.south}, {"PCODES", "OKATO\t45\n"}}),
              1);
    TfAddEditPlace* dialog = Dialog(2, 1, -1, int(FSample.north));
    QString refusal, kept;
    FDriver.Then([&](QDialog& d) {
        auto* codes = Child<QTableWidget>(d, "grdCodes");
        auto* kind = qobject_cast<QComboBox*>(codes->cellWidget(0, 0));
        kind->setCurrentIndex(kind->findData("OKATO"));
        codes->item(0, 1)->setText("45");
        Child<QTableWidget>(d, "grdNames")->item(0, 1)->setText("Northern");  // English first
        Snapshot(d, "location-dialog-codes");
        Child<QPushButton>(d, "btnOK")->click();
        refusal = FBoxes.Count() ? FBoxes.Last().Text : QString();
        kept = codes->item(0, 1)->text();
        codes->item(0, 1)->setText("46");
        Child<QPushButton>(d, "btnOK")->click();
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_TRUE(refusal.contains("OKATO 45, «Южная»")) << refusal.toStdString();
    EXPECT_EQ(kept, "45");
    EXPECT_EQ(FRec.CallsOf("SET_T#LOCATION_CODES").size(), 0u) << "saved with the place";
    EXPECT_EQ(Column(Rows("GET_T#LOCATION_CODE", {{"PID", FSample.north}}), 0, "CODE"), "46");
    EXPECT_EQ(Column(Rows("GET_T#LOCATION_NAME", {{"PID", FSample.north}}), 0, "NAME"), "Northern");
}

TEST_F(AddEditPlaceTest, TypesAreListedInTextOrderWhateverTheServerOrder) {
    FDb.AddType(3, FDb.AddAbbrev("аул", "аул"));
    FDb.AddType(3, FDb.AddAbbrev("пгт", "Посёлок"));
    const QStringList expected = {"аул", "город", "Посёлок", "село"};
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "reversed cursor" : "server cursor");
        FRec.ReversedCursor["GET_T#LOCATTYPE_BY_LEVEL"] = reversed;
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
    EXPECT_EQ(BoxLines(FBoxes),
              QStringList{BoxLine(NoTypeText, "Местоположение", MB_ICONINFORMATION)});
    EXPECT_EQ(FBoxes.Last().OwnerAtCall, dialog);
    EXPECT_EQ(dialog->GetAbbrevID(), -1);
    EXPECT_EQ(dialog->GetAbbrevSName(), QString());
}

// A refused save keeps the dialog open with what the user typed and says why; here the user
// then cancels, and the server keeps the place as it was.
TEST_F(AddEditPlaceTest, ARefusedSaveKeepsTheDialogOpenAndSaysWhy) {
    const struct {
        const char* Case;
        quint8 Mode;
        const char* Name;
        bool Typed;           // a type chosen
        const char* Failing;  // the routine that fails
        const char* Says;
        const char* Caption;  // null: the server's failure, in a plain box
        unsigned Icon;
    } cases[] = {
        {"blank name", 1, "  \t ", true, "", "Не введены обязательные поля!", "Добавление",
         MB_ICONEXCLAMATION},
        {"no type", 1, "Новая", false, "", "Необходимо заполнить поле \"АТЕ\"", "Местоположение",
         MB_ICONINFORMATION},
        {"insert failed", 1, "Новая", true, "INS_T#LOCATION", "сервер недоступен", nullptr, 0},
        {"update failed", 2, "Новая", true, "UPD_T#LOCATION", "сервер недоступен", nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        FBoxes.Clear();
        FRec.Failing.clear();
        if (*c.Failing) FRec.Failing[QString::fromLatin1(c.Failing)] = "сервер недоступен";
        const int id = *c.Failing ? static_cast<int>(FSample.south) : -1;
        TfAddEditPlace* dialog = Dialog(c.Mode, 1, -1, id);
        FDriver.Then([&](QDialog& d) {
            d.findChild<QLineEdit*>("edtName")->setText(QString::fromUtf8(c.Name));
            if (!c.Typed) d.findChild<QComboBox*>("cbStatus")->setCurrentIndex(-1);
            d.findChild<QPushButton*>("btnOK")->click();
            EXPECT_TRUE(d.isVisible() && d.result() == 0);
            EXPECT_EQ(d.findChild<QLineEdit*>("edtName")->text(), QString::fromUtf8(c.Name));
            d.findChild<QPushButton*>("btnCancel")->click();
        });
        EXPECT_FALSE(dialog->Execute());
        EXPECT_EQ(dialog->ID, c.Mode == 1 ? -1 : static_cast<int>(FSample.south));
        ASSERT_EQ(FBoxes.Count(), 1u);
        EXPECT_TRUE(FBoxes.Last().Text.contains(QString::fromUtf8(c.Says)))
            << FBoxes.Last().Text.toStdString();
        EXPECT_EQ(FBoxes.Last().Flags & MbIconMask, c.Icon);
        if (c.Caption) {
            EXPECT_EQ(FBoxes.Last().Caption, QString::fromUtf8(c.Caption));
            EXPECT_EQ(dialog->Name, QString());
        }
    }
    EXPECT_EQ(FRec.CallsOf("INS_T#LOCATION").size(), 1u) << "the failing one only";
    EXPECT_EQ(Column(Place(static_cast<int>(FSample.south)), 0, "NAME").toString(), "Южная");
}

TEST_F(AddEditPlaceTest, TheAbbreviationOfTheChosenTypeFollowsTheSelection) {
    TfAddEditPlace* dialog = Dialog(1, 3, static_cast<int>(FSample.lakeside));
    EXPECT_EQ(dialog->GetAbbrevID(), -1);  // nothing loaded yet
    FDriver.Then([](QDialog& d) {
        auto* combo = d.findChild<QComboBox*>("cbStatus");
        combo->setCurrentIndex(combo->findText("село"));
        d.findChild<QLineEdit*>("edtName")->setText("Ключи");
        d.findChild<QPushButton*>("btnOK")->click();
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->GetAbbrevID(), FSample.aS);
    EXPECT_EQ(dialog->GetAbbrevSName(), "с.");
    EXPECT_EQ(FRec.CallsOf("INS_T#LOCATION").at(0).Input("PID_LOCATTYPE").toLongLong(),
              FSample.tS3);
}

// Renders the dialog as a user sees it (scripts/screenshots-dictionaries keeps the picture).
TEST_F(AddEditPlaceTest, RendersTheDialogWithItsTypesAndName) {
    FDriver.Then([&](QDialog& d) {
        d.resize(287, 141);
        EXPECT_EQ(d.findChild<QLineEdit*>("edtName")->text(), "Гавань");
        Snapshot(d, "location-dialog");
    });
    EXPECT_FALSE(Dialog(2, 3, int(FSample.lakeside), int(FSample.harbour))->Execute());
}

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
