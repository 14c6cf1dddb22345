#include "ipaddressctrl.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {

bool parseDotted(const QString& text, int out[4])
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return false;
    for (int i = 0; i < 4; ++i) {
        out[i] = m.captured(i + 1).toInt();
        if (out[i] > 255) return false;
    }
    return true;
}

} // namespace

CIPAddressCtrl::CIPAddressCtrl(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(2, 1, 2, 1);
    lay->setSpacing(0);
    const int w = fontMetrics().horizontalAdvance(QStringLiteral("0000"));
    // Digits only; the value limit is checked on each key so that "256" is refused, not clamped.
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), this);
    for (int i = 0; i < 4; ++i) {
        auto* f = new QLineEdit(this);
        f->setFrame(false);
        f->setAlignment(Qt::AlignCenter);
        f->setMaxLength(3);
        f->setValidator(digits);
        f->setFixedWidth(w);
        f->installEventFilter(this);
        f->setAccessibleName(tr("Address part %1").arg(i + 1));
        connect(f, &QLineEdit::textEdited, this, [this] { edited(); });
        m_fields[i] = f;
        lay->addWidget(f);
        if (i < 3) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setBackgroundRole(QPalette::Base);
            lay->addWidget(dot);
        }
    }
    setFocusProxy(m_fields[0]);
}

QString CIPAddressCtrl::text() const
{
    if (isBlank()) return m_unshown;
    QStringList parts;
    for (auto* f : m_fields)
        parts << (f->text().isEmpty() ? QStringLiteral("0") : QString::number(f->text().toInt()));
    return parts.join(u'.');
}

void CIPAddressCtrl::setText(const QString& address)
{
    for (auto* f : m_fields)
        f->clear();
    m_unshown.clear();
    if (!distribute(address)) m_unshown = address;
    emit addressChanged();
}

void CIPAddressCtrl::clear()
{
    setText(QString());
}

bool CIPAddressCtrl::isBlank() const
{
    for (auto* f : m_fields)
        if (!f->text().isEmpty()) return false;
    return true;
}

bool CIPAddressCtrl::address(quint8 out[4]) const
{
    for (int i = 0; i < 4; ++i) {
        if (m_fields[i]->text().isEmpty()) return false;
        out[i] = quint8(m_fields[i]->text().toInt());
    }
    return true;
}

bool CIPAddressCtrl::distribute(const QString& text)
{
    int v[4];
    if (!parseDotted(text, v)) return false;
    for (int i = 0; i < 4; ++i)
        m_fields[i]->setText(QString::number(v[i]));
    return true;
}

void CIPAddressCtrl::edited()
{
    m_unshown.clear();
    emit addressChanged();
}

int CIPAddressCtrl::indexOf(QObject* o) const
{
    for (int i = 0; i < 4; ++i)
        if (m_fields[i] == o) return i;
    return -1;
}

void CIPAddressCtrl::focusInEvent(QFocusEvent* e)
{
    QFrame::focusInEvent(e);
    m_fields[0]->setFocus();
}

bool CIPAddressCtrl::eventFilter(QObject* watched, QEvent* e)
{
    const int i = indexOf(watched);
    if (i < 0 || e->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, e);
    auto* k = static_cast<QKeyEvent*>(e);
    QLineEdit* f = m_fields[i];
    if (k->matches(QKeySequence::Paste)) {
        const QString clip = QApplication::clipboard()->text();
        if (distribute(clip)) {
            edited();
            m_fields[3]->setFocus();
            return true;
        }
        return false; // the field's validator decides about the rest
    }
    const QString t = k->text();
    if (t == QStringLiteral(".") || t == QStringLiteral(" ")) {
        if (i < 3 && !f->text().isEmpty()) {
            m_fields[i + 1]->setFocus();
            m_fields[i + 1]->selectAll();
        }
        return true;
    }
    if (t.size() == 1 && t[0].isDigit()) {
        QString next = f->text();
        const int pos = f->hasSelectedText() ? f->selectionStart() : f->cursorPosition();
        if (f->hasSelectedText()) next.remove(pos, f->selectedText().size());
        if (next.size() >= 3) return true;
        next.insert(pos, t);
        if (next.toInt() > 255) {
            QApplication::beep();
            return true;
        }
        f->setText(next);
        f->setCursorPosition(pos + 1);
        edited();
        if (next.size() == 3 && i < 3) {
            m_fields[i + 1]->setFocus();
            m_fields[i + 1]->selectAll();
        }
        return true;
    }
    if (k->key() == Qt::Key_Backspace && i > 0 && f->cursorPosition() == 0 && !f->hasSelectedText()) {
        QLineEdit* prev = m_fields[i - 1];
        prev->setFocus();
        prev->end(false);
        return true;
    }
    if (k->key() == Qt::Key_Left && i > 0 && f->cursorPosition() == 0) {
        m_fields[i - 1]->setFocus();
        m_fields[i - 1]->end(false);
        return true;
    }
    if (k->key() == Qt::Key_Right && i < 3 && f->cursorPosition() == f->text().size()) {
        m_fields[i + 1]->setFocus();
        m_fields[i + 1]->home(false);
        return true;
    }
    return QFrame::eventFilter(watched, e);
}
