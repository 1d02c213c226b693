#pragma once

#include "FormReposit/uBaseQXVBase.h"

class QPushButton;

// The base of the location window: a sizeable window whose bottom panel holds a
// close button kept at the panel's right edge.
class TPelmBaseQXVBaseForm : public TBaseQXVBaseForm {
    Q_OBJECT
public:
    TPelmBaseQXVBaseForm(const QString& mode, IHostObject* hostLink, const QString& serviceName,
                         const QString& iconName);
    TPelmBaseQXVBaseForm(QWidget* owner, TOraSession* session, const QString& schema);

    QPushButton* btnClose = nullptr;

protected:
    // Places the bottom panel's buttons; runs on every resize of the form.
    virtual void ArrangeButtons();
    void resizeEvent(QResizeEvent* event) override;

    void btnCloseClick();

private:
    void BuildPelmDescription();
};

// The maximised size of these windows: below the application's main form, over the
// whole width of the work area. Without a main form the base form's rule holds.
QRect PelmMaximizedGeometry(const QWidget* mainForm, const QRect& workArea);
