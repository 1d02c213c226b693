#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

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

// Runs a command's parser; a mistake on the command line is said with the command's usage,
// and nothing is returned (the command ends with the usage exit code).
template <class TOptions>
std::optional<TOptions> ParsedOrSaid(TOptions (*parse)(const QStringList&), const QStringList& args,
                                     const char* usage, QTextStream& err) {
    try {
        return parse(args);
    } catch (const TUsageError& e) {
        err << "qxvdb: " << e.Text << "\n" << usage;
        err.flush();
        return std::nullopt;
    }
}
