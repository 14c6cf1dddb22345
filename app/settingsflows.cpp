// The agent settings flows of the document: network, auto-launch and date and time, each asked for
// by a command and opened as a modeless dialog when the agent's answer is complete, and the
// Properties command with its three folders.
#include "agenttree.h"
#include "mainframe.h"
#include "resource.h"
#include "tarndoc.h"

#include <messagebox.h>
#include <profilefile.h>
#include <resources.h>
#include <zrautolaunchdlg.h>
#include <zrcontrol.h>
#include <zrdatetimedlg.h>
#include <zrnetworkdlg.h>
#include <zrpropertiesdlg.h>

#include <QDir>
#include <QFileInfo>

namespace {
QString keyOf(const QString& gateway, const QString& agent)
{
    return gateway + u'|' + agent;
}

// A name as the agent reads it: quoted when it holds a blank.
QString quotedIfBlank(const QString& name)
{
    return name.contains(u' ') ? QStringLiteral("\"%1\"").arg(name) : name;
}
} // namespace

bool CTarnDoc::IsSettingsCommand(int id)
{
    switch (id) {
    case ID_CTX_NETWORK:
    case ID_CTX_AUTOLAUNCH:
    case ID_CTX_DATETIME:
    case ID_NETWORK:
    case ID_AUTOLAUNCH:
    case ID_DATETIME:
    case ID_PROPERTIES:
        return true;
    default:
        return false;
    }
}

void CTarnDoc::OnSettingsCommand(int id)
{
    if (id == ID_PROPERTIES) {
        OnProperties();
        return;
    }
    QString gateway, agent;
    if (id == ID_CTX_NETWORK || id == ID_CTX_AUTOLAUNCH || id == ID_CTX_DATETIME) {
        if (!ContextAgent(&gateway, &agent)) return;
    } else {
        const QStringList targets = SelectionTargets(&gateway, true);
        if (targets.isEmpty()) return;
        agent = targets.first();
    }
    const QString key = keyOf(gateway, agent);
    CZRAgent& record = m_control->GetAgent(key);
    if (record.GetNick().isEmpty()) return;
    // A reply lost earlier must not leave its mark behind: each opening starts from a clean slate,
    // or every later answer would be taken for the one before it.
    switch (id) {
    case ID_CTX_NETWORK:
    case ID_NETWORK:
        record.WaitNetInterface(0);
        record.ResetDNSWaiting();
        m_askedNetwork.remove(key);
        if (m_control->SendRequest(9, QString(), key)) m_askedNetwork.insert(key);
        break;
    case ID_CTX_AUTOLAUNCH:
    case ID_AUTOLAUNCH:
        record.WaitAutoInstList(0);
        m_askedAutoLaunch.remove(key);
        if (m_control->SendRequest(13, QString(), key)) m_askedAutoLaunch.insert(key);
        break;
    default: // date and time
        record.WaitTimeInfo(0);
        m_askedTime.remove(key);
        if (m_control->SendRequest(16, QString(), key)) {
            m_askedTime.insert(key);
            if (record.GetOSType(0) == 0) m_control->SendRequest(17, QString(), key);
        }
        break;
    }
}

bool CTarnDoc::OnSettingsNotify(const CZRNotify& n)
{
    switch (n.id()) {
    case zrmsg::NetInterfaces:
        onNetInterfaces(n.key());
        return true;
    case zrmsg::DNSServers:
        onDNSServers(n.key());
        return true;
    case zrmsg::AutoLaunch:
        // Only an answer the operator asked for opens a window.
        if (m_askedAutoLaunch.remove(n.key())) openAutoLaunchDlg(n.key());
        return true;
    case zrmsg::DateTime:
        if (m_askedTime.remove(n.key())) openDateTimeDlg(n.key());
        return true;
    default:
        return false;
    }
}

void CTarnDoc::onNetInterfaces(const QString& key)
{
    if (!m_askedNetwork.contains(key)) return;
    CZRAgent& agent = m_control->GetAgent(key);
    // The interfaces just received stay; the servers are asked for afresh.
    agent.RemoveAllNetworkDNS();
    agent.ResetDNSWaiting();
    QList<_Network> interfaces;
    agent.GetNetworkIFList(interfaces);
    if (agent.GetOSType(1) != 0) {
        for (const _Network& i : interfaces)
            if (m_control->SendRequest(10, quotedIfBlank(i.name), key)) agent.IncreaseDNSWaiting(1);
    } else if (!interfaces.isEmpty()) {
        if (m_control->SendRequest(10, QString(), key)) agent.IncreaseDNSWaiting(1);
    }
    // Nothing to wait for: an agent without interfaces still gets its (empty) dialog.
    if (interfaces.isEmpty()) {
        m_askedNetwork.remove(key);
        openNetworkDlg(key);
    }
}

void CTarnDoc::onDNSServers(const QString& key)
{
    CZRAgent& agent = m_control->GetAgent(key);
    // Nothing awaited: a stray or repeated answer.
    if (!m_askedNetwork.contains(key) || !agent.IsWaitingDNSReply()) return;
    agent.IncreaseDNSWaiting(0);
    if (agent.IsWaitingDNSReply()) return;
    m_askedNetwork.remove(key);
    openNetworkDlg(key);
}

void CTarnDoc::showModeless(QDialog* dlg)
{
    // At least what its layout asks for, and the size it chose for itself.
    dlg->resize(dlg->size().expandedTo(dlg->sizeHint()));
    const QRect frame = m_frame->geometry();
    dlg->move(frame.center() - QPoint(dlg->width() / 2, dlg->height() / 2));
    m_modeless = dlg;
    dlg->show();
    dlg->raise();
    dlg->activateWindow();
}

void CTarnDoc::openNetworkDlg(const QString& key)
{
    QString gateway, address;
    CZRControl::ParseNick(key, &gateway, &address);
    const CZRAgent& agent = m_control->GetAgent(key);
    if (agent.GetNick().isEmpty()) return;
    auto* dlg = new CZRNetworkDlg(m_frame, 0);
    dlg->SetNick(key);
    dlg->AddTitleInfo(address);
    dlg->SetApplyAction(&CTarnDoc::SendMessageCB, this);
    dlg->SetActionType(11, 12);
    if (agent.GetOSType(1) == 0) dlg->SetOSType(0);
    QList<_Network> interfaces;
    agent.GetNetworkIFList(interfaces);
    for (const _Network& i : interfaces) {
        dlg->AddInterface(i.number, i.name, i.text2, i.text3, i.text4, i.text5);
        dlg->AddDNSList(i.name, QString(), QString());
    }
    QList<_DNSList> dns;
    agent.GetNetworkDNSList(dns);
    for (const _DNSList& d : dns)
        dlg->AddDNSList(d.name, d.servers.value(0), d.servers.value(1), d.servers.mid(2));
    showModeless(dlg);
}

void CTarnDoc::openAutoLaunchDlg(const QString& key)
{
    QString gateway, address;
    CZRControl::ParseNick(key, &gateway, &address);
    const CZRAgent& agent = m_control->GetAgent(key);
    if (agent.GetNick().isEmpty()) return;
    auto* dlg = new CZRAutoLaunchDlg(m_frame, 0);
    dlg->SetNick(key);
    dlg->AddTitleInfo(address);
    dlg->SetApplyAction(&CTarnDoc::AutoLaunchCB, 0, m_control.get());
    QList<_Instruction> list;
    agent.GetAutoLaunchList(list);
    for (const _Instruction& e : list)
        dlg->AddAutoLaunch(e.text0, e.text1);
    showModeless(dlg);
}

void CTarnDoc::openDateTimeDlg(const QString& key)
{
    QString gateway, address;
    CZRControl::ParseNick(key, &gateway, &address);
    const CZRAgent& agent = m_control->GetAgent(key);
    if (agent.GetNick().isEmpty()) return;
    auto* dlg = new CZRDateTimeDlg(m_frame, 0);
    dlg->SetNick(key);
    dlg->AddTitleInfo(address);
    dlg->SetApplyAction(&CTarnDoc::SendMessageCB, this);
    dlg->SetActionType(18, 19);
    // Type 2 agents keep one clock like type 1 ones.
    const int os = agent.GetOSType(0);
    dlg->SetOSType(os);
    ++m_msgBoxShowing; // a refused time is told in a box before the dialog shows
    dlg->SetSYSTime(agent.GetSYSDate() + u' ' + agent.GetSYSTime());
    if (os == 0) dlg->SetRTCTime(agent.GetRTCDate() + u' ' + agent.GetRTCTime());
    --m_msgBoxShowing;
    showModeless(dlg);
}

int CTarnDoc::AutoLaunchCB(QStringList list, int number, void* context, const QString& key)
{
    Q_UNUSED(number);
    auto* control = static_cast<CZRControl*>(context);
    if (control == nullptr) return 0;
    // Each entry, then the closing request that makes the new list the agent's.
    int sent = 0;
    for (const QString& line : list)
        sent += control->SendRequest(14, line, key);
    sent += control->SendRequest(15, QString(), key);
    return sent;
}

void CTarnDoc::OnProperties()
{
    CZRPropertiesDlg dlg(m_frame, 1);
    dlg.SetUploadDirectory(m_uploadLocalDir, m_uploadRemoteDir);
    dlg.SetUpgradeDirectory(m_upgradeLocalDir);
    QPointer<CTarnDoc> self(this);
    const int result = dlg.exec();
    if (!self || result != 1) return;
    // A folder that is gone by now keeps the one before it.
    auto existing = [](const QString& path) {
        const QFileInfo info(path);
        return !path.isEmpty() && info.exists() && info.isDir();
    };
    if (existing(dlg.GetUploadLocalDir())) m_uploadLocalDir = dlg.GetUploadLocalDir();
    if (existing(dlg.GetUpgradeLocalDir())) m_upgradeLocalDir = dlg.GetUpgradeLocalDir();
    m_uploadRemoteDir = dlg.GetUploadRemoteDir();
    ProfileFile profile(m_profilePath);
    const bool written =
        profile.WriteString(QStringLiteral("File Upload"), QStringLiteral("LocalDir"), m_uploadLocalDir) &&
        profile.WriteString(QStringLiteral("File Upload"), QStringLiteral("RemoteDir"), m_uploadRemoteDir) &&
        profile.WriteString(QStringLiteral("Firmware Upgrade"), QStringLiteral("LocalDir"),
                            m_upgradeLocalDir);
    if (!written)
        Message(0, QStringLiteral("The folders could not be saved to %1.").arg(m_profilePath), IDS_ERROR,
                QString(), MB_ICONERROR, MB_OK);
}

void CTarnDoc::forgetSettingsRequests(const QString& gateway, const QString& agent)
{
    // An empty agent: every agent of the gateway.
    const QString prefix = gateway + u'|';
    for (QSet<QString>* asked : {&m_askedNetwork, &m_askedAutoLaunch, &m_askedTime})
        asked->removeIf([&](const QString& key) {
            return agent.isEmpty() ? key.startsWith(prefix) : key == prefix + agent;
        });
}
