// The SIM Status page: the card's state with a picture and texts, and the entry of the PIN, or of
// the PUK with the new PIN the operator chooses.
#pragma once

#include "zrmobiletmplwnd.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class CZRMobileSIMWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    // A state the page has no row for: a status the agent sent that is not a number, or out of range.
    static constexpr int kUnknown = 99;
    static constexpr int kKeep = -3;

    explicit CZRMobileSIMWnd(CZRMobileWnd* owner);

    void EnableControls(bool enable) override;
    void Refresh() override;
    void Reset() override;

    // Reply 302: the state and the tries left (-1: not reported).
    void OnStatus(int state, int tries);
    // A refused PIN or PUK: the tries left as the agent reports them (-1: not reported).
    void OnCodeRefused(int tries);
    void ApplyState(int state, bool afterFailedTry);

    int SimState() const { return m_simState; }
    int TriesLeft() const { return m_triesLeft; }

private:
    void onOk();
    void showPicture(int id);

    int m_simState = -1;
    int m_triesLeft = -1; // unknown
    QLabel* m_status = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_prompt = nullptr;
    QLineEdit* m_code = nullptr;
    QWidget* m_newPinRow = nullptr;
    QLineEdit* m_newPin = nullptr;
    QLineEdit* m_confirmPin = nullptr;
    QPushButton* m_ok = nullptr;
    QLabel* m_note = nullptr;
};

// The PIN prompt of the Configuration page's lock button.
class CZRMobilePINInputBox : public QDialog
{
    Q_OBJECT

public:
    explicit CZRMobilePINInputBox(QWidget* parent);
    QString Pin() const;

private:
    QLineEdit* m_pin;
};

// Change of the PIN: the current one and the new one twice, which must match.
class CZRMobileChgPINDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CZRMobileChgPINDlg(QWidget* parent);
    QString CurrentPin() const;
    QString NewPin() const;
    void accept() override;

private:
    QLineEdit* m_current;
    QLineEdit* m_new;
    QLineEdit* m_confirm;
};

// A code the modem can take: digits only, not empty.
bool IsPinText(const QString& text);
