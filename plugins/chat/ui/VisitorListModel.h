#pragma once
// The rows of the visitor list: one per visitor, found by the visitor's id
// through an index, so that an update costs the same with ten thousand
// visitors as with ten. Texts are read from the visitors when a row is
// painted; the time columns are measured against the moment of the last
// refresh, which a clock supplies (tests step their own). The per-second
// refresh is one change notice over the time columns, and the blink
// repaints only the rows whose icon changed. User-interface thread only.

#include "plugins/chat/model/Visitor.h"

#include <QAbstractTableModel>
#include <QPixmap>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class CVisitorListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        ColumnIcon,
        ColumnVisitor,
        ColumnDepartment,
        ColumnStatus,
        ColumnTimeOnPage,
        ColumnPageTitle,
        ColumnCurrentPage,
        ColumnTimeOnSite,
        ColumnWaitTime,
        ColumnAgents,
        ColumnCount
    };
    // The row icons, in strip order.
    enum Image {
        ImageBrowsing = 0,
        ImageRequestingFirst = 3,
        ImageRequestingLast = 4,
        ImageChattingFirst = 5,
        ImageChattingLast = 8,
        ImageEnded = 9,
        ImageCount = 10
    };
    using AgentsTextFn = std::function<QString(const CVisitor &)>;

    explicit CVisitorListModel(CVisitor::Clock clock = CVisitor::SystemClock(), QObject *parent = nullptr);

    // The names of the agents in a visitor's chat; without one the column
    // shows the raw addresses.
    void SetAgentsText(AgentsTextFn agentsText);

    // Appends a row. The model keeps the pointer, not the visitor: the
    // owner removes the row before deleting the visitor. False when the
    // visitor's id is empty or already has a row.
    bool AddVisitor(const CVisitor *visitor);
    // Rewrites the time and state columns, and unless timesOnly every
    // column and the icon. False when the id has no row.
    bool UpdateVisitor(const std::string &id, bool timesOnly = false);
    // Every row's time columns, in one change notice.
    void RefreshTimes();
    // One step of the blinking icons of visitors asking for or in a chat.
    void Blink();
    bool RemoveVisitor(const std::string &id);

    int RowOf(const std::string &id) const; // -1 when absent
    const CVisitor *VisitorAt(int row) const;
    int ImageAt(int row) const;

    // "%H:%M:%S" of a span: whole days are dropped, a negative span is zero.
    static QString FormatDuration(std::int64_t seconds);
    // The icon that a visitor's state shows between blinks.
    static int StateImage(int state);
    static QPixmap Picture(int image);
    static QPixmap HeaderPicture();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        const CVisitor *visitor = nullptr;
        QString agents;
        int image = ImageBrowsing;
    };
    QString Text(const Row &row, int column) const;
    void Reindex(int fromRow);

    CVisitor::Clock m_clock;
    AgentsTextFn m_agentsText;
    std::int64_t m_now = 0;
    std::vector<Row> m_rows;
    std::unordered_map<std::string, int> m_rowOf;
};
