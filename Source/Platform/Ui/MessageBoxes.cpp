#include "Platform/Ui/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <vector>

#include "Platform/Ui/Application.h"

namespace {

IMessageBoxes* InstalledBoxes = nullptr;

struct TButton {
    QMessageBox::StandardButton Standard;
    int Id;
};

std::vector<TButton> ButtonsOf(unsigned flags) {
    switch (flags & MbButtonsMask) {
        case MB_OKCANCEL:
            return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_ABORTRETRYIGNORE:
            return {{QMessageBox::Abort, IDABORT},
                    {QMessageBox::Retry, IDRETRY},
                    {QMessageBox::Ignore, IDIGNORE}};
        case MB_YESNOCANCEL:
            return {{QMessageBox::Yes, IDYES},
                    {QMessageBox::No, IDNO},
                    {QMessageBox::Cancel, IDCANCEL}};
        case MB_YESNO:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        case MB_RETRYCANCEL:
            return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        default:
            return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconOf(unsigned flags) {
    switch (flags & MbIconMask) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

IMessageBoxes::~IMessageBoxes() = default;

IMessageBoxes& MessageBoxes::Current() {
    static TQtMessageBoxes gui;
    return InstalledBoxes ? *InstalledBoxes : gui;
}

IMessageBoxes* MessageBoxes::Install(IMessageBoxes* boxes) {
    IMessageBoxes* previous = InstalledBoxes;
    InstalledBoxes = boxes;
    return previous;
}

int MessageBoxes::Show(const QString& text, const QString& caption, unsigned flags,
                       QWidget* owner) {
    return Current().Show(text, caption, flags, owner);
}

QString MessageBoxes::KindCaption(TMessageKind kind) {
    switch (kind) {
        case TMessageKind::Error:
            return QStringLiteral("Ошибка");
        case TMessageKind::Information:
            return QStringLiteral("Извещение");
        case TMessageKind::Warning:
        case TMessageKind::Notice:
            break;
    }
    return QStringLiteral("Подтверждение");
}

unsigned MessageBoxes::KindFlags(TMessageKind kind) {
    switch (kind) {
        case TMessageKind::Warning:
            return MB_ICONEXCLAMATION;
        case TMessageKind::Error:
            return MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST;
        case TMessageKind::Information:
            return MB_ICONINFORMATION;
        case TMessageKind::Notice:
            return MB_ICONINFORMATION | MB_TASKMODAL | MB_TOPMOST;
    }
    return MB_OK;
}

QWidget* MessageBoxes::OwnerFor(QWidget* form) {
    if (form && form->isVisible()) return form;
    return Application::Instance().ActiveWindow();
}

int MessageBoxes::ShowKind(TMessageKind kind, const QString& text, QWidget* form,
                           const QString& caption, unsigned extraButtons) {
    return Show(text, caption.isEmpty() ? KindCaption(kind) : caption,
                KindFlags(kind) | (extraButtons & MbButtonsMask), OwnerFor(form));
}

void MessageBoxes::ShowMessage(const QString& text) {
    Show(text, Application::Instance().Title(), MB_OK, Application::Instance().ActiveWindow());
}

int TQtMessageBoxes::Show(const QString& text, const QString& caption, unsigned flags,
                          QWidget* owner) {
    // Texts keep the "\r\n" line breaks they were written with; Qt wants "\n".
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(IconOf(flags), caption, shown, QMessageBox::NoButton, owner);
    const std::vector<TButton> buttons = ButtonsOf(flags);
    for (const TButton& b : buttons) box.addButton(b.Standard);
    const size_t defaultIndex = (flags & MbDefButtonMask) >> 8;
    if (defaultIndex < buttons.size()) box.setDefaultButton(buttons[defaultIndex].Standard);
    if (flags & (MB_TASKMODAL | MB_SYSTEMMODAL)) box.setWindowModality(Qt::ApplicationModal);
    if (flags & MB_TOPMOST) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    // Closing with the window's close button counts as Cancel where there is one,
    // otherwise as the only/first button, as the system box does.
    const QAbstractButton* clicked = box.clickedButton();
    for (const TButton& b : buttons)
        if (clicked && clicked == box.button(b.Standard)) return b.Id;
    for (const TButton& b : buttons)
        if (b.Id == IDCANCEL) return IDCANCEL;
    return buttons.front().Id;
}
