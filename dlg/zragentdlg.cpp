#include "zragentdlg.h"

void CZRAgentDlg::AddTitleInfo(const QString& text)
{
    if (!text.isEmpty()) m_title += QStringLiteral(" - %1").arg(text);
}

void CZRAgentDlg::OnInitDialog()
{
    if (m_inited) return;
    m_inited = true;
    setWindowTitle(windowTitle() + m_title);
    OnOpen();
}

void CZRAgentDlg::showEvent(QShowEvent* e)
{
    OnInitDialog();
    QDialog::showEvent(e);
}
