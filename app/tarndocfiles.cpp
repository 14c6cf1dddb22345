// The document's file flows: the file manager page, uploads and downloads with their queues per
// gateway, the transfer window's rows, and the remote pane's replies. The transfer bookkeeping
// itself stays in the control core; this file only drives it.
#include "agenttree.h"
#include "mainframe.h"
#include "resource.h"
#include "tarndoc.h"
#include "tarninfoview.h"

#include <fmpaths.h>
#include <messagebox.h>
#include <zrcontrol.h>
#include <zrfilemgrwnd.h>
#include <zrqueuelist.h>
#include <zrrmtshelllistwnd.h>
#include <zrshelllistwnd.h>
#include <zrtransferwnd.h>

#include <QDir>

namespace {
// Request numbers of the file manager's operations.
constexpr int kBrowse = 25, kAddDir = 29, kExecute = 31, kDelete = 27, kDelDir = 30, kRename = 26,
              kChgMode = 28, kUpload = 21, kDownload = 24;

QString keyOf(const QString& gateway, const QString& agent)
{
    return gateway + u'|' + agent;
}

QString downloadArgument(const QString& local, const QString& remote)
{
    return QStringLiteral("\"%1\" \"%2\"").arg(local, remote);
}

// Every agent entry of the gateway's transfer with that number and local file, with its agent path.
template <typename F>
void forEachWaiting(CZRGateway& gw, int type, int number, const QString& localPath, F&& apply)
{
    for (const auto& a : gw.GetAgentList())
        for (int at = a->FindTransfer(type, number, &localPath, nullptr, -1); at >= 0;
             at = a->FindTransfer(type, number, &localPath, nullptr, at))
            apply(*a, a->TransferAt(type, at)->agentPath);
}
} // namespace

CZRFileMgrWnd* CTarnDoc::fileMgr() const
{
    return view()->FileMgrWnd();
}

CZRTransferWnd* CTarnDoc::transferWnd() const
{
    return view()->TransferWnd();
}

CZRAgent* CTarnDoc::findAgent(const QString& key) const
{
    QString gateway, agent;
    if (!m_control || !CZRControl::ParseNick(key, &gateway, &agent) || agent.isEmpty()) return nullptr;
    return m_control->GetGateway(gateway).FindAgent(agent);
}

void CTarnDoc::initFileManager()
{
    CZRFileMgrWnd* fm = fileMgr();
    fm->Local()->SetRequestParam(kDownload);
    fm->Local()->SetRequestAction(&CTarnDoc::DownloadCB, this);
    fm->Remote()->SetRequestParam(kBrowse, kAddDir, kExecute, kDelete, kDelDir, kRename, kChgMode, kUpload);
    fm->Remote()->SetRequestAction(&CTarnDoc::SendMessageCB, &CTarnDoc::UploadCB, this);
    fm->Local()->Init(m_uploadLocalDir.isEmpty() ? QDir::homePath() : m_uploadLocalDir);
}

bool CTarnDoc::FileMgrShows(const QString& key) const
{
    return !key.isEmpty() && fileMgr()->Remote()->GetNick() == key;
}

void CTarnDoc::OpenFileManager(const QString& gateway, const QString& agentName)
{
    const QString key = keyOf(gateway, agentName);
    CZRAgent* agent = findAgent(key);
    if (agent == nullptr) return;
    selectAgentNode(gateway, agentName);
    CZRFileMgrWnd* fm = fileMgr();
    CZRRmtShellListWnd* pane = fm->Remote();
    const bool upgrading = agent->IsUpgrading() != 0;
    if (upgrading) pane->Reset();
    const bool other = pane->GetNick() != key;
    if (other || (pane->GetObjectCount() == 0 && !pane->IsBrowsing() && !upgrading)) {
        // The folder left behind is where the agent's pane opens next time.
        if (other)
            if (CZRAgent* previous = findAgent(pane->GetNick()))
                previous->SetCurrentDirectoryW(pane->GetCurrentDirectory());
        const int os = agent->GetOSType(1);
        pane->SetNick(key);
        pane->Reset();
        pane->SetOSType(os);
        pane->SetRequestAction(&CTarnDoc::SendMessageCB, &CTarnDoc::UploadCB, this);
        pane->SetRequestParam(kBrowse, kAddDir, kExecute, kDelete, kDelDir, kRename, kChgMode, kUpload);
        fm->Local()->SetNick(key);
        fm->Local()->SetRequestAction(&CTarnDoc::DownloadCB, this);
        fm->Queue()->SetOSType(os);
        fm->SetTaskAction(&CTarnDoc::CancelTaskCB, this, key);
        const QString start = agent->GetCurrentDirectoryW();
        if (!upgrading) pane->Init(start.isEmpty() ? m_uploadRemoteDir : start);
    }
    rebuildTasks(key);
    view()->SwitchPage(PAGE_FILEMGR);
    refreshStorage(key);
    m_frame->UpdateCommandUI();
}

void CTarnDoc::ShowTransferList()
{
    QTreeWidgetItem* node = tree()->currentItem();
    if (node && (CZRAgentTree::Param(node) & NODE_AGENT)) node = node->parent();
    if (node && tree()->currentItem() != node) {
        // Selected for the page below; the selection must not open the gateway's view first.
        m_selecting = true;
        tree()->setCurrentItem(node);
        m_selecting = false;
    }
    view()->SwitchPage(PAGE_TRANSFER);
    m_frame->SetStoragePanes(0, 0);
    m_frame->UpdateCommandUI();
}

void CTarnDoc::rebuildTasks(const QString& key)
{
    CZRFileMgrWnd* fm = fileMgr();
    fm->RemoveAllTasks();
    const CZRAgent* agent = findAgent(key);
    if (agent == nullptr) return;
    QString gateway, address;
    CZRControl::ParseNick(key, &gateway, &address);
    const int running = m_runningDownload.value(gateway, -1);
    for (int kind : {int(ZRT_UPLOAD), int(ZRT_DOWNLOAD)}) {
        for (int i = 0;; ++i) {
            // Uploads first: the list of kind 0 holds firmware too.
            const _TransferA* t = agent->TransferAt(kind, i);
            if (t == nullptr) break;
            int state;
            if (kind == ZRT_DOWNLOAD)
                state = t->number != running ? 1 : t->status == 1 ? 3 : 2;
            else
                state = t->number < 0 ? 1 : t->status == 1 ? (t->type == ZRT_FIRMWARE ? 4 : 3) : 2;
            fm->AddTask(state, t->type, t->localPath, t->agentPath);
        }
    }
}

// ---- downloads

int CTarnDoc::DownloadCB(const _TransferRequest& request, int number, void* context, const QString& key)
{
    auto* doc = static_cast<CTarnDoc*>(context);
    if (doc == nullptr || !doc->m_control) return 0;
    return doc->StartDownload(key, request.localPath, request.remotePath, request.size, number) > 0 ? 1 : 0;
}

bool CTarnDoc::LocalFileInUse(const QString& localPath) const
{
    // Every gateway, both directions: a file written by one transfer is no source or target of another.
    const QString wanted = zrpath::CanonicalLocal(localPath);
    QString name, ip, port;
    for (int i = 0; i < m_control->GetGatewayCount(); ++i) {
        if (!m_control->GetGatewayItem(i, name, ip, port)) continue;
        CZRGateway& gw = m_control->GetGateway(name);
        for (const QList<_TransferG>* list : {&gw.Uploads(), &gw.Downloads()})
            for (const _TransferG& t : *list)
                if (zrpath::CanonicalLocal(t.localPath) == wanted) return true;
    }
    return false;
}

int CTarnDoc::StartDownload(const QString& key, const QString& localPath, const QString& remotePath,
                            quint64 size, int number)
{
    QString gatewayName, address;
    CZRControl::ParseNick(key, &gatewayName, &address);
    CZRAgent* agent = findAgent(key);
    if (agent == nullptr) return 0;
    if (agent->IsTransferFrm() || agent->IsUpgrading()) {
        Message(IDS_FIRMWARE_RESTART, QStringLiteral("\n\nTarget:\n%1").arg(localPath), IDS_FILE_DOWNLOAD,
                QString(), MB_ICONINFORMATION, MB_OK);
        return 0;
    }
    if (LocalFileInUse(localPath)) {
        Message(IDS_FILE_IN_USE, QString(), IDS_FILE_DOWNLOAD, QString(), MB_ICONERROR, MB_OK);
        return 0;
    }
    CZRGateway& gw = m_control->GetGateway(gatewayName);
    const int at = agent->AddTransfer(ZRT_DOWNLOAD, gw.GetTransferID(), localPath, remotePath, size);
    if (at < 0) {
        Message(IDS_FILE_IN_USE, QString(), IDS_FILE_DOWNLOAD, QString(), MB_ICONERROR, MB_OK);
        return 0;
    }
    int id = -1;
    gw.AddTransfer(ZRT_DOWNLOAD, id, localPath, size, 1);
    agent->UpdateTransferID(ZRT_DOWNLOAD, at, id);
    const QString agentPath = agent->TransferAt(ZRT_DOWNLOAD, at)->agentPath;
    int state = 1;
    if (!m_runningDownload.contains(gatewayName)) {
        if (m_control->SendRequest(number, downloadArgument(localPath, agentPath), key) == 0) {
            // Nothing went out: nothing may stay recorded either.
            agent->RemoveTransfer(ZRT_DOWNLOAD, at);
            gw.RemoveTransfer(ZRT_DOWNLOAD, id);
            return 0;
        }
        m_runningDownload.insert(gatewayName, id);
        state = 2;
    }
    if (FileMgrShows(key)) fileMgr()->AddTask(state, ZRT_DOWNLOAD, localPath, agentPath);
    transferWnd()->AddTask(ZRT_DOWNLOAD, state, key, localPath, agentPath, size);
    if (state == 1) watchQueues();
    if (QTreeWidgetItem* node = tree()->FindAgent(gatewayName, address))
        tree()->SetStateImage(node, IMG_AGENT_TRANSFER);
    return state;
}

void CTarnDoc::startNextDownload(const QString& gatewayName, const QString& preferKey)
{
    CZRGateway& gw = m_control->GetGateway(gatewayName);
    auto running = m_runningDownload.constFind(gatewayName);
    if (running != m_runningDownload.constEnd()) {
        if (gw.FindTransferNumber(ZRT_DOWNLOAD, running.value()) >= 0) return; // still under way
        m_runningDownload.remove(gatewayName);
    }
    // This agent's next download first, then the first agent of the gateway that has one.
    for (;;) {
        CZRAgent* agent = findAgent(preferKey);
        if (agent == nullptr || agent->GetTransferCount(ZRT_DOWNLOAD) == 0) {
            agent = nullptr;
            for (const auto& a : gw.GetAgentList())
                if (a->GetTransferCount(ZRT_DOWNLOAD) > 0) {
                    agent = a.get();
                    break;
                }
        }
        if (agent == nullptr) return;
        const _TransferA t = *agent->TransferAt(ZRT_DOWNLOAD, 0);
        const QString key = keyOf(gatewayName, agent->GetIPAddr());
        // The file may have appeared at the target while the task waited.
        const bool wanted = fileMgr()->Local()->ConfirmDownloadStart(t.localPath);
        const bool go =
            wanted && m_control->SendRequest(kDownload, downloadArgument(t.localPath, t.agentPath), key) != 0;
        if (go) {
            m_runningDownload.insert(gatewayName, t.number);
            if (FileMgrShows(key)) fileMgr()->UpdateTask(2, ZRT_DOWNLOAD, t.localPath, t.agentPath);
            transferWnd()->UpdateTask(ZRT_DOWNLOAD, 2, 1, key, t.localPath, t.agentPath);
            if (QTreeWidgetItem* node = tree()->FindAgent(gatewayName, agent->GetIPAddr()))
                tree()->SetStateImage(node, IMG_AGENT_TRANSFER);
            return;
        }
        // Declined by the operator: the row goes; refused on the way out: it failed.
        if (wanted)
            transferWnd()->UpdateTask(ZRT_DOWNLOAD, 6, 1, key, t.localPath, t.agentPath);
        else
            transferWnd()->RemoveTask(1, ZRT_DOWNLOAD, key, t.localPath, t.agentPath);
        dropDownload(key, t.number, t.localPath, t.agentPath);
    }
}

void CTarnDoc::dropDownload(const QString& key, int number, const QString& localPath,
                            const QString& agentPath)
{
    QString gatewayName, address;
    CZRControl::ParseNick(key, &gatewayName, &address);
    if (CZRAgent* agent = findAgent(key))
        agent->RemoveTransfers(ZRT_DOWNLOAD, number, &localPath, &agentPath);
    m_control->GetGateway(gatewayName).RemoveTransfer(ZRT_DOWNLOAD, number);
    if (FileMgrShows(key)) fileMgr()->RemoveTask(0, ZRT_DOWNLOAD, localPath, agentPath);
    transferEnded(key);
}

int CTarnDoc::CancelTaskCB(int kind, const QString& localPath, const QString& remotePath, void* context,
                           const QString& key)
{
    auto* doc = static_cast<CTarnDoc*>(context);
    if (doc == nullptr || !doc->m_control) return 0;
    CZRAgent* agent = doc->findAgent(key);
    if (agent == nullptr) return 0;
    QString gatewayName, address;
    CZRControl::ParseNick(key, &gatewayName, &address);
    if (kind != ZRT_DOWNLOAD) return doc->cancelWaitingUpload(key, kind, localPath, remotePath);
    const int at = agent->FindTransfer(ZRT_DOWNLOAD, -1, &localPath, &remotePath, -1);
    if (at < 0) return 0;
    const int number = agent->TransferAt(ZRT_DOWNLOAD, at)->number;
    // Only a task that has not gone out can be taken back.
    if (doc->m_runningDownload.value(gatewayName, -1) == number) return 0;
    const QString agentPath = agent->TransferAt(ZRT_DOWNLOAD, at)->agentPath;
    agent->RemoveTransfer(ZRT_DOWNLOAD, at);
    doc->m_control->GetGateway(gatewayName).RemoveTransfer(ZRT_DOWNLOAD, number);
    doc->transferWnd()->RemoveTask(1, ZRT_DOWNLOAD, key, localPath, agentPath);
    doc->transferEnded(key);
    return 1;
}

int CTarnDoc::cancelWaitingUpload(const QString& key, int kind, const QString& localPath,
                                  const QString& remotePath)
{
    QString gatewayName, address;
    CZRControl::ParseNick(key, &gatewayName, &address);
    CZRAgent* agent = findAgent(key);
    CZRGateway& gw = m_control->GetGateway(gatewayName);
    const int at = agent ? agent->FindTransfer(kind, -1, &localPath, &remotePath, -1) : -1;
    if (at < 0) return 0;
    const int number = agent->TransferAt(kind, at)->number;
    const int position = gw.FindTransferNumber(kind, number);
    // Once the file is on its way to the gateway it is no longer a waiting task.
    if (position < 0 || gw.TransferAt(kind, position)->stage != -1) return 0;
    const QString agentPath = agent->TransferAt(kind, at)->agentPath;
    agent->RemoveTransfer(kind, at);
    gw.DecreaseUploadTarget(kind, number);
    if (gw.TransferAt(kind, position)->targets <= 0) gw.RemoveTransfer(kind, number);
    transferWnd()->RemoveTask(1, kind, key, localPath, agentPath);
    transferEnded(key);
    return 1;
}

void CTarnDoc::transferEnded(const QString& key)
{
    QString gatewayName, address;
    CZRControl::ParseNick(key, &gatewayName, &address);
    const CZRAgent* agent = findAgent(key);
    QTreeWidgetItem* node = tree()->FindAgent(gatewayName, address);
    if (agent == nullptr || node == nullptr || agent->GetTransferCount(-1) != 0) return;
    tree()->SetStateImage(node, agent->IsUpgrading() ? IMG_AGENT_UPGRADE : IMG_AGENT);
}

// ---- uploads

int CTarnDoc::UploadCB(const _TransferRequest& request, int number, void* context, const QString& key)
{
    auto* doc = static_cast<CTarnDoc*>(context);
    if (doc == nullptr || !doc->m_control) return 0;
    return doc->StartUpload(key, request.kind, request.localPath, request.remotePath, request.size, number) >
                   0
               ? 1
               : 0;
}

int CTarnDoc::StartUpload(const QString& key, int kind, const QString& localPath, const QString& remotePath,
                          quint64 size, int number)
{
    QString gatewayName, address;
    CZRControl::ParseNick(key, &gatewayName, &address);
    CZRAgent* agent = findAgent(key);
    // Only files and firmware go up; any other kind would be recorded as something it is not.
    if (agent == nullptr || (kind != ZRT_UPLOAD && kind != ZRT_FIRMWARE && kind != 9)) return 0;
    const QString target = QStringLiteral("\n\nTarget:\n%1").arg(localPath);
    if (agent->GetOSType(1) == 2 && (remotePath.startsWith(u'\\') || remotePath.startsWith(u'/'))) {
        Message(IDS_INVALID_REMOTE_DIR, QString(), IDS_UPLOAD_FILES, QString(), MB_ICONERROR, MB_OK);
        return 0;
    }
    if (agent->IsTransferFrm() || agent->IsUpgrading()) {
        if (kind == ZRT_FIRMWARE)
            Message(IDS_FIRMWARE_BUSY, target, IDS_UPLOAD_FILES, QString(), MB_ICONERROR, MB_OK);
        else
            Message(IDS_FIRMWARE_RESTART, target, IDS_UPLOAD_FILES, QString(), MB_ICONINFORMATION, MB_OK);
        return 0;
    }
    if (LocalFileDownloading(localPath)) {
        Message(IDS_FILE_IN_USE, QString(), IDS_UPLOAD_FILES, QString(), MB_ICONERROR, MB_OK);
        return 0;
    }
    const bool atOnce = kind == 9;
    if (atOnce) kind = ZRT_UPLOAD;
    CZRGateway& gw = m_control->GetGateway(gatewayName);
    const int at = agent->AddTransfer(kind, gw.GetTransferID(), localPath, remotePath, size);
    if (at < 0) {
        // The same file to the same place is already on its way.
        Message(IDS_FILE_IN_USE, QString(), IDS_UPLOAD_FILES, QString(), MB_ICONERROR, MB_OK);
        return 0;
    }
    int id = -1;
    const int disposition = gw.AddTransfer(kind, id, localPath, size, 1);
    agent->UpdateTransferID(kind, at, id);
    const QString agentPath = agent->TransferAt(kind, at)->agentPath;
    auto undo = [&] {
        agent->RemoveTransfer(kind, at);
        // The entry may be shared with agents that joined it while it waited.
        gw.DecreaseUploadTarget(kind, id);
        const int position = gw.FindTransferNumber(kind, id);
        if (position >= 0 && gw.TransferAt(kind, position)->targets <= 0) gw.RemoveTransfer(kind, id);
    };
    int state = 1;
    if (disposition == -1) {
        if (atOnce || gw.GetUploadCount(1) == 0) {
            agent->PrepareTransfer(kind, at);
            gw.BeginTransfer(kind, id, 1, size);
            if (m_control->SendRequest(number,
                                       QStringLiteral("\"%1\" \"%2\" %3").arg(localPath, agentPath).arg(kind),
                                       key) == 0) {
                undo();
                return 0;
            }
            state = 2;
        }
    } else if (disposition == 1) {
        agent->PrepareTransfer(kind, at);
        state = 2;
    } else {
        // The gateway holds the file already: straight on to the agent.
        agent->PrepareTransfer(kind, at);
        const QString argument = QStringLiteral("\"%1\" \"%2\" \"%3\" %4 0")
                                     .arg(localPath, agentPath, gw.GetTransferUnique(kind, id))
                                     .arg(kind);
        if (m_control->SendRequest(22, argument, key) == 0) {
            undo();
            return 0;
        }
        agent->BeginTransfer(kind, at);
        state = kind == ZRT_FIRMWARE ? 4 : 3;
    }
    if (FileMgrShows(key)) fileMgr()->AddTask(state, kind, localPath, agentPath);
    transferWnd()->AddTask(kind, state, key, localPath, agentPath, size);
    if (state == 1) watchQueues();
    if (QTreeWidgetItem* node = tree()->FindAgent(gatewayName, address))
        tree()->SetStateImage(node, IMG_AGENT_TRANSFER);
    return state;
}

bool CTarnDoc::LocalFileDownloading(const QString& localPath) const
{
    const QString wanted = zrpath::CanonicalLocal(localPath);
    QString name, ip, port;
    for (int i = 0; i < m_control->GetGatewayCount(); ++i) {
        if (!m_control->GetGatewayItem(i, name, ip, port)) continue;
        for (const _TransferG& t : m_control->GetGateway(name).Downloads())
            if (zrpath::CanonicalLocal(t.localPath) == wanted) return true;
    }
    return false;
}

void CTarnDoc::startNextUpload(const QString& gatewayName)
{
    CZRGateway& gw = m_control->GetGateway(gatewayName);
    while (gw.GetUploadCount(1) == 0) {
        int number = -1;
        QString localPath;
        const int at = gw.GetFirstTransfer(ZRT_UPLOAD, -1, number, localPath);
        if (at < 0) return;
        const _TransferG entry = *gw.TransferAt(ZRT_UPLOAD, at);
        // The first agent waiting for it names the file's first destination.
        CZRAgent* first = nullptr;
        int position = -1;
        for (const auto& a : gw.GetAgentList()) {
            position = a->FindTransfer(entry.type, number, &localPath, nullptr, -1);
            if (position >= 0) {
                first = a.get();
                break;
            }
        }
        const QString key = first ? keyOf(gatewayName, first->GetIPAddr()) : QString();
        const QString agentPath = first ? first->TransferAt(entry.type, position)->agentPath : QString();
        gw.BeginTransfer(entry.type, number, 1, entry.size);
        if (first &&
            m_control->SendRequest(
                kUpload, QStringLiteral("\"%1\" \"%2\" %3").arg(localPath, agentPath).arg(entry.type), key) !=
                0) {
            forEachWaiting(gw, entry.type, number, localPath, [&](CZRAgent& a, const QString& path) {
                const QString k = keyOf(gatewayName, a.GetIPAddr());
                transferWnd()->UpdateTask(entry.type, 2, 1, k, localPath, path);
                if (FileMgrShows(k)) fileMgr()->UpdateTask(2, entry.type, localPath, path);
            });
            for (const auto& a : gw.GetAgentList())
                a->PrepareTransfers(entry.type, number, &localPath, nullptr);
            return;
        }
        // Nobody waits for it any more, or it cannot go out: it leaves the queue, failed.
        forEachWaiting(gw, entry.type, number, localPath, [&](CZRAgent& a, const QString& path) {
            transferWnd()->UpdateTask(entry.type, 6, 1, keyOf(gatewayName, a.GetIPAddr()), localPath, path);
        });
        for (const auto& a : gw.GetAgentList()) {
            if (a->RemoveTransfers(entry.type, number, &localPath, nullptr) < 0) continue;
            const QString k = keyOf(gatewayName, a->GetIPAddr());
            if (FileMgrShows(k)) fileMgr()->RemoveTask(0, entry.type, localPath, QString());
            transferEnded(k);
        }
        gw.RemoveTransfer(entry.type, number);
    }
}

void CTarnDoc::watchQueues()
{
    if (!m_queueTimer.isActive()) m_queueTimer.start();
}

void CTarnDoc::kickQueues()
{
    bool waiting = false;
    QString name, ip, port;
    for (int i = 0; m_control && i < m_control->GetGatewayCount(); ++i) {
        if (!m_control->GetGatewayItem(i, name, ip, port)) continue;
        CZRGateway& gw = m_control->GetGateway(name);
        if (!gw.IsConnect()) continue;
        int number = -1;
        QString local;
        if (gw.GetFirstTransfer(ZRT_UPLOAD, -1, number, local) >= 0) {
            startNextUpload(name);
            waiting |= gw.GetFirstTransfer(ZRT_UPLOAD, -1, number, local) >= 0;
        }
        if (gw.GetDownloadCount() > 0) {
            startNextDownload(name, QString());
            waiting |= gw.GetDownloadCount() > 1;
        }
    }
    if (!waiting) m_queueTimer.stop();
}

// ---- notifications

void CTarnDoc::onFileNotify(const CZRNotify& n)
{
    CZRFileMgrWnd* fm = fileMgr();
    CZRRmtShellListWnd* pane = fm->Remote();
    switch (n.id()) {
    case zrmsg::DirectoryEntry: {
        // Every listing goes to the pane, whoever it names: it knows which ones are still running.
        const _FileEntry* e = n.get<_FileEntry>();
        const int result = e ? pane->OnListing(n.key(), false, e->kind, e->name, e->size, e->text, e->number)
                             : pane->OnListing(n.key(), true, 0, QString(), 0, QString(), 0);
        if (result == CZRRmtShellListWnd::ListingWrongDirectory) {
            QString gateway, agent;
            CZRControl::ParseNick(n.key(), &gateway, &agent);
            Message(IDS_INVALID_REMOTE_DIR, QString(), IDS_ERROR, agent, MB_ICONERROR, MB_OK);
            // The box may have outlived the pane's agent.
            if (pane->GetNick() == n.key()) pane->WrongDirectory();
        }
        return;
    }
    case zrmsg::RemoteFileDone:
        pane->OnRequestDone(n.key(), int(n.value()));
        return;
    default:
        break;
    }
    const _TransferNotice* t = n.get<_TransferNotice>();
    if (t == nullptr) return;
    transferWnd()->ApplyNotice(n.id(), n.key(), t->type, t->status, t->done, t->total, t->localPath,
                               t->agentPath);
    if (n.id() == zrmsg::TransferProgress) return;
    const bool shown = FileMgrShows(n.key());
    const bool download = t->type == ZRT_DOWNLOAD;
    QString gatewayName, address;
    CZRControl::ParseNick(n.key(), &gatewayName, &address);
    if (n.id() == zrmsg::TransferFailed && !download && t->status == 9) {
        // The file never reached the gateway: every agent that waited for it is done with it, not
        // only the one the failure names.
        for (const auto& a : m_control->GetGateway(gatewayName).GetAgentList())
            if (a->GetIPAddr() != address) transferEnded(keyOf(gatewayName, a->GetIPAddr()));
        QString shownGateway, shownAgent;
        CZRControl::ParseNick(fm->Remote()->GetNick(), &shownGateway, &shownAgent);
        if (shownGateway == gatewayName && !shown) rebuildTasks(fm->Remote()->GetNick());
    }
    switch (n.id()) {
    case zrmsg::TransferStarted:
        if (shown) fm->UpdateTask(t->type == ZRT_FIRMWARE ? 4 : 3, t->type, t->localPath, t->agentPath);
        if (download) {
            fm->RefreshShell(2, zrpath::FolderOf(t->localPath));
        } else {
            if (shown) fm->RefreshShell(1, zrpath::FolderOf(t->agentPath));
            startNextUpload(gatewayName);
        }
        break;
    case zrmsg::TransferFinished:
    case zrmsg::TransferFailed:
        if (shown) {
            fm->RemoveTask(0, t->type, t->localPath, t->agentPath);
            if (!download) fm->RefreshShell(1, zrpath::FolderOf(t->agentPath));
        }
        if (download) fm->RefreshShell(2, zrpath::FolderOf(t->localPath));
        transferEnded(n.key());
        // A failed download frees the gateway for the next one as much as a finished one does.
        if (download)
            startNextDownload(gatewayName, n.key());
        else if (n.id() == zrmsg::TransferFailed)
            startNextUpload(gatewayName);
        break;
    default:
        break;
    }
}

void CTarnDoc::fileMgrGatewayGone(const QString& gatewayName)
{
    m_runningDownload.remove(gatewayName);
    // Only this gateway's transfers ended with it; the others' go on.
    transferWnd()->SetGatewayFail(gatewayName);
    CZRFileMgrWnd* fm = fileMgr();
    QString gateway, agent;
    CZRControl::ParseNick(fm->Remote()->GetNick(), &gateway, &agent);
    if (gateway != gatewayName) return;
    fm->Remote()->Reset();
    fm->RemoveAllTasks();
}

void CTarnDoc::fileMgrAgentGone(const QString& key)
{
    QString gatewayName, address;
    CZRControl::ParseNick(key, &gatewayName, &address);
    transferWnd()->SetTasksFail(&key);
    if (FileMgrShows(key)) {
        fileMgr()->Remote()->Reset();
        fileMgr()->RemoveAllTasks();
    }
    // Its downloads went with it; the gateway's queue goes on with the others.
    if (m_control->GetGateway(gatewayName).IsConnect()) startNextDownload(gatewayName, QString());
}
