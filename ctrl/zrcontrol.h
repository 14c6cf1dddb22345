// The control core: gateway list, request catalogue, connections and their receive workers,
// reply dispatch into the records, notifications to the console, and the keep-alive.
//
// Lives on the GUI thread; every record is read and written there only. Notifications go to the
// object given with SetMainHWND as CZRNotify events, delivered from the event loop after the reply
// that caused them has been handled, in order (1525 is sent at once).
#pragma once

#include "messages.h"
#include "notify.h"
#include "zragent.h"
#include "zrclientthread.h"
#include "zrctrl_global.h"
#include "zrgateway.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ZRTextItems;

class ZRCTRL_EXPORT CZRControl : public QObject
{
    Q_OBJECT

public:
    static constexpr int kKeepAlivePeriod = 30000;

    explicit CZRControl(QObject* parent = nullptr);
    // Ends every connection and returns once every worker has ended.
    ~CZRControl() override;

    void SetMainHWND(QObject* main) { m_main = main; }
    // The keep-alive period; tests shorten it, 30000 ms otherwise.
    void SetKeepAlivePeriod(int ms);
    int KeepAlivePeriod() const { return m_timer.interval(); }
    // Where the test message (1128) goes; the log by default.
    void SetTestHandler(std::function<void(const QString&)> handler) { m_testHandler = std::move(handler); }

    // Gateway list.
    int AddGateway(const QString& name, const QString& ip, const QString& port);
    void RemoveGateway(const QString& name);
    void RemoveAllGateway();
    CZRGateway& GetGateway(const QString& name);
    CZRAgent& GetAgent(const QString& key);
    int IsOnlineGateway(const QString& name) const;
    CZRGateway& GetOnlineGateway();
    int GetGatewayCount() const { return int(m_gateways.size()); }
    int GetGatewayItem(int index, QString& name, QString& ip, QString& port) const;

    // Requests.
    int SendRequest(int number, const QString& arguments, const QString& key);
    int SendRequest(int number, const QString& arguments, const QString& agent, const QString& gateway);
    int SendRequestGet(int number, const QString& nick, CZRGateway& gateway);
    int SendRequestSet(int number, const QString& arguments, const QString& nick, CZRGateway& gateway);
    int SendRequestUpload(int number, const QString& arguments, const QString& nick, CZRGateway& gateway);

    // Text helpers.
    static QString GetTextItem(int index, const QString& text);
    static int GetTextNumber(const QString& text);
    static int ParseNick(const QString& key, QString* left, QString* right);
    static QString ParseFilename(QString& text, QString* path);

    // Connections.
    int Connect2Gateway(const QString& name);
    void Disconnect(CZRGateway& gateway);
    void BreakConnection(const QString& name);
    void BreakAllConnections();
    void AgentDisconnect(const QString& nick, const QString& gateway);
    void WaitExitThread();
    int ThreadExit(quint64 serial);
    int GetThreadCount() const { return int(m_threads.size()); }

    // Reply dispatch.
    int GetReply(const _Message& message);
    void GeneralReply(_Message& message);
    void ErrorMessage(_Message& message);
    void OtherReply(int id, _Message& message);
    void MobileReply(_Message& message);
    void ModbusReply(_Message& message);
    void FileMgrUpdate(_Message& message);
    void FileMgrAddFile(int index, _Message& message);
    // Clears the gateway's copy of an upload once no agent needs it (request 23). 1 when cleared.
    int ClearGatewayFile(int type, int number, CZRGateway& gateway);

    void MessageTEST();
    void OnTimer();

protected:
    bool event(QEvent* e) override;

private:
    CZRGateway* findGateway(const QString& name) const;
    QString makeKey(const CZRGateway& gateway, const QString& address) const;
    // makeKey for the agent's own address.
    QString agentKey(const CZRGateway& gateway, const CZRAgent& agent) const;
    void post(int id, const QString& key, qint64 value = 0, CZRNotify::Payload payload = {});
    void passOn(int id, const _Message& message, CZRGateway& gateway, const QString& address);
    void generalFailure(const _Message& message, const QString& text);
    void transferFailure(CZRGateway& gateway, CZRAgent& agent, int failedCode, const ZRTextItems& items,
                         _Message& message, const QString& key);
    void agentOffline(CZRGateway& gateway, CZRAgent& agent);
    void fileAtGateway(CZRGateway& gateway, _Message& message);
    void fileDelivered(CZRGateway& gateway, CZRAgent& agent, _Message& message, const QString& key);
    void transferProgress(CZRGateway& gateway, CZRAgent& agent, _Message& message, const QString& key);
    void downloadAccepted(CZRGateway& gateway, CZRAgent& agent, _Message& message, const QString& key);
    CZRClientThread* takeThread(quint64 serial);
    static QEvent::Type flushEventType();
    // GetReply on a message the caller gives up.
    int route(_Message& message);
    void flushOutbox();

    QPointer<QObject> m_main;
    std::vector<std::unique_ptr<CZRGateway>> m_gateways;
    QHash<QString, CZRGateway*> m_byName;
    std::vector<std::unique_ptr<CZRClientThread>> m_threads;
    CZRGateway m_emptyGateway;
    std::optional<CZRAgent> m_emptyAgent{std::in_place};
    bool m_emptyLent = false;
    QTimer m_timer;
    quint64 m_nextSerial = 1;
    std::function<void(const QString&)> m_testHandler;
    std::deque<std::unique_ptr<CZRNotify>> m_outbox;
    bool m_flushPosted = false;
    mutable QString m_lastKeyGateway;
    mutable QString m_lastKeyAddress;
    mutable QString m_lastKey;
    // Replies of a connection name one gateway over and over; the last one found is kept.
    mutable QString m_lastGatewayName;
    mutable CZRGateway* m_lastGateway = nullptr;
};
