#include "tests/harness/ChatServiceSimulator.h"

#include <gloox/client.h>
#include <gloox/connectionlistener.h>
#include <gloox/jid.h>

#include <chrono>

namespace harness {

// The gloox client: hands every stanza of the open session to the simulator
// and keeps iq requests away from the library's automatic answers.
class ChatServiceSimulator::Client : public gloox::Client, public gloox::ConnectionListener
{
public:
    Client(ChatServiceSimulator *owner, const gloox::JID &jid, const std::string &password, int port)
        : gloox::Client(jid, password, port), m_owner(owner)
    {
        registerConnectionListener(this);
    }

    void handleTag(gloox::Tag *tag) override
    {
        if (tag && m_owner->m_online) {
            const std::string &name = tag->name();
            if (name == "message" || name == "presence" || name == "iq") {
                m_owner->OnStanza(*tag);
                const std::string &type = tag->findAttribute("type");
                if (name == "iq" && (type == "get" || type == "set"))
                    return;
            }
        }
        gloox::ClientBase::handleTag(tag);
    }

    void SendRaw(const std::string &xml) { send(xml); }

    void onConnect() override { m_owner->OnStateChange(true, gloox::ConnNoError, gloox::StreamErrorUndefined); }
    void onDisconnect(gloox::ConnectionError e) override { m_owner->OnStateChange(false, e, streamError()); }
    // The test server's certificate is the harness's own.
    bool onTLSConnect(const gloox::CertInfo &) override { return true; }

private:
    ChatServiceSimulator *m_owner;
};

ChatServiceSimulator::ChatServiceSimulator(Config config) : m_config(std::move(config)) {}

ChatServiceSimulator::~ChatServiceSimulator()
{
    Stop();
}

bool ChatServiceSimulator::Start(int timeoutMs)
{
    Stop();
    m_stop = false;
    m_online = false;
    m_ended = false;
    m_lastError = gloox::ConnNoError;
    m_fullJid = m_config.jid.toStdString() + '/' + m_config.resource.toStdString();
    m_thread = std::thread([this] { Run(); });
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_online || m_ended; })
           && m_online;
}

void ChatServiceSimulator::Stop()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    m_thread.join();
}

QString ChatServiceSimulator::ErrorText() const
{
    if (m_online)
        return {};
    return QStringLiteral("simulator %1 not signed in: gloox connection error %2, stream error %3")
        .arg(m_config.jid)
        .arg(int(m_lastError.load()))
        .arg(int(m_lastStreamError.load()));
}

std::string ChatServiceSimulator::FullJid() const
{
    return m_fullJid;
}

void ChatServiceSimulator::Run()
{
    gloox::JID jid(m_config.jid.toStdString());
    jid.setResource(m_config.resource.toStdString());
    Client client(this, jid, m_config.password.toStdString(), m_config.port);
    client.setServer(m_config.host.toStdString());
    client.setTls(gloox::TLSRequired);
    client.setCompression(false);
    client.disableRoster();
    if (!client.connect(false)) {
        OnStateChange(false, gloox::ConnConnectionRefused, gloox::StreamErrorUndefined);
        return;
    }
    while (!m_stop) {
        std::deque<std::string> outgoing;
        {
            std::lock_guard lock(m_lock);
            outgoing.swap(m_outgoing);
        }
        for (const std::string &xml : outgoing)
            client.SendRaw(xml);
        if (!outgoing.empty())
            m_writtenAt = std::chrono::steady_clock::now().time_since_epoch().count();
        // The timeout is in microseconds: sends wait at most this long.
        if (client.recv(20000) != gloox::ConnNoError && !m_online)
            break;
    }
    if (m_online)
        client.disconnect();
}

void ChatServiceSimulator::OnStanza(const gloox::Tag &tag)
{
    {
        std::lock_guard lock(m_lock);
        m_received.emplace_back(tag.clone());
    }
    m_changed.notify_all();
}

void ChatServiceSimulator::OnStateChange(bool online, gloox::ConnectionError error, gloox::StreamError streamError)
{
    {
        std::lock_guard lock(m_lock);
        m_online = online;
        if (!online) {
            m_ended = true;
            m_lastError = error;
            m_lastStreamError = streamError;
        }
    }
    m_changed.notify_all();
}

std::unique_ptr<gloox::Tag> ChatServiceSimulator::Expect(const Match &match, int timeoutMs)
{
    std::unique_lock lock(m_lock);
    std::unique_ptr<gloox::Tag> found;
    m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (auto it = m_received.begin(); it != m_received.end(); ++it) {
            if (match(**it)) {
                found = std::move(*it);
                m_received.erase(it);
                return true;
            }
        }
        return false;
    });
    return found;
}

std::unique_ptr<gloox::Tag> ChatServiceSimulator::ExpectIq(const std::string &xmlns, int timeoutMs)
{
    return Expect(
        [&](const gloox::Tag &t) {
            if (t.name() != "iq" || t.children().empty())
                return false;
            return t.children().front()->xmlns() == xmlns;
        },
        timeoutMs);
}

bool ChatServiceSimulator::WaitForDisconnect(int timeoutMs)
{
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_ended.load(); });
}

void ChatServiceSimulator::Send(const std::string &xml)
{
    std::lock_guard lock(m_lock);
    m_outgoing.push_back(xml);
}

void ChatServiceSimulator::Reply(const gloox::Tag &request, const gloox::Tag *payload)
{
    gloox::Tag reply("iq");
    reply.addAttribute("type", "result");
    reply.addAttribute("id", request.findAttribute("id"));
    reply.addAttribute("to", request.findAttribute("from"));
    if (payload)
        reply.addChild(payload->clone());
    Send(reply);
}

} // namespace harness
