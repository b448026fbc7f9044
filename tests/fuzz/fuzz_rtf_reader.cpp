// The RTF reader over arbitrary bytes: it must neither crash nor hang, and
// must refuse what is over its limits.
#include "plugins/chat/session/Rtf.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto text = ReadRtf(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (text && size > size_t(kRtfMaxBytes))
        __builtin_trap();
    return 0;
}
