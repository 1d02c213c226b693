#pragma once

#include <QString>

class QTranslator;
class TOraSession;

// The console speaks its user's language: the database translates its own texts and the
// services' captions, and the translations installed with Qt give Qt's own texts (the
// buttons of message boxes, the file dialogs).
namespace ConsoleLanguage {

// Takes the user's translation module for the console (none while translation is off or
// the directory is missing) and installs Qt's translations for the user's language.
// Returns Qt's translator, owned by the application, or null when none was installed.
QTranslator* Install(const QString& schema, TOraSession* session);

// A text of the console, written in English, in the user's language.
QString Text(const QString& english);
// A service's caption or hint, written in the base language, in the user's language.
QString ServiceText(const QString& text);

}  // namespace ConsoleLanguage
