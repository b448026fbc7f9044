#include "QVVisualStyle.h"

#include <QDomDocument>
#include <QDomElement>

namespace {

// "a, b, c": exactly count decimal integers.
std::optional<QList<int>> parseNumbers(const std::optional<QString> &text, int count)
{
    if (!text)
        return std::nullopt;
    const QStringList parts = text->split(QLatin1Char(','));
    if (parts.size() != count)
        return std::nullopt;
    QList<int> numbers;
    for (const QString &part : parts) {
        bool ok = false;
        const int value = part.trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
        numbers << value;
    }
    return numbers;
}

const std::map<QString, QFont::Weight> &weights()
{
    static const std::map<QString, QFont::Weight> table = {
        {QStringLiteral("THIN"), QFont::Thin},
        {QStringLiteral("EXTRALIGHT"), QFont::ExtraLight},
        {QStringLiteral("LIGHT"), QFont::Light},
        {QStringLiteral("NORMAL"), QFont::Normal},
        {QStringLiteral("MEDIUM"), QFont::Medium},
        {QStringLiteral("SEMIBOLD"), QFont::DemiBold},
        {QStringLiteral("DEMIBOLD"), QFont::DemiBold},
        {QStringLiteral("BOLD"), QFont::Bold},
        {QStringLiteral("EXTRABOLD"), QFont::ExtraBold},
        {QStringLiteral("HEAVY"), QFont::Black},
        {QStringLiteral("BLACK"), QFont::Black},
    };
    return table;
}

const std::map<QString, QFont::StyleStrategy> &qualities()
{
    static const std::map<QString, QFont::StyleStrategy> table = {
        {QStringLiteral("DEFAULT"), QFont::PreferDefault},
        {QStringLiteral("DRAFT"), QFont::PreferDefault},
        {QStringLiteral("PROOF"), QFont::PreferQuality},
        {QStringLiteral("NONANTIALIASED"), QFont::NoAntialias},
        {QStringLiteral("ANTIALIASED"), QFont::PreferAntialias},
        {QStringLiteral("CLEARTYPE"), QFont::PreferAntialias},
    };
    return table;
}

QString join(const QString &path, const QString &name)
{
    return path.isEmpty() ? name : path + QLatin1Char('/') + name;
}

} // namespace

const QStringList &CQVVisualStyle::Sections()
{
    static const QStringList sections = {
        QStringLiteral("GLOBALS"),
        QStringLiteral("MAINWND"),
        QStringLiteral("MENU"),
        QStringLiteral("BARS"),
        QStringLiteral("EDIT"),
        QStringLiteral("COMBO"),
        QStringLiteral("TASK"),
        QStringLiteral("TABS"),
        QStringLiteral("HEADER"),
        QStringLiteral("RIBBON"),
        QStringLiteral("OUTLOOK"),
        QStringLiteral("POPUP"),
    };
    return sections;
}

CQVVisualStyle CQVVisualStyle::Read(const QByteArray &document, const PictureLoader &loadPicture)
{
    CQVVisualStyle style;
    QDomDocument dom;
    if (!dom.setContent(document))
        return style;
    const QDomElement root = dom.documentElement();
    if (root.tagName() != QLatin1String("STYLE"))
        return style;

    const QDomElement version = root.firstChildElement(QStringLiteral("VERSION"));
    bool ok = false;
    const int number = version.firstChildElement(QStringLiteral("NUMBER")).text().trimmed().toInt(&ok);
    if (version.isNull() || !ok || number != Version)
        return style;

    const QDomElement type = version.firstChildElement(QStringLiteral("TYPE"));
    if (!type.isNull()) {
        const int value = type.text().trimmed().toInt(&ok);
        if (ok)
            style.m_type = value < 10 ? value * 10 : value;
    }
    style.m_loaded = true;
    style.m_prefix = version.firstChildElement(QStringLiteral("ID_PREFIX")).text().trimmed();
    style.m_name = root.firstChildElement(QStringLiteral("DESCRIPTION"))
                       .firstChildElement(QStringLiteral("NAME"))
                       .text()
                       .trimmed();

    for (const QString &section : Sections()) {
        const QDomElement element = root.firstChildElement(section);
        if (element.isNull())
            continue;
        style.ReadSection(element, section, loadPicture);
        if (section == QLatin1String("GLOBALS")) {
            // An active caption colour serves the inactive caption too, unless
            // the style gives that one itself.
            style.DefaultColor(QStringLiteral("GLOBALS/InactiveCaption"), QStringLiteral("GLOBALS/ActiveCaption"));
            style.DefaultColor(QStringLiteral("GLOBALS/InactiveCaptionText"), QStringLiteral("GLOBALS/CaptionText"));
        }
    }
    return style;
}

void CQVVisualStyle::ReadSection(const QDomElement &element, const QString &path, const PictureLoader &loadPicture)
{
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        const QString childPath = join(path, child.tagName());
        const QDomElement image = child.firstChildElement(QStringLiteral("IMAGE"));
        if (!image.isNull())
            ReadRenderer(image, childPath, loadPicture);
        else if (!child.firstChildElement().isNull())
            ReadSection(child, childPath, loadPicture);
        else
            m_values.emplace(childPath, child.text().trimmed()); // the first one counts
    }
}

void CQVVisualStyle::ReadRenderer(const QDomElement &image, const QString &path, const PictureLoader &loadPicture)
{
    const QString id = image.firstChildElement(QStringLiteral("ID")).text().trimmed();
    if (id.isEmpty() || m_renderers.count(path))
        return;
    const auto text = [&](const char *name) -> std::optional<QString> {
        const QDomElement e = image.firstChildElement(QLatin1String(name));
        return e.isNull() ? std::nullopt : std::optional<QString>(e.text());
    };
    const auto size = parseNumbers(text("SIZE"), 2);
    const auto corners = parseNumbers(text("CORNERS"), 4);
    const auto sides = parseNumbers(text("SIDES"), 4);
    const QImage picture = loadPicture ? loadPicture(PictureName(id)) : QImage();
    m_renderers.emplace(path,
        CQVStyleRenderer(picture, size ? QSize((*size)[0], (*size)[1]) : QSize(),
            corners ? QMargins((*corners)[0], (*corners)[1], (*corners)[2], (*corners)[3]) : QMargins(),
            sides ? std::optional<QMargins>(QMargins((*sides)[0], (*sides)[1], (*sides)[2], (*sides)[3]))
                  : std::nullopt));
}

void CQVVisualStyle::DefaultColor(const QString &to, const QString &from)
{
    if (!GetColor(to) && GetColor(from))
        m_values[to] = m_values[from];
}

QString CQVVisualStyle::PictureName(const QString &id) const
{
    return m_prefix + QStringLiteral("IDB_OFFICE2007_") + id;
}

std::optional<QString> CQVVisualStyle::GetValue(const QString &path) const
{
    const auto it = m_values.find(path);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

std::optional<QColor> CQVVisualStyle::GetColor(const QString &path) const
{
    const auto numbers = parseNumbers(GetValue(path), 3);
    if (!numbers)
        return std::nullopt;
    for (int n : *numbers) {
        if (n < 0 || n > 255)
            return std::nullopt;
    }
    return QColor((*numbers)[0], (*numbers)[1], (*numbers)[2]);
}

QColor CQVVisualStyle::Color(const QString &path, const QColor &fallback) const
{
    return GetColor(path).value_or(fallback);
}

std::optional<QSize> CQVVisualStyle::GetSize(const QString &path) const
{
    const auto numbers = parseNumbers(GetValue(path), 2);
    if (!numbers)
        return std::nullopt;
    return QSize((*numbers)[0], (*numbers)[1]);
}

std::optional<QMargins> CQVVisualStyle::GetMargins(const QString &path) const
{
    const auto numbers = parseNumbers(GetValue(path), 4);
    if (!numbers)
        return std::nullopt;
    return QMargins((*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]);
}

std::optional<bool> CQVVisualStyle::GetBool(const QString &path) const
{
    const auto text = GetValue(path);
    if (!text)
        return std::nullopt;
    if (text->compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
        return true;
    if (text->compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

QFont CQVVisualStyle::Font(const QString &path, const QFont &base) const
{
    QFont font = base;
    if (const auto weight = GetValue(join(path, QStringLiteral("WEIGHT")))) {
        const auto it = weights().find(weight->toUpper());
        if (it != weights().end())
            font.setWeight(it->second);
    }
    if (const auto quality = GetValue(join(path, QStringLiteral("QUALITY")))) {
        const auto it = qualities().find(quality->toUpper());
        if (it != qualities().end())
            font.setStyleStrategy(it->second);
    }
    return font;
}

const CQVStyleRenderer &CQVVisualStyle::Renderer(const QString &path) const
{
    static const CQVStyleRenderer none;
    const auto it = m_renderers.find(path);
    return it == m_renderers.end() ? none : it->second;
}
