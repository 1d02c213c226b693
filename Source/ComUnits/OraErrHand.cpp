#include "ComUnits/OraErrHand.h"

#include <cstdlib>
#include <typeinfo>

#if __has_include(<cxxabi.h>)
#include <cxxabi.h>
#endif

#include "ComUnits/uAssert.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

const QChar CR = QChar(13);

// The exception's class as its type is named in code ("EOraError").
QString ClassNameOf(const std::exception& error) {
    const char* raw = typeid(error).name();
#if __has_include(<cxxabi.h>)
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(raw, nullptr, nullptr, &status), std::free);
    if (status == 0 && demangled) return QString::fromLatin1(demangled.get());
#endif
    return QString::fromLatin1(raw);
}

QString MessageOf(const std::exception& error) {
    if (const auto* ora = dynamic_cast<const EOraError*>(&error)) return ora->Message();
    return ExceptionText(error);
}

bool IsConstraintViolation(int code) {
    return code == OraCode::UniqueViolation || code == OraCode::CheckViolation ||
           code == OraCode::ParentKeyNotFound || code == OraCode::ChildRecordFound;
}

}  // namespace

TOraErrorHandler::TOraErrorHandler(QObject* owner)
    : QObject(owner), FQuery(std::make_unique<TOraQuery>()) {
    Application::Instance().SetOnException(
        [this](QObject* sender, std::exception& error) { HandleException(sender, error); });
}

TOraErrorHandler::~TOraErrorHandler() {
    FQuery.reset();
    // Uninstalled even when another handler took over since.
    Application::Instance().SetOnException(nullptr);
}

TOraSession* TOraErrorHandler::Session() const { return FQuery->Session(); }

void TOraErrorHandler::SetSession(TOraSession* session) {
    if (session == FQuery->Session()) return;
    SetActive(false);
    FQuery->SetSession(session);
}

void TOraErrorHandler::SetTableName(const QString& name) {
    FTableName = name;
    if (name.isEmpty()) return;
    FQuery->SetSQLText(QStringLiteral("SELECT E.*, E.RowId FROM ") + name +
                       QStringLiteral(" E ORDER BY ErrorCode, Constraint"));
}

bool TOraErrorHandler::Active() const { return FQuery->Active(); }

void TOraErrorHandler::SetActive(bool active) {
    if (active && FTableName.isEmpty())
        throw EGeneralError(QStringLiteral("TableName must be defined"));
    if (FLoading) {
        if (active) FStreamedActive = true;
        return;
    }
    try {
        FQuery->SetActive(active);
    } catch (EOraError& error) {
        // The handler names itself when it reports its own table's failure.
        error.SetComponent(this);
        throw;
    }
}

void TOraErrorHandler::Loaded() {
    FLoading = false;
    if (FStreamedActive) SetActive(true);
}

TOraErrorHandler::TConstraint TOraErrorHandler::ConstraintOf(int errorCode,
                                                             const QString& message) {
    if (!IsConstraintViolation(errorCode)) return {};
    QString text = message;
    const qsizetype open = text.indexOf(u'(');
    // Oracle's texts end in a line feed, which the last character drops.
    if (open >= 0) text = text.mid(open + 1, text.size() - open - 2);
    const qsizetype close = text.indexOf(u')');
    if (close < 0) return {};
    TConstraint result;
    result.Full = text.left(close);
    const qsizetype dot = text.indexOf(u'.');
    result.Name = dot >= 0 && dot < close ? text.mid(dot + 1, close - dot - 1) : result.Full;
    return result;
}

bool TOraErrorHandler::Lookup(int errorCode, const TConstraint& constraint, QString& message) {
    if (!FQuery->Active()) return false;
    const QString name = constraint.Name.toUpper();
    const QString full = constraint.Full.toUpper();
    // Rows come by ascending code, and within a code the catch-all row (no constraint)
    // after the rows that name one.
    for (FQuery->First(); !FQuery->Eof(); FQuery->Next()) {
        const int code = FQuery->FieldByName(QStringLiteral("ErrorCode")).AsInteger();
        if (errorCode < code) break;
        const QString rowConstraint =
            FQuery->FieldByName(QStringLiteral("Constraint")).AsString().toUpper();
        if (code == errorCode &&
            (rowConstraint.isEmpty() || rowConstraint == name || rowConstraint == full)) {
            message = FQuery->FieldByName(QStringLiteral("Message")).AsString();
            return true;
        }
    }
    message.clear();
    return false;
}

QString TOraErrorHandler::Header(const QString& senderName, const QString& exceptClass,
                                 int errorCode, const QString& constraintName) const {
    if (!FDebug) return {};
    return QStringLiteral("Sender Name:   ") + senderName + CR +
           QStringLiteral("Except. Class:   ") + exceptClass + CR +
           QStringLiteral("Error Code:       ") +
           (errorCode != 0 ? QString::number(errorCode) : QString()) + CR +
           QStringLiteral("Constraint:        ") + constraintName + CR + CR;
}

void TOraErrorHandler::HandleException(QObject* sender, std::exception& error) {
    const QString exceptClass = ClassNameOf(error);
    const auto* ora = dynamic_cast<const EOraError*>(&error);
    QString senderName;
    try {
        if (ora && ora->Component()) {
            sender = ora->Component();
            senderName = sender->objectName();
        }
        if (!sender) sender = this;
        if (senderName.isEmpty()) senderName = sender->objectName();
    } catch (...) {
        // Naming the sender never makes the handler fail.
    }
    const int errorCode = ora ? ora->ErrorCode() : 0;
    const QString raw = MessageOf(error);
    const TConstraint constraint = ConstraintOf(errorCode, raw);
    QString header = Header(senderName, exceptClass, errorCode, constraint.Name);

    QString message;
    if (FOnErrorEx) {
        Lookup(errorCode, constraint, message);
        bool handled = false;
        FOnErrorEx(sender, error, errorCode, constraint.Name, message, handled);
        if (handled) return;
    } else if (!Lookup(errorCode, constraint, message) && FOnError) {
        FOnError(sender, error, errorCode, constraint.Name, message);
    }
    if (message.isEmpty())
        message = raw;
    else if (FDebug)
        header += QStringLiteral("Original Msg:    ") + raw + CR + CR;
    MessageBoxes::Show(header + message, Application::Instance().Title(), MB_OK | MB_ICONERROR,
                       MessageBoxes::OwnerFor(nullptr));
}
