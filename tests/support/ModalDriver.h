#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "Platform/Ui/ModalRunner.h"

// Installed for its lifetime in place of QDialog::exec. Each modal run takes the
// next scripted step: the dialog is shown (so its show handlers run), the step's
// action acts on it (fills fields, clicks buttons, calls done()), and the run
// returns the result the dialog was closed with, or the step's forced result,
// or the driver's default when the dialog was left open. Never blocks. A
// dialog opened from inside an action is a nested run and takes the next step.
class ModalDriver : public IModalRunner {
public:
    using Action = std::function<void(QDialog&)>;

    struct TRun {
        QString ObjectName;
        QString ClassName;
        QString Title;
        int Result = 0;
        int Depth = 0;  // 0 for a top-level run, 1 for a dialog opened from an action...
    };

    explicit ModalDriver(int defaultResult = QDialog::Rejected);
    ~ModalDriver() override;
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    int RunModal(QDialog& dialog) override;

    // The next run performs the action; the result is the dialog's own.
    void Then(Action action) { FSteps.push_back({std::move(action), std::nullopt}); }
    // The next run performs the action (may be empty) and returns `result` whatever
    // the dialog did.
    void ThenResult(int result, Action action = nullptr) {
        FSteps.push_back({std::move(action), result});
    }

    // Finished runs in the order they finished (a nested run before its opener).
    const std::vector<TRun>& Runs() const { return FRuns; }
    size_t PendingSteps() const { return FSteps.size(); }

private:
    struct TStep {
        Action Act;
        std::optional<int> Forced;
    };

    std::deque<TStep> FSteps;
    std::vector<TRun> FRuns;
    int FDefaultResult;
    int FDepth = 0;
    IModalRunner* FPrevious;
};
