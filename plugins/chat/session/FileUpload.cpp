#include "FileUpload.h"

#include "plugins/chat/ChatLog.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// The web module reads exactly this delimiter text, "--" included, on the
// boundary lines as well as in the declared parameter.
const char kBoundary[] = "--FileUpload{68886432-6F8C-4851-99F9-C8FD4DE2691F}";
const qint64 kMaxAnswer = 2048;

} // namespace

// Head, then the file, then the tail, read on demand. A file that ends
// before its announced length is an error, never a short body.
class UploadBodyDevice : public QIODevice
{
public:
    UploadBodyDevice(QByteArray head, QFile *file, qint64 fileLength, QByteArray tail, QObject *parent)
        : QIODevice(parent), m_head(std::move(head)), m_file(file), m_fileLength(fileLength),
          m_tail(std::move(tail))
    {
        m_file->setParent(this);
    }

    qint64 size() const override { return m_head.size() + m_fileLength + m_tail.size(); }
    // Random access lets the network stack resend after a redirect or a
    // dropped keep-alive connection without holding the body in memory.
    bool seek(qint64 pos) override
    {
        if (pos < 0 || pos > size() || !QIODevice::seek(pos))
            return false;
        m_pos = pos;
        return m_file->seek(qBound<qint64>(0, pos - m_head.size(), m_fileLength));
    }
    bool shrank() const { return m_shrank; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 done = 0;
        while (done < maxSize && m_pos < size()) {
            const qint64 fileEnd = m_head.size() + m_fileLength;
            qint64 n = 0;
            if (m_pos < m_head.size()) {
                n = qMin(maxSize - done, m_head.size() - m_pos);
                memcpy(data + done, m_head.constData() + m_pos, n);
            } else if (m_pos < fileEnd) {
                n = m_file->read(data + done, qMin(maxSize - done, fileEnd - m_pos));
                if (n <= 0) {
                    m_shrank = true;
                    setErrorString(QStringLiteral("The file changed while it was being sent."));
                    return -1;
                }
            } else {
                n = qMin(maxSize - done, size() - m_pos);
                memcpy(data + done, m_tail.constData() + (m_pos - fileEnd), n);
            }
            done += n;
            m_pos += n;
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_head;
    QFile *m_file;
    qint64 m_fileLength;
    QByteArray m_tail;
    qint64 m_pos = 0;
    bool m_shrank = false;
};

FileUpload::FileUpload(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_watchdog(new QTimer(this))
{
    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, &FileUpload::OnTimeout);
}

void FileUpload::SetTimeouts(int stallMs, int answerMs)
{
    m_stallMs = stallMs;
    m_answerMs = answerMs;
}

FileUpload::~FileUpload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
        m_reply = nullptr;
    }
}

QByteArray FileUpload::AnnouncedName(const QString &path)
{
    const QFileInfo info(path);
    QString name = info.completeBaseName().replace(QLatin1Char(' '), QLatin1Char('-'));
    if (!info.suffix().isEmpty() || info.fileName().endsWith(QLatin1Char('.')))
        name += QLatin1Char('.') + info.suffix();
    for (QChar &c : name) {
        if (c == QLatin1Char('"') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    return name.toUtf8();
}

QByteArray FileUpload::PartHead(const QString &path)
{
    return QByteArray(kBoundary) + "\r\n"
        + "Content-Disposition: form-data; name=\"qvfile\"; filename=\"" + AnnouncedName(path) + "\"\r\n"
        + "Content-Type: application/octet-stream\r\n"
        + "Content-Transfer-Encoding: binary\r\n\r\n";
}

QByteArray FileUpload::PartTail()
{
    return QByteArray("\r\n") + kBoundary + "--\r\n";
}

QByteArray FileUpload::ContentType()
{
    return QByteArray("multipart/form-data; boundary=") + kBoundary;
}

bool FileUpload::Start(const QString &url, const QString &path)
{
    if (m_reply) {
        emit failed(QStringLiteral("Another file is uploading now"), path);
        return false;
    }
    auto *file = new QFile(path);
    if (!file->open(QIODevice::ReadOnly)) {
        qCInfo(lcChat) << "upload: cannot open" << path << file->errorString();
        delete file;
        emit failed(QStringLiteral("Unable to open the file."), path);
        return false;
    }
    m_path = path;
    m_fileLength = file->size();
    const QByteArray head = PartHead(path);
    m_headLength = head.size();
    m_lastDone = -1;
    m_bodySent = false;
    m_timeoutError.clear();
    m_body = new UploadBodyDevice(head, file, m_fileLength, PartTail(), this);
    m_body->open(QIODevice::ReadOnly);

    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, ContentType());
    request.setHeader(QNetworkRequest::ContentLengthHeader, m_body->size());
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("Ostrel"));
    m_reply = m_network->post(request, m_body);
    connect(m_reply, &QNetworkReply::uploadProgress, this,
            [this](qint64 sent, qint64 total) {
                // The stack reports (0, 0) as the reply ends; not news.
                if (total <= 0)
                    return;
                OnUploadProgress(sent);
                // Once the whole body is out, the server owes the answer.
                m_bodySent = sent >= total;
                m_watchdog->start(m_bodySent ? m_answerMs : m_stallMs);
            });
    // Only the start of the answer is kept, however much the server sends.
    m_answer.clear();
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        const QByteArray chunk = m_reply->readAll();
        m_answer += chunk.left(kMaxAnswer - m_answer.size());
        m_watchdog->start(m_answerMs);
    });
    connect(m_reply, &QNetworkReply::finished, this, &FileUpload::OnFinished);
    m_watchdog->start(m_stallMs);
    OnUploadProgress(0);
    return true;
}

void FileUpload::OnTimeout()
{
    if (!m_reply)
        return;
    m_timeoutError = m_bodySent
        ? QStringLiteral("The upload was given up: the server did not answer within %1 seconds.")
              .arg(m_answerMs / 1000)
        : QStringLiteral("The upload was given up: nothing could be sent for %1 seconds.").arg(m_stallMs / 1000);
    m_reply->abort(); // finishes the reply: OnFinished reports it
}

void FileUpload::OnUploadProgress(qint64 sent)
{
    const qint64 done = qBound<qint64>(0, sent - m_headLength, m_fileLength);
    if (done <= m_lastDone)
        return;
    m_lastDone = done;
    emit progress(done, m_fileLength);
}

void FileUpload::OnFinished()
{
    QNetworkReply *reply = m_reply;
    const bool shrank = m_body && m_body->shrank();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString path = m_path;
    QString error;
    QString answer;
    if (!m_timeoutError.isEmpty())
        error = m_timeoutError;
    else if (shrank)
        error = QStringLiteral("The file changed while it was being sent.");
    else if (reply->error() != QNetworkReply::NoError && status == 0)
        error = reply->errorString();
    else if (status < 200 || status > 299)
        error = QStringLiteral("The server refused the file (HTTP %1).").arg(status);
    else
        answer = QString::fromLatin1(m_answer + reply->read(kMaxAnswer - m_answer.size())).trimmed();
    Reset();
    if (!error.isEmpty()) {
        qCInfo(lcChat) << "upload failed:" << error;
        emit failed(error, path);
    } else {
        emit finished(path, answer);
    }
}

void FileUpload::Reset()
{
    m_watchdog->stop();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    if (m_body) {
        m_body->deleteLater();
        m_body = nullptr;
    }
}
