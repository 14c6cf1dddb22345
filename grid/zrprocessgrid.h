// The process page: each agent's running processes under its heading row, which also shows the
// agent's memory use, with a kill button per process.
#pragma once

#include "zrgroupgrid.h"

class ZRGRIDU_EXPORT CZRProcessGrid : public CZRGroupGrid
{
    Q_OBJECT

public:
    // String ids of the column captions; bitmap id of the kill button.
    static constexpr int kCaptionIds[3] = {9013, 9014, 9015};
    static constexpr int kKillBitmap = 8007;

    explicit CZRProcessGrid(QWidget* parent = nullptr);
    ~CZRProcessGrid() override;

    // The agent row of name, made (count 0, separator below) at the end when absent.
    long AddAgent(const QString& name);
    // Adds a process as the last item row of the agent's group (the agent made when absent).
    // Returns the new row.
    long AddProcessItem(const QString& agent, const QString& pid, const QString& name);
    // "Memory: used KB / total KB" in the agent's row (made when absent); free and total in KB.
    void SetMemory(const QString& agent, quint64 freeKB, quint64 totalKB);

    // The console's request callback, the request number it sends kills with, and its context.
    void SetRequestAction(ZRRequestAction action, int code, void* context);
    void SetNick(const QString& nick) { m_nick = nick; }
    QString GetNick() const { return m_nick; }

    // Asks the agent to stop the process of row: refused with a message while an earlier stop
    // waits; with confirm the operator is asked first. Marks the row as waiting for removal and
    // calls the request action; an action that sends nothing leaves no mark. Returns the action's
    // result, 0 when nothing was sent.
    int StopProcess(long row, bool confirm);
    bool IsWaiting4Remove() const { return m_waitRow >= 0; }
    // The row waiting for removal, -1 when none.
    long GetWaitingRow() const { return m_waitRow; }
    // Deletes the waiting row (its group's count follows) and clears the mark. 1 when a row went.
    int RemoveProcess();
    // Clears the mark only (the stop failed).
    void ClearRemoveItem() { m_waitRow = -1; }
    // Deletes the agent's item rows whose id is pid; returns how many went.
    long RemoveProcess(const QString& agent, const QString& pid);
    // Deletes the agent's whole group; nothing when the agent has no group. 1 when it had one.
    int RemoveAllProcess(const QString& agent);

    // Id and name of the first selected process row; the row, or -1 when no process row is
    // selected.
    long GetSelectedItem(QString& pid, QString& name);
    // Id and name of the right-clicked process row; the row, or -1.
    long GetRClickedItem(QString& pid, QString& name) const;

    void OnSetup() override;
    int OnCellTypeNotify(long ID, int col, long row, long msg, qint64 param) override;
    virtual int OnPushButton(int col, long row, long msg, qint64 param);

protected:
    void StyleAgentRow(long row) override;
    void StyleSeparatorRow(long row) override;

private:
    bool itemRow(long row, QString* pid, QString* name) const;

    QString m_nick;
    ZRRequestAction m_action = nullptr;
    int m_code = 0;
    void* m_context = nullptr;
    int m_killBitmap = -1;
};
