// The device list, process and service pages and the Gateway Manager against tarn-gateway:
// rows per agent, kills, service changes, checked-agent targets, the filter, the CSV export and the
// gateway list round trip through the profile.
#include "consoletest.h"
#include "gateway_process.h"
#include "resource.h"

#include <picker.h>
#include <profilefile.h>
#include <zrdevlistgrid.h>
#include <zrdevlistwnd.h>
#include <zrgatewaydlg.h>
#include <zrprocessgrid.h>
#include <zrservicegrid.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
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

struct Pages : ConsoleFixture
{
    CTarnInfoView* view() const { return frame->InfoView(); }
    CZRDevListGrid* list() const { return view()->DevList(); }
    CZRProcessGrid* processes() const { return view()->ProcessGrid(); }
    CZRServiceGrid* services() const { return view()->ServiceGrid(); }
    QTreeWidgetItem* gatewayNode(const QString& name) { return tree()->FindGateway(name); }

    bool connectAndWait(const QString& name, int agents)
    {
        if (!doc()->ConnectGateway(name)) return false;
        QTreeWidgetItem* node = gatewayNode(name);
        return waitUntil(
            [&] { return node->childCount() == agents && !(CZRAgentTree::Param(node) & NODE_BUSY); }, 20000);
    }
    // Every row of the device list has its model.
    bool listComplete(int rows) const
    {
        if (list()->GetNumberRows() != rows) return false;
        for (long r = 0; r < rows; ++r)
            if (list()->QuickGetText(CZRDevListGrid::kColModel, r).isEmpty()) return false;
        return true;
    }
    long agentRow(CZRGroupGrid* grid, const QString& agent) const
    {
        long row = -1;
        return grid->HasAgent(row, agent) ? row : -1;
    }
    // First item row of the agent's group whose name (column 1) is text.
    long itemRow(CZRGroupGrid* grid, const QString& agent, const QString& text) const
    {
        const long a = agentRow(grid, agent);
        if (a < 0) return -1;
        for (long r = a + 1; r <= a + grid->GetAgentCount(a); ++r)
            if (grid->QuickGetText(1, r) == text) return r;
        return -1;
    }
    QStringList groups(CZRGroupGrid* grid) const
    {
        QStringList out;
        for (long r = 0; r < grid->GetNumberRows(); ++r)
            if (grid->IsAgentRow(r)) out << grid->QuickGetText(0, r);
        return out;
    }
    bool processListDone(const QString& agent) const
    {
        const long a = agentRow(processes(), agent);
        return a >= 0 && processes()->GetAgentCount(a) > 0 &&
               processes()->QuickGetText(1, a).startsWith(QStringLiteral("Memory: "));
    }
};

TEST_F(Pages, SelectingAGatewayListsEveryAgentWithItsDeviceFacts)
{
    tarntest::GatewayProcess gw({"--agents", "5"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait(u"Plant"_qs, 5));
    QTreeWidgetItem* node = gatewayNode(u"Plant"_qs);
    tree()->setCurrentItem(node);
    EXPECT_EQ(view()->CurrentPage(), PAGE_DEVLIST);
    EXPECT_EQ(list()->GetNick(), u"Plant"_qs);
    ASSERT_TRUE(waitUntil([&] { return listComplete(5); }));
    for (int i = 0; i < node->childCount(); ++i) {
        const QString agent = node->child(i)->text(0);
        long row = -1;
        ASSERT_EQ(list()->FindFirstLabel(agent, 0, &row), 0) << agent.toStdString();
        const CZRAgent& rec = control()->GetAgent(u"Plant|"_qs + agent);
        QString model, host, cpu, os, firmware;
        rec.GetDeviceInfo(model, host, cpu, os, firmware);
        EXPECT_EQ(list()->QuickGetText(CZRDevListGrid::kColModel, row), model);
        EXPECT_EQ(list()->QuickGetText(CZRDevListGrid::kColOS, row), os);
        EXPECT_EQ(list()->QuickGetText(CZRDevListGrid::kColHost, row), host);
    }

    // An agent that leaves takes its row; the gateway's end empties the list.
    const QString leaving = node->child(0)->text(0);
    CZRNotify gone(zrmsg::AgentOffline, u"Plant|"_qs + leaving);
    doc()->OnNotify(gone);
    long row = -1;
    EXPECT_EQ(list()->FindFirstLabel(leaving, 0, &row), 1);
    EXPECT_EQ(list()->GetNumberRows(), 4);
    control()->BreakConnection(u"Plant"_qs);
    EXPECT_EQ(list()->GetNumberRows(), 0);
}

TEST_F(Pages, ProcessManagerListsKillsAndNeverRemovesTheWrongRow)
{
    tarntest::GatewayProcess gw({"--agents", "2"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait(u"Plant"_qs, 2));
    QTreeWidgetItem* node = tree()->FindAgent(u"Plant"_qs, gatewayNode(u"Plant"_qs)->child(0)->text(0));
    const QString agent = node->text(0);
    tree()->setCurrentItem(node);
    frame->UpdateCommandUI();
    ASSERT_TRUE(frame->Action(ID_PROCESS)->isEnabled());
    EXPECT_FALSE(frame->Action(ID_STOP_PROCESS)->isEnabled()); // no process page yet
    frame->Action(ID_PROCESS)->trigger();
    EXPECT_EQ(view()->CurrentPage(), PAGE_PROCESS);
    ASSERT_TRUE(waitUntil([&] { return processListDone(agent); }));
    const long a = agentRow(processes(), agent);
    const long count = processes()->GetAgentCount(a);
    ASSERT_GE(count, 3);
    EXPECT_EQ(processes()->GetNick(), u"Plant"_qs);
    EXPECT_EQ(groups(processes()), QStringList{agent});

    // Kill the last process through the menu command: its row is marked and only it goes.
    const QString victim = processes()->QuickGetText(1, a + count);
    const QString survivor = processes()->QuickGetText(1, a + count - 1);
    processes()->SelectRange(0, a + count, 2, a + count);
    frame->UpdateCommandUI();
    ASSERT_TRUE(frame->Action(ID_STOP_PROCESS)->isEnabled());
    frame->Action(ID_STOP_PROCESS)->trigger();
    EXPECT_EQ(processes()->GetWaitingRow(), a + count);
    // A second stop while the first waits is refused with its message and sends nothing.
    processes()->SelectRange(0, a + count - 1, 2, a + count - 1);
    frame->Action(ID_STOP_PROCESS)->trigger();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, u"Some process is being stopped."_qs);
    EXPECT_EQ(boxes.back().caption, u"Process Manager"_qs);
    ASSERT_TRUE(waitUntil([&] { return itemRow(processes(), agent, victim) < 0; }));
    EXPECT_GE(itemRow(processes(), agent, survivor), 0);
    EXPECT_EQ(processes()->GetAgentCount(agentRow(processes(), agent)), count - 1);
    EXPECT_FALSE(processes()->IsWaiting4Remove());

    // The kill button asks first; OK stops that process, the next stop is not refused for good.
    const long next = itemRow(processes(), agent, survivor);
    processes()->StopProcess(next, true);
    EXPECT_EQ(boxes.back().text, u"Kill the process?"_qs);
    ASSERT_TRUE(waitUntil([&] { return itemRow(processes(), agent, survivor) < 0; }));
    EXPECT_EQ(processes()->GetAgentCount(agentRow(processes(), agent)), count - 2);
}

TEST_F(Pages, StaleOrForeignStopAnswersTouchNoRow)
{
    tarntest::GatewayProcess gw({"--agents", "2"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait(u"Plant"_qs, 2));
    QTreeWidgetItem* g = gatewayNode(u"Plant"_qs);
    const QString a0 = g->child(0)->text(0), a1 = g->child(1)->text(0);
    tree()->setCurrentItem(g);
    ASSERT_TRUE(waitUntil([&] { return listComplete(2); }));
    list()->SetAllChecked();
    frame->Action(ID_PROCESS)->trigger();
    ASSERT_TRUE(waitUntil([&] { return processListDone(a0) && processListDone(a1); }));
    EXPECT_EQ(groups(processes()).size(), 2);

    // A success from the other agent while a0's row waits removes nothing.
    const long row = agentRow(processes(), a0) + 1;
    processes()->SetRequestAction([](const QString&, int, void*, const QString&) { return 1; }, 5, nullptr);
    processes()->StopProcess(row, false);
    ASSERT_EQ(processes()->GetWaitingRow(), row);
    const int rows = processes()->GetNumberRows();
    CZRNotify foreign(zrmsg::ProcessStopped, u"Plant|"_qs + a1, 1);
    doc()->OnNotify(foreign);
    EXPECT_EQ(processes()->GetNumberRows(), rows);
    EXPECT_TRUE(processes()->IsWaiting4Remove());
    // The waiting agent's failure clears the mark; a late success then has nothing to remove.
    CZRNotify failed(zrmsg::ProcessStopped, u"Plant|"_qs + a0, 0);
    doc()->OnNotify(failed);
    EXPECT_FALSE(processes()->IsWaiting4Remove());
    CZRNotify late(zrmsg::ProcessStopped, u"Plant|"_qs + a0, 1);
    doc()->OnNotify(late);
    EXPECT_EQ(processes()->GetNumberRows(), rows);

    // The agent's leaving takes its group and the mark with it.
    processes()->StopProcess(agentRow(processes(), a1) + 1, false);
    CZRNotify gone(zrmsg::AgentOffline, u"Plant|"_qs + a1);
    doc()->OnNotify(gone);
    EXPECT_EQ(groups(processes()), QStringList{a0});
    EXPECT_FALSE(processes()->IsWaiting4Remove());
}

TEST_F(Pages, ServiceStopAndStartChangeTheStatusAndAFailureClearsTheMark)
{
    tarntest::GatewayProcess gw({"--agents", "2"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait(u"Plant"_qs, 2));
    QTreeWidgetItem* node = gatewayNode(u"Plant"_qs)->child(1);
    const QString agent = node->text(0);
    tree()->setCurrentItem(node);
    frame->Action(ID_SERVICE)->trigger();
    EXPECT_EQ(view()->CurrentPage(), PAGE_SERVICE);
    ASSERT_TRUE(waitUntil([&] {
        const long a = agentRow(services(), agent);
        return a >= 0 && services()->GetAgentCount(a) > 2;
    }));
    const long a = agentRow(services(), agent);
    // A started service that is not the agent's own.
    long row = -1;
    for (long r = a + 1; r <= a + services()->GetAgentCount(a) && row < 0; ++r)
        if (services()->QuickGetParam(2, r) == 1 && !services()->QuickGetText(0, r).contains(u"arn"_qs))
            row = r;
    ASSERT_GE(row, 0);
    services()->SelectRange(0, row, 2, row);
    frame->UpdateCommandUI();
    ASSERT_TRUE(frame->Action(ID_STOP_SERVICE)->isEnabled());
    frame->Action(ID_STOP_SERVICE)->trigger();
    EXPECT_EQ(services()->GetUpdateRow(), row);
    // A second change while one waits is refused.
    frame->Action(ID_START_SERVICE)->trigger();
    EXPECT_EQ(boxes.back().text, u"Some service is being started/stopped."_qs);
    EXPECT_EQ(boxes.back().caption, u"Service Monitor"_qs);
    ASSERT_TRUE(waitUntil([&] { return !services()->IsWaiting4Update(); }));
    EXPECT_EQ(services()->QuickGetText(2, row), u"Stopped"_qs);
    EXPECT_EQ(services()->QuickGetParam(2, row), 0);

    services()->SelectRange(0, row, 2, row);
    frame->Action(ID_START_SERVICE)->trigger();
    ASSERT_TRUE(waitUntil([&] { return !services()->IsWaiting4Update(); }));
    EXPECT_EQ(services()->QuickGetText(2, row), u"Started"_qs);

    // Starting a running service fails at the agent: the error is shown and the mark goes.
    const size_t before = boxes.size();
    services()->SelectRange(0, row, 2, row);
    frame->Action(ID_START_SERVICE)->trigger();
    ASSERT_TRUE(waitUntil([&] { return !services()->IsWaiting4Update(); }));
    EXPECT_EQ(services()->QuickGetText(2, row), u"Started"_qs);
    ASSERT_TRUE(waitUntil([&] { return boxes.size() > before; }));
    EXPECT_TRUE(boxes.back().caption.startsWith(u"Error - "_qs));
}

TEST_F(Pages, CommandsOnAGatewayReachExactlyItsCheckedShownAgents)
{
    tarntest::GatewayProcess gw({"--agents", "4"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait(u"Plant"_qs, 4));
    QTreeWidgetItem* g = gatewayNode(u"Plant"_qs);
    tree()->setCurrentItem(g);
    ASSERT_TRUE(waitUntil([&] { return listComplete(4); }));
    const QString a1 = list()->QuickGetText(0, 1), a3 = list()->QuickGetText(0, 3);

    // None checked: nothing is sent, the page stays.
    frame->UpdateCommandUI();
    ASSERT_TRUE(frame->Action(ID_SERVICE)->isEnabled());
    frame->Action(ID_SERVICE)->trigger();
    EXPECT_EQ(view()->CurrentPage(), PAGE_DEVLIST);

    list()->SetCheckedRow(1, true);
    list()->SetCheckedRow(3, true);
    QString gateway;
    EXPECT_EQ(doc()->SelectionTargets(&gateway, false), QStringList({a1, a3}));
    EXPECT_EQ(doc()->SelectionTargets(&gateway, true), QStringList({a1}));
    frame->Action(ID_SERVICE)->trigger();
    ASSERT_TRUE(waitUntil([&] { return groups(services()).size() == 2; }));
    pump(300);
    QStringList got = groups(services());
    got.sort();
    QStringList want{a1, a3};
    want.sort();
    EXPECT_EQ(got, want);

    // A checked row the filter hides is not a target.
    tree()->setCurrentItem(g);
    view()->DevListWnd()->GetFilterEdit()->setText(a1);
    EXPECT_EQ(doc()->SelectionTargets(&gateway, false), QStringList({a1}));
    view()->DevListWnd()->GetFilterEdit()->clear();

    // The checks of another gateway's list are never this gateway's targets.
    list()->SetNick(u"Other"_qs);
    EXPECT_TRUE(doc()->SelectionTargets(&gateway, false).isEmpty());
}

TEST_F(Pages, ContextCommandsFromTheDeviceListActOnTheRightClickedAgent)
{
    tarntest::GatewayProcess gw({"--agents", "3"});
    start(profileFor({{"Plant", gw.port()}}));
    ASSERT_TRUE(connectAndWait(u"Plant"_qs, 3));
    tree()->setCurrentItem(gatewayNode(u"Plant"_qs));
    ASSERT_TRUE(waitUntil([&] { return listComplete(3); }));
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    list()->setFocus();
    ASSERT_TRUE(frame->FocusInInfoView());
    // The right click on row 2 records it and checks it alone.
    list()->OnRClicked(1, 2, 1, nullptr, nullptr, 0);
    list()->OnMenuStart(1, 2, UG_GRID);
    QString gateway, agent;
    ASSERT_TRUE(doc()->ContextAgent(&gateway, &agent));
    EXPECT_EQ(gateway, u"Plant"_qs);
    EXPECT_EQ(agent, list()->QuickGetText(0, 2));
    EXPECT_EQ(list()->GetFirstCheckedAgentRow(), 2);
    frame->UpdateCommandUI();
    ASSERT_TRUE(frame->Action(ID_CTX_PROCESS)->isEnabled());
    frame->Action(ID_CTX_PROCESS)->trigger();
    EXPECT_EQ(view()->CurrentPage(), PAGE_PROCESS);
    // The agent's node is selected; the page is not opened a second time by that.
    EXPECT_EQ(tree()->currentItem(), tree()->FindAgent(u"Plant"_qs, agent));
    ASSERT_TRUE(waitUntil([&] { return processListDone(agent); }));
    pump(300);
    EXPECT_EQ(groups(processes()), QStringList{agent});
    const long a = agentRow(processes(), agent);
    // Each process once: one request 4 only.
    QStringList pids;
    for (long r = a + 1; r <= a + processes()->GetAgentCount(a); ++r)
        pids << processes()->QuickGetText(0, r);
    EXPECT_EQ(pids.removeDuplicates(), 0);
}

TEST_F(Pages, FilterAndExportOnTenThousandAgents)
{
    tarntest::GatewayProcess gw({"--agents", "10000"}, 30000);
    start(profileFor({{"Fleet", gw.port()}}));
    ASSERT_TRUE(connectAndWait(u"Fleet"_qs, 10000));
    tree()->setCurrentItem(gatewayNode(u"Fleet"_qs));
    ASSERT_TRUE(waitUntil([&] { return listComplete(10000); }, 60000));
    const QString probe = list()->QuickGetText(0, 4321);
    QLineEdit* filter = view()->DevListWnd()->GetFilterEdit();
    filter->setText(probe);
    long shown = list()->GetShownRowCount();
    ASSERT_GE(shown, 1);
    EXPECT_LT(shown, 10000);
    // The address filter keeps the probe's row and rows whose address contains it ("10.0.1.1" also
    // shows "10.0.1.10").
    for (long r = 0; r < list()->GetNumberRows(); ++r) {
        if (!list()->IsRowShown(r)) continue;
        ASSERT_TRUE(list()->QuickGetText(0, r).contains(probe) ||
                    list()->QuickGetText(CZRDevListGrid::kColHost, r).contains(probe, Qt::CaseInsensitive));
    }
    long probeRow = -1;
    ASSERT_EQ(list()->FindFirstLabel(probe, 0, &probeRow), 0);
    EXPECT_TRUE(list()->IsRowShown(probeRow));

    // The export writes the header and exactly the shown rows.
    const QString csv = dir.filePath(u"fleet.csv"_qs);
    struct Answer : PickerService
    {
        QString path;
        QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override { return path; }
    } picker;
    picker.path = csv;
    SetPickerService(&picker);
    EXPECT_EQ(view()->DevListWnd()->Export(), 1);
    SetPickerService(nullptr);
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    EXPECT_TRUE(lines.first().startsWith("Device IP,Model Name"));
    EXPECT_EQ(lines.size() - 2, shown); // header, rows, and the empty text after the last CRLF
    filter->clear();
    EXPECT_EQ(list()->GetShownRowCount(), 10000);
}

// ---- the Gateway Manager

struct GatewayManager : Pages
{
    // Runs the command; act works on the open dialog, which it must end.
    void run(const std::function<void(CZRGatewayDlg*)>& act)
    {
        QTimer::singleShot(0, frame.get(), [act] {
            auto* dlg = qobject_cast<CZRGatewayDlg*>(QApplication::activeModalWidget());
            if (!dlg) {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* d = qobject_cast<CZRGatewayDlg*>(w); d && d->isVisible()) dlg = d;
            }
            ASSERT_NE(dlg, nullptr);
            act(dlg);
        });
        doc()->OnCommand(ID_GATEWAY_MANAGER);
    }
    ProfileText profile() const { return ProfileFile(doc()->ProfilePath()).Read(); }
    QString value(const char* key) const
    {
        return ProfileFile(doc()->ProfilePath())
            .GetString(u"Gateway"_qs, QString::fromLatin1(key), u"<none>"_qs);
    }
};

TEST_F(GatewayManager, RoundTripRewritesTheSectionAndRebuildsTheTree)
{
    start("[Gateway]\nCount=3\nName1=A\nIP1=10.0.0.1\nPort1=1\nName2=\nIP2=10.0.0.2\nPort2=2\n"
          "Name3=C\nIP3=10.0.0.3\nPort3=3\n[File Upload]\nRemoteDir=/data\n");
    ASSERT_EQ(tree()->topLevelItemCount(), 3);
    QStringList shown;
    run([&](CZRGatewayDlg* dlg) {
        for (int i = 0; i < dlg->listBox()->count(); ++i)
            shown << dlg->listBox()->item(i)->text();
        // Delete C, rename A, add D.
        dlg->listBox()->setCurrentRow(2);
        dlg->OnDelete();
        dlg->listBox()->setCurrentRow(0);
        dlg->SetName(u"Alpha"_qs);
        dlg->OnSave();
        dlg->OnNew();
        dlg->SetItem(u"D"_qs, u"10.0.0.4"_qs, u"4"_qs);
        dlg->OnSave();
        dlg->button(1)->click();
    });
    EXPECT_EQ(shown, QStringList({u"A"_qs, u"10.0.0.2"_qs, u"C"_qs}));
    EXPECT_EQ(value("Count"), u"3"_qs);
    EXPECT_EQ(value("Name1"), u"Alpha"_qs);
    EXPECT_EQ(value("Name2"), u"10.0.0.2"_qs);
    EXPECT_EQ(value("IP3"), u"10.0.0.4"_qs);
    EXPECT_EQ(value("Port3"), u"4"_qs);
    EXPECT_EQ(value("Name4"), u"<none>"_qs); // no stale keys
    // Other sections are left alone.
    EXPECT_EQ(ProfileFile(doc()->ProfilePath()).GetString(u"File Upload"_qs, u"RemoteDir"_qs, {}),
              u"/data"_qs);
    ASSERT_EQ(tree()->topLevelItemCount(), 3);
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), u"Alpha (10.0.0.1)"_qs);
    EXPECT_EQ(tree()->topLevelItem(2)->text(0), u"D (10.0.0.4)"_qs);
    EXPECT_EQ(control()->GetGatewayCount(), 3);

    // Cancel still rewrites from the dialog's list.
    run([](CZRGatewayDlg* dlg) {
        dlg->listBox()->setCurrentRow(0);
        dlg->OnDelete();
        dlg->button(2)->click();
    });
    EXPECT_EQ(value("Count"), u"2"_qs);
    EXPECT_EQ(value("Name3"), u"<none>"_qs);
    EXPECT_EQ(tree()->topLevelItemCount(), 2);
}

TEST_F(GatewayManager, ConnectKeepsConnectedGatewaysAndConnectsTheChosenOne)
{
    tarntest::GatewayProcess gw({"--agents", "2"});
    start(profileFor({{"Plant", gw.port()}, {"Depot", gw.port()}}));
    ASSERT_TRUE(connectAndWait(u"Plant"_qs, 2));
    // Connect on the gateway already on line: it stays connected, its agents stay, nothing is busy.
    run([](CZRGatewayDlg* dlg) {
        dlg->listBox()->setCurrentRow(0);
        dlg->OnConnect();
    });
    QTreeWidgetItem* plant = gatewayNode(u"Plant"_qs);
    ASSERT_NE(plant, nullptr);
    EXPECT_EQ(CZRAgentTree::Param(plant), NODE_GATEWAY | NODE_CONNECTED);
    EXPECT_EQ(plant->childCount(), 2);
    EXPECT_TRUE(control()->GetGateway(u"Plant"_qs).IsConnect());
    EXPECT_EQ(tree()->topLevelItemCount(), 2);

    run([](CZRGatewayDlg* dlg) {
        dlg->listBox()->setCurrentRow(1);
        dlg->OnConnect();
    });
    ASSERT_TRUE(waitUntil([&] { return gatewayNode(u"Depot"_qs)->childCount() == 2; }));
    EXPECT_TRUE(control()->GetGateway(u"Depot"_qs).IsConnect());
}

TEST_F(GatewayManager, AProfilePortOutsideTheRangeIsKeptButNeverDialled)
{
    start("[Gateway]\nCount=2\nName1=Bad\nIP1=127.0.0.1\nPort1=70000\nName2=Worse\nIP2=127.0.0.1\nPort2="
          "12ab\n");
    ASSERT_EQ(tree()->topLevelItemCount(), 2);
    for (const char* name : {"Bad", "Worse"}) {
        boxes.clear();
        ASSERT_TRUE(doc()->ConnectGateway(QString::fromLatin1(name)));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.contains(u"1 to 65535"_qs));
        EXPECT_EQ(boxes[0].caption, u"Error - "_qs + QString::fromLatin1(name));
        QTreeWidgetItem* node = gatewayNode(QString::fromLatin1(name));
        EXPECT_EQ(CZRAgentTree::Param(node), NODE_GATEWAY);
        EXPECT_FALSE(control()->GetGateway(QString::fromLatin1(name)).IsConnect());
    }
    // The entry itself is kept for the operator to mend.
    run([](CZRGatewayDlg* dlg) { dlg->button(2)->click(); });
    EXPECT_EQ(value("Port1"), u"70000"_qs);
}

} // namespace
