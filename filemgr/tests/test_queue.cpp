// The task queue's matching rules, its Remove through the console, and the window around it.
#include "fmtest.h"
#include "resource.h"
#include "zrfilemgrwnd.h"
#include "zrqueuelist.h"
#include "zrrmtshelllistwnd.h"
#include "zrshelllistwnd.h"
#include "zrsplitterctrl.h"

#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

TEST(Queue, RowsShowDirectionAndFirmwareState)
{
    CZRQueueList q;
    EXPECT_EQ(q.AddTask(1, 0, QStringLiteral("/l/a"), QStringLiteral("/r/a")), 0);
    EXPECT_EQ(q.AddTask(2, 2, QStringLiteral("/l/b"), QStringLiteral("/r/b")), 1);
    EXPECT_EQ(q.AddTask(3, 1, QStringLiteral("/l/fw"), QStringLiteral("/r/fw")), 2);
    EXPECT_EQ(q.topLevelItem(0)->text(2), QStringLiteral("-->"));
    EXPECT_EQ(q.topLevelItem(1)->text(2), QStringLiteral("<--"));
    EXPECT_EQ(q.GetTask(2).status, 4); // firmware on its way shows as firmware
    EXPECT_FALSE(q.topLevelItem(0)->icon(0).isNull());
}

TEST(Queue, UpdateAndRemoveMatchAsTheConsoleExpects)
{
    CZRQueueList q;
    q.AddTask(1, 0, QStringLiteral("/l/a"), QStringLiteral("/r1/a"));
    q.AddTask(1, 0, QStringLiteral("/l/a"), QStringLiteral("/r2/a"));
    q.AddTask(1, 2, QStringLiteral("/l/a"), QStringLiteral("/r3/a"));
    q.UpdateTask(3, 0, QStringLiteral("/l//a"), QString()); // every upload row of that file
    EXPECT_EQ(q.GetTask(0).status, 3);
    EXPECT_EQ(q.GetTask(1).status, 3);
    EXPECT_EQ(q.GetTask(2).status, 1);

    EXPECT_EQ(q.RemoveTask(2, 0, QStringLiteral("/l/a"), QStringLiteral("/r2/a")), 0); // status differs
    EXPECT_EQ(q.RemoveTask(0, 0, QStringLiteral("/l/a"), QStringLiteral("/r2/a")), 1); // 0: any status
    EXPECT_EQ(q.GetTaskCount(), 2);
    EXPECT_EQ(q.GetTask(0).remotePath, QStringLiteral("/r1/a"));
    q.UpdateTask(4, 0, QStringLiteral("/l/a"), QStringLiteral("/r1/a"));
    EXPECT_EQ(q.RemoveTask(4, 0, QStringLiteral("/l/a"), QStringLiteral("/elsewhere")), 1); // 4: any remote
    EXPECT_EQ(q.GetTaskCount(), 1);
    EXPECT_FALSE(q.GetTask(0).upload);

    EXPECT_TRUE(q.HoldsLocal(QStringLiteral("/l/./a"), false));
    EXPECT_FALSE(q.HoldsLocal(QStringLiteral("/l/a"), true));
    EXPECT_TRUE(q.HoldsRemote(QStringLiteral("//r3//a"), -1));
    EXPECT_FALSE(q.HoldsRemote(QStringLiteral("/r3/a"), 1));
    q.RemoveAllTasks();
    EXPECT_EQ(q.GetTaskCount(), 0);
}

namespace {
struct Cancels
{
    static inline int answer = 1;
    static inline std::vector<QString> asked;
    static int Cancel(int kind, const QString& local, const QString& remote, void*, const QString& key)
    {
        asked.push_back(QStringLiteral("%1 %2 %3 %4").arg(kind).arg(local, remote, key));
        return answer;
    }
};
} // namespace

TEST(Queue, RemoveCancelsTheWaitingTaskThroughTheConsoleOrIsNotOffered)
{
    CZRQueueList q;
    q.AddTask(1, 2, QStringLiteral("/l/a"), QStringLiteral("/r/a"));
    q.AddTask(2, 2, QStringLiteral("/l/b"), QStringLiteral("/r/b"));
    EXPECT_EQ(q.ContextMenuFor(0), nullptr); // no way to cancel: no menu
    q.SetTaskAction(&Cancels::Cancel, nullptr, QStringLiteral("gw|10.0.0.1"));
    EXPECT_EQ(q.ContextMenuFor(1), nullptr); // running tasks are not removed here
    std::unique_ptr<QMenu> menu(q.ContextMenuFor(0));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("File Manager (Task)"));
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->data().toInt(), ID_FM_REMOVETASK);

    Cancels::answer = 0; // the console could not drop it: the row stays
    menu->actions()[0]->trigger();
    EXPECT_EQ(q.GetTaskCount(), 2);
    Cancels::answer = 1;
    menu->actions()[0]->trigger();
    EXPECT_EQ(q.GetTaskCount(), 1);
    ASSERT_EQ(Cancels::asked.size(), 2u);
    EXPECT_EQ(Cancels::asked[1], QStringLiteral("2 /l/a /r/a gw|10.0.0.1"));
}

TEST(FileManagerWindow, DefaultLayoutOrTheSavedOne)
{
    QTemporaryDir dir;
    QSettings profile(dir.filePath(QStringLiteral("p.ini")), QSettings::IniFormat);
    CZRFileMgrWnd w;
    w.SetProfile(&profile);
    ASSERT_EQ(w.CreateWnd(0, QRect(0, 0, 800, 604), nullptr, 21006), 1);
    EXPECT_EQ(w.CreateWnd(0, QRect(0, 0, 800, 604), nullptr, 21006), 0);
    EXPECT_EQ(w.OuterSplitter()->GetRowHeight(0), 450);
    EXPECT_EQ(w.OuterSplitter()->GetRowHeight(1), 150);
    EXPECT_EQ(w.InnerSplitter()->GetColumnWidth(0), w.InnerSplitter()->GetColumnWidth(1));
    EXPECT_EQ(w.Queue()->parentWidget(), w.OuterSplitter());
    EXPECT_EQ(w.Local()->parentWidget(), w.InnerSplitter());

    // A layout written for this grid is used; one for another grid is not.
    CZRSplitterCtrl model;
    model.resize(800, 604);
    model.AddRow();
    model.AddRow();
    model.AddColumn();
    model.SetResizeMode(CZRSplitterCtrl::ResizeDynamic);
    model.SetHeightsForDynamic({50, 50});
    model.SaveState(&profile, QStringLiteral("FileManager"), QStringLiteral("Main"));
    model.SaveState(&profile, QStringLiteral("FileManager"), QStringLiteral("Shell")); // wrong counts
    CZRFileMgrWnd again;
    again.SetProfile(&profile);
    ASSERT_EQ(again.CreateWnd(0, QRect(0, 0, 800, 604), nullptr, 21006), 1);
    EXPECT_EQ(again.OuterSplitter()->GetRowHeight(0), 300);
    EXPECT_DOUBLE_EQ(again.InnerSplitter()->GetColumnFraction(0), 0.5);

    // Made empty, as the info view makes its pages, and sized later: the default shares hold.
    CZRFileMgrWnd page;
    page.SetProfile(&profile);
    profile.remove(QStringLiteral("FileManager"));
    ASSERT_EQ(page.CreateWnd(0, QRect(), nullptr, 21006), 1);
    page.show();
    page.resize(800, 604);
    EXPECT_EQ(page.OuterSplitter()->GetRowHeight(0), 450);
    EXPECT_EQ(page.InnerSplitter()->GetColumnWidth(0), (800 - CZRSplitterCtrl::kBar) / 2);

    // Tasks go to the queue; a refresh reaches the side asked for.
    EXPECT_EQ(again.AddTask(1, 0, QStringLiteral("/l"), QStringLiteral("/r")), 0);
    EXPECT_EQ(again.RemoveTask(0, 0, QStringLiteral("/l"), QString()), 1);
}
