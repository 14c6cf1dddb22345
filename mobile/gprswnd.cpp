#include "gprswnd.h"

#include "resource.h"
#include "zrmobilewnd.h"

#include <messagebox.h>
#include <tokenreader.h>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace {

template <typename T> T* control(T* w, int id)
{
    w->setObjectName(QStringLiteral("Ctl%1").arg(id));
    return w;
}

QString escaped(const QString& text)
{
    const std::u16string_view v(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
    return QString::fromStdU16String(EscapeText(v));
}

QLabel* boldLabel(QWidget* parent, const QString& name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

const QString kStartLabel = QStringLiteral("Start auto-reconnection with time interval (sec):");
const QString kRestartLabel = QStringLiteral("Restart auto-reconnection with time interval (sec):");

} // namespace

CZRMobileGPRSWnd::CZRMobileGPRSWnd(CZRMobileWnd* owner)
    : CZRMobileTmplWnd(owner, IDS_GPRS_TITLE, IDS_DESC_GPRS)
{
    auto* connection = control(new QGroupBox(QStringLiteral("Connection"), this), IDC_GPRS_GROUP);
    auto* grid = new QGridLayout(connection);
    m_state = boldLabel(connection, QStringLiteral("ConnectionState"));
    grid->addWidget(m_state, 0, 0, 1, 2);
    m_connect = control(new QPushButton(connection), IDC_GPRS_CONNECT);
    grid->addWidget(m_connect, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Band:"), connection), 1, 0);
    m_band = control(new QLineEdit(connection), IDC_GPRS_BAND);
    m_band->setReadOnly(true);
    grid->addWidget(m_band, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("OPN:"), connection), 2, 0);
    m_opn = control(new QLineEdit(connection), IDC_GPRS_OPN);
    grid->addWidget(m_opn, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("APN:"), connection), 3, 0);
    m_apn = control(new QLineEdit(connection), IDC_GPRS_APN);
    grid->addWidget(m_apn, 3, 1);
    m_applyNames = control(new QPushButton(QStringLiteral("Apply"), connection), IDC_GPRS_APPLY_NAMES);
    grid->addWidget(m_applyNames, 3, 2);
    grid->setColumnStretch(1, 1);

    auto* reconnect = new QGroupBox(QStringLiteral("Auto-reconnection"), this);
    auto* rgrid = new QGridLayout(reconnect);
    m_reconnectState = boldLabel(reconnect, QStringLiteral("ReconnectState"));
    rgrid->addWidget(m_reconnectState, 0, 0, 1, 3);
    m_start = control(new QRadioButton(kStartLabel, reconnect), IDC_GPRS_START);
    m_interval = control(new QLineEdit(reconnect), IDC_GPRS_INTERVAL);
    // Seconds: digits only, as typed.
    m_interval->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_interval));
    m_interval->setFixedWidth(80);
    m_stop =
        control(new QRadioButton(QStringLiteral("Stop the auto-reconnection."), reconnect), IDC_GPRS_STOP);
    m_applyReconnect = control(new QPushButton(QStringLiteral("Apply"), reconnect), IDC_GPRS_APPLY_RECONNECT);
    rgrid->addWidget(m_start, 1, 0);
    rgrid->addWidget(m_interval, 1, 1);
    rgrid->addWidget(m_stop, 2, 0);
    rgrid->addWidget(m_applyReconnect, 2, 2);
    rgrid->setColumnStretch(2, 1);

    auto* bootRow = new QHBoxLayout;
    m_bootLine = boldLabel(this, QStringLiteral("BootLine"));
    m_boot = control(new QPushButton(this), IDC_GPRS_BOOT);
    bootRow->addWidget(m_bootLine);
    bootRow->addWidget(m_boot);
    bootRow->addStretch(1);

    auto* diagnosis = control(new QGroupBox(QStringLiteral("Diagnosis"), this), IDC_GPRS_DIAG_GROUP);
    auto* dcol = new QVBoxLayout(diagnosis);
    m_diagnosis = control(new QPlainTextEdit(diagnosis), IDC_GPRS_DIAG_RESULT);
    m_diagnosis->setReadOnly(true);
    m_diagnosis->setMinimumHeight(90);
    m_diagnose = control(new QPushButton(QStringLiteral("Diagnose"), diagnosis), IDC_GPRS_DIAGNOSE);
    dcol->addWidget(m_diagnosis);
    auto* drow = new QHBoxLayout;
    drow->addStretch(1);
    drow->addWidget(m_diagnose);
    dcol->addLayout(drow);

    Body()->addWidget(connection);
    Body()->addWidget(reconnect);
    Body()->addLayout(bootRow);
    Body()->addWidget(diagnosis);

    connect(m_connect, &QPushButton::clicked, this, &CZRMobileGPRSWnd::Connect);
    connect(m_applyNames, &QPushButton::clicked, this, &CZRMobileGPRSWnd::ApplyNames);
    connect(m_applyReconnect, &QPushButton::clicked, this, &CZRMobileGPRSWnd::ApplyReconnect);
    connect(m_boot, &QPushButton::clicked, this, &CZRMobileGPRSWnd::ToggleBoot);
    connect(m_diagnose, &QPushButton::clicked, this, &CZRMobileGPRSWnd::Diagnose);
    connect(m_start, &QRadioButton::toggled, this,
            [this] { m_interval->setEnabled(m_enabled && m_start->isChecked()); });
    Reset();
}

QString CZRMobileGPRSWnd::BandName(const QString& value)
{
    static const std::pair<int, const char*> names[] = {
        {1, "GSM 900 MHz"},
        {2, "GSM 1800 MHz"},
        {3, "GSM 900 MHz + GSM 1800 MHz"},
        {4, "GSM 1900 MHz"},
        {5, "GSM 900 MHz + GSM 1900 MHz"},
        {8, "GSM 850 MHz"},
        {10, "GSM 850 MHz + GSM 1800 MHz"},
        {12, "GSM 850 MHz + GSM 1900 MHz"},
        {15, "GSM 900 MHz + GSM 1800 MHz + GSM 850 MHz + GSM 1900 MHz"},
    };
    bool ok = false;
    const int v = value.toInt(&ok);
    if (ok)
        for (const auto& [band, name] : names)
            if (band == v) return QString::fromLatin1(name);
    return value;
}

bool CZRMobileGPRSWnd::IsCredentialText(const QString& text)
{
    return !text.contains(u'"');
}

void CZRMobileGPRSWnd::EnableControls(bool enable)
{
    m_enabled = enable;
    for (QWidget* w : std::initializer_list<QWidget*>{m_connect, m_applyNames, m_opn, m_apn, m_start, m_stop,
                                                      m_applyReconnect, m_diagnose})
        w->setEnabled(enable);
    m_interval->setEnabled(enable && m_start->isChecked());
    m_boot->setEnabled(enable && m_familyModel);
}

void CZRMobileGPRSWnd::SetFamilyModel(bool family)
{
    m_familyModel = family;
    m_boot->setEnabled(m_enabled && family);
    showBoot();
    updateGeometry();
    update();
}

void CZRMobileGPRSWnd::Refresh()
{
    Owner()->SendNow(37, nullptr);
    Owner()->SendGated(41, nullptr);
    if (m_familyModel) Owner()->SendNow(86, nullptr);
}

void CZRMobileGPRSWnd::Reset()
{
    m_connected = false;
    m_reconnectRunning = false;
    m_sentMode = -1;
    m_bootAutoConnect = false;
    m_band->clear();
    m_opn->clear();
    m_apn->clear();
    m_interval->clear();
    m_diagnosis->clear();
    showConnection();
    showReconnect();
    showBoot();
}

void CZRMobileGPRSWnd::showConnection()
{
    m_state->setText(m_connected ? QStringLiteral("Connected") : QStringLiteral("Disconnected"));
    m_connect->setText(m_connected ? QStringLiteral("Disonnect") : QStringLiteral("Connect"));
}

void CZRMobileGPRSWnd::showReconnect()
{
    m_reconnectState->setText(m_reconnectRunning ? QStringLiteral("Reconnect started")
                                                 : QStringLiteral("Reconnect stopped"));
    m_start->setText(m_reconnectRunning ? kRestartLabel : kStartLabel);
    (m_reconnectRunning ? m_start : m_stop)->setChecked(true);
    m_interval->setEnabled(m_enabled && m_start->isChecked());
}

void CZRMobileGPRSWnd::showBoot()
{
    m_bootLine->setText(QStringLiteral("Auto-connection %1 at booting")
                            .arg(m_bootAutoConnect ? QStringLiteral("enabled") : QStringLiteral("disabled")));
    m_boot->setText(m_bootAutoConnect ? QStringLiteral("Disable") : QStringLiteral("Enable"));
}

void CZRMobileGPRSWnd::OnState(const QString& connection, const QString& reconnect)
{
    m_connected = connection.toInt() != 0;
    m_reconnectRunning = reconnect.toInt() != 0;
    showConnection();
    showReconnect();
}

void CZRMobileGPRSWnd::OnConnectDone()
{
    m_connected = !m_connected;
    showConnection();
}

void CZRMobileGPRSWnd::OnDiagnosis(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_diagnosis->setPlainText(t);
}

void CZRMobileGPRSWnd::OnReconnectDone()
{
    // The display follows the mode that went out: only mode 1 starts the reconnection.
    m_reconnectRunning = m_sentMode >= 0 ? m_sentMode == 1 : !m_reconnectRunning;
    m_sentMode = -1;
    showReconnect();
}

void CZRMobileGPRSWnd::OnReconnectFailed()
{
    m_sentMode = -1;
    showReconnect();
}

void CZRMobileGPRSWnd::OnNetwork(const QString& band, const QString& opn, const QString& apn)
{
    m_band->setText(BandName(band));
    m_opn->setText(opn);
    m_apn->setText(apn);
}

void CZRMobileGPRSWnd::OnAccessPointFailed()
{
    m_apn->clear();
}

void CZRMobileGPRSWnd::OnBootState(const QString& state)
{
    m_bootAutoConnect = state.toInt() != 0;
    showBoot();
}

void CZRMobileGPRSWnd::OnBootDone()
{
    m_bootAutoConnect = !m_bootAutoConnect;
    showBoot();
}

void CZRMobileGPRSWnd::Connect()
{
    if (m_connected) {
        const QString text = QStringLiteral("0");
        Owner()->SendGated(38, &text);
        return;
    }
    QPointer<CZRMobileGPRSWnd> self(this);
    CZRMobileAPNAuthBox box(this);
    if (box.exec() != QDialog::Accepted || !self) return;
    QString text = QStringLiteral("1");
    if (!box.User().isEmpty() || !box.Password().isEmpty())
        text += QStringLiteral(" \"%1\" \"%2\"").arg(escaped(box.User()), escaped(box.Password()));
    Owner()->SendGated(38, &text);
}

void CZRMobileGPRSWnd::ApplyNames()
{
    const QString opn = m_opn->text(), apn = m_apn->text();
    if (opn.isEmpty() || apn.isEmpty()) {
        const QString what =
            opn.isEmpty() ? QStringLiteral("operator name") : QStringLiteral("access point name");
        Owner()->Message(MobileString(IDS_FIELD_EMPTY).arg(what), IDS_ERROR, QString(), MB_ICONERROR, MB_OK);
        return;
    }
    const QString text = QStringLiteral("\"%1\" \"%2\"").arg(escaped(opn), escaped(apn));
    Owner()->SendNow(62, &text);
}

void CZRMobileGPRSWnd::ApplyReconnect()
{
    const bool start = m_start->isChecked();
    int mode;
    if (!m_reconnectRunning)
        mode = start ? 1 : 2;
    else if (!start)
        mode = 0;
    else
        return;
    QString interval = m_interval->text().trimmed();
    if (interval.isEmpty()) interval = QStringLiteral("10");
    m_interval->setText(interval);
    const QString text = QStringLiteral("%1 %2").arg(mode).arg(interval);
    const bool wasReady = Owner()->IsReady();
    if (Owner()->SendGated(40, &text) || !wasReady) m_sentMode = mode;
}

void CZRMobileGPRSWnd::ToggleBoot()
{
    if (!m_familyModel) return;
    const QString text = m_bootAutoConnect ? QStringLiteral("0") : QStringLiteral("1");
    Owner()->SendNow(87, &text);
}

void CZRMobileGPRSWnd::Diagnose()
{
    Owner()->SendGated(39, nullptr);
}

CZRMobileAPNAuthBox::CZRMobileAPNAuthBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("APNAuthBox"));
    setWindowTitle(QStringLiteral("APN"));
    auto* form = new QFormLayout(this);
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("Ctl12148"));
    m_user->setMaxLength(64);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("Ctl12150"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(64);
    form->addRow(QStringLiteral("Username:"), m_user);
    form->addRow(QStringLiteral("Password:"), m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CZRMobileAPNAuthBox::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CZRMobileAPNAuthBox::User() const
{
    return m_user->text();
}

QString CZRMobileAPNAuthBox::Password() const
{
    return m_password->text();
}

void CZRMobileAPNAuthBox::accept()
{
    // The agent reads each credential as one quoted item: a quote inside would end it early.
    if (!CZRMobileGPRSWnd::IsCredentialText(User()) || !CZRMobileGPRSWnd::IsCredentialText(Password())) {
        ShowMessage(this, MobileString(IDS_APN_QUOTE), windowTitle(), MB_ICONERROR, MB_OK);
        return;
    }
    QDialog::accept();
}
