// Records that travel between the control core, its client threads and the console.
#pragma once

#include "zrctrl_global.h"

#include <QList>
#include <QString>
#include <QStringList>

// One request or one reply. Requests carry value 0 and an empty gateway; replies carry the
// receive result (or the connection event's error) and the name of the gateway they came from.
struct ZRCTRL_EXPORT _Message
{
    quint16 value = 0;
    quint16 code = 0;
    QString nick;
    QString text;
    QString gateway;
};

// One file request (191, 195, 197).
struct ZRCTRL_EXPORT _MessageFile
{
    quint16 value = 0;
    quint16 code = 0;
    QString nick;        // the agent's nick; for 197 the gateway's IP address
    QString path;        // file on the console's machine
    QString destination; // path on the agent; unused for firmware images
    QString tag;         // the file's name at the gateway
    qint32 firmware = 0;
    qint32 count = 0;
};

// A reply handed to the console unchanged (mobile, Modbus, pass-on notifications).
struct ZRCTRL_EXPORT _Notice
{
    quint16 code = 0;
    QString key;
    QString text;
};

struct ZRCTRL_EXPORT _Network
{
    qint32 number = 0;
    QString name; // the interface's name, its key
    QString text2;
    QString text3;
    QString text4;
    QString text5;
};

struct ZRCTRL_EXPORT _DNSList
{
    QString name;
    QStringList servers;
};

struct ZRCTRL_EXPORT _Instruction
{
    QString text0;
    QString text1;
};

struct ZRCTRL_EXPORT _Service
{
    QString text0;
    QString text1;
    qint32 number = 0;
};

// Kept for the console's log pane; carries nothing yet.
class ZRCTRL_EXPORT CZRLog
{
public:
    CZRLog() = default;
    ~CZRLog() = default;
    CZRLog(const CZRLog&) = default;
    CZRLog& operator=(const CZRLog&) = default;
};
