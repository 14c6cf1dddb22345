#include "xanalogclock.h"

#include "resources.h"

#include <QPainter>
#include <QTimeZone>
#include <QTimerEvent>

#include <cmath>

namespace {

// A picture with every pixel of the transparent colour made see-through.
QImage masked(const QImage& source, QColor transparent)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent.rgb() & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) == 255 && (line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return image;
}

// Mixes the line colour into a pixel; coverage 255 is the line colour itself.
void blendPixel(QImage& image, int x, int y, QRgb line, int coverage)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return;
    QRgb* p = reinterpret_cast<QRgb*>(image.scanLine(y)) + x;
    const QRgb bg = *p;
    if (qAlpha(bg) == 0) {
        // Outside the face there is nothing to blend with.
        *p = qRgba(qRed(line), qGreen(line), qBlue(line), coverage);
        return;
    }
    auto mix = [coverage](int b, int l) { return b + (l - b) * coverage / 255; };
    *p = qRgba(mix(qRed(bg), qRed(line)), mix(qGreen(bg), qGreen(line)), mix(qBlue(bg), qBlue(line)),
               qAlpha(bg));
}

void setPixel(QImage& image, int x, int y, QRgb c)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return;
    reinterpret_cast<QRgb*>(image.scanLine(y))[x] = c;
}

} // namespace

CXAnalogClock::CXAnalogClock(QWidget* parent) : QWidget(parent), m_time(LocalNow())
{
    setAttribute(Qt::WA_TranslucentBackground);
}

CXAnalogClock::~CXAnalogClock()
{
    Stop();
}

QDateTime CXAnalogClock::LocalNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()), Qt::UTC);
}

void CXAnalogClock::SetBitmaps(int face, int dateBox)
{
    m_face = LoadResBitmap(face);
    m_dateBox = LoadResBitmap(dateBox);
    invalidate();
    updateGeometry();
    update();
}

QSize CXAnalogClock::GetWindowSize() const
{
    return m_face.isNull() ? QSize() : m_face.size();
}

QSize CXAnalogClock::sizeHint() const
{
    const QSize s = GetWindowSize();
    return s.isEmpty() ? QSize(100, 100) : s;
}

void CXAnalogClock::invalidate()
{
    m_cacheValid = false;
}

void CXAnalogClock::SetTime(const QDateTime& time)
{
    m_time = time.isValid() ? QDateTime(time.date(), time.time(), Qt::UTC) : QDateTime();
    invalidate();
    update();
}

void CXAnalogClock::UseSystemTime(bool use)
{
    m_systemTime = use;
    invalidate();
    update();
}

void CXAnalogClock::ShowDate(bool show)
{
    m_showDate = show;
    invalidate();
    update();
}

void CXAnalogClock::ShowSecondHand(bool show)
{
    m_showSeconds = show;
    update();
}

void CXAnalogClock::SetBackgroundColor(const QColor& c)
{
    m_background = c;
    invalidate();
    update();
}

void CXAnalogClock::SetTransparentColor(const QColor& c)
{
    m_transparent = c;
    invalidate();
    update();
}

void CXAnalogClock::SetHourHandColor(const QColor& c)
{
    m_hourColor = c;
    invalidate();
    update();
}

void CXAnalogClock::SetMinuteHandColor(const QColor& c)
{
    m_minuteColor = c;
    invalidate();
    update();
}

void CXAnalogClock::SetSecondHandColor(const QColor& c)
{
    m_secondColor = c;
    update();
}

void CXAnalogClock::Run()
{
    if (m_timerId == 0) m_timerId = startTimer(1000);
    invalidate();
    update();
}

void CXAnalogClock::Stop()
{
    if (m_timerId != 0) killTimer(m_timerId);
    m_timerId = 0;
}

void CXAnalogClock::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != m_timerId) {
        QWidget::timerEvent(e);
        return;
    }
    if (!m_systemTime && m_time.isValid()) m_time = m_time.addSecs(1);
    update();
    emit ticked();
}

int CXAnalogClock::GetHour() const
{
    if (!m_time.isValid()) return -1;
    const int h = m_time.time().hour() % 12;
    return h == 0 ? 12 : h;
}

int CXAnalogClock::GetMinute() const
{
    return m_time.isValid() ? m_time.time().minute() : -1;
}

int CXAnalogClock::GetSecond() const
{
    return m_time.isValid() ? m_time.time().second() : -1;
}

int CXAnalogClock::GetDay() const
{
    return m_time.isValid() ? m_time.date().day() : -1;
}

QPoint CXAnalogClock::HandPoint(QPoint centre, int tick, int radius)
{
    int degrees = 90 - 6 * tick;
    if (degrees < 0) degrees += 360;
    const double a = degrees * M_PI / 180.0;
    return {centre.x() + int(radius * std::cos(a)), centre.y() - int(radius * std::sin(a))};
}

void CXAnalogClock::DrawWuLine(QImage& image, QPoint from, QPoint to, QColor colour)
{
    const QRgb c = colour.rgb();
    int x0 = from.x(), y0 = from.y(), x1 = to.x(), y1 = to.y();
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    setPixel(image, x0, y0, c);
    int dx = x1 - x0;
    const int xdir = dx >= 0 ? 1 : -1;
    dx = std::abs(dx);
    int dy = y1 - y0;
    // Straight and exactly diagonal lines need no blending.
    if (dy == 0) {
        while (dx-- > 0)
            setPixel(image, x0 += xdir, y0, c);
        return;
    }
    if (dx == 0) {
        while (dy-- > 0)
            setPixel(image, x0, ++y0, c);
        return;
    }
    if (dx == dy) {
        while (dy-- > 0)
            setPixel(image, x0 += xdir, ++y0, c);
        return;
    }
    // The accumulator's high byte is how far the true line lies from the pixel taken.
    quint16 acc = 0;
    if (dy > dx) {
        const quint16 adj = quint16((quint32(dx) << 16) / quint32(dy));
        while (--dy > 0) {
            const quint16 before = acc;
            acc = quint16(acc + adj);
            if (acc <= before) x0 += xdir;
            ++y0;
            const int w = acc >> 8;
            blendPixel(image, x0, y0, c, 255 - w);
            blendPixel(image, x0 + xdir, y0, c, w);
        }
    } else {
        const quint16 adj = quint16((quint32(dy) << 16) / quint32(dx));
        while (--dx > 0) {
            const quint16 before = acc;
            acc = quint16(acc + adj);
            if (acc <= before) ++y0;
            x0 += xdir;
            const int w = acc >> 8;
            blendPixel(image, x0, y0, c, 255 - w);
            blendPixel(image, x0, y0 + 1, c, w);
        }
    }
    setPixel(image, x1, y1, c);
}

void CXAnalogClock::drawFace(QImage& image)
{
    {
        QPainter p(&image);
        p.drawImage(0, 0, masked(m_face.toImage(), m_transparent));
        if (m_showDate && m_time.isValid() && !m_dateBox.isNull()) {
            p.drawImage(67, 43, masked(m_dateBox.toImage(), m_transparent));
            QFont f = font();
            f.setFamily(QStringLiteral("Arial"));
            f.setPixelSize(QFontInfo(font()).pixelSize() + 1);
            f.setBold(true);
            p.setFont(f);
            p.setPen(QColor(0, 30, 0));
            const QString day = QString::asprintf("%2d", m_time.date().day());
            p.drawText(QRect(68, 42, 18, 14).adjusted(0, 1, 0, 0), Qt::AlignCenter, day.trimmed());
        }
    }
    if (!m_time.isValid()) return; // an unknown time has no hands
    const QPoint centre(m_face.width() / 2, m_face.height() / 2);
    auto shiftedLines = [&](int tick, int tip, QColor colour) {
        const bool vertical = (tick >= 10 && tick <= 20) || (tick >= 40 && tick <= 50);
        const QPoint from = HandPoint(centre, tick, tip);
        const QPoint base = HandPoint(centre, tick, 5);
        for (int d : {-2, -1, 1, 2})
            DrawWuLine(image, from, base + (vertical ? QPoint(0, d) : QPoint(d, 0)), colour);
    };
    const int minute = m_time.time().minute();
    DrawWuLine(image, HandPoint(centre, minute, 5), HandPoint(centre, minute, 39), m_minuteColor);
    shiftedLines(minute, 35, m_minuteColor);
    const int hourTick = (m_time.time().hour() % 12) * 5 + minute / 12;
    DrawWuLine(image, HandPoint(centre, hourTick, 5), HandPoint(centre, hourTick, 28), m_hourColor);
    shiftedLines(hourTick, 24, m_hourColor);
}

void CXAnalogClock::drawSecondHand(QImage& image)
{
    if (!m_showSeconds || !m_time.isValid()) return;
    const QPoint centre(m_face.width() / 2, m_face.height() / 2);
    const int s = m_time.time().second();
    const QPoint a = HandPoint(centre, s, 5), b = HandPoint(centre, s, 35);
    DrawWuLine(image, a, b, m_secondColor);
    DrawWuLine(image, a + QPoint(1, 0), b + QPoint(1, 0), m_secondColor);
}

QImage CXAnalogClock::Render()
{
    if (m_face.isNull() || m_dateBox.isNull()) return {};
    if (m_systemTime) m_time = LocalNow();
    QSize size = this->size();
    if (size.width() < m_face.width() || size.height() < m_face.height())
        size = size.expandedTo(m_face.size());
    QImage image(size, QImage::Format_ARGB32);
    // A background of the transparent colour is no background at all.
    image.fill((m_background.rgb() & 0xFFFFFF) == (m_transparent.rgb() & 0xFFFFFF) ? QColor(Qt::transparent)
                                                                                   : m_background);
    const bool valid = m_time.isValid();
    const QDate day = valid ? m_time.date() : QDate();
    const int hour = valid ? m_time.time().hour() : -1;
    const int minute = valid ? m_time.time().minute() : -1;
    if (!m_cacheValid || m_cache.size() != image.size() || m_cacheTimeValid != valid || m_cacheDay != day ||
        m_cacheHour != hour || m_cacheMinute != minute) {
        m_cache = image;
        drawFace(m_cache);
        ++m_faceDraws;
        m_cacheValid = true;
        m_cacheTimeValid = valid;
        m_cacheDay = day;
        m_cacheHour = hour;
        m_cacheMinute = minute;
    }
    image = m_cache;
    drawSecondHand(image);
    return masked(image, m_transparent);
}

void CXAnalogClock::paintEvent(QPaintEvent*)
{
    const QImage image = Render();
    if (image.isNull()) return;
    QPainter p(this);
    p.drawImage(0, 0, image);
}
