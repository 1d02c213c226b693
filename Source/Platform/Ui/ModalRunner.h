#pragma once

#include "Platform/qxvglobal.h"

class QDialog;

// One way of running a dialog modally. The console uses QDialog::exec; tests
// install a driver that acts on the dialog instead of waiting for a user.
class QXV_PLATFORM_EXPORT IModalRunner {
public:
    virtual ~IModalRunner();
    // The modal result the dialog ended with (the value given to done()).
    virtual int RunModal(QDialog& dialog) = 0;
};

class QXV_PLATFORM_EXPORT ModalRunner {
public:
    static IModalRunner& Current();
    // Installs a runner (not owned; null goes back to QDialog::exec) and returns
    // the one it replaces.
    static IModalRunner* Install(IModalRunner* runner);
    static int RunModal(QDialog& dialog);
};

class QXV_PLATFORM_EXPORT TExecModalRunner : public IModalRunner {
public:
    int RunModal(QDialog& dialog) override;
};
