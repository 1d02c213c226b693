#include "FormReposit/PelmBaseFrame.h"

#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "ComUnits/uComponentTree.h"
#include "ComUnits/uOraFunctions.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "support/FakeConnection.h"
#include "support/MessageBoxRecorder.h"

namespace {

class TTestFrame : public TfrPelmBaseFrame {
public:
    explicit TTestFrame(QWidget* parent) : TfrPelmBaseFrame(parent) {
        oqInfo = new TOraQuery(this);
        oqInfo->setObjectName("oqInfo");
        oqInfo->SetSQLText("begin :RESULT := &shema.QXVERPINFORM.DEL_T#INFO(:PID); end;");
    }
    TOraQuery* oqInfo;
    int Inits = 0;

protected:
    void InitFrame() override {
        TfrPelmBaseFrame::InitFrame();
        ++Inits;
        ActiveAtInit = FrameActive();
        SchemaAtInit = oqInfo->MacroByName("shema").Value();
    }

public:
    bool ActiveAtInit = false;
    QString SchemaAtInit;
};

class PelmBaseFrameTest : public ::testing::Test {
protected:
    PelmBaseFrameTest() {
        Session.AdoptConnection(&Fake);
        Other.AdoptConnection(&Fake);
        Panel = new QWidget(&Form);
        Panel->setObjectName("pRight");
        Form.resize(500, 400);
        Panel->setGeometry(100, 0, 400, 400);
    }
    MessageBoxRecorder Boxes;
    FakeConnection Fake;
    TOraSession Session;
    TOraSession Other;
    QWidget Form;
    QWidget* Panel;
};

TEST_F(PelmBaseFrameTest, TheFrameFillsItsParentAndIsBoundBeforeInitFrame) {
    auto* frame = TfrPelmBaseFrame::Create<TTestFrame>(&Form, Panel, &Session, "qxvbase");
    EXPECT_EQ(frame->parentWidget(), Panel);
    EXPECT_EQ(frame->Owner(), &Form);
    ASSERT_NE(Panel->layout(), nullptr);
    Form.show();
    EXPECT_EQ(frame->geometry(), QRect(QPoint(0, 0), Panel->size()));
    Panel->resize(300, 250);
    EXPECT_EQ(frame->geometry(), QRect(0, 0, 300, 250));

    EXPECT_EQ(frame->oqInfo->Session(), &Session);
    EXPECT_EQ(frame->Inits, 1);
    EXPECT_TRUE(frame->ActiveAtInit);
    EXPECT_EQ(frame->SchemaAtInit, "qxvbase");
    EXPECT_EQ(Boxes.Count(), 0u);
}

TEST_F(PelmBaseFrameTest, AFormsBindingDoesNotReachTheFramesInnerComponents) {
    auto* frame = TfrPelmBaseFrame::Create<TTestFrame>(&Form, Panel, &Session, "qxvbase");
    const QList<QObject*> owned = OwnedComponents(&Form);
    EXPECT_TRUE(owned.contains(frame));
    EXPECT_FALSE(owned.contains(frame->oqInfo));

    fSetSession(&Form, &Other);
    fSetShema(&Form, "elsewhere");
    EXPECT_EQ(frame->oqInfo->Session(), &Session);
    EXPECT_EQ(frame->oqInfo->MacroByName("shema").Value(), "qxvbase");
}

TEST_F(PelmBaseFrameTest, ALayoutIsKeptAndAnEmptySchemaIsReportedWhileTheFrameStillInitialises) {
    auto* layout = new QVBoxLayout(Panel);
    layout->addWidget(new QWidget(Panel));
    auto* frame = TfrPelmBaseFrame::Create<TTestFrame>(&Form, Panel, &Session, "");
    EXPECT_EQ(layout->indexOf(frame), 1);
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_EQ(Boxes.Last().Text, "uOraFunctions.fSetShema: \r\nSchema is not define");
    EXPECT_EQ(frame->Inits, 1);
    EXPECT_EQ(frame->oqInfo->Session(), &Session);
}

}  // namespace
