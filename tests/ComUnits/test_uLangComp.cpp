#include "ComUnits/Lang/uLangComp.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <stdexcept>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uComponentTree.h"
#include "FormReposit/uComBaseForm.h"
#include "Platform/Data/DataSet.h"
#include "support/TestDatabase.h"

namespace {

const char* const Lookup = "GET_RESOURCE_APL_EN_TXT";

class TPlainForm : public TComBaseForm {
public:
    TPlainForm() : TComBaseForm(nullptr) {}
    using TComBaseForm::SetIsMainForm;
};

class TFieldsDataSet : public TDataSet {
public:
    explicit TFieldsDataSet(QObject* parent) : TDataSet(parent) {}
    using TDataSet::DefineFields;
};

using TFormPtr = TFormHolder<TPlainForm>;

// Forms shown over a database whose LANG_PACK knows a few Latin phrases.
class LangPassTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDb.SetUserLanguage(9);
        const QMap<QString, QString> words{{"Save", "Сохранить"},
                                           {"Save as", "Сохранить как"},
                                           {"Name", "Имя"},
                                           {"Code", "Код"},
                                           {"Name Code", "Имя и код"},
                                           {"Launch", "Запустить"},  // not an installed phrase
                                           {"Open the file", "Открыть файл"},
                                           {"Location", "Местоположение"},
                                           {"Places", "Места"},
                                           {"Close", "Закрыть"},
                                           {"Close the window", "Закрыть окно"},
                                           {"Debug", "Отладка"},
                                           {"Button1", "Кнопка"},
                                           {"Find", "Найти"},
                                           {"Type a name", "Введите имя"}};
        for (auto it = words.begin(); it != words.end(); ++it)
            FDb.Raw().Execute(QStringLiteral("INSERT INTO \"qxvbase\".LANG_TRANS_RU (PHRASE, "
                                             "LANG_ID, TRANSLATION) VALUES (:P, 9, :T)"),
                              {{"P", it.key()}, {"T", it.value()}});
        FDb.Raw().Commit();
        ASSERT_TRUE(InitTranslation("QXVBASE", &FDb.Session()));
        InstallTranslationPass();
    }
    void TearDown() override {
        TComBaseForm::SetTranslatePass(nullptr);
        DoneTranslation();
    }
    TFormPtr NewForm() { return TFormPtr(TComBaseForm::Create<TPlainForm>()); }
    int Lookups() const { return const_cast<TestDatabase&>(FDb).Counting().CallCount(Lookup); }

    TestDatabase FDb;
};

TEST_F(LangPassTest, LatinTextsOfEveryKindAreTranslatedOnShow) {
    TFormPtr form = NewForm();
    form->setWindowTitle("Location");
    auto* label = new QLabel(" Location  ", form.get());
    auto* button = new QPushButton("&Save", form.get());
    button->setToolTip("Close the window");
    auto* group = new QGroupBox("Places", form.get());
    auto* inGroup = new QLabel("Name", group);
    auto* readOnly = new QLineEdit("Name", form.get());
    readOnly->setReadOnly(true);
    readOnly->setPlaceholderText("Type a name");
    auto* editable = new QLineEdit("Name", form.get());
    editable->setToolTip("Find");
    auto* combo = new QComboBox(form.get());
    combo->addItems({"Launch", "Close", "Save"});
    combo->setCurrentIndex(1);
    auto* empty = new QComboBox(form.get());
    auto* list = new QListWidget(form.get());
    list->addItems({"Launch", "Close"});
    auto* tree = new QTreeWidget(form.get());
    tree->setHeaderLabels({"Name", "Code"});
    auto* action = new QAction("Launch", form.get());
    action->setToolTip("Open the file");
    action->setStatusTip("Close the window");
    auto* menu = new QMenu("Places", form.get());
    auto* kept = new QPushButton("Save", form.get());
    kept->setToolTip("Close the window");
    SetTag(kept, KeepCaptionTag);
    auto* data = new TFieldsDataSet(form.get());
    data->DefineFields({{"NAME", TFieldType::String}, {"CODE", TFieldType::String}});
    data->Fields(0)->SetDisplayLabel("Name");

    form->show();

    EXPECT_EQ(form->windowTitle(), "Местоположение");
    EXPECT_EQ(label->text(), " Местоположение  ") << "white space kept on both sides";
    EXPECT_EQ(button->text(), "&Сохранить");
    EXPECT_EQ(button->toolTip(), "Закрыть окно");
    EXPECT_EQ(group->title(), "Места");
    EXPECT_EQ(inGroup->text(), "Имя");
    EXPECT_EQ(readOnly->text(), "Имя");
    EXPECT_EQ(readOnly->placeholderText(), "Введите имя");
    EXPECT_EQ(editable->text(), "Name") << "an editable line holds data";
    EXPECT_EQ(editable->toolTip(), "Find") << "nothing of an editable line is touched";
    EXPECT_EQ(combo->itemText(2), "Сохранить");
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(empty->currentIndex(), -1);
    EXPECT_EQ(list->item(1)->text(), "Закрыть");
    EXPECT_EQ(tree->headerItem()->text(1), "Код");
    EXPECT_EQ(action->text(), "Запустить");
    EXPECT_EQ(action->toolTip(), "Открыть файл");
    EXPECT_EQ(action->statusTip(), "Закрыть окно");
    EXPECT_EQ(menu->title(), "Места");
    EXPECT_EQ(kept->text(), "Save") << "the tag keeps the caption";
    EXPECT_EQ(kept->toolTip(), "Закрыть окно");
    EXPECT_EQ(data->Fields(0)->DisplayLabel(), "Имя");
    EXPECT_EQ(data->Fields(1)->DisplayLabel(), "CODE") << "a label equal to the name is kept";
}

TEST_F(LangPassTest, AcceleratorAndCommentMarkAndPhrases) {
    TFormPtr form = NewForm();
    auto* saveAs = new QPushButton("Save &as", form.get());
    auto* debug = new QPushButton("//Debug", form.get());
    auto* phrasesLabel = new QLabel("Name | Code", form.get());
    auto* phrasesButton = new QPushButton("Name | Code", form.get());
    auto* named = new QPushButton("Button1", form.get());
    named->setObjectName("Button1");
    auto* unnamed = new QPushButton("Button1", form.get());
    const int before = Lookups();

    form->show();

    EXPECT_EQ(saveAs->text(), "Сохра&нить как") << "the & goes back to the same position";
    EXPECT_EQ(debug->text(), "Debug");
    EXPECT_EQ(phrasesLabel->text(), "Имя Код") << "a label's phrases are looked up one by one";
    EXPECT_EQ(phrasesButton->text(), "Имя и код") << "a button's text is one phrase";
    EXPECT_EQ(named->text(), "Button1") << "a caption equal to the name stays";
    EXPECT_EQ(unnamed->text(), "Кнопка");
    // Save as, Name, Code, Name Code, Button1 of the unnamed button: Debug is not asked.
    EXPECT_EQ(Lookups() - before, 5);
}

TEST_F(LangPassTest, ExcludedComponentsStayOnlyOnTheFirstShow) {
    TFormPtr form = NewForm();
    auto* excluded = new QLabel("Save", form.get());
    auto* panel = new QGroupBox("Places", form.get());
    auto* inPanel = new QLabel("Name", panel);
    auto* other = new QLabel("Launch", form.get());
    form->AddTranslateExclusion(excluded);
    form->AddTranslateExclusion(panel);

    form->show();
    EXPECT_EQ(excluded->text(), "Save");
    EXPECT_EQ(panel->title(), "Places");
    EXPECT_EQ(inPanel->text(), "Имя") << "a control on an excluded panel is a component of its own";
    EXPECT_EQ(other->text(), "Запустить");
    EXPECT_TRUE(form->TranslateExclusions().isEmpty());

    form->hide();
    form->show();
    EXPECT_EQ(excluded->text(), "Сохранить");
    EXPECT_EQ(panel->title(), "Места");
    EXPECT_EQ(inPanel->text(), "Имя");
}

TEST_F(LangPassTest, TextsWithoutLatinLettersOrWithoutAModuleAreNotLookedUp) {
    TFormPtr form = NewForm();
    auto* russian = new QLabel("Местоположение", form.get());
    auto* digits = new QPushButton("12 | 34", form.get());
    new QLabel("   ", form.get());
    const int before = Lookups();
    form->show();
    EXPECT_EQ(Lookups(), before);
    EXPECT_EQ(russian->text(), "Местоположение");
    EXPECT_EQ(digits->text(), "12 34");

    DoneTranslation();
    TFormPtr later = NewForm();
    auto* label = new QLabel("Save", later.get());
    later->show();
    EXPECT_EQ(label->text(), "Save");
    EXPECT_EQ(Lookups(), before);
}

TEST_F(LangPassTest, MainFormKeepsItsTitleButNotItsComponents) {
    TFormPtr main = NewForm();
    main->SetIsMainForm(true);
    main->setWindowTitle("Location");
    main->setToolTip("Places");
    auto* label = new QLabel("Name", main.get());
    main->show();
    EXPECT_EQ(main->windowTitle(), "Location");
    EXPECT_EQ(main->toolTip(), "Places");
    // The title of any other form is translated: LatinTextsOfEveryKindAreTranslatedOnShow.
    EXPECT_EQ(label->text(), "Имя");
}

// The text pipeline with a recording lookup that marks what it was given.
class LangPipelineTest : public ::testing::Test {
protected:
    TLang Lang{[this](const QString& text) {
        Asked << text;
        if (text == "boom") throw std::runtime_error("lookup failed");
        return text.toUpper();
    }};
    QStringList Asked;
};

TEST_F(LangPipelineTest, AcceleratorOnlyInTheFirstTenCharactersOfTheFirstPhrase) {
    EXPECT_EQ(Lang.TranslateText("&save", tfAccelerator), "&SAVE");
    EXPECT_EQ(Lang.TranslateText("save &as", tfAccelerator), "SAVE &AS");
    EXPECT_EQ(Asked, QStringList({"save", "save as"}));
    Asked.clear();
    EXPECT_EQ(Lang.TranslateText("open the f&ile", tfAccelerator), "OPEN THE F&ILE");
    EXPECT_EQ(Asked, QStringList({"open the f&ile"})) << "an & past the tenth stays in";
    Asked.clear();
    EXPECT_EQ(Lang.TranslateText("&a | &b", tfAccelerator | tfPhrases), "&A &B");
    EXPECT_EQ(Asked, QStringList({"a", "&b"})) << "only the first phrase loses its &";
    Asked.clear();
    EXPECT_EQ(Lang.TranslateText("&x", 0), "&X");
    EXPECT_EQ(Lang.TranslateText("&", tfAccelerator), "&") << "a one-character phrase keeps it";
}

TEST_F(LangPipelineTest, LinesPhrasesCommentsAndWhiteSpace) {
    const unsigned memo = tfMultiLine | tfPhrases | tfCommentMark;
    EXPECT_EQ(Lang.TranslateText("one\r\n two | //three\nfour", memo), "ONE\r\n TWO three\r\nFOUR");
    EXPECT_EQ(Asked, QStringList({"one", "two", "four"}));
    Asked.clear();
    EXPECT_EQ(Lang.TranslateText("a | b", tfCommentMark), "A B") << "no phrases: one text";
    EXPECT_EQ(Asked, QStringList({"a b"}));
    EXPECT_EQ(Lang.TranslateText("//x", 0), "//X") << "the mark counts only with its flag";
    EXPECT_EQ(Lang.TranslateText(" | a", tfPhrases), " A") << "an empty phrase stays empty";
    EXPECT_EQ(Lang.TranslateText("\t \r\n", memo), "\t \r\n");
    EXPECT_EQ(Lang.TranslateText("Memo1", memo, "Memo1"), "Memo1");
    EXPECT_EQ(Lang.TranslateText("Memo1\nx", memo, "Memo1"), "MEMO1\r\nX");
}

TEST_F(LangPipelineTest, AFailingComponentDoesNotStopTheOthers) {
    QWidget root;
    auto* bad = new QLabel("boom", &root);
    auto* good = new QLabel("fine", &root);
    auto* memo = new QPlainTextEdit("first\nsecond", &root);
    Lang.CollectComponent(&root, loOwned | loSkipSelf);
    Lang.TranslateAll();
    EXPECT_EQ(bad->text(), "boom");
    EXPECT_EQ(good->text(), "FINE");
    EXPECT_EQ(memo->toPlainText(), "FIRST\nSECOND");
}

}  // namespace
