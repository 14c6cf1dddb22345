// The device information panel: layout, texts, pictures and placement.
#include <zrdevicegrid.h>
#include <zrdevicewnd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {
struct DeviceGrid : ::testing::Test
{
    DeviceGrid()
    {
        wnd.resize(800, 600);
        wnd.show();
    }
    CZRDeviceGrid* grid() { return wnd.GetGrid(); }
    QString text(int col, long row) { return grid()->QuickGetText(col, row); }
    CZRDeviceWnd wnd;
};
} // namespace

TEST_F(DeviceGrid, BaseInfoGoesToItsCaptionsInArgumentOrder)
{
    wnd.SetBaseInfo(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                    QStringLiteral("E"), QStringLiteral("F"));
    EXPECT_EQ(text(1, 12), QStringLiteral("Model Name"));
    EXPECT_EQ(text(3, 12), QStringLiteral("A"));
    EXPECT_EQ(text(1, 13), QStringLiteral("Firmware Version"));
    EXPECT_EQ(text(3, 13), QStringLiteral("C"));
    EXPECT_EQ(text(1, 14), QStringLiteral("Agent Version"));
    EXPECT_EQ(text(3, 14), QStringLiteral("B"));
    EXPECT_EQ(text(5, 12), QStringLiteral("CPU Type"));
    EXPECT_EQ(text(7, 12), QStringLiteral("E"));
    EXPECT_EQ(text(5, 13), QStringLiteral("OS Version"));
    EXPECT_EQ(text(7, 13), QStringLiteral("D"));
    EXPECT_EQ(text(5, 14), QStringLiteral("Hostname"));
    EXPECT_EQ(text(7, 14), QStringLiteral("F"));

    CUGCell caption, value;
    grid()->GetCell(1, 12, &caption);
    EXPECT_EQ(caption.GetBackColor(), QColor(110, 132, 77));
    EXPECT_EQ(caption.GetTextColor(), QColor(Qt::white));
    grid()->GetCell(7, 14, &value);
    EXPECT_EQ(value.GetBackColor(), QColor(223, 240, 200));

    // Clearing keeps the captions and empties the values and the picture.
    int index = -5;
    ASSERT_EQ(wnd.SetImage(20043, &index), 1);
    wnd.ClearAllInfo();
    EXPECT_EQ(text(5, 14), QStringLiteral("Hostname"));
    EXPECT_EQ(text(7, 14), QString());
    EXPECT_EQ(text(3, 12), QString());
    CUGCell picture;
    grid()->GetCell(1, 1, &picture);
    EXPECT_EQ(picture.GetBitmapIndex(), -1);
}

TEST_F(DeviceGrid, JoinsAndSize)
{
    int col = 6;
    long row = 9;
    grid()->GetJoinStartCell(&col, &row);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 1);
    col = 4;
    row = 13;
    grid()->GetJoinStartCell(&col, &row);
    EXPECT_EQ(col, 3);
    EXPECT_EQ(row, 13);

    QRect need;
    grid()->GetGridRect(&need);
    const int dflt = grid()->GetDefColWidth();
    EXPECT_EQ(need.width(), 20 + 60 + dflt + dflt + 40 + 60 + dflt + dflt + dflt + 20);
    EXPECT_EQ(need.height(), 20 + 15 * 25 + 20);
}

TEST_F(DeviceGrid, WindowCentresTheGridOrPinsItToTheOrigin)
{
    QRect need;
    grid()->GetGridRect(&need);
    wnd.resize(need.width() + 101, need.height() + 51);
    EXPECT_EQ(grid()->geometry(), QRect(50, 25, need.width(), need.height()));
    wnd.resize(need.width() - 10, need.height() - 20);
    EXPECT_EQ(grid()->geometry(), QRect(0, 0, need.width() - 10, need.height() - 20));
}

TEST_F(DeviceGrid, PictureForms)
{
    int index = 77;
    EXPECT_EQ(wnd.SetImage(0, &index), 0);
    EXPECT_EQ(index, 77);
    EXPECT_EQ(wnd.SetImage(QStringLiteral("/nonexistent/TRN-310.bmp"), &index), 0);
    EXPECT_EQ(index, -1);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TRN-1.bmp"));
    QImage img(40, 30, QImage::Format_RGB888);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(path));
    int first = -1;
    ASSERT_EQ(wnd.SetImage(path, &first), 1);
    EXPECT_GE(first, 0);
    // A file that is not a picture: refused, the former picture kept.
    const QString junk = dir.filePath(QStringLiteral("junk.bmp"));
    QFile f(junk);
    f.open(QIODevice::WriteOnly);
    f.write("not a bitmap");
    f.close();
    EXPECT_EQ(wnd.SetImage(junk, &index), 0);
    EXPECT_EQ(index, -1);
    CUGCell picture;
    grid()->GetCell(1, 1, &picture);
    EXPECT_EQ(picture.GetBitmapIndex(), first);
    EXPECT_EQ(wnd.SetImage(first), 1);
}

TEST(DeviceGridSort, SharedComparison)
{
    CUGCell a, b;
    a.SetText(QStringLiteral("abc"));
    b.SetText(QStringLiteral("abd"));
    EXPECT_EQ(CUGCtrl::DefaultSortEvaluate(&a, &b, UG_SORT_ASCENDING), -1);
    EXPECT_EQ(CUGCtrl::DefaultSortEvaluate(&a, &b, UG_SORT_DESCENDING), 1);
    EXPECT_EQ(CUGCtrl::DefaultSortEvaluate(nullptr, &b, UG_SORT_ASCENDING), 1);
    EXPECT_EQ(CUGCtrl::DefaultSortEvaluate(&a, nullptr, UG_SORT_ASCENDING), -1);
    EXPECT_EQ(CUGCtrl::DefaultSortEvaluate(nullptr, nullptr, UG_SORT_ASCENDING), 0);
    CUGCell n1, n2;
    n1.SetNumber(10);
    n2.SetNumber(9);
    EXPECT_EQ(CUGCtrl::DefaultSortEvaluate(&n1, &n2, UG_SORT_ASCENDING), 1);
}
