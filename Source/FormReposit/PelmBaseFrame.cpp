#include "FormReposit/PelmBaseFrame.h"

#include <QLayout>
#include <QVBoxLayout>

#include "ComUnits/uComponentTree.h"
#include "ComUnits/uOraFunctions.h"
#include "Platform/Data/OraSession.h"

TfrPelmBaseFrame::TfrPelmBaseFrame(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("frPelmBaseFrame"));
    MarkComponentOwner(this);
    OraSession = new TOraSession(this);
    OraSession->setObjectName(QStringLiteral("OraSession"));
}

void TfrPelmBaseFrame::Construct(QWidget* owner, TOraSession* session, const QString& schema) {
    FOwner = owner;
    if (QWidget* parent = parentWidget()) {
        QLayout* layout = parent->layout();
        if (!layout) {
            layout = new QVBoxLayout(parent);
            layout->setContentsMargins(0, 0, 0, 0);
        }
        layout->addWidget(this);
    }
    FSession = session;
    fSetSession(this, session);
    FShema = schema;
    fSetShema(this, schema);
    InitFrame();
}

void TfrPelmBaseFrame::InitFrame() { SetFrameActive(true); }
