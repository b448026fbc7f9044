#include "tests/harness/UploadEndpoint.h"

#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTimer>

#include <QUrl>

namespace harness {

namespace {

const qsizetype kMaxHead = 16 * 1024;
const qint64 kMaxBody = 64 * 1024 * 1024;

QByteArray Answer(int status, const QByteArray &reason, const QByteArray &body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Type: text/plain\r\n"
        + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// The value of a header line's parameter, quotes removed: name=value or
// name="value".
QByteArray Parameter(const QByteArray &line, const QByteArray &name)
{
    qsizetype at = -1;
    do
        at = line.indexOf(name + '=', at + 1);
    while (at > 0 && line[at - 1] != ' ' && line[at - 1] != ';');
    if (at <= 0)
        return {};
    QByteArray value = line.mid(at + name.size() + 1);
    if (value.startsWith('"'))
        return value.mid(1, value.indexOf('"', 1) - 1);
    const qsizetype end = value.indexOf(';');
    return (end < 0 ? value : value.left(end)).trimmed();
}

} // namespace

UploadEndpoint::UploadEndpoint(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder)
{
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QObject::destroyed, this, [this, socket] { m_requests.remove(socket); });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnData(socket); });
        }
    });
}

bool UploadEndpoint::Start()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString UploadEndpoint::Url() const
{
    return QStringLiteral("http://127.0.0.1:%1/upload").arg(m_server.serverPort());
}

void UploadEndpoint::OnData(QTcpSocket *socket)
{
    QByteArray &request = m_requests[socket];
    request += socket->readAll();
    const qsizetype headEnd = request.indexOf("\r\n\r\n");
    auto finish = [this, socket](const QByteArray &answer) {
        m_requests.remove(socket);
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        socket->write(answer);
        socket->disconnectFromHost();
    };
    if (headEnd < 0) {
        if (request.size() > kMaxHead)
            finish(Answer(431, "Header Too Large", "header too large"));
        return;
    }
    const QList<QByteArray> lines = request.left(headEnd).split('\n');
    const QList<QByteArray> start = lines.first().trimmed().split(' ');
    qint64 length = 0;
    QByteArray contentType;
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.left(colon).trimmed().toLower();
        if (name == "content-length")
            length = line.mid(colon + 1).trimmed().toLongLong();
        else if (name == "content-type")
            contentType = line.mid(colon + 1).trimmed();
    }
    if (start.size() != 3 || length < 0 || length > kMaxBody) {
        finish(Answer(400, "Bad Request", "bad request"));
        return;
    }
    if (request.size() - headEnd - 4 < length)
        return;
    if (m_refuseAfterMs >= 0 && start[0] == "POST") {
        m_requests.remove(socket);
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        QTimer::singleShot(m_refuseAfterMs, socket, [socket] {
            socket->write(Answer(503, "Service Unavailable", "uploads are refused"));
            socket->disconnectFromHost();
        });
        return;
    }
    finish(Handle(start[0], start[1], contentType, request.mid(headEnd + 4, length)));
}

QByteArray UploadEndpoint::Handle(const QByteArray &method, const QByteArray &path,
                                  const QByteArray &contentType, const QByteArray &body)
{
    const QByteArray files = "/files/";
    if (method == "GET" && path.startsWith(files)) {
        const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(path.mid(files.size())));
        QFile file(m_folder.filePath(name));
        if (name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')) || !file.open(QIODevice::ReadOnly))
            return Answer(404, "Not Found", "no such file");
        return Answer(200, "OK", file.readAll());
    }
    if (method != "POST" || !path.startsWith("/upload"))
        return Answer(404, "Not Found", "not here");
    const Part part = ParseForm(contentType, body);
    if (part.fileName.isEmpty())
        return Answer(400, "Bad Request", "no file in the form");
    const QString name = StoreName(part.fileName);
    QFile file(m_folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(part.data) != part.data.size()) {
        file.remove();
        return Answer(500, "Internal Server Error", "the file could not be stored");
    }
    const QString address = QStringLiteral("http://127.0.0.1:%1/files/%2")
                                .arg(m_server.serverPort())
                                .arg(QString::fromLatin1(QUrl::toPercentEncoding(name)));
    emit stored(address);
    return Answer(200, "OK", address.toLatin1());
}

UploadEndpoint::Part UploadEndpoint::ParseForm(const QByteArray &contentType, const QByteArray &body)
{
    // The program's form uses the declared parameter as the whole delimiter
    // line, with no further "--" in front.
    const QByteArray delimiter = Parameter(contentType, "boundary");
    if (!contentType.startsWith("multipart/form-data") || delimiter.isEmpty()
        || !body.startsWith(delimiter + "\r\n"))
        return {};
    const qsizetype headStart = delimiter.size() + 2;
    const qsizetype headEnd = body.indexOf("\r\n\r\n", headStart);
    const qsizetype dataEnd = body.indexOf("\r\n" + delimiter + "--", headEnd);
    if (headEnd < 0 || dataEnd < 0)
        return {};
    QByteArray disposition;
    for (const QByteArray &line : body.mid(headStart, headEnd - headStart).split('\n')) {
        if (line.toLower().startsWith("content-disposition:"))
            disposition = line.trimmed();
    }
    if (Parameter(disposition, "name") != "qvfile")
        return {};
    return {QString::fromUtf8(Parameter(disposition, "filename")), body.mid(headEnd + 4, dataEnd - headEnd - 4)};
}

QString UploadEndpoint::StoreName(const QString &wanted) const
{
    // Only the last component, never hidden, never over an earlier file.
    QString base = QFileInfo(wanted).fileName();
    if (base.isEmpty() || base.startsWith(QLatin1Char('.')))
        base.prepend(QLatin1String("file"));
    QString name = base;
    for (int n = 2; m_folder.exists(name); ++n)
        name = QStringLiteral("%1-%2").arg(n).arg(base);
    return name;
}

} // namespace harness
