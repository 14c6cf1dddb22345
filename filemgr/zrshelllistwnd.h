// The local pane: caption, path box and a list of one local directory. Uploads go to the remote
// pane, downloads to the console's download action; local files are opened by the desktop and
// never run, and deleting moves them to the trash.
//
// Wiring for the console: pane->SetNick(key); pane->SetRequestAction(download, doc);
// pane->SetRequestParam(24). Before a queued download starts, ConfirmDownloadStart(localPath)
// asks about a file that appeared at the target meanwhile (false: do not start it).
#pragma once

#include "zrfilemgr_global.h"
#include "zrfmtypes.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QFileInfo>
#include <QSet>
#include <QTreeView>
#include <QWidget>

#include <vector>

class QLabel;
class QMenu;
class CZRHistoryCombo;
class CZRQueueList;
class CZRShellListWnd;

class ZRFILEMGRU_EXPORT CZRLocalModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { ColName = 0, ColSize = 1, ColType = 2, ColModified = 3 };
    explicit CZRLocalModel(QObject* parent = nullptr);

    // Reads the directory; false when it cannot be listed (the rows stay as they were).
    bool Load(const QString& directory);
    QString Directory() const { return m_dir; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    bool IsUp(int row) const { return row >= 0 && row < int(m_rows.size()) && m_rows[size_t(row)].up; }
    QFileInfo Info(int row) const { return m_rows[size_t(row)].info; }
    QString NameAt(int row) const;
    int Find(const QString& name) const;

signals:
    void renameAsked(int row, const QString& name);

private:
    struct Row
    {
        QFileInfo info;
        bool up = false;
    };
    std::vector<Row> m_rows;
    QString m_dir;
};

class ZRFILEMGRU_EXPORT CZRShellList : public QTreeView
{
    Q_OBJECT

public:
    explicit CZRShellList(CZRShellListWnd* pane, QWidget* parent = nullptr);
    CZRLocalModel* Model() const { return m_model; }
    QList<int> SelectedRows() const;
    void SelectRow(int row, bool add = false);
    int MarkRow() const;
    // Reloads when directory is the one shown (or empty).
    void Refresh(const QString& directory = QString());

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    CZRShellListWnd* m_pane;
    CZRLocalModel* m_model;
};

class ZRFILEMGRU_EXPORT CZRShellListWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CZRShellListWnd(QWidget* parent = nullptr);
    ~CZRShellListWnd() override;

    bool Create(QWidget* parent, const QRect& rect, int id);
    void SetRequestAction(ZRTransferAction downloadAction, void* context);
    void SetRequestParam(int downloadCode) { m_codeDownload = downloadCode; }
    void SetNick(const QString& nick) { m_nick = nick; }
    QString GetNick() const { return m_nick; }
    void SetQueueList(CZRQueueList* queue) { m_queue = queue; }
    void SetRmtShellHWnd(QWidget* window) { m_remote = window; }
    void Init(const QString& directory);
    void Refresh(const QString& directory = QString());
    void SetDirectoryPath(const QString& directory) { Browse(directory); }
    QString GetDirectoryPath() const { return m_current; }
    void SetListBkColor(const QColor& colour);
    void WrongDirectory();

    int Browse(const QString& directory);
    void OpenEntry(int row);
    void OpenParent();
    void UploadSelection();
    void DeleteSelection();
    bool BeginRename(int row);
    bool RenameEntry(int row, const QString& newName);
    void AddFolder();
    // A download the remote pane passes on: completed with the local target and confirmed.
    int DownloadRequest(const _TransferRequest& request);
    // Remote files dropped onto the list (full remote paths).
    void DropRemoteFiles(const QStringList& remotePaths);
    // Asked by the console right before a queued download into localPath starts.
    bool ConfirmDownloadStart(const QString& localPath);
    QMenu* ContextMenuFor(int row);

    CZRShellList* List() const { return m_list; }
    CZRHistoryCombo* Combo() const { return m_combo; }

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    bool refuseQueued(const QString& path, const QString& title);

    QLabel* m_caption;
    CZRHistoryCombo* m_combo;
    CZRShellList* m_list;
    CZRQueueList* m_queue = nullptr;
    QWidget* m_remote = nullptr;
    ZRTransferAction m_action = nullptr;
    void* m_context = nullptr;
    int m_codeDownload = 0;
    QString m_nick;
    QString m_current;
    QString m_previous;
    QSet<QString> m_overwriteAllowed; // targets whose overwrite the operator confirmed
    int m_id = 0;
};
