#pragma once
// The chat service's data messages on the wire: the iq "qv-data-message" in
// "quelvar:data" that fetches and stores the account's data files (DataInfo)
// and the service's answers "current", "data" and "changed". Pure
// functions, any thread.

#include "bus/Payloads.h"
#include "plugins/xmpp/server/ServerStanzas.h"

#include <memory>
#include <string_view>

namespace gloox {
class Tag;
}

namespace Quelvar {

inline constexpr char kDataNamespace[] = "quelvar:data";
inline constexpr char kDataIqId[] = "qv-data-message";

// The word of a DataInfo type on the wire; empty outside 0..3.
std::string_view DataTypeWord(int type);
// The type a received word names: the last of the four words whose first
// characters are the whole received word (so "serv" is server and an empty
// word is download); -1 when none is.
int DataTypeOfWord(std::string_view word);

// A fetch (get) or a store (set, with the data in Base64); null when the
// type is outside 0..3. The caller owns the result.
std::unique_ptr<gloox::Tag> BuildDataMessage(Request request, const QVPlugin::DataInfo &info);

struct DataReading
{
    enum Kind {
        NotMine, // another handler's stanza
        Current, // -> MSG_DATA_CURRENT: the local copy is current
        Data,    // -> MSG_DATA_RECEIVED with the new data
        Changed, // -> MSG_DATA_RECEIVED without data or hash
        Ignored, // ours, but nothing to pass on (see reason)
    };
    Kind kind = NotMine;
    QVPlugin::DataInfo info;
    const char *reason = ""; // Ignored
};

// An iq result "qv-data-message" with a "current", "data" or "changed"
// child. A "data" answer always has a hash (the MD5 of its data when the
// service sent none), so the one without is only ever a "changed" notice,
// which must not replace a saved copy.
DataReading ReadDataMessage(const gloox::Tag &stanza);

} // namespace Quelvar
