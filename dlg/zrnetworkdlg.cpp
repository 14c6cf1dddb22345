#include "zrnetworkdlg.h"

#include "ipaddressctrl.h"
#include "messagebox.h"
#include "resources.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
enum : int {
    IDS_TAB_IP = 7000,
    IDS_TAB_DNS = 7001,
    IDS_IP_SETTING = 7020,
    IDS_CONFIRM_IP = 7021,
    IDS_INVALID_IP = 7022,
    IDS_INVALID_MASK = 7023,
};
QString tabText(int id, const char* fallback)
{
    const QString s = LoadResString(id);
    return s.isEmpty() ? QString::fromLatin1(fallback) : s;
}

// A name as the agent reads it back: bare, quoted when it holds a blank, "" when empty.
QString wireName(const QString& name)
{
    if (name.isEmpty()) return QStringLiteral("\"\"");
    if (name.contains(u' ')) return QStringLiteral("\"%1\"").arg(name);
    return name;
}

QString wireAddress(const QString& address)
{
    return address.isEmpty() ? QStringLiteral("\"\"") : address;
}

// A part of a dotted text: 1 to 3 digits, 0 to 255.
bool octet(QStringView part, quint32* value)
{
    if (part.isEmpty() || part.size() > 3) return false;
    quint32 v = 0;
    for (QChar c : part) {
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + quint32(c.unicode() - u'0');
    }
    if (v > 255) return false;
    *value = v;
    return true;
}

QString addressOf(const CIPAddressCtrl* ctrl)
{
    return ctrl->isBlank() ? QString() : ctrl->text();
}

QLabel* label(const QString& text, QWidget* parent, int id)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::number(id));
    return l;
}
} // namespace

// ---- IP tab

CZRNetworkIPTab::CZRNetworkIPTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::number(IDD));
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QString::number(IDC_INTERFACE));
    m_combo->setAccessibleName(tr("Interface"));
    m_combo->setMinimumWidth(200);
    m_dhcp = new QRadioButton(tr("DHCP"), this);
    m_dhcp->setObjectName(QString::number(IDC_DHCP));
    m_fixed = new QRadioButton(tr("Fixed IP"), this);
    m_fixed->setObjectName(QString::number(IDC_FIXED));
    auto* group = new QButtonGroup(this);
    group->addButton(m_dhcp, 0);
    group->addButton(m_fixed, 1);
    m_ip = new CIPAddressCtrl(this);
    m_ip->setObjectName(QString::number(IDC_IP));
    m_ip->setAccessibleName(tr("IP address"));
    m_mask = new CIPAddressCtrl(this);
    m_mask->setObjectName(QString::number(IDC_MASK));
    m_mask->setAccessibleName(tr("Subnet mask"));
    m_gateway = new CIPAddressCtrl(this);
    m_gateway->setObjectName(QString::number(IDC_GATEWAY));
    m_gateway->setAccessibleName(tr("Default gateway"));
    m_mac = new QLineEdit(this);
    m_mac->setObjectName(QString::number(IDC_MAC));
    m_mac->setReadOnly(true);
    m_mac->setAccessibleName(tr("MAC address"));

    auto* grid = new QGridLayout(this);
    auto* comboLabel = new QLabel(tr("&Interface:"), this);
    comboLabel->setBuddy(m_combo);
    grid->addWidget(comboLabel, 0, 0);
    grid->addWidget(m_combo, 0, 1);
    auto* modes = new QHBoxLayout;
    modes->addWidget(m_dhcp);
    modes->addWidget(m_fixed);
    modes->addStretch();
    grid->addLayout(modes, 1, 1);
    m_labels = {label(tr("IP address:"), this, 6129), label(tr("Subnet mask:"), this, 6130),
                label(tr("Default gateway:"), this, 6131), label(tr("MAC address:"), this, 6132)};
    QWidget* fields[4] = {m_ip, m_mask, m_gateway, m_mac};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(m_labels[i], 2 + i, 0);
        grid->addWidget(fields[i], 2 + i, 1, Qt::AlignLeft);
    }
    m_mac->setMinimumWidth(m_mac->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00:00:00:00")) + 16);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(6, 1);

    connect(m_combo, &QComboBox::currentIndexChanged, this, [this](int i) { LoadEntry(i); });
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { SetMode(id); });
}

void CZRNetworkIPTab::Fill()
{
    {
        const QSignalBlocker block(m_combo);
        m_combo->clear();
        for (const _NetworkInterface& e : m_list)
            m_combo->addItem(e.name);
    }
    LoadEntry(0);
}

void CZRNetworkIPTab::LoadEntry(int index)
{
    // An empty list has nothing to show.
    if (index < 0 || index >= m_list.size()) return;
    const _NetworkInterface& e = m_list[index];
    {
        const QSignalBlocker block(m_combo);
        m_combo->setCurrentIndex(index);
    }
    m_ip->setText(e.ip);
    m_mask->setText(e.mask);
    m_gateway->setText(e.gateway);
    m_mac->setText(e.mac);
    SetMode(e.mode == 0 ? 0 : 1);
}

void CZRNetworkIPTab::SetMode(int mode)
{
    m_mode = mode;
    m_dhcp->setChecked(mode == 0);
    m_fixed->setChecked(mode != 0);
    const bool fixed = mode != 0;
    for (QLabel* l : m_labels)
        l->setEnabled(fixed);
    m_ip->setEnabled(fixed);
    m_mask->setEnabled(fixed);
    m_gateway->setEnabled(fixed);
    m_mac->setEnabled(fixed);
}

_NetworkInterface* CZRNetworkIPTab::Selected()
{
    const QString name = m_combo->currentText();
    if (m_combo->currentIndex() < 0) return nullptr;
    for (_NetworkInterface& e : m_list)
        if (e.name == name) return &e;
    return nullptr;
}

void CZRNetworkIPTab::StoreControls(_NetworkInterface& e) const
{
    e.mode = m_mode;
    e.ip = addressOf(m_ip);
    e.mask = addressOf(m_mask);
    e.gateway = addressOf(m_gateway);
}

// ---- DNS tab

CZRNetworkDNSTab::CZRNetworkDNSTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::number(IDD));
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QString::number(IDC_INTERFACE));
    m_combo->setAccessibleName(tr("Interface"));
    m_combo->setMinimumWidth(200);
    m_primary = new CIPAddressCtrl(this);
    m_primary->setObjectName(QString::number(IDC_PRIMARY));
    m_primary->setAccessibleName(tr("Primary DNS"));
    m_secondary = new CIPAddressCtrl(this);
    m_secondary->setObjectName(QString::number(IDC_SECONDARY));
    m_secondary->setAccessibleName(tr("Secondary DNS"));
    auto* grid = new QGridLayout(this);
    auto* comboLabel = new QLabel(tr("&Interface:"), this);
    comboLabel->setBuddy(m_combo);
    grid->addWidget(comboLabel, 0, 0);
    grid->addWidget(m_combo, 0, 1);
    grid->addWidget(new QLabel(tr("Primary DNS:"), this), 1, 0);
    grid->addWidget(m_primary, 1, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("Secondary DNS:"), this), 2, 0);
    grid->addWidget(m_secondary, 2, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    connect(m_combo, &QComboBox::currentIndexChanged, this, [this](int i) { LoadEntry(i); });
}

void CZRNetworkDNSTab::Fill()
{
    {
        const QSignalBlocker block(m_combo);
        m_combo->clear();
        for (const _DNSServer& e : m_list)
            m_combo->addItem(e.name);
    }
    // One resolver list for the whole device: nothing to choose.
    m_combo->setEnabled(m_osType != 0);
    LoadEntry(0);
}

void CZRNetworkDNSTab::LoadEntry(int index)
{
    if (index < 0 || index >= m_combo->count()) return;
    const QString name = m_combo->itemText(index);
    for (const _DNSServer& e : m_list) {
        if (e.name != name) continue;
        {
            const QSignalBlocker block(m_combo);
            m_combo->setCurrentIndex(index);
        }
        m_primary->setText(e.primary);
        m_secondary->setText(e.secondary);
        return;
    }
}

_DNSServer* CZRNetworkDNSTab::Selected()
{
    if (m_combo->currentIndex() < 0) return nullptr;
    const QString name = m_combo->currentText();
    for (_DNSServer& e : m_list)
        if (e.name == name) return &e;
    return nullptr;
}

void CZRNetworkDNSTab::StoreControls(_DNSServer& e) const
{
    e.primary = addressOf(m_primary);
    e.secondary = addressOf(m_secondary);
}

// ---- dialog

CZRNetworkDlg::CZRNetworkDlg(QWidget* parent, int selfDelete) : CZRAgentDlg(parent)
{
    setObjectName(QString::number(IDD));
    setAttribute(Qt::WA_DeleteOnClose, selfDelete == 0);
    setWindowTitle(QStringLiteral("Network Setup"));
    ZRApplyDialogPalette(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QString::number(IDC_TAB));
    m_ipTab = new CZRNetworkIPTab(m_tabs);
    m_dnsTab = new CZRNetworkDNSTab(m_tabs);
    auto makeButton = [this](int id, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_ok = makeButton(1, tr("OK"));
    m_ok->setDefault(true);
    m_cancel = makeButton(2, tr("Cancel"));
    m_apply = makeButton(IDC_APPLY, tr("&Apply"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_apply);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(m_tabs, 1);
    lay->addLayout(bottom);
    resize(460, 340);
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
}

QPushButton* CZRNetworkDlg::button(int id) const
{
    switch (id) {
    case IDC_APPLY:
        return m_apply;
    case 1:
        return m_ok;
    case 2:
        return m_cancel;
    default:
        return nullptr;
    }
}

void CZRNetworkDlg::SetApplyAction(ZRApplyAction action, void* context)
{
    m_action = action;
    m_context = context;
}

void CZRNetworkDlg::SetActionType(int interfaceCode, int dnsCode)
{
    m_ifCode = interfaceCode;
    m_dnsCode = dnsCode;
}

void CZRNetworkDlg::SetOSType(int type)
{
    m_dnsTab->SetOSType(type);
}

int CZRNetworkDlg::AddInterface(int mode, const QString& name, const QString& ip, const QString& mask,
                                const QString& gateway, const QString& mac)
{
    m_ipTab->List().append({0, mode, name, ip, mask, gateway, mac});
    return 1;
}

int CZRNetworkDlg::AddDNSList(const QString& name, const QString& primary, const QString& secondary,
                              const QStringList& further)
{
    for (_DNSServer& e : m_dnsTab->List()) {
        if (e.name != name) continue;
        e.primary = primary;
        e.secondary = secondary;
        e.further = further;
        return 1;
    }
    m_dnsTab->List().append({0, name, primary, secondary, further});
    return 1;
}

bool CZRNetworkDlg::GetInterface(const QString& name, _NetworkInterface& out) const
{
    for (const _NetworkInterface& e : m_ipTab->List())
        if (e.name == name) {
            out = e;
            return true;
        }
    return false;
}

bool CZRNetworkDlg::GetDNSList(const QString& name, _DNSServer& out) const
{
    for (const _DNSServer& e : m_dnsTab->List())
        if (e.name == name) {
            out = e;
            return true;
        }
    return false;
}

bool CZRNetworkDlg::IsValidIP(const QString& text)
{
    if (text.isEmpty() || text == QLatin1String("0.0.0.0") || text.contains(QLatin1String("255")))
        return false;
    const QString first = text.section(u'.', 0, 0);
    if (first == QLatin1String("254") || first == QLatin1String("0")) return false;
    return text.section(u'.', -1) != QLatin1String("0");
}

bool CZRNetworkDlg::IsValidMask(const QString& text)
{
    if (text.isEmpty() || text == QLatin1String("0.0.0.0") || text.count(u'.') < 3) return false;
    const QStringView v(text);
    const qsizetype d1 = v.indexOf(u'.'), d2 = v.indexOf(u'.', d1 + 1), d3 = v.indexOf(u'.', d2 + 1);
    const QStringView parts[4] = {v.left(d1), v.mid(d1 + 1, d2 - d1 - 1), v.mid(d2 + 1, d3 - d2 - 1),
                                  v.mid(d3 + 1)};
    quint32 mask = 0;
    for (QStringView p : parts) {
        quint32 o = 0;
        // Each part is a number the mask byte can hold; "256" is no byte, not 0.
        if (!octet(p, &o)) return false;
        mask = (mask << 8) | o;
    }
    // Ones from the top, then only zeros.
    return (~mask & (0u - mask)) == 0;
}

bool CZRNetworkDlg::ConfirmIPChange()
{
    return ShowMessage(this, LoadResString(IDS_CONFIRM_IP), LoadResString(IDS_IP_SETTING), MB_ICONQUESTION,
                       MB_OKCANCEL) == IDOK;
}

QString CZRNetworkDlg::GetInterfaceData(const _NetworkInterface& e)
{
    if (m_action == nullptr) return QString();
    if (e.mode == 1) {
        if (!IsValidIP(e.ip)) {
            ShowMessage(this, LoadResString(IDS_INVALID_IP), LoadResString(IDS_IP_SETTING), MB_ICONERROR,
                        MB_OK);
            return QString();
        }
        if (!IsValidMask(e.mask)) {
            ShowMessage(this, LoadResString(IDS_INVALID_MASK), LoadResString(IDS_IP_SETTING), MB_ICONERROR,
                        MB_OK);
            return QString();
        }
    }
    if (!ConfirmIPChange()) return QString();
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(wireName(e.name))
        .arg(e.mode)
        .arg(wireAddress(e.ip), wireAddress(e.mask), wireAddress(e.gateway));
}

QString CZRNetworkDlg::GetDNSListData(const _DNSServer& e) const
{
    if (m_action == nullptr) return QString();
    QStringList servers;
    if (!e.primary.isEmpty()) servers << e.primary;
    if (!e.secondary.isEmpty()) servers << e.secondary;
    // Only what the agent reported beyond the two shown, and only behind them.
    for (const QString& s : e.further)
        if (!s.isEmpty() && !servers.contains(s)) servers << s;
    return QStringLiteral("%1 \"%2\"").arg(wireName(e.name), servers.join(u' '));
}

bool CZRNetworkDlg::SetInterface(QString& text)
{
    text.clear();
    _NetworkInterface* e = m_ipTab->Selected();
    if (e == nullptr) return false;
    m_ipTab->StoreControls(*e);
    e->changed = 1;
    text = GetInterfaceData(*e);
    return true;
}

bool CZRNetworkDlg::SetDNSList(QString& text)
{
    text.clear();
    _DNSServer* e = m_dnsTab->Selected();
    if (e == nullptr) return false;
    m_dnsTab->StoreControls(*e);
    e->changed = 1;
    text = GetDNSListData(*e);
    return true;
}

void CZRNetworkDlg::OnOpen()
{
    m_tabs->addTab(m_ipTab, tabText(IDS_TAB_IP, "IP"));
    m_tabs->addTab(m_dnsTab, tabText(IDS_TAB_DNS, "DNS"));
    m_tabs->setCurrentIndex(0);
    m_ipTab->Fill();
    m_dnsTab->Fill();
}

void CZRNetworkDlg::visibleRequest(QString& text, int& code)
{
    text.clear();
    if (m_tabs->currentWidget() == m_dnsTab) {
        code = m_dnsCode;
        SetDNSList(text);
    } else {
        code = m_ifCode;
        SetInterface(text);
    }
}

void CZRNetworkDlg::OnApply()
{
    QString text;
    int code = 0;
    visibleRequest(text, code);
    if (!text.isEmpty() && m_action) m_action(text, code, m_context, m_key);
}

void CZRNetworkDlg::OnOK()
{
    QString text;
    int code = 0;
    visibleRequest(text, code);
    // Closing may end the dialog: everything the call needs is held here.
    const ZRApplyAction action = m_action;
    void* const context = m_context;
    const QString key = m_key;
    done(1);
    if (!text.isEmpty() && action) action(text, code, context, key);
}

void CZRNetworkDlg::OnCancel()
{
    done(2);
}

void CZRNetworkDlg::reject()
{
    OnCancel();
}
