// The agent settings against tarn-gateway: what the operator applies in the date and time, network
// and auto-launch dialogs is what the agent reports the next time the dialog opens; Properties keeps
// a folder that is gone by OK at its previous value.
#include "consoletest.h"
#include "gateway_process.h"
#include "resource.h"

#include <ipaddressctrl.h>
#include <picker.h>
#include <profilefile.h>
#include <xanalogclock.h>
#include <zrautolaunchdlg.h>
#include <zrdatetimedlg.h>
#include <zrnetworkdlg.h>
#include <zrpropertiesdlg.h>

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>

namespace {

QByteArray plantProfile(int port, const QByteArray& extra = {})
{
    return "[Gateway]\nCount=1\nName1=Plant\nIP1=127.0.0.1\nPort1=" + QByteArray::number(port) + "\n" + extra;
}

struct Settings : ConsoleFixture
{
    bool connectAndWait(int agents)
    {
        if (!doc()->ConnectGateway(QStringLiteral("Plant"))) return false;
        QTreeWidgetItem* node = tree()->FindGateway(QStringLiteral("Plant"));
        return waitUntil(
            [&] { return node->childCount() == agents && !(CZRAgentTree::Param(node) & NODE_BUSY); }, 20000);
    }
    // An agent of that system type, once its device information is in.
    QTreeWidgetItem* agentOfType(int type)
    {
        QTreeWidgetItem* found = nullptr;
        waitUntil([&] {
            QTreeWidgetItem* g = tree()->FindGateway(QStringLiteral("Plant"));
            for (int i = 0; g && i < g->childCount(); ++i) {
                const CZRAgent& rec = control()->GetAgent(QStringLiteral("Plant|") + g->child(i)->text(0));
                if (!rec.GetModelName().isEmpty() && rec.GetOSType(1) == type) {
                    found = g->child(i);
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    // The next dialog of that kind to open; one seen before does not count.
    template <typename Dlg> Dlg* waitForDialog()
    {
        Dlg* dlg = nullptr;
        waitUntil([&] {
            dlg = qobject_cast<Dlg*>(doc()->ModelessWnd());
            return dlg && dlg->isVisible() && !dlg->property("seen").toBool();
        });
        if (dlg) dlg->setProperty("seen", true);
        return dlg;
    }
    void command(QTreeWidgetItem* agent, int id)
    {
        tree()->setCurrentItem(agent);
        frame->UpdateCommandUI();
        ASSERT_TRUE(frame->Action(id)->isEnabled());
        frame->Action(id)->trigger();
    }
    QString key(QTreeWidgetItem* agent) const { return QStringLiteral("Plant|") + agent->text(0); }
    // A right-click on a node; act runs while its menu is open.
    void rightClick(QTreeWidgetItem* item, const std::function<void(QMenu*)>& act)
    {
        tree()->scrollToItem(item);
        const QPoint at = tree()->visualItemRect(item).center();
        QTimer::singleShot(50, tree(), [act] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            act(menu);
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

TEST_F(Settings, ContextCommandsActOnTheRightClickedAgentNotTheSelection)
{
    tarntest::GatewayProcess gw({"--agents", "3"});
    start(plantProfile(gw.port()));
    ASSERT_TRUE(connectAndWait(3));
    QTreeWidgetItem* lx = agentOfType(0);
    QTreeWidgetItem* ce = agentOfType(1);
    ASSERT_TRUE(lx && ce);
    tree()->setCurrentItem(ce);
    bool enabled = false;
    rightClick(lx, [&](QMenu*) {
        frame->UpdateCommandUI();
        enabled = frame->Action(ID_CTX_DATETIME)->isEnabled();
        frame->Action(ID_CTX_DATETIME)->trigger();
    });
    EXPECT_TRUE(enabled);
    auto* dlg = waitForDialog<CZRDateTimeDlg>();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->GetNick(), key(lx));
    EXPECT_TRUE(dlg->button(CZRDateTimeDlg::IDC_SYNC_RTC)->isEnabled()); // a type 0 agent's RTC
    dlg->OnCancel();
    // The gateway node is no agent: the context command does nothing.
    rightClick(tree()->FindGateway(QStringLiteral("Plant")),
               [&](QMenu*) { frame->Action(ID_CTX_AUTOLAUNCH)->trigger(); });
    pump(300);
    EXPECT_EQ(qobject_cast<CZRAutoLaunchDlg*>(doc()->ModelessWnd()), nullptr);
}

TEST_F(Settings, SystemTimeAndRtcOfATypeZeroAgentRoundTrip)
{
    tarntest::GatewayProcess gw({"--agents", "6"});
    start(plantProfile(gw.port()));
    ASSERT_TRUE(connectAndWait(6));
    QTreeWidgetItem* agent = agentOfType(0);
    ASSERT_NE(agent, nullptr);
    command(agent, ID_DATETIME);
    auto* dlg = waitForDialog<CZRDateTimeDlg>();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Date/Time Setup - ") + agent->text(0));
    EXPECT_TRUE(dlg->GetSYSTime().isValid());
    EXPECT_TRUE(dlg->GetRTCTime().isValid());
    EXPECT_TRUE(dlg->button(CZRDateTimeDlg::IDC_SYNC_RTC)->isEnabled());
    EXPECT_FALSE(dlg->clock()->IsSystemTime());

    dlg->dateEdit()->setDate(QDate(2033, 2, 3));
    dlg->timeEdit()->setTime(QTime(4, 5, 6));
    dlg->OnApply();
    dlg->OnSyncRTC();
    // Both sets answered before the next look.
    const int failures = boxesWithCaption(QStringLiteral("Error"));
    pump(300);
    dlg->OnCancel();

    command(agent, ID_DATETIME);
    auto* again = waitForDialog<CZRDateTimeDlg>();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetSYSTime().date(), QDate(2033, 2, 3));
    EXPECT_LE(std::abs(again->GetSYSTime().secsTo(QDateTime(QDate(2033, 2, 3), QTime(4, 5, 6), Qt::UTC))), 5);
    EXPECT_EQ(again->GetRTCTime().date(), QDate(2033, 2, 3));
    EXPECT_LE(std::abs(again->GetRTCTime().secsTo(again->GetSYSTime())), 3);
    EXPECT_TRUE(again->rtcField()->text().startsWith(QStringLiteral("2033-Feb-03 04:")));
    EXPECT_EQ(boxesWithCaption(QStringLiteral("Error")), failures);
    again->OnCancel();
}

TEST_F(Settings, TypeOneAgentsMirrorTheSystemTimeAndALostAnswerShiftsNothing)
{
    tarntest::GatewayProcess gw({"--agents", "6"});
    start(plantProfile(gw.port()));
    ASSERT_TRUE(connectAndWait(6));
    QTreeWidgetItem* ce = agentOfType(1);
    ASSERT_NE(ce, nullptr);
    command(ce, ID_DATETIME);
    auto* dlg = waitForDialog<CZRDateTimeDlg>();
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(dlg->button(CZRDateTimeDlg::IDC_SYNC_RTC)->isEnabled());
    EXPECT_EQ(dlg->GetRTCTime(), dlg->GetSYSTime());
    dlg->OnCancel();

    // An answer lost earlier left the time mark set: the opening clears it, so the dialog waits for
    // both clocks instead of opening on the first with an RTC never read.
    QTreeWidgetItem* lx = agentOfType(0);
    ASSERT_NE(lx, nullptr);
    CZRAgent& rec = control()->GetAgent(key(lx));
    ASSERT_TRUE(rec.GetRTCDate().isEmpty());
    rec.WaitTimeInfo(1);
    command(lx, ID_DATETIME);
    auto* lxDlg = waitForDialog<CZRDateTimeDlg>();
    ASSERT_NE(lxDlg, nullptr);
    EXPECT_TRUE(lxDlg->GetRTCTime().isValid());
    EXPECT_EQ(control()->GetAgent(key(lx)).IsWaitingTime(), 0);
    lxDlg->OnCancel();
}

TEST_F(Settings, AFailedClockAnswerOpensNoDialog)
{
    tarntest::GatewayProcess gw({"--agents", "3", "--fail", "163"});
    start(plantProfile(gw.port()));
    ASSERT_TRUE(connectAndWait(3));
    QTreeWidgetItem* lx = agentOfType(0);
    ASSERT_NE(lx, nullptr);
    command(lx, ID_DATETIME);
    ASSERT_TRUE(waitUntil([&] { return boxesWithCaption(QStringLiteral("Error")) == 1; }));
    pump(300);
    EXPECT_EQ(qobject_cast<CZRDateTimeDlg*>(doc()->ModelessWnd()), nullptr);
    // The failure cleared the mark: the next opening is not taken for an answer to this one.
    EXPECT_EQ(control()->GetAgent(key(lx)).IsWaitingTime(), 0);
}

TEST_F(Settings, InterfaceAndDnsChangesComeBackAfterTheAgentReturns)
{
    tarntest::GatewayProcess gw({"--agents", "6", "--reboot-delay", "300"});
    start(plantProfile(gw.port()));
    ASSERT_TRUE(connectAndWait(6));
    QTreeWidgetItem* agent = agentOfType(2);
    ASSERT_NE(agent, nullptr);
    const QString name = agent->text(0);
    command(agent, ID_NETWORK);
    auto* dlg = waitForDialog<CZRNetworkDlg>();
    ASSERT_NE(dlg, nullptr);
    ASSERT_EQ(dlg->ipTab()->combo()->count(), 2);
    EXPECT_EQ(control()->GetAgent(key(agent)).GetDNSWaiting(), 0);
    const QString first = dlg->ipTab()->combo()->itemText(0);
    EXPECT_TRUE(first.contains(u' ')); // "Local Area Connection" travels quoted
    _DNSServer reported;
    ASSERT_TRUE(dlg->GetDNSList(first, reported));
    EXPECT_FALSE(reported.primary.isEmpty());
    EXPECT_EQ(reported.further, QStringList{QStringLiteral("1.1.1.1")});

    // A refused address sends nothing.
    dlg->ipTab()->ipCtrl()->setText(QStringLiteral("10.7.255.1"));
    dlg->OnApply();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, QStringLiteral("Invalid IP address."));

    // The DNS servers: two shown, the third kept.
    dlg->tabs()->setCurrentIndex(1);
    dlg->dnsTab()->primaryCtrl()->setText(QStringLiteral("10.20.30.40"));
    dlg->dnsTab()->secondaryCtrl()->setText(QStringLiteral("10.20.30.41"));
    dlg->OnApply();
    // The interface: the agent restarts its link and comes back.
    dlg->tabs()->setCurrentIndex(0);
    dlg->ipTab()->ipCtrl()->setText(QStringLiteral("10.7.0.9"));
    dlg->ipTab()->maskCtrl()->setText(QStringLiteral("255.255.255.0"));
    dlg->ipTab()->gatewayCtrl()->setText(QStringLiteral("10.7.0.1"));
    dlg->OnOK();
    ASSERT_TRUE(waitUntil(
        [&] { return boxesWithCaption(QStringLiteral("Disconnection Alert - ") + name) == 1; }, 10000));
    EXPECT_EQ(doc()->ModelessWnd(), nullptr);
    ASSERT_TRUE(
        waitUntil([&] { return tree()->FindAgent(QStringLiteral("Plant"), name) != nullptr; }, 10000));
    ASSERT_TRUE(waitUntil(
        [&] { return !control()->GetAgent(QStringLiteral("Plant|") + name).GetModelName().isEmpty(); }));
    command(tree()->FindAgent(QStringLiteral("Plant"), name), ID_NETWORK);
    auto* again = waitForDialog<CZRNetworkDlg>();
    ASSERT_NE(again, nullptr);
    _NetworkInterface now;
    ASSERT_TRUE(again->GetInterface(first, now));
    EXPECT_EQ(now.mode, 1);
    EXPECT_EQ(now.ip, QStringLiteral("10.7.0.9"));
    EXPECT_EQ(now.mask, QStringLiteral("255.255.255.0"));
    EXPECT_EQ(now.gateway, QStringLiteral("10.7.0.1"));
    _DNSServer servers;
    ASSERT_TRUE(again->GetDNSList(first, servers));
    EXPECT_EQ(servers.primary, QStringLiteral("10.20.30.40"));
    EXPECT_EQ(servers.secondary, QStringLiteral("10.20.30.41"));
    EXPECT_EQ(servers.further, QStringList{QStringLiteral("1.1.1.1")});
    EXPECT_EQ(again->ipTab()->ipCtrl()->text(), QStringLiteral("10.7.0.9"));
    again->OnCancel();
}

TEST_F(Settings, StrayOrRepeatedDnsAnswersOpenNothing)
{
    tarntest::GatewayProcess gw({"--agents", "3"});
    start(plantProfile(gw.port()));
    ASSERT_TRUE(connectAndWait(3));
    QTreeWidgetItem* agent = agentOfType(1);
    ASSERT_NE(agent, nullptr);
    // Nobody asked: answers open no window.
    doc()->OnNotify(CZRNotify(zrmsg::DNSServers, key(agent)));
    doc()->OnNotify(CZRNotify(zrmsg::AutoLaunch, key(agent)));
    doc()->OnNotify(CZRNotify(zrmsg::DateTime, key(agent)));
    EXPECT_EQ(doc()->ModelessWnd(), nullptr);
    // A lost answer of an earlier opening leaves marks behind; the command starts afresh.
    CZRAgent& rec = control()->GetAgent(key(agent));
    rec.WaitNetInterface(1);
    rec.IncreaseDNSWaiting(1);
    rec.IncreaseDNSWaiting(1);
    command(agent, ID_NETWORK);
    auto* dlg = waitForDialog<CZRNetworkDlg>();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->ipTab()->combo()->count(), 2);
    EXPECT_EQ(rec.GetDNSWaiting(), 0);
    // A late duplicate after the dialog opened is ignored.
    doc()->OnNotify(CZRNotify(zrmsg::DNSServers, key(agent)));
    EXPECT_EQ(rec.GetDNSWaiting(), 0);
    EXPECT_EQ(doc()->ModelessWnd(), dlg);
    dlg->OnCancel();

    // The same for the auto-launch list: a mark left set would keep an old list under the new one.
    rec.AddAutoLaunch(QStringLiteral("/stale/entry"), QString());
    rec.WaitAutoInstList(1);
    command(agent, ID_AUTOLAUNCH);
    auto* launch = waitForDialog<CZRAutoLaunchDlg>();
    ASSERT_NE(launch, nullptr);
    EXPECT_EQ(launch->GetListCount(), 2);
    QString program, arguments;
    for (int i = 0; i < launch->GetListCount(); ++i) {
        launch->GetListAutoLaunch(i, program, arguments);
        EXPECT_NE(program, QStringLiteral("/stale/entry"));
    }
    launch->OnCancel();
}

TEST_F(Settings, AnAutoLaunchListIsEditedReorderedAppliedAndReadBack)
{
    tarntest::GatewayProcess gw({"--agents", "3"});
    start(plantProfile(gw.port()));
    ASSERT_TRUE(connectAndWait(3));
    QTreeWidgetItem* agent = agentOfType(0);
    ASSERT_NE(agent, nullptr);
    command(agent, ID_AUTOLAUNCH);
    auto* dlg = waitForDialog<CZRAutoLaunchDlg>();
    ASSERT_NE(dlg, nullptr);
    ASSERT_EQ(dlg->GetListCount(), 2);
    QString p0, a0, p1, a1;
    dlg->GetListAutoLaunch(0, p0, a0);
    dlg->GetListAutoLaunch(1, p1, a1);
    dlg->programEdit()->setText(QStringLiteral("/opt/plant/logger"));
    dlg->argumentsEdit()->setText(QStringLiteral("--level 2 --out /var/log/plant"));
    dlg->OnAdd();
    dlg->programEdit()->setText(QStringLiteral("/opt/plant/watchdog"));
    dlg->OnAdd();
    dlg->SelectRows({2, 3});
    dlg->OnMoveUp(); // p0, logger, watchdog, p1
    dlg->SelectRows({0});
    answer = [](const MessageRecord&) { return IDOK; };
    dlg->OnDelete(); // logger, watchdog, p1
    dlg->OnOK();

    // The closing request is answered before the next look.
    pump(300);
    command(agent, ID_AUTOLAUNCH);
    auto* again = waitForDialog<CZRAutoLaunchDlg>();
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(again->GetListCount(), 3);
    QString p, a;
    again->GetListAutoLaunch(0, p, a);
    EXPECT_EQ(p, QStringLiteral("/opt/plant/logger"));
    EXPECT_EQ(a, QStringLiteral("--level 2 --out /var/log/plant"));
    again->GetListAutoLaunch(1, p, a);
    EXPECT_EQ(p, QStringLiteral("/opt/plant/watchdog"));
    EXPECT_EQ(a, QString());
    again->GetListAutoLaunch(2, p, a);
    EXPECT_EQ(p, p1);
    EXPECT_EQ(a, a1);
    // An emptied list is applied with the closing request alone and read back empty.
    again->SelectRows({0, 1, 2});
    again->OnDelete();
    again->OnOK();
    pump(300);
    command(agent, ID_AUTOLAUNCH);
    auto* empty = waitForDialog<CZRAutoLaunchDlg>();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetListCount(), 0);
    empty->OnCancel();
}

struct FolderPicker : PickerService
{
    QString Folder(QWidget*, const QString&, const QString&) override { return next; }
    QString next;
};

TEST_F(Settings, PropertiesKeepsTheFolderBeforeOneThatNoLongerExists)
{
    QTemporaryDir folders;
    const QString a = folders.filePath(QStringLiteral("a")), b = folders.filePath(QStringLiteral("b")),
                  c = folders.filePath(QStringLiteral("c"));
    QDir().mkpath(a);
    QDir().mkpath(b);
    QDir().mkpath(c);
    start("[File Upload]\nLocalDir=" + a.toUtf8() +
          "\nRemoteDir=\\data\n[Firmware Upgrade]\nLocalDir=" + a.toUtf8() + "\n");
    FolderPicker picker;
    SetPickerService(&picker);
    auto run = [&](const std::function<void(CZRPropertiesDlg*)>& act) {
        QTimer::singleShot(0, frame.get(), [act] {
            auto* dlg = qobject_cast<CZRPropertiesDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            act(dlg);
        });
        frame->Action(ID_PROPERTIES)->trigger();
    };
    run([&](CZRPropertiesDlg* dlg) {
        EXPECT_EQ(dlg->uploadLocalEdit()->text(), a);
        EXPECT_EQ(dlg->uploadRemoteEdit()->text(), QStringLiteral("\\data"));
        picker.next = b;
        dlg->button(CZRPropertiesDlg::IDC_UPLOAD_BROWSE)->click();
        picker.next = c;
        dlg->button(CZRPropertiesDlg::IDC_UPGRADE_BROWSE)->click();
        dlg->uploadRemoteEdit()->setText(QStringLiteral("/var/drop"));
        QDir(c).removeRecursively(); // gone before OK
        dlg->button(1)->click();
    });
    const ProfileFile profile(doc()->ProfilePath());
    EXPECT_EQ(profile.GetString(QStringLiteral("File Upload"), QStringLiteral("LocalDir"), QString()), b);
    EXPECT_EQ(profile.GetString(QStringLiteral("File Upload"), QStringLiteral("RemoteDir"), QString()),
              QStringLiteral("/var/drop"));
    EXPECT_EQ(profile.GetString(QStringLiteral("Firmware Upgrade"), QStringLiteral("LocalDir"), QString()),
              a);
    EXPECT_EQ(doc()->UpgradeLocalDir(), a);
    EXPECT_EQ(doc()->UploadLocalDir(), b);

    // Cancel writes nothing.
    run([&](CZRPropertiesDlg* dlg) {
        dlg->uploadRemoteEdit()->setText(QStringLiteral("/elsewhere"));
        dlg->button(2)->click();
    });
    EXPECT_EQ(profile.GetString(QStringLiteral("File Upload"), QStringLiteral("RemoteDir"), QString()),
              QStringLiteral("/var/drop"));
    SetPickerService(nullptr);
}

} // namespace
