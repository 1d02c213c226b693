#include "ComUnits/uOraFunctions.h"

#include <QObject>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/OraErrHand.h"
#include "ComUnits/uAssert.h"
#include "ComUnits/uComponentTree.h"
#include "Platform/Data/OraPackage.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Data/Params.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

constexpr unsigned BindingErrorFlags = MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST;  // 0x42010

void BindStoredProc(TOraStoredProc& proc, const QString& schema) {
    QString name = proc.StoredProcName();
    fSetShemaName(name, schema);
    if (name == proc.StoredProcName()) return;  // binding the same schema again costs nothing
    const QString oldName = proc.StoredProcName();
    const TParams saved = proc.Params();
    try {
        proc.SetStoredProcName(name);
        proc.Prepare();  // the server describes the routine under its new name
    } catch (...) {
        proc.SetStoredProcName(oldName);  // a failed binding leaves the old one
        proc.Params().Assign(saved);
        throw;
    }
    // The definitions a component already had win over the fresh description;
    // a component that had none keeps what the server described.
    if (!saved.IsEmpty()) {
        proc.Params().Assign(saved);
        proc.Params().AssignValues(saved);
    }
}

void BindComponent(QObject* component, const QString& schema) {
    if (auto* query = qobject_cast<TOraQuery*>(component)) {
        query->MacroByName(QStringLiteral("Shema")).SetValue(schema);
    } else if (auto* package = qobject_cast<TOraPackage*>(component)) {
        QString name = package->PackageName();
        fSetShemaName(name, schema);
        package->SetPackageName(name);
    } else if (auto* proc = qobject_cast<TOraStoredProc*>(component)) {
        BindStoredProc(*proc, schema);
    }
}

}  // namespace

void fSetSession(QObject* form, TOraSession* session) {
    for (QObject* component : OwnedComponents(form)) {
        if (auto* dataSet = qobject_cast<TOraDataSet*>(component))
            dataSet->SetSession(session);
        else if (auto* package = qobject_cast<TOraPackage*>(component))
            package->SetSession(session);
        else if (auto* handler = qobject_cast<TOraErrorHandler*>(component))
            handler->SetSession(session);
    }
}

void fSetShema(QObject* form, const QString& schema) {
    if (schema.isEmpty()) {
        MessageBoxes::Show(QStringLiteral("uOraFunctions.fSetShema: \r\nSchema is not define"),
                           TranslateRu(QStringLiteral("Ошибка")), BindingErrorFlags,
                           MessageBoxes::OwnerFor(nullptr));
        return;
    }
    for (QObject* component : OwnedComponents(form)) fSetShemaComponent(component, schema);
}

void fSetShemaComponent(QObject* component, const QString& schema) {
    if (!component || TagOf(component) != 0) return;
    try {
        BindComponent(component, schema);
    } catch (const std::exception& e) {
        MessageBoxes::Show(component->objectName() + QStringLiteral(": ") + ExceptionText(e),
                           QStringLiteral("Conversion  of parameters"), BindingErrorFlags,
                           MessageBoxes::OwnerFor(nullptr));
    }
}

void fSetShemaName(QString& name, const QString& schema) {
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 0)
        throw EGeneralError(
            QStringLiteral("uOraFunctions.fSetShemaName: Symbol \".\" is not found in \"%1\"")
                .arg(name));
    name = schema + name.mid(dot);
}

void SetParamID(TParam& param, int value) {
    if (value < 1) {
        if (param.DataType() == TFieldType::Unknown) param.SetDataType(TFieldType::Integer);
        param.Clear();
    } else {
        param.SetAsInteger(value);
    }
}

void ShowWarning(const QString& caption, const QString& text) {
    MessageBoxes::Show(text, caption, MB_ICONEXCLAMATION, MessageBoxes::OwnerFor(nullptr));
}
