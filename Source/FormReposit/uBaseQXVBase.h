#pragma once

#include "FormReposit/uORXMainBaseForm.h"

// The look of the product's main windows: a lowered bottom panel.
class TBaseQXVBaseForm : public TORXMainBaseForm {
    Q_OBJECT
public:
    TBaseQXVBaseForm(const QString& mode, IHostObject* hostLink, const QString& serviceName,
                     const QString& iconName);
    TBaseQXVBaseForm(QWidget* owner, TOraSession* session, const QString& schema);

private:
    void LowerPanel();
};
