#include "FormReposit/uORXMainBaseForm.h"

#include <QAction>
#include <QHideEvent>
#include <QMenu>

#include <utility>

#include "ComUnits/Lang/uLanguagesDM.h"

void TORXMainBaseForm::Construct() {
    BuildActions();
    TMainBaseForm::Construct();
}

void TORXMainBaseForm::BuildActions() {
    actEventKeyDownEsc = new QAction(this);
    actEventKeyDownEsc->setObjectName(QStringLiteral("actEventKeyDownEsc"));
    actEventKeyDownEsc->setShortcut(QKeySequence(Qt::Key_Escape));
    actEventKeyDownEsc->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(actEventKeyDownEsc, &QAction::triggered, this, [this] { actEventKeyDownEscExecute(); });
    addAction(actEventKeyDownEsc);

    actGetColumnSee = new QAction(QStringLiteral("Otobrazhaemye stolbtsy"), this);
    actGetColumnSee->setObjectName(QStringLiteral("actGetColumnSee"));
    actGetColumnSee->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    connect(actGetColumnSee, &QAction::triggered, this, [this] { actGetColumnSeeExecute(); });
    addAction(actGetColumnSee);
    actGetColumnSeeUpdate();

    if (PopupMenu1) {
        N2 = PopupMenu1->addSeparator();
        N2->setObjectName(QStringLiteral("N2"));
        pmColumnSee = actGetColumnSee;
        PopupMenu1->addAction(pmColumnSee);
    }
}

void TORXMainBaseForm::FormCreate() {
    TMainBaseForm::FormCreate();
    FSettingsEnabled = true;
}

void TORXMainBaseForm::FormShow() {
    TMainBaseForm::FormShow();
    // Coming back from a minimise or a maximise is no opening: the window stays as it is.
    if (std::exchange(FHiddenWithWindow, false)) return;
    if (FSettingsEnabled) LoadFormSettings();
}

void TORXMainBaseForm::hideEvent(QHideEvent* event) {
    // Minimising, and the workspace window hiding itself while it maximises, hide the
    // form without closing it: nothing is saved or let go.
    if (event->spontaneous() || !isHidden() || PlacementWindow()->isMinimized()) {
        FHiddenWithWindow = true;
        TMainBaseForm::hideEvent(event);
        return;
    }
    if (FSettingsEnabled) SaveFormSettings();
    // The translations are fetched again by whatever is shown next.
    DoneTranslation(this);
    TMainBaseForm::hideEvent(event);
}

void TORXMainBaseForm::actEventKeyDownEscExecute() { close(); }

void TORXMainBaseForm::actGetColumnSeeUpdate() { actGetColumnSee->setEnabled(false); }
