#include "zrprocessgrid.h"

#include "messagebox.h"
#include "resources.h"

CZRProcessGrid::CZRProcessGrid(QWidget* parent) : CZRGroupGrid(parent)
{
    setAccessibleName(QStringLiteral("Processes"));
}

CZRProcessGrid::~CZRProcessGrid() = default;

void CZRProcessGrid::OnSetup()
{
    CZRGroupGrid::OnSetup();
    SetupColumns(kCaptionIds, 3);
    m_killBitmap = AddBitmap(LoadResBitmap(kKillBitmap, QSize(16, 16)));
}

void CZRProcessGrid::StyleAgentRow(long row)
{
    QuickSetCellType(0, row, UGCT_EXPAND);
    QuickSetCellTypeEx(0, row, UGCT_EXPANDNOBOX);
    // The memory line: the same band, without the box.
    QuickSetCellType(1, row, UGCT_EXPAND);
    QuickSetCellTypeEx(1, row, UGCT_EXPANDNOBOX);
    for (int col = 0; col < 3; ++col)
        QuickSetBorder(col, row, UG_BDR_BMEDIUM);
    JoinCells(1, row, 2, row);
}

void CZRProcessGrid::StyleSeparatorRow(long row)
{
    JoinCells(0, row, 2, row);
}

long CZRProcessGrid::AddAgent(const QString& name)
{
    long row = 0;
    if (HasAgent(row, name)) return row;
    return AppendAgent(name);
}

long CZRProcessGrid::AddProcessItem(const QString& agent, const QString& pid, const QString& name)
{
    const long row = InsertItemRow(AddAgent(agent));
    QuickSetText(0, row, pid);
    QuickSetText(1, row, name);
    QuickSetCellType(2, row, UGCT_PUSHBUTTON);
    QuickSetBitmap(2, row, m_killBitmap);
    QuickSetLabelText(2, row, QStringLiteral("Kill %1").arg(name));
    QuickSetAlignment(2, row, UG_ALIGNCENTER | UG_ALIGNVCENTER);
    return row;
}

void CZRProcessGrid::SetMemory(const QString& agent, quint64 freeKB, quint64 totalKB)
{
    const long row = AddAgent(agent);
    // A gateway that reports more free than total memory gets no wrapped-around figure.
    const quint64 used = totalKB >= freeKB ? totalKB - freeKB : 0;
    QuickSetText(1, row, QStringLiteral("Memory: %1 KB / %2 KB").arg(used).arg(totalKB));
    RedrawRow(row);
}

void CZRProcessGrid::SetRequestAction(ZRRequestAction action, int code, void* context)
{
    m_action = action;
    m_code = code;
    m_context = context;
}

bool CZRProcessGrid::itemRow(long row, QString* pid, QString* name) const
{
    if (row < 0 || row >= GetNumberRows() || IsAgentRow(row)) return false;
    const QString id = QuickGetText(0, row);
    if (id.isEmpty()) return false;
    if (pid) *pid = id;
    if (name) *name = QuickGetText(1, row);
    return true;
}

int CZRProcessGrid::StopProcess(long row, bool confirm)
{
    if (IsWaiting4Remove()) {
        ShowMessage(this, QStringLiteral("Some process is being stopped."), QStringLiteral("Process Manager"),
                    0, MB_OK);
        return 0;
    }
    QString pid, name, agent;
    if (!itemRow(row, &pid, &name) || !GetParentAgent(row, agent)) return 0;
    const QString argument = QStringLiteral("%1 %2").arg(pid, name);
    // Marked before asking: rows may come and go while the question is up, and the mark follows
    // its row; a row that went meanwhile is not stopped.
    m_waitRow = row;
    if (confirm && ShowMessage(this, QStringLiteral("Kill the process?"), QStringLiteral("Kill"),
                               MB_ICONQUESTION, MB_OKCANCEL) != IDOK) {
        m_waitRow = -1;
        return 0;
    }
    row = m_waitRow;
    if (row < 0) return 0;
    const QString key = QStringLiteral("%1|%2").arg(m_nick, agent);
    const int sent = m_action ? m_action(argument, m_code, m_context, key) : 0;
    // Nothing went out, so no answer will come to clear the mark.
    if (sent == 0 && m_waitRow == row) m_waitRow = -1;
    return sent;
}

int CZRProcessGrid::RemoveProcess()
{
    const long row = m_waitRow;
    m_waitRow = -1;
    if (row < 0 || row >= GetNumberRows() || IsAgentRow(row)) return 0;
    long a = row;
    while (a >= 0 && !IsAgentRow(a))
        --a;
    DeleteRows(row, row);
    if (a >= 0) QuickSetParam(0, a, std::max<qint64>(0, QuickGetParam(0, a) - 1));
    return 1;
}

long CZRProcessGrid::RemoveProcess(const QString& agent, const QString& pid)
{
    return RemoveItems(agent, pid);
}

int CZRProcessGrid::RemoveAllProcess(const QString& agent)
{
    return RemoveGroup(agent);
}

long CZRProcessGrid::GetSelectedItem(QString& pid, QString& name)
{
    FlushRows();
    int col = -1;
    long row = -1;
    if (EnumFirstSelected(&col, &row) != UG_SUCCESS || !itemRow(row, &pid, &name)) return -1;
    return row;
}

long CZRProcessGrid::GetRClickedItem(QString& pid, QString& name) const
{
    const long row = GetRClickedRow();
    return itemRow(row, &pid, &name) ? row : -1;
}

int CZRProcessGrid::OnCellTypeNotify(long ID, int col, long row, long msg, qint64 param)
{
    if (ID == UGCT_PUSHBUTTON) return OnPushButton(col, row, msg, param);
    return 1;
}

int CZRProcessGrid::OnPushButton(int, long row, long msg, qint64)
{
    QString agent;
    if (!GetParentAgent(row, agent)) return 0;
    if (msg == UGCT_BUTTONCLICK) StopProcess(row, true);
    return 1;
}
