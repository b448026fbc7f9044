// CWirlam's service traffic through Prosody: the chat-service simulator plays
// the service behind the relay module, a fake chat plug-in sends and hears
// on the bus, and the bus's data cache keeps its files in a test folder.

#include "tests/TestPayloads.h"
#include "tests/bus/FakePlugin.h"
#include "tests/xmpp/WirlamBus.h"
#include "tests/xmpp/tasks/XmlCompare.h"

#include "bus/DataCache.h"
#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/ProsodyFixture.h"

#include <gloox/tag.h>

#include <QFile>

#include <gtest/gtest.h>

namespace {

using namespace QVPlugin;
using harness::ChatServiceSimulator;
using harness::ProsodyFixture;

const std::string kList = "<quicktexts><text>Hello, how can I help?</text></quicktexts>";

struct Heard
{
    QUuid id;
    std::unique_ptr<IMessage> payload;
};

class ServiceProsody : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        ASSERT_TRUE(server.Start()) << server.ErrorText().toStdString();
        bus.manager->SetSetting(QStringLiteral("server.cafile"), server.CaFile());
        cacheFolder = bus.dir.filePath(QStringLiteral("cache"));
        bus.manager->SetPreDispatchHandler(std::make_unique<CDataCache>(bus.manager.get(), cacheFolder));

        chat = new bustest::FakePlugin(QStringLiteral("chat"));
        chat->onMessage = [this](const QUuid &id, IMessage *in, IMessage *) {
            for (const QUuid &wanted : {MSG_SERVER_MESSAGE_RECEIVED, MSG_DATA_RECEIVED, MSG_DATA_CURRENT})
                if (id == wanted)
                    heard.push_back({id, std::unique_ptr<IMessage>(in->Clone())});
            return RESULT_NOT_HANDLED;
        };
        ASSERT_TRUE(bus.manager->AddPlugin(chat, PLUGIN_ORDER_LIVE_CHAT));

        simulator = std::make_unique<ChatServiceSimulator>(ChatServiceSimulator::Config{
            QStringLiteral("127.0.0.1"), server.Port(), server.Jid(QStringLiteral("sim")),
            server.PasswordOf(QStringLiteral("sim"))});
        ASSERT_TRUE(simulator->Start()) << simulator->ErrorText().toStdString();
        ASSERT_EQ(bus.Login(server.Jid(QStringLiteral("agent")), server.PasswordOf(QStringLiteral("agent")),
                            server.Address()),
                  2);
        ASSERT_TRUE(bus.WaitFor(QStringLiteral("connected"))) << server.Log().toStdString();
    }

    int Send(const QUuid &id, IMessage *payload) { return chat->host_->SendMessage(id, payload, nullptr); }

    // The next message the chat plug-in hears with this id; null when none
    // comes in time.
    template <typename T>
    std::unique_ptr<T> Hear(const QUuid &id)
    {
        const auto find = [&] {
            return std::find_if(heard.begin(), heard.end(), [&](const Heard &h) { return h.id == id; });
        };
        if (!waitUntil([&] { return find() != heard.end(); }, 10000))
            return nullptr;
        const auto it = find();
        std::unique_ptr<T> payload(static_cast<T *>(it->payload.release()));
        heard.erase(it);
        return payload;
    }

    // The service's answer to a data request: "info" as asked, then the
    // answer's own element.
    void Answer(const gloox::Tag &request, const std::string &answer)
    {
        auto reply = xmltest::ParseXml("<iq type='result' id='qv-data-message'>" + answer + "</iq>");
        ASSERT_TRUE(reply);
        reply->addAttribute("to", request.findAttribute("from"));
        const gloox::Tag *info = request.findChild("info");
        ASSERT_TRUE(info);
        reply->addChildCopy(info);
        simulator->Send(*reply);
    }

    // The request's payload, wrapped in one element.
    static std::string Children(const gloox::Tag &stanza)
    {
        std::string xml = "<x>";
        for (const gloox::Tag *child : stanza.children())
            xml += child->xml();
        return xml + "</x>";
    }

    QByteArray SavedList() const
    {
        QFile file(cacheFolder + QStringLiteral("/Server/acc-1/quicktext.xml"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    ProsodyFixture server;
    xmpptest::WirlamBus bus;
    QString cacheFolder;
    bustest::FakePlugin *chat = nullptr; // owned by the bus
    std::unique_ptr<ChatServiceSimulator> simulator;
    std::vector<Heard> heard;
};

TEST_F(ServiceProsody, AServerCommandReachesTheServiceAndItsAnswerComesBack)
{
    ServerMessage command("caf\xc3\xa9 & more", "open-visitor-chat", "v-17");
    EXPECT_EQ(Send(MSG_SERVER_SET, &command), 2);
    const auto request = simulator->ExpectIq("quelvar:tessary", 10000);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->findAttribute("type"), "set");
    EXPECT_EQ(request->findAttribute("id"), "qv-system-message");
    const gloox::Tag *message = request->findChild("message");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->findAttribute("type"), "open-visitor-chat");
    EXPECT_EQ(message->findAttribute("sessionid"), "v-17");
    EXPECT_EQ(message->cdata(), "caf\xc3\xa9 & more");

    const auto answer = xmltest::ParseXml(
        "<message xmlns='quelvar:tessary' type='visitor-state-change' sessionid='v-17'>accepted</message>");
    simulator->Reply(*request, answer.get());
    const auto received = Hear<ServerMessage>(MSG_SERVER_MESSAGE_RECEIVED);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->type, "visitor-state-change");
    EXPECT_EQ(received->sessionId, "v-17");
    EXPECT_EQ(received->text, "accepted");
}

TEST_F(ServiceProsody, QuickTextsAreFetchedSavedAndThenAskedForByTheirHash)
{
    // No local copy: the cache answers -1 and asks the service without a hash.
    DataInfo fetch = MakeDataInfo(DataInfo::Server, "acc-1", "quicktext.xml");
    EXPECT_EQ(Send(MSG_DATA_FETCH, &fetch), -1);
    auto request = simulator->ExpectIq("quelvar:data", 10000);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->findAttribute("type"), "get");
    EXPECT_EQ(request->findAttribute("id"), "qv-data-message");
    EXPECT_TRUE(xmltest::SameXml(xmltest::ParseXml(Children(*request)).get(),
                                 "<x><info xmlns='quelvar:data' type='server' key='quicktext.xml' account='acc-1'/>"
                                 "<data xmlns='quelvar:data'/></x>"));
    const std::string hash = CDataCache::Md5Hex(kList);
    Answer(*request, "<data xmlns='quelvar:data' hash='" + hash + "'>" + QByteArray::fromStdString(kList)
                         .toBase64().toStdString() + "</data>");
    auto received = Hear<DataInfo>(MSG_DATA_RECEIVED);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->data, kList);
    EXPECT_EQ(received->hash, hash);
    EXPECT_EQ(received->account, "acc-1");
    EXPECT_EQ(SavedList(), QByteArray::fromStdString(kList));

    // Now the copy answers at once and the request carries its hash.
    EXPECT_EQ(Send(MSG_DATA_FETCH, &fetch), 1);
    received = Hear<DataInfo>(MSG_DATA_RECEIVED);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->data, kList);
    request = simulator->ExpectIq("quelvar:data", 10000);
    ASSERT_TRUE(request);
    const gloox::Tag *data = request->findChild("data");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->findAttribute("hash"), hash);
    EXPECT_EQ(data->cdata(), "");
    Answer(*request, "<current xmlns='quelvar:data'/>");
    const auto current = Hear<DataInfo>(MSG_DATA_CURRENT);
    ASSERT_TRUE(current);
    EXPECT_EQ(current->name, "quicktext.xml");
    EXPECT_EQ(SavedList(), QByteArray::fromStdString(kList));

    // "changed" carries no data: the plug-ins hear it, the copy stays.
    EXPECT_EQ(Send(MSG_DATA_FETCH, &fetch), 1);
    ASSERT_TRUE(Hear<DataInfo>(MSG_DATA_RECEIVED));
    request = simulator->ExpectIq("quelvar:data", 10000);
    ASSERT_TRUE(request);
    Answer(*request, "<changed xmlns='quelvar:data'/>");
    received = Hear<DataInfo>(MSG_DATA_RECEIVED);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->data, "");
    EXPECT_EQ(SavedList(), QByteArray::fromStdString(kList));
}

} // namespace
