#include "zruploaddlg.h"

#include "fmstrings.h"
#include "messagebox.h"
#include "resource.h"
#include "zrdialogs.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum Column { ColFile, ColRemoteDir, ColPath };

// A remote directory that is only a root adds nothing before the separator.
QString remotePathOf(const QString& directory, const QString& name)
{
    const bool root = directory == QLatin1String("/") || directory == QLatin1String("\\");
    return (root ? QString() : directory) + u'\\' + name;
}

QString fileNameOf(const QString& path)
{
    const qsizetype at = qMax(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(at + 1);
}
} // namespace

CZRUploadDlg::CZRUploadDlg(QWidget* parent, int selfDelete)
    : CZRTargetDlg(parent, selfDelete, IDC_UP_SELECTED, IDC_UP_OTHERS, IDC_UP_TO_OTHERS, IDC_UP_TO_SELECTED)
{
    setObjectName(QString::number(IDD));
    setWindowTitle(fmtext::s(fmtext::kFileUpload));

    auto* intro = new QLabel(fmtext::s(fmtext::kUploadIntro), this);
    intro->setWordWrap(true);
    auto* listLabel = new QLabel(fmtext::s(fmtext::kFileList), this);
    m_files = new QTreeWidget(this);
    m_files->setObjectName(QString::number(IDC_UP_FILELIST));
    m_files->setAccessibleName(listLabel->text());
    listLabel->setBuddy(m_files);
    m_files->setRootIsDecorated(false);
    m_files->setUniformRowHeights(true);
    m_files->setAllColumnsShowFocus(true);
    m_files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_files->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_files->setHeaderLabels(
        {fmtext::s(fmtext::kColFile), fmtext::s(fmtext::kColRemoteDir), fmtext::s(fmtext::kColPath)});
    // The start widths, or the caption's when it needs more.
    const int widths[3] = {80, 80, 150};
    const QFontMetrics header(m_files->header()->font());
    for (int column = 0; column < 3; ++column)
        m_files->setColumnWidth(
            column, qMax(widths[column], header.horizontalAdvance(m_files->headerItem()->text(column)) + 16));
    m_files->header()->setStretchLastSection(true);

    auto* add = new QPushButton(tr("Add"), this);
    add->setObjectName(QString::number(IDC_UP_ADD));
    auto* del = new QPushButton(tr("Delete"), this);
    del->setObjectName(QString::number(IDC_UP_DELETE));
    for (QPushButton* b : {add, del})
        b->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, [this] { AddFiles(); });
    connect(del, &QPushButton::clicked, this, &CZRUploadDlg::onDelete);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("Upload"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CZRUploadDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(intro);
    lay->addWidget(listLabel);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_files, 1);
    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(del);
    side->addStretch();
    fileRow->addLayout(side);
    lay->addLayout(fileRow, 1);
    lay->addWidget(DeviceGroup(), 1);
    lay->addWidget(buttons);
    resize(DialogUnits(250, 270));
}

void CZRUploadDlg::SetRequestUpload(ZRTransferAction action, int code, void* context)
{
    m_action = action;
    m_code = code;
    m_context = context;
}

void CZRUploadDlg::OnOpen()
{
    // Files first: a dialog whose file pick was cancelled goes away.
    if (AddFiles() == 0) QTimer::singleShot(0, this, &QDialog::reject);
}

int CZRUploadDlg::AddFiles()
{
    CZRFileDialog picker(true, QString(), QString(), 0, QString(), this);
    picker.setWindowTitle(fmtext::s(fmtext::kFileUpload));
    picker.setFileMode(QFileDialog::ExistingFiles);
    if (!GetLocalDirectory().isEmpty()) picker.setDirectory(GetLocalDirectory());
    picker.SetRemoteDir(m_remoteDir);
    if (RunDialog(&picker) != QDialog::Accepted) return 0;
    QString remote = picker.GetRemoteDir().trimmed();
    if (remote.isEmpty()) {
        ShowMessage(this, fmtext::s(fmtext::kRemoteBlank), fmtext::s(fmtext::kFileUpload), MB_ICONERROR,
                    MB_OK);
        return 1;
    }
    if (remote.size() > 1 && (remote.endsWith(u'\\') || remote.endsWith(u'/'))) remote.chop(1);
    m_remoteDir = remote;
    const QStringList picked = picker.selectedFiles();
    int at = 0;
    for (const QString& path : picked) {
        const QString name = fileNameOf(path);
        if (name.isEmpty()) continue;
        if (AddFile(at, name, path, remote)) ++at;
    }
    return 1;
}

int CZRUploadDlg::AddFile(int position, const QString& name, const QString& localPath,
                          const QString& remoteDirectory)
{
    if (IsExist(name, localPath, remoteDirectory)) return 0;
    auto* item = new QTreeWidgetItem({name, remoteDirectory, localPath});
    item->setToolTip(ColPath, localPath);
    m_files->insertTopLevelItem(qBound(0, position, m_files->topLevelItemCount()), item);
    // Names and directories stay readable: a column grows beyond its start width to fit them.
    const QFontMetrics fm(m_files->font());
    for (int column : {int(ColFile), int(ColRemoteDir)})
        m_files->setColumnWidth(
            column, qMax(m_files->columnWidth(column), fm.horizontalAdvance(item->text(column)) + 16));
    return 1;
}

bool CZRUploadDlg::IsExist(const QString& name, const QString& localPath,
                           const QString& remoteDirectory) const
{
    for (int i = 0; i < m_files->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_files->topLevelItem(i);
        if (item->text(ColFile) == name && item->text(ColPath) == localPath &&
            item->text(ColRemoteDir) == remoteDirectory)
            return true;
    }
    return false;
}

int CZRUploadDlg::GetFileCount() const
{
    return m_files->topLevelItemCount();
}

void CZRUploadDlg::DeleteFiles()
{
    for (int i = m_files->topLevelItemCount() - 1; i >= 0; --i)
        if (m_files->topLevelItem(i)->isSelected()) delete m_files->takeTopLevelItem(i);
}

void CZRUploadDlg::onDelete()
{
    if (m_files->selectedItems().isEmpty()) return;
    if (ShowMessage(this, fmtext::s(fmtext::kDeleteRows), fmtext::s(fmtext::kFileUpload), MB_ICONQUESTION,
                    MB_OKCANCEL) == IDOK)
        DeleteFiles();
}

int CZRUploadDlg::GetUploadItem(int index, QString& localPath, QString& remotePath) const
{
    if (index < 0 || index >= m_uploads.size()) return 0;
    localPath = m_uploads[index].localPath;
    remotePath = m_uploads[index].remotePath;
    return 1;
}

void CZRUploadDlg::rebuildUploadList()
{
    m_uploads.clear();
    for (int i = 0; i < m_files->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_files->topLevelItem(i);
        m_uploads.append({item->text(ColPath), remotePathOf(item->text(ColRemoteDir), item->text(ColFile))});
    }
}

int CZRUploadDlg::ApplyUpload()
{
    if (m_action == nullptr) return 0;
    int refused = 0;
    for (const _UploadDlg& entry : std::as_const(m_uploads)) {
        const QFileInfo info(entry.localPath);
        // A file that went away or cannot be read is left out for every device.
        if (!info.isFile() || !info.isReadable()) continue;
        _TransferRequest request;
        request.kind = 0;
        request.size = quint64(info.size());
        request.localPath = entry.localPath;
        request.remotePath = entry.remotePath;
        refused += ApplyTo(m_action, m_code, m_context, request);
    }
    return refused;
}

void CZRUploadDlg::accept()
{
    if (m_files->topLevelItemCount() == 0 || Agents(0).isEmpty()) return;
    if (ShowMessage(this, fmtext::s(fmtext::kUploadConfirm), fmtext::s(fmtext::kFileUpload), MB_ICONQUESTION,
                    MB_OKCANCEL) != IDOK)
        return;
    rebuildUploadList();
    // The console told the operator why it refused; the dialog stays for another try.
    if (ApplyUpload() > 0) return;
    QDialog::accept();
}
