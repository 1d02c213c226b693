// Every window of the service, opened the way a user meets it, on a schema that has
// nothing but what the installer puts in it.

#include <QDialog>
#include <QLineEdit>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include "ComUnits/Lang/uLangComp.h"
#include "ComUnits/Lang/uLanguagesDM.h"
#include "Location/Abbreviature.h"
#include "Location/AddEditAbbreviature.h"
#include "Location/AddEditInfoType.h"
#include "Location/AddEditLevel.h"
#include "Location/AddEditPlace.h"
#include "Location/DataMod.h"
#include "Location/FrameObjectInfo.h"
#include "Location/Level.h"
#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/ServiceTable.h"
#include "Server/ServerPhrases.h"
#include "support/InterfaceTexts.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/TestDatabase.h"

namespace {

using TVisit = std::function<void(const QString& window, QWidget& shown)>;

class InterfaceTextsTest : public ::testing::Test {
protected:
    InterfaceTextsTest() { InstallTranslationPass(); }
    ~InterfaceTextsTest() override {
        DoneTranslation();
        TComBaseForm::SetTranslatePass({});
    }

    // A modal run of a dialog of the chain: visited while it is shown, then cancelled.
    template <class T>
    void RunDialog(const QString& name, const TVisit& visit,
                   const std::function<void(T&)>& prepare = {}) {
        // Opened from a window that holds the translation module, as the service does.
        InitTranslation(FDb.Schema(), &FDb.Session());
        TFormHolder<T> form(TComBaseForm::Create<T>(nullptr, &FDb.Session(), FDb.Schema()));
        if (prepare) prepare(*form);
        FDriver.Then([&](QDialog& d) {
            visit(name, d);
            d.reject();
        });
        form->Execute();
    }

    // Opens every window, dialog and frame of the service in turn.
    void OpenEveryWindow(const TVisit& visit) {
        if (!FLevel) {
            // The place dialog opens only where a level exists; a place with an item of
            // every kind shows the window in use.
            FLevel = FDb.AddType(1, FDb.AddAbbrev("обл.", "область"));
            const long long place = FDb.AddLocation(-1, FLevel, "Северная");
            for (int kind = 1; kind <= 7; ++kind)
                FDb.AddInfo(place, -1, kind, "значение", "описание", kind % 2);
            FDb.Raw().Commit();
        }
        {
            TFormHolder<TfMain> main(
                TComBaseForm::Create<TfMain>(nullptr, &FDb.Session(), FDb.Schema()));
            main->show();
            visit("TfMain", *main);
            ASSERT_NE(main->InfoFrame(), nullptr);
            visit("TfrObjectInfo", *main->InfoFrame());
            // In use: a place chosen, its items listed, the address line filled.
            main->Tree()->Root()->setExpanded(true);
            ASSERT_GT(main->Tree()->Root()->childCount(), 0);
            main->tvObjects->setCurrentItem(main->Tree()->Root()->child(0));
            visit("TfMain in use", *main);
            visit("TfrObjectInfo in use", *main->InfoFrame());
            FDriver.Then([&](QDialog& d) {
                visit("TfSearch", d);
                d.reject();
            });
            main->edSearch->setText("сев");
            QTest::keyClick(main->edSearch, Qt::Key_Return);
            main->close();
        }
        FDriver.Then([&](QDialog& d) {
            visit("picker", d);
            d.reject();
        });
        int id = -1;
        ServiceTable::GetLocation(&FDb.Session(), "QXVBASE", &id);

        TDM dm(nullptr);
        SetCurrentDM(&dm);
        RunDialog<TfAbbreviature>("TfAbbreviature", visit);
        RunDialog<TfLevel>("TfLevel", visit);
        RunDialog<TfAddEditPlace>("TfAddEditPlace", visit, [](TfAddEditPlace& d) {
            d.SetDialogMode(1);
            d.Level = 1;
            d.ParentID = -1;
        });
        RunDialog<TfAddEditAbbreviature>("TfAddEditAbbreviature", visit,
                                         [](TfAddEditAbbreviature& d) { d.SetDialogMode(1); });
        RunDialog<TfAddEditLevel>("TfAddEditLevel", visit,
                                  [](TfAddEditLevel& d) { d.SetDialogMode(1); });
        RunDialog<TfAddEditInfoType>("TfAddEditInfoType", visit, [](TfAddEditInfoType& d) {
            d.SetDialogMode(1);
            d.SetInfoKind(2);
        });
        SetCurrentDM(nullptr);
    }

    TestDatabase FDb;
    long long FLevel = 0;
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
};

bool HasCyrillic(const QString& text) {
    for (const QChar c : text)
        if (c.script() == QChar::Script_Cyrillic) return true;
    return false;
}

// The lists of abbreviations, code kinds and languages in the dialogs and the address line hold
// data, not designed texts.
// The record counter shows a number inside its phrase "Считано из БД %s записей".
bool IsData(const TShownText& t) {
    return t.Where == QLatin1String("Edit.text") || t.Where == QLatin1String("lblCount.text") ||
           t.Where.startsWith("cbStatus.item") || t.Where.startsWith("cbAbbrev.item") ||
           t.Where.startsWith("cbKey.item");
}

// The phrases the pass and TranslateRu ask the server for, as the installer keys them.
QStringList Keys(const QString& text) {
    if (HasCyrillic(text)) return {EncodeLineBreaks(text)};
    QStringList asked;
    TLang lang([&](const QString& phrase) {
        asked << phrase;
        return phrase;
    });
    lang.TranslateText(text, tfCommentMark | tfAccelerator);
    return asked;
}

// A form that gains a text fails here until the phrase file has its translations.
TEST_F(InterfaceTextsTest, EveryDesignedTextHasItsInstalledTranslations) {
    // Translation off: the texts as designed.
    FDb.Raw().Execute(
        QStringLiteral(
            "UPDATE \"qxvbase\".lang_settings SET value = '0' WHERE name = 'GC_MULTI_LANG'"),
        {});
    FDb.Raw().Commit();
    QSet<QPair<int, QString>> installed;
    for (const TInstalledPhrase& p : InstalledPhrases()) installed.insert({p.LangId, p.Phrase});
    int checked = 0;
    OpenEveryWindow([&](const QString& window, QWidget& shown) {
        for (const TShownText& t : WindowTexts(&shown, true)) {
            if (IsData(t)) continue;
            for (const QString& key : Keys(t.Text)) {
                if (!HasLatin(key) && !HasCyrillic(key)) continue;
                ++checked;
                const QString where = window + QLatin1Char(' ') + t.Where + ": ";
                EXPECT_TRUE(installed.contains({TLanguagesDM::LangEnglish, key}))
                    << qPrintable(where + key) << " has no English";
                if (!HasCyrillic(key)) {
                    EXPECT_TRUE(installed.contains({TLanguagesDM::LangRussian, key}))
                        << qPrintable(where + key) << " has no Russian";
                }
            }
        }
    });
    EXPECT_GT(checked, 100);
}

// What a user of each language reads on every window of a schema made by the
// installer alone.
TEST_F(InterfaceTextsTest, EachUserReadsOnlyTheirLanguage) {
    for (const bool english : {false, true}) {
        SCOPED_TRACE(english ? "English user" : "Russian user");
        if (english) FDb.SetUserLanguage(9);
        int seen = 0;
        QStringList windows;
        OpenEveryWindow([&](const QString& window, QWidget& shown) {
            windows << window;
            for (const TShownText& t : WindowTexts(&shown)) {
                if (!HasLatin(t.Text) && !HasCyrillic(t.Text)) continue;
                if (IsData(t)) continue;
                ++seen;
                const std::string what =
                    (window + QLatin1Char(' ') + t.Where + QStringLiteral(": ") + t.Text)
                        .toStdString();
                if (english) {
                    EXPECT_FALSE(HasCyrillic(t.Text)) << what;
                    EXPECT_FALSE(t.Text.startsWith(QLatin1Char('?'))) << what;
                } else {
                    // Latin letters only beside Russian ones ("bmp 16x16").
                    EXPECT_TRUE(HasCyrillic(t.Text)) << what;
                }
            }
        });
        EXPECT_EQ(windows.size(), 12) << windows.join(u',').toStdString();
        EXPECT_GT(seen, 60);
        DoneTranslation();
    }
    EXPECT_EQ(FBoxes.Count(), 0u);
}

}  // namespace
