// The remote pane: caption, path box and the list of one directory of the selected agent. It
// never talks to a gateway: every operation goes to the console's request action, and the
// console feeds the replies back.
//
// Wiring for the console:
//   pane->SetNick(key); pane->Reset(); pane->SetOSType(os);
//   pane->SetRequestAction(send, upload, doc);        // send: SendRequest(number, argument, key)
//   pane->SetRequestParam(25, 29, 31, 27, 30, 26, 28, 21);
//   pane->Init(directory);
//   1606 with an entry e:  if (pane->OnListing(key, false, e.kind, e.name, e.size, e.text, e.number)
//                              == CZRRmtShellListWnd::ListingWrongDirectory) { message 22008;
//                              pane->WrongDirectory(); }
//   1606 without entry:    the same call with failed = true.
//   1605 with value v:     pane->OnRequestDone(key, int(v)).
// Feed every 1606 and 1605 whatever agent they name: the pane keeps track of listings still
// arriving for agents it no longer shows.
// One listing per agent is outstanding at a time: rows that arrive after a Reset or for another
// agent never reach the list, and a new listing of an agent waits until its old one has ended.
#pragma once

#include "zrfilemgr_global.h"
#include "zrfmtypes.h"
#include "zrremotemodel.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QTreeView>
#include <QWidget>

class QLabel;
class QMenu;
class CZRHistoryCombo;
class CZRQueueList;
class CZRRmtShellListWnd;

class ZRFILEMGRU_EXPORT CZRRemoteShellList : public QTreeView
{
    Q_OBJECT

public:
    explicit CZRRemoteShellList(CZRRmtShellListWnd* pane, QWidget* parent = nullptr);
    CZRRemoteModel* Model() const { return m_model; }
    // Selected rows in row order.
    QList<int> SelectedRows() const;
    void SelectRow(int row, bool add = false);
    void DeselectRow(int row);
    int MarkRow() const;
    // Starts the label edit of row.
    void EditRow(int row);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void startDrag(Qt::DropActions supported) override;

private:
    CZRRmtShellListWnd* m_pane;
    CZRRemoteModel* m_model;
};

class ZRFILEMGRU_EXPORT CZRRmtShellListWnd : public QWidget
{
    Q_OBJECT

public:
    enum ListingResult { ListingDropped = 0, ListingAccepted = 1, ListingWrongDirectory = 2 };
    // A listing of a reset pane that never ends is given up after this long.
    static constexpr int kStaleListingMs = 30000;

    explicit CZRRmtShellListWnd(QWidget* parent = nullptr);
    ~CZRRmtShellListWnd() override;

    bool Create(QWidget* parent, const QRect& rect, int id);
    void SetRequestAction(ZRRequestAction requestAction, ZRTransferAction uploadAction, void* context);
    void SetRequestParam(int browse, int addDir, int execute, int del, int delDir, int rename, int chgMode,
                         int upload);
    // A listing still running for the old agent is left to end unseen.
    void SetNick(const QString& nick);
    QString GetNick() const { return m_nick; }
    void SetQueueList(CZRQueueList* queue) { m_queue = queue; }
    void SetLocalShellHWnd(QWidget* window) { m_local = window; }
    void SetOSType(int osType);
    int GetOSType() const { return m_os; }

    // Normalises the directory and asks for its listing through the path box.
    void Init(const QString& directory);
    bool IsBrowsing() const { return m_browsing; }
    void BeginBrowsing(bool flag) { m_browsing = flag; }
    // One entry of the running listing; an empty name ends it. 1 when stored.
    int AddFile(int type, int mode, quint64 size, const QString& name, const QString& modified);
    int RemoveFile(int type, const QString& name);
    // Non-zero re-sorts; zero asks for a fresh listing of the current directory.
    void RequestDone(int flag);
    void Refresh(const QString& directory = QString());
    // The agent reported the requested directory missing: ends the listing and falls back towards
    // the root, never to a path that has just failed.
    void WrongDirectory();
    void Reset();
    void ClearList();
    int GetObjectCount() const;
    QString GetCurrentDirectory() const { return m_current; }

    // Replies fed by the console (see the top of this file).
    int OnListing(const QString& key, bool failed, int kind, const QString& name, quint64 size,
                  const QString& modified, int mode);
    void OnRequestDone(const QString& key, int flag);

    // The operations, as keys, menus and drops reach them.
    int Browse(const QString& path);
    void OpenEntry(int row);
    void OpenParent();
    bool RenameEntry(int row, const QString& newName);
    bool BeginRename(int row);
    void DeleteSelection();
    void ChangeModeEntry(int row);
    void AddFolder();
    void RunEntry(int row);
    void DownloadSelection();
    int UploadRequest(const _TransferRequest& request);
    // Local files dropped onto the list become uploads.
    void DropLocalFiles(const QStringList& paths);
    QString FullPath(const QString& name) const;
    QString ProposeFolderName() const;

    // The menu of a right click on row (-1: empty space). Owned by the caller.
    QMenu* ContextMenuFor(int row);

    CZRRemoteShellList* List() const { return m_list; }
    CZRHistoryCombo* Combo() const { return m_combo; }

    static int RequestProc(const QString& argument, QWidget* window, int message, const QString& nick);

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    int request(const QString& argument, int code);
    bool checkArgument(const QStringList& fields, const QString& argument, const QString& title);
    bool refuseQueued(int row, const QString& title, int direction);
    void endListing();
    void sendPending();
    void startListing(const QString& path);
    ZRRemoteEntry entry(int row) const { return m_list->Model()->At(row); }

    QLabel* m_caption;
    CZRHistoryCombo* m_combo;
    CZRRemoteShellList* m_list;
    CZRQueueList* m_queue = nullptr;
    QWidget* m_local = nullptr;
    ZRRequestAction m_action = nullptr;
    ZRTransferAction m_upload = nullptr;
    void* m_context = nullptr;
    int m_codeBrowse = 0, m_codeAddDir = 0, m_codeExecute = 0, m_codeDelete = 0, m_codeDelDir = 0,
        m_codeRename = 0, m_codeChgMode = 0, m_codeUpload = 0;
    QString m_nick;
    int m_os = 0;
    QString m_current;
    QString m_previous;
    bool m_browsing = false;
    // The listing of this agent that the gateway still sends, and whether its rows are stale.
    struct Outstanding
    {
        bool stale = false;
        QElapsedTimer since;
    };
    QHash<QString, Outstanding> m_outstanding;
    QString m_pendingArgument; // a browse waiting for a stale listing of the same agent
    QSet<QString> m_failed;    // paths that failed since the last good listing
    int m_id = 0;
};
