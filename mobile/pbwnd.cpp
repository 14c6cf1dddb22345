#include "pbwnd.h"

#include "resource.h"
#include "zrmobilewnd.h"

#include <dynedit.h>
#include <messagebox.h>
#include <picker.h>
#include <tokenreader.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

namespace {

QString token(const QString& text, int index)
{
    std::u16string out;
    const std::u16string_view v(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
    if (GetTextItemEx(index, v, out) < 0) return QString();
    return QString::fromStdU16String(out);
}

// Quoted items on the wire: the agent's reader undoes these escapes.
QString wireQuoted(const QString& text)
{
    const std::u16string_view v(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
    return u'"' + QString::fromStdU16String(EscapeText(v)) + u'"';
}

// Refuses a number as soon as a character it may not hold is typed.
class NumberValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        for (QChar c : input)
            if (!CZRMobilePBGrid::IsNumberChar(c)) return Invalid;
        return Acceptable;
    }
};

QPushButton* button(QWidget* parent, const QString& text, int id)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QStringLiteral("Ctl%1").arg(id));
    return b;
}

} // namespace

// --- grid ------------------------------------------------------------------------------------

CZRMobilePBGrid::CZRMobilePBGrid(QWidget* parent, bool editable) : CUGCtrl(parent), m_editable(editable)
{
    setObjectName(QStringLiteral("PhoneBookGrid"));
    CreateGrid(IDC_PB_GRID);
}

void CZRMobilePBGrid::OnSetup()
{
    SetNumberCols(3);
    SetSH_Width(0);
    SetColWidth(0, 24);
    const auto caption = [](int id) { return MobileString(id).section(u'\n', 0, 0); };
    const auto width = [](int id, int fallback) {
        bool ok = false;
        const int w = MobileString(id).section(u'\n', 1, 1).toInt(&ok);
        return ok && w > 0 ? w : fallback;
    };
    QuickSetText(1, -1, caption(IDS_PB_COL_NAME));
    QuickSetText(2, -1, caption(IDS_PB_COL_NUMBER));
    SetColWidth(1, width(IDS_PB_COL_NAME, 150));
    SetColWidth(2, width(IDS_PB_COL_NUMBER, 200));
    for (int c = 0; c < 3; ++c) {
        QuickSetBackColor(c, -1, QColor(110, 132, 77));
        QuickSetTextColor(c, -1, Qt::white);
    }
    Clear();
}

QColor CZRMobilePBGrid::OnGetDefBackColor(int)
{
    return QColor(241, 255, 213);
}

bool CZRMobilePBGrid::IsNumberChar(QChar c)
{
    const ushort u = c.unicode();
    return (c >= u'0' && c <= u'9') || c == u'#' || c == u'*' || c == u'+' || u < 32 || u > 126;
}

void CZRMobilePBGrid::Clear()
{
    SetNumberRows(0);
    fit();
}

void CZRMobilePBGrid::fit()
{
    long last = GetNumberRows() - 1;
    while (last >= 0 && IsEmptyRow(last) && !Changed(last))
        --last;
    const long want = m_editable ? qMin<long>(last + 1 + kSpareRows, kMaxIndex) : last + 1;
    const long had = GetNumberRows();
    if (want == had) return;
    SetNumberRows(want);
    for (long r = had; r < want; ++r) {
        if (m_editable) {
            QuickSetCellType(0, r, UGCT_CHECKBOX);
            QuickSetCellTypeEx(0, r, UGCT_CHECKBOXCHECKMARK);
        }
        QuickSetReadOnly(0, r, !m_editable);
        for (int c = 0; c < 3; ++c)
            QuickSetBackColor(c, r, QColor(223, 240, 200));
        QuickSetParam(1, r, 0);
    }
}

bool CZRMobilePBGrid::SetContact(long row, const QString& name, const QString& number, bool changed)
{
    if (row < 0 || row >= kMaxIndex) return false;
    if (row >= GetNumberRows()) {
        // Room up to the row first; fit() adds the spare ones after the last contact.
        const long had = GetNumberRows();
        SetNumberRows(row + 1);
        for (long r = had; r <= row; ++r) {
            if (m_editable) {
                QuickSetCellType(0, r, UGCT_CHECKBOX);
                QuickSetCellTypeEx(0, r, UGCT_CHECKBOXCHECKMARK);
            }
            for (int c = 0; c < 3; ++c)
                QuickSetBackColor(c, r, QColor(223, 240, 200));
        }
    }
    QuickSetText(1, row, name);
    QuickSetText(2, row, number);
    QuickSetParam(1, row, changed ? 1 : 0);
    fit();
    return true;
}

void CZRMobilePBGrid::SetChanged(long row, bool changed)
{
    if (row < 0 || row >= GetNumberRows()) return;
    QuickSetParam(1, row, changed ? 1 : 0);
}

bool CZRMobilePBGrid::Checked(long row) const
{
    CUGCell cell;
    if (GetCell(0, row, &cell) != UG_SUCCESS) return false;
    return cell.GetBool();
}

void CZRMobilePBGrid::SetChecked(long row, bool checked)
{
    QuickSetBool(0, row, checked);
}

QList<_PBItem> CZRMobilePBGrid::Contacts() const
{
    QList<_PBItem> out;
    for (long r = 0; r < GetNumberRows(); ++r)
        if (!IsEmptyRow(r)) out.append({Name(r), Number(r)});
    return out;
}

void CZRMobilePBGrid::SetContacts(const QList<_PBItem>& items, bool changed)
{
    Clear();
    long row = 0;
    for (const _PBItem& item : items)
        if (!SetContact(row++, item.name, item.number, changed)) break;
}

void CZRMobilePBGrid::OnDClicked(int col, long row, QRect*, QPoint*, int)
{
    if (row < 0 || row >= GetNumberRows()) return;
    if (!m_editable) {
        if (col == 2) emit Picked(row);
        return;
    }
    if (col == 1 || col == 2) StartEdit(col, row);
}

int CZRMobilePBGrid::OnEditStart(int col, long, QWidget** edit)
{
    if (!m_editable || (col != 1 && col != 2)) return 0;
    auto* e = new QLineEdit;
    e->setObjectName(QStringLiteral("CellEdit"));
    if (col == 2) e->setValidator(new NumberValidator(e));
    *edit = e;
    return 1;
}

int CZRMobilePBGrid::OnEditFinish(int col, long row, QWidget*, const QString& string, bool cancelFlag)
{
    if (cancelFlag) return 0;
    if (col == 2)
        for (QChar c : string)
            if (!IsNumberChar(c)) return 0;
    if (string != QuickGetText(col, row)) {
        QuickSetParam(1, row, 1);
        emit Edited(row);
    }
    return 1;
}

// --- page ------------------------------------------------------------------------------------

CZRMobilePBWnd::CZRMobilePBWnd(CZRMobileWnd* owner) : CZRMobileTmplWnd(owner, IDS_PB_TITLE, IDS_DESC_PB)
{
    m_grid = new CZRMobilePBGrid(this, true);
    m_grid->setMinimumHeight(220);
    Body()->addWidget(m_grid, 1);
    auto* row = new QHBoxLayout;
    m_saveBtn = button(this, QStringLiteral("Save"), IDC_PB_SAVE);
    m_deleteBtn = button(this, QStringLiteral("Delete"), IDC_PB_DELETE);
    m_exportBtn = button(this, QStringLiteral("Export"), IDC_PB_EXPORT);
    m_importBtn = button(this, QStringLiteral("Import"), IDC_PB_IMPORT);
    for (QPushButton* b : {m_saveBtn, m_deleteBtn, m_exportBtn, m_importBtn})
        row->addWidget(b);
    row->addStretch(1);
    Body()->addLayout(row);
    connect(m_saveBtn, &QPushButton::clicked, this, &CZRMobilePBWnd::Save);
    connect(m_deleteBtn, &QPushButton::clicked, this, &CZRMobilePBWnd::Delete);
    connect(m_exportBtn, &QPushButton::clicked, this, &CZRMobilePBWnd::Export);
    connect(m_importBtn, &QPushButton::clicked, this, &CZRMobilePBWnd::Import);
}

void CZRMobilePBWnd::EnableControls(bool enable)
{
    for (QPushButton* b : {m_saveBtn, m_deleteBtn, m_exportBtn, m_importBtn})
        b->setEnabled(enable);
}

void CZRMobilePBWnd::Refresh()
{
    // Showing a page drops a parked request: a save that waited for the gate starts over with
    // the next Save, its row still marked changed.
    m_saveQueue.clear();
    m_saveCursor = -1;
    // Rows the operator changed are not overwritten by a new list unasked: saved, they stay as
    // typed; dropped, the list is read again.
    bool changed = false;
    for (long r = 0; r < m_grid->GetNumberRows(); ++r)
        changed = changed || m_grid->Changed(r);
    if (changed) {
        QPointer<CZRMobilePBWnd> self(this);
        const int answer = message(IDS_PB_SAVE_FIRST, QString(), MB_ICONQUESTION, MB_OKCANCEL);
        if (!self) return;
        if (answer == IDOK) {
            Save();
            return;
        }
    }
    m_reload = true;
    Owner()->SendGated(54, nullptr);
}

void CZRMobilePBWnd::Reset()
{
    m_reload = false;
    m_saveQueue.clear();
    m_saveCursor = -1;
    m_importing = false;
    m_import.clear();
    m_grid->Clear();
}

void CZRMobilePBWnd::OnContact(const QString& text)
{
    bool ok = false;
    const int index = token(text, 0).toInt(&ok);
    if (m_reload) {
        m_grid->Clear();
        m_reload = false;
    }
    if (!ok || index < 1 || index > CZRMobilePBGrid::kMaxIndex) return;
    m_grid->SetContact(index - 1, token(text, 1), token(text, 2), false);
}

void CZRMobilePBWnd::OnListEnd()
{
    // A list without entries leaves no stale rows behind.
    if (m_reload) m_grid->Clear();
    m_reload = false;
    emit ContactsChanged();
}

void CZRMobilePBWnd::OnListFailed()
{
    m_reload = false;
}

int CZRMobilePBWnd::message(int textId, const QString& more, unsigned icon, unsigned buttons)
{
    const QString text = more.isEmpty() ? MobileString(textId) : MobileString(textId) + u'\n' + more;
    return Owner()->Message(text, IDS_PB_TITLE, QString(), icon, buttons);
}

void CZRMobilePBWnd::Save()
{
    m_saveQueue.clear();
    for (long r = 0; r < m_grid->GetNumberRows(); ++r)
        if (m_grid->Changed(r)) m_saveQueue.push_back(r);
    if (m_saveCursor < 0) saveNext();
}

void CZRMobilePBWnd::saveNext()
{
    while (!m_saveQueue.empty()) {
        const long row = m_saveQueue.front();
        m_saveQueue.pop_front();
        if (row >= m_grid->GetNumberRows() || !m_grid->Changed(row)) continue;
        const QString text = QStringLiteral("%1 %2 %3")
                                 .arg(row + 1)
                                 .arg(wireQuoted(m_grid->Name(row)), wireQuoted(m_grid->Number(row)));
        const bool wasReady = Owner()->IsReady();
        m_saveCursor = row;
        if (Owner()->SendGated(55, &text) || !wasReady) return; // sent, or waits for the gate
        // Not sent: the rows stay changed for the next Save.
        m_saveCursor = -1;
        m_saveQueue.clear();
        return;
    }
    m_saveCursor = -1;
}

void CZRMobilePBWnd::OnSaved()
{
    if (m_saveCursor < 0) return;
    m_grid->SetChanged(m_saveCursor, false);
    m_saveCursor = -1;
    saveNext();
}

void CZRMobilePBWnd::OnSaveFailed()
{
    // The row keeps its change for a later Save; the others go on.
    m_saveCursor = -1;
    saveNext();
}

void CZRMobilePBWnd::Delete()
{
    std::vector<long> rows;
    for (long r = 0; r < m_grid->GetNumberRows(); ++r)
        if (m_grid->Checked(r)) rows.push_back(r);
    if (rows.empty()) return;
    QPointer<CZRMobilePBWnd> self(this);
    if (message(IDS_DELETE_CONFIRM, QString(), MB_ICONQUESTION, MB_OKCANCEL) != IDOK || !self) return;
    for (long r : rows) {
        m_grid->SetChecked(r, false);
        m_grid->SetContact(r, QString(), QString(), true);
    }
    Save();
}

void CZRMobilePBWnd::Export()
{
    QPointer<CZRMobilePBWnd> self(this);
    bool changed = false;
    for (long r = 0; r < m_grid->GetNumberRows(); ++r)
        changed = changed || m_grid->Changed(r);
    if (changed && message(IDS_PB_SAVE_FIRST, QString(), MB_ICONQUESTION, MB_OKCANCEL) == IDOK && self)
        Save();
    if (!self) return;
    CZRMobileExportDlg dlg(this);
    if (dlg.exec() != QDialog::Accepted || !self) return;
    // Empty rows are no contacts; an empty book replaces no file, here or on the device.
    const QList<_PBItem> items = m_grid->Contacts();
    if (items.isEmpty()) {
        message(IDS_PB_EMPTY, QString(), MB_ICONINFORMATION, MB_OK);
        return;
    }
    if (dlg.Local()) {
        const QString path = JoinPBPath(dlg.LocalDir(), dlg.FileName());
        QString error;
        if (QFileInfo::exists(path) &&
            message(IDS_PB_REPLACE, path, MB_ICONQUESTION, MB_OKCANCEL | MB_DEFBUTTON2) != IDOK) {
            // The file stays; a device export chosen as well still goes.
        } else if (!self) {
            return;
        } else if (!WritePBFile(path, items, &error)) {
            message(IDS_PB_LOCAL_EXPORT_FAILED, error, MB_ICONERROR, MB_OK);
        } else {
            message(IDS_PB_LOCAL_EXPORTED, QString(), MB_ICONINFORMATION, MB_OK);
        }
        if (!self) return;
    }
    if (dlg.Device()) {
        for (const _PBItem& item : items) {
            QString number = item.number;
            number.replace(u' ', QString()); // one item on the line
            const QString line = wireQuoted(item.name) + u' ' + number;
            Owner()->SendNow(58, &line);
        }
        const QString end = wireQuoted(JoinPBPath(dlg.DeviceDir(), dlg.FileName()));
        Owner()->SendNow(59, &end);
    }
}

void CZRMobilePBWnd::Import()
{
    QPointer<CZRMobilePBWnd> self(this);
    CZRMobileImportDlg dlg(this);
    if (dlg.exec() != QDialog::Accepted || !self) return;
    m_import.clear();
    m_importing = false;
    if (dlg.FromLocal()) {
        QString error;
        if (!ReadPBFile(dlg.LocalFile(), &m_import, &error, CZRMobilePBGrid::kMaxIndex)) {
            message(IDS_PB_LOCAL_OPEN_FAILED, error, MB_ICONERROR, MB_OK);
            return;
        }
        previewImport();
        return;
    }
    m_importing = true;
    const QString text = wireQuoted(dlg.DeviceFile());
    if (!Owner()->SendNow(60, &text)) m_importing = false;
}

void CZRMobilePBWnd::OnImportLine(const QString& text)
{
    if (!m_importing || m_import.size() >= CZRMobilePBGrid::kMaxIndex) return;
    m_import.append({token(text, 0), token(text, 1)});
}

void CZRMobilePBWnd::OnImportEnd()
{
    if (!m_importing) return;
    m_importing = false;
    // The preview is a modal dialog: it opens once the reply has been handled.
    QMetaObject::invokeMethod(this, &CZRMobilePBWnd::previewImport, Qt::QueuedConnection);
}

void CZRMobilePBWnd::OnImportFailed()
{
    m_importing = false;
}

void CZRMobilePBWnd::previewImport()
{
    QPointer<CZRMobilePBWnd> self(this);
    // An empty file never empties the phone book.
    if (m_import.isEmpty()) {
        message(IDS_PB_EMPTY, QString(), MB_ICONINFORMATION, MB_OK);
        return;
    }
    CZRMobilePBDlg dlg(this, CZRMobilePBDlg::ImportPreview, m_import);
    if (dlg.exec() != QDialog::Accepted || !self) return;
    // Row n holds device index n + 1, as for listed contacts; every row goes to the device.
    m_grid->SetContacts(m_import, true);
    Save();
}

// --- dialogs ---------------------------------------------------------------------------------

CZRMobilePBDlg::CZRMobilePBDlg(QWidget* parent, Mode mode, const QList<_PBItem>& items)
    : QDialog(parent), m_mode(mode)
{
    setObjectName(QStringLiteral("PhoneBookDlg"));
    setWindowTitle(MobileString(IDS_PB_TITLE));
    auto* column = new QVBoxLayout(this);
    auto* text = new QLabel(MobileString(mode == Picker ? IDS_PB_PICK_TEXT : IDS_PB_IMPORT_TEXT), this);
    text->setObjectName(QStringLiteral("DlgText"));
    column->addWidget(text);
    m_grid = new CZRMobilePBGrid(this, false);
    m_grid->setMinimumSize(400, 240);
    column->addWidget(m_grid, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CZRMobilePBDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_grid, &CZRMobilePBGrid::Picked, this, [this](long row) {
        m_grid->GotoRow(row);
        accept();
    });
    SetContacts(items);
}

void CZRMobilePBDlg::SetContacts(const QList<_PBItem>& items)
{
    m_grid->SetContacts(items, false);
}

void CZRMobilePBDlg::FollowPage(CZRMobilePBWnd* page)
{
    connect(page, &CZRMobilePBWnd::ContactsChanged, this, [this, page] { SetContacts(page->Contacts()); });
}

void CZRMobilePBDlg::accept()
{
    if (m_mode == ImportPreview) {
        if (ShowMessage(this, MobileString(IDS_PB_IMPORT_CONFIRM), MobileString(IDS_PB_TITLE),
                        MB_ICONQUESTION, MB_OKCANCEL) != IDOK)
            return;
    } else {
        const long row = m_grid->GetCurrentRow();
        m_chosen = row >= 0 && row < m_grid->GetNumberRows() ? m_grid->Number(row) : QString();
    }
    QDialog::accept();
}

namespace {

QLineEdit* pathEdit(QWidget* parent, const QString& name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMinimumWidth(260);
    return e;
}

// An edit with a button beside it that fills it from a chooser.
QWidget* withBrowse(QWidget* parent, QLineEdit* edit, std::function<QString()> choose)
{
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    edit->setParent(box);
    row->addWidget(edit, 1);
    auto* browse = new QPushButton(QStringLiteral("..."), box);
    browse->setObjectName(edit->objectName() + QStringLiteral("Browse"));
    browse->setFixedWidth(32);
    row->addWidget(browse);
    QObject::connect(browse, &QPushButton::clicked, edit, [edit, choose] {
        const QString chosen = choose();
        if (!chosen.isEmpty()) edit->setText(chosen);
    });
    return box;
}

} // namespace

CZRMobileExportDlg::CZRMobileExportDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ExportDlg"));
    setWindowTitle(QStringLiteral("Export to File"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Filename:"), this), 0, 0);
    m_name = new CDynEdit(this);
    m_name->setObjectName(QStringLiteral("Ctl12119"));
    m_name->SetTextType(CDynEdit::TypeName);
    grid->addWidget(m_name, 0, 1);
    m_local = new QCheckBox(QStringLiteral("Export to local site (on your PC)."), this);
    m_local->setObjectName(QStringLiteral("Ctl12121"));
    grid->addWidget(m_local, 1, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Directory:"), this), 2, 0);
    m_localDir = pathEdit(this, QStringLiteral("Ctl12124"));
    grid->addWidget(withBrowse(this, m_localDir,
                               [this] {
                                   return Pickers().Folder(this, QStringLiteral("Directory"),
                                                           m_localDir->text());
                               }),
                    2, 1);
    m_device = new QCheckBox(QStringLiteral("Export to the device."), this);
    m_device->setObjectName(QStringLiteral("Ctl12125"));
    grid->addWidget(m_device, 3, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Directory:"), this), 4, 0);
    m_deviceDir = pathEdit(this, QStringLiteral("Ctl12127"));
    grid->addWidget(m_deviceDir, 4, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    grid->addWidget(buttons, 5, 0, 1, 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &CZRMobileExportDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CZRMobileExportDlg::FileName() const
{
    return m_name->text().trimmed();
}
bool CZRMobileExportDlg::Local() const
{
    return m_local->isChecked();
}
QString CZRMobileExportDlg::LocalDir() const
{
    return m_localDir->text().trimmed();
}
bool CZRMobileExportDlg::Device() const
{
    return m_device->isChecked();
}
QString CZRMobileExportDlg::DeviceDir() const
{
    return m_deviceDir->text().trimmed();
}

void CZRMobileExportDlg::accept()
{
    const QString caption = MobileString(IDS_PB_TITLE);
    if (!Local() && !Device()) {
        ShowMessage(this, MobileString(IDS_CHOOSE_OPTION), caption, MB_ICONERROR, MB_OK);
        return;
    }
    if (FileName().isEmpty() || (Local() && LocalDir().isEmpty()) || (Device() && DeviceDir().isEmpty())) {
        ShowMessage(this, MobileString(IDS_PB_NEED_FILE), caption, MB_ICONERROR, MB_OK);
        return;
    }
    QDialog::accept();
}

CZRMobileImportDlg::CZRMobileImportDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ImportDlg"));
    setWindowTitle(QStringLiteral("Import from File"));
    auto* grid = new QGridLayout(this);
    m_local = new QRadioButton(QStringLiteral("Import from local site (your PC)."), this);
    m_local->setObjectName(QStringLiteral("Ctl12130"));
    m_local->setChecked(true);
    grid->addWidget(m_local, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("File:"), this), 1, 0);
    m_localFile = pathEdit(this, QStringLiteral("Ctl12134"));
    grid->addWidget(withBrowse(this, m_localFile,
                               [this] {
                                   const QStringList files =
                                       Pickers().OpenFiles(this, QStringLiteral("File"), m_localFile->text(),
                                                           QStringLiteral("All files (*)"), false);
                                   return files.isEmpty() ? QString() : files.front();
                               }),
                    1, 1);
    m_device = new QRadioButton(QStringLiteral("Import from the device."), this);
    m_device->setObjectName(QStringLiteral("Ctl12131"));
    grid->addWidget(m_device, 2, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("File:"), this), 3, 0);
    m_deviceFile = pathEdit(this, QStringLiteral("Ctl12136"));
    grid->addWidget(m_deviceFile, 3, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    grid->addWidget(buttons, 4, 0, 1, 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &CZRMobileImportDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool CZRMobileImportDlg::FromLocal() const
{
    return m_local->isChecked();
}
QString CZRMobileImportDlg::LocalFile() const
{
    return m_localFile->text().trimmed();
}
QString CZRMobileImportDlg::DeviceFile() const
{
    return m_deviceFile->text().trimmed();
}

void CZRMobileImportDlg::accept()
{
    if ((FromLocal() ? LocalFile() : DeviceFile()).isEmpty()) {
        ShowMessage(this, MobileString(IDS_PB_NEED_FILE), MobileString(IDS_PB_TITLE), MB_ICONERROR, MB_OK);
        return;
    }
    QDialog::accept();
}
