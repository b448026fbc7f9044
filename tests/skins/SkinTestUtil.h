#pragma once
// Skin folders for the tests: the committed test skin with images written
// beside it, and one-off skin files written from text.

#include "skins/QVSkinManager.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace skintest {

inline const QRgb OkBlue = 0xFF1030C0;
inline const QRgb HotOrange = 0xFFE08020;
inline const QRgb HoverGrey = 0xFFA0A0A0;
inline const QRgb FrameMagenta = 0xFFC020C0;

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

inline void writeImage(const QString &path, QRgb color, QSize size = QSize(8, 8))
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(QColor::fromRgba(color));
    ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

// The folder (with a trailing separator, as the host passes it) holding the
// test skins "alpha" and "beta" and their images.
inline QString stageTestSkins(const QTemporaryDir &dir)
{
    const QString source = QStringLiteral(OSTREL_SOURCE_DIR "/tests/skins/data/two_skins.xml");
    EXPECT_TRUE(QFile::copy(source, dir.filePath(QStringLiteral("two_skins.xml"))));
    writeImage(dir.filePath(QStringLiteral("ok.png")), OkBlue);
    writeImage(dir.filePath(QStringLiteral("ok_hot.png")), HotOrange);
    writeImage(dir.filePath(QStringLiteral("hover.png")), HoverGrey);
    writeImage(dir.filePath(QStringLiteral("frame.png")), FrameMagenta, QSize(4, 4));
    return dir.path() + QLatin1Char('/');
}

// Names a window's item as the skin's controls find it by id: "c<id>".
template <typename Widget>
Widget *named(Widget *widget, int id)
{
    widget->setObjectName(QStringLiteral("c%1").arg(id));
    return widget;
}

// A skin file with one skin "s" holding one form "f" with the given parts.
inline QByteArray formFile(const QByteArray &controls, const QByteArray &paints = {},
    const QByteArray &more = {})
{
    return "<skins><skin id=\"s\"><form id=\"f\"><controls>" + controls + "</controls><paints>" + paints
        + "</paints>" + more + "</form></skin></skins>";
}

// Writes the text as the folder's only skin file and loads the folder.
inline bool loadSkinText(const QTemporaryDir &dir, const QByteArray &text)
{
    writeFile(dir.filePath(QStringLiteral("s.xml")), text);
    return CQVSkinManager::Load(dir.path() + QLatin1Char('/'));
}

// A form of the current skin, locked while this lives.
struct Locked
{
    explicit Locked(const QString &name) : name(name), form(CQVSkinManager::LockForm(name)) {}
    ~Locked()
    {
        if (form)
            CQVSkinManager::UnlockForm(name);
    }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;

    QString name;
    CQVSkinForm *form;
};

} // namespace skintest
