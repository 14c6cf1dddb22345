// The plug-in host: the console without any plug-in file, and with the Mobile plug-in beside it.
#include "consoletest.h"
#include "gateway_process.h"
#include "pluginhost.h"
#include "resource.h"

#include <notify.h>
#include <zrdevlistgrid.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>

namespace {

QByteArray fleetFile(QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("fleet.txt"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("10.5.0.1 cell-01 model=K520-LX sim=pin pin=2468\n"
            "10.5.0.2 plain-01 model=TRN-200-LX\n");
    return path.toUtf8();
}

QByteArray profileFor(const std::vector<std::pair<const char*, int>>& gateways)
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

int actionsWithId(const QWidget* owner, int id)
{
    int n = 0;
    for (const QAction* a : owner->actions())
        n += a->data().toInt() == id;
    return n;
}

struct Plugins : ConsoleFixture
{
    // Connects a gateway and waits for its agents and their models.
    void connectGateway(const char* name, int agents)
    {
        ASSERT_TRUE(doc()->ConnectGateway(QString::fromLatin1(name)));
        QTreeWidgetItem* node = tree()->FindGateway(QString::fromLatin1(name));
        ASSERT_TRUE(waitUntil([&] { return node->childCount() == agents; }));
    }
    QTreeWidgetItem* select(const char* gateway, const char* agent)
    {
        QTreeWidgetItem* node = tree()->FindAgent(QString::fromLatin1(gateway), QString::fromLatin1(agent));
        if (node == nullptr) return nullptr;
        tree()->setCurrentItem(node);
        const QString key = QString::fromLatin1(gateway) + u'|' + QString::fromLatin1(agent);
        waitUntil([&] { return !control()->GetAgent(key).GetModelName().isEmpty(); });
        frame->UpdateCommandUI();
        return node;
    }
    CZRPluginHost* host() const { return CZRPluginHost::Of(frame.get()); }
    QWidget* mobile() const { return static_cast<QWidget*>(host()->MobileWnd()); }
    QString mobileNick() const { return CZRPlugins::Get().mobile.GetNick(host()->MobileWnd()); }
    template <typename T> T* inMobile(const QString& prefix) const
    {
        for (T* c : mobile()->findChildren<T*>())
            if (c->objectName().startsWith(prefix)) return c;
        return nullptr;
    }
};

// The host looks in an empty folder, as on a machine without the plug-in file.
struct WithoutPluginFiles
{
    explicit WithoutPluginFiles(const QString& empty)
    {
        CZRPlugins::Get().ReleaseAll();
        CZRPlugins::SetFolders({empty});
    }
    ~WithoutPluginFiles()
    {
        CZRPlugins::Get().ReleaseAll();
        CZRPlugins::SetFolders(CZRPlugins::DefaultFolders());
    }
};

} // namespace

TEST_F(Plugins, ConsoleRunsWholeWithoutThePluginFile)
{
    QTemporaryDir empty;
    WithoutPluginFiles none(empty.path());
    tarntest::GatewayProcess gw({"--fleet", fleetFile(dir).toStdString()});
    ASSERT_TRUE(gw.ok());
    start(profileFor({{"G", gw.port()}}));
    EXPECT_FALSE(CZRPlugins::Get().mobile.IsLoaded());
    EXPECT_EQ(frame->InfoView()->Pages().size(), 6u);
    EXPECT_EQ(frame->Action(ID_MOBILE), nullptr);
    EXPECT_EQ(actionsWithId(frame->MainToolBar(), ID_MOBILE), 0);
    EXPECT_EQ(actionsWithId(frame->ContextMenu(IDR_AGENT_MENU), ID_CTX_MOBILE), 0);
    connectGateway("G", 2);
    ASSERT_NE(select("G", "10.5.0.1"), nullptr);
    EXPECT_EQ(frame->InfoView()->CurrentPage(), PAGE_DEVICE);
    EXPECT_FALSE(doc()->IsCommandEnabled(ID_MOBILE));
    doc()->OnCommand(ID_MOBILE);
    EXPECT_EQ(frame->InfoView()->CurrentPage(), PAGE_DEVICE);
    // A mobile reply with no window to take it is freed without a call.
    QCoreApplication::postEvent(
        frame.get(), new CZRNotify(zrmsg::Mobile, QString(), 0,
                                   _Notice{302, QStringLiteral("G|10.5.0.1"), QStringLiteral("0")}));
    pump(50);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Plugins, MobileCommandBindsTheAgentOnceAndRepliesReachThePlugin)
{
    tarntest::GatewayProcess gw({"--fleet", fleetFile(dir).toStdString()});
    ASSERT_TRUE(gw.ok());
    start(profileFor({{"G", gw.port()}}));
    ASSERT_TRUE(CZRPlugins::Get().mobile.IsLoaded()) << "no plug-in beside the tests";
    ASSERT_NE(host()->MobileWnd(), nullptr);
    ASSERT_EQ(frame->InfoView()->Pages().size(), 7u);
    EXPECT_EQ(host()->MobilePage(), 7);
    // The main bar's button after its last one, the second bar's two before its end.
    const QList<QAction*> main = frame->MainToolBar()->actions();
    EXPECT_EQ(main.last()->data().toInt(), ID_MOBILE);
    EXPECT_TRUE(main.at(main.size() - 2)->isSeparator());
    const QList<QAction*> second = frame->SecondToolBar()->actions();
    ASSERT_EQ(second.size(), 5);
    EXPECT_EQ(second.at(2)->data().toInt(), ID_CTX_MOBILE);
    const QList<QAction*> menu = frame->ContextMenu(IDR_AGENT_MENU)->actions();
    EXPECT_EQ(actionsWithId(frame->ContextMenu(IDR_AGENT_MENU), ID_CTX_MOBILE), 1);
    EXPECT_EQ(menu.at(menu.size() - 3)->data().toInt(), ID_CTX_MOBILE);
    EXPECT_EQ(frame->Action(ID_MOBILE), main.last());

    connectGateway("G", 2);
    ASSERT_NE(select("G", "10.5.0.2"), nullptr);
    EXPECT_FALSE(frame->Action(ID_MOBILE)->isEnabled()); // no K520 in the model
    // The menu item and the second bar's button of one command share its state.
    for (QWidget* owner : {static_cast<QWidget*>(frame->ContextMenu(IDR_AGENT_MENU)),
                           static_cast<QWidget*>(frame->SecondToolBar())})
        for (QAction* a : owner->actions()) {
            if (a->data().toInt() == ID_CTX_MOBILE) {
                EXPECT_FALSE(a->isEnabled());
            }
        }
    ASSERT_NE(select("G", "10.5.0.1"), nullptr);
    EXPECT_TRUE(frame->Action(ID_MOBILE)->isEnabled());
    frame->Action(ID_MOBILE)->trigger();
    EXPECT_EQ(frame->InfoView()->CurrentPage(), host()->MobilePage());
    EXPECT_EQ(mobileNick(), QStringLiteral("G|10.5.0.1"));
    // The modem's answer travels as a mobile notification to the plug-in's window.
    auto* status = inMobile<QLabel>(QStringLiteral("StatusLine"));
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(
        waitUntil([&] { return status->text() == QStringLiteral("The SIM card is locked by PIN code."); }));

    // The same agent again: no binding, the page is shown again as it is.
    auto* code = inMobile<QLineEdit>(QStringLiteral("CodeEdit"));
    code->setText(QStringLiteral("24"));
    frame->InfoView()->SwitchPage(PAGE_DEVICE);
    frame->Action(ID_MOBILE)->trigger();
    EXPECT_EQ(frame->InfoView()->CurrentPage(), host()->MobilePage());
    pump(100);
    EXPECT_EQ(code->text(), QStringLiteral("24"));
    EXPECT_EQ(status->text(), QStringLiteral("The SIM card is locked by PIN code."));
}

// On a gateway node the Mobile command acts on the first agent checked in the gateway's device list.
TEST_F(Plugins, OnAGatewayTheFirstCheckedAgentIsTheTarget)
{
    QTemporaryDir fleetDir;
    tarntest::GatewayProcess gw({"--fleet", fleetFile(fleetDir).toStdString()});
    ASSERT_TRUE(gw.ok());
    start(profileFor({{"G", gw.port()}}));
    ASSERT_NE(host()->MobileWnd(), nullptr) << "no plug-in beside the tests";
    connectGateway("G", 2);
    QTreeWidgetItem* g = tree()->FindGateway(QStringLiteral("G"));
    tree()->setCurrentItem(g);
    CZRDevListGrid* list = frame->InfoView()->DevList();
    ASSERT_TRUE(waitUntil([&] {
        return list->GetNumberRows() == 2 && !list->QuickGetText(CZRDevListGrid::kColModel, 0).isEmpty() &&
               !list->QuickGetText(CZRDevListGrid::kColModel, 1).isEmpty();
    }));
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->Action(ID_MOBILE)->isEnabled()); // nothing checked
    long plain = -1, cell = -1;
    ASSERT_EQ(list->FindFirstLabel(QStringLiteral("10.5.0.2"), 0, &plain), 0);
    ASSERT_EQ(list->FindFirstLabel(QStringLiteral("10.5.0.1"), 0, &cell), 0);
    list->SetCheckedRow(plain, true);
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->Action(ID_MOBILE)->isEnabled()); // the first checked agent has no K520
    list->SetCheckedRow(plain, false);
    list->SetCheckedRow(cell, true);
    frame->UpdateCommandUI();
    ASSERT_TRUE(frame->Action(ID_MOBILE)->isEnabled());
    frame->Action(ID_MOBILE)->trigger();
    EXPECT_EQ(mobileNick(), QStringLiteral("G|10.5.0.1"));
    EXPECT_EQ(tree()->currentItem(), tree()->FindAgent(QStringLiteral("G"), QStringLiteral("10.5.0.1")));
}

TEST_F(Plugins, GatewayDisconnectionResetsOnlyItsOwnAgents)
{
    tarntest::GatewayProcess gw({"--fleet", fleetFile(dir).toStdString()});
    ASSERT_TRUE(gw.ok());
    start(profileFor({{"A", gw.port()}, {"BA", gw.port()}}));
    ASSERT_NE(host()->MobileWnd(), nullptr);
    connectGateway("A", 2);
    connectGateway("BA", 2);
    ASSERT_NE(select("BA", "10.5.0.1"), nullptr);
    frame->Action(ID_MOBILE)->trigger();
    ASSERT_EQ(mobileNick(), QStringLiteral("BA|10.5.0.1"));
    control()->BreakConnection(QStringLiteral("A"));
    EXPECT_EQ(mobileNick(), QStringLiteral("BA|10.5.0.1"));
    control()->BreakConnection(QStringLiteral("BA"));
    EXPECT_EQ(mobileNick(), QString());
}

TEST_F(Plugins, AgentGoingOffLineResetsTheWindowShowingIt)
{
    tarntest::GatewayProcess gw({"--fleet", fleetFile(dir).toStdString(), "--reboot-delay", "60000"});
    ASSERT_TRUE(gw.ok());
    start(profileFor({{"G", gw.port()}}));
    connectGateway("G", 2);
    ASSERT_NE(select("G", "10.5.0.1"), nullptr);
    frame->Action(ID_MOBILE)->trigger();
    ASSERT_EQ(mobileNick(), QStringLiteral("G|10.5.0.1"));
    // Another agent leaving changes nothing; this one leaving clears the window.
    control()->SendRequest(20, QString(), QStringLiteral("G|10.5.0.2"));
    ASSERT_TRUE(waitUntil(
        [&] { return tree()->FindAgent(QStringLiteral("G"), QStringLiteral("10.5.0.2")) == nullptr; }));
    EXPECT_EQ(mobileNick(), QStringLiteral("G|10.5.0.1"));
    control()->SendRequest(20, QString(), QStringLiteral("G|10.5.0.1"));
    ASSERT_TRUE(waitUntil([&] { return mobileNick().isEmpty(); }));
}

TEST_F(Plugins, NothingSentForAnUnreachableAgentLeavesThePluginsGateOpen)
{
    tarntest::GatewayProcess gw({"--fleet", fleetFile(dir).toStdString()});
    ASSERT_TRUE(gw.ok());
    start(profileFor({{"G", gw.port()}}));
    ASSERT_NE(host()->MobileWnd(), nullptr);
    connectGateway("G", 2);
    ASSERT_NE(select("G", "10.5.0.1"), nullptr);
    frame->Action(ID_MOBILE)->trigger();
    auto* ok = inMobile<QPushButton>(QStringLiteral("OkButton"));
    ASSERT_NE(ok, nullptr);
    ASSERT_TRUE(waitUntil([&] { return ok->isVisible() && ok->isEnabled(); }));
    control()->BreakConnection(QStringLiteral("G"));
    // The window shows the agent again while its gateway is gone: the status request goes nowhere.
    CZRMobileDLL& mobile = CZRPlugins::Get().mobile;
    mobile.SetNick(host()->MobileWnd(), QStringLiteral("G|10.5.0.1"));
    mobile.Init(host()->MobileWnd());
    EXPECT_EQ(control()->SendRequest(32, QString(), QStringLiteral("G|10.5.0.1")), 0);
    EXPECT_TRUE(ok->isEnabled());
}

TEST(PluginLibrary, LoadedOnceFreedAtTheLastReleaseAndAbsentOnesDoNothing)
{
    consoleApp();
    CZRMobileDLL dll;
    const QStringList folders = CZRPlugins::DefaultFolders();
    EXPECT_EQ(dll.Test(1), 0); // not loaded: every call answers 0
    ASSERT_TRUE(dll.Load(folders));
    EXPECT_FALSE(dll.Load(folders)); // counted, not loaded again
    EXPECT_EQ(dll.Test(1), 11);
    EXPECT_EQ(dll.Test(2), 12);
    EXPECT_EQ(dll.Lookups(), 1);
    EXPECT_TRUE(dll.EnableFeature(QStringLiteral("K520")));
    dll.Release();
    EXPECT_TRUE(dll.IsLoaded());
    dll.Release();
    EXPECT_FALSE(dll.IsLoaded());
    dll.Release(); // not below zero: one load loads again
    EXPECT_EQ(dll.Test(1), 0);
    ASSERT_TRUE(dll.Load(folders));
    EXPECT_EQ(dll.Test(3), 13);
    dll.Release();
    EXPECT_FALSE(dll.IsLoaded());

    // Kinds no library of ours provides: nothing loads, every call is harmless.
    CZRModbusDLL modbus;
    CZRIPSecDLL ipsec;
    EXPECT_FALSE(modbus.Load(folders));
    EXPECT_FALSE(ipsec.Load(folders));
    EXPECT_EQ(modbus.CreateWnd(nullptr), nullptr);
    EXPECT_EQ(ipsec.GetNick(nullptr), QString());
    ipsec.RemoveGateway(nullptr, QStringLiteral("A"));
    EXPECT_FALSE(modbus.HasMessageBox(nullptr));
    EXPECT_EQ(modbus.Lookups() + ipsec.Lookups(), 0);
}
