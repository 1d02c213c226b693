#pragma once

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <memory>

class TOraQuery;
class TOraSession;

// Turns the exceptions that reach the application's handler into a message box whose
// text comes from an error table (columns ErrorCode, Constraint, Message): the row of
// the error's code and, for constraint violations, of the violated constraint; a row
// with an empty constraint answers every constraint of its code. With Debug the box
// also names the sender, the exception's class, the code and the constraint.
//
// The last handler created is the application's handler; destroying one uninstalls it.
class TOraErrorHandler : public QObject {
    Q_OBJECT
public:
    // Asked for a text when the table has none: sender, exception, code, constraint, text.
    using TOnOraErrorEvent =
        std::function<void(QObject* sender, std::exception& error, int errorCode,
                           const QString& constraintName, QString& message)>;
    // Replaces the OnError path; the box is not shown when it sets `handled`.
    using TOnOraErrorExEvent =
        std::function<void(QObject* sender, std::exception& error, int errorCode,
                           const QString& constraintName, QString& message, bool& handled)>;

    explicit TOraErrorHandler(QObject* owner = nullptr);
    ~TOraErrorHandler() override;

    TOraSession* Session() const;
    void SetSession(TOraSession* session);
    const QString& TableName() const { return FTableName; }
    void SetTableName(const QString& name);
    bool Active() const;
    void SetActive(bool active);
    bool Debug() const { return FDebug; }
    void SetDebug(bool debug) { FDebug = debug; }
    void SetOnError(TOnOraErrorEvent handler) { FOnError = std::move(handler); }
    void SetOnErrorEx(TOnOraErrorExEvent handler) { FOnErrorEx = std::move(handler); }

    // While the component is read from a description, Active only takes effect in Loaded.
    void BeginLoading() { FLoading = true; }
    void Loaded();

    // The application's exception handler.
    void HandleException(QObject* sender, std::exception& error);

    // What a constraint violation's message names: "S.UK_X" and "UK_X".
    struct TConstraint {
        QString Full;
        QString Name;
    };
    static TConstraint ConstraintOf(int errorCode, const QString& message);

private:
    bool Lookup(int errorCode, const TConstraint& constraint, QString& message);
    QString Header(const QString& senderName, const QString& exceptClass, int errorCode,
                   const QString& constraintName) const;

    std::unique_ptr<TOraQuery> FQuery;
    QString FTableName;
    bool FDebug = false;
    bool FLoading = false;
    bool FStreamedActive = false;
    TOnOraErrorEvent FOnError;
    TOnOraErrorExEvent FOnErrorEx;
};
