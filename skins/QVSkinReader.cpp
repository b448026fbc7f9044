#include "QVSkinReader.h"

#include "SkinLog.h"
#include "skins/QVSkinControl.h"
#include "skins/QVSkinPaint.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QUrl>
#include <QXmlStreamReader>

#include <limits>
#include <optional>

namespace {

// Bounds on a skin file: the reader recurses once per nesting level, and a
// form copies its base whole, so an unbounded file could exhaust the stack
// or the memory.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;
constexpr int kMaxDepth = 64;
constexpr int kMaxForms = 2000;
constexpr int kMaxItems = 10000; // controls and paints of one skin, copies included

// A skin beyond the bounds: the file is refused. Never leaves this file.
struct TooLarge
{
    QString what;
};

// Elements nested deeper than kMaxDepth, found without recursing.
bool tooDeep(const QByteArray &text)
{
    QXmlStreamReader xml(text);
    int depth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth > kMaxDepth)
            return true;
        if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return false; // a parse error is reported by the document
}

int countItems(const CQVSkinControl &control)
{
    int n = 1;
    for (const auto &nested : control.GetControls())
        n += countItems(*nested);
    return n;
}

int countItems(const CQVSkinPaintRect &paint)
{
    int n = 1;
    for (const auto &nested : paint.GetPaints())
        n += countItems(*nested);
    return n;
}

int countItems(const CQVSkinForm &form)
{
    int n = 0;
    for (const auto &control : form.GetControls())
        n += countItems(*control);
    for (const auto *paints : {&form.GetPaints(), &form.GetNcPaints()}) {
        for (const auto &paint : *paints)
            n += countItems(*paint);
    }
    return n;
}

// A value that abandons the whole load. Never leaves this file.
struct BadValue
{
    QString what;
    int line;
};

[[noreturn]] void fail(const QDomElement &element, const QString &what)
{
    throw BadValue{QStringLiteral("<%1>: %2").arg(element.tagName(), what), element.lineNumber()};
}

QString requiredId(const QDomElement &element)
{
    if (!element.hasAttribute(QStringLiteral("id")))
        fail(element, QStringLiteral("missing \"id\""));
    return element.attribute(QStringLiteral("id"));
}

// The leading decimal integer of the text, as atol reads it ("12px" is 12,
// "abc" is 0); saturates instead of overflowing.
qint64 leadingInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > std::numeric_limits<int>::max()) {
            value = std::numeric_limits<int>::max();
            break;
        }
    }
    return negative ? -value : value;
}

// An edge: absent or empty is not given; a trailing "%" marks a per cent.
bool readEdge(const QDomElement &element, const QString &name, int &value, bool &percent)
{
    const QString text = element.attribute(name);
    if (text.isEmpty())
        return false;
    value = int(leadingInteger(text));
    percent = text.endsWith(QLatin1Char('%'));
    return true;
}

// The four edges, taken only when all four are given.
std::optional<CQVSkinRect> readRect(const QDomElement &element)
{
    static const QString names[] = {QStringLiteral("left"), QStringLiteral("top"),
        QStringLiteral("right"), QStringLiteral("bottom")};
    CQVSkinRect rect;
    for (int edge = 0; edge < 4; ++edge) {
        int value = 0;
        bool percent = false;
        if (!readEdge(element, names[edge], value, percent))
            return std::nullopt;
        rect.SetEdge(CQVSkinRect::Edge(edge), value, percent);
    }
    return rect;
}

// "#AARRGGBB" read as hexadecimal and used unchanged as ARGB, so "#RRGGBB"
// has alpha 0. Without the "#" it is not a colour value.
std::optional<QRgb> readColor(const QDomElement &element, const QString &name)
{
    const QString text = element.attribute(name);
    if (!text.startsWith(QLatin1Char('#')))
        return std::nullopt;
    quint64 value = 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const int digit = (c >= u'0' && c <= u'9') ? c - u'0'
            : (c >= u'a' && c <= u'f')             ? c - u'a' + 10
            : (c >= u'A' && c <= u'F')             ? c - u'A' + 10
                                                   : -1;
        if (digit < 0)
            break;
        value = value * 16 + quint64(digit);
        if (value > 0xFFFFFFFFu) {
            value = 0xFFFFFFFFu;
            break;
        }
    }
    return QRgb(value);
}

// "true", "false" or a number (non-zero is true); anything else abandons the load.
std::optional<bool> readBoolean(const QDomElement &element, const QString &name)
{
    if (!element.hasAttribute(name))
        return std::nullopt;
    const QString text = element.attribute(name).trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok)
        fail(element, QStringLiteral("\"%1\" is not a boolean: \"%2\"").arg(name, text));
    return number != 0.0;
}

std::optional<int> readInteger(const QDomElement &element, const QString &name)
{
    if (!element.hasAttribute(name))
        return std::nullopt;
    const QString text = element.attribute(name).trimmed();
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        fail(element, QStringLiteral("\"%1\" is not an integer: \"%2\"").arg(name, text));
    return value;
}

// The child elements of every child named `group`: the XPath "group/*".
QList<QDomElement> elementsUnder(const QDomElement &parent, const QString &group)
{
    QList<QDomElement> out;
    for (QDomElement g = parent.firstChildElement(group); !g.isNull(); g = g.nextSiblingElement(group)) {
        for (QDomElement e = g.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            out << e;
    }
    return out;
}

// Nested elements: the child nodes up to the first one that is neither an
// element nor a comment.
QList<QDomElement> nestedElements(const QDomElement &parent)
{
    QList<QDomElement> out;
    for (QDomNode n = parent.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isComment())
            continue;
        if (!n.isElement())
            break;
        out << n.toElement();
    }
    return out;
}

bool isControlElement(const QDomElement &element)
{
    const QString name = element.tagName();
    return name == QLatin1String("control") || name == QLatin1String("button") || name == QLatin1String("group");
}

bool isPaintElement(const QDomElement &element)
{
    const QString name = element.tagName();
    return name == QLatin1String("rectangle") || name == QLatin1String("image");
}

void skipUnknown(const QDomElement &element)
{
    qCWarning(lcSkins) << "skipping unknown skin element" << element.tagName() << "at line"
                       << element.lineNumber();
}

QImage loadImage(const QString &path)
{
    if (path.isEmpty())
        return {};
    // A FIFO or a device would block the load or never end.
    if (!QFileInfo(path).isFile()) {
        qCWarning(lcSkins) << "skin image is not a regular file:" << path;
        return {};
    }
    QImage image(path);
    if (image.isNull())
        qCWarning(lcSkins) << "cannot load skin image" << path;
    return image;
}

} // namespace

CQVSkinReader::CQVSkinReader(const QString &folder)
    : m_folder(folder)
{
}

CQVSkinReader::Result CQVSkinReader::ReadFile(const QString &path, std::vector<std::unique_ptr<CQVSkin>> &skins)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Result::Unreadable;
    const QByteArray text = file.read(kMaxFileBytes + 1);
    if (text.size() > kMaxFileBytes || tooDeep(text)) {
        qCWarning(lcSkins) << "skipping skin file" << path << "larger than" << kMaxFileBytes << "bytes or nested deeper than"
                           << kMaxDepth << "levels";
        return Result::Unreadable;
    }
    QDomDocument document;
    QString error;
    int line = 0;
    if (!document.setContent(text, &error, &line)) {
        qCInfo(lcSkins) << "skipping skin file" << path << "line" << line << error;
        return Result::Unreadable;
    }

    const CQVSkinReader reader(QFileInfo(path).absolutePath());
    std::vector<std::unique_ptr<CQVSkin>> read;
    try {
        const QDomElement root = document.documentElement();
        if (root.tagName() == QLatin1String("skins")) {
            for (QDomElement e = root.firstChildElement(QStringLiteral("skin")); !e.isNull();
                 e = e.nextSiblingElement(QStringLiteral("skin")))
                read.push_back(reader.ReadSkin(e));
        }
    } catch (const BadValue &bad) {
        qCWarning(lcSkins).noquote() << "skin file" << path << "line" << bad.line << bad.what
                                     << "- skins not loaded";
        return Result::Abandoned;
    } catch (const TooLarge &large) {
        qCWarning(lcSkins).noquote() << "skipping skin file" << path << "-" << large.what;
        return Result::Unreadable;
    }
    for (auto &skin : read)
        skins.push_back(std::move(skin));
    return Result::Read;
}

std::unique_ptr<CQVSkin> CQVSkinReader::ReadSkin(const QDomElement &element) const
{
    auto skin = std::make_unique<CQVSkin>(requiredId(element));
    m_forms = 0;
    m_items = 0;

    for (QDomElement e = element.firstChildElement(QStringLiteral("form")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("form")))
        ReadForm(e, *skin);

    const QString css = FilePath(element, QStringLiteral("css"));
    if (!css.isEmpty() && QFileInfo::exists(css) && !QFileInfo(css).isFile())
        qCWarning(lcSkins) << "skin style sheet is not a regular file:" << css;
    else if (!css.isEmpty())
        skin->SetCssPath(QUrl::fromLocalFile(css).toString(QUrl::FullyEncoded));

    for (const QDomElement &e : elementsUnder(element, QStringLiteral("colors"))) {
        if (e.tagName() != QLatin1String("color"))
            continue;
        const auto name = CQVSkin::ColorFromName(requiredId(e));
        const auto color = readColor(e, QStringLiteral("color"));
        if (name && color)
            skin->AddColor(*name, *color);
    }
    return skin;
}

void CQVSkinReader::ReadForm(const QDomElement &element, CQVSkin &skin) const
{
    const QString id = requiredId(element);
    if (++m_forms > kMaxForms)
        throw TooLarge{QStringLiteral("a skin holds more than %1 forms").arg(kMaxForms)};
    std::unique_ptr<CQVSkinForm> owned;
    if (element.hasAttribute(QStringLiteral("base"))) {
        const QString base = element.attribute(QStringLiteral("base"));
        if (const CQVSkinForm *from = skin.GetForm(base)) {
            CountItems(countItems(*from));
            owned = from->Clone(id);
        }
        else
            qCWarning(lcSkins) << "form" << id << "names an unknown base" << base;
    }
    if (!owned)
        owned = std::make_unique<CQVSkinForm>(id);
    // Added before its contents are read, so later forms can name it as base.
    CQVSkinForm &form = *owned;
    skin.AddForm(std::move(owned));

    ReadControls(
        elementsUnder(element, QStringLiteral("controls")),
        [&form](const QString &id) { return form.GetControl(id); },
        [&form](std::unique_ptr<CQVSkinControl> control) { form.AddControl(std::move(control)); });

    for (const QDomElement &e : elementsUnder(element, QStringLiteral("paints"))) {
        if (!isPaintElement(e)) {
            skipUnknown(e);
            continue;
        }
        CQVSkinPaintRect *inherited =
            e.hasAttribute(QStringLiteral("id")) ? form.GetPaint(e.attribute(QStringLiteral("id"))) : nullptr;
        if (inherited) {
            if (const auto rect = readRect(e))
                inherited->m_rect = *rect;
            if (const auto color = readColor(e, QStringLiteral("color")))
                inherited->m_color = *color;
        } else {
            form.AddPaint(ReadPaint(e));
        }
    }

    for (const QDomElement &e : elementsUnder(element, QStringLiteral("ncpaints"))) {
        if (isPaintElement(e))
            form.AddNcPaint(ReadPaint(e));
        else
            skipUnknown(e);
    }

    const QDomElement client = element.firstChildElement(QStringLiteral("clientrect"));
    if (!client.isNull()) {
        if (const auto rect = readRect(client))
            form.SetClientRect(*rect);
    }
}

void CQVSkinReader::CountItems(int count) const
{
    m_items += count;
    if (m_items > kMaxItems)
        throw TooLarge{QStringLiteral("a skin holds more than %1 controls and paints").arg(kMaxItems)};
}

std::unique_ptr<CQVSkinControl> CQVSkinReader::ReadControl(const QDomElement &element) const
{
    CountItems(1);
    const QString name = element.tagName();
    std::unique_ptr<CQVSkinControl> control;
    if (name == QLatin1String("button")) {
        auto button = std::make_unique<CQVSkinButton>();
        if (const auto color = readColor(element, QStringLiteral("color")))
            button->m_color = *color;
        button->m_image = loadImage(FilePath(element, QStringLiteral("image")));
        button->m_hoverImage = loadImage(FilePath(element, QStringLiteral("hoverImage")));
        button->m_hoverBackground = loadImage(FilePath(element, QStringLiteral("bgHover")));
        // An integer, as the original skins wrote it: "1" is true, "true" is not.
        button->m_transparent = leadingInteger(element.attribute(QStringLiteral("transparent"))) != 0;
        control = std::move(button);
    } else if (name == QLatin1String("group")) {
        control = std::make_unique<CQVSkinGroup>();
    } else {
        control = std::make_unique<CQVSkinControl>();
    }

    control->m_id = requiredId(element);
    if (const auto dlgId = readInteger(element, QStringLiteral("dlgId")))
        control->m_dlgId = *dlgId;
    ReadCommonAttributes(element, *control);
    ReadNestedControls(element, *control);
    return control;
}

void CQVSkinReader::ReadControlOver(const QDomElement &element, CQVSkinControl &control) const
{
    ReadCommonAttributes(element, control);
    ReadNestedControls(element, control);
}

void CQVSkinReader::ReadCommonAttributes(const QDomElement &element, CQVSkinControl &control) const
{
    if (const auto rect = readRect(element))
        control.m_rect = *rect;
    control.m_border = readBoolean(element, QStringLiteral("border")).value_or(false);
    if (const auto visible = readBoolean(element, QStringLiteral("visible")))
        control.m_visibility = *visible ? CQVSkinControl::VisibilityShow : CQVSkinControl::VisibilityHide;
}

void CQVSkinReader::ReadNestedControls(const QDomElement &element, CQVSkinControl &control) const
{
    ReadControls(
        nestedElements(element), [&control](const QString &id) { return control.GetControl(id); },
        [&control](std::unique_ptr<CQVSkinControl> nested) { control.m_controls.push_back(std::move(nested)); });
}

void CQVSkinReader::ReadControls(const QList<QDomElement> &elements, const FindControl &find,
    const AddControl &add) const
{
    for (const QDomElement &e : elements) {
        if (!isControlElement(e)) {
            skipUnknown(e);
            continue;
        }
        if (CQVSkinControl *existing = find(requiredId(e)))
            ReadControlOver(e, *existing);
        else
            add(ReadControl(e));
    }
}

std::unique_ptr<CQVSkinPaintRect> CQVSkinReader::ReadPaint(const QDomElement &element) const
{
    CountItems(1);
    std::unique_ptr<CQVSkinPaintRect> paint;
    if (element.tagName() == QLatin1String("image"))
        paint = std::make_unique<CQVSkinPaintImage>();
    else
        paint = std::make_unique<CQVSkinPaintRect>();

    paint->m_id = element.attribute(QStringLiteral("id"));
    if (const auto rect = readRect(element))
        paint->m_rect = *rect;
    if (const auto color = readColor(element, QStringLiteral("color")))
        paint->m_color = *color;
    const QString image = FilePath(element, QStringLiteral("image"));
    if (!image.isEmpty()) {
        paint->m_image = loadImage(image);
        paint->m_fill = readBoolean(element, QStringLiteral("fill")).value_or(false);
    }

    for (const QDomElement &e : nestedElements(element)) {
        if (isPaintElement(e))
            paint->m_paints.push_back(ReadPaint(e));
        else
            skipUnknown(e);
    }
    return paint;
}

QString CQVSkinReader::FilePath(const QDomElement &element, const QString &name) const
{
    QString text = element.attribute(name);
    if (text.isEmpty())
        return {};
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString folder = QDir::cleanPath(m_folder);
    const QString path = QDir::cleanPath(QDir(folder).filePath(text));
    if (!path.startsWith(folder + QLatin1Char('/'))) {
        qCWarning(lcSkins) << "skin file path outside the skin folder refused:" << element.attribute(name);
        return {};
    }
    return path;
}
