#pragma once
// CAgentPictures: the pictures of agents, fetched over HTTP from the chat
// service's web module ("?t=ai&id=" and the percent-encoded JID). One
// request at a time, in the order asked; each JID is fetched once, and a
// picture that does not load is kept as a null image. A failed download
// goes to the end of the queue: it is tried again after the others, or
// after the retry interval when it is the only one left. Stop() aborts the
// pending request and forgets everything, so nothing outlives the plug-in.
//
// Threading: user-interface thread only; there is no worker thread.

#include "bus/Payloads.h" // the Jid meta-type for the signal

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

class CAgentPictures : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRetryMs = 10000;
    // JIDs beyond this many get no picture: presences can name any number.
    static constexpr int kMaxPictures = 1000;
    // Larger answers are no picture: the download fails.
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

    explicit CAgentPictures(int retryMs = kRetryMs, QObject *parent = nullptr);
    ~CAgentPictures() override;

    // The web module's address; empty holds the queue until it is known.
    void SetBaseUrl(const QString &url);
    // Queues the JID unless it was asked for before.
    void Request(const QVPlugin::Jid &jid);
    // The picture once fetched (null when it did not load); until then null,
    // and the JID is queued.
    QImage Picture(const QVPlugin::Jid &jid);
    bool IsFetched(const QVPlugin::Jid &jid) const;
    void Stop();

    static QString PictureUrl(const QString &base, const QVPlugin::Jid &jid);

signals:
    void pictureArrived(const QVPlugin::Jid &jid, const QImage &image);

private:
    int IndexOf(const QVPlugin::Jid &jid) const;
    void Next();
    void OnFinished();

    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_retry;
    QString m_base;
    bool m_stopped = false;
    // The queue in request order; the first m_done entries are fetched and
    // have their picture in m_pictures.
    std::vector<QVPlugin::Jid> m_jids;
    std::vector<QImage> m_pictures;
    size_t m_done = 0;
};
