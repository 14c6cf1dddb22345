// Notifications of the control core: events whose type is the console's fixed message number.
// The event owns everything that travels with it, so a receiver neither frees nor leaks it.
#pragma once

#include "messages.h"
#include "transfer.h"
#include "zrctrl_global.h"

#include <QEvent>
#include <QString>
#include <QStringList>

#include <variant>

namespace zrmsg {
// To the control window.
constexpr int Reply = 1126;
constexpr int ThreadExit = 1127;
constexpr int Test = 1128;
// To the main window.
constexpr int GatewayDisconnected = 1525; // sent, key = gateway name
constexpr int LoginAccepted = 1527;
constexpr int RequestFailed = 1528; // key = agent nick, payload = error text
constexpr int AgentOnline = 1535;
constexpr int AgentOffline = 1536;
constexpr int DeviceInfo = 1537;
constexpr int Capacity0 = 1538;
constexpr int Capacity1 = 1539;
constexpr int Process = 1545;
constexpr int ProcessStopped = 1546;
constexpr int Service = 1547;
constexpr int ServiceStarted = 1548;
constexpr int ServiceStopped = 1549;
constexpr int NetInterfaces = 1555;
constexpr int DNSServers = 1556;
constexpr int AutoLaunch = 1565;
constexpr int DateTime = 1575;
constexpr int TransferStarted = 1595;
constexpr int TransfersOver = 1596;
constexpr int TransferFinished = 1597;
constexpr int TransferFailed = 1598;
constexpr int TransferProgress = 1599;
constexpr int RemoteFileDone = 1605;
constexpr int DirectoryEntry = 1606;
constexpr int Mobile = 1615;
constexpr int Modbus = 1625;
constexpr int PassOn = 1635;
} // namespace zrmsg

class ZRCTRL_EXPORT CZRNotify : public QEvent
{
public:
    using Payload = std::variant<std::monostate, QStringList, _Notice, QString, _FileEntry, _TransferNotice>;

    CZRNotify(int id, QString key, qint64 value = 0, Payload payload = {})
        : QEvent(QEvent::Type(id)), m_key(std::move(key)), m_value(value), m_payload(std::move(payload))
    {
    }

    int id() const { return int(type()); }
    // wParam: the agent key, the nick (1528) or the gateway's name (1525, 1596); empty for 1635.
    const QString& key() const { return m_key; }
    // lParam as a number: 0 or 1 where the notification carries no object.
    qint64 value() const { return m_value; }
    bool hasPayload() const { return !std::holds_alternative<std::monostate>(m_payload); }
    const Payload& payload() const { return m_payload; }
    template <typename T> const T* get() const { return std::get_if<T>(&m_payload); }

private:
    QString m_key;
    qint64 m_value;
    Payload m_payload;
};
