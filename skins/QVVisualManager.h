#pragma once
// The application's look: a QProxyStyle over Fusion, with the application
// palette, driven by the style "Quelvar Base" (resource
// "STYLE_XML/IDX_QVBASE_STYLE" with its pictures under "PNG/", below the
// resource root ":/Faycel/"). It draws menus, the menu bar, tool bars, the
// status bar, edit and combo boxes, tabs, headers, dock-widget captions,
// tool-box pages (the outlook-style bar), tooltips, and the caption, caption
// buttons and border of windows that draw their own frame (frameless skinned
// windows and MDI children); top-level frames keep the window manager's
// decorations. With no style, or on a screen of 8 bits per pixel or fewer,
// everything is Fusion's plain look. User-interface thread only.

#include "skins/FaycelExport.h"
#include "skins/QVVisualStyle.h"

#include <QImage>
#include <QProxyStyle>
#include <QSize>
#include <QString>

class FAYCEL_EXPORT CQVVisualManager : public QProxyStyle
{
    Q_OBJECT

public:
    enum ButtonKind { Close, Maximize, Restore, Minimize, Exit };
    enum ButtonState { Normal, Highlighted, Pressed };

    static constexpr const char *DefaultResourceRoot = ":/Faycel/";

    // Reads the style below resourceRoot (a resource or file folder ending in
    // "/": "STYLE_XML/<id>" and "PNG/<picture>.png").
    explicit CQVVisualManager(const QString &resourceRoot = QString::fromLatin1(DefaultResourceRoot));
    ~CQVVisualManager() override;

    // Makes a new manager the application's style and its palette the
    // application's palette; the application owns the manager.
    static CQVVisualManager *SetDefaultManager();

    // The screen depth that decides between the styled and the plain look;
    // 0 (the default) reads the primary screen. For tests.
    static void SetScreenDepth(int bitsPerPixel);

    // The name of the style resource.
    virtual QString GetStyleResourceID() const;

    // Reads the style again (for instance after the screen changed).
    void OnUpdateSystemColors();

    // True when the style is read and drawn (not on an 8-bit screen).
    bool IsStyled() const { return m_styled; }
    const CQVVisualStyle &GetStyle() const { return m_style; }

    // Draws a caption button: the picture row of the state (normal,
    // highlighted, pressed; the inactive row for an inactive window) centred
    // in rect, over the caption-button background when highlighted or pressed.
    void DrawNcBtn(QPainter &painter, const QRect &rect, ButtonKind kind, ButtonState state, bool small, bool active,
        bool mdi) const;

    // QStyle
    QPalette standardPalette() const override;
    void polish(QPalette &palette) override;
    void polish(QWidget *widget) override;
    void unpolish(QWidget *widget) override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
        const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
        const QWidget *widget) const override;
    QIcon standardIcon(StandardPixmap pixmap, const QStyleOption *option = nullptr,
        const QWidget *widget = nullptr) const override;

protected:
    // Empties the caption-button picture sets.
    void CleanUp();
    // Loads the close, restore, maximise, minimise and exit pictures of one
    // size (index 0 normal, 1 small) whose names end in suffix.
    void LoadSkinIcons(int index, QSize size, const QString &suffix);

private:
    struct IconSet
    {
        QSize size;
        QImage pictures[Exit + 1];
    };

    QImage LoadPicture(const QString &name) const;
    void ApplyPalette(QPalette &palette) const;
    void DrawMenuItem(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
    void DrawTitleBar(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const;
    static void DrawCaptionText(QPainter &painter, const QRect &label, const QString &caption, bool centre,
        const QColor &text, const QColor &title);
    void DrawComboBox(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const;
    // Draws the style's picture at path; false (nothing drawn) when it has none.
    bool DrawPicture(QPainter *painter, const QString &path, const QRect &rect, int frame = 0) const;
    void DrawGradient(QPainter *painter, const QRect &rect, const QString &start, const QString &finish,
        const QColor &fallback) const;
    // The row of a caption-button picture as an image, or a null image.
    QImage ButtonRow(ButtonKind kind, int row, bool small) const;

    QString m_root;
    CQVVisualStyle m_style;
    bool m_styled = false;
    IconSet m_icons[2];
};
