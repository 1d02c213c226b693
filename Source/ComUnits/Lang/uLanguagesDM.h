#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class TOraPackage;
class TOraSession;

// Run-time translation of the program's texts through the server's LANG_PACK.
// There is at most one translation module per library (the global below); every
// routine works without it, and texts then stay as they are written.
class TLanguagesDM : public QObject {
    Q_OBJECT
public:
    // Language numbers as the platform gives them.
    static constexpr int LangEnglish = 9;
    static constexpr int LangSpanish = 10;
    static constexpr int LangRussian = 25;
    static constexpr int BaseLanguage = LangRussian;  // the language the texts are written in

    // Reads the user's languages from the server; a failing call keeps its default.
    TLanguagesDM(TOraSession* session, const QString& schema);
    ~TLanguagesDM() override;

    static bool IsLangPackValid(const QString& schema, TOraSession* session);
    static bool IsMultiLang(const QString& schema, TOraSession* session);
    // A new module when translation is switched on for the schema, else null.
    static TLanguagesDM* CreateIfMultiLang(const QString& schema, TOraSession* session);

    bool AppNeedsTranslation() const;
    bool RepNeedsTranslation() const;
    // The connection the translation data is read through.
    TOraSession* Session() const { return FSession; }
    int AppLanguage() const { return FAplLang; }
    int AppSubLanguage() const { return FAplSubLang; }
    int RepLanguage() const { return FRepLang; }
    int RepSubLanguage() const { return FRepSubLang; }

    // Text := the translation into the application language (only when it needs one).
    void TranslateApl(QString& text);
    // Text := the translation of a Latin text, whatever the language.
    void TranslateAplEn(QString& text);

    // Texts translation has produced or decided to keep: never sent again.
    bool IsTranslated(const QString& text) const { return FTranslated.contains(text); }
    void AddTranslated(const QString& text) { FTranslated.insert(text); }

    // What an original text became (so a repeated text costs no second call).
    QHash<QString, QString>& Results() { return FResults; }

private:
    int ReadNumber(const char* routine, int fallback);
    QString CallText(const char* routine, const QString& text);

    TOraSession* FSession;
    TOraPackage* FPackage;
    QString FSchema;
    int FAplLang = LangEnglish;
    int FAplSubLang = 0;
    int FRepLang = LangEnglish;
    int FRepSubLang = 0;
    QSet<QString> FTranslated;
    QHash<QString, QString> FResults;
};

// Replaces the module by a new one for the schema (none when translation is off);
// true when a module exists afterwards. Never throws. A window given as `holder`
// keeps the module alive until it lets go (or is destroyed).
bool InitTranslation(const QString& schema, TOraSession* session, const QObject* holder = nullptr);
// A holder lets go of the module, which is freed once no holder is left; without a
// holder the module is freed at once.
bool DoneTranslation(const QObject* holder = nullptr);
// The module, or null.
TLanguagesDM* LanguagesDM();

// The user's interface language: the module's application language, or the
// system's language group when there is no module.
int UserInterfaceLanguage();
// 25 for a Russian, Ukrainian or Belarusian system locale, 9 for any other.
int OSLanguageGroup();
// The English text when the system is not Russian-speaking and it is not empty.
QString PickByOSLanguage(const QString& russian, const QString& english);
bool HasNonAscii(const QString& text);
bool HasLatin(const QString& text);

// How a text with line breaks is keyed on the server, and back.
QString EncodeLineBreaks(const QString& text);
QString DecodeLineBreaks(const QString& text);

// Translates a text of the base language. An untranslated phrase comes back marked
// with a leading "?". The same text costs at most one server call per module.
QString TranslateRu(const QString& source);
// Translates a Latin text; texts without Latin letters are not looked up.
QString TranslateEn(const QString& source);
// The lookup behind a form's translation pass: asks every time (forms are
// translated again on their next show), keeps the text when there is no answer.
QString TranslateFormText(const QString& text);
