#pragma once

#include "FormReposit/uMainBaseForm.h"

class QAction;

// Adds closing by Esc, the column view action of the maker's grid, and the
// settings of the window kept between runs (load on show, save on hide).
class TORXMainBaseForm : public TMainBaseForm {
    Q_OBJECT
public:
    using TMainBaseForm::TMainBaseForm;

    QAction* actEventKeyDownEsc = nullptr;
    QAction* actGetColumnSee = nullptr;
    QAction* N2 = nullptr;
    QAction* pmColumnSee = nullptr;

    bool SettingsEnabled() const { return FSettingsEnabled; }

protected:
    void Construct() override;
    void FormCreate() override;
    void FormShow() override;
    void hideEvent(QHideEvent* event) override;

    // The window's settings between runs in "UserSaves.ini": placement, tool bar check
    // buttons and combo boxes, data grid columns and split controls (tags 999, 888).
    virtual void LoadFormSettings();
    virtual void SaveFormSettings();
    // What carries the window's placement: the form, or the workspace window holding it.
    QWidget* PlacementWindow();

    void actEventKeyDownEscExecute();
    // Opens the column view dialog of the active maker's grid; no form of this
    // library places one, so there is never a grid to act on.
    void actGetColumnSeeExecute() {}
    void actGetColumnSeeUpdate();

private:
    void BuildActions();
    void LoadPlacement(const QString& section);
    void SavePlacement(const QString& section);
    void LoadComponent(const QString& section, QObject* component);
    void SaveComponent(const QString& section, QObject* component);
    bool FSettingsEnabled = false;
    bool FHiddenWithWindow = false;  // hidden by a minimise or maximise, not closed
};
