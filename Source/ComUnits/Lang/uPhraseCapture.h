#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class TOraSession;

// Harvesting a form's Russian texts into the translators' tables (the fixed schema
// OC_57XX: one DPR row per library, one DFM row per form, the phrases through
// LANG_PACK.SAVE_RUSSIAN_PHRASE).

// The form's phrases: its texts, hints, list lines and column titles and the extra
// lines, trimmed, those with a character above code 127 only, sorted, each once.
QStringList CollectPhrases(QWidget* form, const QStringList& extra);

// The library's row name: its file name with every "dll" (in any case) made "dpr".
QString PhraseLibraryName(const QString& moduleFileName);

// The form's DFM row, made (with its library's DPR row) and committed when missing.
int PhraseFormId(TOraSession& session, const QString& library, const QString& formClass);
// Saves each phrase for the form; not committed.
void SavePhrases(TOraSession& session, int formId, const QStringList& phrases);
// Marks the form as harvested; not committed.
void MarkFormHarvested(TOraSession& session, int formId);
