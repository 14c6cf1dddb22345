#include "atwnd.h"

#include "resource.h"
#include "zrmobilewnd.h"

#include <messagebox.h>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

template <typename T> T* control(T* w, int id)
{
    w->setObjectName(QStringLiteral("Ctl%1").arg(id));
    w->setProperty("controlId", id);
    return w;
}

constexpr QChar kCtrlZ(26);
constexpr QChar kEscape(27);

} // namespace

CZRMobileATCWnd::CZRMobileATCWnd(CZRMobileWnd* owner) : CZRMobileTmplWnd(owner, IDS_AT_TITLE, IDS_DESC_AT)
{
    auto* commandRow = new QHBoxLayout;
    commandRow->addWidget(new QLabel(QStringLiteral("Command:"), this));
    m_command = control(new QLineEdit(this), IDC_AT_COMMAND);
    m_command->setPlaceholderText(QStringLiteral("AT+CSQ"));
    commandRow->addWidget(m_command, 1);
    m_send = control(new QPushButton(QStringLiteral("Send"), this), IDC_AT_SEND);
    m_send->setDefault(true);
    commandRow->addWidget(m_send);
    Body()->addLayout(commandRow);
    Body()->addWidget(new QLabel(QStringLiteral("Reply"), this));
    m_reply = control(new QPlainTextEdit(this), IDC_AT_REPLY);
    m_reply->setReadOnly(true);
    m_reply->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_reply->setMinimumHeight(200);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    m_reply->setFont(mono);
    Body()->addWidget(m_reply, 1);
    auto* row = new QHBoxLayout;
    m_clear = control(new QPushButton(QStringLiteral("Clear"), this), IDC_AT_CLEAR);
    row->addStretch(1);
    row->addWidget(m_clear);
    Body()->addLayout(row);
    connect(m_send, &QPushButton::clicked, this, &CZRMobileATCWnd::Send);
    connect(m_command, &QLineEdit::returnPressed, this, &CZRMobileATCWnd::Send);
    connect(m_clear, &QPushButton::clicked, this, &CZRMobileATCWnd::Clear);
}

void CZRMobileATCWnd::EnableControls(bool enable)
{
    m_command->setEnabled(enable);
    m_send->setEnabled(enable);
    m_reply->setEnabled(enable);
    m_clear->setEnabled(enable);
}

void CZRMobileATCWnd::Reset()
{
    m_command->clear();
    m_reply->clear();
    m_replies.clear();
    m_lastCommand.clear();
}

void CZRMobileATCWnd::Clear()
{
    m_command->clear();
    m_reply->clear();
    m_replies.clear();
}

void CZRMobileATCWnd::Send()
{
    const QString command = m_command->text();
    if (command.isEmpty()) {
        Owner()->Message(MobileString(IDS_INPUT_AT), IDS_AT_TITLE, QString(), MB_ICONERROR, MB_OK);
        m_command->setFocus();
        return;
    }
    m_reply->clear();
    m_replies.clear();
    m_lastCommand = command;
    Owner()->SendGated(61, &command);
}

void CZRMobileATCWnd::OnOutput(const QString& text)
{
    m_replies += text;
    // Shown with its line ends as the modem writes them, without the carriage returns.
    QString shown = m_replies;
    shown.remove(u'\r');
    m_reply->setPlainText(shown);
    m_reply->verticalScrollBar()->setValue(m_reply->verticalScrollBar()->maximum());
    m_command->setFocus();
}

bool CZRMobileATCWnd::Prompting() const
{
    return m_replies.size() >= 2 && m_replies[m_replies.size() - 2] == u'>';
}

bool CZRMobileATCWnd::OnEnd()
{
    bool sent = false;
    if (Prompting()) {
        QPointer<CZRMobileATCWnd> self(this);
        CZRMobileATCDlg dlg(this, m_lastCommand);
        const int result = dlg.exec();
        if (!self) return false;
        const QString text =
            result == QDialog::Accepted ? u'"' + dlg.Text() + kCtrlZ + u'"' : QString(kEscape);
        sent = Owner()->SendGated(61, &text);
    }
    m_command->setFocus();
    return sent;
}

CZRMobileATCDlg::CZRMobileATCDlg(QWidget* parent, const QString& command) : QDialog(parent)
{
    setObjectName(QStringLiteral("AtContinueDlg"));
    setWindowTitle(QStringLiteral("AT Command"));
    auto* layout = new QVBoxLayout(this);
    auto* prompt =
        new QLabel(MobileString(IDS_AT_CONTINUE).replace(QStringLiteral("<at_cmd>"), command), this);
    prompt->setObjectName(QStringLiteral("AtContinuePrompt"));
    prompt->setWordWrap(true);
    prompt->setTextFormat(Qt::PlainText);
    layout->addWidget(prompt);
    m_text = control(new QPlainTextEdit(this), IDC_AT_CONT_TEXT);
    m_text->setMinimumSize(360, 100);
    m_text->installEventFilter(this);
    layout->addWidget(m_text);
    auto* row = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_text->setFocus();
}

QString CZRMobileATCDlg::Text() const
{
    return m_text->toPlainText();
}

bool CZRMobileATCDlg::eventFilter(QObject* watched, QEvent* e)
{
    // Ctrl-Z ends the text as it does at the modem; Esc cancels (the dialog's own key).
    if (watched == m_text && e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Z && (key->modifiers() & Qt::ControlModifier)) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}
