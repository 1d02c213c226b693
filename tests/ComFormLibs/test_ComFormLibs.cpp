// The grid-dialog library as a user meets it: the base form's shortcuts on a master and a
// detail grid over real queries, each dialog of the library acted on by the modal driver.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "ComUnits/uAssert.h"
#include "ComUnits/uComFormLibInt.h"
#include "FormReposit/GridTestForm.h"
#include "Platform/Ini/HostFolder.h"
#include "support/MessageBoxRecorder.h"
#include "support/Snapshot.h"
#include "support/ModalDriver.h"
#include "support/ShellOpenRecorder.h"

namespace {

template <typename T>
T* Child(QDialog& dialog, const char* name) {
    T* child = dialog.findChild<T*>(name);
    if (!child) ADD_FAILURE() << "no " << name << " on " << dialog.objectName().toStdString();
    return child;
}

void Click(QDialog& dialog, const char* button) {
    if (auto* b = Child<QPushButton>(dialog, button)) QTest::mouseClick(b, Qt::LeftButton);
}

void Type(QDialog& dialog, const char* edit, const QString& text) {
    auto* e = Child<QLineEdit>(dialog, edit);
    if (!e) return;
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    e->insert(text);  // the key simulation knows only ASCII
}

QStringList Column(TDataSet* dataSet, const QString& field) {
    QStringList values;
    for (int row = 0; row < dataSet->RecordCount(); ++row)
        values << dataSet->CellValue(row, dataSet->FieldByName(field)).toString();
    return values;
}

class GridDialogs : public ::testing::TestWithParam<QString> {
protected:
    GridDialogs() : Engine(GetParam()) {
        Region = Engine.AddAbbrev("обл.", "область");
        District = Engine.AddAbbrev("р-н", "район");
        Town = Engine.AddAbbrev("г.", "город");
        Engine.AddType(1, Region);
        Engine.AddType(2, Region);
        Engine.AddType(3, District);
        Engine.Raw().Commit();
        uComFormLibInt::SetLibraryFolder(QString());
    }

    TFormPtr Open() {
        TFormPtr form = ShowGridTest(Engine, {Folder.Path()});
        EXPECT_EQ(Boxes.Count(), 0u);
        return form;
    }
    // The user's shortcut on a grid: the form's action for it runs.
    void Press(QTableView* grid, Qt::Key key) {
        grid->setFocus();
        QTest::keyClick(grid, key, Qt::ControlModifier);
    }

    TGridEngine Engine;
    TempDir Folder;
    MessageBoxRecorder Boxes;
    ModalDriver Driver;
    long long Region = 0, District = 0, Town = 0;
};

TEST_P(GridDialogs, SortPutsTheChosenFieldsIntoTheSortMacroAndReopens) {
    TFormPtr form = Open();
    Driver.Then([](QDialog& dialog) {
        auto* list = Child<QListWidget>(dialog, "lwFields");
        ASSERT_TRUE(list);
        // The current order comes first and is checked; the user sorts by name instead.
        EXPECT_EQ(list->item(0)->data(Qt::UserRole).toString(), "ID");
        EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
        list->item(0)->setCheckState(Qt::Unchecked);
        QListWidgetItem* name = list->findItems("NAME", Qt::MatchStartsWith).value(0);
        ASSERT_TRUE(name);
        name->setCheckState(Qt::Checked);
        list->setCurrentItem(name);
        Click(dialog, "btnDirection");
        Click(dialog, "btnUp");
        Snapshot(dialog, "grid-sort");
        Click(dialog, "btnOk");
    });
    Press(form->dbgAbbrev, Qt::Key_S);
    ASSERT_EQ(Driver.Runs().size(), 1u);
    EXPECT_EQ(Driver.Runs()[0].ObjectName, "fSortDialog");
    EXPECT_EQ(form->oqAbbrev->MacroByName("FIELD").Value(), "NAME DESC");
    EXPECT_TRUE(form->oqAbbrev->Active());
    EXPECT_EQ(Column(form->oqAbbrev, "NAME"), QStringList({"район", "область", "город"}));

    // Cancel leaves the order as it is; the dialog opens with the current order checked.
    Driver.ThenResult(QDialog::Rejected, [](QDialog& dialog) {
        auto* list = Child<QListWidget>(dialog, "lwFields");
        ASSERT_TRUE(list);
        EXPECT_EQ(list->item(0)->text(), "NAME ▼");
        EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
        list->item(0)->setCheckState(Qt::Unchecked);
    });
    Press(form->dbgAbbrev, Qt::Key_S);
    EXPECT_EQ(form->oqAbbrev->MacroByName("FIELD").Value(), "NAME DESC");

    // The list speaks in the grid's column titles; an order by a column the grid does not show
    // is no choice of the user's and stays behind the chosen ones.
    form->oqAbbrev->MacroByName("FIELD").SetValue("ID");
    form->oqAbbrev->FieldByName("NAME").SetDisplayLabel(QStringLiteral("Название"));
    form->oqAbbrev->FieldByName("ID").SetVisible(false);
    QStringList titles;
    Driver.Then([&](QDialog& dialog) {
        auto* list = Child<QListWidget>(dialog, "lwFields");
        ASSERT_TRUE(list);
        for (int i = 0; i < list->count(); ++i) titles << list->item(i)->text();
        QListWidgetItem* name =
            list->findItems(QStringLiteral("Название"), Qt::MatchStartsWith).value(0);
        ASSERT_TRUE(name);
        name->setCheckState(Qt::Checked);
        Snapshot(dialog, "grid-sort-titles");
        Click(dialog, "btnOk");
    });
    Press(form->dbgAbbrev, Qt::Key_S);
    EXPECT_TRUE(titles.contains(QStringLiteral("Название ▲"))) << titles.join('|').toStdString();
    EXPECT_FALSE(titles.contains("NAME ▲") || titles.contains("ID ▲"));
    EXPECT_EQ(form->oqAbbrev->MacroByName("FIELD").Value(), "NAME, ID");
    EXPECT_EQ(Boxes.Count(), 0u);
}

TEST_P(GridDialogs, FindMovesToTheMatchingRowAndTheFormRemembersTheField) {
    TFormPtr form = Open();
    const int nameIndex = form->oqAbbrev->FieldByName("NAME").Index();
    struct Step {
        const char* text;
        bool matchCase, whole, forward;
        int expectedRecNo;  // where the data set stands after the search
        bool found;
    } steps[] = {
        {"ГОР", false, false, true, 3, true},      // case ignored, part of the field
        {"ГОР", true, false, false, 3, false},     // case matched: nothing backwards either
        {"обл", false, true, false, 3, false},     // whole field only
        {"область", false, true, false, 1, true},  // backwards to the first row
        {"о", false, false, true, 2, true},        // the next row holding "о"
    };
    bool first = true;
    for (const Step& step : steps) {
        Driver.Then([&, first](QDialog& dialog) {
            auto* field = Child<QComboBox>(dialog, "cbField");
            ASSERT_TRUE(field);
            if (first) {
                // Nothing remembered yet: the first visible field is offered.
                EXPECT_EQ(field->currentData().toInt(), 0);
                field->setCurrentIndex(field->findData(nameIndex));
            } else {
                EXPECT_EQ(field->currentData().toInt(), nameIndex);
            }
            Type(dialog, "edtText", QString::fromUtf8(step.text));
            Child<QCheckBox>(dialog, "chkCase")->setChecked(step.matchCase);
            Child<QCheckBox>(dialog, "chkWhole")->setChecked(step.whole);
            Click(dialog, step.forward ? "btnNext" : "btnPrev");
            if (first) Snapshot(dialog, "grid-find");
            EXPECT_EQ(Child<QLabel>(dialog, "lblStatus")->text().isEmpty(), step.found)
                << step.text;
            Click(dialog, "btnClose");
        });
        // The library's own memory of the last field is dropped: what it offers comes from
        // the index the form passes (-1 the first time, then the field searched last).
        QFile::remove(QDir(HostSettingsFolder()).filePath("ComFormLibs.ini"));
        Press(form->dbgAbbrev, Qt::Key_F);
        EXPECT_EQ(form->oqAbbrev->RecNo(), step.expectedRecNo) << step.text;
        EXPECT_EQ(form->dbgAbbrev->currentIndex().row() + 1, step.expectedRecNo) << step.text;
        first = false;
    }
    EXPECT_EQ(Driver.Runs().size(), std::size(steps));
    EXPECT_EQ(Driver.PendingSteps(), 0u);
    EXPECT_EQ(Boxes.Count(), 0u);
}

TEST_P(GridDialogs, FilterKeepsTheRowsOfEveryConditionAndIsClearedAgain) {
    TFormPtr form = Open();
    QToolButton* marker = nullptr;
    for (TDBGridOfQuery* gridOfQuery : form->findChildren<TDBGridOfQuery*>())
        if (gridOfQuery->Button()->objectName() == "dbgAbbrev_SQLFilterButton")
            marker = gridOfQuery->Button();
    ASSERT_TRUE(marker);
    EXPECT_FALSE(marker->isVisible());
    struct Case {
        int op;  // the line the user picks: =, <>, contains, begins with
        const char* name;
        const char* shortName;
        QStringList names;
    } cases[] = {
        {2, "ОР", "", {"город"}},
        {3, "ра", "", {"район"}},
        {1, "город", "", {"область", "район"}},
        {2, "о", "г.", {"город"}},            // two conditions, both hold
        {0, "o'; DROP TABLE x; --", "", {}},  // a value is a value
    };
    for (const Case& c : cases) {
        Driver.Then([&](QDialog& dialog) {
            auto* op = Child<QComboBox>(dialog, "cbOp_NAME");
            ASSERT_TRUE(op);
            op->setCurrentIndex(c.op);
            Type(dialog, "edtValue_NAME", QString::fromUtf8(c.name));
            Type(dialog, "edtValue_SNAME", QString::fromUtf8(c.shortName));
            if (*c.shortName) Snapshot(dialog, "grid-filter");
            Click(dialog, "btnOk");
        });
        Press(form->dbgAbbrev, Qt::Key_A);
        EXPECT_EQ(Column(form->oqAbbrev, "NAME"), c.names) << c.op << " " << c.name;
        EXPECT_TRUE(marker->isVisible());
    }
    // The dialog shows the filter in force; Clear brings every row back.
    Driver.Then([](QDialog& dialog) {
        EXPECT_EQ(Child<QLineEdit>(dialog, "edtValue_NAME")->text(), "o'; DROP TABLE x; --");
        Click(dialog, "btnClear");
    });
    Press(form->dbgAbbrev, Qt::Key_A);
    EXPECT_EQ(form->oqAbbrev->RecordCount(), 3);
    EXPECT_FALSE(marker->isVisible());
    EXPECT_EQ(Boxes.Count(), 0u);
}

TEST_P(GridDialogs, AReportOfMasterAndDetailOpensAsHtmlAndAsPdf) {
    TFormPtr form = Open();
    ShellOpenRecorder shell;
    form->oqTypes->Open();
    form->oqAbbrev->SetRecNo(2);
    struct Case {
        const char* radio;
        const char* suffix;
    } cases[] = {{"rbHtml", ".html"}, {"rbPdf", ".pdf"}};
    for (const Case& c : cases) {
        const QString file = Folder.FilePath("levels");
        Driver.Then([&](QDialog& dialog) {
            // The file of the last report is kept under the grid's settings name.
            if (&c != cases) {
                EXPECT_EQ(Child<QLineEdit>(dialog, "edtFile")->text(), file);
            }
            Child<QRadioButton>(dialog, c.radio)->setChecked(true);
            Type(dialog, "edtFile", file);
            Snapshot(dialog, "grid-report");
            Click(dialog, "btnOk");
        });
        Press(form->dbgTypes, Qt::Key_R);  // the detail grid: its master comes with it
        ASSERT_EQ(shell.Targets().size(), size_t(&c - cases + 1));
        EXPECT_EQ(shell.Targets().back(), file + c.suffix);
        EXPECT_EQ(form->oqAbbrev->RecNo(), 2);  // the master stays where the user left it
    }
    QFile html(Folder.FilePath("levels.html"));
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(html.readAll());
    EXPECT_TRUE(page.contains("<h2>Abbreviations and levels</h2>"));
    // Each master row is followed by its own levels: two under the region, one under the
    // district, none under the town.
    const qsizetype region = page.indexOf("<td>область</td>");
    const qsizetype district = page.indexOf("<td>район</td>");
    const qsizetype town = page.indexOf("<td>город</td>");
    ASSERT_TRUE(region > 0 && region < district && district < town);
    // From the end of a master row to the next master row: its detail header and rows.
    const auto levelsAfter = [&](qsizetype masterCell, qsizetype next) {
        const qsizetype from = page.indexOf("</tr>", masterCell);
        const QString part = page.mid(from, next - from);
        int rows = 0;
        for (long long abbrev : {Region, District, Town})
            rows += int(part.count(QStringLiteral("<td>%1</td></tr>").arg(abbrev)));
        return std::pair(int(part.count("<th>LEVEL_NO</th>")), rows);
    };
    EXPECT_EQ(levelsAfter(region, district), std::pair(1, 2));
    EXPECT_EQ(levelsAfter(district, town), std::pair(1, 1));
    EXPECT_EQ(levelsAfter(town, page.size()), std::pair(0, 0));

    QFile pdf(Folder.FilePath("levels.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    if (const QString shots = qEnvironmentVariable("QXV_SCREENSHOT_DIR"); !shots.isEmpty())
        QFile::copy(pdf.fileName(), QDir(shots).filePath("grid-report.pdf"));
    EXPECT_EQ(Boxes.Count(), 0u);
}

TEST_P(GridDialogs, RowSelectionMarksAllNoneOrInverts) {
    TFormPtr form = Open();
    IDBGrid* grid = form->GridInterfaceOf(form->dbgAbbrev);
    ASSERT_TRUE(grid);
    form->oqAbbrev->SetRecNo(2);
    form->dbgAbbrev->setFocus();
    QTest::keyClick(form->dbgAbbrev, Qt::Key_Space);  // row 2 marked by hand
    struct Case {
        std::function<void()> call;
        const char* preselected;
        const char* chosen;
        QStringList marks;
    } cases[] = {
        {[&] { grid->MarkInvert(); }, "rbInvert", "rbInvert", {"+", "-", "+"}},
        {[&] { grid->MarkNone(); }, "rbNone", "rbNone", {"-", "-", "-"}},
        {[&] { grid->SelectAll(0, 0, 0, 0); }, "rbAll", "rbAll", {"+", "+", "+"}},
        {[&] { grid->MarkAll(); }, "rbAll", "rbInvert", {"-", "-", "-"}},
    };
    for (const Case& c : cases) {
        Driver.Then([&](QDialog& dialog) {
            EXPECT_TRUE(Child<QRadioButton>(dialog, c.preselected)->isChecked());
            Child<QRadioButton>(dialog, c.chosen)->setChecked(true);
            Snapshot(dialog, "grid-select");
            Click(dialog, "btnOk");
        });
        c.call();
        EXPECT_EQ(Column(form->oqAbbrev, "RCHECK"), c.marks) << c.chosen;
        EXPECT_EQ(form->oqAbbrev->RecNo(), 2);
    }
    EXPECT_EQ(Boxes.Count(), 0u);
}

// A report's default folder may not exist yet, and its name is the grid's hint in the user's
// language: the folder is made, and the user learns where the file went or why it did not.
TEST_P(GridDialogs, AReportMakesItsFolderKeepsAReadableNameAndSaysWhereItWent) {
    TFormPtr form = Open();
    ShellOpenRecorder shell(false);  // nothing on this desktop opens it
    const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", Folder.FilePath("home").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", Folder.FilePath("home/.config").toLocal8Bit());
    form->dbgAbbrev->setToolTip(QStringLiteral("Сокращения: области"));
    QString offered;
    Driver.Then([&](QDialog& dialog) {
        offered = Child<QLineEdit>(dialog, "edtFile")->text();
        Click(dialog, "btnOk");
    });
    Press(form->dbgAbbrev, Qt::Key_R);
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", config);
    EXPECT_EQ(QFileInfo(offered).fileName(), QStringLiteral("Сокращения_ области"));
    EXPECT_TRUE(QFile::exists(offered + ".html")) << offered.toStdString();
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_TRUE(Boxes.Last().Text.contains(offered + ".html")) << Boxes.Last().Text.toStdString();

    QFile blocker(Folder.FilePath("plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    bool stayedOpen = false;
    Driver.Then([&](QDialog& dialog) {
        Type(dialog, "edtFile", Folder.FilePath("plain/reports/abbreviations"));
        Click(dialog, "btnOk");
        stayedOpen = dialog.isVisible();
        Click(dialog, "btnCancel");
    });
    Press(form->dbgAbbrev, Qt::Key_R);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(Boxes.Count(), 2u);
    EXPECT_TRUE(Boxes.Last().Text.contains(Folder.FilePath("plain/reports")));
    EXPECT_EQ(Boxes.Last().Flags & MbIconMask, MB_ICONERROR);
}

QXV_ON_GRID_ENGINES(GridDialogs);

// Without a usable library the form works as before; a grid action says what is wrong.
TEST(GridDialogLibrary, AMissingOrBrokenLibraryIsToldOnlyWhenAGridActionIsUsed) {
    TGridEngine engine("sqlite");
    engine.AddAbbrev("обл.", "область");
    engine.AddAbbrev("р-н", "район");
    engine.Raw().Commit();
    TempDir host, library;
    MessageBoxRecorder boxes;
    ModalDriver driver;
    uComFormLibInt::UnloadLib();
    uComFormLibInt::SetLibraryFolder(library.Path());
    const QString path = QDir::toNativeSeparators(library.FilePath("ComFormLibs.dll"));
    const QString noProcedures = QStringLiteral(QXV_NO_PROCEDURES_LIBRARY);
    struct Case {
        std::function<void()> makeLibrary;
        QString text;  // the start of the one message
    } cases[] = {
        {[] {}, "uComFormLibInt.LoadLib: \"" + path + "\" library is not found"},
        {[&] {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("MZ not a library");
         },
         path},
        {[&] {
             QFile::remove(path);
             ASSERT_TRUE(QFile::copy(noProcedures, path));
         },
         "uComFormLibInt: \"_SortDBGridBIni\" procedure not found in ComFormLibs.dll"},
    };
    for (const Case& c : cases) {
        c.makeLibrary();
        boxes.Clear();
        TFormPtr form = ShowGridTest(engine, {host.Path()});
        form->dbgAbbrev->setFocus();
        QTest::keyClick(form->dbgAbbrev, Qt::Key_Space);
        QTest::keyClick(form->dbgAbbrev, Qt::Key_Down);
        EXPECT_EQ(boxes.Count(), 0u);
        QTest::keyClick(form->dbgAbbrev, Qt::Key_S, Qt::ControlModifier);
        ASSERT_EQ(boxes.Count(), 1u) << c.text.toStdString();
        EXPECT_TRUE(boxes.Last().Text.contains(c.text)) << boxes.Last().Text.toStdString();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->oqAbbrev->RecNo(), 2);
        EXPECT_TRUE(driver.Runs().empty());
    }
    uComFormLibInt::UnloadLib();
    uComFormLibInt::SetLibraryFolder(QString());
}

}  // namespace
