// The process grid: groups and counts per agent, memory line, removals that keep to their own
// agent, the stop mark following its row, the kill flow through the console's callback, sorting
// inside the groups, and a 5,000-row fill.
#include "messagebox.h"
#include "zrprocessgrid.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

QString operator""_q(const char* s, size_t n)
{
    return QString::fromUtf8(s, qsizetype(n));
}

struct Sent
{
    QString argument, key;
    int number = 0;
    void* context = nullptr;
};

struct Console
{
    std::vector<Sent> sent;
    int result = 1;
};

int requestAction(const QString& argument, int number, void* context, const QString& key)
{
    auto* c = static_cast<Console*>(context);
    c->sent.push_back({argument, key, number, context});
    return c->result;
}

// Records every box and answers it.
struct Boxes
{
    std::vector<MessageRecord> shown;
    int answer = IDOK;
    Boxes()
    {
        SetMessageHandler([this](const MessageRecord& r) {
            shown.push_back(r);
            return answer;
        });
    }
    ~Boxes() { SetMessageHandler({}); }
};

struct Grid : CZRProcessGrid
{
    Console console;
    Grid()
    {
        CreateGrid(1);
        SetNick(QStringLiteral("gw"));
        SetRequestAction(&requestAction, 5, &console);
    }
    QStringList col0() const
    {
        QStringList l;
        for (long r = 0; r < GetNumberRows(); ++r)
            l << QuickGetText(0, r);
        return l;
    }
    long rowOf(const QString& pid) const { return long(col0().indexOf(pid)); }
};

const QString A = QStringLiteral("10.0.0.1"), B = QStringLiteral("10.0.0.2"), C = QStringLiteral("10.0.0.3");

// Rows inserted inside the grid are published together; the operator's selection, the current
// cell and a selection read in the middle of the burst all stay on the same process.
TEST(ProcessGrid, ProcessesArrivingAboveKeepTheSelectedProcess)
{
    Grid g;
    g.resize(600, 400);
    g.show();
    g.AddProcessItem(A, QStringLiteral("1"), QStringLiteral("init"));
    g.AddProcessItem(B, QStringLiteral("20"), QStringLiteral("sshd"));
    g.AddProcessItem(B, QStringLiteral("21"), QStringLiteral("httpd"));
    QCoreApplication::processEvents();
    const long picked = g.rowOf(QStringLiteral("21"));
    g.SelectRange(0, picked, 2, picked);
    g.GotoCell(0, picked);
    for (int i = 0; i < 5; ++i)
        g.AddProcessItem(A, QString::number(100 + i), QStringLiteral("worker"));
    EXPECT_FALSE(g.IsUpdateEnabled()); // the burst is still open
    QString pid, name;
    EXPECT_EQ(g.GetSelectedItem(pid, name), g.rowOf(QStringLiteral("21")));
    EXPECT_EQ(pid, QStringLiteral("21"));
    EXPECT_TRUE(g.IsUpdateEnabled());
    for (int i = 5; i < 8; ++i)
        g.AddProcessItem(A, QString::number(100 + i), QStringLiteral("worker"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(g.IsUpdateEnabled());
    EXPECT_EQ(g.GetSelectedItem(pid, name), g.rowOf(QStringLiteral("21")));
    EXPECT_EQ(name, QStringLiteral("httpd"));
    EXPECT_EQ(g.GetCurrentRow(), g.rowOf(QStringLiteral("21")));
    EXPECT_EQ(g.model()->rowCount(), g.GetNumberRows());
    EXPECT_EQ(g.GetAgentCount(0), 9);
}

TEST(ProcessGrid, LooksAndCaptions)
{
    Grid g;
    EXPECT_EQ(g.GetNumberCols(), 3);
    EXPECT_EQ(g.QuickGetText(0, -1), QStringLiteral("ID"));
    EXPECT_EQ(g.QuickGetText(1, -1), QStringLiteral("Process"));
    EXPECT_EQ(g.QuickGetText(2, -1), QStringLiteral("Kill"));
    EXPECT_EQ(g.GetColWidth(0), 150);
    EXPECT_EQ(g.GetColWidth(1), 360);
    EXPECT_EQ(g.GetColWidth(2), 90);
    EXPECT_EQ(g.GetTH_Height(), 26);
    EXPECT_EQ(g.GetDefRowHeight(), 25);
    EXPECT_EQ(g.GetSH_Width(), 0);
    EXPECT_TRUE(g.GetHighlightRow());
    EXPECT_EQ(g.OnGetDefBackColor(UG_GRID), QColor(241, 255, 213));
    EXPECT_EQ(g.GetCellTypeColors(UGCT_EXPAND).size(), 5);
    EXPECT_EQ(g.accessibleName(), QStringLiteral("Processes"));
}

TEST(ProcessGrid, GroupsCountsJoinsAndMemoryLine)
{
    Grid g;
    g.AddProcessItem(A, QStringLiteral("1"), QStringLiteral("init"));
    g.AddProcessItem(B, QStringLiteral("7"), QStringLiteral("sshd"));
    g.AddProcessItem(A, QStringLiteral("2"), QStringLiteral("httpd"));
    // A's second process stays in A's group, above its separator.
    EXPECT_EQ(g.col0(), QStringList({A, "1"_q, "2"_q, ""_q, B, "7"_q, ""_q}));
    EXPECT_TRUE(g.IsAgentRow(0));
    EXPECT_TRUE(g.IsAgentRow(4));
    EXPECT_FALSE(g.IsAgentRow(3));
    EXPECT_EQ(g.GetAgentCount(0), 2);
    EXPECT_EQ(g.GetAgentCount(4), 1);
    EXPECT_EQ(g.QuickGetText(1, 2), QStringLiteral("httpd"));
    CUGCell cell;
    g.GetCell(2, 2, &cell);
    EXPECT_EQ(cell.GetCellType(), UGCT_PUSHBUTTON);
    EXPECT_GE(cell.GetBitmapIndex(), 0); // the kill picture ships with the library
    g.GetCell(1, 0, &cell);
    EXPECT_EQ(cell.GetBorder(), UG_BDR_BMEDIUM);
    // Memory line joined over columns 1 and 2; separators over all three. Rows inserted inside
    // the grid reach the view at the next turn of the event loop.
    QCoreApplication::processEvents();
    EXPECT_EQ(g.columnSpan(0, 1), 2);
    EXPECT_EQ(g.columnSpan(3, 0), 3);
    EXPECT_EQ(g.columnSpan(6, 0), 3);

    long row = -1;
    EXPECT_EQ(g.HasAgent(row, B), 1);
    EXPECT_EQ(row, 4);
    EXPECT_EQ(g.HasAgent(row, QStringLiteral("10.0.0.")), 0); // exact names only
    EXPECT_EQ(row, 7);
    QString name;
    EXPECT_EQ(g.GetParentAgent(3, name), 1);
    EXPECT_EQ(name, A);
    EXPECT_EQ(g.GetParentAgent(5, name), 1);
    EXPECT_EQ(name, B);
    EXPECT_EQ(g.GetParentAgent(-1, name), 0);
    EXPECT_EQ(g.GetParentAgent(99, name), 0);

    g.SetMemory(A, 1024, 4096);
    EXPECT_EQ(g.QuickGetText(1, 0), QStringLiteral("Memory: 3072 KB / 4096 KB"));
    g.SetMemory(B, 5000, 4096); // more free than total: no wrapped-around figure
    EXPECT_EQ(g.QuickGetText(1, 4), QStringLiteral("Memory: 0 KB / 4096 KB"));
    g.SetMemory(C, 0, 8388608000ull); // above 32 bits
    EXPECT_EQ(g.QuickGetText(1, 7), QStringLiteral("Memory: 8388608000 KB / 8388608000 KB"));
    EXPECT_EQ(g.GetAgentCount(7), 0);
    EXPECT_EQ(g.GetNumberRows(), 9);
    EXPECT_EQ(g.AddAgent(C), 7);
}

TEST(ProcessGrid, RemovalsKeepToTheirOwnAgent)
{
    Grid g;
    g.AddAgent(C); // an agent with no processes
    for (const QString& pid : {"1"_q, "2"_q, "3"_q})
        g.AddProcessItem(A, pid, QStringLiteral("p%1").arg(pid));
    g.AddProcessItem(B, QStringLiteral("8"), QStringLiteral("b8"));
    g.AddProcessItem(B, QStringLiteral("9"), QStringLiteral("b9"));
    const QStringList before = g.col0();

    // An absent agent's group removes nothing.
    EXPECT_EQ(g.RemoveAllProcess(QStringLiteral("10.9.9.9")), 0);
    EXPECT_EQ(g.RemoveProcess(QStringLiteral("10.9.9.9"), QStringLiteral("8")), 0);
    EXPECT_EQ(g.col0(), before);
    // A pid of another agent is not this agent's.
    EXPECT_EQ(g.RemoveProcess(A, QStringLiteral("8")), 0);
    EXPECT_EQ(g.col0(), before);

    // Killing one of A's three, then refreshing A: B's rows untouched, counts right.
    EXPECT_EQ(g.RemoveProcess(A, QStringLiteral("2")), 1);
    long a = 0;
    g.HasAgent(a, A);
    EXPECT_EQ(g.GetAgentCount(a), 2);
    EXPECT_EQ(g.RemoveAllProcess(A), 1);
    EXPECT_EQ(g.col0(), QStringList({C, ""_q, B, "8"_q, "9"_q, ""_q}));
    EXPECT_EQ(g.GetAgentCount(2), 2);

    // The empty agent's group is its two rows and no more.
    EXPECT_EQ(g.RemoveAllProcess(C), 1);
    EXPECT_EQ(g.col0(), QStringList({B, "8"_q, "9"_q, ""_q}));
    // Refilled afterwards, the process lands in B's group.
    g.AddProcessItem(B, QStringLiteral("10"), QStringLiteral("b10"));
    EXPECT_EQ(g.col0(), QStringList({B, "8"_q, "9"_q, "10"_q, ""_q}));
    EXPECT_EQ(g.GetAgentCount(0), 3);
    g.RemoveAll();
    EXPECT_EQ(g.GetNumberRows(), 0);
}

TEST(ProcessGrid, StopMarkFollowsItsRowAndIsClearedWhenItGoes)
{
    Boxes boxes;
    Grid g;
    g.AddProcessItem(A, QStringLiteral("1"), QStringLiteral("a1"));
    g.AddProcessItem(B, QStringLiteral("5"), QStringLiteral("b5"));
    g.AddProcessItem(B, QStringLiteral("6"), QStringLiteral("b6"));

    // Cancel: nothing sent, nothing marked.
    boxes.answer = IDCANCEL;
    EXPECT_EQ(g.StopProcess(g.rowOf("6"_q), true), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Kill the process?"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Kill"));
    EXPECT_EQ(boxes.shown[0].icon, unsigned(MB_ICONQUESTION));
    EXPECT_EQ(boxes.shown[0].buttons, unsigned(MB_OKCANCEL));
    EXPECT_TRUE(g.console.sent.empty());
    EXPECT_FALSE(g.IsWaiting4Remove());

    boxes.answer = IDOK;
    EXPECT_EQ(g.StopProcess(g.rowOf("6"_q), true), 1);
    ASSERT_EQ(g.console.sent.size(), 1u);
    EXPECT_EQ(g.console.sent[0].argument, QStringLiteral("6 b6"));
    EXPECT_EQ(g.console.sent[0].number, 5);
    EXPECT_EQ(g.console.sent[0].key, QStringLiteral("gw|") + B);
    EXPECT_EQ(g.console.sent[0].context, &g.console);
    EXPECT_EQ(g.GetWaitingRow(), g.rowOf("6"_q));

    // Rows inserted above and a group removed above: the mark moves with its row.
    g.AddProcessItem(A, QStringLiteral("2"), QStringLiteral("a2"));
    EXPECT_EQ(g.GetWaitingRow(), g.rowOf("6"_q));
    g.RemoveProcess(B, QStringLiteral("5"));
    EXPECT_EQ(g.GetWaitingRow(), g.rowOf("6"_q));
    g.RemoveAllProcess(A);
    EXPECT_EQ(g.GetWaitingRow(), g.rowOf("6"_q));
    EXPECT_EQ(g.GetWaitingRow(), 1);

    // A second stop while one waits is refused with its message, from the menu too.
    boxes.shown.clear();
    EXPECT_EQ(g.StopProcess(0, false), 0);
    EXPECT_EQ(g.StopProcess(g.rowOf("6"_q), false), 0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Some process is being stopped."));
    EXPECT_EQ(boxes.shown[1].caption, QStringLiteral("Process Manager"));
    EXPECT_EQ(boxes.shown[1].buttons, unsigned(MB_OK));
    EXPECT_EQ(g.console.sent.size(), 1u);

    // The answer removes exactly the marked row; B's count follows.
    g.AddProcessItem(B, QStringLiteral("7"), QStringLiteral("b7"));
    EXPECT_EQ(g.RemoveProcess(), 1);
    EXPECT_EQ(g.col0(), QStringList({B, "7"_q, ""_q}));
    EXPECT_EQ(g.GetAgentCount(0), 1);
    EXPECT_FALSE(g.IsWaiting4Remove());
    EXPECT_EQ(g.RemoveProcess(), 0); // a late duplicate answer removes nothing

    // The marked row's group goes (a refresh): no mark left, the next stop goes out.
    EXPECT_EQ(g.StopProcess(1, false), 1);
    g.RemoveAllProcess(B);
    EXPECT_FALSE(g.IsWaiting4Remove());
    g.AddProcessItem(B, QStringLiteral("8"), QStringLiteral("b8"));
    EXPECT_EQ(g.RemoveProcess(), 0);
    EXPECT_EQ(g.col0(), QStringList({B, "8"_q, ""_q}));
    EXPECT_EQ(g.StopProcess(1, false), 1);
    g.RemoveAll();
    EXPECT_FALSE(g.IsWaiting4Remove());

    // A callback that sends nothing leaves no mark behind.
    g.AddProcessItem(B, QStringLiteral("9"), QStringLiteral("b9"));
    g.console.result = 0;
    EXPECT_EQ(g.StopProcess(1, false), 0);
    EXPECT_FALSE(g.IsWaiting4Remove());
    // Agent rows and separators are no processes.
    g.console.result = 1;
    const size_t n = g.console.sent.size();
    EXPECT_EQ(g.StopProcess(0, false), 0);
    EXPECT_EQ(g.StopProcess(2, false), 0);
    EXPECT_EQ(g.console.sent.size(), n);
}

TEST(ProcessGrid, TwoQuickKillsWithTheButtonNeverRemoveTheWrongRow)
{
    Boxes boxes;
    Grid g;
    for (int i = 1; i <= 4; ++i)
        g.AddProcessItem(A, QString::number(i), QStringLiteral("p%1").arg(i));
    g.resize(700, 400);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    auto clickKill = [&g](long row) {
        const QRect r = g.visualRect(g.model()->index(int(row), 2));
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, r.center());
    };
    clickKill(g.rowOf("2"_q));
    ASSERT_EQ(g.console.sent.size(), 1u);
    EXPECT_EQ(g.console.sent[0].argument, QStringLiteral("2 p2"));
    clickKill(g.rowOf("3"_q)); // before the first answer came
    EXPECT_EQ(g.console.sent.size(), 1u);
    EXPECT_EQ(boxes.shown.back().text, QStringLiteral("Some process is being stopped."));
    g.RemoveProcess();
    g.UpdateGrid();
    EXPECT_EQ(g.col0(), QStringList({A, "1"_q, "3"_q, "4"_q, ""_q}));
    EXPECT_EQ(g.HasSelectedItem(), 0);
    clickKill(g.rowOf("3"_q));
    ASSERT_EQ(g.console.sent.size(), 2u);
    EXPECT_EQ(g.console.sent[1].argument, QStringLiteral("3 p3"));
}

TEST(ProcessGrid, SelectionAndRightClickReportProcessRowsOnly)
{
    Grid g;
    g.AddProcessItem(A, QStringLiteral("1"), QStringLiteral("a1"));
    g.AddProcessItem(A, QStringLiteral("2"), QStringLiteral("a2"));
    QString pid, name;
    g.GotoRow(0);
    EXPECT_EQ(g.HasSelectedItem(), 0);
    EXPECT_EQ(g.GetSelectedItem(pid, name), -1);
    g.GotoRow(2);
    EXPECT_EQ(g.HasSelectedItem(), 1);
    EXPECT_EQ(g.GetSelectedItem(pid, name), 2);
    EXPECT_EQ(pid, QStringLiteral("2"));
    EXPECT_EQ(name, QStringLiteral("a2"));

    EXPECT_EQ(g.GetRClickedItem(pid, name), -1);
    g.OnRClicked(1, 2, 1, nullptr, nullptr, 0);
    EXPECT_EQ(g.GetRClickedItem(pid, name), 2);
    g.OnRClicked(0, 0, 1, nullptr, nullptr, 0); // agent row
    EXPECT_EQ(g.GetRClickedItem(pid, name), -1);
    g.OnRClicked(2, 1, 1, nullptr, nullptr, 0); // the button has no text
    EXPECT_EQ(g.GetRClickedItem(pid, name), -1);
    g.OnRClicked(0, 1, 1, nullptr, nullptr, 0);
    g.RemoveProcess(A, QStringLiteral("1"));
    EXPECT_EQ(g.GetRClickedItem(pid, name), -1); // its row went
    EXPECT_EQ(g.OnMenuStart(0, -1, UG_TOPHEADING), 0);
}

TEST(ProcessGrid, SortsInsideEachGroupByLabelAndTheMarkFollows)
{
    Boxes boxes;
    Grid g;
    for (const QString& pid : {"30"_q, "4"_q, "100"_q})
        g.AddProcessItem(A, pid, QStringLiteral("p%1").arg(pid));
    for (const QString& pid : {"2"_q, "1"_q})
        g.AddProcessItem(B, pid, QStringLiteral("p%1").arg(pid));
    g.StopProcess(g.rowOf("4"_q), false);

    g.OnTH_LClicked(0, -1, 1, nullptr, nullptr, 0);
    EXPECT_EQ(g.col0(), QStringList({A, "100"_q, "30"_q, "4"_q, ""_q, B, "1"_q, "2"_q, ""_q}));
    EXPECT_EQ(g.QuickGetText(1, 1), QStringLiteral("p100")); // whole rows move
    CUGCell head;
    g.GetCell(0, -1, &head);
    EXPECT_EQ(head.GetCellType(), UGCT_SORTARROW);
    EXPECT_EQ(head.GetCellTypeEx(), UGCT_SORTARROWUP);
    EXPECT_EQ(g.GetWaitingRow(), g.rowOf("4"_q));

    g.OnTH_LClicked(0, -1, 1, nullptr, nullptr, 0); // same heading: the other way
    EXPECT_EQ(g.col0(), QStringList({A, "4"_q, "30"_q, "100"_q, ""_q, B, "2"_q, "1"_q, ""_q}));
    g.GetCell(0, -1, &head);
    EXPECT_EQ(head.GetCellTypeEx(), UGCT_SORTARROWDOWN);
    EXPECT_EQ(g.GetWaitingRow(), g.rowOf("4"_q));

    g.OnTH_LClicked(1, -1, 1, nullptr, nullptr, 0); // a new heading starts ascending, arrow moves
    g.GetCell(0, -1, &head);
    EXPECT_NE(head.GetCellType(), UGCT_SORTARROW);
    EXPECT_EQ(g.GetSortCol(), 1);
    EXPECT_EQ(g.GetSortFlags(), UG_SORT_ASCENDING);
    // Groups keep their shape: counts and joins still fit.
    QCoreApplication::processEvents();
    EXPECT_EQ(g.GetAgentCount(0), 3);
    EXPECT_EQ(g.GetAgentCount(5), 2);
    EXPECT_EQ(g.columnSpan(0, 1), 2);
    EXPECT_EQ(g.columnSpan(4, 0), 3);
    EXPECT_EQ(g.RemoveProcess(), 1);
    EXPECT_EQ(g.rowOf("4"_q), -1);
    EXPECT_EQ(g.GetAgentCount(0), 2);
}

TEST(ProcessGrid, FiveThousandRowsFillSortAndGroupRemoval)
{
    Grid g;
    g.resize(700, 500);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    QElapsedTimer t;
    t.start();
    g.EnableUpdate(false);
    for (int agent = 0; agent < 50; ++agent) {
        const QString name = QStringLiteral("10.1.0.%1").arg(agent);
        for (int p = 0; p < 100; ++p)
            g.AddProcessItem(name, QString::number(p * 7919 % 10007), QStringLiteral("proc%1").arg(p));
        g.SetMemory(name, 1000, 4000);
    }
    g.EnableUpdate(true);
    QCoreApplication::processEvents();
    const qint64 fill = t.restart();
    g.SortItems(0, UG_SORT_ASCENDING);
    QCoreApplication::processEvents();
    const qint64 sort = t.restart();
    EXPECT_EQ(g.RemoveAllProcess(QStringLiteral("10.1.0.25")), 1);
    QCoreApplication::processEvents();
    const qint64 removal = t.elapsed();
    std::printf("[ figures ] 5,000 process rows: fill %lld ms, sort %lld ms, removal of one agent %lld ms\n",
                qint64(fill), qint64(sort), qint64(removal));
    EXPECT_EQ(g.GetNumberRows(), 49 * 102);
    long row = 0;
    EXPECT_EQ(g.HasAgent(row, QStringLiteral("10.1.0.26")), 1);
    EXPECT_EQ(g.GetAgentCount(row), 100);
    // Bounds far above what the grid needs, so that a per-row signal or quadratic scan shows.
    EXPECT_LT(fill, 3000);
    EXPECT_LT(sort, 1500);
    EXPECT_LT(removal, 500);
}

TEST(ProcessGrid, AccessibleNameAndKillButtonText)
{
    Grid g;
    g.AddProcessItem(A, QStringLiteral("1"), QStringLiteral("init"));
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&g);
    ASSERT_TRUE(iface);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Processes"));
    EXPECT_EQ(g.model()->index(1, 2).data(Qt::AccessibleTextRole).toString(), QStringLiteral("Kill init"));
}

TEST(GroupGridSort, TwoMissingTextsTieWhateverTheType)
{
    Grid g;
    for (int type : std::initializer_list<int>{UGCELLDATA_STRING, UGCELLDATA_TIME, 0, 9}) {
        CUGCell x, y;
        x.SetDataType(type);
        y.SetDataType(type);
        EXPECT_EQ(g.OnSortEvaluate(&x, &y, UG_SORT_ASCENDING), 0) << type;
        EXPECT_EQ(g.OnSortEvaluate(&x, &y, UG_SORT_DESCENDING), 0) << type;
    }
}

} // namespace
