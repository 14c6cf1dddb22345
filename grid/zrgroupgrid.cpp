#include "zrgroupgrid.h"

#include "resources.h"

#include <QItemSelectionModel>
#include <QMenu>
#include <QScrollBar>

#include <algorithm>

namespace {
const QColor kPanel(241, 255, 213);

// Column captions of the process and service grids: caption, line break, width in pixels.
const ResString kGridStrings[] = {
    {9013, u"ID\n150"},      {9014, u"Process\n360"}, {9015, u"Kill\n90"},
    {9016, u"Service\n225"}, {9017, u"Status\n225"},
};
TARN_REGISTER_STRINGS(kGridStrings)

// Row kinds while a sort runs, below the group number.
constexpr long kKindAgent = 0, kKindItem = 1, kKindOther = 2;
} // namespace

CZRGroupGrid::CZRGroupGrid(QWidget* parent) : CUGCtrl(parent)
{
    CUGCtrl::UseThemes(false);
}

CZRGroupGrid::~CZRGroupGrid() = default;

void CZRGroupGrid::OnSetup()
{
    m_font = MakeFont(QStringLiteral("Arial"), 15, 400);
    m_headFont = MakeFont(QStringLiteral("Arial"), 14, 600);

    CUGCell cell;
    GetDefaultCell(&cell);
    cell.SetBackColor(kPanel);
    cell.SetBorder(UG_BDR_LTHIN | UG_BDR_RTHIN | UG_BDR_BMEDIUM);
    cell.SetFont(m_font);
    cell.SetAlignment(UG_ALIGNCENTER | UG_ALIGNVCENTER);
    SetDefaultCell(&cell);

    SetCellTypeColors(UGCT_EXPAND, {QColor(110, 132, 77), QColor(241, 255, 213), Qt::white, QColor(0, 30, 0),
                                    QColor(150, 173, 114)});
    SetSH_Width(0);
    SetTH_Height(26);
    SetDefRowHeight(25);
    SetCurrentCellMode(UG_CELLMODE_HIGHLIGHT);
    SetMultiSelectMode(false);
    SetHighlightRow(true);
}

void CZRGroupGrid::SetupColumns(const int* stringIds, int count)
{
    SetNumberCols(count);
    for (int col = 0; col < count; ++col) {
        const QString entry = LoadResString(stringIds[col]);
        const qsizetype nl = entry.indexOf(QLatin1Char('\n'));
        const QString caption = nl < 0 ? entry : entry.left(nl);
        bool ok = false;
        const int width = nl < 0 ? 0 : entry.mid(nl + 1).trimmed().toInt(&ok);
        QuickSetText(col, -1, caption);
        QuickSetFont(col, -1, m_headFont);
        QuickSetAlignment(col, -1, UG_ALIGNCENTER | UG_ALIGNVCENTER);
        if (ok && width > 0) SetColWidth(col, width);
    }
}

QColor CZRGroupGrid::OnGetDefBackColor(int)
{
    return kPanel;
}

int CZRGroupGrid::OnHint(int col, long row, int, QString* string)
{
    if (string) *string = QStringLiteral("Col:%1 Row:%2").arg(col).arg(row);
    return 1;
}

// --- groups ---------------------------------------------------------------------------------

bool CZRGroupGrid::IsAgentRow(long row) const
{
    const CUGCell* c = StoredCell(0, row);
    return c && row >= 0 && c->IsPropertySet(CUGCell::CellTypeSet) && c->GetCellType() == UGCT_EXPAND;
}

long CZRGroupGrid::GetAgentCount(long row) const
{
    if (!IsAgentRow(row)) return 0;
    // Never past the grid's end, whatever the parameter says.
    return long(std::clamp<qint64>(QuickGetParam(0, row), 0, GetNumberRows() - row - 1));
}

int CZRGroupGrid::HasAgent(long& row, const QString& name, CUGCell* cell) const
{
    const long rows = GetNumberRows();
    // Group by group: an agent row, its items and the separator.
    for (long r = 0; r < rows;) {
        if (!IsAgentRow(r)) {
            ++r;
            continue;
        }
        if (StoredCell(0, r)->GetTextRef() == name) {
            row = r;
            if (cell) GetCell(0, r, cell);
            return 1;
        }
        r += GetAgentCount(r) + 2;
    }
    row = rows;
    return 0;
}

int CZRGroupGrid::GetParentAgent(long row, QString& name) const
{
    if (row < 0 || row >= GetNumberRows()) return 0;
    for (long r = row; r >= 0; --r) {
        if (IsAgentRow(r)) {
            name = StoredCell(0, r)->GetTextRef();
            return 1;
        }
    }
    return 0;
}

int CZRGroupGrid::HasSelectedItem()
{
    FlushRows();
    int col = -1;
    long row = -1;
    if (EnumFirstSelected(&col, &row) != UG_SUCCESS) return 0;
    return !IsAgentRow(row) && !QuickGetText(col, row).isEmpty() ? 1 : 0;
}

void CZRGroupGrid::RemoveAll()
{
    FlushRows();
    SetNumberRows(0);
    m_waitRow = -1;
    m_rCol = -1;
    m_rRow = -1;
}

void CZRGroupGrid::UpdateGrid()
{
    FlushRows();
    RedrawAll();
    ClearSelections();
    // The current row counts as selected otherwise, and a command would act on a row the operator
    // no longer sees highlighted.
    selectionModel()->clearCurrentIndex();
}

long CZRGroupGrid::AppendAgent(const QString& name)
{
    const long row = GetNumberRows();
    AppendRow();
    AppendRow();
    QuickSetText(0, row, name);
    QuickSetParam(0, row, 0);
    StyleAgentRow(row);
    StyleSeparatorRow(row + 1);
    return row;
}

long CZRGroupGrid::InsertItemRow(long agentRow)
{
    const long count = GetAgentCount(agentRow);
    const long pos = agentRow + count + 1;
    if (pos >= GetNumberRows()) {
        // No separator below the group: the item goes last and a separator follows it.
        AppendRow();
        AppendRow();
        StyleSeparatorRow(pos + 1);
    } else {
        beginBurst();
        InsertRow(pos);
        rowInserted(pos);
    }
    QuickSetParam(0, agentRow, count + 1);
    return pos;
}

void CZRGroupGrid::beginBurst()
{
    if (m_burst || !IsUpdateEnabled()) return;
    m_burst = true;
    int col = -1;
    long row = -1;
    m_burstSel = EnumFirstSelected(&col, &row) == UG_SUCCESS && selectionModel()->hasSelection() ? row : -1;
    const QModelIndex cur = currentIndex();
    m_burstCurRow = cur.isValid() ? cur.row() : -1;
    m_burstCurCol = cur.isValid() ? cur.column() : -1;
    m_burstScroll = verticalScrollBar()->value();
    EnableUpdate(false);
    QMetaObject::invokeMethod(
        this, [this] { FlushRows(); }, Qt::QueuedConnection);
}

void CZRGroupGrid::FlushRows()
{
    if (!m_burst) return;
    m_burst = false;
    EnableUpdate(true);
    QAbstractItemModel* m = model();
    if (m_burstCurRow >= 0 && m_burstCurRow < m->rowCount())
        selectionModel()->setCurrentIndex(m->index(int(m_burstCurRow), std::max(0, m_burstCurCol)),
                                          QItemSelectionModel::NoUpdate);
    if (m_burstSel >= 0 && m_burstSel < m->rowCount())
        selectionModel()->select(m->index(int(m_burstSel), 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    verticalScrollBar()->setValue(m_burstScroll);
}

void CZRGroupGrid::rowInserted(long row)
{
    if (m_burst) {
        if (m_burstSel >= row) ++m_burstSel;
        if (m_burstCurRow >= row) ++m_burstCurRow;
    }
    if (m_waitRow >= row) ++m_waitRow;
    if (m_rRow >= row) ++m_rRow;
}

void CZRGroupGrid::rowDeleted(long row)
{
    if (m_burst) {
        if (m_burstSel == row)
            m_burstSel = -1;
        else if (m_burstSel > row)
            --m_burstSel;
        if (m_burstCurRow == row)
            m_burstCurRow = -1;
        else if (m_burstCurRow > row)
            --m_burstCurRow;
    }
    if (m_waitRow == row)
        m_waitRow = -1;
    else if (m_waitRow > row)
        --m_waitRow;
    if (m_rRow == row)
        m_rRow = -1, m_rCol = -1;
    else if (m_rRow > row)
        --m_rRow;
}

void CZRGroupGrid::DeleteRows(long first, long last)
{
    first = std::max(0L, first);
    last = std::min(last, GetNumberRows() - 1);
    if (first > last) return;
    // One removal for the view, which keeps the selection of the rows that stay.
    DeleteRowRange(first, last);
    for (long r = last; r >= first; --r)
        rowDeleted(r);
}

long CZRGroupGrid::RemoveItems(const QString& agent, const QString& id)
{
    long a = 0;
    if (!HasAgent(a, agent)) return 0;
    const long count = GetAgentCount(a);
    std::vector<long> hits;
    for (long r = a + count; r > a; --r)
        if (QuickGetText(0, r) == id) hits.push_back(r);
    if (hits.empty()) return 0;
    const bool hold = hits.size() > 1 && IsUpdateEnabled();
    if (hold) EnableUpdate(false);
    for (long r : hits) // bottom up, so the indices still hold
        DeleteRows(r, r);
    QuickSetParam(0, a, count - long(hits.size()));
    if (hold) EnableUpdate(true);
    return long(hits.size());
}

int CZRGroupGrid::RemoveGroup(const QString& agent)
{
    long a = 0;
    if (!HasAgent(a, agent)) return 0;
    long last = a + GetAgentCount(a);
    // The separator goes with the group; an agent row right below is the next group, not it.
    if (last + 1 < GetNumberRows() && !IsAgentRow(last + 1)) ++last;
    DeleteRows(a, last);
    return 1;
}

// --- right click ----------------------------------------------------------------------------

bool CZRGroupGrid::RecordRClick(int col, long row)
{
    if (row >= 0 && col >= 0 && row < GetNumberRows() && col < GetNumberCols() && !IsAgentRow(row) &&
        !QuickGetText(col, row).isEmpty()) {
        m_rCol = col;
        m_rRow = row;
        return true;
    }
    m_rCol = -1;
    m_rRow = -1;
    return false;
}

void CZRGroupGrid::OnRClicked(int col, long row, int updn, QRect*, QPoint*, int)
{
    if (updn == 1) RecordRClick(col, row);
}

int CZRGroupGrid::OnMenuStart(int col, long row, int section)
{
    if (section != UG_GRID || row < 0) return 0;
    return RecordRClick(col, row) && m_contextMenu ? 1 : 0;
}

void CZRGroupGrid::SetContextMenu(QMenu* menu)
{
    m_contextMenu = menu;
    UseExternalMenu(menu);
    EnableMenu(true);
}

// --- sorting --------------------------------------------------------------------------------

int CZRGroupGrid::SortItems(int col, int flags)
{
    if (col < 0 || col >= GetNumberCols()) return UG_ERROR;
    const long rows = GetNumberRows();
    // Each row gets its group and kind; the sort column's cells carry their old row meanwhile.
    m_sortKeys.assign(size_t(rows), 0);
    long group = 0, left = 0;
    for (long r = 0; r < rows; ++r) {
        long kind = kKindOther;
        if (IsAgentRow(r)) {
            ++group;
            left = GetAgentCount(r);
            kind = kKindAgent;
        } else if (left > 0) {
            --left;
            kind = kKindItem;
        }
        m_sortKeys[size_t(r)] = group * 4 + kind;
        GetCellIndirect(col, r)->SetPrivateData(quint64(r));
    }
    m_groupSort = true;
    const int result = SortBy(col, flags);
    m_groupSort = false;
    if (result == UG_SUCCESS) {
        std::vector<long> newRow(static_cast<size_t>(rows));
        for (long r = 0; r < rows; ++r)
            newRow[size_t(StoredCell(col, r)->GetPrivateData())] = r;
        if (m_waitRow >= 0 && m_waitRow < rows) m_waitRow = newRow[size_t(m_waitRow)];
        if (m_rRow >= 0 && m_rRow < rows) m_rRow = newRow[size_t(m_rRow)];
    }
    m_sortKeys.clear();

    if (m_sortCol >= 0 && m_sortCol < GetNumberCols()) {
        QuickSetCellType(m_sortCol, -1, UGCT_NORMAL);
        QuickSetCellTypeEx(m_sortCol, -1, 0);
    }
    m_sortCol = col;
    m_sortFlags = flags;
    QuickSetCellType(col, -1, UGCT_SORTARROW);
    QuickSetCellTypeEx(col, -1, (flags & UG_SORT_DESCENDING) ? UGCT_SORTARROWDOWN : UGCT_SORTARROWUP);
    RedrawAll();
    return result;
}

int CZRGroupGrid::OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags)
{
    if (m_groupSort && cell1 && cell2) {
        const quint64 i1 = cell1->GetPrivateData(), i2 = cell2->GetPrivateData();
        if (i1 < m_sortKeys.size() && i2 < m_sortKeys.size()) {
            const long k1 = m_sortKeys[size_t(i1)], k2 = m_sortKeys[size_t(i2)];
            if (k1 != k2) return k1 < k2 ? -1 : 1;
            // Only item rows move; the rest keep their order.
            if (k1 % 4 != kKindItem) return 0;
        }
    }
    return DefaultSortEvaluate(cell1, cell2, flags);
}

void CZRGroupGrid::OnTH_LClicked(int col, long, int updn, QRect*, QPoint*, int)
{
    if (updn != 1) return;
    const int flags =
        col == m_sortCol && !(m_sortFlags & UG_SORT_DESCENDING) ? UG_SORT_DESCENDING : UG_SORT_ASCENDING;
    SortItems(col, flags);
}
