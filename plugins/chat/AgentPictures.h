#pragma once
// CAgentPictures: the pictures of agents, fetched over HTTP from the chat
// service's web module ("t=ai&id=" and the percent-encoded JID). One
// request at a time, in the order asked; each JID is fetched once, and a
// picture that does not load is kept as a null image. A failed download
// goes to the end of the queue and waits the retry interval before it is
// tried again, while the others go on; a JID that keeps failing is tried at
// most kMaxTriesPerHour times an hour, so a web module that refuses or
// answers 404 costs a few requests a minute, not a storm. Stop() aborts the
// pending request and forgets everything, so nothing outlives the plug-in.
//
// Threading: user-interface thread only; there is no worker thread.

#include "bus/Payloads.h" // the Jid meta-type for the signal

#include <QElapsedTimer>
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
    static constexpr int kMaxTriesPerHour = 20;
    // JIDs beyond this many get no picture: presences can name any number.
    static constexpr int kMaxPictures = 1000;
    // Larger answers are no picture: the download fails.
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

    explicit CAgentPictures(int retryMs = kRetryMs, int maxTriesPerHour = kMaxTriesPerHour,
                            QObject *parent = nullptr);
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

    // The base's own query, if any, is kept: the fields join it with "&".
    static QString PictureUrl(const QString &base, const QVPlugin::Jid &jid);

signals:
    void pictureArrived(const QVPlugin::Jid &jid, const QImage &image);

private:
    // The failures of a JID not fetched yet: when it may be tried again, and
    // the tries of the hour that began with the first failure counted.
    struct Backoff
    {
        QVPlugin::Jid jid;
        qint64 notBefore = 0;
        qint64 hourStart = 0;
        int tries = 0;
    };

    int IndexOf(const QVPlugin::Jid &jid) const;
    Backoff *BackoffOf(const QVPlugin::Jid &jid);
    // The first JID not fetched that may be tried now, or -1; dueIn gets the
    // wait until the next one may, or -1 when none is waiting.
    int NextDue(qint64 now, qint64 &dueIn);
    void Next();
    void OnFinished();

    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_retry;
    QElapsedTimer m_clock;
    int m_retryMs;
    int m_maxTriesPerHour;
    QString m_base;
    bool m_stopped = false;
    // The queue in request order; the first m_done entries are fetched and
    // have their picture in m_pictures.
    std::vector<QVPlugin::Jid> m_jids;
    std::vector<QImage> m_pictures;
    size_t m_done = 0;
    std::vector<Backoff> m_backoff;
};
