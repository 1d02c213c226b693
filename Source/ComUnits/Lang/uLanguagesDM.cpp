#include "ComUnits/Lang/uLanguagesDM.h"

#include <QList>
#include <QLocale>
#include <QPointer>
#include <QStringList>

#include <memory>

#include "Platform/Data/OraPackage.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"

namespace {

const QString LineBreakKey = QStringLiteral("'||chr(13)||chr(10)||'");

std::unique_ptr<TLanguagesDM>& Module() {
    static std::unique_ptr<TLanguagesDM> module;
    return module;
}

// The windows that took the module and have not let it go; destroyed ones drop out.
QList<QPointer<const QObject>>& Holders() {
    static QList<QPointer<const QObject>> holders;
    return holders;
}

void Release(const QObject* holder) {
    Holders().removeIf([holder](const QPointer<const QObject>& h) { return !h || h == holder; });
}

TOraSession* SessionOrDefault(TOraSession* session) {
    return session ? session : TOraSession::DefaultSession();
}

}  // namespace

TLanguagesDM::TLanguagesDM(TOraSession* session, const QString& schema)
    : FSession(SessionOrDefault(session)), FPackage(new TOraPackage(this)), FSchema(schema) {
    FPackage->setObjectName(QStringLiteral("LANG_PACK"));
    FPackage->SetSession(FSession);
    FPackage->SetPackageName(schema + QStringLiteral(".LANG_PACK"));
    FAplLang = ReadNumber("GET_USER_APL_LANG_ID", LangEnglish);
    FAplSubLang = ReadNumber("GET_USER_APL_LANG_SUB_ID", 0);
    FRepLang = ReadNumber("GET_USER_REP_LANG_ID", LangEnglish);
    FRepSubLang = ReadNumber("GET_USER_REP_LANG_SUB_ID", 0);
}

TLanguagesDM::~TLanguagesDM() = default;

int TLanguagesDM::ReadNumber(const char* routine, int fallback) {
    try {
        const QVariant v = FPackage->ExecProc(QString::fromLatin1(routine));
        bool ok = false;
        const int n = v.toInt(&ok);
        return ok ? n : fallback;
    } catch (const std::exception&) {
        return fallback;  // an unreadable language leaves the default
    }
}

QString TLanguagesDM::CallText(const char* routine, const QString& text) {
    const QVariant v = FPackage->ExecProc(QString::fromLatin1(routine), {text});
    return v.isNull() ? QString() : v.toString();
}

bool TLanguagesDM::IsLangPackValid(const QString& schema, TOraSession* session) {
    TOraQuery query;
    query.SetSession(SessionOrDefault(session));
    query.SetSQLText(QStringLiteral(
        " SELECT COUNT(1) AS QNT FROM ALL_OBJECTS T  WHERE T.OBJECT_TYPE = 'PACKAGE' AND "
        "T.OBJECT_NAME = 'LANG_PACK'   AND T.STATUS = 'VALID'   AND T.OWNER = UPPER(:OWNER)"));
    query.ParamByName(QStringLiteral("OWNER")).SetAsString(schema);
    query.Open();
    return query.FieldByName(QStringLiteral("QNT")).AsInteger() == 1;
}

bool TLanguagesDM::IsMultiLang(const QString& schema, TOraSession* session) {
    try {
        if (!IsLangPackValid(schema, session)) return false;
        TOraPackage package;
        package.SetSession(SessionOrDefault(session));
        package.SetPackageName(schema + QStringLiteral(".LANG_PACK"));
        const QVariant v = package.GetVariable(QStringLiteral("GC_MULTI_LANG"));
        bool ok = false;
        return v.toDouble(&ok) == 1.0 && ok;
    } catch (const std::exception&) {
        return false;
    }
}

TLanguagesDM* TLanguagesDM::CreateIfMultiLang(const QString& schema, TOraSession* session) {
    session = SessionOrDefault(session);
    return IsMultiLang(schema, session) ? new TLanguagesDM(session, schema) : nullptr;
}

bool TLanguagesDM::AppNeedsTranslation() const {
    return FAplLang != BaseLanguage || FAplSubLang != 0;
}

bool TLanguagesDM::RepNeedsTranslation() const {
    return FRepLang != BaseLanguage || FRepSubLang != 0;
}

void TLanguagesDM::TranslateApl(QString& text) {
    if (AppNeedsTranslation()) text = CallText("GET_RESOURCE_APL_TXT", text);
}

void TLanguagesDM::TranslateAplEn(QString& text) {
    text = CallText("GET_RESOURCE_APL_EN_TXT", text);
}

bool InitTranslation(const QString& schema, TOraSession* session, const QObject* holder) {
    if (holder) {
        Release(holder);
        Holders().append(holder);
    }
    Module().reset();
    try {
        Module().reset(TLanguagesDM::CreateIfMultiLang(schema, session));
    } catch (const std::exception& e) {
        qDebug("Ошибка инициализации перевода\r%s", e.what());
    }
    return Module() != nullptr;
}

bool DoneTranslation(const QObject* holder) {
    if (holder) {
        Release(holder);
        if (!Holders().isEmpty()) return true;  // another window still reads through it
    } else {
        Holders().clear();
    }
    Module().reset();
    return true;
}

TLanguagesDM* LanguagesDM() { return Module().get(); }

int UserInterfaceLanguage() {
    return LanguagesDM() ? LanguagesDM()->AppLanguage() : OSLanguageGroup();
}

int OSLanguageGroup() {
    switch (QLocale().language()) {  // the system locale unless the program chose one
        case QLocale::Russian:
        case QLocale::Ukrainian:
        case QLocale::Belarusian:
            return TLanguagesDM::LangRussian;
        default:
            return TLanguagesDM::LangEnglish;
    }
}

QString PickByOSLanguage(const QString& russian, const QString& english) {
    return OSLanguageGroup() != TLanguagesDM::LangRussian && !english.isEmpty() ? english : russian;
}

bool HasNonAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 127) return true;
    return false;
}

bool HasLatin(const QString& text) {
    for (const QChar c : text)
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
    return false;
}

// The text is cut into lines the way a list of lines takes a text: a line ends at CR, at LF
// or at CR LF, and a break at the very end starts no further line. The lines are joined with
// the stored form of a break between them.
QString EncodeLineBreaks(const QString& text) {
    if (!text.contains(u'\r') && !text.contains(u'\n')) return text;
    QString t = text;
    const qsizetype firstCr = t.indexOf(u'\r');
    const qsizetype firstLf = t.indexOf(u'\n');
    if (firstCr >= 0 && firstLf >= 0 && firstCr > firstLf) t.remove(u'\r');
    QStringList lines;
    for (qsizetype at = 0; at < t.size();) {
        qsizetype end = at;
        while (end < t.size() && t[end] != u'\r' && t[end] != u'\n') ++end;
        lines << t.mid(at, end - at);
        if (end < t.size() && t[end] == u'\r') ++end;
        if (end < t.size() && t[end] == u'\n') ++end;
        at = end;
    }
    return lines.join(LineBreakKey);
}

QString DecodeLineBreaks(const QString& text) {
    QString t = text;
    t.replace(LineBreakKey, QStringLiteral("\r\n"));
    return t;
}

QString TranslateRu(const QString& source) {
    TLanguagesDM* dm = LanguagesDM();
    if (!dm) return source;
    if (const auto it = dm->Results().constFind(source); it != dm->Results().constEnd()) return *it;
    QString key = EncodeLineBreaks(source);
    QString result;
    if (!dm->IsTranslated(key) && HasNonAscii(key)) {
        dm->TranslateApl(key);
        result = key.isEmpty() ? QStringLiteral("?") + source : key;
        dm->AddTranslated(result);
    } else {
        result = source;
    }
    result = DecodeLineBreaks(result);
    dm->Results().insert(source, result);
    return result;
}

QString TranslateEn(const QString& source) {
    TLanguagesDM* dm = LanguagesDM();
    if (!dm || dm->IsTranslated(source) || !HasLatin(source)) return source;
    if (const auto it = dm->Results().constFind(source); it != dm->Results().constEnd()) return *it;
    QString text = source;
    dm->TranslateAplEn(text);
    const QString result = text.isEmpty() ? source : text;
    dm->AddTranslated(result);
    dm->Results().insert(source, result);
    return result;
}

QString TranslateFormText(const QString& text) {
    TLanguagesDM* dm = LanguagesDM();
    if (!dm || dm->IsTranslated(text) || !HasLatin(text)) return text;
    QString answer = text;
    dm->TranslateAplEn(answer);
    return answer.isEmpty() ? text : answer;
}
