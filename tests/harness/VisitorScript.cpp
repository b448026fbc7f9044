#include "tests/harness/VisitorScript.h"

#include <gloox/tag.h>

#include <QByteArray>
#include <QXmlStreamReader>

namespace harness::visitors {

namespace {

const std::string kSystemNs = "quelvar:tessary";
const std::string kSystemId = "qv-system-message";

std::string Percent(const std::string &value)
{
    return QByteArray::fromStdString(value).toPercentEncoding().toStdString();
}

Notice Plain(const char *type, const std::string &sid, const std::string &text = {})
{
    return Notice{type, sid, text};
}

} // namespace

std::unique_ptr<gloox::Tag> NoticeStanza(const std::string &to, const Notice &notice)
{
    auto iq = std::make_unique<gloox::Tag>("iq");
    iq->addAttribute("type", "result");
    iq->addAttribute("id", kSystemId);
    if (!to.empty())
        iq->addAttribute("to", to);
    // gloox escapes the text when it writes the stanza.
    auto *message = new gloox::Tag(iq.get(), "message", notice.text);
    message->setXmlns(kSystemNs);
    if (!notice.type.empty())
        message->addAttribute("type", notice.type);
    if (!notice.sessionId.empty())
        message->addAttribute("sessionid", notice.sessionId);
    return iq;
}

std::optional<Notice> ReadNotice(const gloox::Tag &stanza)
{
    if (stanza.name() != "iq" || stanza.findAttribute("type") != "result" || stanza.findAttribute("id") != kSystemId)
        return std::nullopt;
    const gloox::Tag *message = stanza.findChild("message", "xmlns", kSystemNs);
    if (!message)
        return std::nullopt;
    return Notice{message->findAttribute("type"), message->findAttribute("sessionid"), message->cdata()};
}

std::string FormText(const Pairs &pairs)
{
    std::string text;
    for (const auto &[name, value] : pairs) {
        if (!text.empty())
            text += '&';
        text += name + '=' + Percent(value);
    }
    return text;
}

std::string FlatXml(const std::string &root, const Pairs &elements)
{
    gloox::Tag document(root);
    for (const auto &[name, value] : elements)
        new gloox::Tag(&document, name, value);
    return document.xml();
}

Notice AccountData(const Account &account)
{
    Pairs elements{{"AccountID", account.accountId}, {"display-name", account.displayName}, {"key", account.key}};
    if (!account.kbUrl.empty())
        elements.emplace_back("brandle", account.kbUrl);
    if (!account.webModuleUrl.empty())
        elements.emplace_back("web-module-url", account.webModuleUrl);
    if (!account.departments.empty())
        elements.emplace_back("member-departments", account.departments);
    elements.emplace_back("geoipkey", account.geoIpKey);
    return Notice{"get-extra-info", {}, FlatXml("account", elements)};
}

Notice Tracking(const std::string &sid, const std::string &hash, const std::string &name, const Page &page,
                const Pairs &extra)
{
    Pairs pairs{{"sid", sid}, {"hash", hash}};
    if (!name.empty())
        pairs.emplace_back("qvvVID", name);
    pairs.insert(pairs.end(), {{"REMOTE_ADDR", "127.0.0.1"}, {"url", page.url}, {"Page", page.page},
                               {"Title", page.title}, {"Referrer", page.referrer}, {"qvv!ID", page.pageId}});
    if (page.seconds > 0)
        pairs.emplace_back("PageSeconds", std::to_string(page.seconds));
    pairs.insert(pairs.end(), extra.begin(), extra.end());
    return Notice{"qv-visitor-tracking", sid, FormText(pairs)};
}

Notice TrackingNotify(const std::string &sid, const std::string &hash)
{
    return Notice{"qv-vt-notify", {}, sid + ' ' + hash};
}

Notice VisitorInfo(const std::string &sid, const Pairs &elements, const std::string &trackingText,
                   bool sessionIdOnCarrier)
{
    Pairs all{{"visitor-id", sid}};
    all.insert(all.end(), elements.begin(), elements.end());
    if (!trackingText.empty())
        all.emplace_back("name-values", trackingText);
    return Notice{"qv-visitor-info", sessionIdOnCarrier ? sid : std::string(), FlatXml("visitor", all)};
}

Notice StateChange(const std::string &sid, int state)
{
    return Plain("visitor-state-change", sid, std::to_string(state));
}

Notice VisitorMessage(const std::string &sid, const std::string &text)
{
    return Plain("visitor-message", sid, text);
}

Notice SessionNotification(const std::string &sid, const std::string &text)
{
    return Plain("session-notification", sid, text);
}

Notice VisitorHistory(const std::string &sid, const std::string &text)
{
    return Plain("visitor-history", sid, text);
}

Notice Geolocation(const std::string &sid, const std::vector<std::string> &fields)
{
    std::string text;
    for (size_t i = 0; i < fields.size(); ++i)
        text += (i ? "," : "") + fields[i];
    return Plain("geolocation", sid, text);
}

Notice ChatAlreadyAnswered(const std::string &sid)
{
    return Plain("chat-already-answered", sid);
}

Notice VisitorOffline(const std::string &sid)
{
    return Plain("visitor-offline", sid);
}

Notice TransferAccept(const std::string &sid)
{
    return Plain("transfer-visitor-chat-accept", sid);
}

Notice TransferRequest(const std::string &sid, const std::string &fromJid, const std::string &message)
{
    return Plain("transfer-visitor-chat-request", sid,
                 FlatXml("transfer", {{"from-uid", fromJid}, {"message", message}}));
}

Notice TransferDecline(const std::string &sid, const std::string &reason)
{
    return Plain("transfer-visitor-chat-decline", sid, reason);
}

Notice ChangePassword(bool succeeded)
{
    return Plain("change-password", {}, succeeded ? "SUCCESS" : "FAILED");
}

std::optional<Command> ReadCommand(const gloox::Tag &stanza)
{
    if (stanza.name() != "iq")
        return std::nullopt;
    const std::string type = stanza.findAttribute("type");
    if (type != "get" && type != "set")
        return std::nullopt;
    const gloox::Tag *message = stanza.findChild("message", "xmlns", kSystemNs);
    if (!message)
        return std::nullopt;
    return Command{stanza.findAttribute("from"), stanza.findAttribute("id"), type == "get",
                   message->findAttribute("type"), message->findAttribute("sessionid"), message->cdata()};
}

std::unique_ptr<gloox::Tag> CommandStanza(const std::string &type, const std::string &sessionId,
                                          const std::string &text)
{
    auto iq = std::make_unique<gloox::Tag>("iq");
    iq->addAttribute("type", "set");
    iq->addAttribute("id", kSystemId);
    auto *message = new gloox::Tag(iq.get(), "message", text);
    message->setXmlns(kSystemNs);
    message->addAttribute("type", type);
    message->addAttribute("sessionid", sessionId);
    return iq;
}

std::function<bool(const gloox::Tag &)> IsCommand(const std::string &type)
{
    return [type](const gloox::Tag &stanza) {
        const std::optional<Command> command = ReadCommand(stanza);
        return command && (type.empty() || command->type == type);
    };
}

std::optional<Transfer> ReadTransfer(const std::string &text)
{
    QXmlStreamReader reader(QByteArray::fromStdString(text));
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("xml"))
        return std::nullopt;
    Transfer transfer;
    bool agent = false;
    while (reader.readNextStartElement()) {
        const std::string value = reader.readElementText().toStdString();
        if (reader.name() == QLatin1String("agent")) {
            transfer.agent = value;
            agent = true;
        } else if (reader.name() == QLatin1String("message")) {
            transfer.message = value;
        }
    }
    if (reader.hasError() || !agent)
        return std::nullopt;
    return transfer;
}

} // namespace harness::visitors
