// Transfer records: per agent and file, per gateway and file, the notice that reports them, and
// the directory entry of a remote listing.
#pragma once

#include "zrctrl_global.h"

#include <QString>

// Transfer kinds.
enum ZRTransferType { ZRT_UPLOAD = 0, ZRT_FIRMWARE = 1, ZRT_DOWNLOAD = 2 };

struct ZRCTRL_EXPORT _TransferA
{
    qint32 mask = 28;
    qint32 number = -1;
    qint32 type = 0;
    qint32 status = -1; // -1 queued, 0 prepared, 1 running
    quint32 done = 0;
    quint64 total = 0;
    quint64 size = 0;
    QString localPath;
    QString agentPath;
};

struct ZRCTRL_EXPORT _TransferG
{
    qint32 mask = 20;
    qint32 number = -1;
    qint32 type = 0;
    qint32 stage = -1; // -1 new, 1 accepted, 2 at the gateway
    qint32 targets = 0;
    quint64 done = 0;
    quint64 total = 0;
    quint64 size = 0;
    QString localPath;
    QString gatewayFile;
};

struct ZRCTRL_EXPORT _TransferNotice
{
    qint32 number = -1;
    qint32 type = 0;
    qint32 status = 0;
    quint32 done = 0;
    quint64 total = 0;
    quint64 size = 0;
    QString localPath;
    QString agentPath;
};

// One line of a remote directory listing; the closing entry carries only its index.
struct ZRCTRL_EXPORT _FileEntry
{
    qint32 index = 0;
    qint32 kind = 0; // 0 directory ("d"), 2 drive (":"), 1 file
    QString name;
    quint64 size = 0;
    QString text;
    qint32 number = 0;
};
