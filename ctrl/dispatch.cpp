// Reply dispatch: every message of a connection, routed by its code into the records and on to
// the console as notifications.
#include "catalogue.h"
#include "textitems.h"
#include "zrcontrol.h"

#include <QCoreApplication>

// Notifications wait in the outbox and go out from the event loop after the handler returns, in
// order, as posted events would; one wake-up per burst instead of one per notification.
void CZRControl::post(int id, const QString& key, qint64 value, CZRNotify::Payload payload)
{
    if (!m_main) return;
    m_outbox.push_back(std::make_unique<CZRNotify>(id, key, value, std::move(payload)));
    if (!m_flushPosted) {
        m_flushPosted = true;
        QCoreApplication::postEvent(this, new QEvent(flushEventType()));
    }
}

QEvent::Type CZRControl::flushEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void CZRControl::flushOutbox()
{
    m_flushPosted = false;
    while (!m_outbox.empty() && m_main) {
        std::unique_ptr<CZRNotify> n = std::move(m_outbox.front());
        m_outbox.pop_front();
        // A receiver may run a nested event loop (a message box): the rest then goes out from there,
        // still in order, and what arrives meanwhile queues behind it.
        if (!m_outbox.empty() && !m_flushPosted) {
            m_flushPosted = true;
            QCoreApplication::postEvent(this, new QEvent(flushEventType()));
        }
        QCoreApplication::sendEvent(m_main, n.get());
    }
}

int CZRControl::GetReply(const _Message& message)
{
    _Message m = message;
    return route(m);
}

int CZRControl::route(_Message& m)
{
    int result = 0;
    switch (zrcat::ReplyRoute(m.code)) {
    case zrcat::RouteGeneral:
        GeneralReply(m);
        break;
    case zrcat::RoutePassOn:
        OtherReply(zrmsg::PassOn, m);
        break;
    case zrcat::RouteFileMgr:
        FileMgrUpdate(m);
        break;
    case zrcat::RouteModbus:
        ModbusReply(m);
        break;
    case zrcat::RouteMobile:
        MobileReply(m);
        break;
    case zrcat::RouteError:
        ErrorMessage(m);
        break;
    case zrcat::RouteNone:
        result = -1;
        break;
    }
    // Replies for agents nobody knows land in the empty records; keep them empty for the next look-up.
    // Untouched until first lent; from then on a caller may still hold it, so it is reset every time.
    if (m_emptyLent) m_emptyAgent.emplace();
    if (CZRGateway* gw = findGateway(m.gateway)) gw->ResetEmptyAgent();
    return result;
}

void CZRControl::GeneralReply(_Message& m)
{
    CZRGateway* gw = findGateway(m.gateway);
    if (gw == nullptr || !gw->IsConnect()) return;
    if (m.code == 26) {
        // An announcement replaces whatever record the nick had, so the old one is not looked at.
        if (m.nick.isEmpty()) return;
        gw->AddAgent(m.nick);
        const CZRAgent& added = *gw->GetAgentList().back();
        m.text = added.GetIPAddr(); // the nick's address, as the new record cut it
        const QString key = agentKey(*gw, added);
        passOn(zrmsg::PassOn, m, *gw, m.text);
        post(zrmsg::AgentOnline, key);
        return;
    }
    CZRAgent& agent = gw->GetAgent(m.nick);
    QString key = agentKey(*gw, agent);
    agent.CheckAlive(0);
    const ZRTextItems items(m.text);

    switch (m.code) {
    case 24:
        post(zrmsg::LoginAccepted, key);
        break;
    case 102:
        agent.SetVersion(items.item(0));
        agent.SetDeviceInfo(items.item(1), items.item(5), items.item(4), items.item(3), items.item(2));
        passOn(zrmsg::PassOn, m, *gw, agent.GetIPAddr());
        post(zrmsg::DeviceInfo, key);
        break;
    case 104:
        agent.SetDeviceCapacity(0, items.item(0), items.item(1));
        post(zrmsg::Capacity0, key);
        break;
    case 106:
        agent.SetDeviceCapacity(1, items.item(0), items.item(1));
        post(zrmsg::Capacity1, key);
        break;
    case 112:
        if (items.count() == 2) post(zrmsg::Process, key, 0, QStringList{items.item(0), items.item(1)});
        break;
    case 113:
        if (agent.IsWaitingProcess()) {
            agent.WaitProcessList(0);
            post(zrmsg::Process, key);
        }
        break;
    case 116:
        post(zrmsg::ProcessStopped, key, 1);
        break;
    case 122:
        if (!agent.IsWaitingNetInterface()) {
            // The first entry of a new list.
            agent.WaitNetInterface(1);
            agent.RemoveAllNetworkInterface();
        }
        // A short entry leaves its missing fields empty rather than repeating the last one.
        agent.AddNetworkInterface(ZRDecimal(items.present(1)), items.present(0), items.present(2),
                                  items.present(3), items.present(4), items.present(5));
        break;
    case 123:
        if (agent.IsWaitingNetInterface()) {
            agent.WaitNetInterface(0);
            post(zrmsg::NetInterfaces, key);
        }
        break;
    case 126: {
        const QString name = items.present(0);
        const QString servers = items.present(1);
        const ZRTextItems list(servers);
        for (int i = 0; i < list.count(); ++i)
            agent.AddNetworkDNS(name, list.item(i));
        post(zrmsg::DNSServers, key);
        break;
    }
    case 132:
        if (!agent.IsWaitingAutoInst()) {
            agent.WaitAutoInstList(1);
            agent.RemoveAllAutoLaunch();
        }
        agent.AddAutoLaunch(items.present(0), items.present(1));
        break;
    case 133:
        if (agent.IsWaitingAutoInst())
            agent.WaitAutoInstList(0);
        else
            agent.RemoveAllAutoLaunch(); // an empty list was reported
        post(zrmsg::AutoLaunch, key);
        break;
    case 142:
        if (items.count() == 3)
            post(zrmsg::Service, key, 0, QStringList{items.item(0), items.item(1), items.item(2)});
        break;
    case 143:
        if (agent.IsWaitingService()) {
            agent.WaitServiceList(0);
            post(zrmsg::Service, key);
        }
        break;
    case 146:
        post(zrmsg::ServiceStarted, key, 1);
        break;
    case 148:
        post(zrmsg::ServiceStopped, key, 1);
        break;
    case 162:
        agent.SetSYSTime(items.present(0), items.present(1));
        // Type 0 agents answer both clocks and are told once, after the second.
        if (agent.IsWaitingTime() || agent.GetOSType(1) != 0) {
            agent.WaitTimeInfo(0);
            post(zrmsg::DateTime, key);
        } else {
            agent.WaitTimeInfo(1);
        }
        break;
    case 164:
        agent.SetRTCTime(items.present(0), items.present(1));
        if (agent.IsWaitingTime()) {
            agent.WaitTimeInfo(0);
            post(zrmsg::DateTime, key);
        } else {
            agent.WaitTimeInfo(1);
        }
        break;
    case 172:
    case 174:
        if (!agent.GetNick().isEmpty() && agent.GetNick() == m.nick) {
            m.text = agent.GetIPAddr();
            passOn(zrmsg::PassOn, m, *gw, agent.GetIPAddr());
            if (agent.GetUploadCount() || agent.GetDownloadCount()) agentOffline(*gw, agent);
            gw->RemoveAgent(m.nick);
            post(zrmsg::AgentOffline, key);
        }
        break;
    case 9997:
    case 9998:
    case 9999:
        if (gw->IsConnect()) Disconnect(*gw);
        break;
    default: // 128, 130, 136, 166, 168: the answer itself is all
        break;
    }
}

void CZRControl::generalFailure(const _Message& m, const QString& text)
{
    post(zrmsg::RequestFailed, m.nick, 0, text);
}

void CZRControl::ErrorMessage(_Message& m)
{
    CZRGateway* gw = findGateway(m.gateway);
    if (gw == nullptr || !gw->IsConnect()) return;
    CZRAgent& agent = gw->GetAgent(m.nick);
    agent.CheckAlive(0);
    const QString key = makeKey(*gw, agent.GetIPAddr());
    const ZRTextItems items(m.text);
    const int failed = ZRDecimal(items.view(0));
    const QString text = items.item(1);

    switch (failed) {
    // A refused list or clock request must not leave its mark set, or that list could never be
    // asked for again on this connection.
    case 111:
        agent.WaitProcessList(0);
        break;
    case 141:
        agent.WaitServiceList(0);
        break;
    case 121:
        agent.WaitNetInterface(0);
        break;
    case 131:
        agent.WaitAutoInstList(0);
        break;
    case 161:
    case 163:
        agent.WaitTimeInfo(0);
        break;
    case 115:
        post(zrmsg::ProcessStopped, key, 0);
        break;
    case 125:
        post(zrmsg::DNSServers, key);
        break;
    case 145:
        post(zrmsg::ServiceStarted, key, 0);
        break;
    case 147:
        post(zrmsg::ServiceStopped, key, 0);
        break;
    case 191:
    case 195:
    case 201:
    case 203:
    case 204:
        transferFailure(*gw, agent, failed, items, m, key);
        return;
    case 211:
        agent.ResetBrowseFiles();
        post(zrmsg::DirectoryEntry, key, 0);
        return;
    case 215:
    case 217:
    case 223:
        post(zrmsg::RemoteFileDone, key, 0);
        break;
    case 221:
        break;
    default:
        if (zrcat::IsModbusRequest(failed)) {
            ModbusReply(m);
            return;
        }
        if (zrcat::IsMobileRequest(failed)) {
            MobileReply(m);
            return;
        }
        if (zrcat::IsFurtherPluginRequest(failed)) {
            OtherReply(zrmsg::PassOn, m);
            return;
        }
        break;
    }
    generalFailure(m, text);
}

void CZRControl::OtherReply(int id, _Message& m)
{
    CZRGateway* gw = findGateway(m.gateway);
    if (gw == nullptr || !gw->IsConnect()) return;
    const CZRAgent* agent = gw->FindAgent(m.nick);
    passOn(id, m, *gw, agent ? agent->GetIPAddr() : QString());
}

void CZRControl::passOn(int id, const _Message& m, CZRGateway& gateway, const QString& address)
{
    post(id, QString(), 0, _Notice{m.code, makeKey(gateway, address), m.text});
}

void CZRControl::MobileReply(_Message& m)
{
    OtherReply(zrmsg::Mobile, m);
}

void CZRControl::ModbusReply(_Message& m)
{
    OtherReply(zrmsg::Modbus, m);
}
