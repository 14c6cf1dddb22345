// Start-up from the profile, and the info view's pages.
#include "consoletest.h"
#include "pluginhost.h"
#include "resource.h"

#include <QDir>

using Startup = ConsoleFixture;

TEST_F(Startup, NoGatewaySectionGivesAnEmptyTreeAndDefaults)
{
    start("[File Upload]\r\nRemoteDir=\r\n");
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_EQ(control()->GetGatewayCount(), 0);
    EXPECT_EQ(doc()->UploadLocalDir(), QString());
    // Present but empty is not missing: no default.
    EXPECT_EQ(doc()->UploadRemoteDir(), QString());
    EXPECT_EQ(control()->GetThreadCount(), 0);
}

TEST_F(Startup, GatewayEntriesFollowTheProfileRules)
{
    QDir(dir.path()).mkdir(QStringLiteral("fw"));
    QFile file(dir.filePath(QStringLiteral("a-file")));
    file.open(QIODevice::WriteOnly);
    file.close();
    const QByteArray profile = "[gateway]\n"
                               "count=5\n"
                               "Name1=\n"
                               "IP1=10.0.0.1\n"
                               "Port1=6000\n"
                               "NAME2=Line (A)\n"
                               "IP2=10.0.0.2\n"
                               "Name3=Line (A)\n"
                               "IP3=10.0.0.3\n"
                               "Name4=line (a)\n"
                               "IP4=10.0.0.4\n"
                               "Name5=\n"
                               "IP5=\n"
                               "[File Upload]\n"
                               "LocalDir=" +
                               dir.filePath(QStringLiteral("a-file")).toUtf8() +
                               "\n"
                               "[Firmware Upgrade]\n"
                               "LocalDir=" +
                               dir.filePath(QStringLiteral("fw")).toUtf8() + "\n";
    start(profile);
    // The duplicate third entry and the empty fifth get neither a record nor a node; names differing
    // in case are two.
    ASSERT_EQ(tree()->topLevelItemCount(), 3);
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), QStringLiteral("10.0.0.1 (10.0.0.1)"));
    EXPECT_EQ(tree()->topLevelItem(1)->text(0), QStringLiteral("Line (A) (10.0.0.2)"));
    EXPECT_EQ(tree()->topLevelItem(2)->text(0), QStringLiteral("line (a) (10.0.0.4)"));
    EXPECT_EQ(control()->GetGatewayCount(), 3);
    EXPECT_EQ(control()->GetGateway(QStringLiteral("10.0.0.1")).GetPort(), QStringLiteral("6000"));
    EXPECT_EQ(control()->GetGateway(QStringLiteral("Line (A)")).GetPort(), QStringLiteral("54321"));
    EXPECT_EQ(control()->GetGateway(QStringLiteral("Line (A)")).GetIPAddr(), QStringLiteral("10.0.0.2"));
    EXPECT_EQ(tree()->FindGateway(QStringLiteral("Line (A)")), tree()->topLevelItem(1));
    EXPECT_EQ(tree()->FindGateway(QStringLiteral("line (a)")), tree()->topLevelItem(2));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(CZRAgentTree::Param(tree()->topLevelItem(i)), NODE_GATEWAY);
        EXPECT_EQ(tree()->StateImage(tree()->topLevelItem(i)), IMG_GATEWAY_OFF);
    }
    // A file is not a folder; a folder is kept; the remote folder defaults to "\".
    EXPECT_EQ(doc()->UploadLocalDir(), QString());
    EXPECT_EQ(doc()->UpgradeLocalDir(), dir.filePath(QStringLiteral("fw")));
    EXPECT_EQ(doc()->UploadRemoteDir(), QStringLiteral("\\"));
    // Nothing connects by itself.
    EXPECT_EQ(control()->GetThreadCount(), 0);
}

TEST_F(Startup, InfoViewSwitchesPagesAndShowsTheLogoOtherwise)
{
    start("");
    CTarnInfoView* view = frame->InfoView();
    // The Mobile plug-in, when it is beside the tests, adds its page after the six.
    ASSERT_EQ(view->Pages().size(), CZRPluginHost::Of(frame.get())->MobileWnd() ? 7u : 6u);
    const int order[6] = {PAGE_DEVLIST, PAGE_PROCESS, PAGE_SERVICE, PAGE_FILEMGR, PAGE_TRANSFER, PAGE_DEVICE};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(view->Pages()[i].id, order[i]);
    EXPECT_TRUE(view->ShowsBackground());
    view->SwitchPage(PAGE_DEVICE);
    EXPECT_EQ(view->CurrentPage(), PAGE_DEVICE);
    EXPECT_FALSE(view->ShowsBackground());
    EXPECT_TRUE(view->GetPage(PAGE_DEVICE)->isVisible());
    view->SwitchPage(PAGE_DEVICE);
    EXPECT_TRUE(view->GetPage(PAGE_DEVICE)->isVisible());
    view->SwitchPage(42);
    EXPECT_EQ(view->CurrentPage(), 0);
    EXPECT_TRUE(view->ShowsBackground());
    EXPECT_FALSE(view->GetPage(PAGE_DEVICE)->isVisible());
    view->SwitchPage(PAGE_DEVLIST);
    view->SwitchPage(0);
    EXPECT_FALSE(view->GetPage(PAGE_DEVLIST)->isVisible());
    EXPECT_TRUE(view->ShowsBackground());
}

TEST_F(Startup, UnbuiltCommandsStayDisabledAndSelectionDrivesConnect)
{
    start("[Gateway]\nCount=1\nName1=G\nIP1=127.0.0.1\n");
    frame->UpdateCommandUI();
    // Nothing selected: no agent command.
    EXPECT_FALSE(frame->Action(ID_CONNECT)->isEnabled());
    tree()->setCurrentItem(tree()->topLevelItem(0));
    EXPECT_TRUE(frame->Action(ID_CONNECT)->isEnabled());
    EXPECT_FALSE(frame->Action(ID_DISCONNECT)->isEnabled());
    // Not built yet, or no target: an off-line gateway is not one.
    for (int id : {ID_UPLOAD, ID_UPGRADE, ID_FILEMGR, ID_TRANSFER_LIST, ID_PROCESS, ID_SERVICE, ID_NETWORK,
                   ID_DATETIME, ID_AUTOLAUNCH, ID_STOP_PROCESS, ID_START_SERVICE, ID_STOP_SERVICE,
                   ID_CTX_UPLOAD, ID_CTX_PROCESS, ID_CTX_STOP_SERVICE})
        EXPECT_FALSE(frame->Action(id)->isEnabled()) << id;
    EXPECT_TRUE(frame->Action(ID_APP_ABOUT)->isEnabled());
    EXPECT_TRUE(frame->Action(ID_GATEWAY_MANAGER)->isEnabled());
    EXPECT_TRUE(frame->Action(ID_PROPERTIES)->isEnabled()); // needs no target
    // Every command the menus carry has its id as the action's data.
    for (int id : {ID_CTX_CONNECT, ID_CTX_REBOOT, ID_CONNECT, ID_STOP_SERVICE, ID_APP_ABOUT})
        EXPECT_EQ(frame->Action(id)->data().toInt(), id);
}

TEST_F(Startup, ConnectByUnknownNameDoesNothing)
{
    start("[Gateway]\nCount=1\nName1=G\nIP1=127.0.0.1\n");
    EXPECT_FALSE(doc()->ConnectGateway(QStringLiteral("nobody")));
    EXPECT_EQ(control()->GetThreadCount(), 0);
    EXPECT_EQ(CZRAgentTree::Param(tree()->topLevelItem(0)), NODE_GATEWAY);
}
