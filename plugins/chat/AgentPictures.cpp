#include "plugins/chat/AgentPictures.h"

#include "plugins/chat/ChatLog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

using QVPlugin::Jid;

namespace {

// A server that stops answering must not hold the queue for ever.
constexpr int kTransferTimeoutMs = 30000;

} // namespace

CAgentPictures::CAgentPictures(int retryMs, QObject *parent)
    : QObject(parent),
      m_network(new QNetworkAccessManager(this))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &CAgentPictures::Next);
}

CAgentPictures::~CAgentPictures()
{
    Stop();
}

QString CAgentPictures::PictureUrl(const QString &base, const Jid &jid)
{
    return base + QStringLiteral("?t=ai&id=") + QString::fromLatin1(QUrl::toPercentEncoding(jid.Str()));
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
    if (m_stopped || m_reply || m_base.isEmpty() || m_done >= m_jids.size())
        return;
    m_retry.stop();
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
        // Tried again after the others; alone, after the retry interval.
        if (m_done + 1 < m_jids.size()) {
            m_jids.erase(m_jids.begin() + qsizetype(m_done));
            m_jids.push_back(jid);
            Next();
        } else {
            m_retry.start();
        }
        return;
    }
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
    m_done = 0;
}
