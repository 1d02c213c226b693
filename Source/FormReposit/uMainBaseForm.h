#pragma once

#include <QString>

#include "FormReposit/uBaseForm.h"

class IHostObject;
class QFrame;
class QPushButton;
class QVBoxLayout;

// A service's main window opened by the console: built from the console's
// parameters after the console check and handshake, it keeps the service
// identifier and the host object, frees itself when closed, commits the
// session's transaction on close and tells the host object when it goes away.
//
// Layout: ClientArea() above the bottom panel Panel1; subclasses fill ClientArea.
class TMainBaseForm : public TBaseForm {
    Q_OBJECT
public:
    // The console's constructor: mode (access string), host object (may be null),
    // service identifier, icon resource name. Throws when the console check fails.
    TMainBaseForm(const QString& mode, IHostObject* hostLink, const QString& serviceName,
                  const QString& iconName);
    // The plain base-form constructor (the picker): no console, no host object.
    TMainBaseForm(QWidget* owner, TOraSession* session, const QString& schema);
    ~TMainBaseForm() override;

    const QString& ServiceName() const { return FServiceName; }
    IHostObject* HostLink() const { return FHostLink; }
    bool FreeOnClose() const { return FFreeOnClose; }
    QWidget* ClientArea() const { return FClientArea; }

    // How the window's border lets the user size it; only sizeable borders have their
    // size kept between runs.
    enum class TBorderStyle { Single, Sizeable, SizeToolWin };
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    bool SizeableBorder() const { return FBorderStyle != TBorderStyle::Single; }

    QFrame* Panel1 = nullptr;
    QPushButton* OkBtn = nullptr;

protected:
    void FormClose() override;
    void InitFormTexts() override;
    void LoadResourceImages() override;

    QString FServiceName;
    IHostObject* FHostLink = nullptr;
    bool FFreeOnClose = false;
    TBorderStyle FBorderStyle = TBorderStyle::Single;

private:
    void BuildMainDescription();
    void NotifyHost();

    QWidget* FClientArea = nullptr;
    QVBoxLayout* FLayout = nullptr;
};
