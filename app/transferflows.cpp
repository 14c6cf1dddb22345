// The commands that open the upload and firmware upgrade dialogs for agents of one gateway. The
// dialogs hand every file and agent to the document's upload callback, which records and starts
// the transfer or refuses it with its message.
#include "agenttree.h"
#include "mainframe.h"
#include "resource.h"
#include "tarndoc.h"

#include <zrcontrol.h>
#include <zrupgradedlg.h>
#include <zruploaddlg.h>

namespace {
// The request the dialogs' transfers go out with.
constexpr int kUploadRequest = 21;
} // namespace

bool CTarnDoc::IsTransferDlgCommand(int id)
{
    return id == ID_CTX_UPLOAD || id == ID_UPLOAD || id == ID_CTX_UPGRADE || id == ID_UPGRADE;
}

void CTarnDoc::OnTransferDlgCommand(int id)
{
    QString gateway;
    QStringList selected;
    if (id == ID_CTX_UPLOAD || id == ID_CTX_UPGRADE) {
        QString agent;
        if (!ContextAgent(&gateway, &agent) || findAgent(gateway + u'|' + agent) == nullptr) return;
        selected << agent;
    } else {
        // The selected agent, or the checked agents of the selected gateway's device list.
        selected = SelectionTargets(&gateway, false);
        if (gateway.isEmpty()) return;
    }
    CZRTargetDlg* dlg;
    if (id == ID_CTX_UPLOAD || id == ID_UPLOAD) {
        auto* upload = new CZRUploadDlg(m_frame, 0);
        upload->SetRequestUpload(&CTarnDoc::UploadCB, kUploadRequest, this);
        upload->SetRemoteDirectory(m_uploadRemoteDir);
        upload->SetLocalDirectory(m_uploadLocalDir);
        dlg = upload;
    } else {
        auto* upgrade = new CZRUpgradeDlg(m_frame, 0);
        upgrade->SetRequestUpgrade(&CTarnDoc::UploadCB, kUploadRequest, this);
        upgrade->SetLocalDirectory(m_upgradeLocalDir);
        dlg = upgrade;
    }
    dlg->SetNick(gateway);
    for (const QString& agent : std::as_const(selected))
        dlg->AddAgent(0, agent);
    for (const auto& agent : m_control->GetGateway(gateway).GetAgentList())
        if (!dlg->HasAgent(0, agent->GetIPAddr())) dlg->AddAgent(1, agent->GetIPAddr());
    showModeless(dlg);
}

void CTarnDoc::TransferDlgAgentGone(const QString& gateway, const QString& agent)
{
    auto* dlg = qobject_cast<CZRTargetDlg*>(m_modeless.data());
    if (dlg == nullptr || dlg->GetNick() != gateway) return;
    if (agent.isEmpty()) {
        dlg->close();
        dlg->deleteLater();
        m_modeless = nullptr;
        return;
    }
    // Handing it in would only be refused without a word.
    for (int list : {0, 1}) {
        dlg->RemoveAgent(list, agent);
        dlg->RemoveListAgent(list, agent);
    }
}
