#pragma once

#include <QPointer>
#include <QRect>
#include <QString>

#include <optional>

#include "FormReposit/uComBaseForm.h"

class QLabel;
class QPushButton;
class TOraSession;

// The maximised geometry of a dialog-chain form: under the application's main form
// down to the end of the work area, as wide as the work area; x is left as given.
struct TPelmMaximizedSize {
    int Y = 0;
    int Width = 0;
    int Height = 0;
};
// Nothing when there is no application main form (the toolkit's size stands).
std::optional<TPelmMaximizedSize> PelmMaximizedSize(const QWidget* mainForm, const QRect& workArea);

// The light chain's base: a session and a schema, none of the grid, access and host
// machinery of the main chain. It has a description of its own (no
// QXVSourcesReference, no ActionList1), and TComBaseForm's OnCreate, OnClose and
// OnDestroy handlers are not attached to it; the construction steps and the
// translation pass on showing are TComBaseForm's.
//
// Created in two phases (see TComBaseForm):
//   TComBaseForm::Create<TfLevel>(owner, session, schema)
// which binds every component to the session and the schema, then runs InitForm
// and ArrangeButtons.
class TfPelmBaseForm : public TComBaseForm {
    Q_OBJECT
public:
    TfPelmBaseForm(QWidget* owner, TOraSession* session, const QString& schema);

    TOraSession* Session() const { return FSession; }

    // Esc and the window's close button end a modal run with mrCancel.
    void reject() override { done(mrCancel); }
    const QString& Shema() const { return FShema; }

    // The design-time session, replaced at run time by the one given.
    TOraSession* OraSession = nullptr;
    QLabel* Label1 = nullptr;

protected:
    void Construct() override;
    // The OnCreate handler of TComBaseForm is not attached to this chain.
    void FormCreate() override {}
    void FormClose() override {}
    void FormDestroy() override {}

    // Subclasses open their data here.
    virtual void InitForm() {}
    virtual void ArrangeButtons() {}

    // Re-arranges the buttons whenever the panel holding them changes size.
    void ArrangeOnResizeOf(QWidget* panel);
    // The bottom panel "pButtons" (35 high) under the form's content; the buttons
    // on it are arranged on every resize.
    QWidget* MakeButtonPanel();
    // A 75x25 button on the button panel.
    static QPushButton* MakePanelButton(QWidget* panel, const char* name, const QString& caption);

    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    TOraSession* FSession = nullptr;
    QString FShema;

private:
    QPointer<QWidget> FButtonPanel;
};
