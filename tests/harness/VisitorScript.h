#pragma once
// VisitorScript: what a simulated chat service says about its web visitors
// and how it reads the agent's commands, in the service's own wire forms.
//
// Notices travel as iq "result" stanzas with id "qv-system-message" and one
// child <message xmlns="quelvar:tessary" type=... sessionid=...>text</message>.
// The texts are of three kinds: form-encoded name/value pairs (tracking),
// small flat XML documents (account data, visitor info, transfer requests)
// and plain words. Every builder escapes what it carries: values in form text
// are percent-encoded, element texts are XML-escaped, and the whole text is
// escaped once more as the message's text; nothing goes as CDATA.
//
// Pure functions; any thread.

#include <gloox/tag.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace harness::visitors {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// One notice of the service: the carrier's type word, session id and text.
struct Notice
{
    std::string type;
    std::string sessionId;
    std::string text;
};

// The carrier stanza addressed to the agent's full JID.
std::unique_ptr<gloox::Tag> NoticeStanza(const std::string &to, const Notice &notice);
// The notice a carrier stanza holds, as another agent's program reads it;
// nothing for any other stanza.
std::optional<Notice> ReadNotice(const gloox::Tag &stanza);

// Form-encoded text: names as given, values percent-encoded.
std::string FormText(const Pairs &pairs);
// A flat XML document: one root, one element per pair, texts escaped.
std::string FlatXml(const std::string &root, const Pairs &elements);

// One page view of a tracking report.
struct Page
{
    std::string url;
    std::string page;
    std::string title;
    std::string referrer;
    std::string pageId;
    int seconds = 0; // time already spent on the page; 0 leaves it out
};

// Account data of the signed-in agent.
struct Account
{
    std::string accountId;
    std::string displayName;
    std::string key;
    std::string kbUrl;        // empty: left out
    std::string webModuleUrl; // empty: left out
    std::string departments;  // comma-separated; empty: left out
    std::string geoIpKey;
};

Notice AccountData(const Account &account);
// A visitor's page report: "sid", "hash", the name ("qvvVID", empty: left
// out), the client's address and the page; extra pairs are appended.
Notice Tracking(const std::string &sid, const std::string &hash, const std::string &name, const Page &page,
                const Pairs &extra = {});
// "id hash": the service's hint that the visitor's info changed.
Notice TrackingNotify(const std::string &sid, const std::string &hash);
// Visitor info elements ("state", "display-name", "survey", ...) with
// "visitor-id" and, when given, the tracking text as "name-values". An empty
// session id on the carrier makes the reader take "visitor-id".
Notice VisitorInfo(const std::string &sid, const Pairs &elements, const std::string &trackingText = {},
                   bool sessionIdOnCarrier = true);
Notice StateChange(const std::string &sid, int state);
Notice VisitorMessage(const std::string &sid, const std::string &text);
Notice SessionNotification(const std::string &sid, const std::string &text);
Notice VisitorHistory(const std::string &sid, const std::string &text);
// Country, state, city, zip, latitude, longitude, DMA code, area code, ISP,
// organisation; joined with commas (a value must not hold one).
Notice Geolocation(const std::string &sid, const std::vector<std::string> &fields);
Notice ChatAlreadyAnswered(const std::string &sid);
Notice VisitorOffline(const std::string &sid);
Notice TransferAccept(const std::string &sid);
Notice TransferRequest(const std::string &sid, const std::string &fromJid, const std::string &message);
Notice TransferDecline(const std::string &sid, const std::string &reason);
Notice ChangePassword(bool succeeded);

// A command of the agent's program as the service receives it.
struct Command
{
    std::string from;   // the agent's full JID
    std::string id;     // the iq id, to answer it
    bool query = false; // an iq "get" (the history query); "set" otherwise
    std::string type;
    std::string sessionId;
    std::string text;
};

// The command in an iq "get" or "set" with a "quelvar:tessary" message child;
// nothing for any other stanza.
std::optional<Command> ReadCommand(const gloox::Tag &stanza);
// A command as another agent's program sends it: an iq "set" without an
// addressee, which the server hands to the service.
std::unique_ptr<gloox::Tag> CommandStanza(const std::string &type, const std::string &sessionId,
                                          const std::string &text);
// For ChatServiceSimulator::Expect: a command of this type word (any when
// empty).
std::function<bool(const gloox::Tag &)> IsCommand(const std::string &type = {});

// The text of "transfer-visitor-chat": the agent the chat goes to and the
// agent's message; nothing when the text is not that document.
struct Transfer
{
    std::string agent;
    std::string message;
};
std::optional<Transfer> ReadTransfer(const std::string &text);

} // namespace harness::visitors
