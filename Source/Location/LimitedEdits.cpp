#include "Location/LimitedEdits.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QValidator>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uOraFunctions.h"

namespace {

// Refuses any text longer than the limit. The line edit then takes back the whole
// change, where its own maximum length would have cut a paste short without a word.
class TLengthValidator : public QValidator {
public:
    TLengthValidator(int maxLength, std::function<void()> refused, QObject* parent)
        : QValidator(parent), FMaxLength(maxLength), FRefused(std::move(refused)) {}

    State validate(QString& input, int&) const override {
        if (input.size() <= FMaxLength) return Acceptable;
        if (FRefused) QTimer::singleShot(0, parent(), FRefused);
        return Invalid;
    }

private:
    int FMaxLength;
    std::function<void()> FRefused;
};

}  // namespace

void LimitLength(QLineEdit* edit, int maxLength, std::function<void()> refused) {
    edit->setMaxLength(32767);
    edit->setValidator(new TLengthValidator(maxLength, std::move(refused), edit));
}

void LimitLengthWithWarning(QLineEdit* edit, int maxLength) {
    LimitLength(edit, maxLength, [edit, maxLength] {
        ShowWarning(edit->window()->windowTitle(), TooLongText(maxLength));
    });
}

QString TooLongText(int maxLength) {
    return TranslateRu(QStringLiteral("Текст не может быть длиннее %d символов"))
        .replace(QLatin1String("%d"), QString::number(maxLength));
}

TLimitedMemo::TLimitedMemo(int maxLength, QWidget* parent)
    : QPlainTextEdit(parent), FMaxLength(maxLength) {}

QString TLimitedMemo::Plain(const QString& stored) {
    QString plain = stored;
    return plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QString TLimitedMemo::Text() const {
    QString text = toPlainText();
    return text.replace(QLatin1Char('\n'), FLineBreak);
}

void TLimitedMemo::SetText(const QString& text) {
    const bool lineFeedsOnly =
        text.contains(QLatin1Char('\n')) && !text.contains(QLatin1String("\r\n"));
    FLineBreak = lineFeedsOnly ? QStringLiteral("\n") : QStringLiteral("\r\n");
    setPlainText(Plain(text));
}

int TLimitedMemo::StoredLength(const QString& plain) const {
    return int(plain.size() + plain.count(QLatin1Char('\n')) * (FLineBreak.size() - 1));
}

bool TLimitedMemo::Fits(const QString& plain) const {
    const QString selected = textCursor().selection().toPlainText();
    return StoredLength(toPlainText()) - StoredLength(selected) + StoredLength(plain) <= FMaxLength;
}

void TLimitedMemo::Refuse() {
    QTimer::singleShot(0, this, [this] { emit Refused(); });
}

void TLimitedMemo::keyPressEvent(QKeyEvent* event) {
    QString typed;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        typed = QStringLiteral("\n");
    else if (!event->matches(QKeySequence::Paste) && !event->text().isEmpty() &&
             event->text().at(0).isPrint())
        typed = event->text();
    if (!typed.isEmpty() && !isReadOnly() && !Fits(typed)) {
        event->accept();
        Refuse();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TLimitedMemo::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText() && !Fits(Plain(source->text()))) {
        Refuse();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}
