#pragma once

#include <QString>
#include <QStringList>

// A mistake on the command line: said with the usage, exit 2.
struct TUsageError {
    QString Text;
};

// Walks a command's arguments one at a time; the options every command knows are taken in
// one place, so each command's parser reads only its own.
class TArguments {
public:
    TArguments(const QStringList& args, qsizetype first) : FArgs(args), FNext(first) {}

    bool Next() {
        if (FNext >= FArgs.size()) return false;
        FCurrent = FArgs[FNext++];
        return true;
    }
    const QString& Current() const { return FCurrent; }
    bool Is(const char* name) const { return FCurrent == QLatin1String(name); }

    // The value that follows the current option.
    QString Value() {
        if (FNext >= FArgs.size())
            throw TUsageError{QStringLiteral("%1 needs a value").arg(FCurrent)};
        return FArgs[FNext++];
    }

    // --help, --db and --schema; false when the current argument is none of them.
    template <class TOptions>
    bool TakeCommon(TOptions& o) {
        if (Is("--help") || Is("-h"))
            o.Help = true;
        else if (Is("--db"))
            o.Db = Value();
        else if (Is("--schema"))
            o.Schema = Value();
        else
            return false;
        return true;
    }

private:
    const QStringList& FArgs;
    qsizetype FNext;
    QString FCurrent;
};
