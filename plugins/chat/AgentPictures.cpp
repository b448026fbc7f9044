#include "plugins/chat/AgentPictures.h"

#include "plugins/chat/ChatLog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>

using QVPlugin::Jid;

namespace {

// A server that stops answering must not hold the queue for ever.
constexpr int kTransferTimeoutMs = 30000;
constexpr qint64 kHourMs = 3600 * 1000;

} // namespace

CAgentPictures::CAgentPictures(int retryMs, int maxTriesPerHour, QObject *parent)
    : QObject(parent),
      m_network(new QNetworkAccessManager(this)),
      m_retryMs(retryMs),
      m_maxTriesPerHour(maxTriesPerHour)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &CAgentPictures::Next);
    m_clock.start();
}

CAgentPictures::~CAgentPictures()
{
    Stop();
}

QString CAgentPictures::PictureUrl(const QString &base, const Jid &jid)
{
    QString separator = QStringLiteral("?");
    if (base.contains(QLatin1Char('?')))
        separator = base.endsWith(QLatin1Char('?')) || base.endsWith(QLatin1Char('&')) ? QString() : QStringLiteral("&");
    return base + separator + QStringLiteral("t=ai&id=") + QString::fromLatin1(QUrl::toPercentEncoding(jid.Str()));
}

void CAgentPictures::SetBaseUrl(const QString &url)
{
    m_base = url;
    Next();
}

int CAgentPictures::IndexOf(const Jid &jid) const
{
    for (size_t i = 0; i < m_jids.size(); ++i)
        if (m_jids[i] == jid)
            return int(i);
    return -1;
}

CAgentPictures::Backoff *CAgentPictures::BackoffOf(const Jid &jid)
{
    for (Backoff &backoff : m_backoff)
        if (backoff.jid == jid)
            return &backoff;
    return nullptr;
}

int CAgentPictures::NextDue(qint64 now, qint64 &dueIn)
{
    dueIn = -1;
    for (size_t i = m_done; i < m_jids.size(); ++i) {
        const Backoff *backoff = BackoffOf(m_jids[i]);
        if (!backoff)
            return int(i);
        const qint64 allowedAt =
            backoff->tries >= m_maxTriesPerHour ? backoff->hourStart + kHourMs : backoff->notBefore;
        if (now >= allowedAt)
            return int(i);
        if (dueIn < 0 || allowedAt - now < dueIn)
            dueIn = allowedAt - now;
    }
    return -1;
}

void CAgentPictures::Request(const Jid &jid)
{
    if (m_stopped || !jid.IsValid() || IndexOf(jid) >= 0 || m_jids.size() >= size_t(kMaxPictures))
        return;
    m_jids.push_back(jid);
    Next();
}

QImage CAgentPictures::Picture(const Jid &jid)
{
    const int index = IndexOf(jid);
    if (index < 0) {
        Request(jid);
        return QImage();
    }
    return size_t(index) < m_done ? m_pictures[size_t(index)] : QImage();
}

bool CAgentPictures::IsFetched(const Jid &jid) const
{
    const int index = IndexOf(jid);
    return index >= 0 && size_t(index) < m_done;
}

void CAgentPictures::Next()
{
    if (m_stopped || m_reply || m_base.isEmpty())
        return;
    qint64 dueIn = -1;
    const int index = NextDue(m_clock.elapsed(), dueIn);
    if (index < 0) {
        // Everything left failed lately: wake when the first may be tried.
        if (dueIn >= 0)
            m_retry.start(int(std::min<qint64>(dueIn, kHourMs)));
        return;
    }
    m_retry.stop();
    // The one fetched next stands first among those not fetched.
    std::rotate(m_jids.begin() + qsizetype(m_done), m_jids.begin() + index, m_jids.begin() + index + 1);
    QNetworkRequest request{QUrl(PictureUrl(m_base, m_jids[m_done]), QUrl::StrictMode)};
    request.setTransferTimeout(kTransferTimeoutMs);
    m_reply = m_network->get(request);
    QNetworkReply *reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > kMaxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, &CAgentPictures::OnFinished);
}

void CAgentPictures::OnFinished()
{
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    if (!reply || m_stopped)
        return;
    reply->deleteLater();
    const Jid jid = m_jids[m_done];
    if (reply->error() != QNetworkReply::NoError) {
        qCDebug(lcChat) << "agent picture of" << jid.Str() << "not fetched:" << reply->errorString();
        // Not before the retry interval, and only so often an hour: a web
        // module that refuses everything must not be asked in a loop.
        const qint64 now = m_clock.elapsed();
        Backoff *backoff = BackoffOf(jid);
        if (!backoff) {
            m_backoff.push_back({jid, 0, now, 0});
            backoff = &m_backoff.back();
        }
        if (now - backoff->hourStart >= kHourMs) {
            backoff->hourStart = now;
            backoff->tries = 0;
        }
        ++backoff->tries;
        backoff->notBefore = now + m_retryMs;
        m_jids.erase(m_jids.begin() + qsizetype(m_done));
        m_jids.push_back(jid);
        Next();
        return;
    }
    m_backoff.erase(std::remove_if(m_backoff.begin(), m_backoff.end(),
                                   [&jid](const Backoff &backoff) { return backoff.jid == jid; }),
                    m_backoff.end());
    const QImage image = QImage::fromData(reply->readAll());
    m_pictures.push_back(image);
    ++m_done;
    emit pictureArrived(jid, image);
    Next();
}

void CAgentPictures::Stop()
{
    m_stopped = true;
    m_retry.stop();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->abort();
        reply->deleteLater();
    }
    m_jids.clear();
    m_pictures.clear();
    m_backoff.clear();
    m_done = 0;
}
