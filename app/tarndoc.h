// The console's hub: owns the control core and the settings, and carries out every command flow
// and every reaction to the control core's notifications.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class CMainFrame;
class CTarnInfoView;
class CZRAgentTree;
class CZRAgent;
class CZRControl;
class CZRNotify;
class CZRDevListGrid;
class CZRProcessGrid;
class CZRServiceGrid;
class CZRFileMgrWnd;
class CZRTransferWnd;
struct _TransferRequest;
class QDialog;
class QTreeWidgetItem;
class QWidget;

// The request action handed to pages, dialogs and plug-ins: 0 when nothing was sent.
using RequestAction = int (*)(const QString& argument, int number, void* context, const QString& key);

class CTarnDoc : public QObject
{
    Q_OBJECT

public:
    explicit CTarnDoc(CMainFrame* frame);
    ~CTarnDoc() override;

    // Reads the profile, enters its gateways into the control core and the tree; connects nothing.
    bool OnNewDocument(const QString& profilePath, const QString& productImageDir);
    // Ends every connection while the frame and views still stand.
    void Teardown();

    CZRControl* Control() const { return m_control.get(); }
    const QString& ProfilePath() const { return m_profilePath; }
    const QString& ProductImageDir() const { return m_productImageDir; }
    const QString& UploadLocalDir() const { return m_uploadLocalDir; }
    const QString& UploadRemoteDir() const { return m_uploadRemoteDir; }
    const QString& UpgradeLocalDir() const { return m_upgradeLocalDir; }
    bool IsMessageBoxShowing() const { return m_msgBoxShowing != 0; }
    QWidget* ModelessWnd() const { return m_modeless; }
    void SetModelessWnd(QWidget* wnd) { m_modeless = wnd; }

    // Commands.
    void OnCommand(int id);
    bool IsCommandEnabled(int id) const;
    // Connects a gateway by name as the Connect command does; false when there is no such gateway.
    bool ConnectGateway(const QString& name);
    // Asks the shut-down question; false keeps the program running.
    bool CanCloseFrame();
    // Runs the Gateway Manager, rebuilds the gateway list from it and rewrites the profile.
    void OnGatewayManager();
    // Writes the "Gateway" section from scratch: nothing of a longer old list stays behind.
    static bool WriteGatewayList(const QString& profilePath, const QList<QStringList>& entries);
    // The agents a selection command acts on: the selected agent, or the checked agents of the
    // selected gateway that the device list shows. Empty when there is none.
    QStringList SelectionTargets(QString* gateway, bool single) const;
    // The agent a context command acts on; false when there is none.
    bool ContextAgent(QString* gateway, QString* agent) const;

    // Notifications of the control core.
    void OnNotify(const CZRNotify& notice);
    // What the info view shows for a node.
    void ActivateNode(QTreeWidgetItem* item, bool doubleClick);

    // The generic send callback; context is the document.
    static int SendMessageCB(const QString& argument, int number, void* context, const QString& key);

    // File flows (tarndocfiles.cpp). The file manager page for one agent.
    void OpenFileManager(const QString& gateway, const QString& agent);
    bool FileMgrShows(const QString& key) const;
    // The transfer window, with the gateway of the selected node selected.
    void ShowTransferList();
    // Records a download on agent and gateway and sends it unless the gateway runs one already:
    // the task state (2 sent, 1 queued), 0 when refused with its message.
    int StartDownload(const QString& key, const QString& localPath, const QString& remotePath, quint64 size,
                      int number);
    // Whether any transfer of any gateway reads or writes this local file.
    bool LocalFileInUse(const QString& localPath) const;
    // Records an upload and sends it unless the gateway is taking another file: the task state
    // (2 sent, 3/4 already at the gateway, 1 queued), 0 when refused with its message. Kind 9 is
    // an upload that starts at once.
    int StartUpload(const QString& key, int kind, const QString& localPath, const QString& remotePath,
                    quint64 size, int number);
    bool LocalFileDownloading(const QString& localPath) const;
    static int UploadCB(const _TransferRequest& request, int number, void* context, const QString& key);
    // The file manager's download callback and the queue's cancel of a waiting task.
    static int DownloadCB(const _TransferRequest& request, int number, void* context, const QString& key);
    static int CancelTaskCB(int kind, const QString& localPath, const QString& remotePath, void* context,
                            const QString& key);
    // The agent settings commands (network, auto-launch, date and time) and Properties.
    static bool IsSettingsCommand(int id);
    void OnSettingsCommand(int id);
    void OnProperties();
    // Reactions to the settings answers; false for any other notification.
    bool OnSettingsNotify(const CZRNotify& n);
    // The auto-launch dialog's apply callback; context is the control core.
    static int AutoLaunchCB(QStringList list, int number, void* context, const QString& key);
    // The upload and firmware upgrade dialogs for agents of one gateway (transferflows.cpp).
    static bool IsTransferDlgCommand(int id);
    void OnTransferDlgCommand(int id);
    // An agent that left (empty: the whole gateway) is no target of the open dialog any more; a
    // gateway that went closes it.
    void TransferDlgAgentGone(const QString& gateway, const QString& agent);

    // Shows a box of string ids: text (and extra text after it), caption (and " - " target).
    int Message(int textId, const QString& extra, int captionId, const QString& target, unsigned icon,
                unsigned buttons);

private:
    CZRAgentTree* tree() const;
    CTarnInfoView* view() const;
    void readGatewayList();
    void doConnect(QTreeWidgetItem* item);
    void doDisconnect(QTreeWidgetItem* item);
    void doReboot();
    CZRDevListGrid* devList() const;
    CZRProcessGrid* processGrid() const;
    CZRServiceGrid* serviceGrid() const;
    void selectAgentNode(const QString& gateway, const QString& agent);
    // Process manager (4) and service monitor (6) for agents of one gateway.
    void openProcessManager(const QString& gateway, const QStringList& agents);
    void openServiceMonitor(const QString& gateway, const QStringList& agents);
    void doStopProcess(bool context);
    void doServiceChange(bool context, bool start);
    void fillDeviceList(const QString& gateway);
    // Asks every agent of the gateway for its device information (request 1).
    void askDeviceInfo(const QString& gateway);
    void sendDeviceInfoSlice();
    void onProcessItem(const CZRNotify& n);
    void onProcessStopped(const CZRNotify& n);
    void onServiceItem(const CZRNotify& n);
    void onServiceChanged(const CZRNotify& n, int state);
    // The gateway's port as the profile gave it; false (and the operator told) when it is no port.
    bool checkPort(const QString& name);
    void showDeviceView(QTreeWidgetItem* item, bool doubleClick);
    void showGatewayView(QTreeWidgetItem* item, bool doubleClick);
    void refreshDevicePage(const QString& gateway, const QString& agent);
    void refreshStorage(const QString& key);
    void onGatewayDisconnected(const QString& name);
    void onAgentOnline(const QString& key);
    void onAgentOffline(const QString& key);
    int modelImageFor(CZRAgent& agent);
    void requestFailed(const QString& nick, const QString& text);
    CZRFileMgrWnd* fileMgr() const;
    CZRTransferWnd* transferWnd() const;
    CZRAgent* findAgent(const QString& key) const;
    void initFileManager();
    void rebuildTasks(const QString& key);
    void onFileNotify(const CZRNotify& n);
    void startNextDownload(const QString& gateway, const QString& preferKey);
    void startNextUpload(const QString& gateway);
    int cancelWaitingUpload(const QString& key, int kind, const QString& localPath,
                            const QString& remotePath);
    void dropDownload(const QString& key, int number, const QString& localPath, const QString& agentPath);
    void transferEnded(const QString& key);
    void fileMgrGatewayGone(const QString& gateway);
    void fileMgrAgentGone(const QString& key);
    // Starts queued work whose gateway leg ended without a report (a leg whose last target left
    // early ends silently); runs while anything waits.
    void watchQueues();
    void kickQueues();

    CMainFrame* m_frame;
    std::unique_ptr<CZRControl> m_control;
    QString m_profilePath;
    QString m_productImageDir;
    QString m_uploadLocalDir;
    QString m_uploadRemoteDir = QStringLiteral("\\");
    QString m_upgradeLocalDir;
    // Settings flows (settingsflows.cpp).
    void onNetInterfaces(const QString& key);
    void onDNSServers(const QString& key);
    void openNetworkDlg(const QString& key);
    void openAutoLaunchDlg(const QString& key);
    void openDateTimeDlg(const QString& key);
    void showModeless(QDialog* dlg);
    void forgetSettingsRequests(const QString& gateway, const QString& agent);
    // Agents whose settings the operator asked for; only their answers open a dialog.
    QSet<QString> m_askedNetwork;
    QSet<QString> m_askedAutoLaunch;
    QSet<QString> m_askedTime;

    int m_msgBoxShowing = 0;
    QPointer<QWidget> m_modeless;
    // Pictures already registered with the device window, by file; agents of one model share one.
    QHash<QString, int> m_pictureIndex;
    int m_fallbackImage = -1;
    // Failures that arrive while an error box is up wait here, each kind once, so a gateway that
    // fails thousands of requests cannot stack thousands of modal boxes.
    struct PendingError
    {
        QString caption;
        QString text;
        int more; // further failures with the same text
    };
    QList<PendingError> m_pendingErrors;
    int m_droppedErrors = 0;
    bool m_errorShowing = false;
    // Agents the process manager and the service monitor were last opened for; their replies
    // fill the grids, anybody else's are stale.
    QSet<QString> m_processKeys;
    QSet<QString> m_serviceKeys;
    QString m_serviceGateway;
    // Set while the document itself selects a tree node, so that the selection does not open a
    // page a second time.
    bool m_selecting = false;
    // Request 1 to a gateway's agents, sent a slice per turn of the event loop.
    static constexpr qsizetype kInfoSlice = 1000;
    QString m_infoGateway;
    QStringList m_infoAgents;
    qsizetype m_infoNext = 0;
    QTimer m_infoTimer;
    // Per gateway, the number of the download that went out; the others wait for it.
    QHash<QString, int> m_runningDownload;
    QTimer m_queueTimer;
};
