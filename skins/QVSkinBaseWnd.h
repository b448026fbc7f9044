#pragma once
// Skinned window bases: a window that follows a skin form. The form's
// controls are applied to the window's items and placed on every resize, its
// client paints are drawn behind the items and its non-client paints in the
// frame, which is the band between the widget's edge and its contents
// rectangle (the form's client rectangle becomes the contents margins).
//
// CQVSkinBaseWnd<Base> gives a QWidget class that behaviour; it cannot carry
// Q_OBJECT, so the work is done by one non-template controller,
// CQVSkinBaseController, which also receives the skin-change signal.
// CQVSkinWnd and CQVSkinDialog are the two instances, with Q_OBJECT.
// User-interface thread only.

#include "skins/FaycelExport.h"

#include <QMargins>
#include <QObject>
#include <QPaintEvent>
#include <QRect>
#include <QResizeEvent>
#include <QString>

#include <map>
#include <optional>
#include <utility>

class QPainter;
class QWidget;

// The hooks a skinned window offers its controller.
class IQVSkinWindow
{
public:
    // The id of the form to use.
    virtual QString GetSkinFormName() const = 0;
    // Paints the frame's background (whole widget rectangle) before the
    // form's non-client paints; clipped to the frame band.
    virtual void FillNcBackground(QPainter &painter, const QRect &windowRect) = 0;
    // Paints the client background (the contents rectangle) before the
    // form's client paints.
    virtual void FillBackground(QPainter &painter, const QRect &clientRect) = 0;

protected:
    ~IQVSkinWindow() = default;
};

class FAYCEL_EXPORT CQVSkinBaseController : public QObject
{
    Q_OBJECT

public:
    // window and hooks are the skinned window itself, which owns the controller.
    CQVSkinBaseController(QWidget *window, IQVSkinWindow *hooks);
    ~CQVSkinBaseController() override;

    // Re-applies the new skin's form whenever the current skin changes.
    void FollowSkinChanges();

    // Applies the form named by GetSkinFormName unless it is already applied.
    void InitializeSkin();
    // Places the items within clientRect (window coordinates) and repaints.
    void DoResizeRect(const QRect &clientRect);
    // DoResizeRect with the contents rectangle.
    void DoResize();
    bool IsCustomNcPaint() const;
    // Shows or hides an item; a skin control that hides the item wins over a
    // show, and a hide always wins. The wish is kept across form changes.
    void ShowDlgItem(int itemId, bool show);

    bool IsInitialized() const { return m_initialized; }
    const QString &GetFormName() const { return m_formName; }

    // Event handlers of the window.
    void OnPaint(QPaintEvent *event);
    // After the base's resize handling: measures the frame, places the items.
    void OnSize();

    // The name of a window's class, the default form name.
    static QString DefaultFormName(const QObject *window);

private:
    void OnSkinChanged();
    // Sets the contents margins from the form's client rectangle.
    void UpdateClientRect();

    QWidget *m_window;
    IQVSkinWindow *m_hooks;
    QString m_formName;
    bool m_initialized = false;
    // The owner's last wish per item id: true shown, false hidden.
    std::map<int, bool> m_itemVisibility;
    // The window's own margins, set back when the form stops giving a client rectangle.
    std::optional<QMargins> m_ownMargins;
};

template <class Base>
class CQVSkinBaseWnd : public Base, protected IQVSkinWindow
{
public:
    template <class... Args>
    explicit CQVSkinBaseWnd(Args &&...args)
        : Base(std::forward<Args>(args)...)
        , m_skin(this, this)
    {
    }

    void ShowDlgItem(int itemId, bool show) { m_skin.ShowDlgItem(itemId, show); }
    bool IsCustomNcPaint() const { return m_skin.IsCustomNcPaint(); }

protected:
    // The window's class name (the nearest class with Q_OBJECT).
    QString GetSkinFormName() const override { return CQVSkinBaseController::DefaultFormName(this); }
    void FillNcBackground(QPainter &, const QRect &) override {}
    void FillBackground(QPainter &, const QRect &) override {}

    void InitializeSkin() { m_skin.InitializeSkin(); }
    void DoResizeRect(const QRect &clientRect) { m_skin.DoResizeRect(clientRect); }
    // Derived windows call it after changing their own layout.
    void DoResize() { m_skin.DoResize(); }
    CQVSkinBaseController &SkinController() { return m_skin; }

    void paintEvent(QPaintEvent *event) override { m_skin.OnPaint(event); }
    // A derived class with its own resize handling calls this one from it.
    void resizeEvent(QResizeEvent *event) override
    {
        Base::resizeEvent(event);
        m_skin.OnSize();
    }

private:
    CQVSkinBaseController m_skin;
};
