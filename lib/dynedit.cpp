#include "dynedit.h"

#include "infownd.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include <algorithm>
#include <typeinfo>

namespace {

const QString kNameMessage = QStringLiteral("Invalid characters: \\ / : * ? \" < > |");
const QString kFileModeMessage = QStringLiteral("File mode: 3 chars only, 0~7 for each char");

bool isDecDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

} // namespace

CDynEdit::CDynEdit(QWidget* parent) : QLineEdit(parent), m_info(new CInfoWnd(this)) {}

CDynEdit::~CDynEdit() = default;

void CDynEdit::SetTextType(int type)
{
    m_textType = type;
    switch (type) {
    case TypeName:
        m_validator = std::make_unique<CNameValidate>();
        m_message = kNameMessage;
        break;
    case TypeHex:
        m_validator = std::make_unique<CHexValidate>();
        m_message = QStringLiteral("HEX");
        m_base = 16;
        break;
    case TypeDec:
        m_validator = std::make_unique<CDecValidate>();
        m_message = QStringLiteral("DEC");
        m_base = 10;
        break;
    case TypeBin:
        m_validator = std::make_unique<CBinValidate>();
        m_message = QStringLiteral("BIN");
        m_base = 2;
        break;
    case TypeFileMode:
        m_validator = std::make_unique<CFileModeValidate>();
        m_message = kFileModeMessage;
        m_base = 10;
        SetRangeNum(0, 777);
        setMaxLength(3);
        break;
    default:
        m_validator = std::make_unique<CEditValidate>();
        m_base = 10;
        break;
    }
    // Tells a screen reader what the field takes.
    if (!m_message.isEmpty()) setAccessibleDescription(m_message);
}

void CDynEdit::SetRangeNum(int min, int max)
{
    m_min = min;
    m_max = max;
    m_rangeCheck = true;
}

void CDynEdit::SetValidationHandler(CEditValidate* validator)
{
    m_validator.reset(validator);
}

void CDynEdit::EnableErrMsg(bool enable)
{
    m_errMsg = enable;
    if (!enable) m_info->hide();
}

bool CDynEdit::isValidChar(QChar c) const
{
    return m_validChars.isEmpty() || !CEditValidate::IsPrintable(c) || m_validChars.contains(c);
}

bool CDynEdit::isValidRange(QChar c) const
{
    if (!CEditValidate::IsPrintable(c)) return true;
    if (!isDecDigit(c)) return false;
    const int limit = maxLength();
    const int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
    if (selStart >= limit) return true; // the edit's own limit decides
    const int selLen = hasSelectedText() ? selectionLength() : 0;
    const QString cur = text();
    const QString candidate =
        selLen < limit ? cur.left(selStart) + c + cur.mid(selStart + selLen) : QString(c);
    return candidateInRange(candidate);
}

bool CDynEdit::ReadNumber(QStringView text, int base, qint64* value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    if (base == 16 && i + 2 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
        digitValue(text[i + 2]) >= 0)
        i += 2;
    qint64 v = 0;
    for (; i < n; ++i) {
        const int d = digitValue(text[i]);
        if (d < 0 || d >= base) break;
        // Overflow is out of any range, never a wrapped value that happens to fit.
        if (__builtin_mul_overflow(v, qint64(base), &v)) return false;
        if (negative ? __builtin_sub_overflow(v, qint64(d), &v) : __builtin_add_overflow(v, qint64(d), &v))
            return false;
    }
    *value = v;
    return true;
}

bool CDynEdit::candidateInRange(const QString& candidate) const
{
    qint64 v = 0;
    return ReadNumber(candidate, m_base, &v) && v >= m_min && v <= m_max;
}

bool CDynEdit::hasRules() const
{
    return (m_validator && typeid(*m_validator) != typeid(CEditValidate)) || m_rangeCheck ||
           !m_validChars.isEmpty();
}

int CDynEdit::checkChar(QChar c) const
{
    if (m_validator && !m_validator->IsValid(c)) return ErrInvalidChar;
    if (m_rangeCheck && !isValidRange(c)) return ErrOutOfRange;
    if (!isValidChar(c)) return ErrInvalidChar;
    return ErrNone;
}

// Text arriving at once (pasted, dropped, from an input method) goes in whole or not at all, under
// the same rules as typed characters. A one-line field with rules takes no control characters.
int CDynEdit::checkText(const QString& text, int pos, int selLen, const QString& current) const
{
    const bool ruled = hasRules();
    for (QChar c : text) {
        if (ruled && !CEditValidate::IsPrintable(c)) return ErrInvalidChar;
        if (m_validator && !m_validator->IsValid(c)) return ErrInvalidChar;
    }
    if (m_rangeCheck) {
        // What the edit keeps of the text once its limit has cut it.
        const int room = maxLength() - int(current.size() - selLen);
        const QString kept = room > 0 ? text.left(room) : QString();
        for (QChar c : kept)
            if (!isDecDigit(c)) return ErrOutOfRange;
        if (!kept.isEmpty() && !candidateInRange(current.left(pos) + kept + current.mid(pos + selLen)))
            return ErrOutOfRange;
    }
    for (QChar c : text)
        if (!isValidChar(c)) return ErrInvalidChar;
    return ErrNone;
}

bool CDynEdit::InsertText(const QString& text)
{
    const int pos = hasSelectedText() ? selectionStart() : cursorPosition();
    const int selLen = hasSelectedText() ? selectionLength() : 0;
    m_error = checkText(text, pos, selLen, this->text());
    const bool ok = m_error == ErrNone;
    if (ok) insert(text);
    ShowErrorMsg();
    m_error = ErrNone;
    return ok;
}

void CDynEdit::Paste()
{
    if (isReadOnly()) return;
    InsertText(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
}

void CDynEdit::ShowErrorMsg()
{
    if (!m_errMsg || m_error == ErrNone) {
        m_info->hide();
        return;
    }
    const QString msg =
        m_error == ErrOutOfRange ? QStringLiteral("Range: %1 ~ %2").arg(m_min).arg(m_max) : m_message;
    setFocus(Qt::OtherFocusReason);
    selectAll();
    m_info->hide();
    if (!m_info->isVisible() && QApplication::focusWidget()) {
        m_info->ShowMessage(msg, font(), QRect(mapToGlobal(QPoint(0, 0)), size()));
        // The balloon is a window of its own: it must not stay behind when the dialog moves or
        // loses activation.
        window()->removeEventFilter(this);
        window()->installEventFilter(this);
    }
}

bool CDynEdit::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == window()) {
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Hide:
        case QEvent::WindowDeactivate:
            m_info->hide();
            window()->removeEventFilter(this);
            break;
        default:
            break;
        }
    }
    return QLineEdit::eventFilter(watched, e);
}

void CDynEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Paste)) {
        Paste();
        e->accept();
        return;
    }
    const QString t = e->text();
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    // Ctrl combinations are shortcuts; the line edit never inserts their text.
    const bool shortcut = mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier);
    if (t.isEmpty() || shortcut || isReadOnly()) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (t.size() > 1) {
        // Several characters from one key (a compose sequence, a character outside the BMP).
        if (std::any_of(t.begin(), t.end(), CEditValidate::IsPrintable)) {
            InsertText(t);
            e->accept();
        } else {
            QLineEdit::keyPressEvent(e);
        }
        return;
    }
    m_error = checkChar(t[0]);
    if (m_error == ErrNone)
        QLineEdit::keyPressEvent(e);
    else
        e->accept();
    ShowErrorMsg();
    m_error = ErrNone;
}

void CDynEdit::inputMethodEvent(QInputMethodEvent* e)
{
    const QString commit = e->commitString();
    if (!commit.isEmpty() && !isReadOnly()) {
        const int pos = hasSelectedText() ? selectionStart() : cursorPosition();
        const int selLen = hasSelectedText() ? selectionLength() : 0;
        m_error = checkText(commit, pos, selLen, text());
        if (m_error != ErrNone) {
            // Drop the commit but let the composition end.
            QInputMethodEvent empty;
            QLineEdit::inputMethodEvent(&empty);
            ShowErrorMsg();
            m_error = ErrNone;
            e->accept();
            return;
        }
    }
    QLineEdit::inputMethodEvent(e);
}

void CDynEdit::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Older Qt leaves the standard actions unnamed; the paste action is then known by its text.
    const QString pasteText = QCoreApplication::translate("QLineEdit", "&Paste");
    const QList<QAction*> actions = menu->actions();
    for (QAction* a : actions) {
        if (a->objectName() != QLatin1String("edit-paste") && a->text().section(u'\t', 0, 0) != pasteText)
            continue;
        a->setObjectName(QStringLiteral("edit-paste"));
        disconnect(a, &QAction::triggered, nullptr, nullptr);
        connect(a, &QAction::triggered, this, &CDynEdit::Paste);
        break;
    }
    menu->popup(e->globalPos());
}

void CDynEdit::mouseReleaseEvent(QMouseEvent* e)
{
    // The middle button pastes the X11 selection; it passes the checks like any other paste.
    if (e->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() &&
        !isReadOnly()) {
        deselect();
        setCursorPosition(cursorPositionAt(e->position().toPoint()));
        InsertText(QGuiApplication::clipboard()->text(QClipboard::Selection));
        e->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(e);
}

void CDynEdit::dropEvent(QDropEvent* e)
{
    if (!e->mimeData()->hasText() || isReadOnly()) {
        QLineEdit::dropEvent(e);
        return;
    }
    QString current = text();
    int pos = cursorPositionAt(e->position().toPoint());
    // A drag out of this field moves its selection: check what the field will hold afterwards.
    if (e->source() == this && hasSelectedText()) {
        const int s = selectionStart(), n = selectionLength();
        if (pos > s && pos < s + n) {
            QLineEdit::dropEvent(e);
            return;
        }
        current.remove(s, n);
        if (pos >= s + n) pos -= n;
    }
    m_error = checkText(e->mimeData()->text(), pos, 0, current);
    if (m_error != ErrNone) {
        e->ignore();
        ShowErrorMsg();
        m_error = ErrNone;
        return;
    }
    QLineEdit::dropEvent(e);
}

void CDynEdit::hideEvent(QHideEvent* e)
{
    m_info->hide();
    QLineEdit::hideEvent(e);
}
