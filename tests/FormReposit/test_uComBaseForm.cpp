#include "FormReposit/uComBaseForm.h"

#include <QDateTimeEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/MessageBoxRecorder.h"

namespace {

using TTrace = QStringList;

class TTracedForm : public TComBaseForm {
public:
    TTracedForm(TTrace* trace, bool oldCreateOrder, int descriptionFailures = 0)
        : TComBaseForm(nullptr), FTrace(trace), FFailures(descriptionFailures) {
        SetOldCreateOrder(oldCreateOrder);
    }
    using TComBaseForm::SetIsMainForm;

protected:
    void LoadDescription() override {
        *FTrace << "LoadDescription";
        if (FFailures-- > 0) throw std::runtime_error("description broken");
    }
    void FormCreate() override {
        TComBaseForm::FormCreate();
        *FTrace << "FormCreate";
    }
    void LoadResourceImages() override { *FTrace << "LoadResourceImages"; }
    void InitFormTexts() override {
        TComBaseForm::InitFormTexts();
        *FTrace << "InitFormTexts";
    }
    void AfterTranslate() override { *FTrace << "AfterTranslate"; }

private:
    TTrace* FTrace;
    int FFailures;
};

template <class T>
using TFormPtr = TFormHolder<T>;

class ComBaseFormTest : public ::testing::Test {
protected:
    void TearDown() override {
        TComBaseForm::SetTranslatePass(nullptr);
        TComBaseForm::SetResourceBitmaps(nullptr);
    }
    MessageBoxRecorder Boxes;
    TTrace Trace;
};

TEST_F(ComBaseFormTest, CreateOrderDecidesWhenTheCreationHandlersRunAndADescriptionIsRetried) {
    TFormPtr<TTracedForm> oldOrder(TComBaseForm::Create<TTracedForm>(&Trace, true));
    EXPECT_EQ(Trace, TTrace({"LoadDescription", "FormCreate", "InitFormTexts"}));
    Trace.clear();
    TComBaseForm::SetResourceBitmaps([](int) { return QImage(); });
    TFormPtr<TTracedForm> newOrder(TComBaseForm::Create<TTracedForm>(&Trace, false, 1));
    EXPECT_EQ(Trace, TTrace({"LoadDescription", "LoadDescription", "LoadResourceImages",
                             "InitFormTexts", "FormCreate"}));
    EXPECT_EQ(Boxes.Count(), 0u);

    // A second failure is reported and creation goes on.
    Trace.clear();
    TFormPtr<TTracedForm> twice(TComBaseForm::Create<TTracedForm>(&Trace, true, 2));
    EXPECT_EQ(Trace.count("LoadDescription"), 2);
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_EQ(Boxes.Last().Text, "TForm.Create error");
    EXPECT_TRUE(Trace.contains("InitFormTexts"));
}

// What the pass does with the exclusions and a main form is tested with the real pass
// (test_uLangComp); here, when it runs.
TEST_F(ComBaseFormTest, ShowingTranslatesUntilClosedAndAnExclusionIsTakenOnce) {
    TFormPtr<TTracedForm> plain(TComBaseForm::Create<TTracedForm>(&Trace, false));
    plain->show();  // without a pass, showing still ends the exclusion list
    EXPECT_TRUE(plain->TranslateExclusions().isEmpty());
    EXPECT_EQ(Trace.count("AfterTranslate"), 1);

    int passes = 0;
    TComBaseForm::SetTranslatePass([&](TComBaseForm&, const QList<QObject*>&, unsigned) {
        ++passes;
    });
    TFormPtr<TTracedForm> form(TComBaseForm::Create<TTracedForm>(&Trace, false));
    QObject* reference = form->QXVSourcesReference();
    EXPECT_TRUE(form->TakeExclusion(reference));
    EXPECT_FALSE(form->TakeExclusion(reference));
    form->show();
    form->hide();
    form->show();
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(Trace.count("AfterTranslate"), 3);
    form->AddTranslateExclusion(reference);  // after the first pass: no longer kept
    EXPECT_TRUE(form->TranslateExclusions().isEmpty());
    EXPECT_TRUE(form->close());
    form->show();
    EXPECT_EQ(passes, 2);
}

// A control that takes its texts from a sources reference.
class TSourcesLabel : public QWidget, public ISourcesClient {
public:
    using QWidget::QWidget;
    void SourcesChanged(TQXVSources*) override {}
    void SetSourceReference(TQXVSourcesReference* reference) override { Reference = reference; }
    TQXVSourcesReference* Reference = nullptr;
};

class TControlsForm : public TComBaseForm {
public:
    TControlsForm() : TComBaseForm(nullptr) {
        auto* panel = new QWidget(this);
        Client = new TSourcesLabel(panel);
        DateOnly = new QDateTimeEdit(panel);
        DateOnly->setDisplayFormat("dd.MM.yyyy");
        TimeOnly = new QDateTimeEdit(this);
        TimeOnly->setDisplayFormat("HH:mm");
        Both = new QDateTimeEdit(panel);
        Both->setDisplayFormat("dd.MM.yyyy HH:mm");
    }
    TSourcesLabel* Client;
    QDateTimeEdit* DateOnly;
    QDateTimeEdit* TimeOnly;
    QDateTimeEdit* Both;
};

TEST_F(ComBaseFormTest, CreationGivesNestedControlsTheSourcesAndTheDefaultFormats) {
    TFormPtr<TControlsForm> form(TComBaseForm::Create<TControlsForm>());
    EXPECT_EQ(form->Client->Reference, form->QXVSourcesReference());
    QDateTimeEdit probe;
    probe.setDisplayFormat(DefaultDateFormat());
    EXPECT_EQ(form->DateOnly->displayFormat(), probe.displayFormat());
    probe.setDisplayFormat(DefaultTimeFormat());
    EXPECT_EQ(form->TimeOnly->displayFormat(), probe.displayFormat());
    probe.setDisplayFormat(DefaultDateFormat() + " " + DefaultTimeFormat());
    EXPECT_EQ(form->Both->displayFormat(), probe.displayFormat());
}

}  // namespace
