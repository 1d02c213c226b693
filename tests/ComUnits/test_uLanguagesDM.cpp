// Russian texts of the program through the translation module: the stored form of line
// breaks, the "?" mark of a missing phrase, and one server question per phrase.

#include <gtest/gtest.h>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uChkCount.h"
#include "support/TestDatabase.h"

namespace {

const QString K = QStringLiteral("'||chr(13)||chr(10)||'");  // a break as phrases store it

TEST(LineBreakKey, BreaksOfEveryKindAreStoredOneWay) {
    const struct {
        QString Text, Key;
    } cases[] = {
        {"один", "один"},
        {"A\r\nB", "A" + K + "B"},
        {"A\nB", "A" + K + "B"},
        {"A\rB", "A" + K + "B"},            // a lone CR is a break too
        {"A\r\n", "A"},                     // a break at the end starts no line
        {"A\r\n\r\nB", "A" + K + K + "B"},  // an empty line between
        {"\r\nA", K + "A"},                 // an empty first line
        {"A\n\rB", "A" + K + "B"},          // CR after LF: the CRs go first
        {"A\r\nB\nC\rD", "A" + K + "B" + K + "C" + K + "D"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        EXPECT_EQ(EncodeLineBreaks(c.Text), c.Key);
    }
    EXPECT_EQ(DecodeLineBreaks("A" + K + "B"), "A\r\nB");
}

// An English user over the installed phrases.
class TranslateRuTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDb.SetUserLanguage(9);
        FDb.Raw().Execute(
            QStringLiteral("INSERT INTO \"qxvbase\".LANG_TRANS_RU (PHRASE, LANG_ID, "
                           "TRANSLATION) VALUES (:P, 9, :T)"),
            {{"P", "Первая строка" + K + "вторая"}, {"T", "First line" + K + "second"}});
        FDb.Raw().Commit();
        ASSERT_TRUE(InitTranslation("QXVBASE", &FDb.Session()));
        FDb.Counting().Reset();
    }
    void TearDown() override { DoneTranslation(); }
    int Questions() { return FDb.Counting().CallCount(QStringLiteral("GET_RESOURCE_APL_TXT")); }

    TestDatabase FDb;
};

TEST_F(TranslateRuTest, EachPhraseIsAskedOnceAndAMissingOneIsMarked) {
    const struct {
        QString Text, Shown;
    } phrases[] = {
        {"Выберите таблицу", "Select the table"},  // an installed phrase
        {"Первая строка\r\nвторая", "First line\r\nsecond"},
        {"Первая строка\nвторая", "First line\r\nsecond"},
        {"Нет такой фразы", "?Нет такой фразы"},
        {"Latin only", "Latin only"},  // nothing to ask
    };
    for (int round = 0; round < 2; ++round)
        for (const auto& p : phrases) {
            SCOPED_TRACE(p.Text.toStdString());
            EXPECT_EQ(TranslateRu(p.Text), p.Shown);
        }
    EXPECT_EQ(Questions(), 4) << "one question per phrase with Russian letters, and no more";
}

// The record counter of an English user: a singular and a plural, the last count deciding.
TEST_F(TranslateRuTest, RecordCountersAreSingularOnlyForOne) {
    EXPECT_EQ(RecordCountText("1", 1), " 1 record read from the database");
    EXPECT_EQ(RecordCountText("21", 21), " 21 records read from the database");
    EXPECT_EQ(RecordCountText("3 (1)", 1), " 3 (1) record read from the database");
    EXPECT_EQ(RecordCountText("2", 2), " 2 records read from the database");
}

}  // namespace
