// Agents' pictures against a local HTTP server: one fetch per JID in queue
// order with the JID encoded, failures retried after the others and after a
// wait, and a stop that aborts the pending request.

#include "plugins/chat/AgentPictures.h"
#include "tests/TestUtil.h"

#include <QBuffer>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <deque>

using QVPlugin::Jid;

namespace {

// Answers each GET with the next scripted status (200 with a picture when
// the script is empty), or holds it unanswered when the status is 0.
class PictureServer : public QObject
{
public:
    PictureServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] { OnData(s); });
                connect(s, &QTcpSocket::disconnected, this, [this] { ++closed; });
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
        QBuffer png(&picture);
        png.open(QIODevice::WriteOnly);
        QImage(3, 2, QImage::Format_RGB32).save(&png, "PNG");
    }
    QString Base() const { return QStringLiteral("http://127.0.0.1:%1/qvx/").arg(m_server.serverPort()); }

    std::deque<int> script;
    QList<QByteArray> paths;
    QByteArray picture;
    int closed = 0;

private:
    void OnData(QTcpSocket *s)
    {
        QByteArray &head = m_heads[s];
        head += s->readAll();
        if (!head.contains("\r\n\r\n"))
            return;
        paths.append(head.split(' ').value(1));
        const int status = script.empty() ? 200 : script.front();
        if (!script.empty())
            script.pop_front();
        if (status == 0)
            return;
        const QByteArray body = status == 200 ? picture : QByteArray("no");
        s->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: "
                 + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_heads;
};

struct Arrivals
{
    explicit Arrivals(CAgentPictures &pictures)
    {
        QObject::connect(&pictures, &CAgentPictures::pictureArrived, &pictures,
                         [this](const Jid &jid, const QImage &image) { list.append({jid.Str(), image.isNull()}); });
    }
    QList<QPair<QString, bool>> list; // JID, picture missing
};

const Jid kAnn(QStringLiteral("ann@chat.local/desk one&two"));
const Jid kBob(QStringLiteral("bob@chat.local"));

} // namespace

TEST(AgentPictures, EachJidIsFetchedOnceInOrderWithItsJidEncoded)
{
    PictureServer server;
    CAgentPictures pictures;
    Arrivals arrived(pictures);
    pictures.Request(kAnn);
    EXPECT_TRUE(pictures.Picture(kBob).isNull());
    pictures.Request(kAnn);
    pictures.SetBaseUrl(server.Base());
    ASSERT_TRUE(waitUntil([&] { return arrived.list.size() == 2; }));
    EXPECT_EQ(server.paths, QList<QByteArray>({"/qvx/?t=ai&id=ann%40chat.local%2Fdesk%20one%26two",
                                               "/qvx/?t=ai&id=bob%40chat.local"}));
    EXPECT_EQ(pictures.Picture(kAnn).size(), QSize(3, 2));
    pictures.Request(kBob);
    EXPECT_EQ(pictures.Picture(kBob).size(), QSize(3, 2));
    EXPECT_EQ(server.paths.size(), 2);

    // An answer that is no picture is kept as a missing one.
    server.picture = "not a picture";
    const Jid cid(QStringLiteral("cid@chat.local"));
    pictures.Request(cid);
    ASSERT_TRUE(waitUntil([&] { return arrived.list.size() == 3; }));
    EXPECT_TRUE(arrived.list[2].second);
    EXPECT_TRUE(pictures.IsFetched(cid));
}

TEST(AgentPictures, AFailedFetchIsRetriedAfterTheOthersOrAfterTheInterval)
{
    PictureServer server;
    server.script = {500, 200, 500};
    CAgentPictures pictures(50);
    Arrivals arrived(pictures);
    pictures.SetBaseUrl(server.Base());
    pictures.Request(kAnn);
    pictures.Request(kBob);
    // Ann fails, Bob comes, Ann fails again alone and comes after the interval.
    ASSERT_TRUE(waitUntil([&] { return arrived.list.size() == 2; }));
    EXPECT_EQ(arrived.list[0].first, kBob.Str());
    EXPECT_EQ(arrived.list[1].first, kAnn.Str());
    EXPECT_FALSE(arrived.list[1].second);
    EXPECT_EQ(server.paths.size(), 4);
}

TEST(AgentPictures, StopAbortsThePendingRequest)
{
    PictureServer server;
    server.script = {0};
    CAgentPictures pictures;
    Arrivals arrived(pictures);
    pictures.SetBaseUrl(server.Base());
    pictures.Request(kAnn);
    pictures.Request(kBob);
    ASSERT_TRUE(waitUntil([&] { return server.paths.size() == 1; }));
    pictures.Stop();
    ASSERT_TRUE(waitUntil([&] { return server.closed == 1; }));
    pictures.Request(kBob);
    QCoreApplication::processEvents();
    EXPECT_TRUE(arrived.list.isEmpty());
    EXPECT_EQ(server.paths.size(), 1);
    EXPECT_FALSE(pictures.IsFetched(kAnn));
}

TEST(AgentPictures, AFailingWebModuleIsAskedAfterTheIntervalAndSoOftenAnHourOnly)
{
    // The fields join a query the web module's address already has.
    EXPECT_EQ(CAgentPictures::PictureUrl(QStringLiteral("http://h/qvx/upload?x=1"), kBob),
              QStringLiteral("http://h/qvx/upload?x=1&t=ai&id=bob%40chat.local"));
    EXPECT_EQ(CAgentPictures::PictureUrl(QStringLiteral("http://h/qvx/?"), kBob),
              QStringLiteral("http://h/qvx/?t=ai&id=bob%40chat.local"));

    PictureServer server;
    server.script.assign(100, 404);
    {
        // Two agents whose pictures fail: one request each, then the wait.
        CAgentPictures pictures;
        pictures.SetBaseUrl(server.Base());
        pictures.Request(kAnn);
        pictures.Request(kBob);
        ASSERT_TRUE(waitUntil([&] { return server.paths.size() == 2; }));
        EXPECT_FALSE(waitUntil([&] { return server.paths.size() > 2; }, 300));
    }
    server.paths.clear();
    // With no interval, three tries each and then nothing for the hour.
    CAgentPictures pictures(0, 3);
    pictures.SetBaseUrl(server.Base());
    pictures.Request(kAnn);
    pictures.Request(kBob);
    ASSERT_TRUE(waitUntil([&] { return server.paths.size() == 6; }));
    EXPECT_FALSE(waitUntil([&] { return server.paths.size() > 6; }, 300));
    EXPECT_FALSE(pictures.IsFetched(kAnn));
}
