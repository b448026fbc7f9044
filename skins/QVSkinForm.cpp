#include "QVSkinForm.h"

#include <QPainter>

CQVSkinForm::CQVSkinForm(const QString &id)
    : m_id(id)
{
}

CQVSkinForm::CQVSkinForm(const CQVSkinForm &other)
{
    CopyFrom(other);
}

CQVSkinForm &CQVSkinForm::operator=(const CQVSkinForm &other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

CQVSkinForm::~CQVSkinForm() = default;

void CQVSkinForm::CopyFrom(const CQVSkinForm &other)
{
    m_id = other.m_id;
    m_clientRect = other.m_clientRect;
    m_controls.clear();
    m_paints.clear();
    m_ncPaints.clear();
    for (const auto &control : other.m_controls)
        m_controls.push_back(control->Clone());
    for (const auto &paint : other.m_paints)
        m_paints.push_back(paint->Clone());
    for (const auto &paint : other.m_ncPaints)
        m_ncPaints.push_back(paint->Clone());
}

void CQVSkinForm::AddControl(std::unique_ptr<CQVSkinControl> control)
{
    if (control)
        m_controls.push_back(std::move(control));
}

void CQVSkinForm::AddPaint(std::unique_ptr<CQVSkinPaintRect> paint)
{
    if (paint)
        m_paints.push_back(std::move(paint));
}

void CQVSkinForm::AddNcPaint(std::unique_ptr<CQVSkinPaintRect> paint)
{
    if (paint)
        m_ncPaints.push_back(std::move(paint));
}

CQVSkinControl *CQVSkinForm::GetControl(const QString &id) const
{
    for (const auto &control : m_controls) {
        if (control->GetId() == id)
            return control.get();
    }
    return nullptr;
}

CQVSkinPaintRect *CQVSkinForm::GetPaint(const QString &id) const
{
    for (const auto &paint : m_paints) {
        if (paint->GetId() == id)
            return paint.get();
    }
    return nullptr;
}

std::unique_ptr<CQVSkinForm> CQVSkinForm::Clone(const QString &newId) const
{
    auto form = std::make_unique<CQVSkinForm>(*this);
    form->m_id = newId;
    return form;
}

bool CQVSkinForm::OnInit(QWidget *window)
{
    for (const auto &control : m_controls) {
        if (!control->OnInit(window))
            return false;
    }
    return true;
}

void CQVSkinForm::OnSize(QWidget *window, const QRect &clientRect)
{
    for (const auto &control : m_controls)
        control->OnSize(window, clientRect);
}

void CQVSkinForm::ShowDlgItem(QWidget *window, int itemId, bool show)
{
    for (const auto &control : m_controls) {
        if (control->ShowDlgItem(window, itemId, show))
            return;
    }
}

bool CQVSkinForm::OnNcCalcSize(QRect &rect) const
{
    if (!m_clientRect)
        return false;
    rect = m_clientRect->Resolve(rect);
    return true;
}

void CQVSkinForm::OnPaint(QPainter &painter, const QRect &rect) const
{
    DoPaint(m_paints, painter, rect);
}

void CQVSkinForm::OnNcPaint(QPainter &painter, const QRect &rect) const
{
    DoPaint(m_ncPaints, painter, rect);
}

void CQVSkinForm::DoPaint(const Paints &paints, QPainter &painter, const QRect &rect)
{
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const auto &paint : paints)
        paint->Paint(painter, rect);
    painter.restore();
}
