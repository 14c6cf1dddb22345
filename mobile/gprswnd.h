// The GPRS Connection page: connect and disconnect with optional access-point credentials, band,
// operator and access point, automatic reconnection with its interval, automatic connection at
// boot for the model family, and the agent's diagnosis.
#pragma once

#include "zrmobiletmplwnd.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class CZRMobileGPRSWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    explicit CZRMobileGPRSWnd(CZRMobileWnd* owner);

    void EnableControls(bool enable) override;
    void Refresh() override;
    void Reset() override;
    void SetFamilyModel(bool family);

    // Replies.
    void OnState(const QString& connection, const QString& reconnect);           // 312
    void OnConnectDone();                                                        // 314
    void OnDiagnosis(const QString& text);                                       // 316
    void OnReconnectDone();                                                      // 318
    void OnNetwork(const QString& band, const QString& opn, const QString& apn); // 320
    void OnAccessPointFailed();                                                  // error for 375
    void OnBootState(const QString& state);                                      // 522
    void OnBootDone();                                                           // 524
    void OnReconnectFailed();                                                    // error for 317

    bool Connected() const { return m_connected; }
    bool ReconnectRunning() const { return m_reconnectRunning; }
    bool BootAutoConnect() const { return m_bootAutoConnect; }
    static QString BandName(const QString& value);
    // Credentials the agent's reader can take whole: no double quote.
    static bool IsCredentialText(const QString& text);

    // The operator's buttons.
    void Connect();
    void ApplyNames();
    void ApplyReconnect();
    void ToggleBoot();
    void Diagnose();

private:
    void showConnection();
    void showReconnect();
    void showBoot();

    bool m_connected = false;
    bool m_reconnectRunning = false;
    int m_sentMode = -1; // the reconnection mode of the outstanding request, -1 none
    bool m_bootAutoConnect = false;
    bool m_familyModel = false;
    bool m_enabled = true;

    QLabel* m_state = nullptr;
    QLineEdit* m_band = nullptr;
    QLineEdit* m_opn = nullptr;
    QLineEdit* m_apn = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_applyNames = nullptr;
    QLabel* m_reconnectState = nullptr;
    QRadioButton* m_start = nullptr;
    QRadioButton* m_stop = nullptr;
    QLineEdit* m_interval = nullptr;
    QPushButton* m_applyReconnect = nullptr;
    QLabel* m_bootLine = nullptr;
    QPushButton* m_boot = nullptr;
    QPlainTextEdit* m_diagnosis = nullptr;
    QPushButton* m_diagnose = nullptr;
};

// The access point's user name and password for a connection.
class CZRMobileAPNAuthBox : public QDialog
{
    Q_OBJECT

public:
    explicit CZRMobileAPNAuthBox(QWidget* parent);
    QString User() const;
    QString Password() const;
    void accept() override;

private:
    QLineEdit* m_user;
    QLineEdit* m_password;
};
