#include "Server/ServerPhrases.h"

#include <QStringList>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"

#include "PhrasesData.h"

std::vector<TInstalledPhrase> ParsePhrases(const QString& text) {
    std::vector<TInstalledPhrase> out;
    int number = 0;
    for (const QString& line : text.split(u'\n')) {
        ++number;
        if (line.trimmed().isEmpty() || line.startsWith(u'#')) continue;
        const QStringList parts = line.split(u'\t');
        bool ok = false;
        const int lang = parts.value(0).toInt(&ok);
        if (parts.size() != 3 || !ok || parts[1].isEmpty() || parts[2].isEmpty())
            throw EOraError::Make(OraCode::UserDefined,
                                  QStringLiteral("Phrases.tsv:%1: malformed line").arg(number));
        out.push_back({lang, parts[1], parts[2]});
    }
    return out;
}

const std::vector<TInstalledPhrase>& InstalledPhrases() {
    static const std::vector<TInstalledPhrase> phrases =
        ParsePhrases(QString::fromUtf8(kInstalledPhrases));
    return phrases;
}

void SeedPhrases(IDbConnection& db, const QString& schema) {
    // The table is written with bound values; the checked name is quoted.
    const QString insert =
        QStringLiteral(
            "INSERT INTO %1.lang_trans_ru (phrase, lang_id, translation) SELECT :PHRASE, :LANG, "
            ":TRANSLATION WHERE NOT EXISTS (SELECT 1 FROM %1.lang_trans_ru WHERE phrase = "
            ":PHRASE AND lang_id = :LANG)")
            .arg(QuotedSchemaName(schema));
    for (const TInstalledPhrase& p : InstalledPhrases())
        db.Execute(insert, {{QStringLiteral("PHRASE"), p.Phrase},
                            {QStringLiteral("LANG"), p.LangId},
                            {QStringLiteral("TRANSLATION"), p.Translation}});
}
