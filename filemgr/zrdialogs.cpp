#include "zrdialogs.h"

#include "dynedit.h"
#include "fmstrings.h"
#include "messagebox.h"
#include "resource.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace {
ZRDialogHandler& dialogHandler()
{
    static ZRDialogHandler h;
    return h;
}
ZROpenHandler& openHandler()
{
    static ZROpenHandler h;
    return h;
}

// Three digits, each 0 to 7 (one or two digits read as the low ones).
int parseMode(const QString& text)
{
    if (text.isEmpty() || text.size() > 3) return -1;
    int mode = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('7')) return -1;
        mode = mode * 10 + (c.unicode() - '0');
    }
    return mode;
}
} // namespace

void SetDialogHandler(ZRDialogHandler handler)
{
    dialogHandler() = std::move(handler);
}

int RunDialog(QDialog* dialog)
{
    if (dialogHandler()) return dialogHandler()(dialog);
    return dialog->exec();
}

void SetOpenHandler(ZROpenHandler handler)
{
    openHandler() = std::move(handler);
}

bool OpenWithDesktop(const QUrl& url)
{
    if (openHandler()) return openHandler()(url);
    return QDesktopServices::openUrl(url);
}

CZRChangeModeDlg::CZRChangeModeDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(fmtext::s(fmtext::kChangeMode));
    auto* lay = new QVBoxLayout(this);
    m_description = new QLabel(QStringLiteral("Please select the new attributes for the "), this);
    m_description->setObjectName(QString::number(IDC_CM_DESCRIPTION));
    m_description->setWordWrap(true);
    lay->addWidget(m_description);
    const char* groups[3] = {"Owner permissions", "Group permissions", "Other permissions"};
    const char* labels[9] = {"&Read",    "&Write", "&Execute", "Re&ad",   "W&rite",
                             "E&xecute", "Rea&d",  "Wr&ite",   "Exe&cute"};
    auto* row = new QHBoxLayout;
    for (int g = 0; g < 3; ++g) {
        auto* box = new QGroupBox(QString::fromLatin1(groups[g]), this);
        auto* bl = new QVBoxLayout(box);
        for (int b = 0; b < 3; ++b) {
            QCheckBox* c = m_checks[g * 3 + b] = new QCheckBox(QString::fromLatin1(labels[g * 3 + b]), box);
            bl->addWidget(c);
            connect(c, &QCheckBox::clicked, this, &CZRChangeModeDlg::checksChanged);
        }
        row->addWidget(box);
    }
    lay->addLayout(row);
    auto* num = new QHBoxLayout;
    auto* numLabel = new QLabel(QStringLiteral("&Numeric value:"), this);
    m_numeric = new CDynEdit(this);
    m_numeric->setObjectName(QString::number(IDC_CM_NUMERIC));
    m_numeric->SetTextType(CDynEdit::TypeFileMode);
    m_numeric->setText(QStringLiteral("000"));
    numLabel->setBuddy(m_numeric);
    num->addWidget(numLabel);
    num->addWidget(m_numeric);
    lay->addLayout(num);
    connect(m_numeric, &QLineEdit::textChanged, this, &CZRChangeModeDlg::numericEdited);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(buttons);
}

void CZRChangeModeDlg::SetObject(int kind, const QString& name)
{
    m_object =
        QStringLiteral(" %1 (%2).").arg(kind ? QStringLiteral("file") : QStringLiteral("directory"), name);
    m_description->setText(QStringLiteral("Please select the new attributes for the ") + m_object);
}

QString CZRChangeModeDlg::GetDescription() const
{
    return m_description->text();
}

void CZRChangeModeDlg::SetNumericMode(quint16 mode)
{
    SetNumericMode(QStringLiteral("%1").arg(mode, 3, 10, QLatin1Char('0')));
}

void CZRChangeModeDlg::SetNumericMode(const QString& text)
{
    m_updating = true;
    m_numeric->setText(text);
    m_updating = false;
    SetCheckMode(text.toInt());
}

void CZRChangeModeDlg::SetPermission(int digit, bool& read, bool& write, bool& execute)
{
    read = digit & 4;
    write = digit & 2;
    execute = digit & 1;
}

void CZRChangeModeDlg::SetCheckMode(int mode)
{
    const int digits[3] = {mode / 100 % 10, mode / 10 % 10, mode % 10};
    for (int who = 0; who < 3; ++who) {
        bool r, w, x;
        SetPermission(digits[who], r, w, x);
        m_checks[who * 3]->setChecked(r);
        m_checks[who * 3 + 1]->setChecked(w);
        m_checks[who * 3 + 2]->setChecked(x);
    }
}

int CZRChangeModeDlg::GetMode() const
{
    return parseMode(m_numeric->text());
}

QString CZRChangeModeDlg::GetNumericText() const
{
    return m_numeric->text();
}

QLineEdit* CZRChangeModeDlg::NumericEdit() const
{
    return m_numeric;
}

void CZRChangeModeDlg::checksChanged()
{
    QString text;
    for (int who = 0; who < 3; ++who)
        text += QString::number((m_checks[who * 3]->isChecked() ? 4 : 0) +
                                (m_checks[who * 3 + 1]->isChecked() ? 2 : 0) +
                                (m_checks[who * 3 + 2]->isChecked() ? 1 : 0));
    m_updating = true;
    m_numeric->setText(text);
    m_updating = false;
}

void CZRChangeModeDlg::numericEdited(const QString& text)
{
    if (m_updating) return;
    const int mode = parseMode(text);
    if (mode >= 0) SetCheckMode(mode);
}

void CZRChangeModeDlg::accept()
{
    if (GetMode() < 0) {
        ShowMessage(this, fmtext::s(fmtext::kBadMode), windowTitle(), MB_ICONERROR, MB_OK);
        return;
    }
    QDialog::accept();
}

CZRInputBox::CZRInputBox(QWidget* parent) : QDialog(parent)
{
    auto* lay = new QVBoxLayout(this);
    m_label = new QLabel(this);
    m_label->setObjectName(QString::number(IDC_IB_PROMPT));
    m_label->setWordWrap(true);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QString::number(IDC_IB_VALUE));
    lay->addWidget(m_label);
    lay->addWidget(m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(buttons);
}

int CZRInputBox::DoModal()
{
    setWindowTitle(m_title);
    m_label->setText(m_prompt);
    m_edit->setText(m_value);
    m_edit->selectAll();
    const int r = RunDialog(this);
    if (r == QDialog::Accepted) m_value = m_edit->text();
    return r;
}

void CZRInputBox::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    m_edit->setFocus();
    m_edit->selectAll();
}

CZRFileDialog::CZRFileDialog(bool open, const QString& defaultExt, const QString& fileName, int flags,
                             const QString& filter, QWidget* parent)
    : QFileDialog(parent)
{
    Q_UNUSED(flags);
    // The extra field needs the dialog's own widgets, not the desktop's native dialog.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (open) setFileMode(QFileDialog::ExistingFiles);
    if (!defaultExt.isEmpty()) setDefaultSuffix(defaultExt);
    if (!fileName.isEmpty()) selectFile(fileName);
    if (!filter.isEmpty()) setNameFilter(filter);
    auto* label = new QLabel(QStringLiteral("Remote Directory:"), this);
    label->setObjectName(QString::number(IDC_FD_REMOTELABEL));
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QString::number(IDC_FD_REMOTEDIR));
    label->setBuddy(m_edit);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(m_edit, row, 1, 1, grid->columnCount() > 2 ? grid->columnCount() - 1 : 1);
    } else if (layout()) {
        layout()->addWidget(label);
        layout()->addWidget(m_edit);
    }
}

void CZRFileDialog::SetRemoteDir(const QString& text)
{
    m_remoteDir = text;
    m_edit->setText(text);
}

void CZRFileDialog::accept()
{
    m_remoteDir = m_edit->text();
    QFileDialog::accept();
}
