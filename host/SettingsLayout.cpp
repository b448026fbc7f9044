#include "host/SettingsLayout.h"

#include <QDomElement>

#include <algorithm>
#include <utility>

namespace {

const std::pair<const char *, SettingType> kTypes[] = {
    {"text", SettingType::Text},     {"password", SettingType::Password}, {"bool", SettingType::Bool},
    {"select", SettingType::Select}, {"number", SettingType::Number},     {"file", SettingType::File},
    {"folder", SettingType::Folder},
};

std::optional<SettingType> TypeByName(const QString &name)
{
    for (const auto &[text, type] : kTypes) {
        if (name == QLatin1String(text))
            return type;
    }
    return std::nullopt;
}

int IntAttribute(const QDomElement &element, const QString &name, int fallback)
{
    bool ok = false;
    const int value = element.attribute(name).trimmed().toInt(&ok);
    return ok ? value : fallback;
}

std::optional<SettingRow> ReadSetting(const QDomElement &element)
{
    const std::optional<SettingType> type = TypeByName(element.attribute(QStringLiteral("type")));
    SettingRow row;
    row.key = element.attribute(QStringLiteral("key"));
    if (!type || row.key.isEmpty())
        return std::nullopt;
    row.type = *type;
    row.label = element.firstChildElement(QStringLiteral("label")).text();
    row.defaultText = element.attribute(QStringLiteral("default"));
    if (row.type == SettingType::File)
        row.filter = element.attribute(QStringLiteral("filter"));
    if (row.type == SettingType::Number) {
        row.from = IntAttribute(element, QStringLiteral("from"), 0);
        row.to = IntAttribute(element, QStringLiteral("to"), INT_MAX);
        if (row.from > row.to)
            std::swap(row.from, row.to);
    }
    if (row.type == SettingType::Select) {
        for (QDomElement option = element.lastChildElement(QStringLiteral("option")); !option.isNull();
             option = option.previousSiblingElement(QStringLiteral("option")))
            row.options.push_back({option.attribute(QStringLiteral("value")), option.text()});
    }
    return row;
}

// Groups are not shown: their children stand in their place.
void ReadRows(const QDomElement &parent, std::vector<SettingRow> &rows)
{
    for (QDomElement child = parent.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        const QString name = child.tagName();
        if (name == QLatin1String("group")) {
            ReadRows(child, rows);
        } else if (name == QLatin1String("label")) {
            SettingRow row;
            row.label = child.text();
            rows.push_back(row);
        } else if (name == QLatin1String("setting")) {
            if (std::optional<SettingRow> row = ReadSetting(child))
                rows.push_back(*row);
        }
    }
}

// Deeper categories are left out: a layout nested thousands deep would hold
// the user-interface thread for a minute building pages nobody can reach.
constexpr int kMaxCategoryDepth = 64;

SettingsCategory ReadCategory(const QDomElement &element, int depth)
{
    SettingsCategory category;
    category.id = element.attribute(QStringLiteral("id"));
    category.label = element.attribute(QStringLiteral("label"));
    if (const QDomElement layout = element.firstChildElement(QStringLiteral("layout")); !layout.isNull())
        ReadRows(layout, category.rows);
    if (depth >= kMaxCategoryDepth)
        return category;
    for (QDomElement child = element.firstChildElement(QStringLiteral("category")); !child.isNull();
         child = child.nextSiblingElement(QStringLiteral("category")))
        category.children.push_back(ReadCategory(child, depth + 1));
    return category;
}

bool BoolFromText(const QString &text)
{
    return text.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text.trimmed().toInt() != 0;
}

} // namespace

std::vector<SettingsCategory> ReadSettingsLayout(const QDomElement &root)
{
    std::vector<SettingsCategory> categories;
    if (root.tagName() != QLatin1String("settings"))
        return categories;
    for (QDomElement child = root.firstChildElement(QStringLiteral("category")); !child.isNull();
         child = child.nextSiblingElement(QStringLiteral("category")))
        categories.push_back(ReadCategory(child, 1));
    return categories;
}

QVariant SettingDefault(const SettingRow &row)
{
    switch (row.type) {
    case SettingType::Bool:
        return BoolFromText(row.defaultText);
    case SettingType::Number:
        return row.defaultText.trimmed().toInt();
    default:
        // Never a null string: storage reads a null default as "no type".
        return QString(row.defaultText.isNull() ? QLatin1String("") : row.defaultText);
    }
}

QVariant ShownValue(const SettingRow &row, const QVariant &stored)
{
    switch (row.type) {
    case SettingType::Bool:
        // Stored booleans come back as integers.
        return stored.typeId() == QMetaType::QString ? BoolFromText(stored.toString()) : stored.toBool();
    case SettingType::Number:
        return std::clamp(stored.toInt(), row.from, row.to);
    default:
        return stored.toString();
    }
}

std::optional<QVariant> SettingToWrite(const SettingRow &row, const QVariant &shown, const QVariant &current)
{
    switch (row.type) {
    case SettingType::Label:
        return std::nullopt;
    case SettingType::Bool:
        if (current.toBool() == shown.toBool())
            return std::nullopt;
        return current.toBool();
    case SettingType::Number: {
        const int number = NumberFromText(current.toString(), row.from, row.to);
        if (number == shown.toInt())
            return std::nullopt;
        return number;
    }
    case SettingType::Select:
        // A stored value that matches no option stays until the agent picks one.
        if (current.isNull() || current.toString() == shown.toString())
            return std::nullopt;
        return current.toString();
    default:
        if (current.toString() == shown.toString())
            return std::nullopt;
        return current.toString();
    }
}

int NumberFromText(const QString &text, int from, int to)
{
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok);
    return int(std::clamp<qlonglong>(ok ? number : 0, from, to));
}

QStringList FileDialogFilters(const QString &filter)
{
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        if (!description.isEmpty() && !patterns.trimmed().isEmpty())
            filters << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return filters;
}
