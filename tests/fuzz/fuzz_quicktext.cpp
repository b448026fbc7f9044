// Feeds arbitrary bytes to the quick-text reader as a received data file,
// then checks that what the list writes reads back to the same file.

#include "plugins/chat/model/QuickText.h"

#include <QLoggingCategory>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Every bad input is logged; the log would only slow the run.
    QLoggingCategory::setFilterRules(QStringLiteral("ostrel.chat.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    CQuickTextList list;
    list.Read(text, 0, QStringLiteral("acct"));
    // A second copy of the same file must replace, not add.
    list.Read(text, 0, QStringLiteral("acct"));
    const QString written = list.Write(0, QStringLiteral("acct"));

    CQuickTextList again;
    again.Read(written, 0, QStringLiteral("acct"));
    if (again.Write(0, QStringLiteral("acct")) != written)
        std::abort();
    return 0;
}
