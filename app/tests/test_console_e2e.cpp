// The console against tarn-gateway: connect, announcements, the device page, reboot, disconnect,
// refused connections, shut-down questions and hostile gateways.
#include "consoletest.h"
#include "gateway_process.h"
#include "resource.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

namespace {
QByteArray profileFor(std::initializer_list<std::pair<const char*, int>> gateways)
{
    QByteArray p = "[Gateway]\nCount=" + QByteArray::number(int(gateways.size())) + "\n";
    int i = 1;
    for (const auto& [name, port] : gateways) {
        const QByteArray n = QByteArray::number(i++);
        p += "Name" + n + "=" + name + "\nIP" + n + "=127.0.0.1\nPort" + n + "=" + QByteArray::number(port) +
             "\n";
    }
    return p;
}

// A port with nobody listening.
int closedPort()
{
    tarntest::GatewayProcess gw({"--agents", "0"});
    return gw.port();
}

struct Console : ConsoleFixture
{
    QTreeWidgetItem* gatewayNode(const char* name) { return tree()->FindGateway(QString::fromLatin1(name)); }
    CZRAgent& record(QTreeWidgetItem* agent)
    {
        return control()->GetAgent(CZRAgentTree::GatewayOf(agent) + u'|' + agent->text(0));
    }
    bool connectAndWait(const char* name, int agents)
    {
        if (!doc()->ConnectGateway(QString::fromLatin1(name))) return false;
        QTreeWidgetItem* node = gatewayNode(name);
        return waitUntil(
            [&] { return node->childCount() == agents && !(CZRAgentTree::Param(node) & NODE_BUSY); });
    }
    // The operator's right-click on a node; the menu that opens is handed to onMenu, then closed.
    void rightClick(QTreeWidgetItem* item, std::function<void(QMenu*)> onMenu)
    {
        const QPoint at = tree()->visualItemRect(item).center();
        QTimer::singleShot(50, tree(), [onMenu] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (onMenu) onMenu(menu);
            if (menu) menu->close();
        });
        QMouseEvent press(QEvent::MouseButtonPress, at, tree()->viewport()->mapToGlobal(at), Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(tree()->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, tree()->viewport()->mapToGlobal(at),
                            Qt::RightButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tree()->viewport(), &release);
    }
};
} // namespace

TEST_F(Console, ConnectAnnounceSelectAndDisconnect)
{
    tarntest::GatewayProcess gw({"--agents", "6"});
    ASSERT_TRUE(gw.ok());
    start(profileFor({{"Plant", gw.port()}}));
    QTreeWidgetItem* node = gatewayNode("Plant");
    tree()->setCurrentItem(node);
    frame->Action(ID_CONNECT)->trigger();
    // Busy until the gateway accepts the login: nothing is enabled on it meanwhile.
    EXPECT_EQ(CZRAgentTree::Param(node), NODE_GATEWAY | NODE_CONNECTED | NODE_BUSY);
    EXPECT_EQ(tree()->StateImage(node), IMG_GATEWAY_ON);
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->Action(ID_CONNECT)->isEnabled());
    EXPECT_FALSE(frame->Action(ID_DISCONNECT)->isEnabled());

    ASSERT_TRUE(
        waitUntil([&] { return node->childCount() == 6 && !(CZRAgentTree::Param(node) & NODE_BUSY); }));
    EXPECT_TRUE(node->isExpanded());
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->Action(ID_CONNECT)->isEnabled());
    EXPECT_TRUE(frame->Action(ID_DISCONNECT)->isEnabled());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(CZRAgentTree::Param(node->child(i)), NODE_AGENT);
        EXPECT_EQ(tree()->StateImage(node->child(i)), IMG_AGENT);
    }
    EXPECT_EQ(node->child(0)->text(0), QStringLiteral("10.1.0.1"));

    // Selecting an agent shows its device page and its storage.
    QTreeWidgetItem* agent = node->child(1);
    tree()->setCurrentItem(agent);
    EXPECT_EQ(frame->InfoView()->CurrentPage(), PAGE_DEVICE);
    ASSERT_TRUE(waitUntil([&] { return !frame->StorageText().isEmpty(); }));
    int free = 0, total = 0;
    record(agent).GetDeviceCapacity(1, free, total);
    EXPECT_GT(total, 0);
    EXPECT_EQ(frame->StorageText(), QStringLiteral("Storage: %1 KB / %2 KB").arg(total - free).arg(total));
    EXPECT_FALSE(record(agent).GetModelName().isEmpty());
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->Action(ID_CONNECT)->isEnabled());

    // A gateway with agents shows the device list page; the storage panes are cleared.
    tree()->setCurrentItem(node);
    EXPECT_EQ(frame->InfoView()->CurrentPage(), PAGE_DEVLIST);
    EXPECT_TRUE(frame->StorageText().isEmpty());

    frame->Action(ID_DISCONNECT)->trigger();
    EXPECT_EQ(node->childCount(), 0);
    EXPECT_EQ(CZRAgentTree::Param(node), NODE_GATEWAY);
    EXPECT_EQ(tree()->StateImage(node), IMG_GATEWAY_OFF);
    EXPECT_EQ(frame->InfoView()->CurrentPage(), 0);
    EXPECT_TRUE(boxes.empty());
    // And again: a gateway can be connected anew.
    frame->Action(ID_CONNECT)->trigger();
    ASSERT_TRUE(waitUntil([&] { return node->childCount() == 6; }));
}

TEST_F(Console, RefusedConnectionLeavesNoBusyNode)
{
    start(profileFor({{"Nowhere", closedPort()}}));
    QTreeWidgetItem* node = gatewayNode("Nowhere");
    ASSERT_TRUE(doc()->ConnectGateway(QStringLiteral("Nowhere")));
    ASSERT_TRUE(waitUntil([&] { return CZRAgentTree::Param(node) == NODE_GATEWAY; }));
    EXPECT_EQ(tree()->StateImage(node), IMG_GATEWAY_OFF);
    EXPECT_TRUE(
        frame->StatusMessage().startsWith(QStringLiteral("Could not connect to gateway Nowhere (127.0.0.1:")))
        << frame->StatusMessage().toStdString();
    tree()->setCurrentItem(node);
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->Action(ID_CONNECT)->isEnabled());
}

TEST_F(Console, ConnectingAConnectedGatewayClearsItsBusyMark)
{
    tarntest::GatewayProcess gw({"--agents", "1"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait("Plant", 1));
    // No second connection starts, so nothing would ever clear the mark but the command itself.
    ASSERT_TRUE(doc()->ConnectGateway(QStringLiteral("Plant")));
    QTreeWidgetItem* node = gatewayNode("Plant");
    EXPECT_EQ(CZRAgentTree::Param(node), NODE_GATEWAY | NODE_CONNECTED);
    EXPECT_EQ(tree()->StateImage(node), IMG_GATEWAY_ON);
    EXPECT_EQ(control()->GetThreadCount(), 1);
}

TEST_F(Console, RebootAsksAndSendsOnlyOnOk)
{
    tarntest::GatewayProcess gw({"--agents", "2", "--reboot-delay", "60000"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait("Plant", 2));
    QTreeWidgetItem* node = gatewayNode("Plant");
    QTreeWidgetItem* agent = node->child(0);
    const QString name = agent->text(0);

    // Cancel: nothing is sent, the agent stays.
    answer = [](const MessageRecord&) { return IDCANCEL; };
    bool rebootEnabled = false;
    rightClick(agent, [&](QMenu* menu) {
        ASSERT_NE(menu, nullptr);
        rebootEnabled = frame->Action(ID_CTX_REBOOT)->isEnabled();
        frame->Action(ID_CTX_REBOOT)->trigger();
    });
    EXPECT_TRUE(rebootEnabled);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Reboot - ") + name);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Are you sure you want to reboot? \nThe process will take you 10 "
                                            "seconds, are you sure you want to continue?"));
    EXPECT_EQ(boxes[0].icon, unsigned(MB_ICONQUESTION));
    EXPECT_EQ(boxes[0].buttons & 0xF, unsigned(MB_OKCANCEL));
    pump(500);
    EXPECT_EQ(node->childCount(), 2);

    // With a transfer pending the question changes; OK sends the reboot, and the agent leaves.
    record(agent).AddTransfer(0, 1, QStringLiteral("/tmp/a"), QStringLiteral("\\a"), 10);
    answer = [](const MessageRecord& m) {
        return m.caption.startsWith(QLatin1String("Reboot")) ? IDOK : IDOK;
    };
    rightClick(agent, [&](QMenu*) { frame->Action(ID_CTX_REBOOT)->trigger(); });
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text,
              QStringLiteral("Transferring is not completed, \nare you sure you want to reboot?"));
    EXPECT_EQ(boxes[1].icon, unsigned(MB_ICONWARNING));
    EXPECT_EQ(boxes[1].buttons, unsigned(MB_OKCANCEL | MB_DEFBUTTON2));
    ASSERT_TRUE(waitUntil([&] { return node->childCount() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return boxesWithCaption(QStringLiteral("Disconnection Alert")) == 1; }));
    const MessageRecord& alert = boxes.back();
    EXPECT_EQ(alert.caption, QStringLiteral("Disconnection Alert - ") + name);
    EXPECT_EQ(alert.text,
              QStringLiteral(
                  "The device is disconnected.\nYou can continue the work after the device reconnected."));
    EXPECT_EQ(alert.icon, unsigned(MB_ICONINFORMATION));
}

TEST_F(Console, ContextCommandWhoseNodeWentAwayDoesNothing)
{
    tarntest::GatewayProcess gw({"--agents", "2"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait("Plant", 2));
    QTreeWidgetItem* agent = gatewayNode("Plant")->child(0);
    rightClick(agent, [&](QMenu*) {
        EXPECT_EQ(tree()->ContextItem(), agent);
        // The gateway drops while the menu is open.
        control()->BreakConnection(QStringLiteral("Plant"));
        EXPECT_EQ(tree()->ContextItem(), nullptr);
        EXPECT_EQ(tree()->HotItem(), nullptr);
        frame->Action(ID_CTX_REBOOT)->trigger();
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(gatewayNode("Plant")->childCount(), 0);
}

TEST_F(Console, RightClickTakesFocusAndLeavesSelectionAlone)
{
    tarntest::GatewayProcess gw({"--agents", "2"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait("Plant", 2));
    QTreeWidgetItem* first = gatewayNode("Plant")->child(0);
    QTreeWidgetItem* second = gatewayNode("Plant")->child(1);
    tree()->setCurrentItem(first);
    frame->InfoView()->setFocus();
    int menuId = 0;
    rightClick(second, [&](QMenu* menu) {
        menuId = menu ? menu->objectName().mid(4).toInt() : 0;
        EXPECT_TRUE(tree()->hasFocus());
    });
    EXPECT_EQ(menuId, IDR_AGENT_MENU);
    EXPECT_EQ(tree()->currentItem(), first);
    EXPECT_EQ(tree()->ContextItem(), second);
    EXPECT_EQ(tree()->HotItem(), nullptr);
    rightClick(gatewayNode("Plant"),
               [&](QMenu* menu) { menuId = menu ? menu->objectName().mid(4).toInt() : 0; });
    EXPECT_EQ(menuId, IDR_GATEWAY_MENU);
    // Empty space: no menu.
    QMenu* opened = nullptr;
    const QPoint below(5, tree()->viewport()->height() - 2);
    QTimer::singleShot(50, tree(), [&] {
        opened = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (opened) opened->close();
    });
    QMouseEvent press(QEvent::MouseButtonPress, below, tree()->viewport()->mapToGlobal(below),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(tree()->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, below, tree()->viewport()->mapToGlobal(below),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(tree()->viewport(), &release);
    pump(100);
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(tree()->HotItem(), nullptr);
}

TEST_F(Console, ShutDownAsksAboutEveryGatewayWithTransfers)
{
    tarntest::GatewayProcess a({"--agents", "1"});
    tarntest::GatewayProcess b({"--agents", "1"});
    start(profileFor({{"A", a.port()}, {"B", b.port()}}));
    ASSERT_TRUE(connectAndWait("A", 1));
    ASSERT_TRUE(connectAndWait("B", 1));
    EXPECT_TRUE(doc()->CanCloseFrame());
    EXPECT_TRUE(boxes.empty());
    // Only the second gateway has a transfer, and it is already past the gateway.
    int number = 0;
    CZRGateway& gb = control()->GetGateway(QStringLiteral("B"));
    gb.AddTransfer(0, number, QStringLiteral("/tmp/file"), 10, 1);
    gb.BeginTransfer(0, number, 2, QStringLiteral("file"));
    answer = [](const MessageRecord&) { return IDCANCEL; };
    EXPECT_FALSE(doc()->CanCloseFrame());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Alert"));
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("Transferring is not completed, \nare you sure you want to leave the window?"));
    EXPECT_EQ(boxes[0].buttons, unsigned(MB_OKCANCEL | MB_DEFBUTTON2));
    answer = [](const MessageRecord&) { return IDOK; };
    EXPECT_TRUE(doc()->CanCloseFrame());
}

TEST_F(Console, TearingDownWithConnectionsOpenIsQuiet)
{
    tarntest::GatewayProcess gw({"--agents", "3"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait("Plant", 3));
    QElapsedTimer t;
    t.start();
    frame.reset();
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_TRUE(boxes.empty());
}

// The longest pause of the event loop while f's work goes on, measured with a 10 ms timer.
static qint64 longestGap(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        const qint64 now = clock.elapsed();
        worst = qMax(worst, now - last);
        last = now;
    });
    tick.start();
    waitUntil(done, ms);
    return worst;
}

TEST_F(Console, FloodOfAnnouncementsKeepsTheWindowResponsiveAndBoxesFew)
{
    tarntest::GatewayProcess gw({"--agents", "2", "--hostile", "flood:3000"});
    start(profileFor({{"Plant", gw.port()}}));
    // A real box runs its own loop, so failures arrive while it is up.
    answer = [](const MessageRecord&) {
        pump(50);
        return IDOK;
    };
    ASSERT_TRUE(doc()->ConnectGateway(QStringLiteral("Plant")));
    QTreeWidgetItem* node = gatewayNode("Plant");
    const qint64 gap = longestGap([&] { return node->childCount() >= 3002; }, 30000);
    EXPECT_GE(node->childCount(), 3002);
    // The fake agents' requests fail; the operator gets a handful of boxes, not thousands.
    pump(1500);
    EXPECT_GE(boxesWithCaption(QStringLiteral("Error")), 1);
    EXPECT_LE(boxesWithCaption(QStringLiteral("Error")), 25);
    RecordProperty("longest_gap_ms", int(gap));
    EXPECT_LT(gap, 1000);
}

TEST_F(Console, OversizedFramesAndOpenQuotesAreSurvived)
{
    {
        tarntest::GatewayProcess gw({"--agents", "2", "--hostile", "oversize"});
        start(profileFor({{"Plant", gw.port()}}));
        ASSERT_TRUE(doc()->ConnectGateway(QStringLiteral("Plant")));
        QTreeWidgetItem* node = gatewayNode("Plant");
        // The connection is dropped; the node says so and is not left busy.
        ASSERT_TRUE(waitUntil([&] { return CZRAgentTree::Param(node) == NODE_GATEWAY; }, 10000));
        EXPECT_EQ(tree()->StateImage(node), IMG_GATEWAY_OFF);
        frame.reset();
    }
    tarntest::GatewayProcess gw({"--agents", "2", "--hostile", "unclosed-quote"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait("Plant", 2));
    QTreeWidgetItem* agent = gatewayNode("Plant")->child(0);
    tree()->setCurrentItem(agent);
    ASSERT_TRUE(waitUntil([&] { return !record(agent).GetModelName().isEmpty(); }));
    EXPECT_EQ(frame->InfoView()->CurrentPage(), PAGE_DEVICE);
}
