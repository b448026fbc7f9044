#include "host/AccountRules.h"

namespace {
const QString kDefaultPortSuffix = QStringLiteral(":%1").arg(kDefaultServerPort);
}

QString WithDefaultPort(const QString &server)
{
    return server.contains(QLatin1Char(':')) ? server : server + kDefaultPortSuffix;
}

QString ChosenServer(const QString &current, const QString &typed)
{
    const QString server = typed.trimmed();
    return server.isEmpty() ? current : WithDefaultPort(server);
}

QString ServerLinkText(const QString &server)
{
    QString shown = server;
    if (shown.endsWith(kDefaultPortSuffix))
        shown.chop(kDefaultPortSuffix.size());
    // The agent typed it; it must not become markup.
    return QStringLiteral("<a href=\"server\">%1</a>").arg(shown.toHtmlEscaped());
}

NewPasswordCheck CheckNewPassword(const QString &password, const QString &retyped)
{
    const QString first = password.trimmed();
    if (first != retyped.trimmed())
        return NewPasswordCheck::Mismatch;
    // An empty password would lock the agent out of the account.
    return first.isEmpty() ? NewPasswordCheck::Empty : NewPasswordCheck::Accepted;
}
