// Feeds arbitrary bytes to the readers of the chat service's texts: the
// form-encoded collection (and a visitor built from it) and the flat XML
// reader (and visitor info from it).

#include "plugins/chat/model/FlatXmlReader.h"
#include "plugins/chat/model/NameValueCollection.h"
#include "plugins/chat/model/NetworkText.h"
#include "plugins/chat/model/Visitor.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    auto form = std::make_unique<NameValueCollection>(bytes);
    for (auto it = form->Pairs().begin(); it != form->Pairs().end(); ++it) {
        if (!form->HasName(it.key()))
            __builtin_trap();
    }
    Tessary::UrlDecode(bytes);
    Tessary::SplitWords(bytes);
    Tessary::SplitCommaList(bytes);

    CVisitor visitor(std::move(form), QVPlugin::Jid(QStringLiteral("agent@chat.example/desk")), [] {
        return std::int64_t(1'700'000'000);
    });
    visitor.AppendTracking(NameValueCollection(bytes));
    visitor.ApplyInfo(Tessary::FlatXmlReader(bytes));
    return 0;
}
