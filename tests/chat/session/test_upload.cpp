// The file upload against a local HTTP server that records the raw request.

#include "plugins/chat/session/FileUpload.h"
#include "tests/TestUtil.h"

#include "tests/harness/TestPki.h"
#include "tests/harness/UploadEndpoint.h"

#include <QFile>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Answers every complete request with the configured status and body.
class RecordingServer : public QObject
{
public:
    explicit RecordingServer(int status = 200, QByteArray answer = "  http://files/x  \r\n",
                             QTcpServer *server = nullptr)
        : m_server(server ? *server : m_plain), m_status(status), m_answer(std::move(answer))
    {
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                ++connections;
                connect(s, &QTcpSocket::readyRead, this, [this, s] { OnData(s); });
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/up").arg(m_server.serverPort()); }
    quint16 port() const { return m_server.serverPort(); }

    QByteArray request; // whole request as received
    QByteArray body;
    int connections = 0;
    bool complete = false;

private:
    void OnData(QTcpSocket *s)
    {
        request += s->readAll();
        const int end = request.indexOf("\r\n\r\n");
        if (end < 0 || complete)
            return;
        qint64 length = 0;
        for (const QByteArray &line : request.left(end).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (request.size() - end - 4 < length)
            return;
        complete = true;
        body = request.mid(end + 4);
        s->write("HTTP/1.1 " + QByteArray::number(m_status) + " X\r\nContent-Length: "
                 + QByteArray::number(m_answer.size()) + "\r\nConnection: close\r\n\r\n" + m_answer);
        s->disconnectFromHost();
    }

    QTcpServer m_plain;
    QTcpServer &m_server;
    int m_status;
    QByteArray m_answer;
};

struct Fixture : ::testing::Test
{
    QTemporaryDir dir;
    QString Write(const QString &name, const QByteArray &data)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return f.fileName();
    }
};

using Upload = Fixture;

} // namespace

TEST_F(Upload, SendsTheExactBodyAndReportsTheTrimmedAnswer)
{
    RecordingServer server;
    FileUpload upload;
    QSignalSpy done(&upload, &FileUpload::finished);
    QSignalSpy failed(&upload, &FileUpload::failed);
    const QString path = Write("my file.txt", "hello");
    ASSERT_TRUE(upload.Start(server.url(), path));
    ASSERT_TRUE(waitUntil([&] { return done.size() + failed.size() > 0; }));
    ASSERT_EQ(done.size(), 1) << failed.value(0).value(0).toString().toStdString();
    EXPECT_EQ(done[0][0].toString(), path);
    EXPECT_EQ(done[0][1].toString(), "http://files/x");

    const QByteArray boundary = "--FileUpload{68886432-6F8C-4851-99F9-C8FD4DE2691F}";
    const QByteArray expected = boundary + "\r\n"
        "Content-Disposition: form-data; name=\"qvfile\"; filename=\"my-file.txt\"\r\n"
        "Content-Type: application/octet-stream\r\n"
        "Content-Transfer-Encoding: binary\r\n\r\n"
        "hello\r\n" + boundary + "--\r\n";
    EXPECT_EQ(server.body, expected);
    EXPECT_EQ(expected.size(), 261);
    EXPECT_TRUE(server.request.startsWith("POST /up HTTP/1.1\r\n"));
    EXPECT_TRUE(server.request.contains("\r\nContent-Length: 261\r\n"));
    EXPECT_TRUE(server.request.contains("\r\nUser-Agent: Ostrel\r\n"));
    EXPECT_TRUE(server.request.contains("\r\nContent-Type: multipart/form-data; boundary=" + boundary + "\r\n"));
    EXPECT_FALSE(upload.IsRunning());
}

TEST_F(Upload, ProgressCountsFileBytes)
{
    struct Case { QByteArray data; qint64 length; };
    for (const Case &c : {Case{QByteArray(), 250}, Case{QByteArray(10000, 'x'), 10250}}) {
        RecordingServer server;
        FileUpload upload;
        QSignalSpy progress(&upload, &FileUpload::progress);
        QSignalSpy done(&upload, &FileUpload::finished);
        ASSERT_TRUE(upload.Start(server.url(), Write("f.bin", c.data)));
        ASSERT_TRUE(waitUntil([&] { return done.size() == 1; }));
        EXPECT_EQ(server.body.size(), c.length);
        ASSERT_GE(progress.size(), 1);
        EXPECT_EQ(progress.first()[0].toLongLong(), 0);
        EXPECT_EQ(progress.last()[0].toLongLong(), c.data.size());
        qint64 previous = -1;
        for (const auto &p : progress) {
            EXPECT_GT(p[0].toLongLong(), previous);
            EXPECT_EQ(p[1].toLongLong(), c.data.size());
            previous = p[0].toLongLong();
        }
        if (c.data.isEmpty()) {
            EXPECT_EQ(progress.size(), 1);
        }
    }
}

TEST_F(Upload, FailuresAreReportedAndNothingIsFinished)
{
    const QString file = Write("a.txt", "abc");
    struct Case { const char *what; int status; bool refused; bool missing; };
    for (const Case &c : {Case{"status 500", 500, false, false}, Case{"refused", 200, true, false},
                          Case{"missing file", 200, false, true}}) {
        SCOPED_TRACE(c.what);
        auto server = std::make_unique<RecordingServer>(c.status, "oops");
        QString url = server->url();
        if (c.refused)
            server.reset();
        FileUpload upload;
        QSignalSpy done(&upload, &FileUpload::finished);
        QSignalSpy failed(&upload, &FileUpload::failed);
        const bool started = upload.Start(url, c.missing ? dir.filePath("none") : file);
        EXPECT_EQ(started, !c.missing);
        ASSERT_TRUE(waitUntil([&] { return failed.size() == 1; }));
        EXPECT_FALSE(failed[0][0].toString().isEmpty());
        if (c.missing) {
            EXPECT_EQ(failed[0][0].toString(), "Unable to open the file.");
            QCoreApplication::processEvents();
            EXPECT_EQ(server->connections, 0);
        }
        EXPECT_TRUE(done.isEmpty());
        EXPECT_FALSE(upload.IsRunning());
    }
}

TEST_F(Upload, SecondStartIsRefusedAndTheFirstCompletes)
{
    RecordingServer server;
    FileUpload upload;
    QSignalSpy done(&upload, &FileUpload::finished);
    QSignalSpy failed(&upload, &FileUpload::failed);
    ASSERT_TRUE(upload.Start(server.url(), Write("one.txt", "1")));
    EXPECT_FALSE(upload.Start(server.url(), Write("two.txt", "2")));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toString(), "Another file is uploading now");
    ASSERT_TRUE(waitUntil([&] { return done.size() == 1; }));
    EXPECT_TRUE(server.body.contains("filename=\"one.txt\""));
}

TEST_F(Upload, OnlyTheFirst2KiBOfTheAnswerAreKept)
{
    RecordingServer server(201, QByteArray(100000, 'a'));
    FileUpload upload;
    QSignalSpy done(&upload, &FileUpload::finished);
    ASSERT_TRUE(upload.Start(server.url(), Write("a.txt", "a")));
    ASSERT_TRUE(waitUntil([&] { return done.size() == 1; }));
    EXPECT_EQ(done[0][1].toString(), QString(2048, 'a'));
}

TEST_F(Upload, NameCannotBreakThePartHeader)
{
    EXPECT_EQ(FileUpload::AnnouncedName("/d/a \"b\"\r\nc d.tar.gz"), "a-_b___c-d.tar.gz");
    EXPECT_EQ(FileUpload::AnnouncedName("/d/plain"), "plain");
}

TEST_F(Upload, AFileThatShrinksWhileSendingFails)
{
    RecordingServer server;
    FileUpload upload;
    QSignalSpy done(&upload, &FileUpload::finished);
    QSignalSpy failed(&upload, &FileUpload::failed);
    const QString path = Write("shrinks.bin", QByteArray(4 << 20, 'x'));
    ASSERT_TRUE(upload.Start(server.url(), path));
    ASSERT_TRUE(QFile::resize(path, 1000));
    ASSERT_TRUE(waitUntil([&] { return done.size() + failed.size() > 0; }));
    EXPECT_TRUE(done.isEmpty());
    EXPECT_FALSE(server.complete);
}

// https goes to the address's own port with the certificate verified.
TEST_F(Upload, HttpsVerifiesTheServer)
{
    const harness::TestPki &pki = harness::TestPki::Shared();
    ASSERT_TRUE(pki.ok) << pki.error.toStdString();
    auto load = [](const QString &name) {
        QFile f(name);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    };
    struct Case { const harness::CertPair *cert; bool accepted; };
    for (const Case &c : {Case{&pki.localhost, true}, Case{&pki.selfSigned, false}}) {
        QSslServer tls;
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(QSslCertificate(load(c.cert->cert)));
        config.setPrivateKey(QSslKey(load(c.cert->key), QSsl::Ec));
        tls.setSslConfiguration(config);
        RecordingServer server(200, "https://files/y", &tls);
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        trusting.addCaCertificates(QSslCertificate::fromData(load(pki.caCert)));
        QSslConfiguration::setDefaultConfiguration(trusting);

        FileUpload upload;
        QSignalSpy done(&upload, &FileUpload::finished);
        QSignalSpy failed(&upload, &FileUpload::failed);
        ASSERT_TRUE(upload.Start(QStringLiteral("https://localhost:%1/up").arg(server.port()), Write("s.txt", "s")));
        ASSERT_TRUE(waitUntil([&] { return done.size() + failed.size() > 0; }));
        EXPECT_EQ(done.size(), c.accepted ? 1 : 0);
        EXPECT_EQ(server.complete, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(done[0][1].toString(), "https://files/y");
        }
    }
}

// The demo's upload address reads the form the program sends.
TEST_F(Upload, TheEndpointStoresTheFileAndAnswersItsAddress)
{
    QTemporaryDir store;
    harness::UploadEndpoint endpoint(store.path());
    ASSERT_TRUE(endpoint.Start());
    const QByteArray data = QByteArray("line\r\n") + QByteArray(5000, '\0') + "\r\n--end";
    for (int round = 0; round < 2; ++round) {
        FileUpload upload;
        QSignalSpy done(&upload, &FileUpload::finished);
        QSignalSpy failed(&upload, &FileUpload::failed);
        ASSERT_TRUE(upload.Start(endpoint.Url(), Write("my report.bin", data)));
        ASSERT_TRUE(waitUntil([&] { return done.size() + failed.size() > 0; }));
        ASSERT_EQ(done.size(), 1) << failed.value(0).value(0).toString().toStdString();
        const QString address = done[0][1].toString();
        const QString name = round == 0 ? "my-report.bin" : "2-my-report.bin";
        EXPECT_EQ(address, endpoint.Url().replace("/upload", "/files/" + name));
        QFile stored(store.filePath(name));
        ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
        EXPECT_EQ(stored.readAll(), data);
    }
}

TEST_F(Upload, DestroyingAbortsTheUpload)
{
    RecordingServer server;
    auto upload = std::make_unique<FileUpload>();
    ASSERT_TRUE(upload->Start(server.url(), Write("big.bin", QByteArray(16 << 20, 'x'))));
    ASSERT_TRUE(waitUntil([&] { return server.connections == 1; }));
    upload.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(server.complete);
}

// A server that takes the body and never answers, or stops taking it: the
// upload gives up, says why, and the next file can go.
TEST_F(Upload, AStalledUploadFailsAndTheNextOneCanGo)
{
    struct Case { const char *what; bool reads; qint64 size; int stallMs, answerMs; const char *says; };
    for (const Case &c : {Case{"no answer after the body", true, 10, 60000, 200, "did not answer"},
                          Case{"body not taken", false, 16 << 20, 300, 60000, "nothing could be sent"}}) {
        SCOPED_TRACE(c.what);
        QTcpServer silent;
        ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
        QByteArray received;
        QObject::connect(&silent, &QTcpServer::pendingConnectionAvailable, [&] {
            QTcpSocket *s = silent.nextPendingConnection();
            if (c.reads)
                QObject::connect(s, &QTcpSocket::readyRead, [&, s] { received += s->readAll(); });
            else
                s->setReadBufferSize(1024); // full at once: the socket stops reading
        });
        FileUpload upload;
        upload.SetTimeouts(c.stallMs, c.answerMs);
        QSignalSpy failed(&upload, &FileUpload::failed);
        const QString url = QStringLiteral("http://127.0.0.1:%1/up").arg(silent.serverPort());
        ASSERT_TRUE(upload.Start(url, Write("a.bin", QByteArray(c.size, 'x'))));
        ASSERT_TRUE(waitUntil([&] { return !failed.isEmpty(); }, 20000));
        EXPECT_TRUE(failed[0][0].toString().contains(QLatin1String(c.says))) << failed[0][0].toString().toStdString();
        EXPECT_FALSE(upload.IsRunning());
        if (c.reads)
            EXPECT_TRUE(received.endsWith(FileUpload::PartTail())) << "the body was not all sent";
        RecordingServer next;
        QSignalSpy done(&upload, &FileUpload::finished);
        ASSERT_TRUE(upload.Start(next.url(), Write("b.txt", "b")));
        ASSERT_TRUE(waitUntil([&] { return done.size() == 1; }));
    }
}
