// The transfer list and window: statuses and their refusals, the percentage (empty totals, counts
// past the total, sizes past 4 GiB), agents keyed by gateway and address, rows found after sorting
// and clearing, "Clear", failure marking, the window's routing, and the core's notices applied.
#include "ugcell.h"
#include "zrsplitterctrl.h"
#include "zrtransfergrid.h"
#include "zrtransferwnd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <gtest/gtest.h>

namespace {

const QString GA = QStringLiteral("gwA"), GB = QStringLiteral("gwB");
const QString A1 = QStringLiteral("gwA|10.0.0.1"), A2 = QStringLiteral("gwA|10.0.0.2");
const QString B1 = QStringLiteral("gwB|10.0.0.1");
const QString L1 = QStringLiteral("/home/op/app.bin"), L2 = QStringLiteral("/home/op/conf.txt");
const QString R1 = QStringLiteral("\\flash\\app.bin"), R2 = QStringLiteral("\\flash\\conf.txt");

struct Grid : CZRTransferGrid
{
    Grid() { CreateGrid(1); }
    QStringList statuses() const
    {
        QStringList l;
        for (long r = 0; r < GetNumberRows(); ++r) {
            QString t;
            GetStatusInfo(GetRowStatus(r), &t);
            l << t;
        }
        return l;
    }
    QString statusLabel(long row) const { return StoredCell(kColStatus, row)->GetLabelText(); }
};

QStringList texts(std::initializer_list<const char*> l)
{
    QStringList out;
    for (const char* t : l)
        out << QString::fromLatin1(t);
    return out;
}

} // namespace

TEST(TransferGrid, SetupAndStatusTable)
{
    Grid g;
    ASSERT_EQ(g.GetNumberCols(), 5);
    EXPECT_EQ(g.QuickGetText(0, -1), QString());
    EXPECT_EQ(g.QuickGetText(1, -1), QStringLiteral("Device IP"));
    EXPECT_EQ(g.QuickGetText(2, -1), QStringLiteral("Local File"));
    EXPECT_EQ(g.QuickGetText(3, -1), QStringLiteral("Remote File"));
    EXPECT_EQ(g.QuickGetText(4, -1), QStringLiteral("Progress"));
    EXPECT_EQ(g.GetColWidth(0), 30);
    EXPECT_EQ(g.GetColWidth(1), 100);
    EXPECT_EQ(g.GetColWidth(4), 190);
    EXPECT_EQ(g.GetTH_Height(), 25);
    EXPECT_EQ(g.GetSH_Width(), 0);

    const char* texts[] = {
        "Waiting", "Proceed to Gateway", "Transferring (file)", "Transferring (firmware)", "Finished",
        "Failed"};
    for (int s = 1; s <= 6; ++s) {
        QString t;
        EXPECT_EQ(g.GetStatusInfo(s, &t), s - 1);
        EXPECT_EQ(t, QString::fromLatin1(texts[s - 1]));
    }
    QString t = QStringLiteral("x");
    EXPECT_EQ(g.GetStatusInfo(0, &t), -1);
    EXPECT_EQ(g.GetStatusInfo(7, &t), -1);

    // Out-of-range statuses create and change nothing.
    EXPECT_EQ(g.AddItem(0, A1, L1, R1, 10), -1);
    EXPECT_EQ(g.AddItem(7, A1, L1, R1, 10), -1);
    EXPECT_EQ(g.GetNumberRows(), 0);
    const long row = g.AddItem(1, A1, L1, R1, 1000);
    ASSERT_EQ(row, 0);
    EXPECT_EQ(g.statusLabel(row), QStringLiteral("Waiting"));
    EXPECT_EQ(g.QuickGetParam(0, row), 1);
    EXPECT_GE(g.StoredCell(0, row)->GetBitmapIndex(), 0);
    EXPECT_EQ(g.StoredCell(4, row)->GetCellType(), int(UGCT_PROGRESS));
    EXPECT_EQ(g.GetProgress(row), 0);
    EXPECT_EQ(g.UpdateStatus(row, 7, 1), 0);
    EXPECT_EQ(g.UpdateStatus(row, 0, 1), 0);
    EXPECT_EQ(g.GetRowStatus(row), 1);
    // Nothing is editable: the paths are how reports find the row.
    EXPECT_EQ(g.OnEditStart(3, row, nullptr), 0);
}

TEST(TransferGrid, PercentageEdges)
{
    EXPECT_EQ(CZRTransferGrid::Percentage(999, 1000, 3), 99);
    EXPECT_EQ(CZRTransferGrid::Percentage(1000, 1000, 3), 100);
    EXPECT_EQ(CZRTransferGrid::Percentage(995, 1000, 3), 99);
    EXPECT_EQ(CZRTransferGrid::Percentage(0, 1000, 5), 100);
    EXPECT_EQ(CZRTransferGrid::Percentage(1, 3, 3), 33);
    // No division by zero, and a gateway counting past the total shows a full bar.
    EXPECT_EQ(CZRTransferGrid::Percentage(0, 0, 3), 0);
    EXPECT_EQ(CZRTransferGrid::Percentage(50, 0, 2), 0);
    EXPECT_EQ(CZRTransferGrid::Percentage(1001, 1000, 3), 100);
    EXPECT_EQ(CZRTransferGrid::Percentage(~0ull, 1, 3), 100);
    // Past 4 GiB and past 2^53 the counts stay exact: one byte short is never 100.
    const quint64 big = (quint64(1) << 60) + 3;
    EXPECT_EQ(CZRTransferGrid::Percentage(big - 1, big, 3), 99);
    EXPECT_EQ(CZRTransferGrid::Percentage(~0ull - 1, ~0ull, 3), 99);
    const quint64 unit = (quint64(1) << 53) + 1;
    EXPECT_EQ(CZRTransferGrid::Percentage(37 * unit, 100 * unit, 3), 37);
    EXPECT_EQ(CZRTransferGrid::Percentage(quint64(5) << 32, quint64(10) << 32, 3), 50);

    Grid g;
    const quint64 total = quint64(6) << 30;
    const long row = g.AddItem(3, A1, L1, R1, total);
    quint64 done = total - 1;
    ASSERT_EQ(g.UpdateStatus(row, 3, 3, &done, nullptr), 1);
    EXPECT_EQ(g.GetProgress(row), 99);
    EXPECT_EQ(g.GetRecord(row).transferred, total - 1);
    EXPECT_EQ(g.GetRecord(row).total, total);
    ASSERT_EQ(g.UpdateStatus(row, 5, 3), 1);
    EXPECT_EQ(g.GetProgress(row), 100);
    EXPECT_EQ(g.statusLabel(row), QStringLiteral("Finished"));
}

TEST(TransferGrid, UpdatesNameTheStatusTheyExpect)
{
    Grid g;
    g.AddItem(2, A1, L1, R1, 1000);
    g.AddItem(2, A2, L1, R1, 1000);
    g.AddItem(3, A1, L2, R2, 50);
    quint64 done = 400, total = 1000;
    // Wrong expected status: nothing moves.
    EXPECT_EQ(g.UpdateItem(3, 1, A1, L1, R1, &done, &total), 0);
    EXPECT_EQ(g.GetRowStatus(0), 2);
    // Exact paths only.
    EXPECT_EQ(g.UpdateItem(3, 2, A1, L1, QStringLiteral("\\flash\\APP.bin"), &done, &total), 0);
    EXPECT_EQ(g.UpdateItem(3, 2, A1, L1, R1, &done, &total), 1);
    EXPECT_EQ(g.GetRowStatus(0), 3);
    EXPECT_EQ(g.GetProgress(0), 40);
    EXPECT_EQ(g.GetRowStatus(1), 2);
    // Every row of the local file in the expected status, whatever the agent.
    done = 100;
    EXPECT_EQ(g.UpdateItems(2, 2, L1, &done, &total), 1);
    EXPECT_EQ(g.GetProgress(1), 10);
    EXPECT_EQ(g.GetProgress(0), 40);
    // Counts left out keep their values.
    EXPECT_EQ(g.UpdateStatus(0, 3, 3), 1);
    EXPECT_EQ(g.GetRecord(0).transferred, 400u);
    EXPECT_EQ(g.FindFirstItem(3, A1, L2, R2), 2);
    EXPECT_EQ(g.FindFirstItem(2, A1, L2, R2), -1);
}

TEST(TransferGrid, AgentsAreKeyedByGatewayAndAddress)
{
    Grid g;
    const long a = g.AddItem(3, A1, L1, R1, 100);
    const long b = g.AddItem(3, B1, L1, R1, 100);
    g.AddItem(5, A1, L2, R2, 100);
    // Both show the same address, but they are two agents.
    EXPECT_EQ(g.QuickGetText(1, a), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(g.QuickGetText(1, b), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(g.GetDevice(b), B1);
    EXPECT_EQ(g.FindFirstItem(3, B1, L1, R1), b);
    EXPECT_EQ(g.UpdateItem(5, 3, B1, L1, R1), 1);
    EXPECT_EQ(g.GetRowStatus(a), 3);
    EXPECT_EQ(g.GetRowStatus(b), 5);

    // The lost gateway fails only its own unfinished rows.
    g.AddItem(2, B1, L2, R2, 100);
    EXPECT_EQ(g.SetGatewayFail(GA, 0), 1);
    EXPECT_EQ(g.statuses(), texts({"Failed", "Finished", "Finished", "Proceed to Gateway"}));
    // A gateway name that only starts like another is a different gateway.
    EXPECT_EQ(g.SetGatewayFail(QStringLiteral("gw"), 0), 0);
    EXPECT_EQ(g.AddressOfKey(QStringLiteral("gw|10.1.1.1")), QStringLiteral("10.1.1.1"));
    EXPECT_EQ(g.GatewayOfKey(QStringLiteral("gw|10.1.1.1")), QStringLiteral("gw"));
    EXPECT_EQ(g.AddressOfKey(QStringLiteral("10.1.1.1")), QStringLiteral("10.1.1.1"));
    EXPECT_EQ(g.GatewayOfKey(QStringLiteral("10.1.1.1")), QString());
}

TEST(TransferGrid, FailureMarking)
{
    Grid g;
    for (int s = 1; s <= 6; ++s)
        g.AddItem(s, A1, L1, R1, 10);
    g.AddItem(3, A2, L1, R1, 10);
    const QString a1 = A1;
    // A device: everything of it not over fails; Finished stays.
    EXPECT_EQ(g.SetItemFail(&a1, 0), 4);
    EXPECT_EQ(g.statuses(),
              texts({"Failed", "Failed", "Failed", "Failed", "Finished", "Failed", "Transferring (file)"}));
    // A status: only rows in it.
    g.AddItem(2, A2, L2, R2, 10);
    EXPECT_EQ(g.SetItemFail(nullptr, 2), 1);
    EXPECT_EQ(g.GetRowStatus(6), 3);
    EXPECT_EQ(g.SetItemFail(nullptr, 0), 1);
    EXPECT_EQ(g.GetRowStatus(6), 6);
    EXPECT_EQ(g.statusLabel(6), QStringLiteral("Failed"));
    EXPECT_EQ(g.SetFail(99, 0), 0);
}

TEST(TransferGrid, RowsSurviveSortingAndClearing)
{
    Grid g;
    EXPECT_EQ(g.RemoveAllItems(0), 0);
    g.AddItem(3, A2, L1, R1, 100);
    g.AddItem(5, A1, L2, R2, 100);
    g.AddItem(1, B1, L1, R1, 100);
    g.AddItem(6, A1, L1, R1, 100);
    g.AddItem(2, A1, L2, R1, 100);

    // Status column sorts by code; a second press reverses; a new heading starts ascending.
    g.OnTH_LClicked(0, -1, 1, nullptr, nullptr, 0);
    EXPECT_EQ(g.GetSortCol(), 0);
    EXPECT_FALSE(g.IsSortAscending());
    EXPECT_EQ(g.StoredCell(0, -1)->GetCellTypeEx(), long(UGCT_SORTARROWDOWN));
    QList<int> codes;
    for (long r = 0; r < g.GetNumberRows(); ++r)
        codes << g.GetRowStatus(r);
    EXPECT_EQ(codes, (QList<int>{6, 5, 3, 2, 1}));
    g.OnTH_LClicked(2, -1, 1, nullptr, nullptr, 0);
    EXPECT_TRUE(g.IsSortAscending());
    EXPECT_EQ(g.StoredCell(2, -1)->GetCellTypeEx(), long(UGCT_SORTARROWUP));
    EXPECT_EQ(g.StoredCell(0, -1)->GetCellTypeEx(), 0);

    // Updates still find their rows after the reorder, records and all.
    quint64 done = 70, total = 100;
    ASSERT_EQ(g.UpdateItem(3, 3, A2, L1, R1, &done, &total), 1);
    const long r = g.FindFirstItem(3, A2, L1, R1);
    ASSERT_GE(r, 0);
    EXPECT_EQ(g.GetProgress(r), 70);
    EXPECT_EQ(g.QuickGetText(2, r), L1);

    // "Clear" takes Finished and Failed only; the rest keep their data.
    EXPECT_EQ(g.ClearDone(), 2);
    ASSERT_EQ(g.GetNumberRows(), 3);
    for (long i = 0; i < 3; ++i)
        EXPECT_LT(g.GetRowStatus(i), 5);
    EXPECT_EQ(g.GetProgress(g.FindFirstItem(3, A2, L1, R1)), 70);
    EXPECT_GE(g.FindFirstItem(1, B1, L1, R1), 0);
    EXPECT_GE(g.FindFirstItem(2, A1, L2, R1), 0);
    EXPECT_EQ(g.RemoveItem(1, B1, L1, R1), 1);
    EXPECT_EQ(g.RemoveItem(1, B1, L1, R1), 0);
    EXPECT_EQ(g.RemoveAllItems(2), 1);
    EXPECT_EQ(g.RemoveAllItems(0), 1);
    EXPECT_EQ(g.GetNumberRows(), 0);
}

TEST(TransferWnd, ListsRoutingAndLayout)
{
    CZRTransferWnd w;
    ASSERT_EQ(w.CreateWnd(0, QRect(0, 0, 600, 400), nullptr, 7), 1);
    EXPECT_EQ(w.CreateWnd(0, QRect(0, 0, 600, 400), nullptr, 7), 0);
    CZRTransferListWnd* up = w.GetListWnd(0);
    CZRTransferListWnd* down = w.GetListWnd(2);
    ASSERT_TRUE(up && down);
    EXPECT_NE(up, down);
    EXPECT_EQ(w.GetListWnd(1), up);
    EXPECT_EQ(up->GetTitle(), QStringLiteral("  Upload List"));
    EXPECT_EQ(down->GetTitle(), QStringLiteral("  Download List"));

    w.AddTask(2, 1, A1, L1, R1, 10);
    w.AddTask(1, 2, A1, L1, R1, 10);
    w.AddTask(0, 2, A2, L1, R1, 10);
    w.AddTask(0, 2, A1, L1, R2, 10);
    EXPECT_EQ(down->GetGrid()->GetNumberRows(), 1);
    EXPECT_EQ(up->GetGrid()->GetNumberRows(), 3);
    // A firmware upgrade's 3 is shown as 4.
    EXPECT_EQ(w.UpdateTask(1, 3, 2, A1, L1, R1), 1);
    EXPECT_EQ(up->GetGrid()->GetRowStatus(0), 4);
    // Empty remote: every row of the local file in the expected status.
    EXPECT_EQ(w.UpdateTask(0, 3, 2, QString(), L1, QString()), 2);
    EXPECT_EQ(up->GetGrid()->GetRowStatus(1), 3);
    EXPECT_EQ(up->GetGrid()->GetRowStatus(2), 3);
    w.UpdateTask(0, 5, 3, A2, L1, R1);
    const QString a1 = A1;
    w.SetTasksFail(&a1);
    EXPECT_EQ(up->GetGrid()->GetRowStatus(1), 5);
    EXPECT_EQ(up->GetGrid()->GetRowStatus(0), 6);
    EXPECT_EQ(down->GetGrid()->GetRowStatus(0), 6);

    // The button clears finished and failed rows of its own list only.
    w.AddTask(0, 1, A2, L2, R2, 10);
    QTest::mouseClick(up->GetClearButton(), Qt::LeftButton);
    ASSERT_EQ(up->GetGrid()->GetNumberRows(), 1);
    EXPECT_EQ(up->GetGrid()->GetRowStatus(0), 1);
    EXPECT_EQ(down->GetGrid()->GetNumberRows(), 1);
    w.RemoveTask(1, 0, A2, L2, R2);
    EXPECT_EQ(up->GetGrid()->GetNumberRows(), 0);
    w.RemoveAllTasks(2);
    EXPECT_EQ(down->GetGrid()->GetNumberRows(), 0);

    // Strip geometry and expanding by a double click on a title.
    w.show();
    QTest::qWait(1);
    EXPECT_EQ(up->GetClearButton()->geometry(), QRect(up->width() - 81, 2, 80, 22));
    EXPECT_EQ(up->GetGrid()->geometry().top(), 26);
    QTest::mouseDClick(up->GetTitleLabel(), Qt::LeftButton);
    EXPECT_EQ(w.GetSplitter()->GetRowHeight(0), 400 - 26 - 7);
    QTest::mouseDClick(down->GetTitleLabel(), Qt::LeftButton);
    EXPECT_EQ(w.GetSplitter()->GetRowHeight(0), 26);
}

TEST(TransferWnd, CoreNoticesMoveTheRightRows)
{
    CZRTransferWnd w;
    ASSERT_EQ(w.CreateWnd(0, QRect(0, 0, 600, 400), nullptr, 7), 1);
    CZRTransferGrid* up = w.GetListWnd(0)->GetGrid();
    CZRTransferGrid* down = w.GetListWnd(2)->GetGrid();
    // One file to two agents of gateway A and one of gateway B (same address as A1).
    for (const QString& k : {A1, A2, B1})
        w.AddTask(0, 2, k, L1, R1, 1000);

    // Progress towards gateway A moves A's rows only.
    EXPECT_EQ(w.ApplyNotice(1599, A1, 0, 1, 500, 1000, L1, R1), 2);
    EXPECT_EQ(up->GetProgress(0), 50);
    EXPECT_EQ(up->GetProgress(1), 50);
    EXPECT_EQ(up->GetProgress(2), 0);
    // At the gateway: that agent's row goes on to the agent leg.
    EXPECT_EQ(w.ApplyNotice(1595, A1, 0, 5, 1000, 1000, L1, R1), 1);
    EXPECT_EQ(w.ApplyNotice(1595, A2, 0, 5, 1000, 1000, L1, R1), 1);
    EXPECT_EQ(up->GetRowStatus(0), 3);
    EXPECT_EQ(w.ApplyNotice(1599, A1, 0, 2, 250, 1000, L1, R1), 1);
    EXPECT_EQ(up->GetProgress(0), 25);
    // The core's "ended" is Finished, never Failed.
    EXPECT_EQ(w.ApplyNotice(1597, A1, 0, 6, 1000, 1000, L1, R1), 1);
    EXPECT_EQ(up->GetRowStatus(0), 5);
    EXPECT_EQ(up->GetProgress(0), 100);
    // Agent-leg failure: only that agent's transferring row.
    EXPECT_EQ(w.ApplyNotice(1598, A2, 0, 10, 0, 1000, L1, R1), 1);
    EXPECT_EQ(up->GetRowStatus(1), 6);
    EXPECT_EQ(up->GetRowStatus(2), 2);

    // Gateway-leg failure of an upload: every unfinished row of that file behind that gateway,
    // firmware rows included; the other gateway's rows go on.
    w.AddTask(1, 2, A1, L2, R2, 10);
    w.AddTask(1, 2, A2, L2, R2, 10);
    w.UpdateTask(1, 3, 2, A2, L2, R2);
    w.AddTask(1, 2, B1, L2, R2, 10);
    EXPECT_EQ(w.ApplyNotice(1598, A1, 1, 9, 0, 10, L2, R2), 2);
    EXPECT_EQ(up->GetRowStatus(3), 6);
    EXPECT_EQ(up->GetRowStatus(4), 6);
    EXPECT_EQ(up->GetRowStatus(5), 2);

    // Downloads: accepted, at the console, ended; a failure touches only that agent's row.
    w.AddTask(2, 2, A1, L1, R1, 0);
    w.AddTask(2, 2, A2, L1, R1, 0);
    EXPECT_EQ(w.ApplyNotice(1599, A1, 2, 1, 0, 800, L1, R1), 2);
    EXPECT_EQ(w.ApplyNotice(1595, A1, 2, 5, 800, 800, L1, R1), 1);
    EXPECT_EQ(w.ApplyNotice(1597, A1, 2, 6, 800, 800, L1, R1), 1);
    EXPECT_EQ(down->GetRowStatus(0), 5);
    EXPECT_EQ(w.ApplyNotice(1598, A2, 2, 9, 0, 0, L1, R1), 1);
    EXPECT_EQ(down->GetRowStatus(1), 6);
    // A download's bytes are reported before its file has reached the gateway: the bar moves; a
    // failure of the console's leg fails the row whatever stage it is in.
    w.AddTask(2, 2, A1, L2, R2, 0);
    EXPECT_EQ(w.ApplyNotice(1599, A1, 2, 2, 300, 1200, L2, R2), 1);
    EXPECT_EQ(down->GetRowStatus(2), 2);
    EXPECT_EQ(down->GetProgress(2), 25);
    EXPECT_EQ(w.ApplyNotice(1598, A1, 2, 10, 300, 1200, L2, R2), 1);
    EXPECT_EQ(down->GetRowStatus(2), 6);
    // Unknown notices and statuses change nothing.
    EXPECT_EQ(w.ApplyNotice(1596, A1, 0, 6, 0, 0, L1, R1), 0);
    EXPECT_EQ(w.ApplyNotice(1597, B1, 0, 9, 0, 0, L1, R1), 0);
    EXPECT_EQ(up->GetRowStatus(2), 2);
}

TEST(TransferWnd, GatewayLossAndSplitterState)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSettings profile(dir.filePath(QStringLiteral("p.ini")), QSettings::IniFormat);
    {
        CZRTransferWnd w;
        w.SetProfile(&profile);
        ASSERT_EQ(w.CreateWnd(0, QRect(0, 0, 500, 300), nullptr, 7), 1);
        w.show();
        QTest::qWait(1);
        // Without a saved state the lists share the height.
        EXPECT_NEAR(w.GetSplitter()->GetRowFraction(0), 0.5, 0.01);

        // A gateway gone: its rows on both lists fail, the other gateway's go on.
        w.AddTask(0, 3, A1, L1, R1, 10);
        w.AddTask(2, 2, A2, L2, R2, 10);
        w.AddTask(0, 3, B1, L1, R1, 10);
        w.AddTask(2, 5, A1, L1, R1, 10);
        w.SetGatewayFail(GA);
        EXPECT_EQ(w.GetListWnd(0)->GetGrid()->GetRowStatus(0), 6);
        EXPECT_EQ(w.GetListWnd(0)->GetGrid()->GetRowStatus(1), 3);
        EXPECT_EQ(w.GetListWnd(2)->GetGrid()->GetRowStatus(0), 6);
        EXPECT_EQ(w.GetListWnd(2)->GetGrid()->GetRowStatus(1), 5);

        w.ExpandList(w.GetListWnd(2));
        EXPECT_EQ(w.GetSplitter()->GetRowHeight(0), 26);
        w.SaveState();
    }
    CZRTransferWnd again;
    again.SetProfile(&profile);
    ASSERT_EQ(again.CreateWnd(0, QRect(0, 0, 500, 300), nullptr, 7), 1);
    again.show();
    QTest::qWait(1);
    EXPECT_EQ(again.GetSplitter()->GetRowHeight(0), 26);
}

// Progress arrives many times a second per agent; applying it must not stall the console even with
// a long list on screen.
TEST(TransferWnd, ProgressOnALongList)
{
    CZRTransferWnd w;
    ASSERT_EQ(w.CreateWnd(0, QRect(0, 0, 800, 600), nullptr, 7), 1);
    w.show();
    const int agents = 200, files = 10;
    for (int a = 0; a < agents; ++a)
        for (int f = 0; f < files; ++f)
            w.AddTask(0, 3, QStringLiteral("gwA|10.0.%1.%2").arg(a / 250).arg(a % 250),
                      QStringLiteral("/data/f%1.bin").arg(f), QStringLiteral("\\f%1.bin").arg(f), 1000);
    QTest::qWait(1);
    CZRTransferGrid* g = w.GetListWnd(0)->GetGrid();
    ASSERT_EQ(g->GetNumberRows(), agents * files);
    QElapsedTimer timer;
    timer.start();
    const int notices = 5000;
    qint64 worst = 0;
    for (int i = 0; i < notices; ++i) {
        const int a = i % agents, f = (i / agents) % files;
        QElapsedTimer one;
        one.start();
        ASSERT_EQ(w.ApplyNotice(1599, QStringLiteral("gwA|10.0.%1.%2").arg(a / 250).arg(a % 250), 0, 2,
                                quint64(i % 1000), 1000, QStringLiteral("/data/f%1.bin").arg(f),
                                QStringLiteral("\\f%1.bin").arg(f)),
                  1);
        if (i % 500 == 0) QCoreApplication::processEvents();
        worst = qMax(worst, one.nsecsElapsed());
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%d progress notices on %d rows: %.1f ms, %.3f ms each, worst %.3f ms\n", notices,
                agents * files, ms, ms / notices, worst / 1e6);
    EXPECT_LT(worst / 1e6, 100.0);
}
