#include "zrqueuelist.h"

#include "fmpaths.h"
#include "resource.h"
#include "resources.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

#include <memory>

namespace {
constexpr int kTaskRole = Qt::UserRole + 1;
}
Q_DECLARE_METATYPE(CZRQueueList::Task)

CZRQueueList::CZRQueueList(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(4);
    setHeaderLabels({QStringLiteral(" "), QStringLiteral("Local File"), QStringLiteral("Direction"),
                     QStringLiteral("Remote File")});
    const int widths[4] = {25, 250, 60, 200};
    for (int c = 0; c < 4; ++c)
        setColumnWidth(c, widths[c]);
    headerItem()->setTextAlignment(2, Qt::AlignCenter);
    setRootIsDecorated(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
}

void CZRQueueList::showStatus(QTreeWidgetItem* item, int status, int kind)
{
    // A firmware file on its way to the agent shows as firmware.
    if (kind == 1 && status == File) status = Firmware;
    Task t = item->data(0, kTaskRole).value<Task>();
    t.status = status;
    item->setData(0, kTaskRole, QVariant::fromValue(t));
    static const int icons[4] = {IDI_STATE_WAITING, IDI_STATE_GATEWAY, IDI_STATE_FILE, IDI_STATE_FIRMWARE};
    item->setIcon(0, status >= 1 && status <= 4 ? LoadResIcon(icons[status - 1]) : QIcon());
}

int CZRQueueList::AddTask(int status, int kind, const QString& localPath, const QString& remotePath)
{
    auto* item = new QTreeWidgetItem;
    Task t;
    t.upload = kind != 2;
    t.kind = kind;
    t.localPath = localPath;
    t.remotePath = remotePath;
    item->setData(0, kTaskRole, QVariant::fromValue(t));
    item->setText(1, localPath);
    item->setText(2, t.upload ? QStringLiteral("-->") : QStringLiteral("<--"));
    item->setTextAlignment(2, Qt::AlignCenter);
    item->setText(3, remotePath);
    showStatus(item, status, kind);
    addTopLevelItem(item);
    return indexOfTopLevelItem(item);
}

CZRQueueList::Task CZRQueueList::GetTask(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kTaskRole).value<Task>() : Task{};
}

bool CZRQueueList::matches(const Task& t, bool upload, const QString& local) const
{
    return t.upload == upload && zrpath::CanonicalLocal(t.localPath) == zrpath::CanonicalLocal(local);
}

void CZRQueueList::UpdateTask(int status, int kind, const QString& localPath, const QString& remotePath)
{
    const bool upload = kind != 2;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const Task t = item->data(0, kTaskRole).value<Task>();
        if (!matches(t, upload, localPath)) continue;
        if (!remotePath.isEmpty() &&
            zrpath::Canonical(t.remotePath, m_os) != zrpath::Canonical(remotePath, m_os))
            continue;
        showStatus(item, status, t.kind);
    }
}

int CZRQueueList::RemoveTask(int status, int kind, const QString& localPath, const QString& remotePath)
{
    const bool upload = kind != 2;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const Task t = item->data(0, kTaskRole).value<Task>();
        if (!matches(t, upload, localPath)) continue;
        if (status != 0 && t.status != status) continue;
        if (status != 4 && !remotePath.isEmpty() &&
            zrpath::Canonical(t.remotePath, m_os) != zrpath::Canonical(remotePath, m_os))
            continue;
        delete takeTopLevelItem(i);
        return 1;
    }
    return 0;
}

void CZRQueueList::RemoveAllTasks()
{
    clear();
}

bool CZRQueueList::HoldsLocal(const QString& localPath, bool upload) const
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (matches(topLevelItem(i)->data(0, kTaskRole).value<Task>(), upload, localPath)) return true;
    return false;
}

bool CZRQueueList::HoldsRemote(const QString& remotePath, int direction) const
{
    const QString want = zrpath::Canonical(remotePath, m_os);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const Task t = topLevelItem(i)->data(0, kTaskRole).value<Task>();
        if (direction >= 0 && t.upload != (direction == 1)) continue;
        if (zrpath::Canonical(t.remotePath, m_os) == want) return true;
    }
    return false;
}

void CZRQueueList::SetTaskAction(ZRTaskAction action, void* context, const QString& nick)
{
    m_action = action;
    m_context = context;
    m_nick = nick;
}

QMenu* CZRQueueList::ContextMenuFor(int row)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || !m_action || item->data(0, kTaskRole).value<Task>().status != Waiting) return nullptr;
    clearSelection();
    item->setSelected(true);
    setCurrentItem(item);
    auto* menu = new QMenu(QStringLiteral("File Manager (Task)"));
    QAction* remove = menu->addAction(QStringLiteral("&Remove"));
    remove->setData(ID_FM_REMOVETASK);
    QPersistentModelIndex at = indexFromItem(item);
    connect(remove, &QAction::triggered, this, [this, at] {
        if (at.isValid()) RemoveWaiting(at.row());
    });
    return menu;
}

int CZRQueueList::RemoveWaiting(int row)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || !m_action) return 0;
    const Task t = item->data(0, kTaskRole).value<Task>();
    if (t.status != Waiting) return 0;
    if (m_action(t.kind, t.localPath, t.remotePath, m_context, m_nick) == 0) return 0;
    delete takeTopLevelItem(row);
    return 1;
}

void CZRQueueList::contextMenuEvent(QContextMenuEvent* e)
{
    const QModelIndex index = indexAt(viewport()->mapFrom(this, e->pos()));
    if (!index.isValid()) return;
    std::unique_ptr<QMenu> menu(ContextMenuFor(index.row()));
    if (menu) menu->exec(e->globalPos());
}
