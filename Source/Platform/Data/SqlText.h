#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

// Reading SQL text the way the query component needs it: macros (&NAME) and
// parameters (:NAME) outside string literals, quoted names and comments, and the
// one-call anonymous blocks the forms use. Internal to the data layer.
namespace SqlText {

struct TScan {
    QStringList Macros;  // in order of first appearance, each once (case-insensitive)
    QStringList Params;
};

TScan Scan(const QString& sql);

// Replaces every &NAME outside literals and comments by what `value` gives for NAME
// (std::nullopt: the reference is left as it stands).
QString ExpandMacros(const QString& sql,
                     const std::function<std::optional<QString>(const QString&)>& value);

// The text without comments (literals kept).
QString StripComments(const QString& sql);

// The first word of the statement, upper case ("SELECT", "BEGIN", …).
QString FirstWord(const QString& sql);

// Oracle lets a data statement name a column by a word the other engines reserve
// ("Constraint"). In a SELECT, INSERT, UPDATE, DELETE or WITH statement such a word
// outside literals and comments is quoted, in lower case as unquoted names fold.
QString QuoteReservedNames(const QString& sql);

// Oracle sorts nulls after every value in ascending order and before them in descending
// order. Each term of the statement's outermost ORDER BY that has no NULLS clause gets
// the one Oracle implies.
QString OracleNullOrdering(const QString& sql);

struct TArgument {
    QString Name;      // NAME in "NAME => value"; empty for a positional argument
    QString ParamRef;  // X for ":X"; empty for a literal
    QVariant Literal;  // the literal's value when ParamRef is empty (null for NULL)
};

struct TCallBlock {
    QString ResultParam;  // X in ":X := …"; empty for a procedure call
    QStringList Name;     // two or three parts: [SCHEMA,] PACKAGE, ROUTINE
    std::vector<TArgument> Arguments;
};

// "begin [:X :=] [SCHEMA.]PACKAGE.ROUTINE[(args)]; end;" in any case and spacing;
// anything else gives std::nullopt.
std::optional<TCallBlock> ParseCallBlock(const QString& sql);

}  // namespace SqlText
