#include "host/SingleInstance.h"

#include "host/HostLog.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

// Sent by a later start; the running copy answers nothing.
const QByteArray kActivate = QByteArrayLiteral("activate\n");
constexpr int kConnectTimeoutMs = 1000;

} // namespace

CSingleInstance::CSingleInstance(const QString &folder, QObject *parent)
    : QObject(parent),
      m_folder(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : folder)
{
}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::SocketName() const
{
    return QDir(m_folder).filePath(QStringLiteral("Quelvar.socket"));
}

QString CSingleInstance::LockFileName() const
{
    return QDir(m_folder).filePath(QStringLiteral("Quelvar Application.lock"));
}

bool CSingleInstance::ActivateRunningCopy()
{
    QLocalSocket socket;
    socket.connectToServer(SocketName());
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kActivate);
    const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

bool CSingleInstance::Lock(int waitMs)
{
    QDir().mkpath(m_folder);
    m_lock = std::make_unique<QLockFile>(LockFileName());
    if (m_lock->tryLock(waitMs))
        return true;
    m_lock.reset();
    return false;
}

bool CSingleInstance::Listen()
{
    // We hold the lock: a socket file left behind is a crashed copy's.
    QLocalServer::removeServer(SocketName());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(SocketName())) {
        qCWarning(lcHost) << "cannot listen on" << SocketName() << m_server->errorString();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    return true;
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequests(socket); });
        ReadRequests(socket); // what arrived before the connection was taken
    }
}

void CSingleInstance::ReadRequests(QLocalSocket *socket)
{
    // Only the one request exists; a line of anything else is ignored.
    while (socket->canReadLine()) {
        if (socket->readLine() == kActivate)
            emit ActivationRequested();
    }
    if (socket->bytesAvailable() > kActivate.size())
        socket->abort();
}
