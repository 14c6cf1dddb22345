// Transfer records: per agent and file, per gateway and file, the notice that reports them, and
// the directory entry of a remote listing.
#pragma once

#include "zrctrl_global.h"

#include <QString>

// Transfer kinds.
enum ZRTransferType { ZRT_UPLOAD = 0, ZRT_FIRMWARE = 1, ZRT_DOWNLOAD = 2 };

// What a search compares (the match mask of a key record).
enum ZRTransferMatch {
    ZRTM_NUMBER = 1, // a key number of -1 matches any
    ZRTM_GATEWAYFILE = 2,
    ZRTM_LOCALPATH = 4,
    ZRTM_AGENTPATH = 8,
    ZRTM_DIRECTION = 16, // download or not
    ZRTM_STAGE = 32,
    ZRTM_TARGETS = 64,
};

// Transfer notice statuses.
enum ZRTransferStatus {
    ZRTS_TOGATEWAY = 1, // progress on the console-gateway leg, or a download accepted
    ZRTS_TOAGENT = 2,   // progress on the gateway-agent leg
    ZRTS_ATGATEWAY = 5, // the file is at the gateway and is being sent on
    ZRTS_FINISHED = 6,
    ZRTS_FAILEDGATEWAY = 9,
    ZRTS_FAILEDAGENT = 10,
};

// An agent path that matches every entry of the same local path, whatever the mask.
#define ZRT_ANYAGENTPATH "#LOCAL#"

struct ZRCTRL_EXPORT _TransferA
{
    qint32 mask = 28;
    qint32 number = -1;
    qint32 type = 0;
    qint32 status = -1; // -1 queued, 0 prepared, 1 running
    quint64 done = 0;
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
    quint64 done = 0;
    quint64 total = 0;
    quint64 size = 0;
    QString localPath;
    QString agentPath;
};

// Whether a stored entry answers a search by the key's mask.
ZRCTRL_EXPORT bool ZRMatchTransfer(const _TransferA& entry, const _TransferA& key);
ZRCTRL_EXPORT bool ZRMatchTransfer(const _TransferG& entry, const _TransferG& key);

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
