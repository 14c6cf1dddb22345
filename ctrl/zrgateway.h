// What the control core knows about one gateway: its connection, its agents, its transfers.
#pragma once

#include "transfer.h"
#include "zragent.h"
#include "zrctrl_global.h"

#include <QHash>
#include <QList>
#include <QString>

#include <list>
#include <memory>
#include <optional>

struct TarnHandle;
class CZRClientThread;

class ZRCTRL_EXPORT CZRGateway
{
public:
    // Agents in the order the gateway announced them. Held by pointer so that removing one never
    // moves (and, through the identity-only assignment, never strips) the others.
    using AgentList = std::list<std::unique_ptr<CZRAgent>>;

    CZRGateway() = default;
    CZRGateway(const QString& name, const QString& ip, const QString& port);
    // Copies identity and connection state only; agents and transfers stay with the original.
    CZRGateway(const CZRGateway& other);
    CZRGateway& operator=(const CZRGateway& other);
    virtual ~CZRGateway() = default;

    bool operator==(const CZRGateway& other) const { return m_name == other.m_name; }
    bool operator!=(const CZRGateway& other) const { return m_name != other.m_name; }

    const QString& GetName() const { return m_name; }
    void SetName(const QString& name) { m_name = name; }
    const QString& GetIPAddr() const { return m_ip; }
    int SetIPAddr(const QString& ip);
    const QString& GetPort() const { return m_port; }
    void SetPort(const QString& port) { m_port = port; }
    void Connect(int flag) { m_online = flag; }
    int IsConnect() const { return m_online; }
    void Connecting(int flag) { m_connecting = flag; }
    int IsConnecting() const { return m_connecting; }

    TarnHandle* GetConnection() const { return m_connection; }
    void SetConnection(TarnHandle* connection) { m_connection = connection; }
    CZRClientThread* GetThread() const { return m_thread; }
    void SetThread(CZRClientThread* thread) { m_thread = thread; }

    // Clears the connecting mark and drops every agent and transfer.
    void ClearOnlineInfo();
    int AddAgent(const QString& nick);
    int RemoveAgent(const QString& nick);
    // The agent equal to a nick or an IP address; the empty agent when there is none.
    CZRAgent& GetAgent(const QString& key);
    CZRAgent* FindAgent(const QString& key);
    bool HasAgent(const QString& key) const;
    QString GetAgentNick(const QString& key);
    int GetAgentCount() const { return int(m_agents.size()); }
    const AgentList& GetAgentList() const { return m_agents; }
    CZRAgent& GetEmptyAgent()
    {
        m_emptyLent = true;
        return *m_emptyAgent;
    }
    // Forgets whatever stray replies wrote into the empty agent.
    void ResetEmptyAgent()
    {
        if (m_emptyLent) m_emptyAgent.emplace();
        m_emptyLent = false;
    }

    int GetTransferID() const { return m_transferNumber; }
    int GetTransferCount() const { return int(m_uploads.size() + m_downloads.size()); }
    int GetDownloadCount() const { return int(m_downloads.size()); }
    QList<_TransferG>& Uploads() { return m_uploads; }
    QList<_TransferG>& Downloads() { return m_downloads; }

private:
    AgentList::iterator find(const QString& key);

    TarnHandle* m_connection = nullptr;
    CZRClientThread* m_thread = nullptr;
    AgentList m_agents;
    // Agents are pairwise unequal, so their addresses are unique: one index finds them by nick or address.
    QHash<QString, AgentList::iterator> m_byAddress;
    QHash<QString, AgentList::iterator> m_byNick;
    int m_online = 0;
    int m_connecting = 0;
    QString m_name;
    QString m_ip;
    QString m_port;
    // Re-made rather than assigned: assignment would keep the lists a stray reply wrote.
    std::optional<CZRAgent> m_emptyAgent{std::in_place};
    bool m_emptyLent = false;
    QList<_TransferG> m_uploads;
    QList<_TransferG> m_downloads;
    int m_transferNumber = 0;
};
