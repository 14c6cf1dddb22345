#include "infownd.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

const QColor CInfoWnd::kErrorColor(255, 129, 129);

namespace {

// The balloon reaches this far past its computed left edge and above its computed top.
constexpr int kExtraLeft = 3;
constexpr int kExtraUp = 1;

QString padded(const QString& text)
{
    return QLatin1Char(' ') + text + QLatin1Char(' ');
}

} // namespace

CInfoWnd::CInfoWnd(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("ST_InfoWnd"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    setAutoFillBackground(true);
    SetBkColor(m_bk);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &QWidget::hide);
}

CInfoWnd::~CInfoWnd() = default;

void CInfoWnd::SetBkColor(const QColor& c)
{
    m_bk = c;
    QPalette p = palette();
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    update();
}

QRect CInfoWnd::BalloonRect(const QString& text, const QFont& font, const QRect& field) const
{
    const QFontMetrics fm(font);
    const int w = fm.horizontalAdvance(padded(text)) + 2;
    const int h = fm.height() + fm.descent() + 2;
    int x = field.left(), y = field.top() - kGapY - h;
    switch (m_placement) {
    case Below:
        y = field.bottom() + 1 + kGapY;
        break;
    case Left:
        x = field.left() - kGapX - w;
        y = field.top();
        break;
    case Right:
        x = field.right() + 1 + kGapX;
        y = field.top();
        break;
    default:
        break;
    }
    return QRect(x - kExtraLeft, y - kExtraUp, w + kExtraLeft, h);
}

void CInfoWnd::ShowMessage(const QString& text, const QFont& font, const QRect& field)
{
    m_text = text;
    setFont(font);
    setAccessibleName(text);
    setGeometry(BalloonRect(text, font, field));
    show();
    raise();
    update();
    if (m_timeoutMs > 0)
        m_timer->start(m_timeoutMs);
    else
        m_timer->stop();
}

void CInfoWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_bk);
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    p.drawText(rect().adjusted(kExtraLeft + 1, 1, -1, -1), Qt::AlignLeft | Qt::AlignVCenter, padded(m_text));
}

void CInfoWnd::mousePressEvent(QMouseEvent*)
{
    // A click on the balloon dismisses it; it never takes the focus from the field.
    hide();
}
