#include "ugctrl_p.h"

#include <QMetaObject>

#include <algorithm>

UGModel::UGModel(CUGCtrl* grid) : QAbstractTableModel(grid), m_grid(grid) {}

int UGModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int UGModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shownCols;
}

QVariant UGModel::data(const QModelIndex& index, int role) const
{
    // While updates are held the published shape may lag the storage: check against both.
    if (!index.isValid() || index.row() >= rows || index.column() >= cols) return QVariant();
    const int col = index.column();
    const long row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_grid->QuickGetText(col, row);
    case Qt::AccessibleTextRole: {
        // Screen readers get the text, else the label (a check box shows its label).
        const QString text = m_grid->QuickGetText(col, row);
        if (!text.isEmpty()) return text;
        return at(col, row)->GetLabelText();
    }
    case Qt::CheckStateRole: {
        const CUGCell* c = at(col, row);
        int type = c->IsPropertySet(CUGCell::CellTypeSet) ? c->GetCellType() : UGCT_NORMAL;
        if (!c->IsPropertySet(CUGCell::CellTypeSet)) {
            if (const CUGCell* d = m_grid->ColDefaultRef(col); d && d->IsPropertySet(CUGCell::CellTypeSet))
                type = d->GetCellType();
            else if (m_grid->DefaultCellRef().IsPropertySet(CUGCell::CellTypeSet))
                type = m_grid->DefaultCellRef().GetCellType();
        }
        if (type != UGCT_CHECKBOX) return QVariant();
        return c->GetBool() ? Qt::Checked : Qt::Unchecked;
    }
    default:
        return QVariant();
    }
}

QVariant UGModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return QVariant();
    if (orientation == Qt::Horizontal) {
        if (section < 0 || size_t(section) >= top.size()) return QVariant();
        return top[size_t(section)].GetText();
    }
    if (section < 0 || size_t(section) >= side.size()) return QVariant();
    return side[size_t(section)].GetText();
}

Qt::ItemFlags UGModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= rows || index.column() >= cols) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    CUGCell cell;
    m_grid->GetCell(index.column(), index.row(), &cell);
    if (!cell.GetReadOnly()) f |= Qt::ItemIsEditable;
    if (cell.GetCellType() == UGCT_CHECKBOX) f |= Qt::ItemIsUserCheckable;
    return f;
}

bool UGModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= rows || index.column() >= cols)
        return false;
    return m_grid->QuickSetText(index.column(), index.row(), value.toString()) == UG_SUCCESS;
}

void UGModel::queueFlush()
{
    if (m_queued || m_held) return;
    m_queued = true;
    QMetaObject::invokeMethod(
        this, [this] { flush(); }, Qt::QueuedConnection);
}

void UGModel::touched(int col, long row)
{
    if (m_dirtyTop < 0) {
        m_dirtyTop = m_dirtyBottom = row;
        m_dirtyLeft = m_dirtyRight = col;
    } else {
        m_dirtyTop = std::min(m_dirtyTop, row);
        m_dirtyBottom = std::max(m_dirtyBottom, row);
        m_dirtyLeft = std::min(m_dirtyLeft, col);
        m_dirtyRight = std::max(m_dirtyRight, col);
    }
    queueFlush();
}

void UGModel::touchedHeading(Qt::Orientation o)
{
    (o == Qt::Horizontal ? m_topDirty : m_sideDirty) = true;
    queueFlush();
}

void UGModel::setRows(long n)
{
    if (n < 0 || n == rows) return;
    if (n > rows) {
        // Appends are published together as one insert range. Rows arriving one by one grow the
        // storage in large steps: every step moves each cell and touches fresh memory.
        const size_t need = size_t(n) * size_t(cols);
        if (need > cells.capacity())
            cells.reserve(std::max({need, cells.capacity() * 2, size_t(kGrowRows) * size_t(cols)}));
        cells.resize(need);
        if (!side.empty()) side.resize(size_t(n));
        rows = n;
        queueFlush();
        return;
    }
    if (m_held) {
        m_reset = true;
    } else {
        flush();
        beginRemoveRows(QModelIndex(), int(n), int(rows - 1));
    }
    cells.resize(size_t(n) * size_t(cols));
    if (!side.empty()) side.resize(size_t(n));
    rows = n;
    if (!m_held) {
        m_shownRows = int(n);
        endRemoveRows();
    }
}

void UGModel::insertRow(long row)
{
    if (row >= rows) {
        setRows(rows + 1);
        return;
    }
    if (m_held) {
        m_reset = true;
    } else {
        flush();
        beginInsertRows(QModelIndex(), int(row), int(row));
    }
    cells.insert(cells.begin() + ptrdiff_t(size_t(row) * size_t(cols)), size_t(cols), CUGCell());
    if (!side.empty()) side.insert(side.begin() + row, CUGCell());
    ++rows;
    if (!m_held) {
        ++m_shownRows;
        endInsertRows();
    }
}

void UGModel::deleteRow(long row)
{
    if (m_held) {
        m_reset = true;
    } else {
        flush();
        beginRemoveRows(QModelIndex(), int(row), int(row));
    }
    const auto first = cells.begin() + ptrdiff_t(size_t(row) * size_t(cols));
    cells.erase(first, first + cols);
    if (!side.empty()) side.erase(side.begin() + row);
    --rows;
    if (!m_held) {
        --m_shownRows;
        endRemoveRows();
    }
}

void UGModel::deleteRows(long first, long last)
{
    if (m_held) {
        m_reset = true;
    } else {
        flush();
        beginRemoveRows(QModelIndex(), int(first), int(last));
    }
    const long n = last - first + 1;
    const auto begin = cells.begin() + ptrdiff_t(size_t(first) * size_t(cols));
    cells.erase(begin, begin + ptrdiff_t(size_t(n) * size_t(cols)));
    if (!side.empty()) side.erase(side.begin() + first, side.begin() + last + 1);
    rows -= n;
    if (!m_held) {
        m_shownRows -= int(n);
        endRemoveRows();
    }
}

void UGModel::setCols(int n)
{
    if (n < 0 || n == cols) return;
    if (!m_held) {
        flush();
        beginResetModel();
    }
    std::vector<CUGCell> next(size_t(rows) * size_t(n));
    const int keep = std::min(n, cols);
    for (long r = 0; r < rows; ++r)
        for (int c = 0; c < keep; ++c)
            next[size_t(r) * size_t(n) + size_t(c)] = std::move(cells[size_t(r) * size_t(cols) + size_t(c)]);
    cells.swap(next);
    cols = n;
    top.resize(size_t(n));
    if (m_held) {
        m_reset = true;
        return;
    }
    m_shownCols = n;
    m_shownRows = int(rows);
    m_dirtyTop = -1;
    endResetModel();
}

template <class T> void UGModel::permuteVector(std::vector<T>& v, const std::vector<int>& order)
{
    if (v.empty()) return;
    std::vector<T> next;
    next.reserve(v.size());
    for (int old : order)
        next.push_back(std::move(v[size_t(old)]));
    v.swap(next);
}

void UGModel::permute(const std::vector<int>& order)
{
    if (!m_held) {
        flush();
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    // In place, cycle by cycle: a sort of a big grid allocates nothing but one row.
    std::vector<char> done(order.size(), 0);
    std::vector<CUGCell> hold(static_cast<size_t>(cols));
    const size_t w = size_t(cols);
    for (size_t start = 0; start < order.size(); ++start) {
        if (done[start] || size_t(order[start]) == start) continue;
        std::move(cells.begin() + ptrdiff_t(start * w), cells.begin() + ptrdiff_t(start * w + w),
                  hold.begin());
        size_t to = start;
        for (;;) {
            done[to] = 1;
            const size_t from = size_t(order[to]);
            if (from == start) break;
            std::move(cells.begin() + ptrdiff_t(from * w), cells.begin() + ptrdiff_t(from * w + w),
                      cells.begin() + ptrdiff_t(to * w));
            to = from;
        }
        std::move(hold.begin(), hold.end(), cells.begin() + ptrdiff_t(to * w));
    }
    permuteVector(side, order);
    if (m_held) {
        m_reset = true;
        return;
    }
    // Selection and the current cell follow their rows.
    std::vector<int> newRow(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        newRow[size_t(order[i])] = int(i);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from)
        to.append(i.row() < int(newRow.size()) ? index(newRow[size_t(i.row())], i.column()) : QModelIndex());
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void UGModel::setHeld(bool held)
{
    m_held = held;
    if (!held) flush();
}

bool UGModel::flush()
{
    m_queued = false;
    if (m_held) return false;
    if (m_reset || m_shownCols != cols || m_shownRows > rows) {
        beginResetModel();
        m_shownCols = cols;
        m_shownRows = int(rows);
        m_reset = false;
        m_dirtyTop = -1;
        m_topDirty = m_sideDirty = false;
        endResetModel();
        return true;
    }
    if (m_shownRows < rows) {
        const int first = m_shownRows;
        beginInsertRows(QModelIndex(), first, int(rows - 1));
        m_shownRows = int(rows);
        endInsertRows();
        // Rows just inserted need no change signal of their own.
        if (m_dirtyTop >= first)
            m_dirtyTop = -1;
        else if (m_dirtyBottom >= first)
            m_dirtyBottom = first - 1;
    }
    if (m_dirtyTop >= 0) {
        const long bottom = std::min<long>(m_dirtyBottom, m_shownRows - 1);
        const int right = std::min(m_dirtyRight, m_shownCols - 1);
        const long topRow = m_dirtyTop;
        m_dirtyTop = -1;
        if (topRow <= bottom && m_dirtyLeft <= right)
            emit dataChanged(index(int(topRow), m_dirtyLeft), index(int(bottom), right));
    }
    if (m_topDirty && m_shownCols > 0) {
        m_topDirty = false;
        emit headerDataChanged(Qt::Horizontal, 0, m_shownCols - 1);
    }
    if (m_sideDirty && m_shownRows > 0) {
        m_sideDirty = false;
        emit headerDataChanged(Qt::Vertical, 0, m_shownRows - 1);
    }
    return false;
}
