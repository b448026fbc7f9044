#include "QVSkinBaseWnd.h"

#include "QVSkinControl.h"
#include "QVSkinForm.h"
#include "QVSkinManager.h"

#include <QMetaObject>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace {

// Holds a form of the current skin for one use, as every use must.
class FormLock
{
public:
    explicit FormLock(const QString &name)
        : m_name(name)
        , m_form(name.isEmpty() ? nullptr : CQVSkinManager::LockForm(name))
    {
    }
    ~FormLock()
    {
        if (m_form)
            CQVSkinManager::UnlockForm(m_name);
    }
    FormLock(const FormLock &) = delete;
    FormLock &operator=(const FormLock &) = delete;

    CQVSkinForm *get() const { return m_form; }
    CQVSkinForm *operator->() const { return m_form; }
    explicit operator bool() const { return m_form != nullptr; }

private:
    QString m_name;
    CQVSkinForm *m_form;
};

} // namespace

CQVSkinBaseController::CQVSkinBaseController(QWidget *window, IQVSkinWindow *hooks)
    : m_window(window)
    , m_hooks(hooks)
{
}

CQVSkinBaseController::~CQVSkinBaseController() = default;

void CQVSkinBaseController::FollowSkinChanges()
{
    connect(CQVSkinManager::Instance(), &CQVSkinManager::OnSkinChanged, this, &CQVSkinBaseController::OnSkinChanged,
        Qt::UniqueConnection);
}

QString CQVSkinBaseController::DefaultFormName(const QObject *window)
{
    return QString::fromLatin1(window->metaObject()->className());
}

void CQVSkinBaseController::InitializeSkin()
{
    const QString name = m_hooks->GetSkinFormName();
    if (m_initialized && name == m_formName)
        return;
    m_formName = name;
    const FormLock form(m_formName);
    if (!form)
        return;

    for (const auto &[id, shown] : m_itemVisibility) {
        if (shown) {
            if (QWidget *item = CQVSkinControl::FindDlgItem(m_window, id))
                item->show();
        }
    }
    // False while an item is missing, so the form is applied again next time.
    m_initialized = form->OnInit(m_window);
    for (const auto &[id, shown] : m_itemVisibility) {
        if (!shown) {
            if (QWidget *item = CQVSkinControl::FindDlgItem(m_window, id))
                item->hide();
        }
    }
}

void CQVSkinBaseController::DoResizeRect(const QRect &clientRect)
{
    InitializeSkin();
    if (const FormLock form(m_formName); form)
        form->OnSize(m_window, clientRect);
    if (m_window->isVisible())
        m_window->update();
}

void CQVSkinBaseController::DoResize()
{
    DoResizeRect(m_window->contentsRect());
}

bool CQVSkinBaseController::IsCustomNcPaint() const
{
    const FormLock form(m_formName);
    return form && form->IsCustomNcPaint();
}

void CQVSkinBaseController::ShowDlgItem(int itemId, bool show)
{
    InitializeSkin();
    m_itemVisibility[itemId] = show;
    QWidget *item = CQVSkinControl::FindDlgItem(m_window, itemId);
    if (show && item)
        item->show();
    if (const FormLock form(m_formName); form)
        form->ShowDlgItem(m_window, itemId, show);
    if (!show && item)
        item->hide();
}

void CQVSkinBaseController::UpdateClientRect()
{
    InitializeSkin();
    const FormLock form(m_formName);
    QRect client = m_window->rect();
    if (form && form->OnNcCalcSize(client)) {
        if (!m_ownMargins)
            m_ownMargins = m_window->contentsMargins();
        const QRect outer = m_window->rect();
        // A client rectangle resolved past the far edges leaves no client area.
        const QMargins margins(std::max(client.left() - outer.left(), 0), std::max(client.top() - outer.top(), 0),
            std::max(outer.right() - client.right(), 0), std::max(outer.bottom() - client.bottom(), 0));
        if (m_window->contentsMargins() != margins)
            m_window->setContentsMargins(margins);
    } else if (m_ownMargins) {
        m_window->setContentsMargins(*m_ownMargins);
        m_ownMargins.reset();
    }
}

void CQVSkinBaseController::OnSize()
{
    UpdateClientRect();
    DoResize();
}

void CQVSkinBaseController::OnPaint(QPaintEvent *event)
{
    const QRect windowRect = m_window->rect();
    if (windowRect.isEmpty())
        return;
    // The frame is measured and painted with the form applied, as on a resize.
    InitializeSkin();
    const FormLock form(m_formName);
    const QRect client = m_window->contentsRect();

    // The widget's backing store is the off-screen buffer, and Qt already
    // leaves opaque children out of the parent's painting.
    QPainter painter(m_window);
    painter.setClipRegion(event->region());
    if (form && form->IsCustomNcPaint() && client != windowRect) {
        painter.save();
        painter.setClipRegion(event->region().intersected(QRegion(windowRect).subtracted(client)));
        m_hooks->FillNcBackground(painter, windowRect);
        form->OnNcPaint(painter, windowRect);
        painter.restore();
    }
    if (client.isEmpty())
        return;
    painter.setClipRegion(event->region().intersected(client));
    m_hooks->FillBackground(painter, client);
    if (form)
        form->OnPaint(painter, client);
}

void CQVSkinBaseController::OnSkinChanged()
{
    // The next InitializeSkin applies the new skin's form of the same name.
    m_formName.clear();
    m_initialized = false;
    OnSize();
    m_window->update();
}
