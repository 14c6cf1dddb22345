#include "zrdevlistgrid.h"

#include "captionheads.h"
#include "resources.h"

#include <QHeaderView>
#include <QIODevice>
#include <QMenu>
#include <QSaveFile>

namespace {
const QColor kPanel(241, 255, 213);
const QColor kLine(150, 173, 114);
constexpr quint64 kHiddenBit = 1; // in the private data of a row's column 0 cell
constexpr int kBorder = UG_BDR_LTHIN | UG_BDR_RTHIN | UG_BDR_BMEDIUM;

QString csvField(const QString& field)
{
    // The texts come from agents; a spreadsheet would run one that starts like a formula.
    QString s = field;
    if (!s.isEmpty() &&
        (s[0] == u'=' || s[0] == u'+' || s[0] == u'-' || s[0] == u'@' || s[0] == u'\t' || s[0] == u'\r'))
        s.prepend(u'\'');
    bool quote = false;
    for (QChar c : s)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    if (!quote) return s;
    QString q = s;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}
} // namespace

CZRDevListGrid::CZRDevListGrid(QWidget* parent) : CUGCtrl(parent)
{
    CUGCtrl::UseThemes(false);
    setAccessibleName(QStringLiteral("Device list"));
    // Rows published to the view (at once, in a batch, or by a reset or sort) take their hidden state.
    QAbstractItemModel* m = model();
    connect(m, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { syncHidden(first, last); });
    connect(m, &QAbstractItemModel::modelReset, this, [this] { syncHidden(0, model()->rowCount() - 1); });
    connect(m, &QAbstractItemModel::layoutChanged, this, [this] { syncHidden(0, model()->rowCount() - 1); });
}

CZRDevListGrid::~CZRDevListGrid() = default;

void CZRDevListGrid::OnSetup()
{
    m_font = MakeFont(QStringLiteral("Arial"), 15, 400);
    m_headFont = MakeFont(QStringLiteral("Arial"), 14, 600);

    CUGCell cell;
    GetDefaultCell(&cell);
    cell.SetBackColor(kPanel);
    cell.SetBorder(kBorder);
    cell.SetBorderColor(kLine);
    cell.SetFont(m_font);
    cell.SetAlignment(UG_ALIGNVCENTER);
    SetDefaultCell(&cell);

    SetNumberCols(kCols);
    SetSH_Width(0);
    SetTH_Height(26);
    SetDefRowHeight(25);
    SetMultiSelectMode(false);
    SetHighlightRow(true);
    SetCurrentCellMode(UG_CELLMODE_HIGHLIGHT);
    EnableMenu(true);

    SetCaptionHeadings(*this, kCaptionIds, kCols, m_headFont, true);
    sortBy(kColLabel, true);
}

QColor CZRDevListGrid::OnGetDefBackColor(int section)
{
    if (section == UG_TOPHEADING) return palette().color(QPalette::Button);
    return kPanel;
}

int CZRDevListGrid::OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags)
{
    if (!cell1 || !cell2) return DefaultSortEvaluate(cell1, cell2, flags);
    if (flags & UG_SORT_DESCENDING) std::swap(cell1, cell2);
    const int type = cell1->GetDataType();
    if ((type == UGCELLDATA_NUMBER || type == UGCELLDATA_BOOL || type == UGCELLDATA_CURRENCY) &&
        cell1->GetCellType() == UGCT_CHECKBOX) {
        // The check box column sorts by label, never by check state.
        const int c = QString::compare(cell1->GetLabelText(), cell2->GetLabelText(), Qt::CaseSensitive);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    // Two cells without text are equal whatever their type, so the order stays a strict weak one.
    if (!cell1->HasText() && !cell2->HasText()) return 0;
    return DefaultSortEvaluate(cell1, cell2, UG_SORT_ASCENDING);
}

void CZRDevListGrid::sortBy(int col, bool ascending)
{
    if (col < 0 || col >= GetNumberCols()) return;
    if (CUGCell* old = GetCellIndirect(m_sortCol, -1)) {
        old->SetCellTypeEx(0);
        RedrawCell(m_sortCol, -1);
    }
    m_sortCol = col;
    m_sortAsc = ascending;
    if (CUGCell* head = GetCellIndirect(col, -1)) {
        head->SetCellTypeEx(ascending ? UGCT_SORTARROWUP : UGCT_SORTARROWDOWN);
        RedrawCell(col, -1);
    }
    // The view carries hidden rows through a sort one by one, far slower than hiding them again.
    if (!m_filter.isEmpty()) syncHidden(0, model()->rowCount() - 1, true);
    SortBy(col, ascending ? UG_SORT_ASCENDING : UG_SORT_DESCENDING);
    forgetRows();
    syncHidden(0, model()->rowCount() - 1);
    RedrawAll();
}

void CZRDevListGrid::OnTH_LClicked(int col, long, int updn, QRect*, QPoint*, int)
{
    if (updn != 1 || col < 0) return;
    sortBy(col, col == m_sortCol ? !m_sortAsc : true);
}

void CZRDevListGrid::OnRClicked(int col, long row, int updn, QRect*, QPoint*, int)
{
    if (updn != 1 || row < 0 || row >= rowCount()) return;
    // The clicked device alone becomes the target set.
    ClearAllChecked();
    SetCheckedRow(row, true);
    m_rcCol = col;
    m_rcRow = row;
    m_rcLabel = StoredCell(kColLabel, row)->GetLabelText();
}

int CZRDevListGrid::OnMenuStart(int col, long row, int section)
{
    if (row < 0 || section != UG_GRID || row >= rowCount()) return 0;
    m_rcCol = col;
    m_rcRow = row;
    m_rcLabel = StoredCell(kColLabel, row)->GetLabelText();
    return 1;
}

void CZRDevListGrid::SetContextMenu(QMenu* menu)
{
    UseExternalMenu(menu);
}

// --- rows -----------------------------------------------------------------------------------

long CZRDevListGrid::rowOfLabel(const QString& label) const
{
    const long rows = rowCount();
    for (int pass = 0; pass < 2; ++pass) {
        if (!m_rowOfValid) {
            m_rowOf.clear();
            m_rowOf.reserve(rows);
            for (long r = rows - 1; r >= 0; --r) // the first row wins, as a scan from the top would
                m_rowOf.insert(StoredCell(kColLabel, r)->GetLabelText(), r);
            m_rowOfValid = true;
        }
        const auto it = m_rowOf.constFind(label);
        if (it == m_rowOf.constEnd()) return -1;
        // Rows moved behind the cache's back (the base grid's own operations): look again.
        if (*it < rows && StoredCell(kColLabel, *it)->GetLabelText() == label) return *it;
        m_rowOfValid = false;
    }
    return -1;
}

int CZRDevListGrid::FindFirstLabel(const QString& label, int column, long* row) const
{
    if (column < 0 || column >= GetNumberCols()) return 1;
    long found = -1;
    if (column == kColLabel) {
        found = rowOfLabel(label);
    } else {
        for (long r = 0, n = rowCount(); r < n && found < 0; ++r)
            if (StoredCell(column, r)->GetLabelText() == label) found = r;
    }
    if (found < 0) return 1;
    if (row) *row = found;
    return 0;
}

void CZRDevListGrid::AddItem(const QString& label, const QString&, const QString& model,
                             const QString& firmware, const QString& os, const QString& cpu,
                             const QString& hostname)
{
    // Rows before the set-up would have no columns to hold them.
    if (GetNumberCols() != kCols) CreateGrid(GetCtrlId());
    if (GetNumberCols() != kCols) return;
    long row = rowOfLabel(label);
    if (row < 0) {
        row = rowCount();
        AppendRow();
        CUGCell* c = GetCellIndirect(kColLabel, row);
        c->SetCellType(UGCT_CHECKBOX);
        c->SetCellTypeEx(UGCT_CHECKBOXCHECKMARK);
        c->SetBool(false);
        c->SetText(label);
        c->SetLabelText(label);
        if (m_rowOfValid) m_rowOf.insert(label, row);
    }
    SetItem(row, label, model, firmware, os, cpu, hostname);
}

void CZRDevListGrid::SetItem(long row, const QString&, const QString& model, const QString& firmware,
                             const QString& os, const QString& cpu, const QString& hostname)
{
    if (row < 0 || row >= rowCount()) return;
    const QString* texts[] = {&model, &firmware, &os, &cpu, &hostname};
    for (int col = kColModel; col < kCols; ++col)
        GetCellIndirect(col, row)->SetText(*texts[col - kColModel]);
    filterRow(row);
    RedrawRow(row);
}

void CZRDevListGrid::RemoveItem(const QString& label)
{
    const long row = rowOfLabel(label);
    if (row < 0) return;
    DeleteRow(row);
    forgetRows();
    m_names.remove(label);
    RedrawAll();
}

void CZRDevListGrid::RemoveAll()
{
    SetNumberRows(0);
    m_rowOf.clear();
    m_rowOfValid = true;
    m_names.clear();
    m_rcCol = -1;
    m_rcRow = -1;
    m_rcLabel.clear();
}

void CZRDevListGrid::UpdateGrid()
{
    RedrawAll();
    ClearSelections();
}

// --- check marks ----------------------------------------------------------------------------

void CZRDevListGrid::SetCheckedRow(long row, bool mark)
{
    if (row < 0 || row >= rowCount()) return;
    GetCellIndirect(kColLabel, row)->SetBool(mark);
    RedrawCell(kColLabel, row);
}

void CZRDevListGrid::SetAllChecked()
{
    for (long r = 0, n = rowCount(); r < n; ++r)
        if (IsRowShown(r)) GetCellIndirect(kColLabel, r)->SetBool(true);
    RedrawCol(kColLabel);
}

void CZRDevListGrid::ClearAllChecked()
{
    for (long r = 0, n = rowCount(); r < n; ++r)
        GetCellIndirect(kColLabel, r)->SetBool(false);
    RedrawCol(kColLabel);
}

long CZRDevListGrid::GetCheckedRow(long start) const
{
    for (long r = std::max(0L, start), n = rowCount(); r < n; ++r) {
        const CUGCell* c = StoredCell(kColLabel, r);
        if (c->GetBool() && !(c->GetPrivateData() & kHiddenBit)) return r;
    }
    return -1;
}

int CZRDevListGrid::GetNextCheckedAgent(long* row, QString* label) const
{
    if (!row || *row < 0 || *row >= rowCount()) return 1;
    if (label) *label = StoredCell(kColLabel, *row)->GetLabelText();
    *row = GetCheckedRow(*row + 1);
    return 0;
}

long CZRDevListGrid::GetRClickedItem(QString* label) const
{
    if (m_rcRow < 0) return -1;
    // Rows move (sorting, removals) between the click and the command; the agent is what was clicked.
    const long row = rowOfLabel(m_rcLabel);
    if (row < 0) return -1;
    if (label) *label = m_rcLabel;
    return row;
}

// --- filter ---------------------------------------------------------------------------------

bool CZRDevListGrid::IsRowShown(long row) const
{
    const CUGCell* c = row >= 0 && row < rowCount() ? StoredCell(kColLabel, row) : nullptr;
    return c && !(c->GetPrivateData() & kHiddenBit);
}

long CZRDevListGrid::GetShownRowCount() const
{
    long n = 0;
    for (long r = 0, rows = rowCount(); r < rows; ++r)
        n += IsRowShown(r) ? 1 : 0;
    return n;
}

void CZRDevListGrid::SetItemName(const QString& label, const QString& name)
{
    if (name.isEmpty())
        m_names.remove(label);
    else
        m_names.insert(label, name);
    const long row = rowOfLabel(label);
    if (row >= 0) filterRow(row);
}

bool CZRDevListGrid::matches(long row, const QString& needle) const
{
    if (needle.isEmpty()) return true;
    const CUGCell* first = StoredCell(kColLabel, row);
    if (first->GetLabelText().contains(needle, Qt::CaseInsensitive)) return true;
    for (int col = kColModel; col < kCols; ++col)
        if (StoredCell(col, row)->GetTextRef().contains(needle, Qt::CaseInsensitive)) return true;
    if (!m_names.isEmpty()) {
        const auto it = m_names.constFind(first->GetLabelText());
        if (it != m_names.constEnd() && it->contains(needle, Qt::CaseInsensitive)) return true;
    }
    return false;
}

void CZRDevListGrid::setShown(long row, bool shown)
{
    CUGCell* c = GetCellIndirect(kColLabel, row);
    const quint64 data = c->GetPrivateData();
    c->SetPrivateData(shown ? data & ~kHiddenBit : data | kHiddenBit);
}

void CZRDevListGrid::filterRow(long row)
{
    const bool was = IsRowShown(row);
    const bool now = matches(row, m_filter);
    if (was == now) return;
    setShown(row, now);
    syncHidden(row, row);
}

void CZRDevListGrid::SetFilter(const QString& text)
{
    const QString next = text.trimmed();
    if (next == m_filter) return;
    // A longer text that holds the old one can only hide more: shown rows are all that need a look.
    const bool narrowing = !m_filter.isEmpty() && next.contains(m_filter, Qt::CaseInsensitive);
    m_filter = next;
    const long rows = rowCount();
    for (long r = 0; r < rows; ++r) {
        const bool shown = IsRowShown(r);
        if (narrowing && !shown) continue;
        const bool now = matches(r, m_filter);
        if (now != shown) setShown(r, now);
    }
    RedrawAll(); // publishes what is pending first, so the view has every row
    syncHidden(0, rows - 1);
}

// Carries the rows' hidden marks to the view for the rows it has been told of.
void CZRDevListGrid::syncHidden(long first, long last, bool showAll)
{
    if (GetNumberCols() != kCols) return;
    last = std::min<long>(last, model()->rowCount() - 1);
    if (first > last) return;
    // Without updates a hidden row costs the header no layout pass; with them, every change would.
    QHeaderView* side = verticalHeader();
    const bool updates = side->updatesEnabled();
    side->setUpdatesEnabled(false);
    for (long r = std::max(0L, first); r <= last; ++r) {
        const bool hide = !showAll && !IsRowShown(r);
        if (isRowHidden(int(r)) != hide) setRowHidden(int(r), hide);
    }
    side->setUpdatesEnabled(updates);
    if (updates) viewport()->update();
}

// --- export ---------------------------------------------------------------------------------

int CZRDevListGrid::ExportCsv(QIODevice* out) const
{
    if (!out || !out->isWritable()) return 0;
    QString text;
    const auto line = [&text](const QStringList& fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i) text += u',';
            text += csvField(fields[i]);
        }
        text += QStringLiteral("\r\n");
    };
    QStringList fields;
    for (int col = 0; col < GetNumberCols() && col < kCols; ++col)
        fields << StoredCell(col, -1)->GetText();
    line(fields);
    for (long r = 0, n = rowCount(); r < n; ++r) {
        if (!IsRowShown(r)) continue;
        fields.clear();
        fields << StoredCell(kColLabel, r)->GetLabelText();
        for (int col = kColModel; col < kCols; ++col)
            fields << StoredCell(col, r)->GetTextRef();
        line(fields);
    }
    const QByteArray bytes = text.toUtf8();
    return out->write(bytes) == bytes.size() ? 1 : 0;
}

int CZRDevListGrid::ExportCsv(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return 0;
    if (!ExportCsv(&file)) {
        file.cancelWriting();
        return 0;
    }
    return file.commit() ? 1 : 0;
}
