// Transfer entries of agents and gateways: one per file and agent, one per file and gateway.
#include "transfer.h"
#include "zragent.h"
#include "zrgateway.h"

namespace {

bool sameDirection(int entryType, int keyType)
{
    return (entryType == ZRT_DOWNLOAD) == (keyType == ZRT_DOWNLOAD);
}

} // namespace

bool ZRMatchTransfer(const _TransferA& entry, const _TransferA& key)
{
    if (key.agentPath == QLatin1String(ZRT_ANYAGENTPATH)) return entry.localPath == key.localPath;
    const int mask = key.mask;
    if ((mask & ZRTM_NUMBER) && key.number != -1 && entry.number != key.number) return false;
    if ((mask & ZRTM_DIRECTION) && !sameDirection(entry.type, key.type)) return false;
    if ((mask & ZRTM_LOCALPATH) && entry.localPath != key.localPath) return false;
    // A firmware image has no path on the agent worth comparing.
    if ((mask & ZRTM_AGENTPATH) && entry.type != ZRT_FIRMWARE && entry.agentPath != key.agentPath)
        return false;
    const bool bothPaths = (mask & ZRTM_LOCALPATH) && (mask & ZRTM_AGENTPATH);
    if (bothPaths && !(mask & ZRTM_NUMBER) && entry.status != key.status) return false;
    return true;
}

bool ZRMatchTransfer(const _TransferG& entry, const _TransferG& key)
{
    const int mask = key.mask;
    if ((mask & ZRTM_NUMBER) && key.number != -1 && entry.number != key.number) return false;
    if ((mask & ZRTM_GATEWAYFILE) && entry.gatewayFile != key.gatewayFile) return false;
    if ((mask & ZRTM_LOCALPATH) && entry.localPath != key.localPath) return false;
    if ((mask & ZRTM_DIRECTION) && !sameDirection(entry.type, key.type)) return false;
    if ((mask & ZRTM_STAGE) && entry.stage != key.stage) return false;
    if ((mask & ZRTM_TARGETS) && entry.targets != key.targets) return false;
    return true;
}

// ---- CZRAgent ----

_TransferA CZRAgent::key(int type, int number, const QString* localPath, const QString* agentPath) const
{
    _TransferA k;
    k.mask = ZRTM_NUMBER | ZRTM_DIRECTION;
    k.type = type;
    k.number = number;
    if (localPath) {
        k.mask |= ZRTM_LOCALPATH;
        k.localPath = *localPath;
    }
    if (agentPath) {
        k.mask |= ZRTM_AGENTPATH;
        k.agentPath = *agentPath;
    }
    return k;
}

template <typename F> int CZRAgent::forEachMatch(const _TransferA& k, F&& apply)
{
    int count = 0;
    for (_TransferA& t : transfers(k.type)) {
        // The key's type picks the list; entries of the other upload type stay apart.
        if (t.type != k.type && k.agentPath != QLatin1String(ZRT_ANYAGENTPATH)) continue;
        if (ZRMatchTransfer(t, k)) {
            apply(t);
            ++count;
        }
    }
    return count;
}

int CZRAgent::AddTransfer(int type, int number, const QString& localPath, const QString& agentPath,
                          quint64 size)
{
    if (m_transferFrm || m_upgrading) return -1;
    QString path = agentPath;
    if (m_osType == 0) {
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    } else {
        path.replace(QLatin1Char('/'), QLatin1Char('\\'));
        if (m_osType == 2 && path.startsWith(QLatin1Char('\\'))) path[0] = QLatin1Char(':');
    }
    QList<_TransferA>& list = transfers(type);
    for (const _TransferA& t : list) {
        if (t.localPath == localPath && t.agentPath == path) return -1;
    }
    _TransferA entry;
    entry.number = number;
    entry.type = type;
    entry.status = -1;
    entry.size = size;
    entry.localPath = localPath;
    entry.agentPath = path;
    list.append(entry);
    if (type == ZRT_FIRMWARE) StartTransferFrm(1);
    return int(list.size() - 1);
}

int CZRAgent::FindTransfer(int type, int number, const QString* localPath, const QString* agentPath,
                           int after) const
{
    const _TransferA k = key(type, number, localPath, agentPath);
    const QList<_TransferA>& list = transfers(type);
    for (int i = after < 0 ? 0 : after + 1; i < list.size(); ++i) {
        const _TransferA& t = list[i];
        if ((t.type == type || k.agentPath == QLatin1String(ZRT_ANYAGENTPATH)) && ZRMatchTransfer(t, k))
            return i;
    }
    return -1;
}

int CZRAgent::GetTransfer(int& type, int number, QString& localPath, QString& agentPath, int after) const
{
    const int i = FindTransfer(type, number, localPath.isEmpty() ? nullptr : &localPath,
                               agentPath.isEmpty() ? nullptr : &agentPath, after);
    if (i >= 0) {
        const _TransferA& t = transfers(type)[i];
        type = t.type;
        localPath = t.localPath;
        agentPath = t.agentPath;
    }
    return i;
}

int CZRAgent::GetTransfer(int index, int& number, int& type, QString& localPath, QString& agentPath) const
{
    const _TransferA* t = TransferAt(type, index);
    if (t == nullptr) return -1;
    number = t->number;
    type = t->type;
    localPath = t->localPath;
    agentPath = t->agentPath;
    return index;
}

int CZRAgent::GetTransferID(int type, int status, const QString& localPath, const QString& agentPath) const
{
    for (const _TransferA& t : transfers(type)) {
        if (t.type == type && t.status == status && t.localPath == localPath &&
            (type == ZRT_FIRMWARE || t.agentPath == agentPath))
            return t.number;
    }
    return -1;
}

int CZRAgent::GetTransferCount(int type) const
{
    if (type == -1) return int(m_uploads.size() + m_downloads.size());
    return int(transfers(type).size());
}

const _TransferA* CZRAgent::TransferAt(int type, int position) const
{
    const QList<_TransferA>& list = transfers(type);
    if (position < 0 || position >= list.size()) return nullptr;
    return &list[position];
}

int CZRAgent::RemoveTransfer(int type, int position)
{
    QList<_TransferA>& list = transfers(type);
    if (position < 0 || position >= list.size()) return -1;
    const int removed = list[position].type;
    list.removeAt(position);
    if (removed == ZRT_FIRMWARE) StartTransferFrm(0);
    return removed;
}

int CZRAgent::RemoveTransfers(int type, int number, const QString* localPath, const QString* agentPath)
{
    const _TransferA k = key(type, number, localPath, agentPath);
    QList<_TransferA>& list = transfers(type);
    int last = -1;
    bool firmware = false;
    for (int i = 0; i < list.size();) {
        const _TransferA& t = list[i];
        if (t.type == type && ZRMatchTransfer(t, k)) {
            last = t.type;
            firmware = firmware || t.type == ZRT_FIRMWARE;
            list.removeAt(i);
        } else {
            ++i;
        }
    }
    if (firmware) {
        StartTransferFrm(0);
        StartUpgrade(1);
        return 1;
    }
    return last;
}

void CZRAgent::SetTransferStatus(int type, int position, int status)
{
    QList<_TransferA>& list = transfers(type);
    if (position >= 0 && position < list.size()) list[position].status = status;
}

void CZRAgent::SetTransferSize(int type, int position, quint64 size)
{
    QList<_TransferA>& list = transfers(type);
    if (position >= 0 && position < list.size()) list[position].size = size;
}

void CZRAgent::UpdateTransferSize(int type, int position, quint64 done, quint64 total)
{
    QList<_TransferA>& list = transfers(type);
    if (position >= 0 && position < list.size()) {
        list[position].done = done;
        list[position].total = total;
    }
}

void CZRAgent::UpdateTransferID(int type, int position, int number)
{
    QList<_TransferA>& list = transfers(type);
    if (position >= 0 && position < list.size()) list[position].number = number;
}

int CZRAgent::SetTransfersStatus(int type, int number, const QString* localPath, const QString* agentPath,
                                 int status)
{
    return forEachMatch(key(type, number, localPath, agentPath),
                        [status](_TransferA& t) { t.status = status; });
}

int CZRAgent::SetTransfersSize(int type, int number, const QString* localPath, const QString* agentPath,
                               quint64 size)
{
    return forEachMatch(key(type, number, localPath, agentPath), [size](_TransferA& t) {
        t.size = size;
        t.status = 0;
    });
}

int CZRAgent::UpdateTransfersSize(int type, int number, const QString* localPath, const QString* agentPath,
                                  quint64 done, quint64 total)
{
    return forEachMatch(key(type, number, localPath, agentPath), [done, total](_TransferA& t) {
        t.done = done;
        t.total = total;
    });
}

int CZRAgent::UpdateTransfersID(int type, int number, const QString* localPath, const QString* agentPath,
                                int newNumber)
{
    return forEachMatch(key(type, number, localPath, agentPath),
                        [newNumber](_TransferA& t) { t.number = newNumber; });
}

// ---- CZRGateway ----

int CZRGateway::AddTransfer(int type, int& number, const QString& localPath, quint64 size, int targets)
{
    if (type != ZRT_DOWNLOAD) {
        // Only the same kind shares the gateway's copy: a firmware image travels in another form.
        for (_TransferG& g : m_uploads) {
            if (g.type == type && g.localPath == localPath) {
                g.targets += targets;
                number = g.number;
                return g.stage;
            }
        }
    }
    _TransferG entry;
    entry.number = ++m_transferNumber;
    entry.type = type;
    entry.stage = -1;
    entry.targets = targets;
    entry.size = size;
    entry.localPath = localPath;
    transfers(type).append(entry);
    number = entry.number;
    return -1;
}

int CZRGateway::GetTransfer(int type, const QString& localPath, int after) const
{
    const QList<_TransferG>& list = transfers(type);
    for (int i = after < 0 ? 0 : after + 1; i < list.size(); ++i) {
        if (list[i].type == type && list[i].localPath == localPath) return i;
    }
    return -1;
}

int CZRGateway::GetTransferID(int type, const QString& localPath) const
{
    const _TransferG* g = TransferAt(type, GetTransfer(type, localPath));
    return g ? g->number : -1;
}

const _TransferG* CZRGateway::TransferAt(int type, int position) const
{
    const QList<_TransferG>& list = transfers(type);
    if (position < 0 || position >= list.size()) return nullptr;
    return &list[position];
}

int CZRGateway::FindTransferNumber(int type, int number) const
{
    const QList<_TransferG>& list = transfers(type);
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].number == number && sameDirection(list[i].type, type)) return i;
    }
    return -1;
}

QString CZRGateway::GetTransferUnique(int type, int number) const
{
    const _TransferG* g = TransferAt(type, FindTransferNumber(type, number));
    return g ? g->gatewayFile : QString();
}

int CZRGateway::GetFirstTransfer(int type, int stage, int& number, QString& localPath) const
{
    const QList<_TransferG>& list = transfers(type);
    for (int i = 0; i < list.size(); ++i) {
        if (sameDirection(list[i].type, type) && list[i].stage == stage) {
            number = list[i].number;
            localPath = list[i].localPath;
            return i;
        }
    }
    return -1;
}

int CZRGateway::GetUploadTargets(int number, int stage) const
{
    for (const _TransferG& g : m_uploads) {
        if (g.number == number && g.stage == stage) return g.targets;
    }
    return -1;
}

int CZRGateway::GetUploadCount(int stage) const
{
    if (stage == -2) return int(m_uploads.size());
    int count = 0;
    for (const _TransferG& g : m_uploads)
        count += g.stage == stage ? 1 : 0;
    return count;
}

int CZRGateway::IsTransferring2Gateway() const
{
    for (const _TransferG& g : m_uploads)
        if (g.stage < 2) return 1;
    for (const _TransferG& g : m_downloads)
        if (g.stage < 2) return 1;
    return 0;
}

void CZRGateway::BeginTransferAt(int type, int position, int stage, const QString& gatewayFile)
{
    QList<_TransferG>& list = transfers(type);
    if (position < 0 || position >= list.size()) return;
    list[position].stage = stage;
    list[position].gatewayFile = gatewayFile;
}

void CZRGateway::BeginTransferAt(int type, int position, int stage, quint64 size)
{
    QList<_TransferG>& list = transfers(type);
    if (position < 0 || position >= list.size()) return;
    list[position].stage = stage;
    list[position].size = size;
}

void CZRGateway::BeginTransfer(int type, int number, int stage, const QString& gatewayFile)
{
    BeginTransferAt(type, FindTransferNumber(type, number), stage, gatewayFile);
}

void CZRGateway::BeginTransfer(int type, int number, int stage, quint64 size)
{
    BeginTransferAt(type, FindTransferNumber(type, number), stage, size);
}

void CZRGateway::UpdateTransferSize(int type, int number, quint64 done, quint64 total)
{
    const int i = FindTransferNumber(type, number);
    if (i < 0) return;
    transfers(type)[i].done = done;
    transfers(type)[i].total = total;
}

void CZRGateway::DecreaseUploadTarget(int type, int number)
{
    const int i = FindTransferNumber(type, number);
    if (i >= 0 && transfers(type)[i].targets > 0) --transfers(type)[i].targets;
}

QString CZRGateway::UpdateUploadTargets(int type, int status, int number)
{
    QString last;
    for (const auto& agent : m_agents) {
        if (agent->GetTransferCount(type) == 0) continue;
        if (agent->SetTransfersStatus(type, number, nullptr, nullptr, status) > 0) last = agent->GetIPAddr();
    }
    return last;
}

int CZRGateway::RemoveTransferAt(int type, int position)
{
    QList<_TransferG>& list = transfers(type);
    if (position < 0 || position >= list.size()) return -1;
    const int removed = list[position].type;
    list.removeAt(position);
    return removed;
}

int CZRGateway::RemoveTransfer(int type, int number)
{
    return RemoveTransferAt(type, FindTransferNumber(type, number));
}

void CZRGateway::RemoveUploadingAgent(const QString& nick)
{
    CZRAgent& agent = GetAgent(nick);
    for (const _TransferA& t : agent.Uploads())
        DecreaseUploadTarget(t.type, t.number);
}

void CZRGateway::RemoveDownloadingAgent(const QString& nick)
{
    CZRAgent& agent = GetAgent(nick);
    for (const _TransferA& t : agent.Downloads())
        RemoveTransfer(ZRT_DOWNLOAD, t.number);
}

int CZRGateway::RemoveUploadDone(QString& gatewayFile, QString& localPath, int& stage, int& position)
{
    for (int i = position < 0 ? 0 : position; i < m_uploads.size(); ++i) {
        const _TransferG g = m_uploads[i];
        if (g.targets != 0) continue;
        gatewayFile = g.gatewayFile;
        localPath = g.localPath;
        stage = g.stage;
        if (g.stage == 1) {
            // Still on its way to the gateway: its arrival clears the copy.
            position = i + 1;
        } else {
            m_uploads.removeAt(i);
            position = i;
        }
        return g.number;
    }
    position = int(m_uploads.size());
    return -1;
}
