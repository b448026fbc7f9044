#include "QVSkinControl.h"

#include <QAbstractButton>
#include <QColor>
#include <QFrame>
#include <QPixmap>
#include <QVariant>
#include <QWidget>

CQVSkinControl::~CQVSkinControl() = default;

CQVSkinControl::CQVSkinControl(const CQVSkinControl &other)
    : m_id(other.m_id)
    , m_rect(other.m_rect)
    , m_dlgId(other.m_dlgId)
    , m_border(other.m_border)
    , m_visibility(other.m_visibility)
{
    m_controls.reserve(other.m_controls.size());
    for (const auto &control : other.m_controls)
        m_controls.push_back(control->Clone());
}

std::unique_ptr<CQVSkinControl> CQVSkinControl::Clone() const
{
    return std::unique_ptr<CQVSkinControl>(new CQVSkinControl(*this));
}

CQVSkinControl *CQVSkinControl::GetControl(const QString &id) const
{
    for (const auto &control : m_controls) {
        if (control->GetId() == id)
            return control.get();
    }
    return nullptr;
}

QWidget *CQVSkinControl::FindDlgItem(QWidget *window, int itemId)
{
    if (!window)
        return nullptr;
    return window->findChild<QWidget *>(QStringLiteral("c%1").arg(itemId), Qt::FindDirectChildrenOnly);
}

bool CQVSkinControl::InitNested(QWidget *window)
{
    // Every nested control is applied, even after one failed.
    bool ok = true;
    for (const auto &control : m_controls)
        ok = control->OnInit(window) && ok;
    return ok;
}

bool CQVSkinControl::OnInit(QWidget *window)
{
    QWidget *item = FindDlgItem(window, m_dlgId);
    if (!item)
        return false;

    // Only framed widgets carry a border; the skin decides whether they show one.
    if (auto *frame = qobject_cast<QFrame *>(item)) {
        if (m_border) {
            frame->setFrameStyle(QFrame::Box | QFrame::Plain);
            frame->setLineWidth(1);
        } else {
            frame->setFrameStyle(QFrame::NoFrame);
        }
    }

    if (m_visibility == VisibilityHide)
        item->hide();
    else if (m_visibility == VisibilityShow)
        item->show();

    return InitNested(item);
}

bool CQVSkinControl::ShowDlgItem(QWidget *window, int itemId, bool show)
{
    if (m_dlgId == itemId) {
        if (QWidget *item = FindDlgItem(window, itemId)) {
            if (m_visibility == VisibilityHide)
                item->hide();
            else if (m_visibility == VisibilityShow)
                item->show();
        }
        return true;
    }
    for (const auto &control : m_controls) {
        if (control->ShowDlgItem(window, itemId, show))
            return true;
    }
    return false;
}

void CQVSkinControl::OnSize(QWidget *window, const QRect &parentRect)
{
    QWidget *item = FindDlgItem(window, m_dlgId);
    if (!item)
        return;
    const QRect rect = m_rect.Resolve(parentRect);
    if (item->geometry() != rect)
        item->setGeometry(rect);
    const QRect inner(0, 0, rect.width(), rect.height());
    for (const auto &control : m_controls)
        control->OnSize(item, inner);
}

bool CQVSkinButton::OnInit(QWidget *window)
{
    auto *button = qobject_cast<QAbstractButton *>(FindDlgItem(window, GetDlgId()));
    if (!button)
        return false;

    button->setProperty(FaceColorProperty, QColor(qRed(m_color), qGreen(m_color), qBlue(m_color)));
    button->setProperty(HoverBackgroundProperty,
        m_hoverBackground.isNull() ? QPixmap() : QPixmap::fromImage(m_hoverBackground));
    button->setProperty(TransparentProperty, m_transparent);
    if (!m_image.isNull()) {
        button->setProperty(ImageProperty, QPixmap::fromImage(m_image));
        button->setProperty(HotImageProperty,
            m_hoverImage.isNull() ? QPixmap() : QPixmap::fromImage(m_hoverImage));
    }
    button->update();

    return CQVSkinControl::OnInit(window);
}

std::unique_ptr<CQVSkinControl> CQVSkinButton::Clone() const
{
    return std::unique_ptr<CQVSkinControl>(new CQVSkinButton(*this));
}

bool CQVSkinGroup::OnInit(QWidget *window)
{
    return InitNested(window);
}

void CQVSkinGroup::OnSize(QWidget *window, const QRect &parentRect)
{
    const QRect rect = GetRect().Resolve(parentRect);
    for (const auto &control : GetControls())
        control->OnSize(window, rect);
}

std::unique_ptr<CQVSkinControl> CQVSkinGroup::Clone() const
{
    return std::unique_ptr<CQVSkinControl>(new CQVSkinGroup(*this));
}
