// CWirlam's service traffic through Prosody: the chat-service simulator plays
// the service behind the relay module, and the bus's data cache keeps its
// files in a test folder.

#include "tests/TestPayloads.h"
#include "tests/xmpp/WirlamBus.h"
#include "tests/xmpp/XmlCompare.h"

#include "bus/DataCache.h"
#include "tests/harness/ChatServiceSimulator.h"

#include <QFile>

#include "shared/Md5.h"

#include <gtest/gtest.h>

namespace {

using namespace QVPlugin;
using harness::ChatServiceSimulator;
using harness::ProsodyFixture;

const std::string kList = "<quicktexts><text>Hello, how can I help?</text></quicktexts>";

class ServiceProsody : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        ASSERT_TRUE(server.Start()) << server.ErrorText().toStdString();
        bus.manager->SetPreDispatchHandler(std::make_unique<CDataCache>(bus.manager.get(), bus.dir.path()));
        simulator = std::make_unique<ChatServiceSimulator>(
            ChatServiceSimulator::Config{"127.0.0.1", server.Port(), server.Jid("sim"), server.PasswordOf("sim")});
        ASSERT_TRUE(simulator->Start()) << simulator->ErrorText().toStdString();
        ASSERT_TRUE(bus.SignIn(server));
    }

    // The service's answer to a data request: "info" as asked, then the answer's own element.
    void Answer(const gloox::Tag &request, const std::string &answer)
    {
        auto reply = xmltest::ParseXml("<iq type='result' id='qv-data-message'>" + answer + "</iq>");
        ASSERT_TRUE(reply && request.findChild("info"));
        reply->addAttribute("to", request.findAttribute("from"));
        reply->addChildCopy(request.findChild("info"));
        simulator->Send(*reply);
    }

    QByteArray SavedList() const
    {
        QFile file(bus.dir.filePath("Server/acc-1/quicktext.xml"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    ProsodyFixture server;
    xmpptest::WirlamBus bus;
    std::unique_ptr<ChatServiceSimulator> simulator;
};

TEST_F(ServiceProsody, AServerCommandReachesTheServiceAndItsAnswerComesBack)
{
    ServerMessage command("caf\xc3\xa9 & more", "open-visitor-chat", "v-17");
    EXPECT_EQ(bus.Send(MSG_SERVER_SET, &command), 2);
    const auto request = simulator->ExpectIq("quelvar:tessary", 10000);
    ASSERT_TRUE(request);
    EXPECT_TRUE(xmltest::SameXml(request->findChild("message"), "<message xmlns='quelvar:tessary' "
                                 "type='open-visitor-chat' sessionid='v-17'>caf\xc3\xa9 &amp; more</message>"));
    EXPECT_EQ(request->findAttribute("type"), "set");

    const auto answer = xmltest::ParseXml(
        "<message xmlns='quelvar:tessary' type='visitor-state-change' sessionid='v-17'>accepted</message>");
    simulator->Reply(*request, answer.get());
    const auto received = bus.Take<ServerMessage>(MSG_SERVER_MESSAGE_RECEIVED);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->type, "visitor-state-change");
    EXPECT_EQ(received->sessionId, "v-17");
    EXPECT_EQ(received->text, "accepted");
}

TEST_F(ServiceProsody, QuickTextsAreFetchedSavedAndThenAskedForByTheirHash)
{
    // No local copy: the cache answers -1 and asks the service without a hash.
    DataInfo fetch = MakeDataInfo(DataInfo::Server, "acc-1", "quicktext.xml");
    EXPECT_EQ(bus.Send(MSG_DATA_FETCH, &fetch), -1);
    auto request = simulator->ExpectIq("quelvar:data", 10000);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->findAttribute("type"), "get");
    EXPECT_TRUE(xmltest::SameXml(request->findChild("data"), "<data xmlns='quelvar:data'/>"));
    const std::string hash = Md5Hex(kList);
    Answer(*request, "<data xmlns='quelvar:data' hash='" + hash + "'>"
                         + QByteArray::fromStdString(kList).toBase64().toStdString() + "</data>");
    auto received = bus.Take<DataInfo>(MSG_DATA_RECEIVED);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->data, kList);
    EXPECT_EQ(received->hash, hash);
    EXPECT_EQ(received->account, "acc-1");
    EXPECT_EQ(SavedList(), QByteArray::fromStdString(kList));

    // Now the copy answers at once and the request carries its hash.
    EXPECT_EQ(bus.Send(MSG_DATA_FETCH, &fetch), 1);
    received = bus.Take<DataInfo>(MSG_DATA_RECEIVED);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->data, kList);
    request = simulator->ExpectIq("quelvar:data", 10000);
    ASSERT_TRUE(request);
    EXPECT_TRUE(xmltest::SameXml(request->findChild("data"), "<data xmlns='quelvar:data' hash='" + hash + "'/>"));
    Answer(*request, "<current xmlns='quelvar:data'/>");
    ASSERT_TRUE(bus.Take<DataInfo>(MSG_DATA_CURRENT));
    EXPECT_EQ(SavedList(), QByteArray::fromStdString(kList));

    // "changed" carries no data: the plug-ins hear it, the copy stays.
    EXPECT_EQ(bus.Send(MSG_DATA_FETCH, &fetch), 1);
    ASSERT_TRUE(bus.Take<DataInfo>(MSG_DATA_RECEIVED));
    request = simulator->ExpectIq("quelvar:data", 10000);
    ASSERT_TRUE(request);
    Answer(*request, "<changed xmlns='quelvar:data'/>");
    received = bus.Take<DataInfo>(MSG_DATA_RECEIVED);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->data, "");
    EXPECT_EQ(SavedList(), QByteArray::fromStdString(kList));
}

} // namespace
