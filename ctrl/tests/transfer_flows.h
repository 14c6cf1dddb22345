// How the console starts transfers: records them on agent and gateway, then sends the first request.
#pragma once

#include "zrcontrol.h"

namespace tarntest {

// Starts (or joins) an upload of one local file to one agent. The transfer number, or -1 if refused.
inline int startUpload(CZRControl& control, const QString& key, int kind, const QString& local,
                       const QString& remote, quint64 size)
{
    QString gatewayName, address;
    CZRControl::ParseNick(key, &gatewayName, &address);
    CZRGateway& gw = control.GetGateway(gatewayName);
    CZRAgent& agent = control.GetAgent(key);
    const int at = agent.AddTransfer(kind, gw.GetTransferID(), local, remote, size);
    if (at < 0) return -1;
    int number = -1;
    const int disposition = gw.AddTransfer(kind, number, local, size, 1);
    agent.UpdateTransferID(kind, at, number);
    agent.PrepareTransfer(kind, at);
    if (disposition == -1) {
        gw.BeginTransfer(kind, number, 1, size);
        control.SendRequest(21, QStringLiteral("\"%1\" \"%2\" %3").arg(local, remote).arg(kind), key);
    } else if (disposition == 2) {
        const _TransferA* t = agent.TransferAt(kind, at);
        control.SendRequest(22,
                            QStringLiteral("\"%1\" \"%2\" \"%3\" %4 0")
                                .arg(local, t->agentPath, gw.GetTransferUnique(kind, number))
                                .arg(kind),
                            key);
        agent.BeginTransfer(kind, at);
    }
    return number;
}

// Records a download and sends it when it is the gateway's only one.
inline int startDownload(CZRControl& control, const QString& key, const QString& local, const QString& remote,
                         quint64 size = 0)
{
    QString gatewayName, address;
    CZRControl::ParseNick(key, &gatewayName, &address);
    CZRGateway& gw = control.GetGateway(gatewayName);
    CZRAgent& agent = control.GetAgent(key);
    const int at = agent.AddTransfer(ZRT_DOWNLOAD, gw.GetTransferID(), local, remote, size);
    if (at < 0) return -1;
    int number = -1;
    gw.AddTransfer(ZRT_DOWNLOAD, number, local, size, 1);
    agent.UpdateTransferID(ZRT_DOWNLOAD, at, number);
    if (gw.GetDownloadCount() == 1)
        control.SendRequest(
            24, QStringLiteral("\"%1\" \"%2\"").arg(local, agent.TransferAt(ZRT_DOWNLOAD, at)->agentPath),
            key);
    return number;
}

} // namespace tarntest
