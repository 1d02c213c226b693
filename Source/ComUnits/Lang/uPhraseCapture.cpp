#include "ComUnits/Lang/uPhraseCapture.h"

#include <QHeaderView>
#include <QTableView>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <vector>

#include "ComUnits/Lang/uLangComp.h"
#include "ComUnits/Lang/uLanguagesDM.h"
#include "Platform/Data/OraQuery.h"

namespace {

bool IsPhrase(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 127; });
}

// A text is kept whole, its line breaks written as the server keys them, so that the
// translation of a multi-line caption or hint is found again under the same phrase.
void AddPhrase(QStringList& phrases, const QString& text) {
    const QString phrase = EncodeLineBreaks(text.trimmed());
    if (IsPhrase(phrase)) phrases << phrase;
}

bool Skipped(QObject* component) {
    const char* name = component->metaObject()->className();
    return qstrcmp(name, "TReportSettings") == 0 || qstrcmp(name, "TScrollDateTime") == 0;
}

using TValues = std::vector<std::pair<QString, QVariant>>;

std::unique_ptr<TOraQuery> Statement(TOraSession& session, const QString& sql,
                                     const TValues& params) {
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(&session);
    query->SetSQLText(sql);
    for (const auto& [name, value] : params) query->ParamByName(name).SetValue(value);
    return query;
}

// The first column of the first row, or null when there is no row.
QVariant FirstValue(TOraSession& session, const QString& sql, const TValues& params = {}) {
    const std::unique_ptr<TOraQuery> query = Statement(session, sql, params);
    query->Open();
    return query->IsEmpty() ? QVariant() : query->Fields(0)->Value();
}

void Execute(TOraSession& session, const QString& sql, const TValues& params) {
    Statement(session, sql, params)->ExecSQL();
}

}  // namespace

QStringList CollectPhrases(QWidget* form, const QStringList& extra) {
    QStringList phrases;
    // The translation pass reaches every text a translator sees; here it only reads them.
    TranslateComponents(
        form,
        [&](const QString& text) {
            AddPhrase(phrases, text);
            return text;
        },
        Skipped, loOwned);
    for (auto* grid : form->findChildren<QTableView*>())
        if (grid->model() && !Skipped(grid))
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                AddPhrase(phrases, grid->model()->headerData(c, Qt::Horizontal).toString());
    for (const QString& line : extra) AddPhrase(phrases, line);
    phrases.sort();
    phrases.removeDuplicates();
    return phrases;
}

QString PhraseLibraryName(const QString& moduleFileName) {
    QString name = moduleFileName;
    return name.replace(QStringLiteral("dll"), QStringLiteral("dpr"), Qt::CaseInsensitive);
}

int PhraseFormId(TOraSession& session, const QString& library, const QString& formClass) {
    QVariant libraryId =
        FirstValue(session, QStringLiteral("SELECT id_dpr FROM oc_57xx.dpr WHERE NAME = :NAME"),
                   {{QStringLiteral("NAME"), library}});
    if (libraryId.isNull()) {
        libraryId = FirstValue(
            session,
            QStringLiteral("SELECT (NVL(MAX(id_dpr), 0) + 1) as dpr_id_next FROM oc_57xx.dpr"));
        Execute(session,
                QStringLiteral("INSERT INTO oc_57xx.dpr (id_dpr, name) VALUES(:ID, :NAME)"),
                {{QStringLiteral("ID"), libraryId}, {QStringLiteral("NAME"), library}});
        session.Commit();
    }
    QVariant formId = FirstValue(
        session,
        QStringLiteral("SELECT id_dfm FROM oc_57xx.dfm WHERE fk_dpr = :DPR AND NAME = :NAME"),
        {{QStringLiteral("DPR"), libraryId}, {QStringLiteral("NAME"), formClass}});
    if (formId.isNull()) {
        formId = FirstValue(
            session,
            QStringLiteral("SELECT (NVL(MAX(id_dfm), 0) + 1) as dfm_id_next FROM oc_57xx.dfm"));
        Execute(session,
                QStringLiteral("INSERT INTO oc_57xx.dfm (fk_dpr, name, id_dfm,  is_translit) "
                               "VALUES(:DPR, :NAME, :ID, 0)"),
                {{QStringLiteral("DPR"), libraryId},
                 {QStringLiteral("NAME"), formClass},
                 {QStringLiteral("ID"), formId}});
        session.Commit();
    }
    return formId.toInt();
}

void SavePhrases(TOraSession& session, int formId, const QStringList& phrases) {
    for (const QString& phrase : phrases) {
        if (phrase.isEmpty()) continue;
        Execute(session,
                QStringLiteral("begin OC_57xx.lang_pack.SAVE_RUSSIAN_PHRASE(:text,%1,''); end;")
                    .arg(formId),
                {{QStringLiteral("text"), phrase}});
    }
}

void MarkFormHarvested(TOraSession& session, int formId) {
    // Without the alias in SET, which not every engine accepts.
    Execute(session, QStringLiteral("UPDATE OC_57xx.DFM SET IS_TRANSLIT = 1 WHERE ID_DFM = :ID"),
            {{QStringLiteral("ID"), formId}});
}
