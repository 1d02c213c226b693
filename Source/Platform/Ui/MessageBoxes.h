#pragma once

#include <QString>

#include "Platform/qxvglobal.h"

class QWidget;

// Message-box flags and results with the values the forms were written against.
// A Windows build that includes the system headers gets the same values from there.
#if !defined(MB_OK)
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_RETRYCANCEL = 0x5;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;
inline constexpr unsigned MB_APPLMODAL = 0x0;
inline constexpr unsigned MB_SYSTEMMODAL = 0x1000;
inline constexpr unsigned MB_TASKMODAL = 0x2000;
inline constexpr unsigned MB_TOPMOST = 0x40000;
#endif
#if !defined(IDOK)
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
#endif

inline constexpr unsigned MbButtonsMask = 0xF;
inline constexpr unsigned MbIconMask = 0xF0;
inline constexpr unsigned MbDefButtonMask = 0xF00;

// One way of showing message boxes. The console installs none and gets the
// QMessageBox one; tests install a recorder.
class QXV_PLATFORM_EXPORT IMessageBoxes {
public:
    virtual ~IMessageBoxes();
    // Returns the ID* value of the button that closed the box.
    virtual int Show(const QString& text, const QString& caption, unsigned flags,
                     QWidget* owner) = 0;
};

// The four standard boxes of the forms.
enum class TMessageKind {
    Warning = 0,      // "Подтверждение", exclamation
    Error = 1,        // "Ошибка", error icon, task-modal, topmost
    Information = 2,  // "Извещение", information icon
    Notice = 3,       // "Подтверждение", information icon, task-modal, topmost
};

// Every message the user sees goes through here.
class QXV_PLATFORM_EXPORT MessageBoxes {
public:
    // The installed implementation, or the QMessageBox one.
    static IMessageBoxes& Current();
    // Installs an implementation (not owned; null goes back to QMessageBox) and
    // returns the one it replaces.
    static IMessageBoxes* Install(IMessageBoxes* boxes);

    static int Show(const QString& text, const QString& caption, unsigned flags,
                    QWidget* owner = nullptr);

    // A box of a standard kind owned as OwnerFor(form) decides. An empty caption
    // takes the kind's own; the flags are the kind's plus extraButtons (e.g. MB_YESNO).
    static int ShowKind(TMessageKind kind, const QString& text, QWidget* form,
                        const QString& caption = QString(), unsigned extraButtons = 0);
    static QString KindCaption(TMessageKind kind);
    static unsigned KindFlags(TMessageKind kind);

    // The form itself when it is visible, else the active window (may be null).
    static QWidget* OwnerFor(QWidget* form);

    // A plain message: no icon, OK only, captioned with the application title,
    // over the active window.
    static void ShowMessage(const QString& text);
};

// The GUI implementation: a QMessageBox with the icon and buttons the flags ask for.
class QXV_PLATFORM_EXPORT TQtMessageBoxes : public IMessageBoxes {
public:
    int Show(const QString& text, const QString& caption, unsigned flags, QWidget* owner) override;
};
