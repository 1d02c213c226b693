#include "FormReposit/uBaseQXVBase.h"

#include <QFrame>

TBaseQXVBaseForm::TBaseQXVBaseForm(const QString& mode, IHostObject* hostLink,
                                   const QString& serviceName, const QString& iconName)
    : TORXMainBaseForm(mode, hostLink, serviceName, iconName) {
    LowerPanel();
}

TBaseQXVBaseForm::TBaseQXVBaseForm(QWidget* owner, TOraSession* session, const QString& schema)
    : TORXMainBaseForm(owner, session, schema) {
    LowerPanel();
}

void TBaseQXVBaseForm::LowerPanel() { Panel1->setFrameShadow(QFrame::Sunken); }
