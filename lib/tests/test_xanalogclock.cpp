// The analog clock: hand geometry, what is drawn for valid and invalid times, the drawing cache,
// and its own time running on when the computer's time is not used.
#include "xanalogclock.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

bool dark(const QImage& img, QPoint p)
{
    const QRgb c = img.pixel(p);
    return qAlpha(c) > 0 && qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90;
}

// Any dark pixel within a square of half-width r around p.
bool darkNear(const QImage& img, QPoint p, int r = 1)
{
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            if (dark(img, p + QPoint(dx, dy))) return true;
    return false;
}

struct Clock : ::testing::Test
{
    Clock()
    {
        clock.SetBitmaps(6009, 6008);
        clock.resize(clock.GetWindowSize());
        clock.UseSystemTime(false);
    }
    CXAnalogClock clock;
};

TEST(XAnalogClockGeometry, HandPointsFollowTheDial)
{
    const QPoint c(50, 50);
    EXPECT_EQ(CXAnalogClock::HandPoint(c, 0, 30), QPoint(50, 20));  // up
    EXPECT_EQ(CXAnalogClock::HandPoint(c, 15, 30), QPoint(80, 50)); // right
    EXPECT_EQ(CXAnalogClock::HandPoint(c, 30, 30), QPoint(50, 80)); // down
    EXPECT_EQ(CXAnalogClock::HandPoint(c, 45, 30), QPoint(20, 50)); // left
    // 9:30: the hour hand's tick lies between the 9 and the 10.
    const QPoint p = CXAnalogClock::HandPoint(c, 9 * 5 + 30 / 12, 28);
    EXPECT_LT(p.x(), 50 - 20);
    EXPECT_LT(p.y(), 50);
    EXPECT_GT(p.y(), CXAnalogClock::HandPoint(c, 50, 28).y());
}

TEST(XAnalogClockGeometry, WuLinesBlendOnlyBesideTheLine)
{
    QImage img(20, 20, QImage::Format_ARGB32);
    img.fill(Qt::white);
    CXAnalogClock::DrawWuLine(img, QPoint(2, 2), QPoint(17, 8), Qt::black);
    EXPECT_EQ(img.pixel(2, 2), QColor(Qt::black).rgb());
    EXPECT_EQ(img.pixel(17, 8), QColor(Qt::black).rgb());
    // Every column between the ends is touched, and nothing far from the line is.
    for (int x = 3; x < 17; ++x) {
        bool touched = false;
        for (int y = 0; y < 20; ++y)
            if (img.pixel(x, y) != QColor(Qt::white).rgb()) {
                touched = true;
                const double ideal = 2 + (x - 2) * 6.0 / 15.0;
                EXPECT_LE(std::abs(y - ideal), 1.5) << x << "," << y;
            }
        EXPECT_TRUE(touched) << x;
    }
    // A horizontal line is plain pixels.
    QImage flat(10, 3, QImage::Format_ARGB32);
    flat.fill(Qt::white);
    CXAnalogClock::DrawWuLine(flat, QPoint(8, 1), QPoint(1, 1), Qt::black);
    for (int x = 1; x <= 8; ++x)
        EXPECT_EQ(flat.pixel(x, 1), QColor(Qt::black).rgb());
}

TEST_F(Clock, AtThreeTheMinuteHandPointsUpAndTheHourHandRight)
{
    ASSERT_EQ(clock.GetWindowSize(), QSize(100, 100));
    clock.ShowSecondHand(false);
    clock.SetTime(at(2026, 5, 17, 15, 0, 0));
    EXPECT_EQ(clock.GetHour(), 3);
    const QImage img = clock.Render();
    ASSERT_FALSE(img.isNull());
    EXPECT_TRUE(darkNear(img, QPoint(50, 20)));  // minute hand tip region, straight up
    EXPECT_TRUE(darkNear(img, QPoint(72, 50)));  // hour hand, straight right
    EXPECT_FALSE(darkNear(img, QPoint(50, 72))); // nothing points down
    EXPECT_FALSE(darkNear(img, QPoint(28, 50))); // nor left
}

TEST_F(Clock, AnInvalidTimeDrawsTheFaceOnly)
{
    clock.SetTime(at(2026, 5, 17, 15, 0, 0));
    const QImage valid = clock.Render();
    clock.SetTime(QDateTime());
    EXPECT_EQ(clock.GetHour(), -1);
    EXPECT_EQ(clock.GetMinute(), -1);
    EXPECT_EQ(clock.GetSecond(), -1);
    EXPECT_EQ(clock.GetDay(), -1);
    const QImage face = clock.Render();
    ASSERT_FALSE(face.isNull());
    EXPECT_NE(face, valid);
    EXPECT_FALSE(darkNear(face, QPoint(50, 25), 2)); // no minute hand
    EXPECT_FALSE(darkNear(face, QPoint(68, 50), 2)); // no hour hand
    // The face itself is there: its rim is opaque, its corners see-through.
    EXPECT_EQ(qAlpha(face.pixel(50, 2)), 255);
    EXPECT_EQ(qAlpha(face.pixel(0, 0)), 0);
}

TEST_F(Clock, TheCacheFollowsDayHourMinuteAndEverySetter)
{
    clock.SetTime(at(2026, 5, 17, 10, 20, 0));
    clock.Render();
    const int first = clock.FaceDraws();
    clock.SetTime(at(2026, 5, 17, 10, 20, 30)); // a setter: drawn afresh
    clock.Render();
    EXPECT_EQ(clock.FaceDraws(), first + 1);
    clock.Render(); // nothing changed: taken from the cache
    EXPECT_EQ(clock.FaceDraws(), first + 1);
    // The same minute of another hour or day is another picture, even without a setter between.
    const QImage tenTwenty = clock.Render();
    clock.SetTime(at(2026, 5, 18, 11, 20, 30));
    const QImage otherDay = clock.Render();
    EXPECT_NE(tenTwenty, otherDay);
    clock.SetHourHandColor(Qt::blue);
    clock.Render();
    EXPECT_EQ(clock.FaceDraws(), first + 3);
}

TEST_F(Clock, WithoutTheSystemTimeItRunsOnIntoTheNextDay)
{
    clock.SetTime(at(2026, 12, 31, 23, 59, 59));
    clock.Run();
    EXPECT_TRUE(clock.IsClockRunning());
    QSignalSpy ticks(&clock, &CXAnalogClock::ticked);
    ASSERT_TRUE(ticks.wait(2500));
    EXPECT_EQ(clock.GetTime(), at(2027, 1, 1, 0, 0, 0));
    EXPECT_EQ(clock.GetDay(), 1);
    EXPECT_EQ(clock.GetHour(), 12);
    clock.Stop();
    EXPECT_FALSE(clock.IsClockRunning());
}

TEST(XAnalogClockPictures, NothingIsPaintedWithoutBothPictures)
{
    CXAnalogClock clock;
    EXPECT_TRUE(clock.Render().isNull());
    EXPECT_TRUE(clock.GetWindowSize().isEmpty());
    clock.SetBitmaps(6009, 1); // no picture 1
    EXPECT_TRUE(clock.Render().isNull());
    // A new clock tells the computer's time.
    EXPECT_TRUE(clock.IsSystemTime());
    EXPECT_LE(std::abs(clock.GetTime().secsTo(CXAnalogClock::LocalNow())), 2);
}

} // namespace
