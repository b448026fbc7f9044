#pragma once
// Sends one file into a chat: a multipart/form-data POST to the chat
// service's web module, streamed from the file (never read whole), with
// progress in file bytes and either the server's answer (the stored file's
// address) or an error text. One upload at a time per object. Lives and
// signals on the user-interface thread; destroying it aborts the upload.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class UploadBodyDevice;

class FileUpload : public QObject
{
    Q_OBJECT
public:
    explicit FileUpload(QObject *parent = nullptr);
    ~FileUpload() override;

    // Begins posting the file at path to url. False (and failed emitted)
    // when another upload runs or the file cannot be opened; then no
    // connection is made.
    bool Start(const QString &url, const QString &path);
    bool IsRunning() const { return m_reply != nullptr; }

    // An upload that sends nothing for stallMs, or gets no answer answerMs
    // after its body, is given up and fails. Both are 60 s unless set.
    void SetTimeouts(int stallMs, int answerMs);

    // The name announced for path: blanks become "-", quotes and control
    // characters "_" so the part header cannot be broken.
    static QByteArray AnnouncedName(const QString &path);
    // The part head and tail around the file's bytes.
    static QByteArray PartHead(const QString &path);
    static QByteArray PartTail();
    static QByteArray ContentType();

signals:
    void progress(qint64 done, qint64 total);
    // path: the file that was not sent.
    void failed(const QString &error, const QString &path);
    void finished(const QString &path, const QString &answer);

private:
    void OnUploadProgress(qint64 sent);
    void OnFinished();
    void OnTimeout();
    void Reset();

    QNetworkAccessManager *m_network = nullptr;
    QNetworkReply *m_reply = nullptr;
    UploadBodyDevice *m_body = nullptr;
    QString m_path;
    QByteArray m_answer;
    qint64 m_headLength = 0;
    qint64 m_fileLength = 0;
    qint64 m_lastDone = -1;
    QTimer *m_watchdog = nullptr;
    int m_stallMs = 60000;
    int m_answerMs = 60000;
    bool m_bodySent = false;
    QString m_timeoutError; // set when the watchdog gave the upload up
};
