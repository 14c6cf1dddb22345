// The device information grid and its window: layout, values in the right rows, pictures, clearing,
// placement in the window and the comparison the grids sort with.
#include "zrdevicegrid.h"
#include "zrdevicewnd.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QColor kPanel(241, 255, 213), kCaption(110, 132, 77), kValue(223, 240, 200);
constexpr int kTestPicture = 8999; // a blue picture in the test resources

QString text(CZRDeviceGrid* g, int col, long row)
{
    return g->QuickGetText(col, row);
}

QImage grabbed(QWidget& w)
{
    return w.grab().toImage();
}

TEST(DeviceGrid, LayoutStylesAndSize)
{
    CZRDeviceWnd wnd;
    CZRDeviceGrid* g = wnd.GetGrid();
    EXPECT_EQ(g->GetCtrlId(), CZRDeviceWnd::kGridId);
    EXPECT_EQ(g->GetNumberCols(), 10);
    EXPECT_EQ(g->GetNumberRows(), 17);
    EXPECT_EQ(g->GetSH_Width(), 0);
    EXPECT_EQ(g->GetTH_Height(), 0);
    EXPECT_EQ(g->GetVS_Width(), 0);
    EXPECT_EQ(g->GetHS_Height(), 0);
    EXPECT_FALSE(g->horizontalHeader()->isVisibleTo(g));
    EXPECT_EQ(g->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    const int def = g->GetDefColWidth();
    const int widths[10] = {20, 60, def, def, 40, 60, def, def, def, 20};
    int sumW = 0;
    for (int c = 0; c < 10; ++c) {
        EXPECT_EQ(g->GetColWidth(c), widths[c]) << c;
        EXPECT_EQ(g->columnWidth(c), widths[c]) << c;
        sumW += widths[c];
    }
    EXPECT_EQ(g->GetRowHeight(0), 20);
    EXPECT_EQ(g->GetRowHeight(16), 20);
    EXPECT_EQ(g->GetRowHeight(5), 25);
    EXPECT_EQ(g->rowHeight(16), 20);
    EXPECT_EQ(g->GetGridRect(), QRect(0, 0, sumW, 20 + 15 * 25 + 20));

    // Picture and the four pairs per fact row are joins.
    EXPECT_EQ(g->rowSpan(1, 1), 10);
    EXPECT_EQ(g->columnSpan(1, 1), 8);
    for (int row = 12; row <= 14; ++row)
        for (int col : {1, 3, 5, 7})
            EXPECT_EQ(g->columnSpan(row, col), 2) << col << "," << row;

    const char16_t* captions[2][3] = {{u"Model Name", u"Firmware Version", u"Agent Version"},
                                      {u"CPU Type", u"OS Version", u"Hostname"}};
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 3; ++i) {
            CUGCell c;
            g->GetCell(side ? 5 : 1, 12 + i, &c);
            EXPECT_EQ(c.GetText(), QString::fromUtf16(captions[side][i]));
            EXPECT_EQ(c.GetBackColor(), kCaption);
            EXPECT_EQ(c.GetTextColor(), QColor(Qt::white));
            EXPECT_EQ(c.GetAlignment(), UG_ALIGNRIGHT | UG_ALIGNVCENTER);
            ASSERT_NE(c.GetFont(), nullptr);
            EXPECT_EQ(c.GetFont()->weight(), 600);
            g->GetCell(side ? 7 : 3, 12 + i, &c);
            EXPECT_EQ(c.GetBackColor(), kValue);
        }
    }
    CUGCell plain;
    g->GetCell(0, 0, &plain);
    EXPECT_EQ(plain.GetBackColor(), kPanel);
    EXPECT_EQ(plain.GetBorderColor(), kPanel);
    EXPECT_EQ(plain.GetBorder(), UG_BDR_LTHIN | UG_BDR_TTHIN | UG_BDR_RTHIN | UG_BDR_BTHIN);
    EXPECT_EQ(plain.GetFont()->weight(), 400);
    for (int section : {UG_GRID, UG_TOPHEADING, UG_SIDEHEADING, UG_CORNERBUTTON})
        EXPECT_EQ(g->OnGetDefBackColor(section), kPanel);
    QString hint;
    EXPECT_TRUE(g->OnHint(3, 12, UG_GRID, &hint));
    EXPECT_EQ(hint, QStringLiteral("Col:3 Row:12"));
}

TEST(DeviceGrid, SetBaseInfoPutsEachArgumentInItsRowAndClearingKeepsCaptions)
{
    CZRDeviceWnd wnd;
    CZRDeviceGrid* g = wnd.GetGrid();
    wnd.SetBaseInfo(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                    QStringLiteral("E"), QStringLiteral("F"));
    EXPECT_EQ(text(g, 3, 12), QStringLiteral("A")); // Model Name
    EXPECT_EQ(text(g, 3, 14), QStringLiteral("B")); // Agent Version
    EXPECT_EQ(text(g, 3, 13), QStringLiteral("C")); // Firmware Version
    EXPECT_EQ(text(g, 7, 13), QStringLiteral("D")); // OS Version
    EXPECT_EQ(text(g, 7, 12), QStringLiteral("E")); // CPU Type
    EXPECT_EQ(text(g, 7, 14), QStringLiteral("F")); // Hostname
    CUGCell v;
    g->GetCell(7, 14, &v);
    EXPECT_EQ(v.GetAlignment(), UG_ALIGNLEFT | UG_ALIGNVCENTER);
    EXPECT_EQ(v.GetBackColor(), kValue);

    int index = -5;
    ASSERT_EQ(wnd.SetImage(kTestPicture, &index), 1);
    wnd.ClearAllInfo();
    for (int col : {3, 7})
        for (int row = 12; row <= 14; ++row)
            EXPECT_TRUE(text(g, col, row).isEmpty()) << col << "," << row;
    EXPECT_EQ(text(g, 1, 12), QStringLiteral("Model Name"));
    EXPECT_EQ(text(g, 5, 14), QStringLiteral("Hostname"));
    EXPECT_EQ(g->StoredCell(1, 1)->GetBitmapIndex(), -1);

    // Screen readers find values and captions.
    wnd.SetBaseInfo(QStringLiteral("TX-9"), {}, {}, {}, {}, {});
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(g);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Device information"));
    ASSERT_NE(iface->tableInterface(), nullptr);
    EXPECT_EQ(iface->tableInterface()->cellAt(12, 3)->text(QAccessible::Name), QStringLiteral("TX-9"));
    EXPECT_EQ(iface->tableInterface()->cellAt(12, 1)->text(QAccessible::Name), QStringLiteral("Model Name"));
}

TEST(DeviceGrid, SetImageFormsAndTheirFailures)
{
    CZRDeviceWnd wnd;
    CZRDeviceGrid* g = wnd.GetGrid();
    auto shown = [&] { return g->StoredCell(1, 1)->GetBitmapIndex(); };

    int out = 77;
    EXPECT_EQ(wnd.SetImage(0, &out), 0);
    EXPECT_EQ(out, 77);
    EXPECT_EQ(shown(), -1);

    ASSERT_EQ(wnd.SetImage(kTestPicture, &out), 1);
    ASSERT_GE(out, 0);
    EXPECT_EQ(shown(), out);
    const int resourceIndex = out;

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("model.png"));
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(png));
    ASSERT_EQ(wnd.SetImage(png, &out), 1);
    EXPECT_EQ(shown(), out);
    EXPECT_NE(out, resourceIndex);
    const int fileIndex = out;

    // Failures leave the picture as it was.
    const QString junk = dir.filePath(QStringLiteral("junk.bmp"));
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BM not really a bitmap");
    f.close();
    for (const QString& bad : {junk, dir.filePath(QStringLiteral("missing.bmp")), QString()}) {
        out = 5;
        EXPECT_EQ(wnd.SetImage(bad, &out), 0) << bad.toStdString();
        EXPECT_EQ(out, -1);
        EXPECT_EQ(shown(), fileIndex);
    }
    EXPECT_EQ(wnd.SetImage(QString(), nullptr), 0);
    out = 5;
    EXPECT_EQ(wnd.SetImage(424242, &out), 0); // no such resource
    EXPECT_EQ(out, -1);
    EXPECT_EQ(shown(), fileIndex);

    // The index form switches between pictures already added.
    EXPECT_EQ(wnd.SetImage(resourceIndex), 1);
    EXPECT_EQ(shown(), resourceIndex);
    EXPECT_EQ(wnd.SetImage(resourceIndex), 1);
    EXPECT_EQ(shown(), resourceIndex);

    // The picture is drawn centred in its joined cell.
    wnd.resize(g->GetGridRect().size());
    wnd.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
    const QImage img = grabbed(*g);
    const QRect cell = g->visualRect(g->model()->index(1, 1));
    EXPECT_EQ(QColor(img.pixel(cell.center())), QColor(0x10, 0x60, 0xc0));
    EXPECT_EQ(QColor(img.pixel(cell.left() + 3, cell.center().y())), kPanel); // 120 wide in 535
}

TEST(DeviceWnd, GridIsCentredOrAtTheOriginPerDirection)
{
    CZRDeviceWnd wnd;
    CZRDeviceGrid* g = wnd.GetGrid();
    const QSize need = g->GetGridRect().size();
    wnd.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));

    wnd.resize(need.width() + 101, need.height() + 40);
    QApplication::processEvents();
    EXPECT_EQ(g->geometry(), QRect(50, 20, need.width(), need.height()));

    wnd.resize(need.width() - 100, need.height() - 1);
    QApplication::processEvents();
    EXPECT_EQ(g->geometry(), QRect(0, 0, need.width() - 100, need.height() - 1));

    wnd.resize(need.width() + 10, need.height() - 30); // wider but shorter
    QApplication::processEvents();
    EXPECT_EQ(g->geometry(), QRect(5, 0, need.width(), need.height() - 30));

    wnd.resize(need);
    QApplication::processEvents();
    EXPECT_EQ(g->geometry(), QRect(QPoint(0, 0), need));

    // Around the grid the page shows the panel colour; captions their own.
    wnd.resize(need.width() + 60, need.height() + 60);
    QApplication::processEvents();
    const QImage img = grabbed(wnd);
    EXPECT_EQ(QColor(img.pixel(5, 5)), kPanel);
    const QRect caption = g->visualRect(g->model()->index(12, 1)).translated(g->pos());
    EXPECT_EQ(QColor(img.pixel(caption.left() + 5, caption.center().y())), kCaption);
    const QRect value = g->visualRect(g->model()->index(13, 7)).translated(g->pos());
    EXPECT_EQ(QColor(img.pixel(value.right() - 5, value.center().y())), kValue);
}

TEST(DeviceGrid, SortComparisonIsTheSharedOne)
{
    CZRDeviceWnd wnd;
    CZRDeviceGrid* g = wnd.GetGrid();
    CUGCell a, b, n1, n2, none;
    a.SetText(QStringLiteral("alpha"));
    b.SetText(QStringLiteral("beta"));
    n1.SetNumber(2);
    n2.SetNumber(10);
    EXPECT_EQ(g->OnSortEvaluate(&a, &b, UG_SORT_ASCENDING), -1);
    EXPECT_EQ(g->OnSortEvaluate(&a, &b, UG_SORT_DESCENDING), 1);
    EXPECT_EQ(g->OnSortEvaluate(&n1, &n2, UG_SORT_ASCENDING), -1);
    EXPECT_EQ(g->OnSortEvaluate(nullptr, &a, UG_SORT_DESCENDING), 1);
    EXPECT_EQ(g->OnSortEvaluate(&none, &a, UG_SORT_ASCENDING), 1);
    // Sorting the grid goes through it: column 3's values come out in order.
    g->QuickSetText(3, 12, QStringLiteral("m"));
    g->QuickSetText(3, 13, QStringLiteral("c"));
    g->QuickSetText(3, 14, QStringLiteral("x"));
    ASSERT_EQ(g->SortBy(3, UG_SORT_ASCENDING), UG_SUCCESS);
    EXPECT_EQ(g->QuickGetText(3, 0), QStringLiteral("c"));
    EXPECT_EQ(g->QuickGetText(3, 1), QStringLiteral("m"));
    EXPECT_EQ(g->QuickGetText(3, 2), QStringLiteral("x"));
}

} // namespace
