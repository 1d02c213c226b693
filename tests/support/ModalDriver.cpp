#include "support/ModalDriver.h"

#include <QMetaObject>

ModalDriver::ModalDriver(int defaultResult)
    : FDefaultResult(defaultResult), FPrevious(ModalRunner::Install(this)) {}

ModalDriver::~ModalDriver() { ModalRunner::Install(FPrevious); }

int ModalDriver::RunModal(QDialog& dialog) {
    TStep step;
    if (!FSteps.empty()) {
        step = std::move(FSteps.front());
        FSteps.pop_front();
    }

    // The result the dialog is closed with, as exec() would report it.
    std::optional<int> closedWith;
    const QMetaObject::Connection finished = QObject::connect(
        &dialog, &QDialog::finished, [&closedWith](int result) { closedWith = result; });

    const QString objectName = dialog.objectName();
    const QString className = QString::fromLatin1(dialog.metaObject()->className());
    const QString title = dialog.windowTitle();
    QPointer<QDialog> alive(&dialog);

    dialog.setResult(0);
    dialog.show();
    ++FDepth;
    if (step.Act) step.Act(dialog);
    --FDepth;
    if (alive) {
        QObject::disconnect(finished);
        if (dialog.isVisible()) dialog.hide();
    }

    const int result = step.Forced ? *step.Forced : closedWith ? *closedWith : FDefaultResult;
    FRuns.push_back(TRun{objectName, className, title, result, FDepth});
    return result;
}
