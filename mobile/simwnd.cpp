#include "simwnd.h"

#include "resource.h"
#include "zrmobilewnd.h"

#include <messagebox.h>
#include <resources.h>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

namespace {

QLineEdit* passwordEdit(QWidget* parent, const QString& name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(16);
    e->setFixedWidth(160);
    return e;
}

QLabel* line(QWidget* parent, const QString& name, bool bold)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

} // namespace

bool IsPinText(const QString& text)
{
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

CZRMobileSIMWnd::CZRMobileSIMWnd(CZRMobileWnd* owner) : CZRMobileTmplWnd(owner, IDS_SIM_STATUS, IDS_DESC_SIM)
{
    m_status = line(this, QStringLiteral("StatusLine"), true);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("SimPicture"));
    m_picture->setFixedSize(64 + 8 + 4, 64 + 8 + 4);
    m_prompt = line(this, QStringLiteral("PromptLine"), true);
    m_code = passwordEdit(this, QStringLiteral("CodeEdit%1").arg(IDC_SIM_CODE));
    m_code->setAccessibleName(QStringLiteral("Code"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OkButton%1").arg(IDC_SIM_OK));
    m_ok->setDefault(true);
    m_newPinRow = new QWidget(this);
    auto* form = new QFormLayout(m_newPinRow);
    form->setContentsMargins(0, 0, 0, 0);
    m_newPin = passwordEdit(m_newPinRow, QStringLiteral("NewPinEdit"));
    m_newPin->setAccessibleName(QStringLiteral("New PIN code"));
    m_confirmPin = passwordEdit(m_newPinRow, QStringLiteral("ConfirmPinEdit"));
    m_confirmPin->setAccessibleName(QStringLiteral("Confirm PIN code"));
    form->addRow(QStringLiteral("New PIN code:"), m_newPin);
    form->addRow(QStringLiteral("Confirm PIN code:"), m_confirmPin);
    m_note = line(this, QStringLiteral("NoteLine"), false);

    Body()->addWidget(m_status);
    Body()->addWidget(m_picture);
    Body()->addWidget(m_prompt);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(m_code);
    codeRow->addWidget(m_ok);
    codeRow->addStretch(1);
    Body()->addLayout(codeRow);
    Body()->addWidget(m_newPinRow);
    Body()->addWidget(m_note);

    connect(m_ok, &QPushButton::clicked, this, &CZRMobileSIMWnd::onOk);
    connect(m_code, &QLineEdit::returnPressed, this, &CZRMobileSIMWnd::onOk);
    connect(m_confirmPin, &QLineEdit::returnPressed, this, &CZRMobileSIMWnd::onOk);
    ApplyState(-1, false);
}

void CZRMobileSIMWnd::EnableControls(bool enable)
{
    m_code->setEnabled(enable);
    m_newPin->setEnabled(enable);
    m_confirmPin->setEnabled(enable);
    m_ok->setEnabled(enable);
}

void CZRMobileSIMWnd::Refresh()
{
    m_code->clear();
    ApplyState(-2, false);
    Owner()->SendGated(32, nullptr);
}

void CZRMobileSIMWnd::Reset()
{
    m_triesLeft = -1;
    m_simState = -1;
    m_code->clear();
    m_newPin->clear();
    m_confirmPin->clear();
    ApplyState(-1, false);
}

void CZRMobileSIMWnd::OnStatus(int state, int tries)
{
    if (state == 1 || state == 2) m_triesLeft = tries;
    ApplyState(state, false);
}

void CZRMobileSIMWnd::OnCodeRefused(int tries)
{
    m_triesLeft = tries;
    if (tries == 0 && (m_simState == 1 || m_simState == 2)) {
        // The last PIN try locked the card to its PUK (the last PUK try blocked it): ask the
        // card again, so the page shows what the modem now says, with its own count.
        m_simState = m_simState == 1 ? 2 : -1;
        ApplyState(kKeep, true);
        Owner()->SendGated(32, nullptr);
        return;
    }
    ApplyState(kKeep, true);
}

void CZRMobileSIMWnd::ApplyState(int state, bool afterFailedTry)
{
    if (state != kKeep) m_simState = state;
    const int s = m_simState;
    const bool entry = s == 1 || s == 2;
    m_code->setVisible(entry);
    m_ok->setVisible(entry);
    m_note->setVisible(entry);
    m_newPinRow->setVisible(s == 2);

    QString status, prompt, note;
    int picture = IDB_SIM_LOCKED;
    switch (s) {
    case -2:
        status = MobileString(IDS_SIM_CHECKING);
        picture = IDB_SIM_CHECKING;
        break;
    case -1:
        status = MobileString(IDS_SIM_NOT_INSERTED);
        prompt = MobileString(IDS_PROMPT_INSERT);
        picture = IDB_SIM_ABSENT;
        break;
    case 0:
        status = MobileString(IDS_SIM_READY);
        prompt = MobileString(IDS_PROMPT_READY);
        picture = IDB_SIM_READY;
        break;
    case 1:
        status = MobileString(IDS_SIM_PIN);
        prompt = MobileString(IDS_PROMPT_PIN);
        if (m_triesLeft == 1)
            note = MobileString(IDS_NOTE_PIN_TRIES)
                       .replace(QStringLiteral("%d times"), QStringLiteral("last chance"));
        else if (m_triesLeft > 1)
            note =
                MobileString(IDS_NOTE_PIN_TRIES).replace(QStringLiteral("%d"), QString::number(m_triesLeft));
        else
            note = MobileString(IDS_NOTE_PIN);
        break;
    case 2:
        status = MobileString(IDS_SIM_PUK);
        prompt = MobileString(IDS_PROMPT_PUK);
        note = MobileString(afterFailedTry ? IDS_NOTE_PUK_FAILED : IDS_NOTE_PUK);
        if (m_triesLeft == 1)
            note += QStringLiteral(" This is the last chance.");
        else if (m_triesLeft > 1)
            note += QStringLiteral(" Tries left: %1.").arg(m_triesLeft);
        break;
    default:
        break;
    }
    m_status->setText(status);
    m_prompt->setText(prompt);
    m_note->setText(note);
    if (entry && isVisible()) m_code->setFocus();
    showPicture(picture);
    Owner()->OnSimReady(s == 0);
}

void CZRMobileSIMWnd::showPicture(int id)
{
    // The picture inside a frame with rounded corners, 4 pixels around it.
    const QPixmap card = LoadResBitmap(id, QSize(64, 64));
    QPixmap framed(m_picture->size());
    framed.fill(Qt::transparent);
    QPainter p(&framed);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(110, 132, 77), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(framed.rect()).adjusted(0.5, 0.5, -0.5, -0.5), 17, 17);
    if (!card.isNull()) p.drawPixmap((framed.width() - 64) / 2, (framed.height() - 64) / 2, card);
    p.end();
    m_picture->setPixmap(framed);
    m_picture->setProperty("pictureId", id);
}

void CZRMobileSIMWnd::onOk()
{
    if (m_simState != 1 && m_simState != 2) return;
    const bool puk = m_simState == 2;
    const QString code = m_code->text();
    QPointer<CZRMobileSIMWnd> self(this);
    // Nothing that cannot be a code goes to the modem: a refused text would cost a try.
    if (!IsPinText(code)) {
        Owner()->Message(MobileString(puk ? IDS_INPUT_PUK : IDS_INPUT_PIN), IDS_ERROR, QString(),
                         MB_ICONERROR, MB_OK);
        if (self) m_code->setFocus();
        return;
    }
    QString text = code;
    if (puk) {
        const QString fresh = m_newPin->text();
        if (!IsPinText(fresh)) {
            Owner()->Message(MobileString(IDS_INPUT_PIN), IDS_ERROR, QString(), MB_ICONERROR, MB_OK);
            if (self) m_newPin->setFocus();
            return;
        }
        if (fresh != m_confirmPin->text()) {
            Owner()->Message(MobileString(IDS_PIN_MISMATCH), IDS_ERROR, QString(), MB_ICONERROR, MB_OK);
            if (self) m_confirmPin->setFocus();
            return;
        }
        text += u' ' + fresh;
    }
    // The codes leave the fields as they leave the page.
    m_code->clear();
    m_newPin->clear();
    m_confirmPin->clear();
    Owner()->SendGated(33, &text);
}

CZRMobilePINInputBox::CZRMobilePINInputBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Authentication"));
    auto* form = new QFormLayout(this);
    m_pin = passwordEdit(this, QStringLiteral("PinEdit"));
    form->addRow(QStringLiteral("PIN code:"), m_pin);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CZRMobilePINInputBox::Pin() const
{
    return m_pin->text();
}

CZRMobileChgPINDlg::CZRMobileChgPINDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Change PIN code"));
    auto* form = new QFormLayout(this);
    m_current = passwordEdit(this, QStringLiteral("CurrentPinEdit"));
    m_new = passwordEdit(this, QStringLiteral("NewPinEdit"));
    m_confirm = passwordEdit(this, QStringLiteral("ConfirmPinEdit"));
    form->addRow(QStringLiteral("PIN code:"), m_current);
    form->addRow(QStringLiteral("New PIN code:"), m_new);
    form->addRow(QStringLiteral("Confirm PIN code:"), m_confirm);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CZRMobileChgPINDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CZRMobileChgPINDlg::CurrentPin() const
{
    return m_current->text();
}

QString CZRMobileChgPINDlg::NewPin() const
{
    return m_new->text();
}

void CZRMobileChgPINDlg::accept()
{
    if (m_new->text() != m_confirm->text()) {
        ShowMessage(this, MobileString(IDS_PIN_MISMATCH), windowTitle(), MB_ICONERROR, MB_OK);
        return;
    }
    QDialog::accept();
}
