#include "host/ServiceLinks.h"

#include <QUrlQuery>

QString ServerHost(const QString &serverAddress)
{
    const QString address = serverAddress.trimmed();
    if (address.startsWith(QLatin1Char('['))) {
        const int close = address.indexOf(QLatin1Char(']'));
        return close < 0 ? QString() : address.mid(1, close - 1);
    }
    // One colon separates the port; more make an IPv6 address without one.
    if (address.count(QLatin1Char(':')) == 1)
        return address.section(QLatin1Char(':'), 0, 0);
    return address;
}

namespace {

QUrl BaseUrl(const QString &serverAddress)
{
    const QString host = ServerHost(serverAddress);
    if (host.isEmpty())
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    url.setPath(QStringLiteral("/"));
    return url.host().isEmpty() ? QUrl() : url;
}

} // namespace

QUrl ServiceRedirectUrl(const QString &serverAddress, const QString &page)
{
    QUrl url = BaseUrl(serverAddress);
    if (!url.isValid())
        return {};
    url.setPath(QStringLiteral("/qvx/"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("t"), QStringLiteral("rd"));
    query.addQueryItem(QStringLiteral("rd"), page);
    url.setQuery(query);
    return url;
}

QUrl ServiceHomeUrl(const QString &serverAddress)
{
    return BaseUrl(serverAddress);
}

QString DefaultServerAddress()
{
    return QStringLiteral("127.0.0.1:5222");
}
