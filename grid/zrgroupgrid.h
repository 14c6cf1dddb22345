// Common ground of the process and service grids: rows grouped per agent. A group is the agent row
// (column 0: the agent's name, the agent cell type, the number of item rows as its parameter), the
// agent's item rows right below it, and one blank separator row.
//
// Two rows are remembered across inserts, removals and sorts: the row that waits for the answer to
// a request (a kill, a start or stop) and the right-clicked row. Each follows its row when other
// rows come and go, and is forgotten when its own row goes, so that a late answer never acts on a
// row that merely took the old index.
#pragma once

#include "ugctrl.h"
#include "zrgrid_global.h"

#include <QFont>

#include <vector>

class QMenu;

// The console's request callback: result 0 means nothing was sent.
using ZRRequestAction = int (*)(const QString& argument, int number, void* context, const QString& key);

class ZRGRIDU_EXPORT CZRGroupGrid : public CUGCtrl
{
    Q_OBJECT

public:
    explicit CZRGroupGrid(QWidget* parent = nullptr);
    ~CZRGroupGrid() override;

    // Looks for the agent row of name (exact, case-sensitive). 1 with row set to it (and its cell in
    // cell when given); else 0 with row set to the number of rows.
    int HasAgent(long& row, const QString& name, CUGCell* cell = nullptr) const;
    // The nearest agent row at or above row: 1 and its name, else 0.
    int GetParentAgent(long row, QString& name) const;
    // 1 when the first selected cell is in an item row and has text.
    int HasSelectedItem();
    // Deletes every row and forgets the remembered rows.
    void RemoveAll();
    // Repaints and clears the selection.
    void UpdateGrid();

    // True for an agent row.
    bool IsAgentRow(long row) const;
    // Item rows of the agent at row (its parameter), 0 for any other row.
    long GetAgentCount(long row) const;
    // The recorded right-clicked cell; (-1, -1) when none.
    int GetRClickedCol() const { return m_rCol; }
    long GetRClickedRow() const { return m_rRow; }
    // The menu shown on a right click on an item row (not owned; the console's). Null: no menu.
    void SetContextMenu(QMenu* menu);

    // Sorts the item rows of every group by col; agent rows and separators stay where they are.
    // Puts the sort arrow on that heading.
    int SortItems(int col, int flags);
    int GetSortCol() const { return m_sortCol; }
    int GetSortFlags() const { return m_sortFlags; }

    void OnSetup() override;
    QColor OnGetDefBackColor(int section) override;
    int OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags) override;
    void OnTH_LClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed) override;
    void OnRClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed) override;
    int OnMenuStart(int col, long row, int section) override;
    int OnHint(int col, long row, int section, QString* string) override;

protected:
    // Column captions and widths from string ids ("caption\nwidth").
    void SetupColumns(const int* stringIds, int count);
    // Appends an agent row with count 0 and its separator; returns the agent row.
    long AppendAgent(const QString& name);
    // Inserts an item row as the last row of the agent's group at agentRow; returns the new row.
    long InsertItemRow(long agentRow);
    // The agent row's look; the derived grids join its columns.
    virtual void StyleAgentRow(long row) = 0;
    virtual void StyleSeparatorRow(long row) = 0;
    // Deletes the agent's item rows whose column 0 equals id; the count follows. Rows removed.
    long RemoveItems(const QString& agent, const QString& id);
    // Deletes the agent's whole group. 1 when there was one.
    int RemoveGroup(const QString& agent);
    // Deletes rows first…last with the model's signals held; remembered rows follow.
    void DeleteRows(long first, long last);
    // Publishes rows inserted in the current burst now (selection readers call it first).
    void FlushRows();
    // Records (col, row) as right-clicked when it is an item-row cell with text; else clears it.
    bool RecordRClick(int col, long row);
    // The waiting row (kill or status change); -1 when none.
    long m_waitRow = -1;

    QFont m_font;
    QFont m_headFont;

private:
    void rowInserted(long row);
    void rowDeleted(long row);
    // Rows inserted inside the grid are published together at the next turn of the event loop: a
    // list of thousands of processes arriving one reply at a time would otherwise lay the view out
    // again for every row. Selection, current cell and scroll position are carried over.
    void beginBurst();
    bool m_burst = false;
    long m_burstSel = -1;
    long m_burstCurRow = -1;
    int m_burstCurCol = -1;
    int m_burstScroll = 0;

    int m_rCol = -1;
    long m_rRow = -1;
    int m_sortCol = -1;
    int m_sortFlags = UG_SORT_ASCENDING;
    QMenu* m_contextMenu = nullptr;
    // While SortItems runs: group and kind of each row, by its row before the sort.
    std::vector<long> m_sortKeys;
    bool m_groupSort = false;
};
