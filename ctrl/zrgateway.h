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

    // Transfers of this gateway, one entry per file. Positions index the list of the type's direction.
    int GetTransferID() const { return m_transferNumber; }
    int GetTransferCount() const { return int(m_uploads.size() + m_downloads.size()); }
    int GetDownloadCount() const { return int(m_downloads.size()); }
    QList<_TransferG>& Uploads() { return m_uploads; }
    QList<_TransferG>& Downloads() { return m_downloads; }

    // An upload of a local path that already has an entry of the same type joins it: the targets are
    // added, number is set to its number and its stage is returned. Otherwise a new entry gets the
    // next number and -1 is returned.
    int AddTransfer(int type, int& number, const QString& localPath, quint64 size, int targets);
    // The next entry after position of that type and local path, else -1.
    int GetTransfer(int type, const QString& localPath, int after = -1) const;
    // The number of the entry of that type and local path, else -1.
    int GetTransferID(int type, const QString& localPath) const;
    const _TransferG* TransferAt(int type, int position) const;
    int FindTransferNumber(int type, int number) const;
    // The file's name at the gateway of that entry; empty when there is none.
    QString GetTransferUnique(int type, int number) const;
    int GetFirstTransfer(int type, int stage, int& number, QString& localPath) const;
    // The targets of that upload entry at that stage; -1 when absent.
    int GetUploadTargets(int number, int stage) const;
    // Upload entries in that stage; -2 counts them all.
    int GetUploadCount(int stage) const;
    // 1 while any entry is still short of the gateway.
    int IsTransferring2Gateway() const;
    void BeginTransferAt(int type, int position, int stage, const QString& gatewayFile);
    void BeginTransferAt(int type, int position, int stage, quint64 size);
    void BeginTransfer(int type, int number, int stage, const QString& gatewayFile);
    void BeginTransfer(int type, int number, int stage, quint64 size);
    void UpdateTransferSize(int type, int number, quint64 done, quint64 total);
    void DecreaseUploadTarget(int type, int number);
    // Sets that status on the matching entries of every agent holding transfers of that type; the
    // address of the last such agent.
    QString UpdateUploadTargets(int type, int status, int number);
    int RemoveTransferAt(int type, int position);
    int RemoveTransfer(int type, int number);
    // The agent's uploads no longer need the gateway's copy; its downloads are over.
    void RemoveUploadingAgent(const QString& nick);
    void RemoveDownloadingAgent(const QString& nick);
    // Takes out the next upload entry after position whose targets are 0, unless its file is still on
    // its way to the gateway (stage 1). Its number, gateway file, local path and stage; -1 for none.
    int RemoveUploadDone(QString& gatewayFile, QString& localPath, int& stage, int& position);

private:
    AgentList::iterator find(const QString& key);
    AgentList::iterator findAddress(const QString& address);
    QList<_TransferG>& transfers(int type) { return type == ZRT_DOWNLOAD ? m_downloads : m_uploads; }
    const QList<_TransferG>& transfers(int type) const
    {
        return type == ZRT_DOWNLOAD ? m_downloads : m_uploads;
    }

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
