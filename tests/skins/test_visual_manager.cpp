#include "SkinTestUtil.h"

#include "skins/QVVisualManager.h"
#include "skins/SkinnedWnd.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOptionTitleBar>

using namespace skintest;

namespace {

// A picture of solid-coloured frames stacked top to bottom.
void writeFrames(const QString &path, QSize frame, std::initializer_list<QRgb> colors)
{
    QImage image(frame.width(), frame.height() * int(colors.size()), QImage::Format_ARGB32);
    QPainter painter(&image);
    int y = 0;
    for (QRgb color : colors)
        painter.fillRect(QRect(QPoint(0, frame.height() * y++), frame), QColor::fromRgba(color));
    painter.end();
    ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

const QRgb Row[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF808080};
const QRgb SmallRow[4] = {0xFF400000, 0xFF004000, 0xFF000040, 0xFF404040};
const QRgb BackHot = 0xFFFFFF00;
const QRgb BackPressed = 0xFF00FFFF;
const QRgb RibbonHot = 0xFFFF00FF;
const QRgb RibbonPressed = 0xFFFF8000;
const QRgb StatusBack = 0xFF123456;
const QRgb CaptionActive = 0xFF224466;
const QRgb CaptionInactive = 0xFF667788;
const QRgb White = 0xFFFFFFFF;

QImage whiteImage(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(White);
    return image;
}

QImage drawExit(const CQVVisualManager &manager, CQVVisualManager::ButtonState state, bool small = false,
    bool active = true, bool mdi = false)
{
    QImage image = whiteImage({20, 20});
    QPainter painter(&image);
    manager.DrawNcBtn(painter, image.rect(), CQVVisualManager::Exit, state, small, active, mdi);
    painter.end();
    return image;
}

// A test style of the given TYPE below a temporary resource root.
struct VisualManager : ::testing::Test
{
    QTemporaryDir root;

    void SetUp() override
    {
        CQVVisualManager::SetScreenDepth(32);
        writeStyle("20");
        ASSERT_TRUE(QDir(root.path()).mkpath("PNG"));
        const auto picture = [&](const char *name) {
            return root.filePath(QStringLiteral("PNG/T_IDB_OFFICE2007_%1.png").arg(name));
        };
        writeFrames(picture("SYS_BTN_EXIT"), {4, 4}, {Row[0], Row[1], Row[2], Row[3]});
        writeFrames(picture("SYS_BTN_EXIT_S"), {2, 2}, {SmallRow[0], SmallRow[1], SmallRow[2], SmallRow[3]});
        writeFrames(picture("SYS_BTN_BACK"), {4, 4}, {BackHot, BackPressed});
        writeFrames(picture("RIBBON"), {4, 4}, {RibbonHot, RibbonPressed});
        writeFrames(picture("STATUS"), {4, 4}, {StatusBack});
        writeFrames(picture("CAPTION"), {8, 8}, {CaptionActive, CaptionInactive});
    }
    void TearDown() override { CQVVisualManager::SetScreenDepth(0); }

    void writeStyle(const QByteArray &type)
    {
        ASSERT_TRUE(QDir(root.path()).mkpath("STYLE_XML"));
        writeFile(root.filePath("STYLE_XML/IDX_QVBASE_STYLE"),
            R"(<STYLE>
          <VERSION><NUMBER>2007</NUMBER><TYPE>)"
                + type + R"(</TYPE><ID_PREFIX>T_</ID_PREFIX></VERSION>
          <GLOBALS><BarFace>10, 20, 30</BarFace></GLOBALS>
          <MAINWND><CAPTION>
            <ACTIVE><Text>255, 0, 0</Text><TitleText>0, 255, 0</TitleText></ACTIVE>
            <BACK><IMAGE><ID>CAPTION</ID><SIZE>8, 8</SIZE><CORNERS>0, 0, 0, 0</CORNERS></IMAGE></BACK>
            <BUTTONS>
              <NORMAL><ConstSize>20, 20</ConstSize><IconSize>4, 4</IconSize>
                <BACK><IMAGE><ID>SYS_BTN_BACK</ID><SIZE>4, 4</SIZE><CORNERS>0, 0, 0, 0</CORNERS></IMAGE></BACK>
              </NORMAL>
              <SMALL><IconSize>2, 2</IconSize></SMALL>
            </BUTTONS>
          </CAPTION></MAINWND>
          <BARS><STATUSBAR><Text>1, 2, 3</Text>
            <BACK><IMAGE><ID>STATUS</ID><SIZE>4, 4</SIZE><CORNERS>0, 0, 0, 0</CORNERS></IMAGE></BACK>
          </STATUSBAR></BARS>
          <RIBBON><BUTTON><IMAGE><ID>RIBBON</ID><SIZE>4, 4</SIZE><CORNERS>0, 0, 0, 0</CORNERS></IMAGE></BUTTON></RIBBON>
        </STYLE>)");
    }

    QString rootPath() const { return root.path() + "/"; }
};

// Each row of the exit picture in its state; highlighted and pressed MDI
// buttons lie on the ribbon background from TYPE 20 on.
TEST_F(VisualManager, ExitButtonRows)
{
    using M = CQVVisualManager;
    const struct
    {
        const char *name;
        M::ButtonState state;
        bool small, active, mdi;
        QRgb middle, corner;
        QByteArray type = "20";
    } cases[] = {
        {"normal", M::Normal, false, true, false, Row[0], White},
        {"highlighted", M::Highlighted, false, true, false, Row[1], BackHot},
        {"pressed", M::Pressed, false, true, false, Row[2], BackPressed},
        {"inactive", M::Normal, false, false, false, Row[3], White},
        {"inactive wins over highlighted", M::Highlighted, false, false, false, Row[3], White},
        {"small set", M::Pressed, true, true, false, SmallRow[2], White}, // the small size has no background
        {"MDI button on the ribbon background", M::Highlighted, false, true, true, Row[1], RibbonHot},
        {"MDI pressed", M::Pressed, false, true, true, Row[2], RibbonPressed},
        {"MDI, TYPE 1 (10): caption-button background", M::Highlighted, false, true, true, Row[1], BackHot, "1"},
    };
    for (const auto &c : cases) {
        writeStyle(c.type);
        const CQVVisualManager manager(rootPath());
        ASSERT_TRUE(manager.IsStyled()) << c.name;
        const QImage image = drawExit(manager, c.state, c.small, c.active, c.mdi);
        EXPECT_EQ(image.pixel(10, 10), c.middle) << c.name;
        EXPECT_EQ(image.pixel(1, 1), c.corner) << c.name;
    }
}

TEST_F(VisualManager, StyledElements)
{
    CQVVisualManager manager(rootPath());
    QStatusBar bar;
    bar.setStyle(&manager);
    bar.resize(120, 22);
    EXPECT_EQ(bar.grab().toImage().pixel(60, 11), StatusBack);
    EXPECT_EQ(bar.palette().color(QPalette::WindowText), QColor(1, 2, 3)) << "status text colour";
    EXPECT_EQ(manager.standardPalette().color(QPalette::Window), QColor(10, 20, 30));

    for (const bool active : {true, false}) {
        QStyleOptionTitleBar option;
        option.rect = QRect(0, 0, 200, 26);
        option.state = active ? QStyle::State_Active : QStyle::State_None;
        option.subControls = QStyle::SC_TitleBarLabel;
        QImage image = whiteImage(option.rect.size());
        QPainter painter(&image);
        manager.drawComplexControl(QStyle::CC_TitleBar, &option, &painter);
        painter.end();
        EXPECT_EQ(image.pixel(100, 2), active ? CaptionActive : CaptionInactive) << active;
    }

    // The document part of a title and the application's title, each in its own colour.
    const QString app = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName("Quelvar");
    const struct
    {
        QString title;
        bool document, application;
    } titles[] = {{"MMMM - Quelvar", true, true}, {"MMMM", true, false}, {"Quelvar", false, true}};
    for (const auto &t : titles) {
        QStyleOptionTitleBar option;
        option.rect = QRect(0, 0, 300, 26);
        option.state = QStyle::State_Active;
        option.subControls = QStyle::SC_TitleBarLabel;
        option.text = t.title;
        option.titleBarFlags = Qt::Window | Qt::WindowTitleHint;
        QImage image = whiteImage(option.rect.size());
        QPainter painter(&image);
        manager.drawComplexControl(QStyle::CC_TitleBar, &option, &painter);
        painter.end();
        bool red = false, green = false;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red = red || (c.red() > 200 && c.green() < 100);
                green = green || (c.green() > 200 && c.red() < 100);
            }
        }
        EXPECT_EQ(red, t.document) << t.title.toStdString();
        EXPECT_EQ(green, t.application) << t.title.toStdString();
    }
    QGuiApplication::setApplicationDisplayName(app);

    // A frameless skinned window's caption buttons take the caption-button background.
    const CSkinnedWnd skinned;
    for (const bool pressed : {false, true}) {
        QStyleOption option;
        option.rect = QRect(0, 0, 20, 20);
        option.state = QStyle::State_Enabled | QStyle::State_MouseOver
            | (pressed ? QStyle::State_Sunken : QStyle::State_None);
        QImage image = whiteImage(option.rect.size());
        QPainter painter(&image);
        manager.drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, &skinned);
        painter.end();
        EXPECT_EQ(image.pixel(10, 10), pressed ? BackPressed : BackHot) << pressed;
    }
}

TEST_F(VisualManager, PlainLook)
{
    const QPalette fusion = QStyleFactory::create("Fusion")->standardPalette();
    const struct
    {
        const char *name;
        int depth;
        bool removeStyle;
    } cases[] = {
        {"8 bits per pixel", 8, false},
        {"4 bits per pixel", 4, false},
        {"no style resource", 32, true},
    };
    for (const auto &c : cases) {
        CQVVisualManager::SetScreenDepth(c.depth);
        if (c.removeStyle)
            QFile::remove(root.filePath("STYLE_XML/IDX_QVBASE_STYLE"));
        const CQVVisualManager manager(rootPath());
        EXPECT_FALSE(manager.IsStyled()) << c.name;
        EXPECT_FALSE(manager.GetStyle().IsLoaded()) << c.name << ": no picture is loaded";
        EXPECT_EQ(manager.standardPalette().color(QPalette::Window), fusion.color(QPalette::Window)) << c.name;
        EXPECT_EQ(drawExit(manager, CQVVisualManager::Pressed).pixel(10, 10), White) << c.name;
    }
}

TEST(ShippedStyle, LoadsWithAllItsPictures)
{
    CQVVisualManager::SetScreenDepth(32);
    const CQVVisualManager manager;
    const CQVVisualStyle &style = manager.GetStyle();
    ASSERT_TRUE(manager.IsStyled());
    EXPECT_EQ(manager.GetStyleResourceID(), "IDX_QVBASE_STYLE");
    EXPECT_EQ(style.GetName(), "Quelvar Base");
    EXPECT_EQ(style.GetType(), 20);
    EXPECT_EQ(style.GetPrefix(), "QVBASE_");
    for (const char *path : {"MAINWND/CAPTION/BACK", "MAINWND/CAPTION/BUTTONS/NORMAL/BACK",
             "MAINWND/CAPTION/BUTTONS/SMALL/BACK", "MAINWND/BORDER", "MAINWND/BORDER_MDICHILD", "MENU/HIGHLIGHT",
             "MENU/CHECK", "BARS/TOOLBAR/BACK", "BARS/TOOLBAR/BUTTON", "BARS/TOOLBAR/GRIPPER", "BARS/MENUBAR/BACK",
             "BARS/MENUBAR/ITEM", "BARS/STATUSBAR/BACK", "BARS/STATUSBAR/SIZEBOX", "COMBO/BUTTON", "TASK/GROUP",
             "TABS/TAB", "RIBBON/BUTTON", "OUTLOOK/BUTTON"})
        EXPECT_TRUE(style.Renderer(path).IsValid()) << path;
    for (const auto pixmap : {QStyle::SP_TitleBarCloseButton, QStyle::SP_TitleBarMaxButton,
             QStyle::SP_TitleBarNormalButton, QStyle::SP_TitleBarMinButton}) {
        const QIcon icon = manager.standardIcon(pixmap);
        EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(16, 16)}) << pixmap;
    }
    for (const bool small : {false, true})
        EXPECT_NE(drawExit(manager, CQVVisualManager::Normal, small), whiteImage({20, 20})) << "exit picture, small " << small;
}

} // namespace
