// The service grid: groups per agent, state cells, the updating mark through inserts, removals and
// failures, and the right-click rules of its context menu.
#include "zrservicegrid.h"

#include <QMenu>

#include <gtest/gtest.h>

namespace {

QString operator""_q(const char* s, size_t n)
{
    return QString::fromUtf8(s, qsizetype(n));
}

const QString A = QStringLiteral("10.0.0.1"), B = QStringLiteral("10.0.0.2");

struct Grid : CZRServiceGrid
{
    Grid() { CreateGrid(2); }
    QStringList col(int c) const
    {
        QStringList l;
        for (long r = 0; r < GetNumberRows(); ++r)
            l << QuickGetText(c, r);
        return l;
    }
    long rowOf(const QString& id) const { return long(col(0).indexOf(id)); }
};

TEST(ServiceGrid, CaptionsGroupsAndStates)
{
    Grid g;
    EXPECT_EQ(g.QuickGetText(0, -1), QStringLiteral("ID"));
    EXPECT_EQ(g.QuickGetText(1, -1), QStringLiteral("Service"));
    EXPECT_EQ(g.QuickGetText(2, -1), QStringLiteral("Status"));
    EXPECT_EQ(g.GetColWidth(0), 150);
    EXPECT_EQ(g.GetColWidth(1), 225);
    EXPECT_EQ(g.GetColWidth(2), 225);
    EXPECT_EQ(g.accessibleName(), QStringLiteral("Services"));

    g.AddServiceItem(A, QStringLiteral("sshd"), QStringLiteral("Secure shell"), 1);
    g.AddServiceItem(B, QStringLiteral("ntpd"), QStringLiteral("Time"), 0);
    g.AddServiceItem(A, QStringLiteral("cron"), QStringLiteral("Scheduler"), 7);
    EXPECT_EQ(g.col(0), QStringList({A, "sshd"_q, "cron"_q, ""_q, B, "ntpd"_q, ""_q}));
    EXPECT_EQ(g.GetAgentCount(0), 2);
    EXPECT_EQ(g.GetAgentCount(4), 1);
    EXPECT_EQ(g.columnSpan(0, 0), 3);
    EXPECT_EQ(g.columnSpan(3, 0), 1); // plain separator

    struct
    {
        long row;
        const char* text;
        int param;
        int bitmap;
    } const want[] = {{1, "Started", 1, CZRServiceGrid::kStartedBitmap},
                      {5, "Stopped", 0, CZRServiceGrid::kStoppedBitmap},
                      {2, "Unknown", 7, CZRServiceGrid::kStoppedBitmap}};
    CUGCell stopped;
    g.GetCell(2, 5, &stopped);
    for (const auto& w : want) {
        CUGCell c;
        g.GetCell(2, w.row, &c);
        EXPECT_EQ(c.GetText(), QString::fromLatin1(w.text)) << w.row;
        EXPECT_EQ(c.GetParam(), w.param) << w.row;
        EXPECT_EQ(c.GetAlignment(), UG_ALIGNCENTER | UG_ALIGNVCENTER);
        EXPECT_GE(c.GetBitmapIndex(), 0);
        if (w.bitmap == CZRServiceGrid::kStoppedBitmap)
            EXPECT_EQ(c.GetBitmapIndex(), stopped.GetBitmapIndex()) << w.row;
        else
            EXPECT_NE(c.GetBitmapIndex(), stopped.GetBitmapIndex()) << w.row;
    }
}

TEST(ServiceGrid, UpdatingMarkFollowsItsRowAndIsClearedOnFailure)
{
    Grid g;
    g.AddServiceItem(A, QStringLiteral("a1"), QStringLiteral("x"), 0);
    g.AddServiceItem(B, QStringLiteral("b1"), QStringLiteral("y"), 0);
    g.AddServiceItem(B, QStringLiteral("b2"), QStringLiteral("z"), 0);

    EXPECT_EQ(g.SetServiceStatus(1), 0); // nothing waits: nothing written
    g.SetUpdateStatus(0);                // an agent row never waits
    EXPECT_FALSE(g.IsWaiting4Update());

    g.SetUpdateStatus(g.rowOf("b2"_q));
    g.AddServiceItem(A, QStringLiteral("a2"), QStringLiteral("x"), 0); // above the marked row
    g.RemoveService(B, QStringLiteral("b1"));
    EXPECT_EQ(g.GetUpdateRow(), g.rowOf("b2"_q));
    EXPECT_EQ(g.GetAgentCount(g.rowOf(B)), 1);
    EXPECT_EQ(g.SetServiceStatus(1), 1);
    EXPECT_FALSE(g.IsWaiting4Update());
    EXPECT_EQ(g.QuickGetText(2, g.rowOf("b2"_q)), QStringLiteral("Started"));
    EXPECT_EQ(g.QuickGetText(2, g.rowOf("a2"_q)), QStringLiteral("Stopped"));

    // A failure clears the mark and leaves the state as it was.
    g.SetUpdateStatus(g.rowOf("a1"_q));
    g.ClearUpdateStatus();
    EXPECT_FALSE(g.IsWaiting4Update());
    EXPECT_EQ(g.SetServiceStatus(1), 0);
    EXPECT_EQ(g.QuickGetText(2, g.rowOf("a1"_q)), QStringLiteral("Stopped"));

    // The marked row's group goes: no stale mark lands on the rows that take its place.
    g.SetUpdateStatus(g.rowOf("a2"_q));
    EXPECT_EQ(g.RemoveAllService(A), 1);
    EXPECT_FALSE(g.IsWaiting4Update());
    EXPECT_EQ(g.col(0), QStringList({B, "b2"_q, ""_q}));
    EXPECT_EQ(g.RemoveAllService(A), 0);
    EXPECT_EQ(g.col(0), QStringList({B, "b2"_q, ""_q}));
    g.SetUpdateStatus(1);
    g.RemoveAll();
    EXPECT_FALSE(g.IsWaiting4Update());
}

TEST(ServiceGrid, RightClickMenuOnlyOnServiceCellsWithText)
{
    Grid g;
    QMenu menu;
    menu.addAction(QStringLiteral("Start"));
    g.SetContextMenu(&menu);
    g.AddServiceItem(A, QStringLiteral("sshd"), QString(), 1);
    QString id;
    EXPECT_EQ(g.OnMenuStart(0, -1, UG_GRID), 0); // heading
    EXPECT_EQ(g.OnMenuStart(0, 0, UG_GRID), 0);  // agent row
    EXPECT_EQ(g.OnMenuStart(1, 1, UG_GRID), 0);  // no text
    EXPECT_EQ(g.GetRClickedItem(id), -1);
    EXPECT_EQ(g.OnMenuStart(2, 1, UG_GRID), 1);
    EXPECT_EQ(g.GetRClickedItem(id), 1);
    EXPECT_EQ(id, QStringLiteral("sshd"));
    EXPECT_EQ(g.OnMenuStart(0, 2, UG_GRID), 0); // separator clears the record
    EXPECT_EQ(g.GetRClickedItem(id), -1);

    g.GotoRow(0);
    EXPECT_EQ(g.HasSelectedItem(), 0);
    EXPECT_EQ(g.GetSelectedItem(id), -1);
    g.GotoRow(1);
    EXPECT_EQ(g.GetSelectedItem(id), 1);
}

} // namespace
