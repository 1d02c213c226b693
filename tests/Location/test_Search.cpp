// Finding a place by name from the location window: the search field and Ctrl+F open the
// search window, its hits carry their paths, and choosing one opens the tree down to it,
// in the console's window and in the picker alike.

#include "Location/Search.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableView>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uBaseFormSettings.h"
#include "Components/ColumnView/uColumnView.h"
#include "Components/QSearch/FrmQSearch.h"
#include "Location/ServiceTable.h"
#include "LocationWindowFixture.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Ini/HostFolder.h"
#include "Platform/Ini/IniFile.h"
#include "support/ColumnViewUser.h"
#include "support/Snapshot.h"

namespace {

QStringList Column(QTableView& grid, int column) {
    QStringList values;
    for (int row = 0; row < grid.model()->rowCount(); ++row)
        values << grid.model()->index(row, column).data().toString();
    return values;
}

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSample = FDb.AddSample();
        FDb.AddLocation(FSample.south, FSample.tR, "Березовский");
    }

    TestDatabase FDb;
    TestDatabase::TSample FSample{};
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
};

// All the while another program keeps the write lock, as a long import does: the window
// reads what was committed and never asks for the lock (its session would be refused at once).
TEST_F(SearchTest, TheSearchFieldFindsPlacesWithTheirPathsAndOpensTheTreeAtTheChoice) {
    QProcess writer;
    writer.start(QXV_SERVER_WORKER, {"hold", FDb.ConnectString()});
    ASSERT_TRUE(writer.waitForReadyRead(20000)) << writer.readAllStandardError().toStdString();
    TOraSession reader;
    reader.SetConnection(OpenConnection(FDb.ConnectString() + "&timeout=0"));
    auto* form = TComBaseForm::Create<TfMain>(nullptr, &reader, QString("QXVBASE"));
    const TFormHolder<TfMain> hold(form);
    form->show();
    QStringList names, paths, headers;
    QString count;
    FDriver.Then([&](QDialog& dialog) {
        auto& search = static_cast<TfSearch&>(dialog);
        names = Column(*search.dbgHits, 0);
        paths = Column(*search.dbgHits, 3);
        for (int c = 0; c < search.dbgHits->model()->columnCount(); ++c)
            headers << search.dbgHits->model()->headerData(c, Qt::Horizontal).toString();
        count = search.lblCount->text();
        EXPECT_TRUE(search.FrmQSearch1->SearchOf(search.dbgHits));
        Snapshot(search, "search-window");
        search.dbgHits->selectRow(0);
        QTest::keyClick(search.dbgHits, Qt::Key_Return);
    });
    form->edSearch->setText("березов");  // "ё" in the names, "е" typed
    QTest::keyClick(form->edSearch, Qt::Key_Return);

    ASSERT_EQ(FDriver.Runs().size(), 1u);
    EXPECT_EQ(headers, QStringList({"Название", "Тип", "Уровень", "Путь"}));
    // Both names begin with the text: their paths order them.
    EXPECT_EQ(names, QStringList({"Берёзовка", "Березовский"}));
    EXPECT_EQ(paths, QStringList({"обл. Северная\\р-н. Озёрный\\с. Берёзовка",
                                  "обл. Южная\\р-н. Березовский"}));
    EXPECT_EQ(count, QStringLiteral(" Считано из БД 2 записи"));
    TObjectNode* selected = form->Tree()->Selected();
    ASSERT_TRUE(selected);
    EXPECT_EQ(selected->ID, FSample.birch);
    EXPECT_TRUE(selected->ParentNode()->isExpanded());
    const TRowSet kept = reader.Connection().Query("SELECT COUNT(*) FROM SEARCH_HITS", {});
    EXPECT_EQ(kept.Rows.at(0).at(0), 0);  // the window's hits went with it
    EXPECT_EQ(FBoxes.Count(), 0u) << (FBoxes.Count() ? FBoxes.Last().Text.toStdString() : "");
}

// Ctrl+F in the picker opens the search with the typing in its text; Enter searches and keeps
// the window, an empty text says what to type, and the hit chosen by a double click is what
// the picker returns.
TEST_F(SearchTest, CtrlFInThePickerSearchesAndTheChoiceIsWhatThePickerReturns) {
    int id = int(FSample.south);
    FDriver.Then([&](QDialog& picker) {
        auto& form = static_cast<TfMain&>(picker);
        FDriver.Then([&](QDialog& dialog) {
            auto& search = static_cast<TfSearch&>(dialog);
            EXPECT_EQ(search.HitCount(), 0);  // nothing typed yet
            search.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&search));
            ASSERT_EQ(QApplication::focusWidget(), search.edText) << "typing goes to the text";
            Type(search.edText, QStringLiteral("березов"));
            QTest::keyClick(search.edText, Qt::Key_Return);
            EXPECT_TRUE(search.isVisible());
            EXPECT_EQ(search.HitCount(), 2);
            EXPECT_EQ(search.ChosenID(), -1);
            search.edText->clear();
            QTest::keyClick(search.edText, Qt::Key_Return);
            EXPECT_EQ(search.HitCount(), 0) << "no old hits under an empty text";
            ASSERT_EQ(FBoxes.Count(), 1u);
            EXPECT_EQ(FBoxes.Last().Text, QStringLiteral("Введите название места или его часть"));
            search.edText->setText("  ГАВАНЬ ");
            QTest::keyClick(search.btnFind, Qt::Key_Space);
            ASSERT_EQ(search.HitCount(), 1);
            const QRect cell = search.dbgHits->visualRect(search.dbgHits->model()->index(0, 0));
            // A double click is a click and a second press that the system calls double.
            QTest::mouseClick(search.dbgHits->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(search.dbgHits->viewport(), Qt::LeftButton, {}, cell.center());
            EXPECT_EQ(search.ChosenID(), FSample.harbour);
            EXPECT_FALSE(search.isVisible());
        });
        // Once more, choosing by keys: Down from the text to the hits, then Enter.
        FDriver.Then([&](QDialog& dialog) {
            auto& search = static_cast<TfSearch&>(dialog);
            search.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&search));
            search.edText->setText("гавань");
            QTest::keyClick(search.edText, Qt::Key_Return);
            QTest::keyClick(search.edText, Qt::Key_Down);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_EQ(search.ChosenID(), FSample.harbour);
        });
        for (int run = 0; run < 2; ++run) {
            form.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
            form.tvObjects->setCurrentItem(form.Tree()->Root());
            form.tvObjects->setFocus();
            QTest::keyClick(form.tvObjects, Qt::Key_F, Qt::ControlModifier);
            EXPECT_EQ(form.Tree()->Selected()->ID, FSample.harbour);
        }
        form.btnSelect->click();
    });
    EXPECT_TRUE(ServiceTable::GetLocation(&FDb.Session(), "QXVBASE", &id));
    EXPECT_EQ(id, FSample.harbour);
    EXPECT_EQ(FDriver.Runs().size(), 3u);
}

// The shown columns in the order the header shows them, with their widths (the last one
// takes the rest of the grid, whatever it was).
QStringList Layout(TwwDBGrid& grid) {
    QStringList columns;
    const QHeaderView* header = grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (header->isSectionHidden(logical)) continue;
        columns << grid.DataSource()->FieldAt(logical)->FieldName() + u':' +
                       QString::number(header->sectionSize(logical));
    }
    if (!columns.isEmpty()) columns.last() = columns.last().section(u':', 0, 0);
    return columns;
}

// What a user does to the columns: hides the type in the column view, drags the path to
// the front and widens the name by its right edge.
void ArrangeColumns(TwwDBGrid& grid, ModalDriver& driver) {
    driver.Then([](QDialog& view) {
        ClickCheck(*static_cast<TfmColumnView&>(view).chlboxColumns, 1);
        QTest::mouseClick(static_cast<TfmColumnView&>(view).bbtnOK, Qt::LeftButton);
    });
    OpenColumnView(grid);
    QHeaderView* header = grid.horizontalHeader();
    header->moveSection(header->visualIndex(3), 0);  // what dropping a dragged title does
    const int name = 0;
    const QPoint edge(header->sectionViewportPosition(name) + header->sectionSize(name) - 1,
                      header->height() / 2);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(header->viewport(), edge + QPoint(40, 0));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, edge + QPoint(40, 0));
}

TEST_F(SearchTest, TheUsersColumnsStayThroughNewSearchesEveryWayOutAndTheNextWindow) {
    using TLeave = void (*)(TfSearch&);
    const struct {
        const char* Way;
        TLeave Leave;
    } ways[] = {
        {"Enter on a hit", [](TfSearch& s) { QTest::keyClick(s.dbgHits, Qt::Key_Return); }},
        {"Cancel", [](TfSearch& s) { QTest::mouseClick(s.btnCancel, Qt::LeftButton); }},
        {"Esc", [](TfSearch& s) { QTest::keyClick(s.edText, Qt::Key_Escape); }},
        {"closing", [](TfSearch& s) { s.close(); }},
    };
    auto searchFor = [](TfSearch& search, const QString& text) {
        search.edText->setText(text);
        QTest::keyClick(search.edText, Qt::Key_Return);
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.Way);
        BaseFormSettings::UserSaves().EraseSection(FDb.Session().UserName() + ".TfSearch.dbgHits");
        QStringList chosen;
        {
            const TFormHolder<TfSearch> search(
                TComBaseForm::Create<TfSearch>(nullptr, &FDb.Session(), QString("QXVBASE")));
            search->show();
            const QStringList fresh = Layout(*search->dbgHits);
            searchFor(*search, QStringLiteral("березов"));
            ArrangeColumns(*search->dbgHits, FDriver);
            chosen = Layout(*search->dbgHits);
            ASSERT_EQ(chosen.size(), 3) << chosen.join(' ').toStdString();
            EXPECT_TRUE(chosen[0].startsWith("PATH:") && chosen[1].startsWith("NAME:"));
            EXPECT_NE(chosen, fresh);
            searchFor(*search, QStringLiteral("южная"));
            EXPECT_EQ(Layout(*search->dbgHits), chosen) << "a new search keeps them";
            way.Leave(*search);
            EXPECT_FALSE(search->isVisible());
        }
        const TIniFile onDisk(QDir(HostExecutableFolder()).filePath("UserSaves.ini"));
        EXPECT_TRUE(onDisk.SectionExists(FDb.Session().UserName() + ".TfSearch.dbgHits"));
        const TFormHolder<TfSearch> next(
            TComBaseForm::Create<TfSearch>(nullptr, &FDb.Session(), QString("QXVBASE")));
        next->show();
        EXPECT_EQ(Layout(*next->dbgHits), chosen);
        searchFor(*next, QStringLiteral("березов"));
        EXPECT_EQ(Layout(*next->dbgHits), chosen);
    }
}

// A failure the user meets: what failed and what to do in the user's language, the server's
// code after it; the window goes on.
TEST_F(SearchTest, AFailureIsOnePlainSentenceInTheUsersLanguageWithTheCodeAfterIt) {
    const struct {
        int Code;
        const char* Russian;
        const char* English;
    } cases[] = {
        {3135, "Связь с базой данных прервалась", "The connection to the database was lost"},
        {1653, "В базе данных нет места", "The database has no room left"},
        {3113, "Сервер не выполнил действие", "The server did not carry out the action"},
        {54, "Эти данные сейчас изменяет другой пользователь", "Another user is changing these"},
    };
    for (const int language : {25, 9}) {
        if (language == 9) FDb.SetUserLanguage(language);  // Russian until then
        InitTranslation(FDb.Schema(), &FDb.Session());
        for (const auto& c : cases) {
            SCOPED_TRACE(c.Code);
            FBoxes.Clear();
            const TFormHolder<TfSearch> search(
                TComBaseForm::Create<TfSearch>(nullptr, &FDb.Session(), QString("QXVBASE")));
            search->show();
            FDb.Counting().FailRoutine(QStringLiteral("FILL_T#LOCATION_HITS"), c.Code,
                                       QStringLiteral("what the server said"));
            Type(search->edText, QStringLiteral("южная"));
            QTest::keyClick(search->edText, Qt::Key_Return);
            FDb.Counting().ClearFailures();
            EXPECT_EQ(search->HitCount(), 0);
            ASSERT_EQ(FBoxes.Count(), 1u);
            const QStringList parts = FBoxes.Last().Text.split(QStringLiteral("\n\n"));
            ASSERT_EQ(parts.size(), 2) << FBoxes.Last().Text.toStdString();
            EXPECT_TRUE(
                parts[0].startsWith(QString::fromUtf8(language == 9 ? c.English : c.Russian)))
                << parts[0].toStdString();
            EXPECT_EQ(parts[1], QStringLiteral("ORA-%1: what the server said")
                                    .arg(c.Code, 5, 10, QLatin1Char('0')));
            QTest::keyClick(search->edText, Qt::Key_Return);
            EXPECT_EQ(search->HitCount(), 1);
            Snapshot(*search, language == 9 ? "search-window-en" : "search-window-ru");
        }
        DoneTranslation();
    }
}

// A list cut at its limit says how many places the text finds, grouped in the user's way.
TEST_F(SearchTest, ACutListSaysHowManyPlacesTheTextFinds) {
    FDb.Raw().StartTransaction();
    for (int n = 0; n < 1005; ++n)
        FDb.AddLocation(FSample.south, FSample.tR, QStringLiteral("Сосновка %1").arg(n));
    FDb.Raw().Commit();
    const std::pair<int, QString> cases[] = {
        {25, QStringLiteral("Показано 500 из 1\u00a0005: уточните текст")},
        {9, QStringLiteral("500 of 1,005 shown: type more to narrow")}};
    for (const auto& [language, text] : cases) {
        if (language == 9) FDb.SetUserLanguage(language);  // Russian until then
        InitTranslation(FDb.Schema(), &FDb.Session());
        const TFormHolder<TfSearch> search(
            TComBaseForm::Create<TfSearch>(nullptr, &FDb.Session(), QString("QXVBASE")));
        search->show();
        Type(search->edText, QStringLiteral("сосн"));
        QTest::keyClick(search->edText, Qt::Key_Return);
        EXPECT_EQ(search->lblCut->text(), text);
        Type(search->edText, QStringLiteral("овка 100"));  // "сосновка 100": six places
        QTest::keyClick(search->edText, Qt::Key_Return);
        EXPECT_EQ(search->lblCut->text(), "");
        DoneTranslation();
    }
}

}  // namespace
