// The AT Command page: a raw modem command out, the modem's output back, and the text the modem
// prompts for with "> " sent on with Ctrl-Z or cancelled with Escape.
#pragma once

#include "zrmobiletmplwnd.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CZRMobileATCWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    explicit CZRMobileATCWnd(CZRMobileWnd* owner);
    void EnableControls(bool enable) override;
    void Refresh() override {}
    void Reset() override;

    void Send();
    void Clear();
    // Reply 372: output to append.
    void OnOutput(const QString& text);
    // Reply 373: the command has ended, or the modem prompts for more; true when a continuation
    // (or its cancellation) was sent.
    bool OnEnd();
    // The modem prompts when the output so far ends in "> ".
    bool Prompting() const;

    QLineEdit* Command() const { return m_command; }
    QPlainTextEdit* Output() const { return m_reply; }
    const QString& Replies() const { return m_replies; }

private:
    QLineEdit* m_command;
    QPushButton* m_send;
    QPlainTextEdit* m_reply;
    QPushButton* m_clear;
    QString m_lastCommand;
    QString m_replies;
};

// The continuation: the text the modem waits for. Ctrl-Z sends it, Esc cancels.
class CZRMobileATCDlg : public QDialog
{
    Q_OBJECT

public:
    CZRMobileATCDlg(QWidget* parent, const QString& command);
    QString Text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QPlainTextEdit* m_text;
};
