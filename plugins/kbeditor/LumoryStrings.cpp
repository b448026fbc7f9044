#include "plugins/kbeditor/LumoryStrings.h"

#include <QHash>

QString LumoryString(unsigned id)
{
    static const QHash<unsigned, QString> table{
        {14001, QStringLiteral("Lumory Plugin")},
        {14002, QStringLiteral("Lumory Plugin provides lumory information")},
        {14007, QStringLiteral("Editing")},
        {14012, QStringLiteral("Please close all opened lumory articles before exit")},
        {14016, QStringLiteral("Are you sure you want to delete article?")},
        {14017, QStringLiteral("New Article")},
        {14018, QStringLiteral("Please enter lumory article title")},
        {14019, QStringLiteral("Please select article status")},
        {14020, QStringLiteral("Are you sure you want to delete status '%1'?")},
        {14021, QStringLiteral("Are you sure you want to delete category '%1'?")},
        {14022, QStringLiteral("Please enter status name")},
        {14023, QStringLiteral("Please enter category title")},
    };
    return table.value(id);
}

QString Utf8ToWide(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string WideToUtf8(const QString &text)
{
    return text.toUtf8().toStdString();
}
