// The Configuration page: the SIM's PIN lock with a change of PIN, and where received messages and
// the phone book are stored. The three settings are read in one chain of gated requests.
#pragma once

#include "zrmobiletmplwnd.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class CZRMobileCfgWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    explicit CZRMobileCfgWnd(CZRMobileWnd* owner);

    void EnableControls(bool enable) override;
    void Refresh() override;
    void Reset() override;
    // The restricted model keeps only the PIN lock part.
    void SetRestrictedModel(bool restricted);

    // Replies of the chain and of the changes.
    void OnPinLock(const QString& text);
    void OnPinLockSet();
    void OnSmsStorage(const QString& name, const QString& number);
    void OnSmsStorageSet();
    void OnSmsStorageFailed();
    void OnPbStorage(const QString& name);
    void OnPbStorageSet();
    void OnPbStorageFailed();

    bool PinLocked() const { return m_pinLocked; }
    int SmsStorage() const { return m_smsStorage; }
    int PbStorage() const { return m_pbStorage; }

private:
    bool shown() const;
    void onLock();
    void onChangePin();
    void onSmsApply();
    void onPbApply();
    void showSmsStorage(int storage);
    void showPbStorage(int storage);

    bool m_pinLocked = false;
    int m_smsStorage = 0; // 0 SIM, 1 device, 2 both
    int m_smsStoragePrevious = 0;
    int m_smsStorageNumber = 0;
    bool m_smsStorageUnknown = true;
    int m_pbStorage = 0; // 0 SIM, 1 device
    int m_pbStorageAsked = -1;
    bool m_pbStorageUnknown = true;
    bool m_restricted = false;

    QLabel* m_lockState = nullptr;
    QPushButton* m_lock = nullptr;
    QPushButton* m_changePin = nullptr;
    QGroupBox* m_storage = nullptr;
    QCheckBox* m_smsSim = nullptr;
    QCheckBox* m_smsDevice = nullptr;
    QPushButton* m_smsApply = nullptr;
    QRadioButton* m_pbSim = nullptr;
    QRadioButton* m_pbDevice = nullptr;
    QPushButton* m_pbApply = nullptr;
};
