#include "zrpropertiesdlg.h"

#include "picker.h"
#include "zrapplyaction.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CZRPropertiesDlg::CZRPropertiesDlg(QWidget* parent, int selfDelete) : QDialog(parent)
{
    setObjectName(QString::number(IDD));
    setAttribute(Qt::WA_DeleteOnClose, selfDelete == 0);
    setWindowTitle(QStringLiteral("Properties"));
    ZRApplyDialogPalette(this);

    auto makeEdit = [this](int id, bool readOnly, const QString& name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::number(id));
        e->setReadOnly(readOnly);
        e->setAccessibleName(name);
        e->setMinimumWidth(300);
        return e;
    };
    auto makeButton = [this](int id, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_uploadLocalEdit = makeEdit(IDC_UPLOAD_LOCAL, true, tr("Upload local directory"));
    m_uploadRemoteEdit = makeEdit(IDC_UPLOAD_REMOTE, false, tr("Upload remote directory"));
    m_upgradeLocalEdit = makeEdit(IDC_UPGRADE_LOCAL, true, tr("Firmware local directory"));
    m_uploadBrowse = makeButton(IDC_UPLOAD_BROWSE, tr("&Browse..."));
    m_upgradeBrowse = makeButton(IDC_UPGRADE_BROWSE, tr("B&rowse..."));
    m_ok = makeButton(1, tr("OK"));
    m_ok->setDefault(true);
    m_cancel = makeButton(2, tr("Cancel"));

    auto* upload = new QGroupBox(tr("File Upload"), this);
    auto* ug = new QGridLayout(upload);
    ug->addWidget(new QLabel(tr("Local directory:"), upload), 0, 0);
    ug->addWidget(m_uploadLocalEdit, 0, 1);
    ug->addWidget(m_uploadBrowse, 0, 2);
    ug->addWidget(new QLabel(tr("Remote directory:"), upload), 1, 0);
    ug->addWidget(m_uploadRemoteEdit, 1, 1, 1, 2);
    ug->setColumnStretch(1, 1);

    auto* upgrade = new QGroupBox(tr("Firmware Upgrade"), this);
    auto* fg = new QGridLayout(upgrade);
    fg->addWidget(new QLabel(tr("Local directory:"), upgrade), 0, 0);
    fg->addWidget(m_upgradeLocalEdit, 0, 1);
    fg->addWidget(m_upgradeBrowse, 0, 2);
    fg->setColumnStretch(1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(upload);
    lay->addWidget(upgrade);
    lay->addStretch();
    lay->addLayout(bottom);

    connect(m_uploadBrowse, &QPushButton::clicked, this, [this] { OnBrowseUpload(); });
    connect(m_upgradeBrowse, &QPushButton::clicked, this, [this] { OnBrowseUpgrade(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

QPushButton* CZRPropertiesDlg::button(int id) const
{
    switch (id) {
    case IDC_UPLOAD_BROWSE:
        return m_uploadBrowse;
    case IDC_UPGRADE_BROWSE:
        return m_upgradeBrowse;
    case 1:
        return m_ok;
    case 2:
        return m_cancel;
    default:
        return nullptr;
    }
}

void CZRPropertiesDlg::SetUploadDirectory(const QString& local, const QString& remote)
{
    m_uploadLocal = local;
    m_uploadRemote = remote;
    toEdits();
}

void CZRPropertiesDlg::SetUpgradeDirectory(const QString& local)
{
    m_upgradeLocal = local;
    toEdits();
}

void CZRPropertiesDlg::GetUploadDirectory(QString& local, QString& remote) const
{
    local = m_uploadLocal;
    remote = m_uploadRemote;
}

void CZRPropertiesDlg::fromEdits()
{
    m_uploadLocal = m_uploadLocalEdit->text();
    m_uploadRemote = m_uploadRemoteEdit->text();
    m_upgradeLocal = m_upgradeLocalEdit->text();
}

void CZRPropertiesDlg::toEdits()
{
    m_uploadLocalEdit->setText(m_uploadLocal);
    m_uploadRemoteEdit->setText(m_uploadRemote);
    m_upgradeLocalEdit->setText(m_upgradeLocal);
}

void CZRPropertiesDlg::OnBrowseUpload()
{
    fromEdits();
    const QString chosen =
        Pickers().Folder(this, QStringLiteral("Select the local directory for file upload:"), m_uploadLocal);
    if (chosen.isEmpty()) return;
    m_uploadLocal = chosen;
    toEdits();
}

void CZRPropertiesDlg::OnBrowseUpgrade()
{
    fromEdits();
    const QString chosen = Pickers().Folder(
        this, QStringLiteral("Select the local directory for firmware upgrade:"), m_upgradeLocal);
    if (chosen.isEmpty()) return;
    m_upgradeLocal = chosen;
    toEdits();
}

void CZRPropertiesDlg::OnOK()
{
    fromEdits();
    done(1);
}

void CZRPropertiesDlg::OnCancel()
{
    done(2);
}
