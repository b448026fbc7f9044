#include "plugins/chat/session/EmoticonCodes.h"

namespace {

constexpr const char16_t *kCodes[kEmoticonCount] = {u":)", u":(", u":O", u":-?", u";)", u":-s", u":-|", u"x-c"};

} // namespace

QString EmoticonCode(int index)
{
    if (index < 0 || index >= kEmoticonCount)
        return {};
    return QString::fromUtf16(kCodes[index]);
}

int EmoticonIndex(QStringView text)
{
    for (int i = 0; i < kEmoticonCount; ++i) {
        if (text == QStringView(kCodes[i]))
            return i;
    }
    return -1;
}
