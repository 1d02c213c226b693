#include "Location/AddEditPlace.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTableWidget>
#include <QTest>

#include "LocationDialogFixture.h"
#include "Platform/Data/OraStoredProc.h"
#include "support/Snapshot.h"

namespace {

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
    TRowSet Place(int id) {
        return Rows("GET_T#LOCATION", {{"PID", id}, {"PID_PARENT", QVariant()}});
    }

    TestDatabase::TSample FSample;
    TFormHolder<TfAddEditPlace> FDialog;
};

// What the dialog sends and what the server then holds: a top level place goes with the
// parent -1, never NULL; the name without its surrounding blanks and control characters; the
// type the user picks, whose abbreviation the dialog then gives its caller.
TEST_F(AddEditPlaceTest, AddingAndEditingSendTheParentTheTrimmedNameAndTheChosenType) {
    const struct {
        quint8 Mode;
        int Level;
        long long Parent, Id;
        const char* Routine;
        QString Shown;       // the name the dialog opens with
        long long Offered;   // the type it opens with
        const char* Chosen;  // the type the user picks, if any
        long long Type, Abbrev;
    } cases[] = {
        {1, 1, -1, -1, "INS_T#LOCATION", "", FSample.tObl, "", FSample.tObl, FSample.aObl},
        {1, 3, FSample.lakeside, -1, "INS_T#LOCATION", "", FSample.tG3, "село", FSample.tS3,
         FSample.aS},
        {2, 1, -1, FSample.north, "UPD_T#LOCATION", "Северная", FSample.tObl, "", FSample.tObl,
         FSample.aObl},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Routine);
        FRec.Calls.clear();
        TfAddEditPlace* dialog = Dialog(c.Mode, c.Level, int(c.Parent), int(c.Id));
        QString shown;
        FDriver.Then([&](QDialog& d) {
            shown = d.findChild<QLineEdit*>("edtName")->text();
            auto* types = d.findChild<QComboBox*>("cbStatus");
            EXPECT_EQ(types->currentData().toLongLong(), c.Offered);
            if (*c.Chosen) types->setCurrentIndex(types->findText(QString::fromUtf8(c.Chosen)));
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
        EXPECT_EQ(dialog->GetAbbrevID(), c.Abbrev);
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

// A level's types are listed in the alphabet's order whatever the server's order, and the
// dialog opens on the first, also for a place whose own type the level does not offer.
TEST_F(AddEditPlaceTest, TypesAreListedInTextOrderAndTheDialogOpensOnTheFirst) {
    FDb.AddType(3, FDb.AddAbbrev("аул", "аул"));
    FDb.AddType(3, FDb.AddAbbrev("пгт", "Посёлок"));
    FDb.AddType(4, FSample.aG);
    const QStringList third = {"аул", "город", "Посёлок", "село"};
    const struct {
        bool Reversed;  // the server's cursor comes in reverse
        quint8 Mode;
        int Level;
        long long Parent, Id;
        QStringList Types;
        const char* Name;
    } cases[] = {
        {false, 1, 3, FSample.lakeside, -1, third, ""},
        {true, 1, 3, FSample.lakeside, -1, third, ""},
        {false, 2, 4, FSample.lakeside, FSample.birch, {"город", "село"}, "Берёзовка"},  // level 3
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FRec.ReversedCursor.clear();
        if (c.Reversed) FRec.ReversedCursor["GET_T#LOCATTYPE_BY_LEVEL"] = true;
        TfAddEditPlace* dialog = Dialog(c.Mode, c.Level, int(c.Parent), int(c.Id));
        QStringList shown;
        QString selected, name;
        FDriver.Then([&](QDialog& d) {
            auto* combo = d.findChild<QComboBox*>("cbStatus");
            for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
            selected = combo->currentText();
            name = d.findChild<QLineEdit*>("edtName")->text();
        });
        EXPECT_FALSE(dialog->Execute());
        EXPECT_EQ(shown, c.Types);
        EXPECT_EQ(selected, c.Types.front());
        EXPECT_EQ(name, QString::fromUtf8(c.Name));
    }
}

TEST_F(AddEditPlaceTest, NoTypeAtTheLevelTellsTheUserAndDoesNotShowTheDialog) {
    TfAddEditPlace* dialog = Dialog(1, 9, static_cast<int>(FSample.harbour));
    EXPECT_FALSE(dialog->Execute());
    EXPECT_TRUE(FDriver.Runs().empty());
    EXPECT_EQ(BoxLines(FBoxes),
              QStringList{BoxLine("Невозможно добавить местоположение на данном уровне, добавьте "
                                  "новый уровень в справочник АТЕ",
                                  "Местоположение", MB_ICONINFORMATION)});
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

// Renders the dialog as a user sees it (scripts/screenshots-dictionaries keeps the picture).
TEST_F(AddEditPlaceTest, RendersTheDialogWithItsTypesAndName) {
    const TTranslatedForms translated;
    FDriver.Then([&](QDialog& d) {
        EXPECT_EQ(d.findChild<QLineEdit*>("edtName")->text(), "Гавань");
        EXPECT_EQ(d.findChild<QPushButton*>("btnCancel")->text(), "Отменить");
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
