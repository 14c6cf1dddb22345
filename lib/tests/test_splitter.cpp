// The splitter's layout rules and saved-state bytes; tool-bar buttons added at run time.
#include "toolbarbtn.h"
#include "zrsplitterctrl.h"

#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

// Two rows, one column, 401 pixels of rows (the bar takes 4).
struct TwoRows : ::testing::Test
{
    TwoRows()
    {
        s.resize(300, 401 + SplitterCtrlBase::kBar);
        s.AddRow();
        s.AddRow();
        s.AddColumn();
        s.SetWindow(0, 0, top = new QLabel);
        s.SetWindow(1, 0, bottom = new QLabel);
    }
    CZRSplitterCtrl s;
    QLabel* top;
    QLabel* bottom;
};

QByteArray state(qint32 rows, qint32 cols, std::initializer_list<std::pair<qint32, double>> lines)
{
    QByteArray b;
    auto put = [&b](const void* p, int n) { b.append(static_cast<const char*>(p), n); };
    qint32 le = qToLittleEndian(rows);
    put(&le, 4);
    le = qToLittleEndian(cols);
    put(&le, 4);
    for (auto [size, fraction] : lines) {
        le = qToLittleEndian(size);
        put(&le, 4);
        quint64 bits;
        std::memcpy(&bits, &fraction, 8);
        bits = qToLittleEndian(bits);
        put(&bits, 8);
    }
    return b;
}

TEST_F(TwoRows, DynamicHeightsMustAddUpToAHundred)
{
    s.SetHeightsForDynamic({50, 50});
    EXPECT_FALSE(s.SetHeightsForDynamic({60, 30}));
    EXPECT_EQ(s.GetRowHeight(0), 201); // 50 % of 401, rounded
    EXPECT_DOUBLE_EQ(s.GetRowFraction(0), 0.5);

    EXPECT_TRUE(s.SetHeightsForDynamic({75, 25}));
    EXPECT_EQ(s.GetRowHeight(0), 301);
    EXPECT_EQ(s.GetRowHeight(1), 100);
    EXPECT_DOUBLE_EQ(s.GetRowFraction(0), 0.75);
    EXPECT_EQ(top->height(), 301);
    EXPECT_EQ(bottom->y(), 301 + SplitterCtrlBase::kBar);

    // In the dynamic mode the rows follow the window.
    s.SetResizeMode(SplitterCtrlBase::ResizeDynamic);
    s.resize(300, 801 + SplitterCtrlBase::kBar);
    s.Update();
    EXPECT_EQ(s.GetRowHeight(0), 601);
    EXPECT_EQ(s.GetRowHeight(1), 200);
}

TEST_F(TwoRows, StaticRowsKeepTheirSizeAndTheLastAbsorbs)
{
    s.SetMinRowHeight(20);
    s.SetHeightForStatic(0, 5);
    EXPECT_EQ(s.GetRowHeight(0), 20); // never below the minimum
    s.SetHeightForStatic(0, 150);
    s.resize(300, 604);
    s.Update();
    EXPECT_EQ(s.GetRowHeight(0), 150);
    EXPECT_EQ(s.GetRowHeight(1), 450);
}

TEST_F(TwoRows, SavedBytesHaveTheProfileLayoutAndComeBack)
{
    s.SetHeightsForDynamic({75, 25});
    const QByteArray bytes = s.SaveStateBytes();
    ASSERT_EQ(bytes.size(), 8 + 12 * 3);
    EXPECT_EQ(bytes, state(2, 1, {{300, 1.0}, {301, 0.75}, {100, 0.25}}));

    CZRSplitterCtrl other;
    other.resize(300, 405);
    other.AddRow();
    other.AddRow();
    other.AddColumn();
    EXPECT_TRUE(other.LoadStateBytes(bytes));
    EXPECT_EQ(other.GetRowHeight(0), 301);
    EXPECT_DOUBLE_EQ(other.GetRowFraction(1), 0.25);
    EXPECT_EQ(other.SaveStateBytes(), bytes);

    // Through the profile under a section and an entry.
    QTemporaryDir dir;
    QSettings profile(dir.filePath(QStringLiteral("p.ini")), QSettings::IniFormat);
    EXPECT_FALSE(other.LoadState(&profile, QStringLiteral("FileManager"), QStringLiteral("Main")));
    ASSERT_TRUE(s.SaveState(&profile, QStringLiteral("FileManager"), QStringLiteral("Main")));
    other.SetHeightsForDynamic({50, 50});
    EXPECT_TRUE(other.LoadState(&profile, QStringLiteral("FileManager"), QStringLiteral("Main")));
    EXPECT_EQ(other.GetRowHeight(0), 301);
}

TEST_F(TwoRows, StatesThatDoNotFitAreRefusedAndChangeNothing)
{
    s.SetHeightsForDynamic({75, 25});
    const QByteArray before = s.SaveStateBytes();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QByteArray bad[] = {
        QByteArray(),
        QByteArray("\x02\x00\x00", 3),
        state(1, 1, {{300, 1.0}, {401, 1.0}}),                           // other counts
        state(2, 2, {{150, 0.5}, {150, 0.5}, {301, 0.75}, {100, 0.25}}), // other counts
        state(2, 1, {{300, 1.0}, {301, 0.75}}),                          // cut short
        state(2, 1, {{300, 1.0}, {301, 0.75}, {100, 0.25}}) + "x",       // too long
        state(2, 1, {{300, 1.0}, {-5, 0.75}, {100, 0.25}}),              // negative size
        state(2, 1, {{300, 1.0}, {70000000, 0.75}, {100, 0.25}}),        // absurd size
        state(2, 1, {{300, 1.0}, {301, nan}, {100, 0.25}}),              // not a number
        state(2, 1, {{300, 1.0}, {301, 0.9}, {100, 0.9}}),               // more than the whole
        state(-1, 1, {}),
    };
    for (const QByteArray& b : bad) {
        EXPECT_FALSE(s.LoadStateBytes(b)) << b.toHex().constData();
        EXPECT_EQ(s.SaveStateBytes(), before);
    }
}

TEST(ToolBarButtons, PicturesGoToTheirListsWithTheFirstStoredPixelTransparent)
{
    QToolBar bar;
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(qRgb(10, 20, 30));
    img.setPixel(0, 2, qRgb(255, 0, 255)); // bottom-left: stored first
    img.setPixel(3, 0, qRgb(255, 0, 255));
    EXPECT_EQ(AddBitmap2ToolBar(QImage(), TB_SETIMAGELIST, &bar), -1);
    EXPECT_EQ(AddBitmap2ToolBar(img, TB_SETIMAGELIST, &bar), 0);
    EXPECT_EQ(AddBitmap2ToolBar(img, TB_SETIMAGELIST, &bar), 1);
    EXPECT_EQ(AddBitmap2ToolBar(img, TB_SETHOTIMAGELIST, &bar), 0);
    EXPECT_EQ(AddBitmap2ToolBar(img, 9999, &bar), 2); // any other selector: the normal list
    ASSERT_EQ(ToolBarImages(&bar, TB_SETHOTIMAGELIST).size(), 1);
    const QImage stored = ToolBarImages(&bar, TB_SETIMAGELIST).at(0).toImage();
    EXPECT_EQ(qAlpha(stored.pixel(0, 2)), 0);
    EXPECT_EQ(qAlpha(stored.pixel(3, 0)), 0);
    EXPECT_EQ(qAlpha(stored.pixel(1, 1)), 255);
}

TEST(ToolBarButtons, InsertedAtPositionWithCommandAndText)
{
    QToolBar bar;
    bar.addAction(QStringLiteral("first"));
    bar.addAction(QStringLiteral("second"));
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::red);
    EXPECT_NE(InsertBtn2ToolBar(1, 41000, QStringLiteral("Mobile"), &bar, img, img), 0);
    EXPECT_NE(InsertBtn2ToolBar(7, 41001, QStringLiteral("Other"), &bar, QImage(), img), 0);
    ASSERT_EQ(bar.actions().size(), 4);
    EXPECT_EQ(bar.actions().at(1)->text(), QStringLiteral("Mobile"));
    EXPECT_EQ(bar.actions().at(1)->data().toInt(), 41000);
    EXPECT_FALSE(bar.actions().at(1)->icon().isNull());
    EXPECT_EQ(bar.actions().at(3)->data().toInt(), 41001);
    EXPECT_EQ(ToolBarButtonImage(&bar, 41000), 0);
    EXPECT_EQ(ToolBarButtonImage(&bar, 41001), -1);
    EXPECT_TRUE(bar.actions().at(3)->icon().isNull());
    EXPECT_EQ(ToolBarImages(&bar, TB_SETDISABLEDIMAGELIST).size(), 2);
}

} // namespace
