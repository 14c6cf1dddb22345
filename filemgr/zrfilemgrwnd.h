// The two-pane file manager: local pane and remote pane side by side above the task queue, in
// splitters whose layout the application profile may hold ("FileManager": "Main" and "Shell").
//
// Wiring for the console: Local() and Remote() are the panes (see their headers); the queue's
// "Remove" cancels a waiting task through SetTaskAction; AddTask/UpdateTask/RemoveTask follow
// the transfer notifications and RefreshShell(side, folder) refreshes after them (side 2: local).
#pragma once

#include "zrfilemgr_global.h"
#include "zrfmtypes.h"

#include <QWidget>

class QSettings;
class CZRSplitterCtrl;
class CZRShellListWnd;
class CZRRmtShellListWnd;
class CZRQueueList;

class ZRFILEMGRU_EXPORT CZRFileMgrWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CZRFileMgrWnd(QWidget* parent = nullptr);
    ~CZRFileMgrWnd() override;

    // The profile the splitter layouts are read from (null: the application's settings). Before
    // CreateWnd.
    void SetProfile(QSettings* profile) { m_profile = profile; }
    int CreateWnd(unsigned style, const QRect& rect, QWidget* parent, int id);

    int AddTask(int status, int kind, const QString& localPath, const QString& remotePath);
    void UpdateTask(int status, int kind, const QString& localPath, const QString& remotePath);
    int RemoveTask(int status, int kind, const QString& localPath, const QString& remotePath);
    void RemoveAllTasks();
    void RefreshShell(int side, const QString& directory);
    void SetSplitterPos();
    void SetTaskAction(ZRTaskAction action, void* context, const QString& nick);

    CZRShellListWnd* Local() const { return m_local; }
    CZRRmtShellListWnd* Remote() const { return m_remote; }
    CZRQueueList* Queue() const { return m_queue; }
    CZRSplitterCtrl* OuterSplitter() const { return m_outer; }
    CZRSplitterCtrl* InnerSplitter() const { return m_inner; }

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QSettings* m_profile = nullptr;
    CZRSplitterCtrl* m_outer = nullptr;
    CZRSplitterCtrl* m_inner = nullptr;
    CZRShellListWnd* m_local = nullptr;
    CZRRmtShellListWnd* m_remote = nullptr;
    CZRQueueList* m_queue = nullptr;
};
