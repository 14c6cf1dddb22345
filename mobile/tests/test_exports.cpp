// The export table bound from the built module, as the console binds it.
#include "mobiletest.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QToolBar>

TEST(MobileExports, AllSixteenBindByNameAndAnswer)
{
    MobileExports& m = MobileExports::get();
    ASSERT_EQ(m.bound, 16) << qPrintable(MobileExports::modulePath());
    EXPECT_EQ(m.Test(5), 15);
    EXPECT_EQ(m.EnableFeature(u""), 0);
    EXPECT_EQ(m.EnableFeature(nullptr), 0);
    EXPECT_EQ(m.EnableFeature(u"K7230-T"), 1);
    EXPECT_EQ(m.EnableFeature(u"TRN-K520"), 1);
    EXPECT_EQ(m.EnableFeature(u"K530"), 1);
    EXPECT_EQ(m.EnableFeature(u"TRN-200-LX"), 0);
}

TEST(MobileExports, EveryExportIgnoresANullOrStaleHandle)
{
    MobileExports& m = MobileExports::get();
    ASSERT_EQ(m.bound, 16);
    SendRecorder rec;
    const ZRMobileReply reply{302, u"gw|10.0.0.1", u"0"};
    int bogus = 0;
    for (void* handle : {static_cast<void*>(nullptr), static_cast<void*>(&bogus)}) {
        m.DestroyWnd(handle);
        m.SetVersion(handle, u"2.1.1");
        m.SetModel(handle, u"K520");
        m.SetNick(handle, u"gw|10.0.0.1");
        ASSERT_NE(m.GetNick(handle), nullptr);
        EXPECT_EQ(m.GetNick(handle)[0], u'\0');
        m.SetSendMessageCB(handle, &SendRecorder::Callback, nullptr, &rec);
        m.ReceiveMessage(handle, &reply);
        m.EnableATRelated(handle, 1);
        m.Init(handle);
        m.Reset(handle);
        EXPECT_EQ(m.HasMessageBox(handle), 0);
    }
    EXPECT_TRUE(rec.sent.empty());
    // A destroyed window is a stale handle too.
    QWidget parent;
    void* w = m.CreateWnd(&parent);
    ASSERT_NE(w, nullptr);
    m.DestroyWnd(w);
    m.SetNick(w, u"gw|10.0.0.1");
    m.Init(w);
    EXPECT_EQ(m.GetNick(w)[0], u'\0');
    EXPECT_TRUE(parent.children().isEmpty());
}

TEST(MobileExports, WindowKeepsTheNickUntilReset)
{
    MobileExports& m = MobileExports::get();
    ASSERT_EQ(m.bound, 16);
    QWidget parent;
    void* w = m.CreateWnd(&parent);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(static_cast<QWidget*>(w)->parentWidget(), &parent);
    m.SetNick(w, u"plant|10.1.0.7");
    EXPECT_EQ(QString::fromUtf16(m.GetNick(w)), QStringLiteral("plant|10.1.0.7"));
    // Six navigation items with the page numbers as data, SIM Status last.
    auto* items = static_cast<QWidget*>(w)->findChild<QListWidget*>(QStringLiteral("NavigationItems"));
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(items->count(), 6);
    const int data[] = {0, 1, 2, 3, 4, 5};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(items->item(i)->data(Qt::UserRole).toInt(), data[i]);
    EXPECT_EQ(items->item(5)->text(), QStringLiteral("SIM Status"));
    EXPECT_FALSE(items->item(0)->icon().isNull());
    m.Reset(w);
    EXPECT_EQ(QString::fromUtf16(m.GetNick(w)), QString());
    // Reset leaves the card unknown: only the functions that need no SIM are offered.
    EXPECT_EQ(items->count(), 2);
    m.DestroyWnd(w);
}

TEST(MobileExports, MenuAndToolBarInsertionWithClampedPositions)
{
    MobileExports& m = MobileExports::get();
    ASSERT_EQ(m.bound, 16);
    QMenu menu;
    menu.addAction(QStringLiteral("a"));
    menu.addAction(QStringLiteral("b"));
    menu.addAction(QStringLiteral("c"));
    EXPECT_EQ(m.Insert2Menu(&menu, 1), 1);
    ASSERT_EQ(menu.actions().size(), 5);
    EXPECT_TRUE(menu.actions().at(1)->isSeparator());
    EXPECT_EQ(menu.actions().at(2)->data().toInt(), ID_CTX_MOBILE);
    EXPECT_EQ(menu.actions().at(2)->text(), QStringLiteral("Mobile"));
    EXPECT_EQ(m.Insert2Menu(nullptr, 0), 0);

    QToolBar main, second;
    for (int i = 0; i < 4; ++i)
        main.addAction(QString::number(i));
    second.addAction(QStringLiteral("x"));
    // Positions past the end, and negative ones, are clamped and still advance.
    int mainPos = 99, secondPos = -5;
    m.Insert2ToolBar(nullptr, &main, &second, &mainPos, &secondPos);
    ASSERT_EQ(main.actions().size(), 6);
    EXPECT_TRUE(main.actions().at(4)->isSeparator());
    EXPECT_EQ(main.actions().at(5)->data().toInt(), ID_MOBILE);
    EXPECT_EQ(mainPos, 6);
    ASSERT_EQ(second.actions().size(), 2);
    EXPECT_EQ(second.actions().at(0)->data().toInt(), ID_CTX_MOBILE);
    EXPECT_EQ(secondPos, 1);
    EXPECT_FALSE(main.actions().at(5)->icon().isNull());
    // No bars, no positions: nothing happens.
    m.Insert2ToolBar(nullptr, nullptr, nullptr, nullptr, nullptr);
    int p = 0;
    m.Insert2ToolBar(nullptr, &main, nullptr, nullptr, &p);
    EXPECT_EQ(main.actions().size(), 8);
    EXPECT_EQ(p, 0);
}
