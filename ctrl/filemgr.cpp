// File-route replies: remote directory listings and file operations, and transfer reports.
#include "textitems.h"
#include "zrcontrol.h"

namespace {

// A size as the agent reports it; saturates instead of wrapping, so a huge file never reads as small.
quint64 sizeItem(QStringView text)
{
    quint64 value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        const quint64 digit = c.unicode() - '0';
        if (value > (~quint64(0) - digit) / 10) return ~quint64(0);
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

void CZRControl::FileMgrUpdate(_Message& m)
{
    CZRGateway* gw = findGateway(m.gateway);
    if (gw == nullptr || !gw->IsConnect()) return;
    CZRAgent& agent = gw->GetAgent(m.nick);
    agent.CheckAlive(0);
    const QString key = makeKey(*gw, agent.GetIPAddr());

    switch (m.code) {
    case 212:
        m.nick = agent.GetIPAddr();
        FileMgrAddFile(agent.GetBrowseFiles(), m);
        agent.IncreaseBrowseFiles(1);
        break;
    case 213: {
        m.nick = agent.GetIPAddr();
        _FileEntry closing;
        closing.index = agent.GetBrowseFiles();
        post(zrmsg::DirectoryEntry, key, 0, closing);
        agent.ResetBrowseFiles();
        break;
    }
    case 216:
    case 218:
    case 224:
        post(zrmsg::RemoteFileDone, key, 1);
        break;
    case 222:
        post(zrmsg::RemoteFileDone, key, 0);
        break;
    case 192:
        fileAtGateway(*gw, m);
        break;
    case 196:
        fileDelivered(*gw, agent, m, key);
        break;
    case 199:
        transferProgress(*gw, agent, m, key);
        break;
    case 202:
        downloadAccepted(*gw, agent, m, key);
        break;
    default: // 198, 206, 220, 226 need nothing
        break;
    }
}

namespace {

_TransferNotice notice(int number, int type, int status, const _TransferA* entry, const QString& local,
                       const QString& agentPath)
{
    _TransferNotice n;
    n.number = number;
    n.type = type;
    n.status = status;
    if (entry) {
        n.done = entry->done;
        n.total = entry->total;
        n.size = entry->size;
    }
    n.localPath = local;
    n.agentPath = agentPath;
    return n;
}

} // namespace

// A report names its transfer by paths and type; one that matches no entry changes nothing, since
// a search with an unknown number would match every entry.

void CZRControl::fileAtGateway(CZRGateway& gw, _Message& m)
{
    const ZRTextItems items(m.text);
    const QString local = items.item(0);
    const QString gatewayFile = items.item(2);
    const int type = ZRDecimal(items.view(3));
    const int number = gw.GetTransferID(type, local);
    if (number < 0) return;
    gw.BeginTransfer(type, number, 2, gatewayFile);
    if (ClearGatewayFile(type, number, gw)) return;
    // Collect first: sending may change the agents' lists.
    struct Target
    {
        QString address, local, agentPath;
        _TransferNotice n;
    };
    std::vector<Target> targets;
    for (const auto& agent : gw.GetAgentList()) {
        for (int i = 0; i < agent->GetTransferCount(type); ++i) {
            const _TransferA* t = agent->TransferAt(type, i);
            if (t->type != type || t->number != number) continue;
            agent->SetTransferStatus(type, i, 1);
            targets.push_back({agent->GetIPAddr(), t->localPath, t->agentPath,
                               notice(number, type, ZRTS_ATGATEWAY, t, t->localPath, t->agentPath)});
        }
    }
    const QString name = gw.GetName();
    for (const Target& t : targets) {
        const QString text = QStringLiteral("\"%1\" \"%2\" \"%3\" %4 %5")
                                 .arg(t.local, t.agentPath, gatewayFile)
                                 .arg(type)
                                 .arg(0);
        SendRequest(22, text, t.address, name); // dropped for an agent that upgrades
        post(zrmsg::TransferStarted, makeKey(gw, t.address), 0, t.n);
    }
}

void CZRControl::fileDelivered(CZRGateway& gw, CZRAgent& agent, _Message& m, const QString& key)
{
    const ZRTextItems items(m.text);
    if (items.count() < 4) return;
    const QString local = items.item(0);
    const QString agentPath = items.item(1);
    const int type = ZRDecimal(items.view(3));
    const int at = agent.FindTransfer(type, -1, &local, &agentPath);
    if (at < 0) {
        OtherReply(zrmsg::PassOn, m);
        return;
    }
    const _TransferA entry = *agent.TransferAt(type, at);
    agent.RemoveTransfers(type, entry.number, &local, &agentPath);
    gw.DecreaseUploadTarget(type, entry.number);
    ClearGatewayFile(type, entry.number, gw);
    post(zrmsg::TransferFinished, key, 0,
         notice(entry.number, type, ZRTS_FINISHED, &entry, entry.localPath, entry.agentPath));
    OtherReply(zrmsg::PassOn, m);
}

void CZRControl::transferProgress(CZRGateway& gw, CZRAgent& agent, _Message& m, const QString& key)
{
    const ZRTextItems items(m.text);
    const QString local = items.item(0);
    const QString agentPath = items.item(1);
    const int type = ZRDecimal(items.view(2));
    const bool finished = ZRDecimal(items.view(4)) != 0;
    const quint64 done = sizeItem(items.view(5));
    const quint64 total = sizeItem(items.view(6));
    const bool leg = ZRDecimal(items.view(7)) != 0;
    const int number = gw.GetTransferID(type, local);
    if (number < 0) return;
    const int at = agent.FindTransfer(type, number, &local, &agentPath);
    const _TransferA* entry = agent.TransferAt(type, at);
    _TransferNotice n = notice(number, type, 0, entry, local, agentPath);
    n.done = done;
    n.total = total;

    if (type == ZRT_DOWNLOAD && finished && leg) {
        // The download has reached the gateway; the last leg runs now.
        gw.UpdateTransferSize(type, number, done, total);
        gw.BeginTransfer(type, number, 2, gw.TransferAt(type, gw.FindTransferNumber(type, number))->size);
        agent.BeginTransfers(type, number, &local, &agentPath);
        n.status = ZRTS_ATGATEWAY;
        post(zrmsg::TransferStarted, key, 0, n);
    } else if (type == ZRT_DOWNLOAD && finished) {
        if (at < 0) return; // not this agent's download
        agent.RemoveTransfers(type, number, &local, &agentPath);
        gw.RemoveTransfer(type, number);
        n.status = ZRTS_FINISHED;
        post(zrmsg::TransferFinished, key, 0, n);
        m.code = 206;
        m.text = QStringLiteral("\"%1\" \"%2\"").arg(local, agentPath);
        OtherReply(zrmsg::PassOn, m);
    } else if (leg == (type != ZRT_DOWNLOAD)) {
        if (at < 0) return;
        agent.UpdateTransfersSize(type, number, &local, &agentPath, done, total);
        n.status = ZRTS_TOAGENT;
        post(zrmsg::TransferProgress, key, 0, n);
    } else {
        gw.UpdateTransferSize(type, number, done, total);
        n.status = ZRTS_TOGATEWAY;
        post(zrmsg::TransferProgress, key, 0, n);
    }
}

void CZRControl::downloadAccepted(CZRGateway& gw, CZRAgent& agent, _Message& m, const QString& key)
{
    const ZRTextItems items(m.text);
    const QString local = items.item(0);
    const QString agentPath = items.item(1);
    const quint64 size = sizeItem(items.view(2));
    const int number = gw.GetTransferID(ZRT_DOWNLOAD, local);
    if (number < 0) return;
    gw.BeginTransfer(ZRT_DOWNLOAD, number, 1, size);
    agent.SetTransfersSize(ZRT_DOWNLOAD, number, &local, &agentPath, size);
    const _TransferA* entry =
        agent.TransferAt(ZRT_DOWNLOAD, agent.FindTransfer(ZRT_DOWNLOAD, number, &local, &agentPath));
    _TransferNotice n = notice(number, ZRT_DOWNLOAD, ZRTS_TOGATEWAY, entry, local, agentPath);
    n.size = size;
    post(zrmsg::TransferProgress, key, 0, n);
}

int CZRControl::ClearGatewayFile(int type, int number, CZRGateway& gw)
{
    if (gw.GetUploadTargets(number, 2) != 0) return 0;
    const int at = gw.FindTransferNumber(type, number);
    if (at < 0) return 0;
    const QString gatewayFile = gw.TransferAt(type, at)->gatewayFile;
    gw.RemoveTransferAt(type, at);
    SendRequestUpload(23, gatewayFile, QString(), gw);
    if (gw.GetTransferCount() == 0) post(zrmsg::TransfersOver, gw.GetName(), type);
    return 1;
}

void CZRControl::FileMgrAddFile(int index, _Message& m)
{
    CZRGateway* gw = findGateway(m.gateway);
    if (gw == nullptr || !gw->IsConnect()) return;
    const ZRTextItems items(m.text);
    _FileEntry entry;
    entry.index = index;
    const QStringView kind = items.view(0);
    entry.kind = kind == QLatin1String("d") ? 0 : kind == QLatin1String(":") ? 2 : 1;
    entry.name = items.item(1);
    entry.size = sizeItem(items.view(2));
    entry.text = items.item(3);
    entry.number = ZRDecimal(items.view(4));
    post(zrmsg::DirectoryEntry, makeKey(*gw, m.nick), 0, entry);
}

void CZRControl::transferFailure(CZRGateway& gw, CZRAgent& agent, int failedCode, const ZRTextItems& items,
                                 _Message& m, const QString& key)
{
    const QString local = items.item(1);
    const QString agentPath = items.item(2);
    QString text = items.item(4);
    int type = ZRDecimal(items.view(3));
    bool found = false;
    _TransferNotice n;

    if (failedCode == 191) {
        // The file never reached the gateway: every agent waiting for it fails with it.
        const int number = gw.GetTransferID(type, local);
        if (number >= 0) {
            found = true;
            const int at = gw.FindTransferNumber(type, number);
            n = notice(number, type, ZRTS_FAILEDGATEWAY, nullptr, local, agentPath);
            n.size = gw.TransferAt(type, at)->size;
            gw.RemoveTransferAt(type, at);
            for (const auto& a : gw.GetAgentList()) {
                if (a->RemoveTransfers(type, number, &local, nullptr) == 1) a->StartUpgrade(0);
            }
        }
    } else if (failedCode == 195) {
        const int at = agent.FindTransfer(type, -1, &local, &agentPath);
        if (at >= 0) {
            found = true;
            const _TransferA entry = *agent.TransferAt(type, at);
            n = notice(entry.number, type, ZRTS_FAILEDAGENT, &entry, local, agentPath);
            // A firmware image that failed to arrive leaves the agent as it was.
            if (agent.RemoveTransfers(type, entry.number, &local, &agentPath) == 1) agent.StartUpgrade(0);
            gw.DecreaseUploadTarget(type, entry.number);
            ClearGatewayFile(type, entry.number, gw);
        }
        text = (type == ZRT_FIRMWARE ? QStringLiteral("Upgrade failed: \n")
                                     : QStringLiteral("Upload failed: \n")) +
               text + QLatin1Char('\n');
    } else {
        type = ZRT_DOWNLOAD;
        const int number = gw.GetTransferID(ZRT_DOWNLOAD, local);
        if (number >= 0) {
            found = true;
            const _TransferA* entry =
                agent.TransferAt(ZRT_DOWNLOAD, agent.FindTransfer(ZRT_DOWNLOAD, number, &local, nullptr));
            n = notice(number, ZRT_DOWNLOAD, failedCode == 201 ? ZRTS_FAILEDGATEWAY : ZRTS_FAILEDAGENT, entry,
                       local, agentPath);
            gw.RemoveTransfer(ZRT_DOWNLOAD, number);
            agent.RemoveTransfers(ZRT_DOWNLOAD, number, &local, nullptr);
        }
    }
    if (found) post(zrmsg::TransferFailed, key, 0, n);
    OtherReply(zrmsg::PassOn, m);
    generalFailure(m, text);
}

void CZRControl::agentOffline(CZRGateway& gw, CZRAgent& agent)
{
    const QString nick = agent.GetNick();
    gw.RemoveUploadingAgent(nick);
    gw.RemoveDownloadingAgent(nick);
    // Copies nobody needs any more are cleared at the gateway.
    QString gatewayFile, local;
    int stage = 0;
    int position = 0;
    while (gw.RemoveUploadDone(gatewayFile, local, stage, position) >= 0) {
        if (stage == 2) SendRequestUpload(23, gatewayFile, QString(), gw);
    }
}
