#include "support/MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder() : FPrevious(MessageBoxes::Install(this)) {}

MessageBoxRecorder::~MessageBoxRecorder() { MessageBoxes::Install(FPrevious); }

int MessageBoxRecorder::DefaultAnswer(unsigned flags) {
    switch (flags & MbButtonsMask) {
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDYES;
        case MB_RETRYCANCEL:
            return IDRETRY;
        default:
            return IDOK;
    }
}

int MessageBoxRecorder::Show(const QString& text, const QString& caption, unsigned flags,
                             QWidget* owner) {
    FCalls.push_back(TCall{text, caption, flags, owner, owner});
    if (FAnswers.empty()) return DefaultAnswer(flags);
    const int answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
}
