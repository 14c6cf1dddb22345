// A small analog clock drawn from two pictures, a face and a date box, with the hands drawn as
// anti-aliased lines and the day of the month in the box. It shows either the computer's time or
// a time it is given and advances itself once a second.
#pragma once

#include "zrlib_global.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QPixmap>
#include <QWidget>

class ZRLIBU_EXPORT CXAnalogClock : public QWidget
{
    Q_OBJECT

public:
    explicit CXAnalogClock(QWidget* parent = nullptr);
    ~CXAnalogClock() override;

    // Picture ids of the face and of the date box; nothing is drawn until both are set.
    void SetBitmaps(int face, int dateBox);
    // The face's size (empty before the pictures are set).
    QSize GetWindowSize() const;

    // Times are wall-clock values without a zone; an invalid QDateTime is an invalid time.
    void SetTime(const QDateTime& time);
    QDateTime GetTime() const { return m_time; }
    void UseSystemTime(bool use);
    bool IsSystemTime() const { return m_systemTime; }
    void ShowDate(bool show);
    void ShowSecondHand(bool show);
    void SetBackgroundColor(const QColor& c);
    void SetTransparentColor(const QColor& c);
    void SetHourHandColor(const QColor& c);
    void SetMinuteHandColor(const QColor& c);
    void SetSecondHandColor(const QColor& c);
    // Stored for callers that keep a zone offset with the clock; the drawing does not apply it.
    void SetGmtAdjust(float hours) { m_gmtAdjust = hours; }
    float GetGmtAdjust() const { return m_gmtAdjust; }

    void Run();
    void Stop();
    bool IsClockRunning() const { return m_timerId != 0; }

    // 1 to 12, 0 to 59, 0 to 59, 1 to 31; -1 each for an invalid time.
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDay() const;

    // The picture as the next paint shows it (null image when the pictures are not set).
    QImage Render();
    // How many times the face with date and the two slow hands was drawn afresh rather than
    // taken from the cache.
    int FaceDraws() const { return m_faceDraws; }

    // Where a hand at tick t (0 to 59) reaches at radius r from the centre.
    static QPoint HandPoint(QPoint centre, int tick, int radius);
    // Anti-aliased line on an image, the hands' way.
    static void DrawWuLine(QImage& image, QPoint from, QPoint to, QColor colour);

    // The computer's local time as a zone-free wall-clock value.
    static QDateTime LocalNow();

signals:
    void ticked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    QSize sizeHint() const override;

private:
    void invalidate();
    void drawFace(QImage& image);
    void drawSecondHand(QImage& image);

    QPixmap m_face;
    QPixmap m_dateBox;
    QDateTime m_time;
    bool m_systemTime = true;
    bool m_showDate = true;
    bool m_showSeconds = true;
    QColor m_background{255, 0, 255};
    QColor m_transparent{255, 0, 255};
    QColor m_hourColor{0, 0, 0};
    QColor m_minuteColor{0, 0, 0};
    QColor m_secondColor{220, 20, 60};
    float m_gmtAdjust = 0;
    int m_timerId = 0;
    // The face with date and slow hands, and what it was drawn for.
    QImage m_cache;
    bool m_cacheValid = false;
    bool m_cacheTimeValid = false;
    QDate m_cacheDay;
    int m_cacheHour = -1;
    int m_cacheMinute = -1;
    int m_faceDraws = 0;
};
