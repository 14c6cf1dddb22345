#include "zrgateway.h"

CZRGateway::CZRGateway(const QString& name, const QString& ip, const QString& port)
    : m_name(name), m_ip(ip), m_port(port)
{
}

CZRGateway::CZRGateway(const CZRGateway& other)
{
    *this = other;
}

CZRGateway& CZRGateway::operator=(const CZRGateway& other)
{
    if (this == &other) return *this;
    m_connection = other.m_connection;
    m_thread = other.m_thread;
    m_online = other.m_online;
    m_connecting = other.m_connecting;
    m_emptyAgent.emplace(other.m_emptyAgent->GetNick());
    m_emptyAgent->SetIPAddr(other.m_emptyAgent->GetIPAddr());
    m_transferNumber = other.m_transferNumber;
    m_name = other.m_name;
    m_ip = other.m_ip;
    m_port = other.m_port;
    return *this;
}

int CZRGateway::SetIPAddr(const QString& ip)
{
    if (ip.isEmpty()) return 0;
    m_ip = ip;
    return 1;
}

void CZRGateway::ClearOnlineInfo()
{
    m_connecting = 0;
    m_byAddress.clear();
    m_byNick.clear();
    m_agents.clear();
    m_uploads.clear();
    m_downloads.clear();
}

CZRGateway::AgentList::iterator CZRGateway::find(const QString& key)
{
    if (key.isEmpty()) return m_agents.end();
    // A full nick is found without cutting the key apart.
    if (auto byNick = m_byNick.constFind(key); byNick != m_byNick.constEnd()) return byNick.value();
    const qsizetype colon = key.indexOf(QLatin1Char(':'));
    return findAddress(colon < 0 ? key : key.left(colon));
}

CZRGateway::AgentList::iterator CZRGateway::findAddress(const QString& address)
{
    auto hit = m_byAddress.constFind(address);
    if (hit == m_byAddress.constEnd()) return m_agents.end();
    AgentList::iterator it = hit.value();
    if ((*it)->GetIPAddr() != address) {
        // Someone changed an address through SetIPAddr: rebuild the index and look again.
        m_byAddress.clear();
        for (auto a = m_agents.begin(); a != m_agents.end(); ++a)
            m_byAddress.insert((*a)->GetIPAddr(), a);
        hit = m_byAddress.constFind(address);
        return hit == m_byAddress.constEnd() ? m_agents.end() : hit.value();
    }
    return it;
}

int CZRGateway::AddAgent(const QString& nick)
{
    if (nick.isEmpty()) return 0;
    auto agent = std::make_unique<CZRAgent>(nick);
    // The record it replaces, found as find(nick) would, with the address the new record has cut.
    auto byNick = m_byNick.constFind(nick);
    auto old = byNick != m_byNick.constEnd() ? byNick.value() : findAddress(agent->GetIPAddr());
    if (old != m_agents.end()) {
        m_byAddress.remove((*old)->GetIPAddr());
        m_byNick.remove((*old)->GetNick());
        m_agents.erase(old);
    }
    m_agents.push_back(std::move(agent));
    auto it = std::prev(m_agents.end());
    m_byAddress.insert((*it)->GetIPAddr(), it);
    m_byNick.insert((*it)->GetNick(), it);
    return 1;
}

int CZRGateway::RemoveAgent(const QString& nick)
{
    auto it = find(nick);
    if (it == m_agents.end()) return 0;
    m_byAddress.remove((*it)->GetIPAddr());
    m_byNick.remove((*it)->GetNick());
    m_agents.erase(it);
    return 1;
}

CZRAgent& CZRGateway::GetAgent(const QString& key)
{
    auto it = find(key);
    if (it != m_agents.end()) return **it;
    m_emptyLent = true;
    return *m_emptyAgent;
}

CZRAgent* CZRGateway::FindAgent(const QString& key)
{
    auto it = find(key);
    return it == m_agents.end() ? nullptr : it->get();
}

bool CZRGateway::HasAgent(const QString& key) const
{
    return const_cast<CZRGateway*>(this)->find(key) != m_agents.end();
}

QString CZRGateway::GetAgentNick(const QString& key)
{
    auto it = find(key);
    return it == m_agents.end() ? QString() : (*it)->GetNick();
}
