#include "plugins/chat/ui/VisitorListModel.h"

#include "plugins/chat/model/UiThread.h"
#include "shared/OneLine.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <array>

namespace {

constexpr int kImageSize = 16;

// Renders one strip of square pictures from our own vector artwork.
std::vector<QPixmap> RenderStrip(const QString &resource, int count)
{
    QImage strip(kImageSize * count, kImageSize, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&strip);
    renderer.render(&painter);
    painter.end();
    std::vector<QPixmap> pictures;
    for (int i = 0; i < count; ++i)
        pictures.push_back(QPixmap::fromImage(strip.copy(i * kImageSize, 0, kImageSize, kImageSize)));
    return pictures;
}

// Steps an icon through [first, last], starting again at first once it leaves.
int Step(int image, int first, int last)
{
    const int next = image + 1;
    return next < first || next > last ? first : next;
}

} // namespace

CVisitorListModel::CVisitorListModel(CVisitor::Clock clock, QObject *parent)
    : QAbstractTableModel(parent), m_clock(std::move(clock))
{
    m_now = m_clock();
}

void CVisitorListModel::SetAgentsText(AgentsTextFn agentsText)
{
    m_agentsText = std::move(agentsText);
}

bool CVisitorListModel::AddVisitor(const CVisitor *visitor)
{
    Tessary::AssertUiThread();
    // An empty id is how the list says "no visitor".
    if (!visitor || visitor->id().empty() || m_rowOf.count(visitor->id()))
        return false;
    const int row = int(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.push_back(Row{visitor, QString(), ImageBrowsing});
    m_rowOf.emplace(visitor->id(), row);
    endInsertRows();
    UpdateVisitor(visitor->id(), false);
    return true;
}

bool CVisitorListModel::UpdateVisitor(const std::string &id, bool timesOnly)
{
    const int row = RowOf(id);
    if (row < 0)
        return false;
    m_now = m_clock();
    Row &r = m_rows[size_t(row)];
    if (timesOnly) {
        emit dataChanged(index(row, ColumnStatus), index(row, ColumnWaitTime), {Qt::DisplayRole});
        return true;
    }
    r.agents = m_agentsText ? m_agentsText(*r.visitor) : r.visitor->agents();
    r.image = StateImage(r.visitor->state());
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    return true;
}

void CVisitorListModel::RefreshTimes()
{
    m_now = m_clock();
    if (m_rows.empty())
        return;
    // Only the times move with the clock; the page title and address between
    // them are left out of the repaint.
    const int last = int(m_rows.size()) - 1;
    emit dataChanged(index(0, ColumnTimeOnPage), index(last, ColumnTimeOnPage), {Qt::DisplayRole});
    emit dataChanged(index(0, ColumnTimeOnSite), index(last, ColumnWaitTime), {Qt::DisplayRole});
}

void CVisitorListModel::Blink()
{
    // Runs of neighbouring changed rows go out as one notice each.
    int runEnd = -1;
    auto flush = [this, &runEnd](int runStart) {
        if (runEnd >= 0)
            emit dataChanged(index(runStart, ColumnIcon), index(runEnd, ColumnIcon), {Qt::DecorationRole});
        runEnd = -1;
    };
    for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
        Row &r = m_rows[size_t(row)];
        int image = r.image;
        const int state = r.visitor->state();
        if (state == CVisitor::StateRequestingChat)
            image = Step(image, ImageRequestingFirst, ImageRequestingLast);
        else if (state == CVisitor::StateChatting && r.visitor->chatRequested())
            image = Step(image, ImageChattingFirst, ImageChattingLast);
        else if (state == CVisitor::StateChatting)
            image = ImageChattingFirst;
        if (image == r.image) {
            flush(row + 1);
            continue;
        }
        r.image = image;
        if (runEnd < 0)
            runEnd = row;
    }
    flush(0);
}

bool CVisitorListModel::RemoveVisitor(const std::string &id)
{
    Tessary::AssertUiThread();
    const int row = RowOf(id);
    if (row < 0)
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_rowOf.erase(id);
    m_rows.erase(m_rows.begin() + row);
    Reindex(row);
    endRemoveRows();
    return true;
}

int CVisitorListModel::RowOf(const std::string &id) const
{
    const auto it = m_rowOf.find(id);
    return it == m_rowOf.end() ? -1 : it->second;
}

const CVisitor *CVisitorListModel::VisitorAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].visitor : nullptr;
}

int CVisitorListModel::ImageAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].image : -1;
}

QString CVisitorListModel::FormatDuration(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    seconds %= 24 * 3600;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int CVisitorListModel::StateImage(int state)
{
    switch (state) {
    case CVisitor::StateRequestingChat:
        return ImageRequestingFirst;
    case 6:
    case 11:
    case 12:
        return ImageChattingFirst;
    case 9:
    case CVisitor::StateChatEnded:
        return ImageEnded;
    default:
        return ImageBrowsing;
    }
}

QPixmap CVisitorListModel::Picture(int image)
{
    static const std::vector<QPixmap> pictures =
        RenderStrip(QStringLiteral(":/tessary/visitor-states.svg"), ImageCount);
    return image >= 0 && image < ImageCount ? pictures[size_t(image)] : QPixmap();
}

QPixmap CVisitorListModel::HeaderPicture()
{
    static const std::vector<QPixmap> pictures = RenderStrip(QStringLiteral(":/tessary/visitor-header.svg"), 1);
    return pictures.front();
}

int CVisitorListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CVisitorListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CVisitorListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Row &row = m_rows[size_t(index.row())];
    if (role == Qt::DisplayRole && index.column() != ColumnIcon)
        return OneLine(Text(row, index.column()));
    if (role == Qt::DecorationRole && index.column() == ColumnIcon)
        return Picture(row.image);
    return {};
}

QString CVisitorListModel::Text(const Row &row, int column) const
{
    const CVisitor &v = *row.visitor;
    const VisitorTracking *page = v.Tracking().empty() ? nullptr : &v.Tracking().back();
    switch (column) {
    case ColumnVisitor:
        return v.displayName();
    case ColumnDepartment:
        return v.department();
    case ColumnStatus:
        return v.StateLabel();
    case ColumnTimeOnPage:
        return page ? FormatDuration(m_now - page->time) : QString();
    case ColumnPageTitle:
        return page ? page->title : QString();
    case ColumnCurrentPage:
        return page ? page->url : QString();
    case ColumnTimeOnSite:
        return FormatDuration(m_now - v.onSiteSince());
    case ColumnWaitTime:
        return v.chatRequested() ? FormatDuration(m_now - v.chatRequestedAt()) : QString();
    case ColumnAgents:
        return row.agents;
    default:
        return {};
    }
}

QVariant CVisitorListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (section == ColumnIcon)
        return role == Qt::DecorationRole ? QVariant(HeaderPicture()) : QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColumnVisitor: return tr("Visitor");
    case ColumnDepartment: return tr("Department");
    case ColumnStatus: return tr("Status");
    case ColumnTimeOnPage: return tr("Time On Page");
    case ColumnPageTitle: return tr("Page Title");
    case ColumnCurrentPage: return tr("Current Page");
    case ColumnTimeOnSite: return tr("Time On Site");
    case ColumnWaitTime: return tr("Wait Time");
    case ColumnAgents: return tr("Agents");
    default: return {};
    }
}

void CVisitorListModel::Reindex(int fromRow)
{
    for (int row = fromRow; row < int(m_rows.size()); ++row)
        m_rowOf[m_rows[size_t(row)].visitor->id()] = row;
}
