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
#include <zrdevlistgrid.h>
#include <zrgatewaydlg.h>
#include <zrprocessgrid.h>
#include <zrservicegrid.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

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
    switch (id) {
    case ID_CTX_CONNECT:
    case ID_CTX_DISCONNECT:
    case ID_CTX_REBOOT:
    case ID_CONNECT:
    case ID_DISCONNECT:
    case ID_GATEWAY_MANAGER:
    case ID_CTX_PROCESS:
    case ID_CTX_SERVICE:
    case ID_CTX_STOP_PROCESS:
    case ID_CTX_PROCESS_SEL:
    case ID_CTX_START_SERVICE:
    case ID_CTX_STOP_SERVICE:
    case ID_PROCESS:
    case ID_SERVICE:
    case ID_STOP_PROCESS:
    case ID_PROCESS_PAGE:
    case ID_START_SERVICE:
    case ID_STOP_SERVICE:
    case ID_CTX_FILEMGR:
    case ID_FILEMGR:
    case ID_TRANSFER_LIST:
        return true;
    default:
        return isFrameCommand(id) || CTarnDoc::IsSettingsCommand(id) || CTarnDoc::IsTransferDlgCommand(id);
    }
}

// A port as the connection needs it: digits only, 1 to 65535.
bool validPort(const QString& port)
{
    if (port.isEmpty() || port.size() > 5) return false;
    for (QChar c : port)
        if (c < u'0' || c > u'9') return false;
    const int value = port.toInt();
    return value >= 1 && value <= 65535;
}
} // namespace

CTarnDoc::CTarnDoc(CMainFrame* frame) : QObject(frame), m_frame(frame)
{
    m_infoTimer.setSingleShot(true);
    connect(&m_infoTimer, &QTimer::timeout, this, &CTarnDoc::sendDeviceInfoSlice);
    // Runs only while transfers wait: starts those whose gateway leg ended without a report.
    m_queueTimer.setInterval(1000);
    connect(&m_queueTimer, &QTimer::timeout, this, &CTarnDoc::kickQueues);
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

CZRDevListGrid* CTarnDoc::devList() const
{
    return view()->DevList();
}

CZRProcessGrid* CTarnDoc::processGrid() const
{
    return view()->ProcessGrid();
}

CZRServiceGrid* CTarnDoc::serviceGrid() const
{
    return view()->ServiceGrid();
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
    initFileManager();
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

bool CTarnDoc::WriteGatewayList(const QString& profilePath, const QList<QStringList>& entries)
{
    // One write of the whole section: a longer old list leaves no keys behind, and a failure leaves
    // the old file as it was.
    QStringList lines{QStringLiteral("Count=%1").arg(entries.size())};
    for (int i = 0; i < entries.size(); ++i) {
        const QStringList& e = entries[i];
        const QString ip = e.value(1);
        const QString name = e.value(0).isEmpty() ? ip : e.value(0);
        lines << QStringLiteral("Name%1=%2").arg(i + 1).arg(name)
              << QStringLiteral("IP%1=%2").arg(i + 1).arg(ip)
              << QStringLiteral("Port%1=%2").arg(i + 1).arg(e.value(2));
    }
    ProfileFile profile(profilePath);
    return profile.WriteSection(kGateway, lines);
}

void CTarnDoc::OnGatewayManager()
{
    CZRGatewayDlg dlg(m_frame, true);
    dlg.SetDefaultPort(QString::fromLatin1(kDefaultPort));
    {
        const ProfileFile profile(m_profilePath);
        const int count = profile.GetInt(kGateway, QStringLiteral("Count"), 0);
        for (int i = 1; i <= count; ++i) {
            const QString ip =
                profile.GetString(kGateway, QStringLiteral("IP%1").arg(i), QString(), kPathBuffer);
            QString name =
                profile.GetString(kGateway, QStringLiteral("Name%1").arg(i), QString(), kPathBuffer);
            const QString port = profile.GetString(kGateway, QStringLiteral("Port%1").arg(i),
                                                   QString::fromLatin1(kDefaultPort), kPathBuffer);
            if (name.isEmpty()) name = ip;
            dlg.AddListItem(name, ip, port);
        }
    }
    QPointer<CTarnDoc> self(this);
    const int result = dlg.exec();
    if (!self || !m_control) return;
    if (result != 1 && result != 2 && result != CZRGatewayDlg::IDCONNECT) return;

    // Gateways on line stay as they are; every other one is rebuilt from the dialog's list.
    m_control->RemoveAllGateway();
    tree()->RemoveOfflineGateways();
    QList<QStringList> entries;
    for (int i = 0; i < dlg.GetCount(); ++i) {
        QString name, ip, port;
        dlg.GetListItem(i, name, ip, port);
        entries.append({name, ip, port});
        if (tree()->FindGateway(name)) continue;
        if (m_control->AddGateway(name, ip, port)) tree()->InsertGateway(name, ip);
    }
    if (!WriteGatewayList(m_profilePath, entries))
        ShowMessage(m_frame, QStringLiteral("The gateway list could not be saved to %1.").arg(m_profilePath),
                    LoadResString(IDS_ERROR), MB_ICONERROR, MB_OK);
    tree()->ExpandAllGateways();
    if (result == CZRGatewayDlg::IDCONNECT) ConnectGateway(dlg.GetSelItem());
    m_frame->UpdateCommandUI();
}

bool CTarnDoc::checkPort(const QString& name)
{
    const CZRGateway& gw = m_control->GetGateway(name);
    if (validPort(gw.GetPort())) return true;
    // Kept as the profile has it, but never dialled: the operator corrects it in the Gateway Manager.
    Message(0,
            QStringLiteral("The port of gateway %1 is \"%2\"; a port is a number from 1 to 65535.\n"
                           "Correct it in the Gateway Manager.")
                .arg(name, gw.GetPort()),
            IDS_ERROR, name, MB_ICONERROR, MB_OK);
    return false;
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
    if (isFrameCommand(id) || id == ID_GATEWAY_MANAGER || id == ID_PROPERTIES) return true;
    // Context commands look at the node right-clicked, unless the focus is in the info view.
    const bool context = isContextCommand(id) && !m_frame->FocusInInfoView();
    const QTreeWidgetItem* item = context ? tree()->ContextItem() : tree()->currentItem();
    if (item == nullptr) return false;
    const unsigned bits = CZRAgentTree::Param(item);
    if (bits & NODE_BUSY) return false;
    const bool target = ((bits & NODE_GATEWAY) && (bits & NODE_CONNECTED)) || (bits & NODE_AGENT);
    if (id == ID_CTX_CONNECT || id == ID_CONNECT) return !target;
    if (!target) return false;
    switch (id) {
    case ID_STOP_PROCESS:
        return view()->CurrentPage() == PAGE_PROCESS && processGrid()->HasSelectedItem();
    case ID_PROCESS_PAGE:
        return view()->CurrentPage() == PAGE_PROCESS;
    case ID_STOP_SERVICE: {
        QString sid;
        return view()->CurrentPage() == PAGE_SERVICE && serviceGrid()->GetSelectedItem(sid) >= 0;
    }
    default:
        return true;
    }
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
    case ID_GATEWAY_MANAGER:
        OnGatewayManager();
        break;
    case ID_CTX_PROCESS:
    case ID_CTX_SERVICE: {
        QString gateway, agent;
        if (!ContextAgent(&gateway, &agent)) break;
        // The node is selected for the page; the selection must not open it a second time.
        selectAgentNode(gateway, agent);
        if (id == ID_CTX_PROCESS)
            openProcessManager(gateway, {agent});
        else
            openServiceMonitor(gateway, {agent});
        break;
    }
    case ID_PROCESS:
    case ID_PROCESS_PAGE:
    case ID_CTX_PROCESS_SEL:
    case ID_SERVICE: {
        QString gateway;
        const QStringList agents = SelectionTargets(&gateway, false);
        if (agents.isEmpty()) break;
        if (id == ID_SERVICE)
            openServiceMonitor(gateway, agents);
        else
            openProcessManager(gateway, agents);
        break;
    }
    case ID_CTX_FILEMGR:
    case ID_FILEMGR: {
        QString gateway, agent;
        if (id == ID_CTX_FILEMGR ? ContextAgent(&gateway, &agent)
                                 : !(agent = SelectionTargets(&gateway, true).value(0)).isEmpty())
            OpenFileManager(gateway, agent);
        break;
    }
    case ID_TRANSFER_LIST:
        ShowTransferList();
        break;
    case ID_CTX_STOP_PROCESS:
    case ID_STOP_PROCESS:
        doStopProcess(id == ID_CTX_STOP_PROCESS);
        break;
    case ID_CTX_START_SERVICE:
    case ID_START_SERVICE:
        doServiceChange(id == ID_CTX_START_SERVICE, true);
        break;
    case ID_CTX_STOP_SERVICE:
    case ID_STOP_SERVICE:
        doServiceChange(id == ID_CTX_STOP_SERVICE, false);
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
        if (IsSettingsCommand(id))
            OnSettingsCommand(id);
        else if (IsTransferDlgCommand(id))
            OnTransferDlgCommand(id);
        else
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
    if (!m_control->GetGateway(name).IsConnect() && !checkPort(name)) return;
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

bool CTarnDoc::ContextAgent(QString* gateway, QString* agent) const
{
    if (m_frame->FocusInInfoView()) {
        // From the device list: the selected gateway and the agent right-clicked in the list.
        const QTreeWidgetItem* item = tree()->currentItem();
        if (item == nullptr) return false;
        const unsigned bits = CZRAgentTree::Param(item);
        const QString name =
            (bits & NODE_AGENT) ? CZRAgentTree::GatewayOf(item) : CZRAgentTree::GatewayName(item->text(0));
        QString label;
        if (devList()->GetNick() != name || devList()->GetRClickedItem(&label) < 0) return false;
        *gateway = name;
        *agent = label;
        return true;
    }
    const QTreeWidgetItem* item = tree()->ContextItem();
    if (item == nullptr || !(CZRAgentTree::Param(item) & NODE_AGENT)) return false;
    *agent = item->text(0);
    *gateway = CZRAgentTree::GatewayOf(item);
    return true;
}

QStringList CTarnDoc::SelectionTargets(QString* gateway, bool single) const
{
    const QTreeWidgetItem* item = tree()->currentItem();
    if (item == nullptr) return {};
    const unsigned bits = CZRAgentTree::Param(item);
    if (bits & NODE_AGENT) {
        *gateway = CZRAgentTree::GatewayOf(item);
        return {item->text(0)};
    }
    if (!(bits & NODE_GATEWAY)) return {};
    *gateway = CZRAgentTree::GatewayName(item->text(0));
    // Checks made in another gateway's list are not this gateway's agents.
    CZRDevListGrid* list = devList();
    if (list->GetNick() != *gateway) return {};
    QStringList agents;
    long row = list->GetFirstCheckedAgentRow();
    QString label;
    while (list->GetNextCheckedAgent(&row, &label) == 0) {
        agents << label;
        if (single) break;
    }
    return agents;
}

void CTarnDoc::selectAgentNode(const QString& gateway, const QString& agent)
{
    QTreeWidgetItem* node = tree()->FindAgent(gateway, agent);
    if (node == nullptr || tree()->currentItem() == node) return;
    m_selecting = true;
    tree()->setCurrentItem(node);
    m_selecting = false;
}

void CTarnDoc::openProcessManager(const QString& gateway, const QStringList& agents)
{
    CZRProcessGrid* grid = processGrid();
    grid->RemoveAll();
    m_processKeys.clear();
    for (const QString& agent : agents) {
        const QString key = agentKey(gateway, agent);
        if (m_control->SendRequest(4, QString(), key)) m_processKeys.insert(key);
    }
    grid->SetNick(gateway);
    grid->SetRequestAction(&CTarnDoc::SendMessageCB, 5, this);
    view()->SwitchPage(PAGE_PROCESS);
    m_frame->UpdateCommandUI();
}

void CTarnDoc::openServiceMonitor(const QString& gateway, const QStringList& agents)
{
    serviceGrid()->RemoveAll();
    m_serviceKeys.clear();
    m_serviceGateway = gateway;
    for (const QString& agent : agents) {
        const QString key = agentKey(gateway, agent);
        if (m_control->SendRequest(6, QString(), key)) m_serviceKeys.insert(key);
    }
    view()->SwitchPage(PAGE_SERVICE);
    m_frame->UpdateCommandUI();
}

void CTarnDoc::doStopProcess(bool context)
{
    CZRProcessGrid* grid = processGrid();
    if (grid->IsWaiting4Remove()) {
        // The same refusal the kill button gives.
        grid->StopProcess(grid->GetWaitingRow(), false);
        return;
    }
    QString pid, name;
    const long row = context ? grid->GetRClickedItem(pid, name) : grid->GetSelectedItem(pid, name);
    if (row < 0) return;
    // Marks the row as the kill button does, so that only this row's answer removes it.
    grid->StopProcess(row, false);
}

void CTarnDoc::doServiceChange(bool context, bool start)
{
    CZRServiceGrid* grid = serviceGrid();
    if (grid->IsWaiting4Update()) {
        ++m_msgBoxShowing;
        ShowMessage(m_frame, QStringLiteral("Some service is being started/stopped."),
                    QStringLiteral("Service Monitor"), 0, MB_OK);
        --m_msgBoxShowing;
        return;
    }
    QString id, agent;
    const long row = context ? grid->GetRClickedItem(id) : grid->GetSelectedItem(id);
    if (row < 0 || !grid->GetParentAgent(row, agent) || m_serviceGateway.isEmpty()) return;
    grid->SetUpdateStatus(row);
    if (m_control->SendRequest(start ? 7 : 8, id, agentKey(m_serviceGateway, agent)) == 0)
        grid->ClearUpdateStatus(); // nothing went out, so no answer will clear it
}

void CTarnDoc::doReboot()
{
    QString gateway, agent;
    if (!ContextAgent(&gateway, &agent)) return;
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
    if (item == nullptr || m_selecting) return;
    const unsigned bits = CZRAgentTree::Param(item);
    if (bits & NODE_AGENT) {
        showDeviceView(item, doubleClick);
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
        if (devList()->GetNick() != name) fillDeviceList(name);
        askDeviceInfo(name);
        view()->SwitchPage(PAGE_DEVLIST);
    } else {
        view()->SwitchPage(PAGE_TRANSFER);
    }
    m_frame->SetStoragePanes(0, 0);
}

void CTarnDoc::askDeviceInfo(const QString& gateway)
{
    // A large gateway is asked in slices, one per turn of the event loop, so that the window keeps
    // answering while thousands of requests go out.
    m_infoGateway = gateway;
    m_infoAgents.clear();
    for (const auto& agent : m_control->GetGateway(gateway).GetAgentList())
        m_infoAgents << agent->GetIPAddr();
    m_infoNext = 0;
    sendDeviceInfoSlice();
}

void CTarnDoc::sendDeviceInfoSlice()
{
    if (!m_control) return;
    const qsizetype end = std::min(m_infoAgents.size(), m_infoNext + kInfoSlice);
    for (; m_infoNext < end; ++m_infoNext)
        m_control->SendRequest(1, QString(), agentKey(m_infoGateway, m_infoAgents[m_infoNext]));
    if (m_infoNext < m_infoAgents.size()) {
        m_infoTimer.start(0);
    } else {
        m_infoAgents.clear();
        m_infoNext = 0;
    }
}

void CTarnDoc::fillDeviceList(const QString& gateway)
{
    CZRDevListGrid* list = devList();
    list->SetNick(gateway);
    list->RemoveAll();
    const CZRGateway& gw = m_control->GetGateway(gateway);
    list->ReserveRows(long(gw.GetAgentList().size()));
    QString model, host, cpu, os, firmware;
    for (const auto& agent : gw.GetAgentList()) {
        agent->GetDeviceInfo(model, host, cpu, os, firmware);
        list->AddItem(agent->GetIPAddr(), agent->GetVersion(), model, firmware, os, cpu, host);
        list->SetItemName(agent->GetIPAddr(), agent->GetName());
    }
    list->UpdateGrid();
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

void CTarnDoc::showDeviceView(QTreeWidgetItem* item, bool doubleClick)
{
    const QString agent = item->text(0);
    const QString gateway = CZRAgentTree::GatewayOf(item);
    const int page = doubleClick ? PAGE_DEVICE : view()->CurrentPage();
    if (page == PAGE_PROCESS || page == PAGE_SERVICE) {
        if (page == PAGE_PROCESS)
            openProcessManager(gateway, {agent});
        else
            openServiceMonitor(gateway, {agent});
        refreshStorage(agentKey(gateway, agent));
        return;
    }
    if (page == PAGE_FILEMGR || page == PAGE_TRANSFER) {
        OpenFileManager(gateway, agent);
        return;
    }
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
        CZRDevListGrid* list = devList();
        if (!list->GetNick().isEmpty()) {
            CZRControl::ParseNick(n.key(), &gateway, &agent);
            if (gateway == list->GetNick()) {
                const CZRAgent& record = m_control->GetAgent(n.key());
                QString model, host, cpu, os, firmware;
                record.GetDeviceInfo(model, host, cpu, os, firmware);
                list->AddItem(agent, record.GetVersion(), model, firmware, os, cpu, host);
                list->SetItemName(agent, record.GetName());
            }
        }
        // The selected agent's page shows it too; the nick is parsed only then.
        const QTreeWidgetItem* selected = tree()->currentItem();
        if (selected == nullptr || !(CZRAgentTree::Param(selected) & NODE_AGENT)) return;
        CZRControl::ParseNick(n.key(), &gateway, &agent);
        if (selected->text(0) == agent && CZRAgentTree::GatewayOf(selected) == gateway)
            refreshDevicePage(gateway, agent);
        return;
    }
    case zrmsg::Capacity0:
    case zrmsg::Capacity1: {
        if (n.id() == zrmsg::Capacity0 && m_processKeys.contains(n.key())) {
            CZRControl::ParseNick(n.key(), &gateway, &agent);
            int free = 0, total = 0;
            m_control->GetAgent(n.key()).GetDeviceCapacity(0, free, total);
            processGrid()->SetMemory(agent, quint64(qMax(0, free)), quint64(qMax(0, total)));
        }
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
    case zrmsg::Process:
        onProcessItem(n);
        return;
    case zrmsg::ProcessStopped:
        onProcessStopped(n);
        break;
    case zrmsg::Service:
        onServiceItem(n);
        return;
    case zrmsg::ServiceStarted:
        onServiceChanged(n, 1);
        break;
    case zrmsg::ServiceStopped:
        onServiceChanged(n, 0);
        break;
    case zrmsg::TransferStarted:
    case zrmsg::TransferFinished:
    case zrmsg::TransferFailed:
    case zrmsg::TransferProgress:
    case zrmsg::RemoteFileDone:
    case zrmsg::DirectoryEntry:
        onFileNotify(n);
        if (n.id() != zrmsg::TransferStarted && n.id() != zrmsg::TransferFinished &&
            n.id() != zrmsg::TransferFailed)
            return;
        break;
    default:
        if (OnSettingsNotify(n)) break;
        // Replies for pages, dialogs and plug-ins not built yet are dropped with their payloads.
        return;
    }
    m_frame->UpdateCommandUILater();
}

void CTarnDoc::onProcessItem(const CZRNotify& n)
{
    // Replies of an earlier opening, or of agents the page was not opened for, are stale.
    if (!m_processKeys.contains(n.key())) return;
    QString gateway, agent;
    CZRControl::ParseNick(n.key(), &gateway, &agent);
    CZRProcessGrid* grid = processGrid();
    if (const QStringList* item = n.get<QStringList>()) {
        if (item->size() >= 2) grid->AddProcessItem(agent, item->at(0), item->at(1));
        return;
    }
    // End of the list: the memory line, then fresh figures for it.
    int free = 0, total = 0;
    m_control->GetAgent(n.key()).GetDeviceCapacity(0, free, total);
    grid->SetMemory(agent, quint64(qMax(0, free)), quint64(qMax(0, total)));
    grid->UpdateGrid();
    m_control->SendRequest(2, QString(), n.key());
    m_frame->UpdateCommandUILater();
}

void CTarnDoc::onProcessStopped(const CZRNotify& n)
{
    CZRProcessGrid* grid = processGrid();
    const long row = grid->GetWaitingRow();
    QString gateway, agent, owner;
    CZRControl::ParseNick(n.key(), &gateway, &agent);
    // Only the answer of the agent whose row waits may act on it.
    if (row < 0 || gateway != grid->GetNick() || !grid->GetParentAgent(row, owner) || owner != agent) return;
    if (n.value() == 1) {
        grid->RemoveProcess();
        grid->UpdateGrid();
        m_control->SendRequest(2, QString(), n.key());
    } else {
        grid->ClearRemoveItem();
    }
}

void CTarnDoc::onServiceItem(const CZRNotify& n)
{
    if (!m_serviceKeys.contains(n.key())) return;
    QString gateway, agent;
    CZRControl::ParseNick(n.key(), &gateway, &agent);
    CZRServiceGrid* grid = serviceGrid();
    if (const QStringList* item = n.get<QStringList>()) {
        if (item->size() >= 3) grid->AddServiceItem(agent, item->at(0), item->at(1), item->at(2).toInt());
        return;
    }
    grid->UpdateGrid();
}

void CTarnDoc::onServiceChanged(const CZRNotify& n, int state)
{
    CZRServiceGrid* grid = serviceGrid();
    const long row = grid->GetUpdateRow();
    QString gateway, agent, owner;
    CZRControl::ParseNick(n.key(), &gateway, &agent);
    if (row < 0 || gateway != m_serviceGateway || !grid->GetParentAgent(row, owner) || owner != agent) return;
    if (n.value() == 1) {
        grid->SetServiceStatus(state);
        grid->UpdateGrid();
    } else {
        grid->ClearUpdateStatus();
    }
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
    if (m_infoGateway == name) {
        m_infoTimer.stop();
        m_infoAgents.clear();
        m_infoNext = 0;
    }
    tree()->RemoveAllAgents(name);
    forgetSettingsRequests(name, QString());
    TransferDlgAgentGone(name, QString());
    if (devList()->GetNick() == name) {
        devList()->RemoveAll();
        // Filled afresh when the gateway is shown again.
        devList()->SetNick(QString());
    }
    if (processGrid()->GetNick() == name) {
        processGrid()->RemoveAll();
        m_processKeys.clear();
    }
    if (m_serviceGateway == name) {
        serviceGrid()->RemoveAll();
        m_serviceKeys.clear();
    }
    fileMgrGatewayGone(name);
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
    // A gateway shown while its agents arrive shows them in its device list; the requests below ask
    // the newcomer for its information.
    QTreeWidgetItem* selected = tree()->currentItem();
    const int page = view()->CurrentPage();
    if (selected && selected == tree()->FindGateway(gateway) && page != PAGE_FILEMGR &&
        page != PAGE_TRANSFER) {
        // The gateway view again, for the newcomer only: asking every agent again on each arrival
        // would flood a large gateway.
        if (devList()->GetNick() != gateway) {
            fillDeviceList(gateway);
        } else {
            CZRAgent& rec = m_control->GetAgent(key);
            QString model, host, cpu, os, firmware;
            rec.GetDeviceInfo(model, host, cpu, os, firmware);
            devList()->AddItem(agent, rec.GetVersion(), model, firmware, os, cpu, host);
            devList()->SetItemName(agent, rec.GetName());
        }
        if (page != PAGE_DEVLIST) view()->SwitchPage(PAGE_DEVLIST);
    }
    m_control->SendRequest(1, QString(), key);
    m_control->SendRequest(2, QString(), key);
    m_control->SendRequest(3, QString(), key);
}

void CTarnDoc::onAgentOffline(const QString& key)
{
    QString gateway, agent;
    CZRControl::ParseNick(key, &gateway, &agent);
    forgetSettingsRequests(gateway, agent);
    TransferDlgAgentGone(gateway, agent);
    if (m_modeless && TitleNamesAgent(m_modeless->windowTitle(), agent)) {
        m_modeless->close();
        m_modeless->deleteLater();
        m_modeless = nullptr;
    }
    if (devList()->GetNick() == gateway) devList()->RemoveItem(agent);
    if (processGrid()->GetNick() == gateway && m_processKeys.remove(key))
        processGrid()->RemoveAllProcess(agent);
    if (m_serviceGateway == gateway && m_serviceKeys.remove(key)) serviceGrid()->RemoveAllService(agent);
    fileMgrAgentGone(key);
    if (!tree()->RemoveAgent(gateway, agent)) return;
    Message(IDS_DEVICE_DISCONNECTED, QString(), IDS_DISCONNECTION_ALERT, agent, MB_ICONINFORMATION, MB_OK);
}
