#include "plugins/xmpp/server/DataStanzas.h"
#include "shared/Md5.h"

#include "plugins/xmpp/server/WireText.h"
#include "plugins/xmpp/tasks/StanzaText.h"

#include <gloox/tag.h>

#include <QCryptographicHash>

#include <array>

namespace Quelvar {

namespace {

constexpr std::array<std::string_view, 4> kTypeWords = {"local", "server", "shared", "download"};

const gloox::Tag *DataChild(const gloox::Tag &parent, const char *name)
{
    return Stanza::FindChild(parent, name, kDataNamespace);
}

} // namespace

std::string_view DataTypeWord(int type)
{
    if (type < 0 || size_t(type) >= kTypeWords.size())
        return {};
    return kTypeWords[size_t(type)];
}

int DataTypeOfWord(std::string_view word)
{
    int type = -1;
    for (size_t i = 0; i < kTypeWords.size(); ++i) {
        if (kTypeWords[i].substr(0, word.size()) == word)
            type = int(i);
    }
    return type;
}

std::unique_ptr<gloox::Tag> BuildDataMessage(Request request, const QVPlugin::DataInfo &info)
{
    const std::string_view word = DataTypeWord(info.type);
    if (word.empty())
        return nullptr;
    auto iq = std::make_unique<gloox::Tag>("iq");
    iq->addAttribute("type", request == Request::Set ? "set" : "get");
    iq->addAttribute("id", kDataIqId);
    gloox::Tag *infoTag = Stanza::AddElement(iq.get(), "info", kDataNamespace);
    infoTag->addAttribute("type", std::string(word));
    infoTag->addAttribute("key", Stanza::ToWire(info.name));
    if (!info.account.isEmpty())
        infoTag->addAttribute("account", Stanza::ToWire(info.account));
    gloox::Tag *data = Stanza::AddElement(iq.get(), "data", kDataNamespace);
    if (!info.hash.empty())
        data->addAttribute("hash", Stanza::ToWire(QString::fromStdString(info.hash)));
    if (request == Request::Set && !info.data.empty())
        data->setCData(EncodeBase64(info.data));
    return iq;
}

DataReading ReadDataMessage(const gloox::Tag &stanza)
{
    DataReading reading;
    if (stanza.name() != "iq" || stanza.findAttribute("type") != "result" || stanza.findAttribute("id") != kDataIqId)
        return reading;
    const gloox::Tag *current = DataChild(stanza, "current");
    const gloox::Tag *data = DataChild(stanza, "data");
    const gloox::Tag *changed = DataChild(stanza, "changed");
    if (!current && !data && !changed)
        return reading;

    const auto ignore = [&reading](const char *reason) {
        reading.kind = DataReading::Ignored;
        reading.reason = reason;
        return reading;
    };
    const gloox::Tag *info = DataChild(stanza, "info");
    if (!info)
        return ignore("an answer without info");
    const int type = DataTypeOfWord(info->findAttribute("type"));
    if (type < 0)
        return ignore("an answer of an unknown type");
    if (type == QVPlugin::DataInfo::Local)
        return ignore("an answer for a local file");
    reading.info.type = type;
    reading.info.account = Stanza::FromWire(info->findAttribute("account"));
    reading.info.name = Stanza::FromWire(info->findAttribute("key"));

    if (current) {
        reading.kind = DataReading::Current;
    } else if (data) {
        std::optional<std::string> bytes = DecodeBase64(data->cdata());
        if (!bytes)
            return ignore("data that is not Base64");
        reading.kind = DataReading::Data;
        reading.info.data = std::move(*bytes);
        reading.info.hash = data->findAttribute("hash");
        if (reading.info.hash.empty())
            reading.info.hash = Md5Hex(reading.info.data);
    } else {
        reading.kind = DataReading::Changed;
    }
    return reading;
}

} // namespace Quelvar
