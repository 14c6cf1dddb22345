// Agent and gateway records and the control core's gateway list.
#include "testutil.h"
#include "zrcontrol.h"

#include <gtest/gtest.h>

TEST(Agent, MadeFromNick)
{
    CZRAgent a(QStringLiteral("10.1.2.3:pump:1"));
    EXPECT_EQ(a.GetIPAddr(), QStringLiteral("10.1.2.3"));
    EXPECT_EQ(a.GetName(), QStringLiteral("pump:1"));
    EXPECT_EQ(a.GetOSType(), 1);
    EXPECT_EQ(a.GetModelImage(), -1);
    CZRAgent b(QStringLiteral("10.1.2.4"));
    EXPECT_EQ(b.GetIPAddr(), QStringLiteral("10.1.2.4"));
    EXPECT_TRUE(b.GetName().isEmpty());
    EXPECT_TRUE(a == CZRAgent(QStringLiteral("10.1.2.3:other")));
    EXPECT_TRUE(a != b);
    EXPECT_EQ(a.SetIPAddr(QString()), 0);
}

TEST(Agent, SystemTypeFromDeviceInformation)
{
    CZRAgent a(QStringLiteral("1.1.1.1:a"));
    a.SetDeviceInfo(QStringLiteral("TRN-310-xpe"), {}, {}, QStringLiteral("Linux"), {});
    EXPECT_EQ(a.GetOSType(1), 2);
    EXPECT_EQ(a.GetOSType(0), 1); // type 2 reads as 1 unless asked exactly
    a.SetDeviceInfo(QStringLiteral("TRN-200"), {}, {}, QStringLiteral("Microsoft Windows CE 5.0"), {});
    EXPECT_EQ(a.GetOSType(), 1);
    a.SetDeviceInfo(QStringLiteral("TRN-120-CE"), {}, {}, QStringLiteral("Embedded"), {});
    EXPECT_EQ(a.GetOSType(), 1);
    a.SetDeviceInfo(QStringLiteral("TRN-200-LX"), {}, {}, QStringLiteral("Linux 2.6"), {});
    EXPECT_EQ(a.GetOSType(), 0);
    a.SetVersion(QStringLiteral("2.4.1 Build 1190"));
    EXPECT_EQ(a.GetVersion(), QStringLiteral("2.4.1"));
}

TEST(Agent, ListsCountersAndAssignment)
{
    CZRAgent a(QStringLiteral("1.1.1.1:a"));
    a.IncreaseBrowseFiles(0);
    EXPECT_EQ(a.GetBrowseFiles(), -1);
    a.AddNetworkInterface(1, QStringLiteral("eth0"), QStringLiteral("a"), {}, {}, {});
    a.AddNetworkInterface(2, QStringLiteral("eth1"), {}, {}, {}, {});
    a.AddNetworkInterface(3, QStringLiteral("eth0"), QStringLiteral("b"), {}, {}, {});
    QList<_Network> ifs;
    a.GetNetworkIFList(ifs);
    ASSERT_EQ(ifs.size(), 2);
    EXPECT_EQ(ifs[0].number, 3);
    EXPECT_EQ(ifs[0].text2, QStringLiteral("b"));
    a.AddNetworkDNS(QStringLiteral("eth0"), QStringLiteral("8.8.8.8"));
    a.AddNetworkDNS(QStringLiteral("eth1"), QStringLiteral("1.1.1.1"));
    a.AddNetworkDNS(QStringLiteral("eth0"), QStringLiteral("9.9.9.9"));
    QList<_DNSList> dns;
    a.GetNetworkDNSList(dns);
    ASSERT_EQ(dns.size(), 2);
    EXPECT_EQ(dns[0].servers, (QStringList{QStringLiteral("8.8.8.8"), QStringLiteral("9.9.9.9")}));
    a.SetDeviceCapacity(0, QStringLiteral(" 120kB"), QStringLiteral("x"));
    int c0 = -1, c1 = -1;
    EXPECT_EQ(a.GetDeviceCapacity(0, c0, c1), 1);
    EXPECT_EQ(c0, 120);
    EXPECT_EQ(c1, 0);
    EXPECT_EQ(a.GetDeviceCapacity(2, c0, c1), 0);

    // Assignment carries identity and flags, not what the agent reported.
    a.WaitProcessList(1);
    CZRAgent b(QStringLiteral("2.2.2.2:b"));
    b.AddAutoLaunch(QStringLiteral("x"), QStringLiteral("y"));
    b = a;
    EXPECT_EQ(b.GetNick(), a.GetNick());
    EXPECT_EQ(b.IsWaitingProcess(), 1);
    QList<_Instruction> launch;
    b.GetAutoLaunchList(launch);
    EXPECT_EQ(launch.size(), 1);
    b.GetNetworkIFList(ifs);
    EXPECT_TRUE(ifs.isEmpty());
}

TEST(Gateway, AgentsFoundByNickOrAddress)
{
    CZRGateway gw(QStringLiteral("gw"), QStringLiteral("127.0.0.1"), QStringLiteral("1"));
    EXPECT_EQ(gw.AddAgent(QString()), 0);
    EXPECT_EQ(gw.AddAgent(QStringLiteral("10.0.0.1:a")), 1);
    gw.GetAgent(QStringLiteral("10.0.0.1")).SetVersion(QStringLiteral("1.0"));
    EXPECT_EQ(&gw.GetAgent(QStringLiteral("10.0.0.1")), &gw.GetAgent(QStringLiteral("10.0.0.1:a")));
    // Re-announcing makes a fresh record.
    EXPECT_EQ(gw.AddAgent(QStringLiteral("10.0.0.1:renamed")), 1);
    EXPECT_EQ(gw.GetAgentCount(), 1);
    EXPECT_TRUE(gw.GetAgent(QStringLiteral("10.0.0.1")).GetVersion().isEmpty());
    EXPECT_EQ(gw.GetAgentNick(QStringLiteral("10.0.0.1")), QStringLiteral("10.0.0.1:renamed"));
    EXPECT_TRUE(gw.GetAgent(QString()).GetNick().isEmpty());
    EXPECT_TRUE(gw.GetAgent(QStringLiteral("10.9.9.9")).GetNick().isEmpty());
    EXPECT_EQ(gw.RemoveAgent(QStringLiteral("10.9.9.9")), 0);
    EXPECT_EQ(gw.RemoveAgent(QStringLiteral("10.0.0.1")), 1);
    EXPECT_EQ(gw.GetAgentCount(), 0);
}

TEST(Gateway, TenThousandAgentsStayIndexed)
{
    CZRGateway gw(QStringLiteral("gw"), QStringLiteral("127.0.0.1"), QStringLiteral("1"));
    for (int i = 0; i < 10000; ++i)
        gw.AddAgent(QStringLiteral("10.%1.%2.1:n%3").arg(i / 256).arg(i % 256).arg(i));
    for (int i = 0; i < 10000; i += 3)
        gw.RemoveAgent(QStringLiteral("10.%1.%2.1").arg(i / 256).arg(i % 256));
    int found = 0;
    for (int i = 0; i < 10000; ++i) {
        const QString ip = QStringLiteral("10.%1.%2.1").arg(i / 256).arg(i % 256);
        const CZRAgent& a = gw.GetAgent(ip);
        if (i % 3 == 0) {
            EXPECT_TRUE(a.GetNick().isEmpty()) << i;
        } else {
            EXPECT_EQ(a.GetIPAddr(), ip);
            ++found;
        }
    }
    EXPECT_EQ(gw.GetAgentCount(), found);
    // Announcement order is kept.
    auto it = gw.GetAgentList().begin();
    EXPECT_EQ((*it)->GetName(), QStringLiteral("n1"));
    gw.ClearOnlineInfo();
    EXPECT_EQ(gw.GetAgentCount(), 0);
    EXPECT_TRUE(gw.GetAgent(QStringLiteral("10.0.0.2")).GetNick().isEmpty());
}

TEST(GatewayList, AddRemoveAndLookups)
{
    WithApp app;
    CZRControl control;
    EXPECT_EQ(control.AddGateway(QString(), QStringLiteral("1.2.3.4"), QStringLiteral("1")), 0);
    EXPECT_EQ(control.AddGateway(QStringLiteral("a"), QStringLiteral("1.2.3.4"), QStringLiteral("1")), 1);
    EXPECT_EQ(control.AddGateway(QStringLiteral("a"), QStringLiteral("5.6.7.8"), QStringLiteral("2")), 0);
    EXPECT_EQ(control.AddGateway(QStringLiteral("b"), QStringLiteral("5.6.7.8"), QStringLiteral("2")), 1);
    EXPECT_EQ(control.GetGatewayCount(), 2);
    QString name, ip, port;
    EXPECT_EQ(control.GetGatewayItem(0, name, ip, port), 1);
    EXPECT_EQ(ip, QStringLiteral("1.2.3.4"));
    EXPECT_EQ(control.GetGatewayItem(2, name, ip, port), 0);

    control.GetGateway(QStringLiteral("b")).Connect(1);
    EXPECT_EQ(&control.GetOnlineGateway(), &control.GetGateway(QStringLiteral("b")));
    control.RemoveGateway(QStringLiteral("b"));
    control.RemoveAllGateway();
    EXPECT_EQ(control.GetGatewayCount(), 1);
    EXPECT_EQ(control.IsOnlineGateway(QStringLiteral("b")), 1);
    EXPECT_EQ(control.IsOnlineGateway(QStringLiteral("a")), 0);
    EXPECT_TRUE(control.GetGateway(QStringLiteral("zz")).GetName().isEmpty());

    control.GetGateway(QStringLiteral("b")).AddAgent(QStringLiteral("10.0.0.7:x"));
    EXPECT_EQ(control.GetAgent(QStringLiteral("b|10.0.0.7")).GetName(), QStringLiteral("x"));
    EXPECT_TRUE(control.GetAgent(QStringLiteral("b10.0.0.7")).GetNick().isEmpty());
    EXPECT_TRUE(control.GetAgent(QStringLiteral("a|10.0.0.7")).GetNick().isEmpty());
    control.GetGateway(QStringLiteral("b")).Connect(0);
}
