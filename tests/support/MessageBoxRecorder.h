#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <deque>
#include <vector>

#include "Platform/Ui/MessageBoxes.h"

// Installed for its lifetime in place of the real message boxes: keeps every
// call and answers with scripted results (then IDOK, or the box's first button).
class MessageBoxRecorder : public IMessageBoxes {
public:
    struct TCall {
        QString Text;
        QString Caption;
        unsigned Flags = 0;
        QPointer<QWidget> Owner;
        QWidget* OwnerAtCall = nullptr;  // the pointer as passed, even if since destroyed
    };

    MessageBoxRecorder();
    ~MessageBoxRecorder() override;
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    int Show(const QString& text, const QString& caption, unsigned flags, QWidget* owner) override;

    // Answers given to the next boxes, in order.
    void Answer(int result) { FAnswers.push_back(result); }

    const std::vector<TCall>& Calls() const { return FCalls; }
    size_t Count() const { return FCalls.size(); }
    const TCall& Last() const { return FCalls.back(); }
    void Clear() { FCalls.clear(); }

    // The answer a box with these flags gets when nothing was scripted.
    static int DefaultAnswer(unsigned flags);

private:
    std::vector<TCall> FCalls;
    std::deque<int> FAnswers;
    IMessageBoxes* FPrevious;
};
