#include "FormReposit/uORXMainBaseForm.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

#include "ComUnits/uBaseFormSettings.h"
#include "ComUnits/uComponentTree.h"
#include "Components/ColumnView/uColumnView.h"
#include "FormReposit/_PelmBaseQXVBase.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Ini/IniFile.h"
#include "support/FakeConnection.h"
#include "support/MessageBoxRecorder.h"

namespace {

namespace S = BaseFormSettings;

// The settings section of any main window.
class TORXAccess : public TORXMainBaseForm {
public:
    using TORXMainBaseForm::FormSection;
};
QString SectionOf(TORXMainBaseForm& form) { return static_cast<TORXAccess&>(form).FormSection(); }

// A sizeable main window with one of each kind of remembered control; its rows are shown in a
// plain grid and in an enhanced one.
class TfSettingsProbe : public TPelmBaseQXVBaseForm {
    Q_OBJECT
public:
    TfSettingsProbe(TOraSession* session) : TPelmBaseQXVBaseForm(nullptr, session, "QXVBASE") {
        auto* bar = new QToolBar(ClientArea());
        aCheck = new QAction("check", this);
        aCheck->setObjectName("aCheck");
        aCheck->setCheckable(true);
        connect(aCheck, &QAction::triggered, this, [this] { ++Runs; });
        btnCheck = new QToolButton(bar);
        btnCheck->setObjectName("btnCheck");
        btnCheck->setDefaultAction(aCheck);
        bar->addWidget(btnCheck);
        cbKind = new QComboBox(bar);
        cbKind->setObjectName("cbKind");
        cbKind->addItems({"a", "b", "c"});
        bar->addWidget(cbKind);

        oqRows = new TOraQuery(this);
        oqRows->setObjectName("oqRows");
        oqRows->SetSQLText("SELECT ID, NAME, CODE FROM &shema.ROWS_T &ORDER &FIELD");
        oqRows->MacroByName("ORDER").SetValue("ORDER BY");
        oqRows->MacroByName("FIELD").SetValue("ID");
        Splitter = new QSplitter(ClientArea());
        pLeft = new QWidget(Splitter);
        pLeft->setObjectName("pLeft");
        SetTag(pLeft, 888);
        grid = new QTableView(Splitter);
        grid->setObjectName("grid");
        grid->horizontalHeader()->setSectionsMovable(true);
        Splitter->addWidget(pLeft);
        Splitter->addWidget(grid);
        wgrid = new TwwDBGrid(ClientArea());
        wgrid->setObjectName("wgrid");
        bar->setGeometry(0, 0, 300, 30);
        Splitter->setGeometry(0, 30, 500, 300);
        wgrid->setGeometry(0, 330, 500, 80);
    }
    void OpenRows() {
        oqRows->Open();
        grid->setModel(new TDataSetModel(oqRows, grid));
        wgrid->setModel(new TDataSetModel(oqRows, wgrid));
    }
    QStringList Shown() const {
        QStringList names;
        for (int i = 0; i < wgrid->ColumnCount(); ++i)
            if (wgrid->Column(i)->Visible()) names << wgrid->Column(i)->FieldName();
        return names;
    }
    QAction* aCheck;
    QToolButton* btnCheck;
    QComboBox* cbKind;
    TOraQuery* oqRows;
    QSplitter* Splitter;
    QWidget* pLeft;
    QTableView* grid;
    TwwDBGrid* wgrid;
    int Runs = 0;

protected:
    void DynamicAssignGridIntClass(QTableView*, TGridIntClass& kind) override {
        kind = TGridIntClass::DBGrid;
    }
};

// The same window with a single border.
class TfSingleBorder : public TORXMainBaseForm {
    Q_OBJECT
public:
    TfSingleBorder(TOraSession* session) : TORXMainBaseForm(nullptr, session, "QXVBASE") {}
};

template <class T>
using TFormPtr = TFormHolder<T>;

class FormSettingsTest : public ::testing::Test {
protected:
    FormSettingsTest() {
        Fake.SetQueryHandler([](const QString&, const std::vector<TBoundValue>&) {
            return TRowSet{{{"ID", TFieldType::Integer},
                            {"NAME", TFieldType::String},
                            {"CODE", TFieldType::String}},
                           {{1, "a", "x"}, {2, "b", "y"}}};
        });
        Session.AdoptConnection(&Fake);
    }
    ~FormSettingsTest() override { TOraSession::SetDefaultSession(nullptr); }

    template <class T>
    TFormPtr<T> Shown() {
        TFormPtr<T> form(TComBaseForm::Create<T>(&Session));
        if constexpr (!std::is_same_v<T, TfSingleBorder>) form->OpenRows();
        form->move(40, 30);
        form->resize(600, 420);
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    MessageBoxRecorder Boxes;
    FakeConnection Fake;
    TOraSession Session;
};

// Drags on a widget with the left button down, as a user moves a header section or a handle.
void Drag(QWidget* widget, QPoint from, QPoint to) {
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step) {
        const QPoint at = from + (to - from) * step / 4;
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(widget, &move);
    }
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

QStringList ShownFields(const QTableView& grid) {
    auto* model = static_cast<TDataSetModel*>(grid.model());
    QStringList names;
    for (int v = 0; v < grid.horizontalHeader()->count(); ++v)
        names << model->FieldAt(grid.horizontalHeader()->logicalIndex(v))->FieldName();
    return names;
}

TEST_F(FormSettingsTest, WhatTheUserChangedComesBackWhenTheWindowOpensAgain) {
    struct TCase {
        const char* what;
        std::function<void(TfSettingsProbe&)> change;
        std::function<void(TfSettingsProbe& before, TfSettingsProbe& after)> check;
    };
    int widthBefore = 0;
    const TCase cases[] = {
        {"check button",
         [](TfSettingsProbe& f) {
             // A first run finds the button down (the default), set through its action.
             EXPECT_TRUE(f.btnCheck->isChecked());
             EXPECT_EQ(f.Runs, 1);
             QTest::mouseClick(f.btnCheck, Qt::LeftButton);
         },
         [](TfSettingsProbe&, TfSettingsProbe& f) {
             EXPECT_FALSE(f.btnCheck->isChecked());
             EXPECT_EQ(f.Runs, 0) << "a button already in its saved state runs nothing";
         }},
        {"combo box",
         [](TfSettingsProbe& f) {
             f.cbKind->setFocus();
             QTest::keyClick(f.cbKind, Qt::Key_Down);
             QTest::keyClick(f.cbKind, Qt::Key_Down);
         },
         [](TfSettingsProbe&, TfSettingsProbe& f) { EXPECT_EQ(f.cbKind->currentIndex(), 2); }},
        {"column order",
         [](TfSettingsProbe& f) {
             QHeaderView* h = f.grid->horizontalHeader();
             const int y = h->height() / 2;
             Drag(h->viewport(), {h->sectionViewportPosition(0) + 10, y},
                  {h->sectionViewportPosition(2) + h->sectionSize(2) - 5, y});
             ASSERT_EQ(ShownFields(*f.grid), QStringList({"NAME", "CODE", "ID"}));
         },
         [](TfSettingsProbe&, TfSettingsProbe& f) {
             EXPECT_EQ(ShownFields(*f.grid), QStringList({"NAME", "CODE", "ID"}));
             EXPECT_EQ(f.oqRows->FieldByName("ID").Index(), 2);
         }},
        {"column width",
         [&](TfSettingsProbe& f) {
             QHeaderView* h = f.grid->horizontalHeader();
             const int edge = h->sectionViewportPosition(1) + h->sectionSize(1) - 1;
             Drag(h->viewport(), {edge, h->height() / 2}, {edge + 60, h->height() / 2});
             widthBefore = h->sectionSize(1);
         },
         [&](TfSettingsProbe&, TfSettingsProbe& f) {
             const int charWidth = f.grid->fontMetrics().horizontalAdvance(u'0');
             EXPECT_NEAR(f.grid->horizontalHeader()->sectionSize(1), widthBefore, charWidth);
             EXPECT_GT(f.grid->horizontalHeader()->sectionSize(1),
                       f.grid->horizontalHeader()->sectionSize(0) + 40);
         }},
        {"split width",
         [&](TfSettingsProbe& f) {
             QSplitterHandle* handle = f.Splitter->handle(1);
             const QPoint mid = handle->rect().center();
             Drag(handle, mid, mid + QPoint(70, 0));
             widthBefore = f.pLeft->width();
         },
         [&](TfSettingsProbe&, TfSettingsProbe& f) { EXPECT_EQ(f.pLeft->width(), widthBefore); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* file : {"UserSaves.ini", "ComFormGFG.INI"})
            QFile::remove(S::UserSaves().FileName().section('/', 0, -2) + "/" + file);
        auto before = Shown<TfSettingsProbe>();
        c.change(*before);
        before->close();
        auto after = Shown<TfSettingsProbe>();
        c.check(*before, *after);
        EXPECT_FALSE(S::UserSaves().ReadSections().join(' ').contains("qt_"))
            << "Qt's own parts of a control keep nothing";
    }
    EXPECT_EQ(Boxes.Count(), 0u) << (Boxes.Count() ? Boxes.Last().Text.toStdString() : "");
}

// What the user does to the columns (the column menu, a dragged title, a widened column) is
// the search window's test; here, that the window keeps the grid when it closes.
TEST_F(FormSettingsTest, TheEnhancedGridKeepsItsColumnsUnderItsOwnName) {
    const QString section = "QXVBASE.TfSettingsProbe.wgrid";
    {
        auto form = Shown<TfSettingsProbe>();
        form->wgrid->ColumnByName("CODE")->SetVisible(false);
        form->wgrid->ColumnByName("NAME")->SetIndex(0);
        form->wgrid->ColumnByName("NAME")->SetWidth(140);
        form->close();
    }
    auto again = Shown<TfSettingsProbe>();
    EXPECT_EQ(again->Shown(), QStringList({"NAME", "ID"}));
    EXPECT_EQ(again->wgrid->Column(2)->FieldName(), "CODE");
    EXPECT_EQ(again->wgrid->ColumnByName("NAME")->Width(), 140);
    again->close();

    // What a stored section does to a grid that opens on it.
    struct TCase {
        const char* what;
        QString keys;
        const char* columns;  // in order, a hidden one after "-"
        int nameWidth;        // -1: as the grid had it
    };
    const TCase cases[] = {
        {"first run", "", "ID NAME CODE", -1},
        {"order and visibility", "ORDER_0=CODE\r\nORDER_1=ID\r\nORDER_2=NAME\r\nVISIBLE_ID=0\r\n",
         "CODE -ID NAME", -1},
        {"a column that is gone is skipped", "ORDER_0=GONE\r\nORDER_1=CODE\r\n", "ID CODE NAME", -1},
        {"a width", "WIDTH_NAME=150\r\n", "ID NAME CODE", 150},
        {"width 10 is no width", "WIDTH_NAME=10\r\n", "ID NAME CODE", -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        QFile file(S::UserSaves().FileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(("[" + section + "]\r\n" + c.keys).toUtf8());
        file.close();
        auto form = Shown<TfSettingsProbe>();
        QStringList columns;
        for (int i = 0; i < form->wgrid->ColumnCount(); ++i)
            columns << (form->wgrid->Column(i)->Visible() ? "" : "-") +
                           form->wgrid->Column(i)->FieldName();
        EXPECT_EQ(columns.join(' '), c.columns);
        const int width = form->wgrid->ColumnByName("NAME")->Width();
        EXPECT_EQ(width, c.nameWidth < 0 ? form->wgrid->horizontalHeader()->defaultSectionSize()
                                         : c.nameWidth);
        form->hide();
    }
    EXPECT_EQ(Boxes.Count(), 0u) << (Boxes.Count() ? Boxes.Last().Text.toStdString() : "");
}

TEST_F(FormSettingsTest, PlacementFollowsTheBorderTheMaximisedStateAndTheUser) {
    struct TCase {
        const char* what;
        QByteArray userSaves;  // before the window opens
        bool single;
        QRect expected;
        bool maximised;
    };
    const QByteArray saved =
        "[QXVBASE.%1]\r\nFORMLEFT=150\r\nFORMTOP=70\r\nFORMWIDTH=500\r\n"
        "FORMHEIGHT=380\r\nFORMALIGN=%2\r\n";
    auto savedFor = [&](const char* cls, int align) {
        return QString::fromLatin1(saved).arg(cls).arg(align).toUtf8();
    };
    const TCase cases[] = {
        {"first run", {}, false, {40, 30, 600, 420}, false},
        {"binary file", QByteArray("\x00\xff\x01[\x00=\n\xfe", 8), false, {40, 30, 600, 420}, false},
        {"sizeable", savedFor("TfSettingsProbe", 0), false, {150, 70, 500, 380}, false},
        {"single border keeps its size", savedFor("TfSingleBorder", 0), true, {150, 70, 600, 420}, false},
        {"another user's settings", savedFor("TfSettingsProbe", 0).replace("QXVBASE", "OTHER"), false,
         {40, 30, 600, 420}, false},
        {"maximised", savedFor("TfSettingsProbe", 1), false, {}, true},
        {"equal values never maximise",
         "[QXVBASE.TfSettingsProbe]\r\nFORMLEFT=40\r\nFORMTOP=30\r\nFORMWIDTH=600\r\n"
         "FORMHEIGHT=420\r\nFORMALIGN=1\r\n",
         false,
         {40, 30, 600, 420},
         false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        QFile file(S::UserSaves().FileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.userSaves);
        file.close();
        TFormPtr<TORXMainBaseForm> form;
        if (c.single)
            form.reset(Shown<TfSingleBorder>().release());
        else
            form.reset(Shown<TfSettingsProbe>().release());
        EXPECT_EQ(form->isMaximized(), c.maximised);
        if (!c.maximised) {
            EXPECT_EQ(QRect(form->pos(), form->size()), c.expected);
        }
        form->move(form->pos() + QPoint(5, 5));
        form->hide();
        // Saving writes the size only for sizeable borders.
        const QString section = SectionOf(*form);
        if (!c.maximised) {
            EXPECT_EQ(S::UserSaves().ReadInteger(section, "FORMLEFT", -1), c.expected.x() + 5);
            EXPECT_EQ(S::UserSaves().ReadInteger(section, "FORMWIDTH", -1),
                      c.single ? 500 : c.expected.width());
        }
    }
    EXPECT_EQ(Boxes.Count(), 0u);
}

}  // namespace

#include "test_uORXMainBaseForm.moc"
