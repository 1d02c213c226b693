#pragma once

#include <QPlainTextEdit>
#include <QString>

#include <functional>

class QLineEdit;

// Edits that hold no more than their server column does. A change that would make
// the text longer (most often a paste) is refused whole, never cut, and the owner
// is told so that it can say why.

// Keeps `edit` within `maxLength` characters; `refused` runs (from the event loop,
// after the edit has settled) each time a change is turned away.
void LimitLength(QLineEdit* edit, int maxLength, std::function<void()> refused);
// The same, telling the user each time with a warning captioned by the edit's window.
void LimitLengthWithWarning(QLineEdit* edit, int maxLength);

// A memo whose text keeps its line breaks as it was given (CR LF, or LF alone when
// that is what it held) and whose stored length, line breaks included, stays
// within a limit.
class TLimitedMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    TLimitedMemo(int maxLength, QWidget* parent);

    // The text as it is stored.
    QString Text() const;
    void SetText(const QString& text);
    int MaxLength() const { return FMaxLength; }

    // The text of a stored value as a plain-text widget shows it.
    static QString Plain(const QString& stored);

signals:
    void Refused();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    int StoredLength(const QString& plain) const;
    // Whether replacing the selection with `plain` keeps the text within the limit.
    bool Fits(const QString& plain) const;
    void Refuse();

    int FMaxLength;
    QString FLineBreak = QStringLiteral("\r\n");
};

// The message a refused change shows, with the limit in it.
QString TooLongText(int maxLength);
