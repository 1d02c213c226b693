// Phrase capture: Ctrl+Shift+F12 on a form with "DBG.dll" beside the host writes the form's
// Russian phrases into the translators' tables on both engines.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest/QTest>

#include "ComUnits/Lang/uPhraseCapture.h"
#include "FormReposit/uComBaseForm.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Ini/HostFolder.h"
#include "Server/ServerInstall.h"
#include "support/EngineSchema.h"
#include "support/MessageBoxRecorder.h"

namespace {

class TfPhraseForm : public TComBaseForm {
    Q_OBJECT
public:
    TfPhraseForm() : TComBaseForm(nullptr) {
        setObjectName("fPhraseForm");
        auto* label = new QLabel(QStringLiteral("  Название  "), this);
        label->setToolTip(QStringLiteral("Краткое название\nПолное название"));
        auto* ok = new QPushButton(QStringLiteral("OK"), this);  // nothing above code 127
        ok->setToolTip(QStringLiteral("Название"));              // a repeated phrase
        auto* grid = new QTableView(this);
        auto* model = new QStandardItemModel(0, 2, grid);
        model->setHorizontalHeaderLabels({QStringLiteral("Уровень"), QStringLiteral("ID")});
        grid->setModel(model);
    }

protected:
    void FormCreate() override {
        TComBaseForm::FormCreate();
        *FPhrases << QStringLiteral("Сообщение из кода");
    }
};

class PhraseCaptureOnEngines : public EngineSchemaTest {
protected:
    void SetUp() override {
        EngineSchemaTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        session.SetConnectString(FConnectString);
        session.Connect();
        InstallPhraseCaptureSchema(session.Connection());
        // The schema's name is fixed and other programs may use it on a shared server: only
        // this program's rows are taken away.
        RemoveOwnRows();
        TOraSession::SetDefaultSession(&session);
        SetHostExecutableFolder(host.Path());
        QLocale::setDefault(QLocale(QLocale::Russian));
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::c());
        SetHostExecutableFolder(QString());
        TOraSession::SetDefaultSession(nullptr);
        if (session.Connected()) RemoveOwnRows();
    }
    void RemoveOwnRows() {
        static const char here = 0;
        const QString library = PhraseLibraryName(ModuleFileNameOf(&here));
        IDbConnection& db = session.Connection();
        db.Rollback();
        db.Execute(
            "DELETE FROM oc_57xx.dfm WHERE fk_dpr IN (SELECT id_dpr FROM oc_57xx.dpr "
            "WHERE name = :N)",
            {{"N", library}});
        db.Execute("DELETE FROM oc_57xx.dpr WHERE name = :N", {{"N", library}});
        for (const QString& phrase : kPhrases)
            db.Execute("DELETE FROM oc_57xx.LANG_TRANS_RU WHERE PHRASE = :P", {{"P", phrase}});
        db.Execute("DELETE FROM oc_57xx.LANG_TRANS_RU WHERE PHRASE = 'OK'", {});
        db.Commit();
        libraryName = library;
    }
    long long Number(const QString& sql) {
        return session.Connection().Query(sql, {}).Rows.at(0).at(0).toLongLong();
    }
    // The form's texts that are among the saved phrases.
    QStringList Phrases() {
        QStringList list;
        for (const QString& phrase : kPhrases + QStringList{"OK"})
            if (!session.Connection()
                     .Query("SELECT 1 FROM oc_57xx.LANG_TRANS_RU WHERE LANG_ID = 25 AND PHRASE = "
                            "TRANSLATION AND PHRASE = :P",
                            {{"P", phrase}})
                     .Rows.empty())
                list << phrase;
        return list;
    }
    // Ctrl+Shift+F12 on a shown form, as the developer presses it.
    void Harvest(TComBaseForm& form) {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
    }

    // A two-line hint is one phrase, keyed as the translation asks for it.
    const QStringList kPhrases = {"Краткое название'||chr(13)||chr(10)||'Полное название",
                                  "Название", "Сообщение из кода", "Уровень"};
    TempDir host;
    TOraSession session;
    QString libraryName;
};

TEST_P(PhraseCaptureOnEngines, AHarvestWritesTheFormsPhrasesAndASecondReusesItsRows) {
    auto* form = TComBaseForm::Create<TfPhraseForm>();
    MessageBoxRecorder boxes;
    Harvest(*form);  // no "DBG.dll": nothing at all
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(Number("SELECT COUNT(*) FROM oc_57xx.dpr WHERE name = '" + libraryName + "'"), 0);

    QFile marker(QDir(host.Path()).filePath("DBG.dll"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        boxes.Clear();
        Harvest(*form);
        ASSERT_EQ(boxes.Count(), 2u);
        EXPECT_EQ(boxes.Calls()[0].Text, QStringLiteral("Библиотека \"") + marker.fileName() +
                                             QStringLiteral("\" загружена"));
        EXPECT_EQ(boxes.Calls()[1].Text, QStringLiteral("Слова скопированы"));
        session.Commit();  // the phrases become permanent with the connection's next commit
        EXPECT_EQ(Phrases(), kPhrases);
        EXPECT_EQ(Number("SELECT COUNT(*) FROM oc_57xx.dpr WHERE name = '" + libraryName + "'"), 1);
        EXPECT_EQ(Number("SELECT COUNT(*) FROM oc_57xx.dfm f JOIN oc_57xx.dpr d ON d.id_dpr = "
                         "f.fk_dpr WHERE d.name = '" +
                         libraryName + "' AND f.name = 'TfPhraseForm' AND f.is_translit = 1"),
                  1);
    }

    // Under an English interface only the warning follows the first box.
    QLocale::setDefault(QLocale(QLocale::English));
    boxes.Clear();
    Harvest(*form);
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Last().Text, QStringLiteral("Запустите русскую версию!"));
    TComBaseForm::Free(form);
}

QXV_ON_BOTH_ENGINES(PhraseCaptureOnEngines);

}  // namespace

#include "test_uComBaseForm_Phrases.moc"
