#include "zrfilemgrwnd.h"

#include "resource.h"
#include "zrqueuelist.h"
#include "zrrmtshelllistwnd.h"
#include "zrshelllistwnd.h"
#include "zrsplitterctrl.h"

#include <QHeaderView>

CZRFileMgrWnd::CZRFileMgrWnd(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(241, 255, 213));
    setPalette(pal);
}

CZRFileMgrWnd::~CZRFileMgrWnd() = default;

int CZRFileMgrWnd::CreateWnd(unsigned style, const QRect& rect, QWidget* parent, int id)
{
    Q_UNUSED(style);
    if (m_outer) return 0;
    if (parent) setParent(parent);
    setObjectName(QString::number(id));
    setGeometry(rect);

    m_outer = new CZRSplitterCtrl(this);
    m_outer->Create(this, 0, rect.isEmpty() ? QRect() : QRect(QPoint(0, 0), rect.size()), IDC_FM_OUTER);
    m_outer->AddRow();
    m_outer->AddRow();
    m_outer->AddColumn();
    m_inner = new CZRSplitterCtrl;
    m_inner->AddRow();
    m_inner->AddColumn();
    m_inner->AddColumn();
    m_outer->SetWindow(0, 0, m_inner);
    m_local = new CZRShellListWnd;
    m_local->setObjectName(QString::number(IDC_FM_LOCAL));
    m_remote = new CZRRmtShellListWnd;
    m_remote->setObjectName(QString::number(IDC_FM_REMOTE));
    m_inner->SetWindow(0, 0, m_local);
    m_inner->SetWindow(0, 1, m_remote);
    m_queue = new CZRQueueList;
    m_queue->setObjectName(QString::number(IDC_FM_QUEUE));
    m_outer->SetWindow(1, 0, m_queue);
    QPalette pal = m_queue->palette();
    pal.setColor(QPalette::Base, QColor(241, 255, 213));
    m_queue->setPalette(pal);

    m_local->SetRmtShellHWnd(m_remote);
    m_local->SetQueueList(m_queue);
    m_remote->SetLocalShellHWnd(m_local);
    m_remote->SetQueueList(m_queue);

    SetSplitterPos();
    if (!m_outer->LoadState(m_profile, QStringLiteral("FileManager"), QStringLiteral("Main"))) {
        m_outer->SetResizeMode(CZRSplitterCtrl::ResizeDynamic);
        m_outer->SetHeightsForDynamic({75, 25});
    }
    if (!m_inner->LoadState(m_profile, QStringLiteral("FileManager"), QStringLiteral("Shell"))) {
        m_inner->SetResizeMode(CZRSplitterCtrl::ResizeDynamic);
        m_inner->SetEqualWidthColumns();
        m_inner->SetEqualHeightRows();
    }
    m_outer->Update();
    m_inner->Update();
    return 1;
}

void CZRFileMgrWnd::SetSplitterPos()
{
    if (m_outer) m_outer->setGeometry(rect());
}

void CZRFileMgrWnd::resizeEvent(QResizeEvent*)
{
    SetSplitterPos();
}

int CZRFileMgrWnd::AddTask(int status, int kind, const QString& localPath, const QString& remotePath)
{
    return m_queue ? m_queue->AddTask(status, kind, localPath, remotePath) : -1;
}

void CZRFileMgrWnd::UpdateTask(int status, int kind, const QString& localPath, const QString& remotePath)
{
    if (m_queue) m_queue->UpdateTask(status, kind, localPath, remotePath);
}

int CZRFileMgrWnd::RemoveTask(int status, int kind, const QString& localPath, const QString& remotePath)
{
    return m_queue ? m_queue->RemoveTask(status, kind, localPath, remotePath) : 0;
}

void CZRFileMgrWnd::RemoveAllTasks()
{
    if (m_queue) m_queue->RemoveAllTasks();
}

void CZRFileMgrWnd::RefreshShell(int side, const QString& directory)
{
    if (side == 2) {
        if (m_local) m_local->Refresh(directory);
    } else if (m_remote) {
        m_remote->Refresh(directory);
    }
}

void CZRFileMgrWnd::SetTaskAction(ZRTaskAction action, void* context, const QString& nick)
{
    if (m_queue) m_queue->SetTaskAction(action, context, nick);
}

bool CZRFileMgrWnd::event(QEvent* e)
{
    // Our messages only: another event that happens to share the number passes on.
    if (auto* m = int(e->type()) == zrfm::LocalBrowse ? dynamic_cast<CZRFileMsg*>(e) : nullptr) {
        m->result = AddTask(1, m->request.kind, m->request.localPath, m->request.remotePath) >= 0 ? 1 : 0;
        return true;
    }
    return QWidget::event(e);
}
