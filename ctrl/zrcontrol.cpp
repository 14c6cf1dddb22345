#include "zrcontrol.h"
#include "catalogue.h"
#include "textitems.h"
#include "zrevents.h"

#include "tarnutil.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>

CZRControl::CZRControl(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(kKeepAlivePeriod);
    connect(&m_timer, &QTimer::timeout, this, &CZRControl::OnTimer);
    m_timer.start();
}

CZRControl::~CZRControl()
{
    m_timer.stop();
    BreakAllConnections();
    WaitExitThread();
    // What the console has not been handed yet still reaches it.
    for (auto& n : m_outbox)
        if (m_main) QCoreApplication::postEvent(m_main, n.release());
    m_outbox.clear();
}

void CZRControl::SetKeepAlivePeriod(int ms)
{
    m_timer.start(ms > 0 ? ms : kKeepAlivePeriod);
}

// ---- gateway list

CZRGateway* CZRControl::findGateway(const QString& name) const
{
    if (m_lastGateway != nullptr && name == m_lastGatewayName) return m_lastGateway;
    CZRGateway* gw = m_byName.value(name, nullptr);
    if (gw != nullptr) {
        m_lastGatewayName = name;
        m_lastGateway = gw;
    }
    return gw;
}

int CZRControl::AddGateway(const QString& name, const QString& ip, const QString& port)
{
    if (name.isEmpty() || m_byName.contains(name)) return 0;
    m_gateways.push_back(std::make_unique<CZRGateway>(name, ip, port));
    m_byName.insert(name, m_gateways.back().get());
    return 1;
}

void CZRControl::RemoveGateway(const QString& name)
{
    CZRGateway* gw = findGateway(name);
    if (gw == nullptr || gw->IsConnect()) return;
    m_lastGateway = nullptr;
    m_byName.remove(name);
    std::erase_if(m_gateways, [gw](const auto& p) { return p.get() == gw; });
}

void CZRControl::RemoveAllGateway()
{
    m_lastGateway = nullptr;
    std::erase_if(m_gateways, [this](const auto& p) {
        if (p->IsConnect()) return false;
        m_byName.remove(p->GetName());
        return true;
    });
}

CZRGateway& CZRControl::GetGateway(const QString& name)
{
    CZRGateway* gw = findGateway(name);
    return gw ? *gw : m_emptyGateway;
}

CZRAgent& CZRControl::GetAgent(const QString& key)
{
    QString gateway, address;
    CZRGateway* gw = nullptr;
    CZRAgent* agent = nullptr;
    if (ParseNick(key, &gateway, &address) && !address.isEmpty() && (gw = findGateway(gateway)) != nullptr)
        agent = gw->FindAgent(address);
    if (agent) return *agent;
    m_emptyLent = true;
    return *m_emptyAgent;
}

int CZRControl::IsOnlineGateway(const QString& name) const
{
    const CZRGateway* gw = findGateway(name);
    return gw ? gw->IsConnect() : 0;
}

CZRGateway& CZRControl::GetOnlineGateway()
{
    for (auto& gw : m_gateways)
        if (gw->IsConnect()) return *gw;
    return m_emptyGateway;
}

int CZRControl::GetGatewayItem(int index, QString& name, QString& ip, QString& port) const
{
    if (index < 0 || index >= int(m_gateways.size())) return 0;
    const CZRGateway& gw = *m_gateways[index];
    name = gw.GetName();
    ip = gw.GetIPAddr();
    port = gw.GetPort();
    return 1;
}

QString CZRControl::makeKey(const CZRGateway& gateway, const QString& address) const
{
    // Replies come in runs for one agent; the key of the last one is shared rather than rebuilt.
    if (address == m_lastKeyAddress && gateway.GetName() == m_lastKeyGateway) return m_lastKey;
    m_lastKeyGateway = gateway.GetName();
    m_lastKeyAddress = address;
    // Built in one allocation of the exact size.
    const QString& name = gateway.GetName();
    QString key(name.size() + 1 + address.size(), Qt::Uninitialized);
    QChar* out = std::copy_n(name.constData(), name.size(), key.data());
    *out++ = QLatin1Char('|');
    std::copy_n(address.constData(), address.size(), out);
    m_lastKey = std::move(key);
    return m_lastKey;
}

QString CZRControl::agentKey(const CZRGateway& gateway, const CZRAgent& agent) const
{
    const QString& address = agent.GetIPAddr();
    if (agent.m_key.isEmpty() || agent.m_keyAddress != address || agent.m_keyGateway != gateway.GetName()) {
        agent.m_key = makeKey(gateway, address);
        agent.m_keyGateway = gateway.GetName();
        agent.m_keyAddress = address;
    } else if (address != m_lastKeyAddress || gateway.GetName() != m_lastKeyGateway) {
        // Later look-ups of the same key (the pass-on of this reply) find it as the last one.
        m_lastKeyGateway = agent.m_keyGateway;
        m_lastKeyAddress = agent.m_keyAddress;
        m_lastKey = agent.m_key;
    }
    return agent.m_key;
}

// ---- requests

int CZRControl::SendRequest(int number, const QString& arguments, const QString& key)
{
    QString gateway, agent;
    ParseNick(key, &gateway, &agent);
    return SendRequest(number, arguments, agent, gateway);
}

int CZRControl::SendRequest(int number, const QString& arguments, const QString& agentKey,
                            const QString& gateway)
{
    CZRGateway* gw = findGateway(gateway);
    if (gw == nullptr || !gw->IsConnect() || gw->GetThread() == nullptr) return 0;
    if (number < zrcat::kFirstRequest || number > zrcat::kLastRequest) return 0;
    CZRAgent& agent = gw->GetAgent(agentKey);
    if (agent.IsUpgrading() && number != 2 && number != 3) return 0;
    // Every request but the gateway-side clear names an agent; there is nobody to send to without one.
    if (number != 23 && agent.GetNick().isEmpty()) return 0;
    const QString nick = agent.GetNick();

    switch (number) {
    case 4:
        if (agent.IsWaitingProcess()) return 0;
        agent.WaitProcessList(1);
        return SendRequestGet(number, nick, *gw);
    case 6:
        if (agent.IsWaitingService()) return 0;
        agent.WaitServiceList(1);
        return SendRequestGet(number, nick, *gw);
    case 21:
    case 22:
    case 23:
        return SendRequestUpload(number, arguments, nick, *gw);
    case 25: {
        const QString directory = GetTextItem(0, arguments);
        agent.SetCurrentDirectoryW(directory);
        QString text = arguments;
        if (agent.GetOSType(1) == 2 &&
            (directory.isEmpty() || directory == QLatin1String("\\") || directory == QLatin1String("/")))
            text = QStringLiteral(":");
        SendRequestGet(3, nick, *gw);
        return SendRequestSet(number, text, nick, *gw);
    }
    case 59:
    case 60: {
        QString text = arguments;
        if (agent.GetOSType(1) != 0)
            text.replace(QLatin1Char('/'), QLatin1Char('\\'));
        else
            text.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return SendRequestSet(number, text, nick, *gw);
    }
    default:
        break;
    }
    if (zrcat::RequestForm(number) == zrcat::FormArguments)
        return SendRequestSet(number, arguments, nick, *gw);
    return SendRequestGet(number, nick, *gw);
}

int CZRControl::SendRequestGet(int number, const QString& nick, CZRGateway& gateway)
{
    return SendRequestSet(number, QString(), nick, gateway);
}

int CZRControl::SendRequestSet(int number, const QString& arguments, const QString& nick, CZRGateway& gateway)
{
    CZRClientThread* thread = gateway.GetThread();
    if (thread == nullptr) return 0;
    _Message m;
    m.code = quint16(zrcat::RequestCode(number));
    m.nick = nick;
    m.text = arguments;
    thread->SendRequestMsg(m);
    return 1;
}

int CZRControl::SendRequestUpload(int number, const QString& arguments, const QString& nick,
                                  CZRGateway& gateway)
{
    CZRClientThread* thread = gateway.GetThread();
    if (thread == nullptr) return 0;
    const ZRTextItems items(arguments);
    _MessageFile m;
    m.code = quint16(zrcat::RequestCode(number));
    m.nick = nick;
    switch (number) {
    case 21:
        m.path = items.item(0);
        m.destination = items.item(1);
        m.firmware = ZRDecimal(items.view(2));
        break;
    case 22:
        m.path = items.item(0);
        m.destination = items.item(1);
        m.tag = items.item(2);
        m.firmware = ZRDecimal(items.view(3));
        m.count = ZRDecimal(items.view(4));
        break;
    case 23:
        m.nick = gateway.GetIPAddr();
        m.tag = arguments;
        break;
    default:
        return 0;
    }
    thread->SendRequestUpload(m);
    return 1;
}

// ---- connections

int CZRControl::Connect2Gateway(const QString& name)
{
    CZRGateway* gw = findGateway(name);
    // A second connection to a gateway that is on line would orphan the first one.
    if (gw == nullptr || gw->IsConnect()) return 0;
    TarnHandle* handle = nullptr;
    if (TarnInit(&handle) != 0) return 0;
    auto thread = std::make_unique<CZRClientThread>(handle, gw->GetIPAddr(), ZRDecimal(gw->GetPort()), name,
                                                    m_nextSerial++);
    gw->SetConnection(handle);
    gw->SetThread(thread.get());
    gw->Connecting(1);
    gw->Connect(1);
    thread->SetMainHWND(this);
    CZRClientThread* started = thread.get();
    m_threads.push_back(std::move(thread));
    started->InitInstance();
    return 1;
}

void CZRControl::Disconnect(CZRGateway& gateway)
{
    gateway.Connect(0);
    // The worker is only asked to stop here; its handle is freed once it has ended (ThreadExit).
    if (CZRClientThread* thread = gateway.GetThread()) thread->Disconnect();
    gateway.SetThread(nullptr);
    gateway.SetConnection(nullptr);
    gateway.ClearOnlineInfo();
    if (m_main) {
        CZRNotify notice(zrmsg::GatewayDisconnected, gateway.GetName());
        QCoreApplication::sendEvent(m_main, &notice);
    }
}

void CZRControl::BreakConnection(const QString& name)
{
    CZRGateway* gw = findGateway(name);
    if (gw && gw->IsConnect()) Disconnect(*gw);
}

void CZRControl::BreakAllConnections()
{
    for (auto& gw : m_gateways)
        if (gw->IsConnect()) Disconnect(*gw);
}

void CZRControl::AgentDisconnect(const QString& nick, const QString& gateway)
{
    _Message m;
    m.code = 174;
    m.nick = nick;
    m.gateway = gateway;
    GetReply(m);
}

CZRClientThread* CZRControl::takeThread(quint64 serial)
{
    for (auto it = m_threads.begin(); it != m_threads.end(); ++it) {
        if ((*it)->serial() == serial) {
            CZRClientThread* t = it->release();
            m_threads.erase(it);
            return t;
        }
    }
    return nullptr;
}

int CZRControl::ThreadExit(quint64 serial)
{
    std::unique_ptr<CZRClientThread> thread(takeThread(serial));
    if (!thread) return 0;
    // A worker that ended on its own has already delivered its connection event; make sure anyway
    // that no gateway keeps pointing at it.
    for (auto& gw : m_gateways)
        if (gw->GetThread() == thread.get()) Disconnect(*gw);
    thread->ExitInstance();
    return 0; // the destructor frees the connection handle, now that its worker has ended
}

void CZRControl::WaitExitThread()
{
    for (auto& gw : m_gateways)
        if (gw->GetThread() != nullptr) Disconnect(*gw);
    // Stop them all first, so the joins below overlap rather than add up.
    for (auto& thread : m_threads)
        thread->Disconnect();
    for (auto& thread : m_threads)
        thread->ExitInstance();
    m_threads.clear();
}

// ---- window messages

bool CZRControl::event(QEvent* e)
{
    switch (int(e->type())) {
    case zrmsg::Reply: {
        auto* reply = static_cast<CZRReplyEvent*>(e);
        reply->delivered = true;
        for (_Message& m : reply->batch) {
            // A connection that ended meanwhile (broken by the user, or by an earlier reply of this
            // batch) hands on nothing more.
            if (reply->state->stopping()) break;
            // The name is the GUI thread's own copy: no string is shared with the worker here.
            m.gateway = reply->state->gateway;
            route(m);
        }
        if (!reply->local) reply->state->finish();
        return true;
    }
    case zrmsg::ThreadExit:
        ThreadExit(static_cast<CZRThreadExitEvent*>(e)->serial);
        return true;
    case zrmsg::Test:
        MessageTEST();
        return true;
    default:
        if (e->type() == flushEventType()) {
            flushOutbox();
            return true;
        }
        return QObject::event(e);
    }
}

void CZRControl::MessageTEST()
{
    const QString text = QStringLiteral("[MessageTEST]");
    if (m_testHandler)
        m_testHandler(text);
    else
        qInfo().noquote() << text;
}

void CZRControl::OnTimer()
{
    for (auto& gw : m_gateways) {
        if (!gw->IsConnect() || gw->GetAgentCount() == 0) continue;
        const QString name = gw->GetName();
        for (const auto& agent : gw->GetAgentList()) {
            if (agent->IsCheckingAlive()) {
                // One agent per tick: the list changes under us, and a burst of removals would
                // flood the console at once.
                AgentDisconnect(agent->GetNick(), name);
                return;
            }
            agent->CheckAlive(1);
            SendRequestGet(2, agent->GetNick(), *gw);
            SendRequestGet(3, agent->GetNick(), *gw);
        }
    }
}
