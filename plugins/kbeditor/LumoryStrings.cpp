#include "plugins/kbeditor/LumoryStrings.h"

#include <QHash>

QString LumoryString(unsigned id)
{
    static const QHash<unsigned, QString> table{
        {14001, QStringLiteral("Lumory Plugin")},
        {14002, QStringLiteral("Lumory Plugin provides lumory information")},
        {14003, QStringLiteral("Lumory")},
        {14007, QStringLiteral("Editing")},
        {14009, QStringLiteral("&Category")},
        {14010, QStringLiteral("&Search:")},
        {14012, QStringLiteral("Please close all opened lumory articles before exit")},
        {14013, QStringLiteral("Search")},
        {14014, QStringLiteral("Stat&us")},
        {14016, QStringLiteral("Are you sure you want to delete article?")},
        {14017, QStringLiteral("New Article")},
        {14018, QStringLiteral("Please enter lumory article title")},
        {14019, QStringLiteral("Please select article status")},
        {14020, QStringLiteral("Are you sure you want to delete status '%1'?")},
        {14021, QStringLiteral("Are you sure you want to delete category '%1'?")},
        {14022, QStringLiteral("Please enter status name")},
        {14023, QStringLiteral("Please enter category title")},
        {14245, QStringLiteral("&Search")},
        {14251, QStringLiteral("New Article")},
        {14252, QStringLiteral("Edit Article")},
        {14254, QStringLiteral("Delete Article")},
        {14259, QStringLiteral("Edit Article")},
        {14260, QStringLiteral("Delete Article")},
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
