// The file manager's task queue: one row per transfer of the agent shown, with its state icon,
// local file, direction and remote file.
#pragma once

#include "zrfilemgr_global.h"
#include "zrfmtypes.h"

#include <QTreeWidget>

class QMenu;

class ZRFILEMGRU_EXPORT CZRQueueList : public QTreeWidget
{
    Q_OBJECT

public:
    // Task statuses, shared with the transfer window.
    enum Status { Waiting = 1, ToGateway = 2, File = 3, Firmware = 4, Finished = 5, Failed = 6 };
    struct Task
    {
        bool upload = true; // direction: 1 upload, 0 download
        int kind = 0;
        int status = 0;
        QString localPath;
        QString remotePath;
    };

    explicit CZRQueueList(QWidget* parent = nullptr);

    int AddTask(int status, int kind, const QString& localPath, const QString& remotePath);
    void UpdateTask(int status, int kind, const QString& localPath, const QString& remotePath);
    int RemoveTask(int status, int kind, const QString& localPath, const QString& remotePath);
    void RemoveAllTasks();
    int GetTaskCount() const { return topLevelItemCount(); }
    Task GetTask(int row) const;

    // The agent's OS type: remote paths of Windows-type agents compare without letter case.
    void SetOSType(int osType) { m_os = osType; }
    // Whether a row holds this local file in that direction (the same file however it is spelt).
    bool HoldsLocal(const QString& localPath, bool upload) const;
    // Whether a row holds this remote file; direction -1 any, 1 uploads, 0 downloads.
    bool HoldsRemote(const QString& remotePath, int direction) const;

    // Cancelling a waiting task goes through the console; without an action "Remove" is not offered.
    void SetTaskAction(ZRTaskAction action, void* context, const QString& nick);
    // The menu a right click on row shows; null when none. Owned by the caller.
    QMenu* ContextMenuFor(int row);
    // Cancels the waiting task of row through the console; 1 when it was dropped and its row went.
    int RemoveWaiting(int row);

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void showStatus(QTreeWidgetItem* item, int status, int kind);
    bool matches(const Task& t, bool upload, const QString& local) const;

    int m_os = 0;
    ZRTaskAction m_action = nullptr;
    void* m_context = nullptr;
    QString m_nick;
};
