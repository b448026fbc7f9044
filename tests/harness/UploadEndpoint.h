#pragma once
// The chat service's upload address for tests and the demo: an HTTP server
// on 127.0.0.1 at a port chosen at run time that takes the program's
// multipart form (the declared boundary parameter is itself the delimiter
// line), stores the file in a folder and answers the address under which it
// can be fetched back with GET. Anything else gets a 4xx answer.
//
// Thread rule: lives and serves on the thread that created it (an event
// loop must run there).

#include <QByteArray>
#include <QDir>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <algorithm>

class QTcpSocket;

namespace harness {

class UploadEndpoint : public QObject
{
    Q_OBJECT
public:
    // Files are stored in folder, which must exist.
    explicit UploadEndpoint(const QString &folder, QObject *parent = nullptr);

    // Binds 127.0.0.1; false when no port could be bound.
    bool Start();
    // Where the program posts its files.
    QString Url() const;
    const QDir &Folder() const { return m_folder; }
    // While refusing, every upload is answered 503, that long after it came
    // (a slow network's failure), and nothing is stored.
    void SetRefusing(bool refusing, int afterMs = 0) { m_refuseAfterMs = refusing ? std::max(0, afterMs) : -1; }

    // The stored file's name and the content of a form, or an empty name
    // when the form cannot be read. Public for the tests.
    struct Part
    {
        QString fileName;
        QByteArray data;
    };
    static Part ParseForm(const QByteArray &contentType, const QByteArray &body);

signals:
    // A file was stored under this address.
    void stored(const QString &address);

private:
    void OnData(QTcpSocket *socket);
    QByteArray Handle(const QByteArray &method, const QByteArray &path, const QByteArray &contentType,
                      const QByteArray &body);
    QString StoreName(const QString &wanted) const;

    QDir m_folder;
    int m_refuseAfterMs = -1;
    // Each connection's request until it is complete. Declared before the
    // server: the server's sockets leave it as they go, the last ones when
    // the server itself goes.
    QHash<QTcpSocket *, QByteArray> m_requests;
    QTcpServer m_server;
};

} // namespace harness
