#include "skins/QVSplitter.h"

#include "skins/QVSettingsHelpers.h"
#include "skins/SkinLog.h"

#include <QApplication>
#include <QChildEvent>
#include <QMouseEvent>
#include <QSettings>
#include <QSplitterHandle>

#include <algorithm>

// Drags the bar through the splitter's tracking rules instead of QSplitter's.
class CQVSplitterHandle : public QSplitterHandle
{
public:
    CQVSplitterHandle(Qt::Orientation orientation, CQVSplitter *parent)
        : QSplitterHandle(orientation, parent), m_splitter(parent)
    {
    }

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        m_pane = m_splitter->indexOf(this) - 1;
        if (m_pane < 0)
            return;
        m_offset = m_splitter->Pick(e->position().toPoint());
        m_splitter->BeginDrag(m_pane);
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (m_pane >= 0 && (e->buttons() & Qt::LeftButton))
            m_splitter->DragBar(m_pane, BarPosition(e));
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        if (m_pane < 0 || e->button() != Qt::LeftButton)
            return;
        m_splitter->DragBar(m_pane, BarPosition(e));
        m_splitter->EndDrag();
        m_pane = -1;
    }

private:
    int BarPosition(QMouseEvent *e) const
    {
        return m_splitter->Pick(mapToParent(e->position().toPoint())) - m_offset;
    }

    CQVSplitter *m_splitter;
    int m_pane = -1;
    int m_offset = 0;
};

CQVSplitter::CQVSplitter(const QString &section, Qt::Orientation orientation, QWidget *parent,
                         int controlId)
    : QSplitter(orientation, parent), m_section(section), m_controlId(controlId)
{
    setObjectName(QStringLiteral("c%1").arg(controlId));
}

CQVSplitter::~CQVSplitter()
{
    // A splitter that never read its sizes would overwrite them with its defaults.
    if (m_loaded)
        SaveState(GetSectionName(m_section));
}

void CQVSplitter::SetPaneInfo(int pane, int ideal, int minimum)
{
    EnsurePanes();
    if (pane < 0 || pane >= int(m_panes.size()))
        return;
    m_panes[pane].ideal = ideal;
    m_panes[pane].minimum = minimum;
}

void CQVSplitter::GetPaneInfo(int pane, int &ideal, int &minimum) const
{
    EnsurePanes();
    if (pane < 0 || pane >= int(m_panes.size()))
        return;
    ideal = m_panes[pane].ideal;
    minimum = m_panes[pane].minimum;
}

QString CQVSplitter::GetSectionName(const QString &section) const
{
    return CQVSettingsHelpers::GetProfileName(section) + QStringLiteral("Splitter-%1").arg(m_controlId);
}

void CQVSplitter::LoadState(const QString &path)
{
    m_loaded = true;
    EnsurePanes();
    auto store = CQVSettingsHelpers::OpenStore();
    if (store->status() != QSettings::NoError) {
        qCWarning(lcSkins) << "cannot read the splitter sizes from" << store->fileName();
        return;
    }
    store->beginGroup(path);
    if (store->childKeys().isEmpty())
        return;
    // A stored size that is no pixel count (or negative) leaves the pane as it is.
    auto read = [&store](const QString &key, int &into) {
        bool ok = false;
        const int value = store->value(key).toInt(&ok);
        if (ok && value >= 0)
            into = value;
    };
    for (size_t i = 0; i < m_panes.size(); ++i) {
        read(QStringLiteral("Pane-%1-Min").arg(i), m_panes[i].minimum);
        read(QStringLiteral("Pane-%1-Current").arg(i), m_panes[i].ideal);
        m_panes[i].current = -1;
    }
}

void CQVSplitter::SaveState(const QString &path) const
{
    EnsurePanes();
    auto store = CQVSettingsHelpers::OpenStore();
    store->beginGroup(path);
    for (size_t i = 0; i < m_panes.size(); ++i) {
        const QVSplitterPane &p = m_panes[i];
        store->setValue(QStringLiteral("Pane-%1-Min").arg(i), p.minimum);
        // A pane never laid out since its sizes were read keeps its ideal size.
        store->setValue(QStringLiteral("Pane-%1-Current").arg(i), p.current >= 0 ? p.current : p.ideal);
    }
    store->endGroup();
    CQVSettingsHelpers::CommitStore(*store);
}

void CQVSplitter::RecalcLayout()
{
    if (m_inLayout)
        return;
    if (!m_loaded)
        LoadState(GetSectionName(m_section));
    EnsurePanes();
    if (m_panes.empty())
        return;
    const int length = Pick(contentsRect().size());
    QVSplitterLayout::FitPanes(m_panes, length, handleWidth());
    ApplyGeometry(QVSplitterLayout::LayOutPanes(m_panes, length, handleWidth()));
}

void CQVSplitter::TrackRowSize(int y, int row)
{
    if (orientation() == Qt::Vertical)
        TrackPane(row, y);
}

void CQVSplitter::TrackColumnSize(int x, int column)
{
    if (orientation() == Qt::Horizontal)
        TrackPane(column, x);
}

void CQVSplitter::TrackPane(int pane, int position)
{
    EnsurePanes();
    QVSplitterLayout::TrackPaneSize(m_panes, pane, position - PaneStart(pane), handleWidth(),
                                    handleWidth());
}

QWidget *CQVSplitter::GetActivePane(int *pane) const
{
    QWidget *focus = QApplication::focusWidget();
    for (int i = 0; focus && i < count(); ++i) {
        QWidget *w = widget(i);
        if (w == focus || w->isAncestorOf(focus)) {
            if (pane)
                *pane = i;
            return w;
        }
    }
    return nullptr;
}

QSize CQVSplitter::minimumSizeHint() const
{
    EnsurePanes();
    int length = 0;
    for (size_t i = 0; i < m_panes.size(); ++i)
        length += std::max(m_panes[i].minimum, 0) + (i > 0 ? handleWidth() : 0);
    const int frame = 2 * frameWidth();
    return orientation() == Qt::Horizontal ? QSize(length + frame, frame) : QSize(frame, length + frame);
}

QSplitterHandle *CQVSplitter::createHandle()
{
    return new CQVSplitterHandle(orientation(), this);
}

bool CQVSplitter::event(QEvent *e)
{
    // A pane asks for a layout whenever it is resized (a tab widget does on
    // every resize). QSplitter's answer shares the room out in its own
    // proportions and ours then puts the panes back: two moves, so the next
    // request comes and the splitter never rests. Ours alone leaves panes
    // that are where they belong untouched.
    if (e->type() == QEvent::LayoutRequest) {
        const bool result = QFrame::event(e);
        if (isVisible())
            RecalcLayout();
        return result;
    }
    const bool result = QSplitter::event(e);
    switch (e->type()) {
    // QSplitter lays its children out again on these; put our sizes back.
    case QEvent::Show:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::StyleChange:
        if (isVisible())
            RecalcLayout();
        break;
    default:
        break;
    }
    return result;
}

void CQVSplitter::resizeEvent(QResizeEvent *e)
{
    // Not QSplitter's: it would share the change out in proportion.
    QFrame::resizeEvent(e);
    RecalcLayout();
}

void CQVSplitter::childEvent(QChildEvent *e)
{
    if (e->removed()) {
        for (int i = 0; i < count() && i < int(m_panes.size()); ++i) {
            if (static_cast<QObject *>(widget(i)) == e->child()) {
                m_panes.erase(m_panes.begin() + i);
                break;
            }
        }
    }
    QSplitter::childEvent(e);
    if ((e->added() || e->removed()) && isVisible())
        RecalcLayout();
}

void CQVSplitter::BeginDrag(int pane)
{
    EnsurePanes();
    m_dragStart = m_panes;
    m_dragPaneStart = PaneStart(pane);
}

void CQVSplitter::DragBar(int pane, int position)
{
    if (m_dragStart.size() != m_panes.size())
        return;
    // Every step starts from the sizes at the press, as one drag from there.
    m_panes = m_dragStart;
    const auto [low, high] =
        QVSplitterLayout::TrackLimits(m_panes, pane, m_dragPaneStart, ContentsEnd(), handleWidth());
    position = std::max(low, std::min(position, high));
    QVSplitterLayout::TrackPaneSize(m_panes, pane, position - m_dragPaneStart, handleWidth(),
                                    handleWidth());
    RecalcLayout();
}

void CQVSplitter::EndDrag()
{
    m_dragStart.clear();
}

void CQVSplitter::EnsurePanes() const
{
    m_panes.resize(std::max(count(), 0));
}

int CQVSplitter::Pick(const QPoint &p) const
{
    return orientation() == Qt::Horizontal ? p.x() : p.y();
}

int CQVSplitter::Pick(const QSize &s) const
{
    return orientation() == Qt::Horizontal ? s.width() : s.height();
}

int CQVSplitter::ContentsStart() const
{
    return Pick(contentsRect().topLeft());
}

int CQVSplitter::ContentsEnd() const
{
    return ContentsStart() + Pick(contentsRect().size());
}

int CQVSplitter::PaneStart(int pane) const
{
    int start = ContentsStart();
    for (int i = 0; i < pane && i < int(m_panes.size()); ++i)
        start += std::max(m_panes[i].current, 0) + handleWidth();
    return start;
}

void CQVSplitter::ApplyGeometry(const std::vector<int> &sizes)
{
    m_inLayout = true;
    const QRect r = contentsRect();
    const bool horizontal = orientation() == Qt::Horizontal;
    auto place = [&](QWidget *w, int at, int length) {
        w->setGeometry(horizontal ? QRect(at, r.top(), length, r.height())
                                  : QRect(r.left(), at, r.width(), length));
    };
    int at = ContentsStart();
    // As QSplitter would: no bar before the first shown pane or before a hidden one.
    bool first = true;
    for (int i = 0; i < count() && i < int(sizes.size()); ++i) {
        const bool hidden = widget(i)->isHidden();
        if (handle(i)->isHidden() != (first || hidden))
            handle(i)->setHidden(first || hidden);
        first = first && hidden;
        if (i > 0) {
            place(handle(i), at, handleWidth());
            at += handleWidth();
        }
        place(widget(i), at, sizes[i]);
        at += sizes[i];
    }
    m_inLayout = false;
}
