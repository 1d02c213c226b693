#include "FormReposit/uORXMainBaseForm.h"

#include <QAction>
#include <QMenu>

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
    if (FSettingsEnabled) LoadFormSettings();
}

void TORXMainBaseForm::hideEvent(QHideEvent* event) {
    if (FSettingsEnabled) SaveFormSettings();
    // The translations are fetched again by whatever is shown next.
    DoneTranslation();
    TMainBaseForm::hideEvent(event);
}

void TORXMainBaseForm::actEventKeyDownEscExecute() { close(); }

void TORXMainBaseForm::actGetColumnSeeUpdate() { actGetColumnSee->setEnabled(false); }
