#pragma once
// What a stanza reader made of one incoming stanza: whether it took the
// stanza, the stanza to answer with, and the bus messages to post, in order.
// The caller sends the answer first, then posts the messages. Also the
// typed view of a bus payload that the builders take.

#include "bus/QVPlugin.h"

#include <gloox/tag.h>

#include <QUuid>

#include <cstring>
#include <memory>
#include <vector>

namespace Stanza {

// The payload as T when its type name says it is one; null otherwise.
// Payloads cross library boundaries, where RTTI does not.
template <typename T>
const T *PayloadAs(const QVPlugin::IMessage *in, const char *typeName)
{
    return in && std::strcmp(in->GetTypeName(), typeName) == 0 ? static_cast<const T *>(in) : nullptr;
}

struct BusPost
{
    QUuid id;
    std::unique_ptr<QVPlugin::IMessage> payload;
};

struct Outcome
{
    // False: the stanza is left to the other readers.
    bool taken = false;
    std::unique_ptr<gloox::Tag> reply;
    std::vector<BusPost> posts;
};

} // namespace Stanza
