#pragma once
// One kind of window in a skin: where its items sit and how they show
// (controls), what is painted behind them (client paints) and in the frame
// (non-client paints), and optionally the client rectangle inside the frame.
// Windows find their form by id through CQVSkinManager::LockForm.
// User-interface thread only.

#include "skins/FaycelExport.h"
#include "skins/QVSkinControl.h"
#include "skins/QVSkinPaint.h"
#include "skins/QVSkinRect.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QWidget;

class FAYCEL_EXPORT CQVSkinForm
{
public:
    using Controls = std::vector<std::unique_ptr<CQVSkinControl>>;
    using Paints = std::vector<std::unique_ptr<CQVSkinPaintRect>>;

    explicit CQVSkinForm(const QString &id);
    // Copies are deep: every control and paint is cloned.
    CQVSkinForm(const CQVSkinForm &other);
    CQVSkinForm &operator=(const CQVSkinForm &other);
    ~CQVSkinForm();

    bool operator==(const QString &id) const { return m_id == id; }
    const QString &GetId() const { return m_id; }

    // The form takes ownership.
    void AddControl(std::unique_ptr<CQVSkinControl> control);
    void AddPaint(std::unique_ptr<CQVSkinPaintRect> paint);
    void AddNcPaint(std::unique_ptr<CQVSkinPaintRect> paint);

    // True when the form paints the window's frame itself.
    bool IsCustomNcPaint() const { return !m_ncPaints.empty(); }

    // First match in list order, or null; owned by the form. GetPaint looks
    // at the client paints only.
    CQVSkinControl *GetControl(const QString &id) const;
    CQVSkinPaintRect *GetPaint(const QString &id) const;
    const Controls &GetControls() const { return m_controls; }
    const Paints &GetPaints() const { return m_paints; }
    const Paints &GetNcPaints() const { return m_ncPaints; }

    void SetClientRect(const CQVSkinRect &rect) { m_clientRect = rect; }
    const std::optional<CQVSkinRect> &GetClientRect() const { return m_clientRect; }

    // A deep copy under a new id; the caller owns it.
    std::unique_ptr<CQVSkinForm> Clone(const QString &newId) const;

    // Applies every control to the window's items; false at the first control
    // whose item is missing (the window tries again later).
    bool OnInit(QWidget *window);
    // Moves every item into place within the window's client rectangle.
    void OnSize(QWidget *window, const QRect &clientRect);
    void ShowDlgItem(QWidget *window, int itemId, bool show);
    // Replaces the proposed window rectangle by the client rectangle resolved
    // against it; false (rectangle unchanged) when the form has none.
    bool OnNcCalcSize(QRect &rect) const;
    void OnPaint(QPainter &painter, const QRect &rect) const;
    void OnNcPaint(QPainter &painter, const QRect &rect) const;

private:
    static void DoPaint(const Paints &paints, QPainter &painter, const QRect &rect);
    void CopyFrom(const CQVSkinForm &other);

    QString m_id;
    Controls m_controls;
    Paints m_paints;
    Paints m_ncPaints;
    std::optional<CQVSkinRect> m_clientRect;
};
