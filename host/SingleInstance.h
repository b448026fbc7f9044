#pragma once
// Keeps one copy of the program per user. A second start first tries the
// running copy's local socket and asks it to come forward; when nobody
// answers it waits for the instance lock file, and only its holder becomes
// the running copy and listens on the socket.
//
// Both live in the user's runtime folder, so copies of different users
// never meet. User-interface thread only.

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    // folder: where the socket and the lock file live; empty = the user's
    // runtime folder.
    explicit CSingleInstance(const QString &folder = QString(), QObject *parent = nullptr);
    ~CSingleInstance() override;

    // True when a running copy answered and was asked to come forward.
    bool ActivateRunningCopy();
    // Takes the instance lock, waiting at most waitMs; false when another
    // copy holds it.
    bool Lock(int waitMs);
    // Listens for later starts (after Lock); false when the socket cannot be
    // made.
    bool Listen();

    QString SocketName() const;
    QString LockFileName() const;

signals:
    // A later start asked this copy to come forward.
    void ActivationRequested();

private:
    void OnNewConnection();
    void ReadRequests(QLocalSocket *socket);

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
