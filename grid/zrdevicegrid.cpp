#include "zrdevicegrid.h"

#include <resources.h>

namespace {
const QColor kBackground(241, 255, 213);
const QColor kCaption(110, 132, 77);
const QColor kValue(223, 240, 200);
const QColor kDarkText(0, 30, 0);
constexpr int kCols = 10;
constexpr int kRows = 17;
} // namespace

CZRDeviceGrid::CZRDeviceGrid(QWidget* parent) : CUGCtrl(parent)
{
    UseThemes(false);
    setAccessibleName(QStringLiteral("Device information"));
}

CZRDeviceGrid::~CZRDeviceGrid() = default;

void CZRDeviceGrid::OnSetup()
{
    m_pen = QPen(kBackground, 1);
    const QString face = QStringLiteral("MS Sans Serif");
    m_bodyFont = MakeFont(face, 16, 400);
    m_captionFont = MakeFont(face, 17, 600);
    m_titleFont = MakeFont(face, 24, 600);

    CUGCell cell;
    GetDefaultCell(&cell);
    cell.SetBackColor(kBackground);
    cell.SetTextColor(kDarkText);
    cell.SetBorder(UG_BDR_LTHIN | UG_BDR_TTHIN | UG_BDR_RTHIN | UG_BDR_BTHIN);
    cell.SetBorderColor(m_pen);
    cell.SetFont(m_bodyFont);
    cell.SetAlignment(UG_ALIGNVCENTER | UG_ALIGNLEFT);
    SetDefaultCell(&cell);

    SetNumberCols(kCols);
    SetNumberRows(kRows);
    SetSH_Width(0);
    SetTH_Height(0);
    SetVS_Width(0);
    SetHS_Height(0);
    SetCurrentCellMode(UG_CELLMODE_NONE);
    SetMultiSelectMode(false);
    SetHighlightRow(true);
    EnableUpdate(true);

    SetDefRowHeight(25);
    for (long row = 0; row < kRows; ++row) SetRowHeight(row, 25);
    SetColWidth(0, 20);
    SetColWidth(9, 20);
    SetRowHeight(0, 20);
    SetRowHeight(16, 20);
    SetColWidth(1, 60);
    SetColWidth(4, 40);
    SetColWidth(5, 60);
    SetGridConfig();
}

void CZRDeviceGrid::SetGridConfig()
{
    JoinCells(1, 1, 8, 10);
    CUGCell picture;
    GetCell(kPictureCol, kPictureRow, &picture);
    picture.SetAlignment(UG_ALIGNCENTER | UG_ALIGNVCENTER);
    SetCell(kPictureCol, kPictureRow, &picture);

    const QString captionsA[3] = {QStringLiteral("Model Name"), QStringLiteral("Firmware Version"),
                                  QStringLiteral("Agent Version")};
    const QString captionsB[3] = {QStringLiteral("CPU Type"), QStringLiteral("OS Version"), QStringLiteral("Hostname")};
    for (int i = 0; i < 3; ++i) {
        const long row = kFirstInfoRow + i;
        JoinCells(1, row, 2, row);
        JoinCells(3, row, 4, row);
        JoinCells(5, row, 6, row);
        JoinCells(7, row, 8, row);
        SetupSubTitle(1, row, captionsA[i]);
        SetupSubTitle(5, row, captionsB[i]);
        QuickSetBackColor(kValueColA, row, kValue);
        QuickSetBackColor(kValueColB, row, kValue);
    }
}

void CZRDeviceGrid::SetupSubTitle(int col, long row, const QString& text)
{
    CUGCell cell;
    GetCell(col, row, &cell);
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
    GetCell(col, row, &cell);
    cell.SetTextColor(kDarkText);
    cell.SetFont(m_captionFont);
    cell.SetAlignment(UG_ALIGNLEFT | UG_ALIGNVCENTER);
    cell.SetText(text);
    SetCell(col, row, &cell);
}

void CZRDeviceGrid::SetInfoText(int col, long row, const QString& text)
{
    CUGCell cell;
    GetCell(col, row, &cell);
    cell.SetAlignment(UG_ALIGNLEFT | UG_ALIGNVCENTER);
    cell.SetText(text);
    SetCell(col, row, &cell);
}

void CZRDeviceGrid::SetBaseInfo(QString model, QString agentVersion, QString firmwareVersion, QString osVersion,
                                QString cpuType, QString hostname)
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
    CUGCell cell;
    GetCell(kPictureCol, kPictureRow, &cell);
    if (cell.GetBitmapIndex() != index) QuickSetBitmap(kPictureCol, kPictureRow, index);
    return 1;
}

int CZRDeviceGrid::SetImage(int resourceId, int* outIndex)
{
    if (resourceId == 0) return 0;
    const int index = AddBitmap(LoadResBitmap(resourceId));
    if (outIndex) *outIndex = index;
    if (index >= 0) SetImage(index);
    return 1;
}

int CZRDeviceGrid::SetImage(const QString& filePath, int* outIndex)
{
    const int index = AddBitmap(filePath);
    if (outIndex) *outIndex = index;
    if (index < 0) return 0;
    SetImage(index);
    return 1;
}

void CZRDeviceGrid::ClearAllInfo()
{
    SetImage(-1);
    SetBaseInfo(QString(), QString(), QString(), QString(), QString(), QString());
}

void CZRDeviceGrid::GetGridRect(QRect* rect) const
{
    int width = GetSH_Width();
    for (int c = 0; c < GetNumberCols(); ++c) width += GetColWidth(c);
    int height = GetTH_Height();
    for (long r = 0; r < GetNumberRows(); ++r) height += GetRowHeight(r);
    *rect = QRect(0, 0, width, height);
}

QColor CZRDeviceGrid::OnGetDefBackColor(int)
{
    return kBackground;
}

int CZRDeviceGrid::OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags)
{
    return DefaultSortEvaluate(cell1, cell2, flags);
}

int CZRDeviceGrid::OnHint(int col, long row, int, QString* string)
{
    *string = QStringLiteral("Col:%1 Row:%2").arg(col).arg(row);
    return 1;
}
