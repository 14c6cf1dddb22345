#include "zrtransfergrid.h"

#include "captionheads.h"
#include "resources.h"

#include <cstring>

namespace {
const QColor kPanel(241, 255, 213);
const QColor kBar(90, 183, 6);
constexpr int kBorder = UG_BDR_LTHIN | UG_BDR_RTHIN | UG_BDR_BMEDIUM;

struct StatusInfo
{
    int bitmap;
    const char16_t* text;
};
const StatusInfo kStatus[6] = {
    {8012, u"Waiting"},
    {8015, u"Proceed to Gateway"},
    {8013, u"Transferring (file)"},
    {8008, u"Transferring (firmware)"},
    {8014, u"Finished"},
    {8010, u"Failed"},
};

bool validStatus(int status)
{
    return status >= 1 && status <= 6;
}

const ResString kTransferStrings[] = {
    {9018, u"\n30"},
    {9019, u"Local File\n220"},
    {9020, u"Remote File\n200"},
    {9021, u"Progress\n190"},
};
} // namespace

TARN_REGISTER_STRINGS(kTransferStrings)

CZRTransferGrid::CZRTransferGrid(QWidget* parent) : CUGCtrl(parent)
{
    CUGCtrl::UseThemes(false);
    setAccessibleName(QStringLiteral("Transfers"));
}

CZRTransferGrid::~CZRTransferGrid() = default;

void CZRTransferGrid::OnSetup()
{
    m_font = MakeFont(QStringLiteral("Arial"), 15, 400);
    m_headFont = MakeFont(QStringLiteral("Arial"), 15, 500);

    CUGCell cell;
    GetDefaultCell(&cell);
    cell.SetBackColor(kPanel);
    cell.SetBorder(kBorder);
    cell.SetFont(m_font);
    cell.SetAlignment(UG_ALIGNVCENTER);
    SetDefaultCell(&cell);

    SetNumberCols(kCols);
    SetSH_Width(0);
    SetTH_Height(25);
    SetDefRowHeight(25);
    SetMultiSelectMode(false);
    SetHighlightRow(true);
    SetCurrentCellMode(UG_CELLMODE_HIGHLIGHT);
    SetDoubleBufferMode(true);

    SetCaptionHeadings(*this, kCaptionIds, kCols, m_headFont, false);
    SetColWidth(kColDevice, kDeviceWidth);
    for (int i = 0; i < 6; ++i)
        m_bitmaps[i] = AddBitmap(LoadResBitmap(kStatus[i].bitmap, QSize(16, 16)));
    sortBy(kColStatus, true, false);
}

QColor CZRTransferGrid::OnGetDefBackColor(int section)
{
    if (section == UG_TOPHEADING) return palette().color(QPalette::Button);
    return kPanel;
}

int CZRTransferGrid::GetStatusInfo(int status, QString* text) const
{
    if (!validStatus(status)) return -1;
    if (text) *text = QString::fromUtf16(kStatus[status - 1].text);
    return status - 1;
}

QString CZRTransferGrid::AddressOfKey(const QString& key)
{
    const qsizetype bar = key.indexOf(u'|');
    return bar < 0 ? key : key.mid(bar + 1);
}

QString CZRTransferGrid::GatewayOfKey(const QString& key)
{
    const qsizetype bar = key.indexOf(u'|');
    return bar < 0 ? QString() : key.left(bar);
}

int CZRTransferGrid::Percentage(quint64 transferred, quint64 total, int status)
{
    if (status == kFinished) return 100;
    if (total == 0) return 0;
    if (transferred >= total) return 100;
    // Whole numbers: a double loses bytes above 2^53 and could round a short file up to 100.
    return int((unsigned __int128)transferred * 100 / total);
}

long CZRTransferGrid::AddItem(int status, const QString& device, const QString& localFile,
                              const QString& remoteFile, quint64 totalBytes)
{
    if (!validStatus(status) || GetNumberCols() != kCols) return -1;
    const long row = GetNumberRows();
    if (AppendRow() != UG_SUCCESS) return -1;

    CUGCell cell;
    GetCell(kColStatus, row, &cell);
    ZRTransferRecord rec;
    rec.status = status;
    rec.total = totalBytes;
    std::memcpy(cell.AllocExtraMem(sizeof rec), &rec, sizeof rec);
    SetCell(kColStatus, row, &cell);
    writeStatus(row, status);

    QuickSetText(kColDevice, row, AddressOfKey(device));
    QuickSetLabelText(kColDevice, row, device);
    QuickSetText(kColLocal, row, localFile);
    QuickSetText(kColRemote, row, remoteFile);
    QuickSetCellType(kColProgress, row, UGCT_PROGRESS);
    QuickSetNumber(kColProgress, row, Percentage(0, totalBytes, status));
    QuickSetHBackColor(kColProgress, row, kBar);
    QuickSetAlignment(kColProgress, row, UG_ALIGNCENTER | UG_ALIGNVCENTER);
    RedrawRow(row);
    return row;
}

void CZRTransferGrid::writeStatus(long row, int status)
{
    CUGCell* cell = GetCellIndirect(kColStatus, row);
    if (!cell) return;
    QString text;
    const int index = GetStatusInfo(status, &text);
    cell->SetLabelText(text);
    cell->SetParam(status);
    cell->SetBitmapIndex(index < 0 ? -1 : m_bitmaps[index]);
}

ZRTransferRecord CZRTransferGrid::GetRecord(long row) const
{
    ZRTransferRecord rec;
    const CUGCell* cell = StoredCell(kColStatus, row);
    if (cell && cell->GetExtraMemSize() == int(sizeof rec))
        std::memcpy(&rec, cell->GetExtraMemPtr(), sizeof rec);
    return rec;
}

int CZRTransferGrid::GetRowStatus(long row) const
{
    return GetRecord(row).status;
}

QString CZRTransferGrid::GetDevice(long row) const
{
    const CUGCell* cell = StoredCell(kColDevice, row);
    return cell ? cell->GetLabelText() : QString();
}

int CZRTransferGrid::GetProgress(long row) const
{
    const CUGCell* cell = StoredCell(kColProgress, row);
    return cell ? int(cell->GetNumber()) : 0;
}

bool CZRTransferGrid::rowMatches(long row, const QString& device, const QString& localFile,
                                 const QString& remoteFile) const
{
    return GetDevice(row) == device && QuickGetText(kColLocal, row) == localFile &&
           QuickGetText(kColRemote, row) == remoteFile;
}

long CZRTransferGrid::FindFirstItem(int status, const QString& device, const QString& localFile,
                                    const QString& remoteFile) const
{
    if (GetNumberCols() != kCols) return -1;
    for (long row = 0; row < GetNumberRows(); ++row)
        if (GetRowStatus(row) == status && rowMatches(row, device, localFile, remoteFile)) return row;
    return -1;
}

int CZRTransferGrid::UpdateStatus(long row, int newStatus, int expectedStatus, const quint64* transferred,
                                  const quint64* total)
{
    if (!validStatus(newStatus) || row < 0 || row >= GetNumberRows() || GetNumberCols() != kCols) return 0;
    CUGCell* cell = GetCellIndirect(kColStatus, row);
    if (!cell || cell->GetExtraMemSize() != int(sizeof(ZRTransferRecord))) return 0;
    ZRTransferRecord rec;
    std::memcpy(&rec, cell->GetExtraMemPtr(), sizeof rec);
    if (rec.status != expectedStatus) return 0;
    const bool changed = rec.status != newStatus;
    rec.status = newStatus;
    if (transferred) rec.transferred = *transferred;
    if (total) rec.total = *total;
    std::memcpy(cell->GetExtraMemPtr(), &rec, sizeof rec);
    writeStatus(row, newStatus);
    QuickSetNumber(kColProgress, row, Percentage(rec.transferred, rec.total, newStatus));
    if (changed) RedrawCell(kColStatus, row);
    RedrawCell(kColProgress, row);
    return 1;
}

int CZRTransferGrid::UpdateItem(int newStatus, int expectedStatus, const QString& device,
                                const QString& localFile, const QString& remoteFile,
                                const quint64* transferred, const quint64* total)
{
    const long row = FindFirstItem(expectedStatus, device, localFile, remoteFile);
    return row < 0 ? 0 : UpdateStatus(row, newStatus, expectedStatus, transferred, total);
}

int CZRTransferGrid::UpdateItems(int newStatus, int expectedStatus, const QString& localFile,
                                 const quint64* transferred, const quint64* total)
{
    if (GetNumberCols() != kCols) return 0;
    int changed = 0;
    for (long row = 0; row < GetNumberRows(); ++row)
        if (QuickGetText(kColLocal, row) == localFile)
            changed += UpdateStatus(row, newStatus, expectedStatus, transferred, total);
    return changed;
}

int CZRTransferGrid::SetFail(long row, int status)
{
    if (row < 0 || row >= GetNumberRows() || GetNumberCols() != kCols) return 0;
    const int current = GetRowStatus(row);
    if (!validStatus(current)) return 0;
    if (status == 0 ? (current == kFinished || current == kFailed) : current != status) return 0;
    CUGCell* cell = GetCellIndirect(kColStatus, row);
    ZRTransferRecord rec = GetRecord(row);
    rec.status = kFailed;
    std::memcpy(cell->GetExtraMemPtr(), &rec, sizeof rec);
    writeStatus(row, kFailed);
    RedrawCell(kColStatus, row);
    return 1;
}

int CZRTransferGrid::SetItemFail(const QString* device, int status)
{
    if (GetNumberCols() != kCols) return 0;
    int failed = 0;
    for (long row = 0; row < GetNumberRows(); ++row)
        if (!device || GetDevice(row) == *device) failed += SetFail(row, status);
    return failed;
}

int CZRTransferGrid::SetGatewayFail(const QString& gateway, int status)
{
    if (GetNumberCols() != kCols) return 0;
    int failed = 0;
    for (long row = 0; row < GetNumberRows(); ++row) {
        const QString key = GetDevice(row);
        if (key.contains(u'|') && GatewayOfKey(key) == gateway) failed += SetFail(row, status);
    }
    return failed;
}

long CZRTransferGrid::removeWhere(const std::function<bool(long)>& pred)
{
    if (GetNumberCols() != kCols) return 0;
    long removed = 0;
    // From the end, a run of neighbours at a time, so rows not yet looked at keep their places.
    long row = GetNumberRows() - 1;
    while (row >= 0) {
        if (!pred(row)) {
            --row;
            continue;
        }
        long first = row;
        while (first > 0 && pred(first - 1))
            --first;
        DeleteRowRange(first, row);
        removed += row - first + 1;
        row = first - 1;
    }
    return removed;
}

int CZRTransferGrid::RemoveItem(int status, const QString& device, const QString& localFile,
                                const QString& remoteFile)
{
    const long row = FindFirstItem(status, device, localFile, remoteFile);
    if (row < 0) return 0;
    DeleteRow(row);
    return 1;
}

long CZRTransferGrid::RemoveAllItems(int status)
{
    return removeWhere([this, status](long row) { return status == 0 || GetRowStatus(row) == status; });
}

long CZRTransferGrid::ClearDone()
{
    return removeWhere([this](long row) {
        const int s = GetRowStatus(row);
        return s == kFinished || s == kFailed;
    });
}

int CZRTransferGrid::OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags)
{
    if (cell1 && cell2 && cell1->GetExtraMemSize() == int(sizeof(ZRTransferRecord)) &&
        cell2->GetExtraMemSize() == int(sizeof(ZRTransferRecord))) {
        // Status cells show no text: they sort by their code.
        qint64 a = cell1->GetParam(), b = cell2->GetParam();
        if (flags & UG_SORT_DESCENDING) std::swap(a, b);
        return a < b ? -1 : a > b ? 1 : 0;
    }
    return DefaultSortEvaluate(cell1, cell2, flags);
}

void CZRTransferGrid::sortBy(int col, bool ascending, bool arrow)
{
    if (col < 0 || col >= GetNumberCols()) return;
    if (CUGCell* old = GetCellIndirect(m_sortCol, -1)) {
        old->SetCellType(UGCT_NORMAL);
        old->SetCellTypeEx(0);
        RedrawCell(m_sortCol, -1);
    }
    m_sortCol = col;
    m_sortAsc = ascending;
    if (arrow)
        if (CUGCell* head = GetCellIndirect(col, -1)) {
            head->SetCellType(UGCT_SORTARROW);
            head->SetCellTypeEx(ascending ? UGCT_SORTARROWUP : UGCT_SORTARROWDOWN);
            RedrawCell(col, -1);
        }
    SortBy(col, ascending ? UG_SORT_ASCENDING : UG_SORT_DESCENDING);
    RedrawAll();
}

void CZRTransferGrid::OnTH_LClicked(int col, long, int updn, QRect*, QPoint*, int)
{
    if (updn != 1 || col < 0) return;
    sortBy(col, col == m_sortCol ? !m_sortAsc : true, true);
}

int CZRTransferGrid::OnMenuStart(int, long, int)
{
    return 1;
}

int CZRTransferGrid::OnEditStart(int, long, QWidget**)
{
    // The paths are what reports find their row by; nobody types over them.
    return 0;
}
