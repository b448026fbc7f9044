#pragma once
// What a stanza reader made of one incoming stanza: whether it took the
// stanza, the stanza to answer with, and the bus messages to post, in order.
// The caller sends the answer first, then posts the messages.

#include "bus/QVPlugin.h"

#include <gloox/tag.h>

#include <QUuid>

#include <memory>
#include <vector>

namespace Stanza {

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
