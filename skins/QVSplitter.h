#pragma once
// A splitter whose pane sizes survive restarts. Each pane has an ideal and a
// minimum size and the last pane takes what is left (QVSplitterLayout);
// QSplitter's own proportional sizing is never used. The sizes are read from
// the window-state store on the first layout and written when the splitter is
// destroyed, under "<section>Splitter-<control id>". User-interface thread only.

#include "skins/FaycelExport.h"
#include "skins/QVSplitterLayout.h"

#include <QSplitter>
#include <QString>

#include <vector>

class FAYCEL_EXPORT CQVSplitter : public QSplitter
{
    Q_OBJECT
public:
    // The control id of a splitter whose owner names no other.
    static constexpr int kFirstPaneId = 59648;

    // Rows are a vertical splitter, columns a horizontal one.
    CQVSplitter(const QString &section, Qt::Orientation orientation, QWidget *parent = nullptr,
                int controlId = kFirstPaneId);
    ~CQVSplitter() override;

    int GetControlId() const { return m_controlId; }

    // Pane records; a pane is a widget added with addWidget, in order.
    void SetPaneInfo(int pane, int ideal, int minimum);
    void GetPaneInfo(int pane, int &ideal, int &minimum) const;

    // "<profile path of section>Splitter-<control id>".
    QString GetSectionName(const QString &section) const;
    // Reads "Pane-%d-Min" and "Pane-%d-Current" into each pane's minimum and
    // ideal size; the splitter counts as loaded afterwards in every case.
    void LoadState(const QString &path);
    void SaveState(const QString &path) const;
    // Fits the panes into the splitter and places them (loads the saved sizes first).
    void RecalcLayout();

    // A bar was dragged to y (x) in the splitter's coordinates: the row (column)
    // above it gets the new size, taken from the panes after it, last one first.
    void TrackRowSize(int y, int row);
    void TrackColumnSize(int x, int column);

    // The pane that holds the focus (its index in *pane), or null when the
    // focus is not in one of this splitter's panes.
    QWidget *GetActivePane(int *pane = nullptr) const;

    QSize minimumSizeHint() const override;

protected:
    QSplitterHandle *createHandle() override;
    bool event(QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void childEvent(QChildEvent *e) override;

private:
    friend class CQVSplitterHandle;
    void BeginDrag(int pane);
    void DragBar(int pane, int position);
    void EndDrag();
    void TrackPane(int pane, int position);
    void EnsurePanes() const;
    int Pick(const QPoint &p) const;
    int Pick(const QSize &s) const;
    int ContentsStart() const;
    int ContentsEnd() const;
    int PaneStart(int pane) const;
    void ApplyGeometry(const std::vector<int> &sizes);

    QString m_section;
    int m_controlId;
    bool m_loaded = false;
    bool m_inLayout = false;
    mutable std::vector<QVSplitterPane> m_panes;
    std::vector<QVSplitterPane> m_dragStart; // the records when a drag began
    int m_dragPaneStart = 0;
};
