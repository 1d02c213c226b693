#pragma once

#include <QString>

#include <vector>

class IDbConnection;

// One translation of an interface phrase, as the phrase tables keep it: line breaks
// in the phrase and in the translation written in the server's encoded form.
struct TInstalledPhrase {
    int LangId;
    QString Phrase;
    QString Translation;
};

// The phrases every schema is installed with (Source/Server/phrases/Phrases.tsv).
const std::vector<TInstalledPhrase>& InstalledPhrases();

// Parses the phrase file's text; a malformed line is a programming error of the file.
std::vector<TInstalledPhrase> ParsePhrases(const QString& text);

// Adds the installed phrases the schema lacks; translations already there (a
// translator's work) are kept. Does not commit.
void SeedPhrases(IDbConnection& db, const QString& schema);
