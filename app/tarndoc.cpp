#include "tarndoc.h"

#include "agenttree.h"
#include "mainframe.h"
#include "modelpicture.h"
#include "pluginhost.h"
#include "resource.h"
#include "tarninfoview.h"

#include <messagebox.h>
#include <profilefile.h>
#include <resources.h>
#include <zrcontrol.h>
#include <zrdevicewnd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {
const QString kGateway = QStringLiteral("Gateway");
const QString kFileUpload = QStringLiteral("File Upload");
const QString kFirmwareUpgrade = QStringLiteral("Firmware Upgrade");
const QString kLocalDir = QStringLiteral("LocalDir");
const QString kRemoteDir = QStringLiteral("RemoteDir");
constexpr int kPathBuffer = 260;
constexpr int kDirBuffer = 1024;
constexpr int kMaxPendingErrors = 20;

// A folder named in the profile is kept only when it is an existing directory.
QString existingDir(const QString& path)
{
    if (path.isEmpty()) return QString();
    const QFileInfo info(path);
    return info.exists() && info.isDir() ? path : QString();
}

// The key every request and notification names an agent by.
QString agentKey(const QString& gateway, const QString& agent)
{
    return gateway + u'|' + agent;
}

bool isContextCommand(int id)
{
    return id >= ID_CTX_CONNECT && id <= ID_CTX_STOP_SERVICE;
}

// Commands of the frame itself: always there.
bool isFrameCommand(int id)
{
    return id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR || id == ID_ONLINE_GUIDE || id == ID_APP_ABOUT ||
           id == ID_APP_EXIT;
}

// Agent commands whose windows come with later work stay disabled until then.
bool isBuilt(int id)
{
    return id == ID_CTX_CONNECT || id == ID_CTX_DISCONNECT || id == ID_CTX_REBOOT || id == ID_CONNECT ||
           id == ID_DISCONNECT || isFrameCommand(id);
}
} // namespace

CTarnDoc::CTarnDoc(CMainFrame* frame) : QObject(frame), m_frame(frame)
{
    m_control = std::make_unique<CZRControl>();
    m_control->setObjectName(QStringLiteral("ControlWnd%1").arg(IDC_CONTROL_WND));
    m_control->SetMainHWND(frame);
}

CTarnDoc::~CTarnDoc()
{
    Teardown();
}

void CTarnDoc::Teardown()
{
    if (!m_control) return;
    // Nobody may hear of the connections ending any more: the frame is on its way out.
    m_control->SetMainHWND(nullptr);
    m_control.reset();
}

CZRAgentTree* CTarnDoc::tree() const
{
    return m_frame->Tree();
}

CTarnInfoView* CTarnDoc::view() const
{
    return m_frame->InfoView();
}

bool CTarnDoc::OnNewDocument(const QString& profilePath, const QString& productImageDir)
{
    m_profilePath = profilePath;
    m_productImageDir = productImageDir;
    const ProfileFile profile(m_profilePath);
    m_uploadLocalDir = existingDir(profile.GetString(kFileUpload, kLocalDir, QString(), kDirBuffer));
    m_uploadRemoteDir = profile.GetString(kFileUpload, kRemoteDir, QStringLiteral("\\"), kDirBuffer);
    m_upgradeLocalDir = existingDir(profile.GetString(kFirmwareUpgrade, kLocalDir, QString(), kDirBuffer));
    readGatewayList();
    tree()->ExpandAllGateways();
    return true;
}

void CTarnDoc::readGatewayList()
{
    const ProfileFile profile(m_profilePath);
    const int count = profile.GetInt(kGateway, QStringLiteral("Count"), 0);
    for (int i = 1; i <= count; ++i) {
        const QString ip = profile.GetString(kGateway, QStringLiteral("IP%1").arg(i), QString(), kPathBuffer);
        QString name = profile.GetString(kGateway, QStringLiteral("Name%1").arg(i), QString(), kPathBuffer);
        const QString port = profile.GetString(kGateway, QStringLiteral("Port%1").arg(i),
                                               QString::fromLatin1(kDefaultPort), kPathBuffer);
        if (name.isEmpty()) name = ip;
        // A node only for a gateway the core took: a second node of one name would find the first's record.
        if (m_control->AddGateway(name, ip, port)) tree()->InsertGateway(name, ip);
    }
}

int CTarnDoc::Message(int textId, const QString& extra, int captionId, const QString& target, unsigned icon,
                      unsigned buttons)
{
    const QString text = LoadResString(textId) + extra;
    const QString base = LoadResString(captionId);
    const QString caption = target.isEmpty() ? base
                            : base.isEmpty() ? target
                                             : base + QStringLiteral(" - ") + target;
    ++m_msgBoxShowing;
    QPointer<CTarnDoc> self(this);
    const int result = ShowMessage(m_frame, text, caption, icon, buttons);
    if (!self) return result;
    --m_msgBoxShowing;
    if (m_modeless && m_modeless->isVisible()) m_modeless->setFocus();
    return result;
}

int CTarnDoc::SendMessageCB(const QString& argument, int number, void* context, const QString& key)
{
    auto* doc = static_cast<CTarnDoc*>(context);
    if (doc == nullptr || !doc->m_control) return 0;
    return doc->m_control->SendRequest(number, argument, key);
}

// ---- commands

bool CTarnDoc::IsCommandEnabled(int id) const
{
    if (CZRPluginHost::IsPluginCommand(id)) {
        const CZRPluginHost* host = CZRPluginHost::Of(m_frame);
        return host && host->IsCommandEnabled(id);
    }
    if (!isBuilt(id)) return false;
    if (isFrameCommand(id)) return true;
    // Context commands look at the node right-clicked, unless the focus is in the info view.
    const bool context = isContextCommand(id) && !m_frame->FocusInInfoView();
    const QTreeWidgetItem* item = context ? tree()->ContextItem() : tree()->currentItem();
    if (item == nullptr) return false;
    const unsigned bits = CZRAgentTree::Param(item);
    if (bits & NODE_BUSY) return false;
    const bool target = ((bits & NODE_GATEWAY) && (bits & NODE_CONNECTED)) || (bits & NODE_AGENT);
    if (id == ID_CTX_CONNECT || id == ID_CONNECT) return !target;
    return target;
}

void CTarnDoc::OnCommand(int id)
{
    if (!IsCommandEnabled(id)) return;
    switch (id) {
    case ID_CTX_CONNECT:
        doConnect(tree()->ContextItem());
        break;
    case ID_CONNECT:
        doConnect(tree()->currentItem());
        break;
    case ID_CTX_DISCONNECT:
        doDisconnect(tree()->ContextItem());
        break;
    case ID_DISCONNECT:
        doDisconnect(tree()->currentItem());
        break;
    case ID_CTX_REBOOT:
        doReboot();
        break;
    case ID_ONLINE_GUIDE: {
        const QString dir = QCoreApplication::applicationDirPath();
        if (dir.isEmpty()) break;
        // No error when the guide is missing.
        const QString guide = QDir(dir).filePath(QStringLiteral("Tarn2 Online Help.chm"));
        if (QFileInfo::exists(guide)) QDesktopServices::openUrl(QUrl::fromLocalFile(guide));
        break;
    }
    default:
        m_frame->OnFrameCommand(id);
        break;
    }
}

bool CTarnDoc::ConnectGateway(const QString& name)
{
    QTreeWidgetItem* item = tree()->FindGateway(name);
    if (item == nullptr) return false;
    doConnect(item);
    return true;
}

void CTarnDoc::doConnect(QTreeWidgetItem* item)
{
    if (item == nullptr || !(CZRAgentTree::Param(item) & NODE_GATEWAY)) return;
    const QString name = CZRAgentTree::GatewayName(item->text(0));
    CZRAgentTree::SetParam(item, CZRAgentTree::Param(item) | NODE_CONNECTED | NODE_BUSY);
    tree()->SetStateImage(item, IMG_GATEWAY_ON);
    CZRGateway& gw = m_control->GetGateway(name);
    const bool started = !gw.IsConnect() && m_control->Connect2Gateway(name) != 0;
    if (!started) {
        // Nothing is under way, so nothing will clear the busy mark later.
        const bool online = m_control->GetGateway(name).IsConnect() != 0;
        unsigned bits = CZRAgentTree::Param(item) & ~NODE_BUSY;
        if (!online) bits &= ~NODE_CONNECTED;
        CZRAgentTree::SetParam(item, bits);
        tree()->SetStateImage(item, online ? IMG_GATEWAY_ON : IMG_GATEWAY_OFF);
    }
    m_frame->UpdateCommandUI();
}

void CTarnDoc::doDisconnect(QTreeWidgetItem* item)
{
    if (item == nullptr || !(CZRAgentTree::Param(item) & NODE_GATEWAY)) return;
    const QString name = CZRAgentTree::GatewayName(item->text(0));
    CZRGateway& gw = m_control->GetGateway(name);
    if (!gw.IsConnect() || gw.IsConnecting()) return;
    int answer = IDOK;
    if (gw.IsTransferring2Gateway())
        answer = Message(IDS_DISCONNECT_SENDING, QString(), IDS_DISCONNECT_CAPTION, QString(), MB_ICONWARNING,
                         MB_OKCANCEL | MB_DEFBUTTON2);
    else if (gw.GetTransferCount())
        answer = Message(IDS_DISCONNECT_PENDING, QString(), IDS_DISCONNECT_CAPTION, QString(), MB_ICONWARNING,
                         MB_OKCANCEL | MB_DEFBUTTON2);
    if (answer != IDOK) return;
    m_control->BreakConnection(name);
    // The node may have gone while the question was open.
    if (QTreeWidgetItem* node = tree()->FindGateway(name)) {
        CZRAgentTree::SetParam(node, CZRAgentTree::Param(node) & ~(NODE_CONNECTED | NODE_BUSY));
        tree()->SetStateImage(node, IMG_GATEWAY_OFF);
    }
    m_frame->UpdateCommandUI();
}

bool CTarnDoc::contextAgent(QString* gateway, QString* agent) const
{
    // The device list grid's right-clicked agent comes with that grid; until then the info view
    // offers no agent of its own.
    if (m_frame->FocusInInfoView()) return false;
    const QTreeWidgetItem* item = tree()->ContextItem();
    if (item == nullptr || !(CZRAgentTree::Param(item) & NODE_AGENT)) return false;
    *agent = item->text(0);
    *gateway = CZRAgentTree::GatewayOf(item);
    return true;
}

void CTarnDoc::doReboot()
{
    QString gateway, agent;
    if (!contextAgent(&gateway, &agent)) return;
    const QString key = agentKey(gateway, agent);
    const CZRAgent& record = m_control->GetAgent(key);
    int answer;
    if (record.GetTransferCount(-1) != 0)
        answer = Message(IDS_REBOOT_PENDING, QString(), IDS_REBOOT, agent, MB_ICONWARNING,
                         MB_OKCANCEL | MB_DEFBUTTON2);
    else
        answer = Message(IDS_REBOOT_ASK, QString(), IDS_REBOOT, agent, MB_ICONQUESTION, MB_OKCANCEL);
    if (answer != IDOK || !m_control) return;
    m_control->SendRequest(20, QString(), key);
}

bool CTarnDoc::CanCloseFrame()
{
    // Every gateway on line is asked about, not only the first one found.
    bool sending = false, pending = false;
    QString name, ip, port;
    for (int i = 0; i < m_control->GetGatewayCount(); ++i) {
        if (!m_control->GetGatewayItem(i, name, ip, port)) continue;
        const CZRGateway& gw = m_control->GetGateway(name);
        if (!gw.IsConnect()) continue;
        sending = sending || gw.IsTransferring2Gateway();
        pending = pending || gw.GetTransferCount() != 0;
    }
    int answer = IDOK;
    if (sending)
        answer = Message(IDS_LEAVE_SENDING, QString(), IDS_ALERT, QString(), MB_ICONWARNING,
                         MB_OKCANCEL | MB_DEFBUTTON2);
    else if (pending)
        answer = Message(IDS_LEAVE_PENDING, QString(), IDS_ALERT, QString(), MB_ICONWARNING,
                         MB_OKCANCEL | MB_DEFBUTTON2);
    return answer == IDOK;
}

// ---- views

void CTarnDoc::ActivateNode(QTreeWidgetItem* item, bool doubleClick)
{
    if (item == nullptr) return;
    const unsigned bits = CZRAgentTree::Param(item);
    if (bits & NODE_AGENT) {
        showDeviceView(item);
    } else if ((bits & NODE_CONNECTED) && item->childCount() > 0) {
        showGatewayView(item, doubleClick);
    } else {
        view()->SwitchPage(PAGE_NONE);
        m_frame->SetStoragePanes(0, 0);
    }
    m_frame->UpdateCommandUI();
}

void CTarnDoc::showGatewayView(QTreeWidgetItem* item, bool doubleClick)
{
    const int page = view()->CurrentPage();
    if (doubleClick || (page != PAGE_FILEMGR && page != PAGE_TRANSFER)) {
        const QString name = CZRAgentTree::GatewayName(item->text(0));
        const CZRGateway& gw = m_control->GetGateway(name);
        for (const auto& agent : gw.GetAgentList())
            m_control->SendRequest(1, QString(), agentKey(name, agent->GetIPAddr()));
        view()->SwitchPage(PAGE_DEVLIST);
    } else {
        view()->SwitchPage(PAGE_TRANSFER);
    }
    m_frame->SetStoragePanes(0, 0);
}

int CTarnDoc::modelImageFor(CZRAgent& agent)
{
    CZRDeviceWnd* device = view()->DeviceWnd();
    int index = agent.GetModelImage();
    if (index >= 0) return index;
    const QString model = agent.GetModelName();
    const QString path = FindModelPicture(model, m_productImageDir);
    if (!path.isEmpty()) {
        index = m_pictureIndex.value(path, -1);
        if (index < 0 && device->SetImage(path, &index) && index >= 0) m_pictureIndex.insert(path, index);
    }
    if (index < 0) {
        if (m_fallbackImage < 0) device->SetImage(IDB_DEVICE, &m_fallbackImage);
        index = m_fallbackImage;
    }
    // Before the model is known the fallback is only lent: the picture is looked up again later.
    if (!model.isEmpty()) agent.SetModelImage(index);
    return index;
}

void CTarnDoc::refreshDevicePage(const QString& gateway, const QString& agentName)
{
    CZRAgent& agent = m_control->GetAgent(agentKey(gateway, agentName));
    CZRDeviceWnd* device = view()->DeviceWnd();
    const int index = modelImageFor(agent);
    if (index >= 0) device->SetImage(index);
    QString model, host, cpu, os, firmware;
    agent.GetDeviceInfo(model, host, cpu, os, firmware);
    device->SetBaseInfo(model, agent.GetVersion(), firmware, os, cpu, host);
}

void CTarnDoc::showDeviceView(QTreeWidgetItem* item)
{
    // The process, service and file manager pages open their own flows for an agent once they
    // exist; until then every agent shows its device page.
    const QString agent = item->text(0);
    const QString gateway = CZRAgentTree::GatewayOf(item);
    const QString key = agentKey(gateway, agent);
    refreshDevicePage(gateway, agent);
    view()->SwitchPage(PAGE_DEVICE);
    m_control->SendRequest(1, QString(), key);
    m_control->SendRequest(3, QString(), key);
    refreshStorage(key);
}

void CTarnDoc::refreshStorage(const QString& key)
{
    int free = 0, total = 0;
    m_control->GetAgent(key).GetDeviceCapacity(1, free, total);
    m_frame->SetStoragePanes(qint64(total) - qint64(free), qint64(total));
}

// ---- notifications

void CTarnDoc::OnNotify(const CZRNotify& n)
{
    if (!m_control) return;
    QString gateway, agent;
    switch (n.id()) {
    case zrmsg::GatewayDisconnected:
        onGatewayDisconnected(n.key());
        break;
    case zrmsg::LoginAccepted: {
        CZRControl::ParseNick(n.key(), &gateway, &agent);
        m_control->GetGateway(gateway).Connecting(0);
        if (QTreeWidgetItem* node = tree()->FindGateway(gateway))
            CZRAgentTree::SetParam(node, CZRAgentTree::Param(node) & ~NODE_BUSY);
        m_frame->ShowStatus(QStringLiteral("Gateway %1 is connected.").arg(gateway));
        break;
    }
    case zrmsg::RequestFailed:
        if (const QString* text = n.get<QString>())
            requestFailed(n.key(), *text);
        else
            requestFailed(n.key(), QString());
        return;
    case zrmsg::AgentOnline:
        onAgentOnline(n.key());
        break;
    case zrmsg::AgentOffline:
        onAgentOffline(n.key());
        break;
    case zrmsg::DeviceInfo: {
        // Only the selected agent's page shows it; the nick is parsed only then.
        const QTreeWidgetItem* selected = tree()->currentItem();
        if (selected == nullptr || !(CZRAgentTree::Param(selected) & NODE_AGENT)) return;
        CZRControl::ParseNick(n.key(), &gateway, &agent);
        if (selected->text(0) == agent && CZRAgentTree::GatewayOf(selected) == gateway)
            refreshDevicePage(gateway, agent);
        return;
    }
    case zrmsg::Capacity0:
    case zrmsg::Capacity1: {
        const QTreeWidgetItem* selected = tree()->currentItem();
        if (selected == nullptr) return;
        if (CZRAgentTree::Param(selected) & NODE_AGENT) {
            CZRControl::ParseNick(n.key(), &gateway, &agent);
            if (selected->text(0) == agent && CZRAgentTree::GatewayOf(selected) == gateway)
                refreshStorage(n.key());
        } else {
            m_frame->SetStoragePanes(0, 0);
        }
        return;
    }
    default:
        // Replies for pages, dialogs and plug-ins not built yet are dropped with their payloads.
        return;
    }
    m_frame->UpdateCommandUILater();
}

void CTarnDoc::requestFailed(const QString& nick, const QString& text)
{
    const QString caption = LoadResString(IDS_ERROR) + QStringLiteral(" - ") + NickAddress(nick);
    if (m_errorShowing) {
        // One box per kind of failure: the same text from many agents is counted, not stacked.
        for (PendingError& e : m_pendingErrors) {
            if (e.text == text) {
                ++e.more;
                return;
            }
        }
        if (m_pendingErrors.size() < kMaxPendingErrors)
            m_pendingErrors.append({caption, text, 0});
        else
            ++m_droppedErrors;
        return;
    }
    m_errorShowing = true;
    QPointer<CTarnDoc> self(this);
    PendingError next{caption, text, 0};
    for (;;) {
        QString shown = next.text;
        if (next.more > 0)
            shown += QStringLiteral("\n\n(%1 more requests failed the same way.)").arg(next.more);
        ++m_msgBoxShowing;
        // The gateway's text is shown as it is; it is never a format.
        ShowMessage(m_frame, shown, next.caption, MB_ICONERROR, MB_OK);
        if (!self) return;
        --m_msgBoxShowing;
        if (m_pendingErrors.isEmpty()) break;
        next = m_pendingErrors.takeFirst();
        if (m_pendingErrors.isEmpty() && m_droppedErrors > 0) {
            next.more += m_droppedErrors;
            m_droppedErrors = 0;
        }
    }
    m_errorShowing = false;
    if (m_modeless && m_modeless->isVisible()) m_modeless->setFocus();
}

void CTarnDoc::onGatewayDisconnected(const QString& name)
{
    tree()->RemoveAllAgents(name);
    QTreeWidgetItem* node = tree()->FindGateway(name);
    // Still busy: the gateway never took the login, so the connection itself failed.
    const bool neverReady = node && (CZRAgentTree::Param(node) & NODE_BUSY);
    if (node) {
        CZRAgentTree::SetParam(node, CZRAgentTree::Param(node) & ~(NODE_CONNECTED | NODE_BUSY));
        tree()->SetStateImage(node, IMG_GATEWAY_OFF);
    }
    if (node && tree()->currentItem() == node) {
        view()->SwitchPage(PAGE_NONE);
        m_frame->SetStoragePanes(0, 0);
    }
    // Refused, dropped or ended: the operator sees it without a box to click away.
    if (neverReady) {
        const CZRGateway& gw = m_control->GetGateway(name);
        m_frame->ShowStatus(QStringLiteral("Could not connect to gateway %1 (%2:%3).")
                                .arg(name, gw.GetIPAddr(), gw.GetPort()));
    } else {
        m_frame->ShowStatus(QStringLiteral("Gateway %1 is disconnected.").arg(name));
    }
}

void CTarnDoc::onAgentOnline(const QString& key)
{
    QString gateway, agent;
    CZRControl::ParseNick(key, &gateway, &agent);
    const CZRGateway& gw = m_control->GetGateway(gateway);
    if (!gw.IsConnect()) return;
    const int image = m_control->GetAgent(key).IsUpgrading() ? IMG_AGENT_UPGRADE : IMG_AGENT;
    QTreeWidgetItem* node = tree()->AddAgent(gateway, agent, image);
    if (node == nullptr) return;
    tree()->ExpandAllGateways();
    tree()->SetStateImage(node, image);
    // A gateway shown while its agents arrive: the first arrival turns its empty view into the
    // device list; the requests below already ask the newcomer for its information.
    QTreeWidgetItem* selected = tree()->currentItem();
    if (selected && selected == tree()->FindGateway(gateway) && view()->CurrentPage() == PAGE_NONE)
        view()->SwitchPage(PAGE_DEVLIST);
    m_control->SendRequest(1, QString(), key);
    m_control->SendRequest(2, QString(), key);
    m_control->SendRequest(3, QString(), key);
}

void CTarnDoc::onAgentOffline(const QString& key)
{
    QString gateway, agent;
    CZRControl::ParseNick(key, &gateway, &agent);
    if (m_modeless && TitleNamesAgent(m_modeless->windowTitle(), agent)) {
        m_modeless->close();
        m_modeless->deleteLater();
        m_modeless = nullptr;
    }
    if (!tree()->RemoveAgent(gateway, agent)) return;
    Message(IDS_DEVICE_DISCONNECTED, QString(), IDS_DISCONNECTION_ALERT, agent, MB_ICONINFORMATION, MB_OK);
}
