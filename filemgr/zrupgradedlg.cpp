#include "zrupgradedlg.h"

#include "fmstrings.h"
#include "messagebox.h"
#include "picker.h"
#include "resource.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CZRUpgradeDlg::CZRUpgradeDlg(QWidget* parent, int selfDelete)
    : CZRTargetDlg(parent, selfDelete, IDC_UG_SELECTED, IDC_UG_OTHERS, IDC_UG_TO_OTHERS, IDC_UG_TO_SELECTED)
{
    setObjectName(QString::number(IDD));
    setWindowTitle(fmtext::s(fmtext::kFirmwareUpgrade));

    auto* intro = new QLabel(fmtext::s(fmtext::kUpgradeIntro), this);
    intro->setWordWrap(true);
    auto* label = new QLabel(fmtext::s(fmtext::kFirmwareFile), this);
    label->setObjectName(QString::number(IDC_UG_FILELABEL));
    m_file = new QLineEdit(this);
    m_file->setObjectName(QString::number(IDC_UG_FILE));
    m_file->setAccessibleName(label->text());
    label->setBuddy(m_file);
    auto* browse = new QPushButton(tr("Browse..."), this);
    browse->setObjectName(QString::number(IDC_UG_BROWSE));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, [this] { GetFile(); });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("Upgrade"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CZRUpgradeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(intro);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(label);
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);
    lay->addLayout(fileRow);
    lay->addWidget(DeviceGroup(), 1);
    lay->addWidget(buttons);
    resize(DialogUnits(250, 220));
}

void CZRUpgradeDlg::SetRequestUpgrade(ZRTransferAction action, int code, void* context)
{
    m_action = action;
    m_code = code;
    m_context = context;
}

int CZRUpgradeDlg::GetFile()
{
    const QStringList picked =
        Pickers().OpenFiles(this, fmtext::s(fmtext::kFirmwareUpgrade), GetLocalDirectory(), QString(), false);
    if (picked.isEmpty() || picked.first().isEmpty()) return 0;
    m_file->setText(picked.first());
    return 1;
}

QString CZRUpgradeDlg::GetUpgradeFile() const
{
    return m_file->text();
}

void CZRUpgradeDlg::SetUpgradeFile(const QString& path)
{
    m_file->setText(path);
}

int CZRUpgradeDlg::ApplyUpgrade()
{
    const QFileInfo info(GetUpgradeFile());
    if (!info.isFile() || !info.isReadable()) return -1;
    if (m_action == nullptr) return 0;
    _TransferRequest request;
    request.kind = 1;
    request.size = quint64(info.size());
    request.localPath = GetUpgradeFile();
    request.remotePath = QString::fromUtf16(kRemotePath);
    return ApplyTo(m_action, m_code, m_context, request);
}

void CZRUpgradeDlg::accept()
{
    if (GetUpgradeFile().isEmpty() || Agents(0).isEmpty()) return;
    const QString caption = fmtext::s(fmtext::kFirmwareUpgrade);
    if (ShowMessage(this, fmtext::s(fmtext::kUpgradeConfirm), caption, MB_ICONQUESTION, MB_OKCANCEL) != IDOK)
        return;
    const int refused = ApplyUpgrade();
    if (refused < 0) {
        // Closing here would look like an upgrade under way while nothing was started.
        ShowMessage(this, fmtext::s(fmtext::kFirmwareUnreadable) + u'\n' + GetUpgradeFile(), caption,
                    MB_ICONERROR, MB_OK);
        return;
    }
    // The console told the operator why it refused; the dialog stays for another try.
    if (refused > 0) return;
    QDialog::accept();
}
