#include "cfgwnd.h"

#include "resource.h"
#include "simwnd.h"
#include "zrmobilewnd.h"

#include <messagebox.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace {

const char* const kStorageNames[] = {"SM", "ME", "MT"};

template <typename T> T* control(T* w, int id)
{
    w->setObjectName(QStringLiteral("Ctl%1").arg(id));
    w->setProperty("controlId", id);
    return w;
}

} // namespace

CZRMobileCfgWnd::CZRMobileCfgWnd(CZRMobileWnd* owner) : CZRMobileTmplWnd(owner, IDS_CFG_TITLE, IDS_DESC_CFG)
{
    auto* pin = new QGroupBox(QStringLiteral("PIN Lock"), this);
    auto* pinRow = new QHBoxLayout(pin);
    pinRow->addWidget(new QLabel(QStringLiteral("PIN Lock status:"), pin));
    m_lockState = new QLabel(pin);
    m_lockState->setObjectName(QStringLiteral("LockState"));
    QFont bold = m_lockState->font();
    bold.setBold(true);
    m_lockState->setFont(bold);
    pinRow->addWidget(m_lockState);
    pinRow->addStretch(1);
    m_lock = control(new QPushButton(pin), IDC_CFG_LOCK);
    m_changePin = control(new QPushButton(QStringLiteral("Change PIN code"), pin), IDC_CFG_CHANGE_PIN);
    pinRow->addWidget(m_lock);
    pinRow->addWidget(m_changePin);

    m_storage = control(new QGroupBox(QStringLiteral("Storage"), this), IDC_CFG_STORAGE);
    auto* grid = new QGridLayout(m_storage);
    grid->addWidget(control(new QLabel(QStringLiteral("Received SMS:"), m_storage), IDC_CFG_SMS_LABEL), 0, 0);
    m_smsSim = control(new QCheckBox(QStringLiteral("Stored in SIM card."), m_storage), IDC_CFG_SMS_SIM);
    m_smsDevice =
        control(new QCheckBox(QStringLiteral("Stored in the device."), m_storage), IDC_CFG_SMS_DEVICE);
    m_smsApply = control(new QPushButton(QStringLiteral("Apply"), m_storage), IDC_CFG_SMS_APPLY);
    grid->addWidget(m_smsSim, 0, 1);
    grid->addWidget(m_smsDevice, 0, 2);
    grid->addWidget(m_smsApply, 0, 3);
    grid->addWidget(control(new QLabel(QStringLiteral("Phone Book:"), m_storage), IDC_CFG_PB_LABEL), 1, 0);
    // The radios of one row form their own group, apart from any other button of the page.
    auto* pbRow = new QWidget(m_storage);
    auto* pbLayout = new QHBoxLayout(pbRow);
    pbLayout->setContentsMargins(0, 0, 0, 0);
    m_pbSim = control(new QRadioButton(QStringLiteral("Stored in SIM card."), pbRow), IDC_CFG_PB_SIM);
    m_pbDevice = control(new QRadioButton(QStringLiteral("Stored in the device."), pbRow), IDC_CFG_PB_DEVICE);
    pbLayout->addWidget(m_pbSim);
    pbLayout->addWidget(m_pbDevice);
    m_pbApply = control(new QPushButton(QStringLiteral("Apply"), m_storage), IDC_CFG_PB_APPLY);
    grid->addWidget(pbRow, 1, 1, 1, 2);
    grid->addWidget(m_pbApply, 1, 3);
    grid->setColumnStretch(4, 1);

    Body()->addWidget(pin);
    Body()->addWidget(m_storage);

    connect(m_lock, &QPushButton::clicked, this, &CZRMobileCfgWnd::onLock);
    connect(m_changePin, &QPushButton::clicked, this, &CZRMobileCfgWnd::onChangePin);
    connect(m_smsApply, &QPushButton::clicked, this, &CZRMobileCfgWnd::onSmsApply);
    connect(m_pbApply, &QPushButton::clicked, this, &CZRMobileCfgWnd::onPbApply);
    Reset();
}

bool CZRMobileCfgWnd::shown() const
{
    return Owner()->CurrentPage() == PAGE_CONFIG;
}

void CZRMobileCfgWnd::EnableControls(bool enable)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_lock, m_changePin, m_smsSim, m_smsDevice, m_smsApply,
                                                      m_pbSim, m_pbDevice, m_pbApply})
        w->setEnabled(enable);
}

void CZRMobileCfgWnd::Refresh()
{
    Owner()->SendGated(35, nullptr);
}

void CZRMobileCfgWnd::Reset()
{
    m_pinLocked = false;
    m_smsStorage = m_smsStoragePrevious = 0;
    m_smsStorageNumber = 0;
    m_smsStorageUnknown = true;
    m_pbStorage = 0;
    m_pbStorageAsked = -1;
    m_pbStorageUnknown = true;
    m_lockState->clear();
    m_lock->setText(QStringLiteral("Lock"));
    m_smsSim->setChecked(false);
    m_smsDevice->setChecked(false);
    m_pbSim->setAutoExclusive(false);
    m_pbSim->setChecked(false);
    m_pbDevice->setChecked(false);
    m_pbSim->setAutoExclusive(true);
}

void CZRMobileCfgWnd::SetRestrictedModel(bool restricted)
{
    m_restricted = restricted;
    for (QWidget* w : findChildren<QWidget*>()) {
        const int id = w->property("controlId").toInt();
        if (id >= IDC_CFG_STORAGE && id <= IDC_CFG_PB_APPLY) w->setVisible(!restricted);
    }
}

void CZRMobileCfgWnd::OnPinLock(const QString& text)
{
    m_pinLocked = text.trimmed().toInt() != 0;
    m_lockState->setText(m_pinLocked ? QStringLiteral("Lock") : QStringLiteral("Unlock"));
    m_lock->setText(m_pinLocked ? QStringLiteral("Unlock") : QStringLiteral("Lock"));
    if (!shown()) return;
    if (m_smsStorageUnknown)
        Owner()->SendGated(46, nullptr);
    else if (m_pbStorageUnknown)
        Owner()->SendGated(56, nullptr);
}

void CZRMobileCfgWnd::OnPinLockSet()
{
    m_pinLocked = !m_pinLocked;
    m_lockState->setText(m_pinLocked ? QStringLiteral("Lock") : QStringLiteral("Unlock"));
    m_lock->setText(m_pinLocked ? QStringLiteral("Unlock") : QStringLiteral("Lock"));
}

void CZRMobileCfgWnd::OnSmsStorage(const QString& name, const QString& number)
{
    if (name == QLatin1String("SM")) {
        m_smsStorage = 0;
    } else if (name == QLatin1String("ME")) {
        m_smsStorage = 1;
    } else {
        m_smsStorage = 2;
        m_smsStorageNumber = number.toInt();
    }
    m_smsStoragePrevious = m_smsStorage;
    m_smsStorageUnknown = false;
    showSmsStorage(m_smsStorage);
    if (shown() && m_pbStorageUnknown) Owner()->SendGated(56, nullptr);
}

void CZRMobileCfgWnd::OnSmsStorageSet()
{
    m_smsStoragePrevious = m_smsStorage;
}

void CZRMobileCfgWnd::OnSmsStorageFailed()
{
    // The choice that was not taken goes, in the boxes and in the state the next Apply compares with.
    m_smsStorage = m_smsStoragePrevious;
    showSmsStorage(m_smsStorage);
}

void CZRMobileCfgWnd::OnPbStorage(const QString& name)
{
    m_pbStorage = name == QLatin1String("ME") ? 1 : 0;
    m_pbStorageUnknown = false;
    showPbStorage(m_pbStorage);
    if (shown() && m_smsStorageUnknown) Owner()->SendGated(46, nullptr);
}

void CZRMobileCfgWnd::OnPbStorageSet()
{
    if (m_pbStorageAsked >= 0) m_pbStorage = m_pbStorageAsked;
    m_pbStorageAsked = -1;
    showPbStorage(m_pbStorage);
}

void CZRMobileCfgWnd::OnPbStorageFailed()
{
    m_pbStorageAsked = -1;
    showPbStorage(m_pbStorage);
}

void CZRMobileCfgWnd::showSmsStorage(int storage)
{
    m_smsSim->setChecked(storage == 0 || storage == 2);
    m_smsDevice->setChecked(storage == 1 || storage == 2);
}

void CZRMobileCfgWnd::showPbStorage(int storage)
{
    (storage == 1 ? m_pbDevice : m_pbSim)->setChecked(true);
}

void CZRMobileCfgWnd::onLock()
{
    CZRMobilePINInputBox box(this);
    if (box.exec() != QDialog::Accepted) return;
    const QString pin = box.Pin();
    if (!IsPinText(pin)) {
        Owner()->Message(MobileString(IDS_INPUT_PIN), IDS_ERROR, QString(), MB_ICONERROR, MB_OK);
        return;
    }
    const QString text = QStringLiteral("%1 %2").arg(m_pinLocked ? 0 : 1).arg(pin);
    Owner()->SendGated(36, &text);
}

void CZRMobileCfgWnd::onChangePin()
{
    CZRMobileChgPINDlg dlg(this);
    if (dlg.exec() != QDialog::Accepted) return;
    if (!IsPinText(dlg.CurrentPin()) || !IsPinText(dlg.NewPin())) {
        Owner()->Message(MobileString(IDS_INPUT_PIN), IDS_ERROR, QString(), MB_ICONERROR, MB_OK);
        return;
    }
    const QString text = dlg.CurrentPin() + u' ' + dlg.NewPin();
    Owner()->SendGated(34, &text);
}

void CZRMobileCfgWnd::onSmsApply()
{
    const bool sim = m_smsSim->isChecked(), device = m_smsDevice->isChecked();
    if (!sim && !device) {
        Owner()->Message(MobileString(IDS_CHOOSE_OPTION), IDS_CFG_TITLE, QString(), MB_ICONERROR, MB_OK);
        return;
    }
    const int storage = sim && device ? 2 : device ? 1 : 0;
    if (storage == m_smsStorage) return;
    m_smsStoragePrevious = m_smsStorage;
    m_smsStorage = storage;
    const QString text =
        QString::fromLatin1(kStorageNames[storage]) + u' ' + QString::number(m_smsStorageNumber);
    const bool wasReady = Owner()->IsReady();
    if (Owner()->SendGated(47, &text) || !wasReady) return;
    // Nothing went out: the boxes show what the agent keeps, not the choice that was never sent.
    m_smsStorage = m_smsStoragePrevious;
    showSmsStorage(m_smsStorage);
}

void CZRMobileCfgWnd::onPbApply()
{
    const int chosen = m_pbDevice->isChecked() ? 1 : 0;
    if (chosen == m_pbStorage || (!m_pbDevice->isChecked() && !m_pbSim->isChecked())) return;
    m_pbStorageAsked = chosen;
    const QString text = chosen == 1 ? QStringLiteral("ME") : QStringLiteral("SM");
    const bool wasReady = Owner()->IsReady();
    if (Owner()->SendGated(57, &text) || !wasReady) return;
    m_pbStorageAsked = -1;
    showPbStorage(m_pbStorage);
}
