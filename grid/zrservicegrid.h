// The service page: each agent's installed services under its heading row, with their state.
#pragma once

#include "zrgroupgrid.h"

class ZRGRIDU_EXPORT CZRServiceGrid : public CZRGroupGrid
{
    Q_OBJECT

public:
    // String ids of the column captions (the id column shares the process grid's caption).
    static constexpr int kCaptionIds[3] = {9013, 9016, 9017};
    static constexpr int kStoppedBitmap = 8004, kStartedBitmap = 8005;

    explicit CZRServiceGrid(QWidget* parent = nullptr);
    ~CZRServiceGrid() override;

    // Adds a service as the last item row of the agent's group, the group made when absent.
    // Returns the new row.
    long AddServiceItem(const QString& agent, const QString& id, const QString& text, int state);
    // Writes the three cells of an item row.
    void SetServiceItem(long row, const QString& id, const QString& text, int state);

    // Marks an item row as waiting for its new state (before a start or stop is sent).
    void SetUpdateStatus(long row);
    bool IsWaiting4Update() const { return m_waitRow >= 0; }
    long GetUpdateRow() const { return m_waitRow; }
    // Writes state into the waiting row and clears the mark; nothing without one. 1 when written.
    int SetServiceStatus(int state);
    // Clears the mark only (the request failed).
    void ClearUpdateStatus() { m_waitRow = -1; }

    // Deletes the agent's item rows whose id is id; returns how many went.
    long RemoveService(const QString& agent, const QString& id);
    // Deletes the agent's whole group; nothing when the agent has no group.
    int RemoveAllService(const QString& agent);

    // Id of the first selected service row; the row, or -1.
    long GetSelectedItem(QString& id);
    // Id of the right-clicked service row; the row, or -1.
    long GetRClickedItem(QString& id) const;

    // "Started", "Stopped" or "Unknown".
    static QString StateText(int state);

    void OnSetup() override;

protected:
    void StyleAgentRow(long row) override;
    void StyleSeparatorRow(long row) override;

private:
    void setState(long row, int state);
    bool itemRow(long row, QString* id) const;

    int m_startedBitmap = -1;
    int m_stoppedBitmap = -1;
};
