#include "Platform/Ui/ModalRunner.h"

#include <QDialog>

namespace {
IModalRunner* InstalledRunner = nullptr;
}

IModalRunner::~IModalRunner() = default;

IModalRunner& ModalRunner::Current() {
    static TExecModalRunner gui;
    return InstalledRunner ? *InstalledRunner : gui;
}

IModalRunner* ModalRunner::Install(IModalRunner* runner) {
    IModalRunner* previous = InstalledRunner;
    InstalledRunner = runner;
    return previous;
}

int ModalRunner::RunModal(QDialog& dialog) { return Current().RunModal(dialog); }

int TExecModalRunner::RunModal(QDialog& dialog) { return dialog.exec(); }
