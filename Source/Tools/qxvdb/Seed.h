#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "Tools/qxvdb/Records.h"

// The kinds of the codes the tables give.
inline const QString kIso3166Countries = QStringLiteral("ISO3166_1");
inline const QString kIso3166Subdivisions = QStringLiteral("ISO3166_2");

// Where the system keeps the ISO 3166 code tables and their Russian translations.
struct TIsoTables {
    QString Folder = QStringLiteral("/usr/share/iso-codes/json");
    QString Russian = QStringLiteral("/usr/share/locale/ru/LC_MESSAGES");
};

// The tables cannot be read; the text says which and how to get them.
struct ESeedTables {
    QString Text;
};

// Every country (level 1) and its subdivisions (below the subdivision their table names as
// parent, else below the country) as import rows, parents first, numbered from 1: codes,
// English and Russian names, and types as abbreviations with their full names. The types are
// named in Russian for `typeLanguage` "RU" (a type missing from the seed's own table keeps its
// English name), in English otherwise.
std::vector<TPlaceRow> Iso3166Places(const QString& typeLanguage, const TIsoTables& tables = {});

// A short name of at most kMaxAbbrevLength characters for a type's full name, that none of
// `taken` already is: the name itself when it fits, else its words cut short.
QString ShortTypeName(const QString& fullName, const QStringList& taken);
