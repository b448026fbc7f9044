#pragma once
// The application's visual style as read from a style document (root
// "STYLE"): whether it loaded, its type, the prefix of its picture names, its
// display name, and the values and picture renderers of its sections, looked
// up by their path below the root, e.g. "BARS/STATUSBAR/Text".
//
// Value forms: colours "red, green, blue"; sizes "width, height"; corners and
// sides "left, top, right, bottom"; switches TRUE or FALSE; a font is an
// element with WEIGHT and QUALITY. An element that holds an IMAGE element is
// a renderer: IMAGE/ID names the picture (prefix, "IDB_OFFICE2007_" and the
// id), IMAGE/SIZE one frame, IMAGE/CORNERS and, for borders, IMAGE/SIDES.
// Immutable once read; user-interface thread only.

#include "skins/FaycelExport.h"
#include "skins/QVStyleRenderer.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QMargins>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>

class QDomElement;

class FAYCEL_EXPORT CQVVisualStyle
{
public:
    // Loads a picture by its full name; a null image when there is none.
    using PictureLoader = std::function<QImage(const QString &name)>;

    static constexpr int Version = 2007;
    static constexpr int DefaultType = 20;

    // The sections read, in order; others (PLANNER, GRID) are not read.
    static const QStringList &Sections();

    CQVVisualStyle() = default;

    // Reads a style document. Not loaded (and nothing read) when it does not
    // parse, its root is not STYLE, or VERSION/NUMBER is missing or not 2007.
    static CQVVisualStyle Read(const QByteArray &document, const PictureLoader &loadPicture);

    bool IsLoaded() const { return m_loaded; }
    // 20 unless the style says otherwise; a TYPE below 10 counts tenfold.
    int GetType() const { return m_type; }
    const QString &GetPrefix() const { return m_prefix; }
    const QString &GetName() const { return m_name; }
    // The full name of a picture: prefix, "IDB_OFFICE2007_", id.
    QString PictureName(const QString &id) const;

    // A value's text; nullopt when absent.
    std::optional<QString> GetValue(const QString &path) const;
    std::optional<QColor> GetColor(const QString &path) const;
    QColor Color(const QString &path, const QColor &fallback) const;
    std::optional<QSize> GetSize(const QString &path) const;
    std::optional<QMargins> GetMargins(const QString &path) const;
    std::optional<bool> GetBool(const QString &path) const;
    // base with the WEIGHT and QUALITY of the font element at path.
    QFont Font(const QString &path, const QFont &base) const;
    // The renderer at path; an invalid one when absent or its picture is missing.
    const CQVStyleRenderer &Renderer(const QString &path) const;

private:
    void ReadSection(const QDomElement &element, const QString &path, const PictureLoader &loadPicture);
    void ReadRenderer(const QDomElement &image, const QString &path, const PictureLoader &loadPicture);
    // The value at from also serves at to when to has none of its own.
    void DefaultColor(const QString &to, const QString &from);

    bool m_loaded = false;
    int m_type = DefaultType;
    QString m_prefix;
    QString m_name;
    std::map<QString, QString> m_values;
    std::map<QString, CQVStyleRenderer> m_renderers;
};
