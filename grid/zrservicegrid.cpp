#include "zrservicegrid.h"

#include "resources.h"

CZRServiceGrid::CZRServiceGrid(QWidget* parent) : CZRGroupGrid(parent)
{
    setAccessibleName(QStringLiteral("Services"));
}

CZRServiceGrid::~CZRServiceGrid() = default;

void CZRServiceGrid::OnSetup()
{
    CZRGroupGrid::OnSetup();
    SetupColumns(kCaptionIds, 3);
    m_stoppedBitmap = AddBitmap(LoadResBitmap(kStoppedBitmap, QSize(16, 16)));
    m_startedBitmap = AddBitmap(LoadResBitmap(kStartedBitmap, QSize(16, 16)));
    SetDoubleBufferMode(true);
    EnableMenu(true);
}

void CZRServiceGrid::StyleAgentRow(long row)
{
    QuickSetCellType(0, row, UGCT_EXPAND);
    QuickSetCellTypeEx(0, row, UGCT_EXPANDNOBOX);
    JoinCells(0, row, 2, row);
}

void CZRServiceGrid::StyleSeparatorRow(long) {}

QString CZRServiceGrid::StateText(int state)
{
    switch (state) {
    case 1:
        return QStringLiteral("Started");
    case 0:
        return QStringLiteral("Stopped");
    default:
        return QStringLiteral("Unknown");
    }
}

long CZRServiceGrid::AddServiceItem(const QString& agent, const QString& id, const QString& text, int state)
{
    long a = 0;
    if (!HasAgent(a, agent)) a = AppendAgent(agent);
    const long row = InsertItemRow(a);
    SetServiceItem(row, id, text, state);
    return row;
}

void CZRServiceGrid::setState(long row, int state)
{
    QuickSetText(2, row, StateText(state));
    QuickSetParam(2, row, state);
    QuickSetBitmap(2, row, state == 1 ? m_startedBitmap : m_stoppedBitmap);
    QuickSetAlignment(2, row, UG_ALIGNCENTER | UG_ALIGNVCENTER);
}

void CZRServiceGrid::SetServiceItem(long row, const QString& id, const QString& text, int state)
{
    if (row < 0 || row >= GetNumberRows() || IsAgentRow(row)) return;
    QuickSetText(0, row, id);
    QuickSetText(1, row, text);
    setState(row, state);
}

void CZRServiceGrid::SetUpdateStatus(long row)
{
    if (itemRow(row, nullptr)) m_waitRow = row;
}

int CZRServiceGrid::SetServiceStatus(int state)
{
    const long row = m_waitRow;
    m_waitRow = -1;
    if (!itemRow(row, nullptr)) return 0;
    setState(row, state);
    RedrawRow(row);
    return 1;
}

long CZRServiceGrid::RemoveService(const QString& agent, const QString& id)
{
    return RemoveItems(agent, id);
}

int CZRServiceGrid::RemoveAllService(const QString& agent)
{
    return RemoveGroup(agent);
}

bool CZRServiceGrid::itemRow(long row, QString* id) const
{
    if (row < 0 || row >= GetNumberRows() || IsAgentRow(row)) return false;
    const QString text = QuickGetText(0, row);
    if (text.isEmpty()) return false;
    if (id) *id = text;
    return true;
}

long CZRServiceGrid::GetSelectedItem(QString& id)
{
    FlushRows();
    int col = -1;
    long row = -1;
    if (EnumFirstSelected(&col, &row) != UG_SUCCESS || !itemRow(row, &id)) return -1;
    return row;
}

long CZRServiceGrid::GetRClickedItem(QString& id) const
{
    const long row = GetRClickedRow();
    return itemRow(row, &id) ? row : -1;
}
