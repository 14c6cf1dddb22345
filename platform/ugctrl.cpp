#include "ugctrl_p.h"

#include <QAction>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <numeric>

namespace {
bool g_themes = false;

int signOf(int v)
{
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// Text comparison of the sort: cells without text after those with text, and equal among
// themselves, so that the order stays a strict weak one whatever the cell type.
int compareTexts(const CUGCell* a, const CUGCell* b)
{
    const bool ha = a->HasText(), hb = b->HasText();
    if (!ha && !hb) return 0;
    if (!ha) return 1;
    if (!hb) return -1;
    // QString compares UTF-16 code units when case-sensitive.
    return signOf(QString::compare(a->GetTextRef(), b->GetTextRef(), Qt::CaseSensitive));
}
} // namespace

CUGCtrl::CUGCtrl(QWidget* parent) : QTableView(parent)
{
    m_model = new UGModel(this);
    m_delegate = new UGDelegate(this);
    m_top = new UGHeader(Qt::Horizontal, this);
    m_side = new UGHeader(Qt::Vertical, this);
    setHorizontalHeader(m_top);
    setVerticalHeader(m_side);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setShowGrid(false);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    viewport()->setAutoFillBackground(false);
    m_top->setDefaultSectionSize(m_defColWidth);
    m_side->setDefaultSectionSize(m_defRowHeight);
    // Rows keep one height unless a row is given its own: the header then needs no per-row work.
    m_side->setSectionResizeMode(QHeaderView::Fixed);
    applyGeometry();
    applySelectionMode();
    m_menu = new QMenu(this);
    connect(m_menu, &QMenu::triggered, this, &CUGCtrl::menuTriggered);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyColWidths();
        applyRowHeights();
        syncSpans();
    });
    // Joins made on rows appended in a burst reach the view with the rows themselves.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_spansDirty && m_updates) syncSpans();
    });
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] {
        applyRowHeights();
        syncSpans();
    });
    connect(m_top, &QHeaderView::sectionResized, this, [this](int col, int, int size) {
        if (col < 0 || size_t(col) >= m_colWidths.size() || m_colWidths[size_t(col)] == size) return;
        if (m_colWidths[size_t(col)] == 0 && size == m_defColWidth) return;
        int w = size;
        OnColSized(col, &w);
        m_colWidths[size_t(col)] = w;
    });
}

CUGCtrl::~CUGCtrl() = default;

void CUGCtrl::CreateGrid(int id)
{
    m_ctrlId = id;
    if (m_setupDone) return;
    m_setupDone = true;
    OnSetup();
    m_model->flush();
}

void CUGCtrl::UseThemes(bool use)
{
    g_themes = use;
}

bool CUGCtrl::ThemesUsed()
{
    return g_themes;
}

QFont CUGCtrl::MakeFont(const QString& face, int height, int weight)
{
    QFont f;
    f.setFamilies({face, QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"), QStringLiteral("Arial")});
    f.setStyleHint(QFont::SansSerif);
    // A Windows font height is the whole character cell; the em is about four fifths of it.
    f.setPixelSize(std::max(1, height * 13 / 16));
    f.setWeight(QFont::Weight(std::clamp(weight, 100, 900)));
    return f;
}

int CUGCtrl::DefaultSortEvaluate(const CUGCell* cell1, const CUGCell* cell2, int flags)
{
    if (!cell1 && !cell2) return 0;
    if (!cell1) return 1;
    if (!cell2) return -1;
    if (flags & UG_SORT_DESCENDING) std::swap(cell1, cell2);
    switch (cell1->GetDataType()) {
    case UGCELLDATA_STRING:
        return compareTexts(cell1, cell2);
    case UGCELLDATA_NUMBER:
    case UGCELLDATA_BOOL:
    case UGCELLDATA_CURRENCY: {
        const double a = cell1->GetNumber(), b = cell2->GetNumber();
        return a < b ? -1 : a > b ? 1 : 0;
    }
    default:
        return compareTexts(cell1, cell2);
    }
}

// --- size -----------------------------------------------------------------------------------

int CUGCtrl::SetNumberCols(int cols, bool redraw)
{
    if (cols < 0) return UG_ERROR;
    std::erase_if(m_joins, [cols](const Join& j) { return j.col + j.cols > cols; });
    m_colDefaults.resize(size_t(cols));
    m_colWidths.resize(size_t(cols), 0);
    m_model->setCols(cols);
    if (redraw) RedrawAll();
    return UG_SUCCESS;
}

int CUGCtrl::GetNumberCols() const
{
    return m_model->cols;
}

int CUGCtrl::SetNumberRows(long rows, bool redraw)
{
    if (rows < 0 || rows > std::numeric_limits<int>::max() / 2) return UG_ERROR;
    const long old = m_model->rows;
    if (rows < old) {
        const size_t before = m_joins.size();
        std::erase_if(m_joins, [rows](const Join& j) { return j.row + j.rows > rows; });
        if (m_joins.size() != before) m_spansDirty = true;
    }
    m_model->setRows(rows);
    if (!m_rowHeights.empty()) m_rowHeights.resize(size_t(rows), 0);
    if (m_spansDirty && m_updates) syncSpans();
    if (redraw) RedrawAll();
    return UG_SUCCESS;
}

long CUGCtrl::GetNumberRows() const
{
    return m_model->rows;
}

int CUGCtrl::AppendRow()
{
    return SetNumberRows(m_model->rows + 1, false);
}

void CUGCtrl::ReserveRows(long rows)
{
    m_model->reserveRows(rows);
}

int CUGCtrl::InsertRow(long row)
{
    if (row < 0 || row > m_model->rows) return UG_ERROR;
    if (row == m_model->rows) return AppendRow();
    m_model->insertRow(row);
    if (!m_rowHeights.empty()) m_rowHeights.insert(m_rowHeights.begin() + row, 0);
    joinsRowInserted(row);
    return UG_SUCCESS;
}

int CUGCtrl::DeleteRow(long row)
{
    if (row < 0 || row >= m_model->rows) return UG_ERROR;
    if (m_pressRow == row) m_pressCol = -1, m_pressRow = -1;
    m_model->deleteRow(row);
    if (!m_rowHeights.empty()) m_rowHeights.erase(m_rowHeights.begin() + row);
    joinsRowDeleted(row);
    return UG_SUCCESS;
}

int CUGCtrl::DeleteRowRange(long first, long last)
{
    if (first < 0 || last >= m_model->rows || first > last) return UG_ERROR;
    if (m_pressRow >= first && m_pressRow <= last) m_pressCol = -1, m_pressRow = -1;
    m_model->deleteRows(first, last);
    if (!m_rowHeights.empty())
        m_rowHeights.erase(m_rowHeights.begin() + first, m_rowHeights.begin() + last + 1);
    for (long r = last; r >= first; --r)
        joinsRowDeleted(r);
    return UG_SUCCESS;
}

// The view moves its spans with inserted and deleted rows the same way; the list follows it.
void CUGCtrl::joinsRowInserted(long row)
{
    for (Join& j : m_joins) {
        if (j.row >= row)
            ++j.row;
        else if (j.row + j.rows > row)
            ++j.rows;
    }
    if (!m_updates) m_spansDirty = true;
}

void CUGCtrl::joinsRowDeleted(long row)
{
    for (Join& j : m_joins) {
        if (j.row > row)
            --j.row;
        else if (j.row + j.rows > row)
            --j.rows;
    }
    std::erase_if(m_joins, [](const Join& j) { return j.rows <= 0 || (j.rows == 1 && j.cols == 1); });
    if (!m_updates) m_spansDirty = true;
}

int CUGCtrl::SetColWidth(int col, int width)
{
    if (col < 0 || col >= m_model->cols || width < 0) return UG_ERROR;
    m_colWidths[size_t(col)] = width;
    if (col < m_model->columnCount()) m_top->resizeSection(col, width);
    return UG_SUCCESS;
}

int CUGCtrl::GetColWidth(int col) const
{
    if (col == -1) return m_shWidth;
    if (col < 0 || col >= m_model->cols) return 0;
    const int w = m_colWidths[size_t(col)];
    return w > 0 ? w : m_defColWidth;
}

int CUGCtrl::SetRowHeight(long row, int height)
{
    if (row < 0 || row >= m_model->rows || height < 0) return UG_ERROR;
    if (m_rowHeights.empty()) {
        if (height == m_defRowHeight) return UG_SUCCESS;
        m_rowHeights.assign(size_t(m_model->rows), 0);
    }
    m_rowHeights[size_t(row)] = height;
    if (row < m_model->rowCount()) m_side->resizeSection(int(row), height);
    return UG_SUCCESS;
}

int CUGCtrl::GetRowHeight(long row) const
{
    if (row == -1) return m_thHeight;
    if (row < 0 || row >= m_model->rows) return 0;
    if (m_rowHeights.empty() || m_rowHeights[size_t(row)] <= 0) return m_defRowHeight;
    return m_rowHeights[size_t(row)];
}

void CUGCtrl::SetDefRowHeight(int height)
{
    if (height <= 0) return;
    m_defRowHeight = height;
    m_side->setDefaultSectionSize(height);
    applyRowHeights();
}

void CUGCtrl::SetDefColWidth(int width)
{
    if (width <= 0) return;
    m_defColWidth = width;
    m_top->setDefaultSectionSize(width);
    applyColWidths();
}

void CUGCtrl::SetSH_Width(int width)
{
    m_shWidth = std::max(0, width);
    applyGeometry();
}

void CUGCtrl::SetTH_Height(int height)
{
    m_thHeight = std::max(0, height);
    applyGeometry();
}

void CUGCtrl::SetVS_Width(int width)
{
    m_vsWidth = std::max(0, width);
    applyGeometry();
}

void CUGCtrl::SetHS_Height(int height)
{
    m_hsHeight = std::max(0, height);
    applyGeometry();
}

void CUGCtrl::applyGeometry()
{
    if (m_shWidth > 0) {
        m_side->setFixedWidth(m_shWidth);
        m_side->show();
    } else {
        m_side->hide();
    }
    if (m_thHeight > 0) {
        m_top->setFixedHeight(m_thHeight);
        m_top->show();
    } else {
        m_top->hide();
    }
    setVerticalScrollBarPolicy(m_vsWidth > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(m_hsHeight > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (m_vsWidth > 0) verticalScrollBar()->setFixedWidth(m_vsWidth);
    if (m_hsHeight > 0) horizontalScrollBar()->setFixedHeight(m_hsHeight);
}

void CUGCtrl::applyColWidths()
{
    const int n = std::min<int>(m_model->columnCount(), int(m_colWidths.size()));
    for (int c = 0; c < n; ++c)
        m_top->resizeSection(c, m_colWidths[size_t(c)] > 0 ? m_colWidths[size_t(c)] : m_defColWidth);
}

void CUGCtrl::applyRowHeights()
{
    if (m_rowHeights.empty()) return;
    const int n = std::min<int>(m_model->rowCount(), int(m_rowHeights.size()));
    for (int r = 0; r < n; ++r) {
        const int h = m_rowHeights[size_t(r)] > 0 ? m_rowHeights[size_t(r)] : m_defRowHeight;
        if (m_side->sectionSize(r) != h) m_side->resizeSection(r, h);
    }
}

// --- cells ----------------------------------------------------------------------------------

bool CUGCtrl::valid(int col, long row) const
{
    if (row == -1) return col >= 0 && col < m_model->cols;
    if (col == -1) return row >= 0 && row < m_model->rows;
    return col >= 0 && row >= 0 && col < m_model->cols && row < m_model->rows;
}

CUGCell* CUGCtrl::cellAt(int col, long row)
{
    if (!valid(col, row)) return nullptr;
    if (row == -1) return &m_model->top[size_t(col)];
    if (col == -1) {
        if (m_model->side.empty()) m_model->side.resize(size_t(m_model->rows));
        return &m_model->side[size_t(row)];
    }
    return m_model->at(col, row);
}

const CUGCell* CUGCtrl::StoredCell(int col, long row) const
{
    if (!valid(col, row)) return nullptr;
    if (row == -1) return &m_model->top[size_t(col)];
    if (col == -1) return m_model->side.empty() ? nullptr : &m_model->side[size_t(row)];
    return m_model->at(col, row);
}

CUGCell* CUGCtrl::GetCellIndirect(int col, long row)
{
    return cellAt(col, row);
}

const CUGCell* CUGCtrl::ColDefaultRef(int col) const
{
    if (col < 0 || size_t(col) >= m_colDefaults.size()) return nullptr;
    const CUGCell& c = m_colDefaults[size_t(col)];
    return c.GetPropertyFlags() ? &c : nullptr;
}

void CUGCtrl::cellChanged(int col, long row)
{
    if (row == -1) {
        m_model->touchedHeading(Qt::Horizontal);
        if (m_updates) m_top->viewport()->update();
    } else if (col == -1) {
        m_model->touchedHeading(Qt::Vertical);
        if (m_updates) m_side->viewport()->update();
    } else {
        m_model->touched(col, row);
        if (m_updates && row < m_model->rowCount() && col < m_model->columnCount())
            viewport()->update(cellRect(col, row));
    }
}

int CUGCtrl::SetDefaultCell(const CUGCell* cell)
{
    if (!cell) return UG_ERROR;
    m_defaultCell = *cell;
    RedrawAll();
    return UG_SUCCESS;
}

int CUGCtrl::GetDefaultCell(CUGCell* cell) const
{
    if (!cell) return UG_ERROR;
    *cell = m_defaultCell;
    return UG_SUCCESS;
}

int CUGCtrl::SetColDefault(int col, const CUGCell* cell)
{
    if (!cell || col < 0 || col >= m_model->cols) return UG_ERROR;
    m_colDefaults[size_t(col)] = *cell;
    RedrawCol(col);
    return UG_SUCCESS;
}

int CUGCtrl::GetColDefault(int col, CUGCell* cell) const
{
    if (!cell || col < 0 || col >= m_model->cols) return UG_ERROR;
    *cell = m_colDefaults[size_t(col)];
    return UG_SUCCESS;
}

int CUGCtrl::GetCell(int col, long row, CUGCell* cell) const
{
    if (!cell || !valid(col, row)) return UG_ERROR;
    if (row == -1 || col == -1) {
        // Headings: centred on the button face with a thin frame unless their cell says otherwise.
        cell->ClearAll();
        cell->SetBackColor(palette().color(QPalette::Button));
        cell->SetTextColor(palette().color(QPalette::ButtonText));
        cell->SetAlignment(UG_ALIGNCENTER | UG_ALIGNVCENTER);
        cell->SetBorder(UG_BDR_RTHIN | UG_BDR_BTHIN);
        cell->SetBorderColor(palette().color(QPalette::Mid));
        if (const CUGCell* h = StoredCell(col, row)) cell->CopyInfoFrom(*h);
        return UG_SUCCESS;
    }
    *cell = m_defaultCell;
    if (const CUGCell* d = ColDefaultRef(col)) cell->CopyInfoFrom(*d);
    cell->CopyInfoFrom(*m_model->at(col, row));
    return UG_SUCCESS;
}

int CUGCtrl::SetCell(int col, long row, const CUGCell* cell)
{
    CUGCell* c = cellAt(col, row);
    if (!c || !cell) return UG_ERROR;
    *c = *cell;
    cellChanged(col, row);
    return UG_SUCCESS;
}

int CUGCtrl::QuickSetText(int col, long row, const QString& text)
{
    CUGCell* c = cellAt(col, row);
    if (!c) return UG_ERROR;
    c->SetText(text);
    cellChanged(col, row);
    return UG_SUCCESS;
}

QString CUGCtrl::QuickGetText(int col, long row) const
{
    const CUGCell* c = StoredCell(col, row);
    if (!c) return QString();
    const quint32 textFlags = CUGCell::TextSet | CUGCell::NumberSet;
    if (c->GetPropertyFlags() & textFlags) return c->GetText();
    if (row < 0 || col < 0) return QString();
    if (const CUGCell* d = ColDefaultRef(col); d && (d->GetPropertyFlags() & textFlags)) return d->GetText();
    return m_defaultCell.GetText();
}

#define UG_QUICK_SET(call)                                                                                   \
    CUGCell* c = cellAt(col, row);                                                                           \
    if (!c) return UG_ERROR;                                                                                 \
    c->call;                                                                                                 \
    cellChanged(col, row);                                                                                   \
    return UG_SUCCESS

int CUGCtrl::QuickSetLabelText(int col, long row, const QString& text)
{
    UG_QUICK_SET(SetLabelText(text));
}
int CUGCtrl::QuickSetNumber(int col, long row, double number)
{
    UG_QUICK_SET(SetNumber(number));
}
int CUGCtrl::QuickSetBool(int col, long row, bool state)
{
    UG_QUICK_SET(SetBool(state));
}
int CUGCtrl::QuickSetParam(int col, long row, qint64 param)
{
    UG_QUICK_SET(SetParam(param));
}
int CUGCtrl::QuickSetBackColor(int col, long row, const QColor& color)
{
    UG_QUICK_SET(SetBackColor(color));
}
int CUGCtrl::QuickSetTextColor(int col, long row, const QColor& color)
{
    UG_QUICK_SET(SetTextColor(color));
}
int CUGCtrl::QuickSetHBackColor(int col, long row, const QColor& color)
{
    UG_QUICK_SET(SetHBackColor(color));
}
int CUGCtrl::QuickSetFont(int col, long row, const QFont& font)
{
    UG_QUICK_SET(SetFont(font));
}
int CUGCtrl::QuickSetAlignment(int col, long row, short align)
{
    UG_QUICK_SET(SetAlignment(align));
}
int CUGCtrl::QuickSetBorder(int col, long row, short border)
{
    UG_QUICK_SET(SetBorder(border));
}
int CUGCtrl::QuickSetBorderColor(int col, long row, const QColor& color)
{
    UG_QUICK_SET(SetBorderColor(color));
}
int CUGCtrl::QuickSetCellType(int col, long row, int type)
{
    UG_QUICK_SET(SetCellType(type));
}
int CUGCtrl::QuickSetCellTypeEx(int col, long row, long flags)
{
    UG_QUICK_SET(SetCellTypeEx(flags));
}
int CUGCtrl::QuickSetBitmap(int col, long row, int index)
{
    UG_QUICK_SET(SetBitmapIndex(index));
}
int CUGCtrl::QuickSetReadOnly(int col, long row, bool readOnly)
{
    UG_QUICK_SET(SetReadOnly(readOnly));
}
#undef UG_QUICK_SET

qint64 CUGCtrl::QuickGetParam(int col, long row) const
{
    const CUGCell* c = StoredCell(col, row);
    return c ? c->GetParam() : 0;
}

// --- joins ----------------------------------------------------------------------------------

int CUGCtrl::JoinCells(int startCol, long startRow, int endCol, long endRow)
{
    if (startCol > endCol) std::swap(startCol, endCol);
    if (startRow > endRow) std::swap(startRow, endRow);
    if (!valid(startCol, startRow) || !valid(endCol, endRow) || startCol < 0 || startRow < 0) return UG_ERROR;
    if (startCol == endCol && startRow == endRow) return UG_ERROR;
    const Join n{startRow, startCol, endRow - startRow + 1, endCol - startCol + 1};
    auto overlaps = [&n](const Join& j) {
        return j.col < n.col + n.cols && n.col < j.col + j.cols && j.row < n.row + n.rows &&
               n.row < j.row + j.rows;
    };
    const bool direct = m_updates && !m_spansDirty && n.row + n.rows <= m_model->rowCount() &&
                        n.col + n.cols <= m_model->columnCount();
    for (const Join& j : m_joins)
        if (overlaps(j) && direct) setSpan(int(j.row), j.col, 1, 1);
    std::erase_if(m_joins, overlaps);
    m_joins.push_back(n);
    if (direct)
        setSpan(int(n.row), n.col, int(n.rows), n.cols);
    else
        m_spansDirty = true;
    return UG_SUCCESS;
}

int CUGCtrl::UnJoinCells(int col, long row)
{
    for (auto it = m_joins.begin(); it != m_joins.end(); ++it) {
        if (col >= it->col && col < it->col + it->cols && row >= it->row && row < it->row + it->rows) {
            if (m_updates && !m_spansDirty && it->row < m_model->rowCount())
                setSpan(int(it->row), it->col, 1, 1);
            else
                m_spansDirty = true;
            m_joins.erase(it);
            return UG_SUCCESS;
        }
    }
    return UG_ERROR;
}

int CUGCtrl::GetJoinStartCell(int* col, long* row) const
{
    int c1, c2;
    long r1, r2;
    if (!col || !row) return UG_ERROR;
    c1 = *col;
    r1 = *row;
    if (GetJoinRange(&c1, &r1, &c2, &r2) != UG_SUCCESS || (c1 == c2 && r1 == r2)) return UG_ERROR;
    *col = c1;
    *row = r1;
    return UG_SUCCESS;
}

int CUGCtrl::GetJoinRange(int* startCol, long* startRow, int* endCol, long* endRow) const
{
    if (!startCol || !startRow || !endCol || !endRow) return UG_ERROR;
    const int col = *startCol;
    const long row = *startRow;
    for (const Join& j : m_joins) {
        if (col >= j.col && col < j.col + j.cols && row >= j.row && row < j.row + j.rows) {
            *startCol = j.col;
            *startRow = j.row;
            *endCol = j.col + j.cols - 1;
            *endRow = j.row + j.rows - 1;
            return UG_SUCCESS;
        }
    }
    *endCol = col;
    *endRow = row;
    return valid(col, row) ? UG_SUCCESS : UG_ERROR;
}

void CUGCtrl::syncSpans()
{
    if (!m_updates) {
        m_spansDirty = true;
        return;
    }
    m_spansDirty = false;
    clearSpans();
    const int rows = m_model->rowCount(), cols = m_model->columnCount();
    for (const Join& j : m_joins)
        if (j.row + j.rows <= rows && j.col + j.cols <= cols) setSpan(int(j.row), j.col, int(j.rows), j.cols);
}

// --- bitmaps --------------------------------------------------------------------------------

int CUGCtrl::AddBitmap(const QPixmap& pixmap)
{
    if (pixmap.isNull()) return -1;
    m_bitmaps.push_back(pixmap);
    return int(m_bitmaps.size()) - 1;
}

int CUGCtrl::AddBitmap(const QString& file)
{
    QPixmap pm;
    if (file.isEmpty() || !pm.load(file)) return -1;
    return AddBitmap(pm);
}

QPixmap CUGCtrl::GetBitmap(int index) const
{
    if (index < 0 || size_t(index) >= m_bitmaps.size()) return QPixmap();
    return m_bitmaps[size_t(index)];
}

// --- drawing --------------------------------------------------------------------------------

QRect CUGCtrl::cellRect(int col, long row) const
{
    if (row >= m_model->rowCount() || col >= m_model->columnCount()) return QRect();
    return visualRect(m_model->index(int(row), col));
}

void CUGCtrl::RedrawAll()
{
    if (!m_updates) return;
    m_model->flush();
    if (m_spansDirty) syncSpans();
    viewport()->update();
    m_top->viewport()->update();
    m_side->viewport()->update();
}

void CUGCtrl::RedrawCell(int col, long row)
{
    if (!valid(col, row)) return;
    cellChanged(col, row);
}

void CUGCtrl::RedrawRow(long row)
{
    if (row < 0 || row >= m_model->rows || m_model->cols == 0) return;
    m_model->touched(0, row);
    m_model->touched(m_model->cols - 1, row);
    if (m_updates && row < m_model->rowCount())
        viewport()->update(QRect(0, rowViewportPosition(int(row)), viewport()->width(), rowHeight(int(row))));
}

void CUGCtrl::RedrawCol(int col)
{
    if (col < 0 || col >= m_model->cols || m_model->rows == 0) return;
    m_model->touched(col, 0);
    m_model->touched(col, m_model->rows - 1);
    if (m_updates) viewport()->update();
}

void CUGCtrl::EnableUpdate(bool enable)
{
    if (enable == m_updates) {
        if (enable) RedrawAll();
        return;
    }
    m_updates = enable;
    viewport()->setUpdatesEnabled(enable);
    m_top->setUpdatesEnabled(enable);
    m_side->setUpdatesEnabled(enable);
    m_model->setHeld(!enable);
    if (enable) RedrawAll();
}

void CUGCtrl::SetHighlightRow(bool on)
{
    m_highlightRow = on;
    applySelectionMode();
    viewport()->update();
}

void CUGCtrl::SetCurrentCellMode(int mode)
{
    m_cellMode = mode;
    viewport()->update();
}

void CUGCtrl::SetCellTypeColors(int type, const QList<QColor>& colors)
{
    if (type < 0 || type >= int(std::size(m_typeColors))) return;
    m_typeColors[type] = colors;
    viewport()->update();
}

QList<QColor> CUGCtrl::GetCellTypeColors(int type) const
{
    if (type < 0 || type >= int(std::size(m_typeColors))) return {};
    return m_typeColors[type];
}

void CUGCtrl::showEvent(QShowEvent* e)
{
    if (!m_setupDone) CreateGrid(m_ctrlId);
    QTableView::showEvent(e);
}

void CUGCtrl::paintEvent(QPaintEvent* e)
{
    {
        QPainter p(viewport());
        p.fillRect(e->rect(), OnGetDefBackColor(UG_GRID));
    }
    QTableView::paintEvent(e);
}

// --- current cell and selection -------------------------------------------------------------

void CUGCtrl::applySelectionMode()
{
    setSelectionBehavior(m_highlightRow ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    setSelectionMode(m_multiSelect ? QAbstractItemView::ExtendedSelection
                                   : QAbstractItemView::SingleSelection);
}

int CUGCtrl::GotoCell(int col, long row)
{
    if (!valid(col, row) || col < 0 || row < 0) return UG_ERROR;
    m_model->flush();
    if (row >= m_model->rowCount()) return UG_ERROR; // updates are held
    const QModelIndex i = m_model->index(int(row), col);
    setCurrentIndex(i);
    scrollTo(i);
    return UG_SUCCESS;
}

int CUGCtrl::GotoRow(long row)
{
    return GotoCell(std::max(0, GetCurrentCol()), row);
}

int CUGCtrl::GotoCol(int col)
{
    return GotoCell(col, std::max(0L, GetCurrentRow()));
}

int CUGCtrl::GetCurrentCol() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : -1;
}

long CUGCtrl::GetCurrentRow() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void CUGCtrl::SetMultiSelectMode(bool multi)
{
    m_multiSelect = multi;
    applySelectionMode();
}

void CUGCtrl::ClearSelections()
{
    m_model->flush();
    selectionModel()->clearSelection();
}

int CUGCtrl::Select(int col, long row)
{
    return SelectRange(col, row, col, row);
}

int CUGCtrl::SelectRange(int startCol, long startRow, int endCol, long endRow)
{
    if (startCol > endCol) std::swap(startCol, endCol);
    if (startRow > endRow) std::swap(startRow, endRow);
    if (!valid(startCol, startRow) || !valid(endCol, endRow) || startCol < 0 || startRow < 0) return UG_ERROR;
    m_model->flush();
    if (std::max(startRow, endRow) >= m_model->rowCount()) return UG_ERROR;
    const QItemSelection s(m_model->index(int(startRow), startCol), m_model->index(int(endRow), endCol));
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::Select;
    if (m_highlightRow) flags |= QItemSelectionModel::Rows;
    selectionModel()->select(s, flags);
    return UG_SUCCESS;
}

bool CUGCtrl::IsSelected(int col, long row) const
{
    if (row < 0 || col < 0 || row >= m_model->rowCount() || col >= m_model->columnCount()) return false;
    return selectionModel()->isSelected(m_model->index(int(row), col));
}

int CUGCtrl::EnumFirstSelected(int* col, long* row)
{
    m_model->flush();
    m_enum.clear();
    m_enumPos = 0;
    const QModelIndexList list = selectionModel()->selectedIndexes();
    for (const QModelIndex& i : list)
        m_enum.emplace_back(i.column(), long(i.row()));
    std::sort(m_enum.begin(), m_enum.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second < b.second : a.first < b.first;
    });
    if (m_enum.empty() && currentIndex().isValid())
        m_enum.emplace_back(currentIndex().column(), currentIndex().row());
    return EnumNextSelected(col, row);
}

int CUGCtrl::EnumNextSelected(int* col, long* row)
{
    if (m_enumPos >= m_enum.size()) return UG_NA;
    if (col) *col = m_enum[m_enumPos].first;
    if (row) *row = m_enum[m_enumPos].second;
    ++m_enumPos;
    return UG_SUCCESS;
}

// --- sorting --------------------------------------------------------------------------------

int CUGCtrl::SortBy(int col, int flags)
{
    if (col < 0 || col >= m_model->cols) return UG_ERROR;
    const long n = m_model->rows;
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    // Cells are compared as stored; a stable merge sort stays in bounds whatever the override answers.
    std::stable_sort(order.begin(), order.end(), [this, col, flags](int a, int b) {
        return OnSortEvaluate(m_model->at(col, a), m_model->at(col, b), flags) < 0;
    });
    bool moved = false;
    for (long i = 0; i < n && !moved; ++i)
        moved = order[size_t(i)] != int(i);
    if (!moved) return UG_SUCCESS;
    if (!m_rowHeights.empty()) {
        std::vector<int> h;
        h.reserve(m_rowHeights.size());
        for (int old : order)
            h.push_back(m_rowHeights[size_t(old)]);
        m_rowHeights.swap(h);
    }
    // Joins within one row move with their row; taller joins stay where they are.
    std::vector<int> newRow(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        newRow[size_t(order[i])] = int(i);
    for (Join& j : m_joins)
        if (j.rows == 1) j.row = newRow[size_t(j.row)];
    m_pressCol = -1;
    m_pressRow = -1;
    m_model->permute(order);
    return UG_SUCCESS;
}

// --- menu, hints, editing -------------------------------------------------------------------

void CUGCtrl::EnableMenu(bool enable)
{
    m_menuEnabled = enable;
}

int CUGCtrl::AddMenuItem(int id, const QString& text)
{
    QAction* a = m_menu->addAction(text);
    a->setData(id);
    return UG_SUCCESS;
}

int CUGCtrl::EmptyMenu()
{
    m_menu->clear();
    return UG_SUCCESS;
}

void CUGCtrl::UseExternalMenu(QMenu* menu)
{
    m_externalMenu = menu;
}

void CUGCtrl::UseHints(bool use)
{
    m_hints = use;
}

int CUGCtrl::StartEdit()
{
    return StartEdit(GetCurrentCol(), GetCurrentRow());
}

int CUGCtrl::StartEdit(int col, long row)
{
    if (!valid(col, row) || col < 0 || row < 0) return UG_ERROR;
    m_model->flush();
    if (row >= m_model->rowCount()) return UG_ERROR;
    CUGCell cell;
    GetCell(col, int(row), &cell);
    if (cell.GetReadOnly()) return UG_ERROR;
    const QModelIndex i = m_model->index(int(row), col);
    setCurrentIndex(i);
    edit(i);
    return state() == QAbstractItemView::EditingState ? UG_SUCCESS : UG_ERROR;
}

void CUGCtrl::showMenu(int col, long row, int section, const QPoint& globalPos)
{
    if (!m_menuEnabled) return;
    m_menuCol = col;
    m_menuRow = row;
    m_menuSection = section;
    if (!OnMenuStart(col, row, section)) return;
    QMenu* menu = m_externalMenu ? m_externalMenu : m_menu;
    if (!menu || menu->isEmpty()) return;
    menu->popup(globalPos);
}

void CUGCtrl::menuTriggered(QAction* action)
{
    OnMenuCommand(m_menuCol, m_menuRow, m_menuSection, action->data().toInt());
}

// --- input ----------------------------------------------------------------------------------

// Acts on a press over a check box, push button or expand box; true when it did.
bool CUGCtrl::cellTypePress(int col, long row, const QRect& rect, const QPoint& pos)
{
    CUGCell cell;
    if (GetCell(col, row, &cell) != UG_SUCCESS) return false;
    switch (cell.GetCellType()) {
    case UGCT_CHECKBOX: {
        if (cell.GetReadOnly() || !UGDelegate::checkBoxRect(rect).adjusted(-2, -2, 2, 2).contains(pos))
            return false;
        const bool next = !cell.GetBool();
        if (OnCellTypeNotify(UGCT_CHECKBOX, col, row, UGCT_CHECKBOXSET, next ? 1 : 0))
            QuickSetBool(col, row, next);
        return true;
    }
    case UGCT_PUSHBUTTON:
        if (cell.GetReadOnly()) return false;
        m_pressCol = col;
        m_pressRow = row;
        viewport()->update(rect);
        OnCellTypeNotify(UGCT_PUSHBUTTON, col, row, UGCT_BUTTONDOWN, 0);
        return true;
    case UGCT_EXPAND: {
        if ((cell.GetCellTypeEx() & UGCT_EXPANDNOBOX) ||
            !UGDelegate::expandBoxRect(rect).adjusted(-3, -3, 3, 3).contains(pos))
            return false;
        const bool collapsed = !cell.GetBool();
        if (OnCellTypeNotify(UGCT_EXPAND, col, row, UGCT_EXPANDCLICK, collapsed ? 1 : 0)) {
            // Keep the cell's data type: the expand state lives in the value alone.
            CUGCell* c = cellAt(col, row);
            const int type = c->GetDataType();
            c->SetBool(collapsed);
            c->SetDataType(type);
            cellChanged(col, row);
        }
        return true;
    }
    default:
        return false;
    }
}

void CUGCtrl::mousePressEvent(QMouseEvent* e)
{
    m_model->flush();
    QPoint pos = e->position().toPoint();
    const QModelIndex i = indexAt(pos);
    if (!i.isValid()) {
        QTableView::mousePressEvent(e);
        return;
    }
    const int col = i.column();
    const long row = i.row();
    QRect rect = visualRect(i);
    int processed = 0;
    if (e->button() == Qt::LeftButton && cellTypePress(col, row, rect, pos)) processed = 1;
    QTableView::mousePressEvent(e);
    if (e->button() == Qt::LeftButton)
        OnLClicked(col, row, 1, &rect, &pos, processed);
    else if (e->button() == Qt::RightButton)
        OnRClicked(col, row, 1, &rect, &pos, processed);
}

void CUGCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    QPoint pos = e->position().toPoint();
    const QModelIndex i = indexAt(pos);
    const int pressCol = m_pressCol;
    const long pressRow = m_pressRow;
    if (e->button() == Qt::LeftButton && pressCol >= 0) {
        m_pressCol = -1;
        m_pressRow = -1;
        RedrawCell(pressCol, pressRow);
    }
    QTableView::mouseReleaseEvent(e);
    if (!i.isValid()) return;
    const int col = i.column();
    const long row = i.row();
    QRect rect = visualRect(i);
    int processed = 0;
    if (e->button() == Qt::LeftButton && pressCol == col && pressRow == row) {
        OnCellTypeNotify(UGCT_PUSHBUTTON, col, row, UGCT_BUTTONCLICK, 0);
        processed = 1;
    }
    if (e->button() == Qt::LeftButton)
        OnLClicked(col, row, 0, &rect, &pos, processed);
    else if (e->button() == Qt::RightButton)
        OnRClicked(col, row, 0, &rect, &pos, processed);
}

void CUGCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    QPoint pos = e->position().toPoint();
    const QModelIndex i = indexAt(pos);
    QTableView::mouseDoubleClickEvent(e);
    if (!i.isValid() || e->button() != Qt::LeftButton) return;
    QRect rect = visualRect(i);
    OnDClicked(i.column(), i.row(), &rect, &pos, 0);
}

void CUGCtrl::headerPressed(Qt::Orientation o, int section, int updn, QMouseEvent* e)
{
    QPoint pos = e->position().toPoint();
    const bool top = o == Qt::Horizontal;
    const QHeaderView* h = top ? static_cast<QHeaderView*>(m_top) : m_side;
    const int at = h->sectionViewportPosition(section);
    QRect rect = top ? QRect(at, 0, h->sectionSize(section), h->height())
                     : QRect(0, at, h->width(), h->sectionSize(section));
    if (e->button() == Qt::LeftButton) {
        if (top)
            OnTH_LClicked(section, -1, updn, &rect, &pos, 0);
        else
            OnSH_LClicked(-1, section, updn, &rect, &pos, 0);
    } else if (e->button() == Qt::RightButton) {
        if (top)
            OnTH_RClicked(section, -1, updn, &rect, &pos, 0);
        else
            OnSH_RClicked(-1, section, updn, &rect, &pos, 0);
    }
}

void CUGCtrl::headerDoubleClicked(Qt::Orientation o, int section, QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    QPoint pos = e->position().toPoint();
    QRect rect;
    if (o == Qt::Horizontal)
        OnTH_DClicked(section, -1, &rect, &pos, 0);
    else
        OnSH_DClicked(-1, section, &rect, &pos, 0);
}

void CUGCtrl::keyPressEvent(QKeyEvent* e)
{
    int key = e->key();
    OnKeyDown(&key, 0);
    if (key == 0) {
        e->accept();
        return;
    }
    if (key == Qt::Key_Space && currentIndex().isValid()) {
        const QModelIndex i = currentIndex();
        const QRect r = visualRect(i);
        CUGCell cell;
        GetCell(i.column(), i.row(), &cell);
        if (cell.GetCellType() == UGCT_CHECKBOX) {
            cellTypePress(i.column(), i.row(), r, UGDelegate::checkBoxRect(r).center());
            e->accept();
            return;
        }
    }
    QTableView::keyPressEvent(e);
}

void CUGCtrl::contextMenuEvent(QContextMenuEvent* e)
{
    const QModelIndex i = indexAt(e->pos());
    if (!i.isValid()) return;
    showMenu(i.column(), i.row(), UG_GRID, e->globalPos());
}

bool CUGCtrl::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        if (!m_hints) return true;
        auto* he = static_cast<QHelpEvent*>(e);
        const QModelIndex i = indexAt(he->pos());
        QString text;
        if (i.isValid() && OnHint(i.column(), i.row(), UG_GRID, &text))
            QToolTip::showText(he->globalPos(), text, viewport(), visualRect(i));
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(e);
}

void CUGCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    const int oc = previous.isValid() ? previous.column() : -1,
              nc = current.isValid() ? current.column() : -1;
    const long orow = previous.isValid() ? previous.row() : -1, nrow = current.isValid() ? current.row() : -1;
    if (oc == nc && orow == nrow) return;
    OnCellChange(oc, nc, orow, nrow);
    if (orow != nrow) OnRowChange(orow, nrow);
    if (oc != nc) OnColChange(oc, nc);
}

// --- default notifications ------------------------------------------------------------------

void CUGCtrl::OnLClicked(int, long, int, QRect*, QPoint*, int) {}
void CUGCtrl::OnRClicked(int, long, int, QRect*, QPoint*, int) {}
void CUGCtrl::OnDClicked(int, long, QRect*, QPoint*, int) {}
void CUGCtrl::OnTH_LClicked(int, long, int, QRect*, QPoint*, int) {}
void CUGCtrl::OnTH_RClicked(int, long, int, QRect*, QPoint*, int) {}
void CUGCtrl::OnTH_DClicked(int, long, QRect*, QPoint*, int) {}
void CUGCtrl::OnSH_LClicked(int, long, int, QRect*, QPoint*, int) {}
void CUGCtrl::OnSH_RClicked(int, long, int, QRect*, QPoint*, int) {}
void CUGCtrl::OnSH_DClicked(int, long, QRect*, QPoint*, int) {}
void CUGCtrl::OnCellChange(int, int, long, long) {}
void CUGCtrl::OnRowChange(long, long) {}
void CUGCtrl::OnColChange(int, int) {}
void CUGCtrl::OnKeyDown(int*, int) {}
int CUGCtrl::OnCellTypeNotify(long, int, long, long, qint64)
{
    return 1;
}
QColor CUGCtrl::OnGetDefBackColor(int)
{
    return palette().color(QPalette::Base);
}
int CUGCtrl::OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags)
{
    return DefaultSortEvaluate(cell1, cell2, flags);
}
int CUGCtrl::OnHint(int, long, int, QString*)
{
    return 0;
}
int CUGCtrl::OnCanSizeCol(int)
{
    return 1;
}
int CUGCtrl::OnCanSizeRow(long)
{
    return 1;
}
int CUGCtrl::OnCanSizeTopHdg()
{
    return 1;
}
int CUGCtrl::OnCanSizeSideHdg()
{
    return 1;
}
void CUGCtrl::OnColSized(int, int*) {}
void CUGCtrl::OnRowSized(long, int*) {}
int CUGCtrl::OnMenuStart(int, long, int)
{
    return 1;
}
void CUGCtrl::OnMenuCommand(int, long, int, int) {}
int CUGCtrl::OnEditStart(int, long, QWidget**)
{
    return 1;
}
int CUGCtrl::OnEditFinish(int, long, QWidget*, const QString&, bool)
{
    return 1;
}
