#include "zrdevicegrid.h"

#include "resources.h"

namespace {
const QColor kPanel(241, 255, 213);
const QColor kCaption(110, 132, 77);
const QColor kValue(223, 240, 200);
const QColor kDarkText(0, 30, 0);
constexpr int kCols = 10, kRows = 17;
} // namespace

CZRDeviceGrid::CZRDeviceGrid(QWidget* parent) : CUGCtrl(parent)
{
    CUGCtrl::UseThemes(false);
    setAccessibleName(QStringLiteral("Device information"));
}

CZRDeviceGrid::~CZRDeviceGrid() = default;

void CZRDeviceGrid::OnSetup()
{
    // The border pen is the panel colour, so grid lines vanish into the background.
    m_pen = QPen(kPanel, 1, Qt::SolidLine);
    m_font = MakeFont(QStringLiteral("MS Sans Serif"), 16, 400);
    m_captionFont = MakeFont(QStringLiteral("MS Sans Serif"), 17, 600);
    m_titleFont = MakeFont(QStringLiteral("MS Sans Serif"), 24, 600);

    CUGCell cell;
    GetDefaultCell(&cell);
    cell.SetBackColor(kPanel);
    cell.SetBorder(UG_BDR_LTHIN | UG_BDR_TTHIN | UG_BDR_RTHIN | UG_BDR_BTHIN);
    cell.SetBorderColor(m_pen);
    cell.SetFont(m_font);
    cell.SetAlignment(UG_ALIGNVCENTER);
    SetDefaultCell(&cell);

    SetNumberCols(kCols);
    SetNumberRows(kRows);
    SetSH_Width(0);
    SetTH_Height(0);
    SetVS_Width(0);
    SetHS_Height(0);
    SetCurrentCellMode(UG_CELLMODE_HIGHLIGHT);
    SetMultiSelectMode(false);
    SetHighlightRow(true);
    EnableUpdate(true);

    SetDefRowHeight(25);
    // The columns left at the default width carry the values; OS and CPU texts such as
    // "Windows Embedded Standard 2009" must fit without being cut.
    SetDefColWidth(110);
    SetColWidth(0, 20);
    SetColWidth(kCols - 1, 20);
    SetRowHeight(0, 20);
    SetRowHeight(kRows - 1, 20);
    SetColWidth(1, 60);
    SetColWidth(4, 40);
    SetColWidth(5, 60);
    SetGridConfig();
}

void CZRDeviceGrid::SetGridConfig()
{
    JoinCells(1, 1, 8, 10);
    for (long row = kFirstInfoRow; row < kFirstInfoRow + 3; ++row) {
        JoinCells(1, row, 2, row);
        JoinCells(3, row, 4, row);
        JoinCells(5, row, 6, row);
        JoinCells(7, row, 8, row);
        QuickSetBackColor(kValueColA, row, kValue);
        QuickSetBackColor(kValueColB, row, kValue);
    }
    SetupSubTitle(1, kFirstInfoRow, QStringLiteral("Model Name"));
    SetupSubTitle(1, kFirstInfoRow + 1, QStringLiteral("Firmware Version"));
    SetupSubTitle(1, kFirstInfoRow + 2, QStringLiteral("Agent Version"));
    SetupSubTitle(5, kFirstInfoRow, QStringLiteral("CPU Type"));
    SetupSubTitle(5, kFirstInfoRow + 1, QStringLiteral("OS Version"));
    SetupSubTitle(5, kFirstInfoRow + 2, QStringLiteral("Hostname"));
}

void CZRDeviceGrid::SetupSubTitle(int col, long row, const QString& text)
{
    CUGCell cell;
    if (GetCell(col, row, &cell) != UG_SUCCESS) return;
    cell.SetBackColor(kCaption);
    cell.SetTextColor(Qt::white);
    cell.SetFont(m_captionFont);
    cell.SetAlignment(UG_ALIGNRIGHT | UG_ALIGNVCENTER);
    cell.SetText(text);
    SetCell(col, row, &cell);
}

void CZRDeviceGrid::SetupSubSubTitle(int col, long row, const QString& text)
{
    CUGCell cell;
    if (GetCell(col, row, &cell) != UG_SUCCESS) return;
    cell.SetTextColor(kDarkText);
    cell.SetFont(m_captionFont);
    cell.SetAlignment(UG_ALIGNLEFT | UG_ALIGNVCENTER);
    cell.SetText(text);
    SetCell(col, row, &cell);
}

void CZRDeviceGrid::SetInfoText(int col, long row, const QString& text)
{
    CUGCell cell;
    if (GetCell(col, row, &cell) != UG_SUCCESS) return;
    cell.SetAlignment(UG_ALIGNLEFT | UG_ALIGNVCENTER);
    cell.SetText(text);
    SetCell(col, row, &cell);
}

void CZRDeviceGrid::SetBaseInfo(QString model, QString agentVersion, QString firmwareVersion,
                                QString osVersion, QString cpuType, QString hostname)
{
    SetInfoText(kValueColA, kFirstInfoRow, model);
    SetInfoText(kValueColA, kFirstInfoRow + 1, firmwareVersion);
    SetInfoText(kValueColA, kFirstInfoRow + 2, agentVersion);
    SetInfoText(kValueColB, kFirstInfoRow, cpuType);
    SetInfoText(kValueColB, kFirstInfoRow + 1, osVersion);
    SetInfoText(kValueColB, kFirstInfoRow + 2, hostname);
    RedrawAll();
}

int CZRDeviceGrid::SetImage(int index)
{
    const CUGCell* cell = StoredCell(kPictureCol, kPictureRow);
    if (cell && cell->GetBitmapIndex() != index) {
        QuickSetBitmap(kPictureCol, kPictureRow, index);
        RedrawCell(kPictureCol, kPictureRow);
    }
    return 1;
}

int CZRDeviceGrid::SetImage(int resourceId, int* outIndex)
{
    if (resourceId == 0) return 0;
    const int index = AddBitmap(LoadResBitmap(resourceId));
    if (outIndex) *outIndex = index;
    // A missing picture is a failure like an unreadable file: the former picture stays.
    if (index < 0) return 0;
    return SetImage(index);
}

int CZRDeviceGrid::SetImage(const QString& filePath, int* outIndex)
{
    const int index = AddBitmap(filePath);
    if (outIndex) *outIndex = index;
    if (index < 0) return 0;
    return SetImage(index);
}

void CZRDeviceGrid::ClearAllInfo()
{
    SetImage(-1);
    SetBaseInfo(QString(), QString(), QString(), QString(), QString(), QString());
}

void CZRDeviceGrid::GetGridRect(QRect* rect) const
{
    if (!rect) return;
    int width = GetSH_Width();
    for (int col = 0; col < GetNumberCols(); ++col)
        width += GetColWidth(col);
    int height = GetTH_Height();
    for (long row = 0; row < GetNumberRows(); ++row)
        height += GetRowHeight(row);
    *rect = QRect(0, 0, width, height);
}

QRect CZRDeviceGrid::GetGridRect() const
{
    QRect r;
    GetGridRect(&r);
    return r;
}

QColor CZRDeviceGrid::OnGetDefBackColor(int)
{
    return kPanel;
}

int CZRDeviceGrid::OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags)
{
    return DefaultSortEvaluate(cell1, cell2, flags);
}

int CZRDeviceGrid::OnHint(int col, long row, int, QString* string)
{
    if (string) *string = QStringLiteral("Col:%1 Row:%2").arg(col).arg(row);
    return 1;
}
