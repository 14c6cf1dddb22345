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
    default:
        // 192, 196, 199, 202: transfer reports, which need the transfer entries the console has not
        // started to keep yet; 198, 206, 220, 226 need nothing.
        break;
    }
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

void CZRControl::transferFailure(CZRGateway& gateway, CZRAgent& agent, int failedCode,
                                 const ZRTextItems& items, _Message& m, const QString& key)
{
    Q_UNUSED(gateway);
    Q_UNUSED(agent);
    Q_UNUSED(key);
    // The transfer entries themselves are not kept yet; what the operator must read goes out.
    OtherReply(zrmsg::PassOn, m);
    QString text = items.item(4);
    if (failedCode == 195) {
        const bool firmware = ZRDecimal(items.view(3)) == 1;
        text = (firmware ? QStringLiteral("Upgrade failed: \n") : QStringLiteral("Upload failed: \n")) +
               text + QLatin1Char('\n');
    }
    generalFailure(m, text);
}

void CZRControl::agentOffline(CZRGateway& gateway, CZRAgent& agent)
{
    // Transfer entries are not kept yet, so there is nothing to end at the gateway.
    Q_UNUSED(gateway);
    Q_UNUSED(agent);
}
