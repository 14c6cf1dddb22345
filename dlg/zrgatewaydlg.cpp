#include "zrgatewaydlg.h"

#include "dynedit.h"
#include "ipaddressctrl.h"
#include "messagebox.h"
#include "resources.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
enum : int {
    IDS_GATEWAY_MANAGER = 7030,
    IDS_NAME_REPEATED = 7031,
    IDS_GATEWAY = 7032,
    IDS_SURE_DELETE = 7050
};
}

CZRGatewayDlg::CZRGatewayDlg(QWidget* parent, bool enableConnect)
    : CZRAgentDlg(parent), m_enableConnect(enableConnect)
{
    setObjectName(QString::number(IDD));
    setWindowTitle(LoadResString(IDS_GATEWAY_MANAGER));

    m_listBox = new QListWidget(this);
    m_listBox->setObjectName(QString::number(IDC_LIST));
    m_listBox->setAccessibleName(tr("Gateways"));
    m_listBox->setMinimumWidth(170);
    m_listBox->setSelectionMode(QAbstractItemView::SingleSelection);

    m_name = new CDynEdit(this);
    m_name->setObjectName(QString::number(IDC_NAME));
    m_address = new CIPAddressCtrl(this);
    m_address->setObjectName(QString::number(IDC_IPADDRESS));
    m_port = new CDynEdit(this);
    m_port->setObjectName(QString::number(IDC_PORT));
    m_port->setMaximumWidth(m_port->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);

    auto* form = new QFormLayout;
    form->addRow(tr("&Name:"), m_name);
    form->addRow(tr("&IP Address:"), m_address);
    form->addRow(tr("&Port:"), m_port);
    for (QWidget* w :
         {static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_address), static_cast<QWidget*>(m_port)})
        if (auto* l = qobject_cast<QLabel*>(form->labelForField(w)))
            w->setAccessibleName(l->text().remove(u'&').chopped(1));

    auto makeButton = [this](int id, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_new = makeButton(IDC_NEW, tr("&New"));
    m_save = makeButton(IDC_SAVE, tr("&Save"));
    m_delete = makeButton(IDC_DELETE, tr("&Delete"));
    m_connect = makeButton(IDC_CONNECT, tr("&Connect"));
    m_ok = makeButton(1, tr("OK"));
    m_ok->setDefault(true);
    m_cancel = makeButton(2, tr("Cancel"));

    auto* entryButtons = new QHBoxLayout;
    entryButtons->addStretch();
    entryButtons->addWidget(m_new);
    entryButtons->addWidget(m_save);
    entryButtons->addWidget(m_delete);

    auto* entryBox = new QGroupBox(tr("Gateway"), this);
    auto* entryLay = new QVBoxLayout(entryBox);
    entryLay->addLayout(form);
    entryLay->addStretch();
    entryLay->addLayout(entryButtons);

    auto* listLay = new QVBoxLayout;
    auto* listLabel = new QLabel(tr("&Gateways:"), this);
    listLabel->setBuddy(m_listBox);
    listLay->addWidget(listLabel);
    listLay->addWidget(m_listBox);

    auto* top = new QHBoxLayout;
    top->addLayout(listLay);
    top->addWidget(entryBox, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_connect);
    bottom->addStretch();
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top, 1);
    lay->addLayout(bottom);
    resize(480, 280);

    connect(m_new, &QPushButton::clicked, this, [this] { OnNew(); });
    connect(m_save, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(m_connect, &QPushButton::clicked, this, [this] { OnConnect(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { done(1); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { done(2); });
    connect(m_listBox, &QListWidget::currentRowChanged, this, [this] { OnSelChange(); });
    connect(m_listBox, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_connect->isEnabled()) OnConnect();
    });
}

QPushButton* CZRGatewayDlg::button(int id) const
{
    switch (id) {
    case IDC_NEW:
        return m_new;
    case IDC_SAVE:
        return m_save;
    case IDC_DELETE:
        return m_delete;
    case IDC_CONNECT:
        return m_connect;
    case 1:
        return m_ok;
    case 2:
        return m_cancel;
    default:
        return nullptr;
    }
}

void CZRGatewayDlg::OnOpen()
{
    m_name->SetTextType(CDynEdit::TypeName);
    m_port->SetTextType(CDynEdit::TypeDec);
    m_port->setMaxLength(5);
    m_port->SetRangeNum(1, 65535);
    m_connect->setEnabled(m_enableConnect);
    UpdateList();
    SetNew();
    m_name->setFocus();
}

int CZRGatewayDlg::findEntry(const QString& name) const
{
    for (int i = 0; i < m_list.size(); ++i)
        if (m_list[i].name == name) return i;
    return -1;
}

bool CZRGatewayDlg::listBoxHolds(const QString& text) const
{
    for (int i = 0; i < m_listBox->count(); ++i)
        if (m_listBox->item(i)->text().compare(text, Qt::CaseInsensitive) == 0) return true;
    return false;
}

void CZRGatewayDlg::selectLine(int row)
{
    // A selection made by the dialog itself is not the operator's choice.
    const QSignalBlocker block(m_listBox);
    m_listBox->setCurrentRow(row);
    if (row < 0) m_listBox->clearSelection();
}

bool CZRGatewayDlg::AddListItem(const QString& name, const QString& address, const QString& port)
{
    if (findEntry(name) >= 0) return false;
    m_list.append({name, address, port});
    return true;
}

void CZRGatewayDlg::SetListItem(const QString& name, const QString& address, const QString& port)
{
    if (m_editing < 0 || m_editing >= m_list.size()) return;
    const int other = findEntry(name);
    if (other >= 0 && other != m_editing) return;
    m_list[m_editing] = {name, address, port};
}

void CZRGatewayDlg::RemoveListItem(const QString& name)
{
    const int i = findEntry(name);
    if (i < 0) return;
    m_list.removeAt(i);
    if (m_editing == i)
        m_editing = -1;
    else if (m_editing > i)
        --m_editing;
}

bool CZRGatewayDlg::GetListItem(int index, QString& name, QString& address, QString& port) const
{
    if (index < 0 || index >= m_list.size()) return false;
    const GatewayInfo& g = m_list[index];
    name = g.name;
    address = g.address;
    port = g.port;
    return true;
}

void CZRGatewayDlg::GetItem(QString& name, QString& address, QString& port) const
{
    name = GetName();
    if (name.isEmpty()) {
        const QString base = LoadResString(IDS_GATEWAY);
        name = base;
        for (int n = 2; listBoxHolds(name); ++n)
            name = QStringLiteral("%1-%2").arg(base).arg(n);
    }
    address = GetIPAddr();
    port = GetPort();
}

void CZRGatewayDlg::SetItem(const QString& name, const QString& address, const QString& port)
{
    SetName(name);
    SetIPAddr(address);
    SetPort(port);
}

void CZRGatewayDlg::SetName(const QString& name)
{
    m_name->setText(name);
}

void CZRGatewayDlg::SetIPAddr(const QString& address)
{
    m_address->setText(address);
}

void CZRGatewayDlg::SetPort(const QString& port)
{
    m_port->setText(port);
}

QString CZRGatewayDlg::GetName() const
{
    return m_name->text();
}

QString CZRGatewayDlg::GetIPAddr() const
{
    return m_address->text();
}

QString CZRGatewayDlg::GetPort() const
{
    return m_port->text();
}

void CZRGatewayDlg::SetNew()
{
    m_name->clear();
    m_address->clear();
    m_port->setText(m_defaultPort);
    m_sel = -1;
    m_editing = -1;
    selectLine(-1);
    m_newMode = true;
    m_delete->setEnabled(false);
}

void CZRGatewayDlg::UpdateList()
{
    const QSignalBlocker block(m_listBox);
    m_listBox->clear();
    for (const GatewayInfo& g : m_list)
        m_listBox->addItem(g.name);
}

void CZRGatewayDlg::OnSave()
{
    QString name, address, port;
    GetItem(name, address, port);
    if (m_newMode) {
        if (!AddListItem(name, address, port)) {
            ShowMessage(this, LoadResString(IDS_NAME_REPEATED), LoadResString(IDS_GATEWAY_MANAGER),
                        MB_ICONERROR, MB_OK);
            return;
        }
        m_listBox->addItem(name);
        m_sel = m_listBox->count() - 1;
        selectLine(m_sel);
        return;
    }
    if (m_sel < 0 || m_editing < 0) return;
    SetListItem(name, address, port);
    UpdateList();
    // The list is refilled in list order, so the edited entry keeps its line.
    m_sel = m_editing;
    selectLine(m_sel);
    SetItem(m_list[m_editing].name, m_list[m_editing].address, m_list[m_editing].port);
}

void CZRGatewayDlg::OnDelete()
{
    if (m_newMode || m_sel < 0 || m_editing < 0) return;
    if (ShowMessage(this, LoadResString(IDS_SURE_DELETE), LoadResString(IDS_GATEWAY_MANAGER), MB_ICONQUESTION,
                    MB_OKCANCEL) == IDCANCEL)
        return;
    QListWidgetItem* line = m_listBox->item(m_sel);
    if (!line) return;
    const QString text = line->text();
    {
        const QSignalBlocker block(m_listBox);
        delete m_listBox->takeItem(m_sel);
    }
    RemoveListItem(text);
    m_sel = -1;
    SetNew();
}

void CZRGatewayDlg::OnConnect()
{
    QListWidgetItem* line = m_listBox->currentItem();
    if (!line || !line->isSelected()) return;
    m_selName = line->text();
    done(IDCONNECT);
}

void CZRGatewayDlg::OnSelChange()
{
    m_newMode = false;
    m_sel = m_listBox->currentRow();
    m_editing = -1;
    if (m_sel >= 0) {
        const int i = findEntry(m_listBox->item(m_sel)->text());
        if (i >= 0) {
            m_editing = i;
            SetItem(m_list[i].name, m_list[i].address, m_list[i].port);
        }
    }
    m_delete->setEnabled(m_editing >= 0);
}
