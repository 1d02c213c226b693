#include "ComUnits/uApplicationMessaging.h"

#include <QStringList>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uAssert.h"
#include "Platform/Ui/Application.h"

namespace {

struct THandshakeState {
    bool Answered = false;
    TConsoleInfo Info;
    QString SchemaName;
    TOraSession* Session = nullptr;
};

THandshakeState& State() {
    static THandshakeState state;
    return state;
}

void EnsureHandshake() {
    if (State().Answered) return;
    TApplicationMessaging messaging;
    State().Answered = messaging.Request() == HostMessage::Answered;
}

}  // namespace

TApplicationMessaging::TApplicationMessaging()
    : FWindow([this](unsigned msg, long long w, long long l) { return OnMessage(msg, w, l); }) {}

long long TApplicationMessaging::Request() {
    const TWindowHandle mainWindow = Application::Instance().MainWindowHandle();
    if (Handle() == mainWindow) return HostMessage::NotExpected;
    FWaiting = true;
    const long long result = WindowMessages::Instance().SendMessage(
        mainWindow, HostMessage::Request, Handle(), HostMessage::Request);
    FWaiting = false;
    return result;
}

long long TApplicationMessaging::OnMessage(unsigned msg, long long wparam, long long lparam) {
    if (msg != HostMessage::ConsoleInfo && msg != HostMessage::HostLink) return 0;
    // Only the console's main window may answer.
    if (wparam != Application::Instance().MainWindowHandle()) return 0;
    if (!FWaiting) return HostMessage::NotExpected;
    if (msg == HostMessage::ConsoleInfo)
        return OnConsoleInfo(WindowMessages::ParamPointer<const TConsoleInfo>(lparam));
    return OnHostLink(WindowMessages::ParamPointer<const THostLink>(lparam));
}

long long TApplicationMessaging::OnConsoleInfo(const TConsoleInfo* info) {
    if (!info) return HostMessage::Refused;
    TConsoleInfo& kept = State().Info;
    kept.StandardConsole = info->StandardConsole;
    kept.RequiredVersion = RequiredConsoleVersion;
    kept.FileVerInfo = info->FileVerInfo;
    kept.VersionAccepted =
        CompareVersions(kept.FileVerInfo.FileVersion(), RequiredConsoleVersion) >= 0;
    return kept.StandardConsole ? HostMessage::Answered : HostMessage::Refused;
}

long long TApplicationMessaging::OnHostLink(const THostLink* link) {
    if (!link) return HostMessage::Refused;
    State().SchemaName = link->SchemaName ? QString::fromUtf8(link->SchemaName) : QString();
    State().Session = link->Session;
    return link->SchemaName && link->Session ? HostMessage::Answered : HostMessage::Refused;
}

int CompareVersions(const QString& a, const QString& b) {
    const QStringList pa = a.split(u'.');
    const QStringList pb = b.split(u'.');
    const qsizetype n = qMax(pa.size(), pb.size());
    for (qsizetype i = 0; i < n; ++i) {
        const long long x = i < pa.size() ? pa[i].trimmed().toLongLong() : 0;
        const long long y = i < pb.size() ? pb[i].trimmed().toLongLong() : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

TConsoleInfo GetConsoleInfo() {
    EnsureHandshake();
    return State().Info;
}

THostLinkValues GetHostLink() {
    EnsureHandshake();
    return {State().SchemaName, State().Session};
}

bool HandshakeAnswered() { return State().Answered; }

void ResetHandshake() { State() = THandshakeState(); }

void CheckConsole() {
    const TConsoleInfo info = GetConsoleInfo();
    const QString prefix = QStringLiteral("TMainBaseForm.CheckConsole: ");
    if (info.StandardConsole && info.VersionAccepted) return;
    if (!info.StandardConsole) {
        const bool russian = UserInterfaceLanguage() == TLanguagesDM::LangRussian;
        const QString heading = russian ? QStringLiteral("Проверка версии консоли")
                                        : QStringLiteral("Check console version");
        const QString statement =
            russian ? QStringLiteral(
                          "\"TMainBaseForm\" - запускается только из стандартной консоли "
                          "с версией файла не менее 4.0.1.0 !!!!")
                    : QStringLiteral(
                          "\"TMainBaseForm\" - is started only from a standard console "
                          "with the file version of not less than 4.0.1.0!");
        throw EGeneralError(prefix + heading + QStringLiteral("\r\n") + statement);
    }
    const QString text =
        prefix + TranslateRu(QStringLiteral("Консоль")) + QStringLiteral(": ") +
        TranslateRu(QStringLiteral("Проверка версии")) + QStringLiteral("\r\n") +
        TranslateRu(QStringLiteral("Версия файла: \"%s\""))
            .replace(QLatin1String("%s"), info.FileVerInfo.FileVersion()) +
        u';' +
        TranslateRu(QStringLiteral("Версия продукта: \"%s\""))
            .replace(QLatin1String("%s"), info.FileVerInfo.ProductVersion()) +
        u';' + QStringLiteral("\r\n") +
        QStringLiteral(
            "Для данного сервиса предусмотрено использование консоли с версией файла не "
            "менее \"%1\"")
            .arg(info.RequiredVersion) +
        QStringLiteral("\r\n");
    throw EGeneralError(text);
}
