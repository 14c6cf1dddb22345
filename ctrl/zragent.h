// What the control core knows about one agent behind a gateway.
#pragma once

#include "messages.h"
#include "transfer.h"
#include "zrctrl_global.h"

#include <QList>
#include <QString>
#include <QStringList>

class ZRCTRL_EXPORT CZRAgent
{
public:
    CZRAgent() = default;
    // A fresh record: the nick split at its first colon into IP address and name.
    explicit CZRAgent(const QString& nick);
    CZRAgent(const CZRAgent&) = default;
    virtual ~CZRAgent() = default;
    // Copies the identity only (nick, address, name, picture, system type, flags and counters);
    // device texts, lists and transfers stay. Containers hold agents by pointer for this reason.
    CZRAgent& operator=(const CZRAgent& other);

    // Equal when the nicks or the IP addresses are equal.
    bool operator==(const CZRAgent& other) const;
    bool operator!=(const CZRAgent& other) const { return !(*this == other); }

    const QString& GetNick() const { return m_nick; }
    const QString& GetIPAddr() const { return m_ip; }
    int SetIPAddr(const QString& ip);
    const QString& GetName() const { return m_name; }
    const QString& GetVersion() const { return m_version; }
    void SetVersion(const QString& version);
    const QString& GetModelName() const { return m_model; }
    int GetModelImage() const { return m_modelImage; }
    void SetModelImage(int image) { m_modelImage = image; }
    // The system type; type 2 reads as 1 unless exact is non-zero.
    int GetOSType(int exact = 1) const { return (m_osType == 2 && exact == 0) ? 1 : m_osType; }
    void GetDeviceInfo(QString& model, QString& host, QString& cpu, QString& os, QString& firmware) const;
    // Items 1 to 5 of the device information; also derives the system type.
    void SetDeviceInfo(const QString& model, const QString& host, const QString& cpu, const QString& os,
                       const QString& firmware);
    int GetDeviceCapacity(int which, int& first, int& second) const;
    int SetDeviceCapacity(int which, const QString& first, const QString& second);
    const QString& GetSYSDate() const { return m_sysDate; }
    const QString& GetSYSTime() const { return m_sysTime; }
    const QString& GetRTCDate() const { return m_rtcDate; }
    const QString& GetRTCTime() const { return m_rtcTime; }
    void SetSYSTime(const QString& date, const QString& time);
    void SetRTCTime(const QString& date, const QString& time);
    const QString& GetCurrentDirectoryW() const { return m_currentDirectory; }
    void SetCurrentDirectoryW(const QString& directory) { m_currentDirectory = directory; }

    // Flags.
    void WaitProcessList(int flag) { m_waitProcess = flag; }
    void WaitServiceList(int flag) { m_waitService = flag; }
    void WaitAutoInstList(int flag) { m_waitAutoInst = flag; }
    void WaitNetInterface(int flag) { m_waitNetInterface = flag; }
    void WaitTimeInfo(int flag) { m_waitTime = flag; }
    void StartTransferFrm(int flag) { m_transferFrm = flag; }
    void StartUpgrade(int flag) { m_upgrading = flag; }
    void CheckAlive(int flag) { m_checkingAlive = flag; }
    int IsWaitingProcess() const { return m_waitProcess; }
    int IsWaitingService() const { return m_waitService; }
    int IsWaitingAutoInst() const { return m_waitAutoInst; }
    int IsWaitingNetInterface() const { return m_waitNetInterface; }
    int IsWaitingTime() const { return m_waitTime; }
    int IsTransferFrm() const { return m_transferFrm; }
    int IsUpgrading() const { return m_upgrading; }
    int IsCheckingAlive() const { return m_checkingAlive; }

    // Counters.
    void IncreaseBrowseFiles(int flag) { m_browseFiles += flag ? 1 : -1; }
    void ResetBrowseFiles() { m_browseFiles = 0; }
    int GetBrowseFiles() const { return m_browseFiles; }
    void IncreaseDNSWaiting(int flag) { m_dnsWaiting += flag ? 1 : -1; }
    int IsWaitingDNSReply() const { return m_dnsWaiting != 0 ? 1 : 0; }
    void ResetDNSWaiting() { m_dnsWaiting = 0; }
    int GetDNSWaiting() const { return m_dnsWaiting; }

    // Lists the agent reports.
    void AddNetworkInterface(int number, const QString& name, const QString& t2, const QString& t3,
                             const QString& t4, const QString& t5);
    void RemoveAllNetworkInterface() { m_interfaces.clear(); }
    void AddNetworkDNS(const QString& name, const QString& server);
    void RemoveAllNetworkDNS() { m_dns.clear(); }
    void AddAutoLaunch(const QString& a, const QString& b) { m_autoLaunch.append({a, b}); }
    void RemoveAllAutoLaunch() { m_autoLaunch.clear(); }
    void SetAutoLaunchList(const QList<_Instruction>& list) { m_autoLaunch = list; }
    void AddService(const QString& a, const QString& b, int number) { m_services.append({a, b, number}); }
    void RemoveAllService() { m_services.clear(); }
    void SetServiceList(const QList<_Service>& list) { m_services = list; }
    void GetNetworkIFList(QList<_Network>& list) const { list = m_interfaces; }
    void GetNetworkDNSList(QList<_DNSList>& list) const { list = m_dns; }
    void GetAutoLaunchList(QList<_Instruction>& list) const { list = m_autoLaunch; }
    void GetServiceList(QList<_Service>& list) const { list = m_services; }

    // Transfers to and from this agent. Positions are indexes into the list of the type's direction
    // (downloads for type 2, uploads otherwise); -1 stands for none.
    int GetUploadCount() const { return int(m_uploads.size()); }
    int GetDownloadCount() const { return int(m_downloads.size()); }
    QString GetDownloadData() const;
    QList<_TransferA>& Uploads() { return m_uploads; }
    QList<_TransferA>& Downloads() { return m_downloads; }

    // Refused (-1) while a firmware transfer is open or the agent upgrades, or when the same two paths
    // already travel in that direction. The agent path takes this agent's separators.
    int AddTransfer(int type, int number, const QString& localPath, const QString& agentPath, quint64 size);
    // The next entry after position (from the start for -1) of that direction and number whose given
    // paths match; a null path is not compared.
    int FindTransfer(int type, int number, const QString* localPath, const QString* agentPath,
                     int after = -1) const;
    // Like FindTransfer; an empty path is not compared. Hands back the entry's type and paths.
    int GetTransfer(int& type, int number, QString& localPath, QString& agentPath, int after = -1) const;
    // Reads the entry at a position of the type's direction; -1 for a position outside the list.
    int GetTransfer(int index, int& number, int& type, QString& localPath, QString& agentPath) const;
    // The number of the entry with those paths and status, else -1.
    int GetTransferID(int type, int status, const QString& localPath, const QString& agentPath) const;
    int GetTransferCount(int type) const;
    const _TransferA* TransferAt(int type, int position) const;
    // Removes one entry; a firmware entry closes the transfer window. The type, or -1.
    int RemoveTransfer(int type, int position);
    // Removes every match. A firmware entry among them closes the transfer window and leaves the agent
    // upgrading (result 1); else the type of the last entry removed, -1 when nothing matched.
    int RemoveTransfers(int type, int number, const QString* localPath, const QString* agentPath);
    void SetTransferStatus(int type, int position, int status);
    void PrepareTransfer(int type, int position) { SetTransferStatus(type, position, 0); }
    void BeginTransfer(int type, int position) { SetTransferStatus(type, position, 1); }
    void SetTransferSize(int type, int position, quint64 size);
    void UpdateTransferSize(int type, int position, quint64 done, quint64 total);
    void UpdateTransferID(int type, int position, int number);
    // The same on every entry that matches type, number and the given paths; the count changed.
    int SetTransfersStatus(int type, int number, const QString* localPath, const QString* agentPath,
                           int status);
    int PrepareTransfers(int type, int number, const QString* localPath, const QString* agentPath)
    {
        return SetTransfersStatus(type, number, localPath, agentPath, 0);
    }
    int BeginTransfers(int type, int number, const QString* localPath, const QString* agentPath)
    {
        return SetTransfersStatus(type, number, localPath, agentPath, 1);
    }
    // Also sets the entries prepared.
    int SetTransfersSize(int type, int number, const QString* localPath, const QString* agentPath,
                         quint64 size);
    int UpdateTransfersSize(int type, int number, const QString* localPath, const QString* agentPath,
                            quint64 done, quint64 total);
    int UpdateTransfersID(int type, int number, const QString* localPath, const QString* agentPath,
                          int newNumber);

private:
    QList<_TransferA>& transfers(int type) { return type == ZRT_DOWNLOAD ? m_downloads : m_uploads; }
    const QList<_TransferA>& transfers(int type) const
    {
        return type == ZRT_DOWNLOAD ? m_downloads : m_uploads;
    }
    _TransferA key(int type, int number, const QString* localPath, const QString* agentPath) const;
    template <typename F> int forEachMatch(const _TransferA& key, F&& apply);

    QString m_nick;
    QString m_ip;
    QString m_name;
    QString m_version;
    QString m_currentDirectory;
    int m_modelImage = -1;
    int m_osType = 1;
    QString m_model;
    QString m_host;
    QString m_cpu;
    QString m_osVersion;
    QString m_firmware;
    int m_capacity1[2] = {0, 0};
    int m_capacity0[2] = {0, 0};
    QString m_sysDate;
    QString m_rtcDate;
    QString m_sysTime;
    QString m_rtcTime;
    QList<_Network> m_interfaces;
    QList<_DNSList> m_dns;
    QList<_Instruction> m_autoLaunch;
    QList<_Service> m_services;
    QList<_TransferA> m_uploads;
    QList<_TransferA> m_downloads;
    int m_waitProcess = 0;
    int m_waitService = 0;
    int m_waitAutoInst = 0;
    int m_waitNetInterface = 0;
    int m_waitTime = 0;
    int m_transferFrm = 0;
    int m_upgrading = 0;
    int m_dnsWaiting = 0;
    int m_browseFiles = 0;
    int m_checkingAlive = 0;
    // The control window's key for this agent as last built, with what it was built from, so that
    // its replies do not build it again.
    friend class CZRControl;
    mutable QString m_keyGateway;
    mutable QString m_keyAddress;
    mutable QString m_key;
};

// The IP address part of a nick: the text before its first colon, or the whole nick.
ZRCTRL_EXPORT QString ZRNickAddress(const QString& nick);
// Decimal text to integer the lenient way: leading blanks, a sign, digits; 0 when there are none.
ZRCTRL_EXPORT int ZRDecimal(QStringView text);
