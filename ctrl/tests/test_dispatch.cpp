// Reply dispatch with synthetic replies: records, notifications and their payloads.
#include "testutil.h"
#include "zrcontrol.h"

#include <gtest/gtest.h>

namespace {

const QString kGw = QStringLiteral("gw");
const QString kNick = QStringLiteral("10.0.0.5:pump");
const QString kKey = QStringLiteral("gw|10.0.0.5");

class Dispatch : public WithApp, public ::testing::Test
{
protected:
    void SetUp() override
    {
        testApp();
        control.SetMainHWND(&rec);
        control.AddGateway(kGw, QStringLiteral("127.0.0.1"), QStringLiteral("1"));
        control.GetGateway(kGw).Connect(1);
        deliver(26, kNick, QString());
        rec.clear();
    }
    void TearDown() override { control.GetGateway(kGw).Connect(0); }

    int deliver(int code, const QString& nick, const QString& text)
    {
        const int r = control.GetReply(_Message{0, quint16(code), nick, text, kGw});
        QCoreApplication::sendPostedEvents();
        return r;
    }
    CZRAgent& agent() { return control.GetAgent(kKey); }
    std::vector<int> ids() const
    {
        std::vector<int> out;
        for (const Recorded& r : rec.seen)
            out.push_back(r.id);
        return out;
    }

    Recorder rec;
    CZRControl control;
};

} // namespace

TEST_F(Dispatch, LoginAndAnnouncements)
{
    deliver(24, QString(), QString());
    ASSERT_EQ(ids(), (std::vector<int>{1527}));
    EXPECT_EQ(rec.seen[0].key, QStringLiteral("gw|"));
    rec.clear();

    agent().SetVersion(QStringLiteral("old"));
    deliver(26, kNick, QString());
    ASSERT_EQ(ids(), (std::vector<int>{1635, 1535}));
    const _Notice* n = std::get_if<_Notice>(&rec.seen[0].payload);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->code, 26);
    EXPECT_EQ(n->text, QStringLiteral("10.0.0.5"));
    EXPECT_EQ(n->key, kKey);
    EXPECT_TRUE(rec.seen[0].key.isEmpty());
    EXPECT_EQ(rec.seen[1].key, kKey);
    EXPECT_EQ(control.GetGateway(kGw).GetAgentCount(), 1);
    EXPECT_TRUE(agent().GetVersion().isEmpty()); // a fresh record
    rec.clear();
    deliver(26, QString(), QString());
    EXPECT_TRUE(rec.seen.empty());
}

TEST_F(Dispatch, DeviceInformationAndCapacities)
{
    deliver(
        102, kNick,
        QStringLiteral(
            "\"3.1.0 Build 77\" \"TRN-310-XPE\" \"4.0.9\" \"Windows XP Embedded\" \"x86\" \"pump-host\""));
    EXPECT_EQ(ids(), (std::vector<int>{1635, 1537}));
    QString model, host, cpu, os, fw;
    agent().GetDeviceInfo(model, host, cpu, os, fw);
    EXPECT_EQ(agent().GetVersion(), QStringLiteral("3.1.0"));
    EXPECT_EQ(model, QStringLiteral("TRN-310-XPE"));
    EXPECT_EQ(host, QStringLiteral("pump-host"));
    EXPECT_EQ(cpu, QStringLiteral("x86"));
    EXPECT_EQ(os, QStringLiteral("Windows XP Embedded"));
    EXPECT_EQ(fw, QStringLiteral("4.0.9"));
    EXPECT_EQ(agent().GetOSType(1), 2);
    rec.clear();
    deliver(104, kNick, QStringLiteral("1000 250"));
    deliver(106, kNick, QStringLiteral("7 9"));
    EXPECT_EQ(ids(), (std::vector<int>{1538, 1539}));
    int a = 0, b = 0;
    agent().GetDeviceCapacity(0, a, b);
    EXPECT_EQ(a + b, 1250);
    agent().GetDeviceCapacity(1, a, b);
    EXPECT_EQ(a * b, 63);
}

TEST_F(Dispatch, ProcessAndServiceLists)
{
    deliver(112, kNick, QStringLiteral("\"init\" 1"));
    deliver(112, kNick, QStringLiteral("\"init\" 1 extra")); // wrong item count: dropped
    deliver(113, kNick, QString());                          // nobody waits: dropped
    ASSERT_EQ(ids(), (std::vector<int>{1545}));
    EXPECT_EQ(std::get<QStringList>(rec.seen[0].payload),
              (QStringList{QStringLiteral("init"), QStringLiteral("1")}));
    agent().WaitProcessList(1);
    deliver(113, kNick, QString());
    EXPECT_EQ(rec.seen.back().id, 1545);
    EXPECT_FALSE(rec.seen.back().hasPayload());
    EXPECT_EQ(agent().IsWaitingProcess(), 0);
    rec.clear();

    deliver(142, kNick, QStringLiteral("\"sshd\" \"Secure shell\" 1"));
    deliver(142, kNick, QStringLiteral("\"sshd\" 1"));
    agent().WaitServiceList(1);
    deliver(143, kNick, QString());
    ASSERT_EQ(ids(), (std::vector<int>{1547, 1547}));
    EXPECT_EQ(std::get<QStringList>(rec.seen[0].payload).size(), 3);
    EXPECT_EQ(agent().IsWaitingService(), 0);
}

TEST_F(Dispatch, ServiceStartAndStopTellSuccessFromFailure)
{
    deliver(146, kNick, QString());
    deliver(148, kNick, QString());
    deliver(999, kNick, QStringLiteral("145 \"service refused\""));
    deliver(999, kNick, QStringLiteral("147 \"service refused\""));
    ASSERT_EQ(ids(), (std::vector<int>{1548, 1549, 1548, 1528, 1549, 1528}));
    EXPECT_EQ(rec.seen[0].value, 1);
    EXPECT_EQ(rec.seen[1].value, 1);
    EXPECT_EQ(rec.seen[2].value, 0);
    EXPECT_EQ(rec.seen[4].value, 0);
}

TEST_F(Dispatch, InterfacesDnsAndAutoLaunch)
{
    deliver(122, kNick, QStringLiteral("eth0 1 \"192.168.1.5\" \"255.255.255.0\" \"192.168.1.1\" 0"));
    deliver(122, kNick, QStringLiteral("eth1 2 a b c d"));
    EXPECT_TRUE(rec.seen.empty());
    deliver(123, kNick, QString());
    QList<_Network> ifs;
    agent().GetNetworkIFList(ifs);
    ASSERT_EQ(ifs.size(), 2);
    EXPECT_EQ(ifs[0].text2, QStringLiteral("192.168.1.5"));
    // The next listing starts a new list.
    deliver(122, kNick, QStringLiteral("wlan0 3 a b c d"));
    agent().GetNetworkIFList(ifs);
    EXPECT_EQ(ifs.size(), 1);

    deliver(126, kNick, QStringLiteral("eth0 \"8.8.8.8 8.8.4.4\""));
    deliver(126, kNick, QStringLiteral("eth1 \"\""));
    QList<_DNSList> dns;
    agent().GetNetworkDNSList(dns);
    ASSERT_EQ(dns.size(), 1);
    EXPECT_EQ(dns[0].servers.size(), 2);

    deliver(132, kNick, QStringLiteral("\"/bin/app\" \"-d\""));
    deliver(133, kNick, QString());
    QList<_Instruction> launch;
    agent().GetAutoLaunchList(launch);
    EXPECT_EQ(launch.size(), 1);
    deliver(133, kNick, QString()); // an empty list reported
    agent().GetAutoLaunchList(launch);
    EXPECT_TRUE(launch.isEmpty());
    EXPECT_EQ(rec.count(1555), 1);
    EXPECT_EQ(rec.count(1556), 2);
    EXPECT_EQ(rec.count(1565), 2);
}

TEST_F(Dispatch, ClocksNotifyOncePerAnswer)
{
    agent().SetDeviceInfo(QStringLiteral("TRN-200-LX"), {}, {}, QStringLiteral("Linux"), {});
    deliver(162, kNick, QStringLiteral("2026-12-08 10:00:00"));
    EXPECT_EQ(rec.count(1575), 0);
    deliver(164, kNick, QStringLiteral("2026-12-08 10:00:02"));
    EXPECT_EQ(rec.count(1575), 1);
    EXPECT_EQ(agent().GetRTCTime(), QStringLiteral("10:00:02"));
    EXPECT_EQ(agent().GetSYSDate(), QStringLiteral("2026-12-08"));

    rec.clear();
    agent().SetDeviceInfo(QStringLiteral("TRN-120-CE"), {}, {}, QStringLiteral("CE"), {});
    deliver(162, kNick, QStringLiteral("2026-12-08 10:00:00"));
    EXPECT_EQ(rec.count(1575), 1);
}

TEST_F(Dispatch, ShortRepliesLeaveMissingItemsEmpty)
{
    // Fields an agent left out stay empty; the last one given is not repeated into them.
    deliver(122, kNick, QStringLiteral("eth0 1 10.0.0.5"));
    deliver(123, kNick, QString());
    QList<_Network> ifs;
    agent().GetNetworkIFList(ifs);
    ASSERT_EQ(ifs.size(), 1);
    EXPECT_EQ(ifs[0].text2, QStringLiteral("10.0.0.5"));
    EXPECT_EQ(ifs[0].text3, QString());
    EXPECT_EQ(ifs[0].text5, QString());
    deliver(132, kNick, QStringLiteral("/bin/app"));
    deliver(133, kNick, QString());
    QList<_Instruction> launch;
    agent().GetAutoLaunchList(launch);
    ASSERT_EQ(launch.size(), 1);
    EXPECT_EQ(launch[0].text1, QString());
    deliver(162, kNick, QStringLiteral("2026-12-08"));
    EXPECT_EQ(agent().GetSYSTime(), QString());
    deliver(126, kNick, QStringLiteral("eth0"));
    QList<_DNSList> dns;
    agent().GetNetworkDNSList(dns);
    EXPECT_TRUE(dns.isEmpty());
}

TEST_F(Dispatch, AgentOfflineOnlyUnderItsExactNick)
{
    deliver(174, QStringLiteral("10.0.0.5:other"), QString());
    EXPECT_TRUE(rec.seen.empty());
    EXPECT_EQ(control.GetGateway(kGw).GetAgentCount(), 1);
    deliver(172, kNick, QString());
    ASSERT_EQ(ids(), (std::vector<int>{1635, 1536}));
    EXPECT_EQ(std::get<_Notice>(rec.seen[0].payload).text, QStringLiteral("10.0.0.5"));
    EXPECT_EQ(rec.seen[1].key, kKey);
    EXPECT_EQ(control.GetGateway(kGw).GetAgentCount(), 0);
}

TEST_F(Dispatch, FailuresNotifyTheirPagesThenTheOperator)
{
    deliver(999, kNick, QStringLiteral("115 \"Process not found\""));
    ASSERT_EQ(ids(), (std::vector<int>{1546, 1528}));
    EXPECT_EQ(rec.seen[0].value, 0);
    EXPECT_EQ(rec.seen[1].key, kNick);
    EXPECT_EQ(std::get<QString>(rec.seen[1].payload), QStringLiteral("Process not found"));
    rec.clear();

    agent().IncreaseBrowseFiles(1);
    deliver(999, kNick, QStringLiteral("211 \"No such directory\""));
    ASSERT_EQ(ids(), (std::vector<int>{1606}));
    EXPECT_FALSE(rec.seen[0].hasPayload());
    EXPECT_EQ(agent().GetBrowseFiles(), 0);
    rec.clear();

    deliver(999, kNick, QStringLiteral("217 \"denied\""));
    deliver(999, kNick, QStringLiteral("221 \"denied\""));
    EXPECT_EQ(ids(), (std::vector<int>{1605, 1528, 1528}));
    rec.clear();

    deliver(999, kNick, QStringLiteral("264 \"modbus down\""));
    deliver(999, kNick, QStringLiteral("301 \"no modem\""));
    deliver(999, kNick, QStringLiteral("505 \"nope\""));
    ASSERT_EQ(ids(), (std::vector<int>{1625, 1615, 1635}));
    EXPECT_EQ(std::get<_Notice>(rec.seen[1].payload).code, 999);
    rec.clear();

    deliver(999, kNick, QStringLiteral("195 \"/l/fw.bin\" \"firmware\" 1 \"disk full\""));
    ASSERT_EQ(ids(), (std::vector<int>{1635, 1528}));
    EXPECT_EQ(std::get<QString>(rec.seen[1].payload), QStringLiteral("Upgrade failed: \ndisk full\n"));
}

TEST_F(Dispatch, RefusedListsAndClocksClearTheirMarks)
{
    agent().WaitProcessList(1);
    agent().WaitServiceList(1);
    agent().WaitNetInterface(1);
    agent().WaitAutoInstList(1);
    agent().WaitTimeInfo(1);
    deliver(999, kNick, QStringLiteral("111 \"busy\""));
    deliver(999, kNick, QStringLiteral("141 \"busy\""));
    deliver(999, kNick, QStringLiteral("121 \"busy\""));
    deliver(999, kNick, QStringLiteral("131 \"busy\""));
    EXPECT_EQ(agent().IsWaitingProcess() + agent().IsWaitingService() + agent().IsWaitingNetInterface() +
                  agent().IsWaitingAutoInst(),
              0);
    EXPECT_EQ(agent().IsWaitingTime(), 1);
    deliver(999, kNick, QStringLiteral("163 \"no rtc\""));
    EXPECT_EQ(agent().IsWaitingTime(), 0);
    EXPECT_EQ(rec.count(1528), 5);
}

TEST_F(Dispatch, DirectoryListingAndRemoteFileOperations)
{
    deliver(212, kNick, QStringLiteral("d \"Program Files\" 0 \"2026-01-01 10:00\" 755"));
    deliver(212, kNick, QStringLiteral("f \"big.img\" 5000000000 \"2026-01-01 10:00\" 644"));
    deliver(212, kNick, QStringLiteral(": \"C:\" 0 \"\" 0"));
    deliver(213, kNick, QString());
    ASSERT_EQ(rec.count(1606), 4);
    for (int i = 0; i < 4; ++i) {
        const _FileEntry& e = std::get<_FileEntry>(rec.seen[i].payload);
        EXPECT_EQ(e.index, i);
        EXPECT_EQ(rec.seen[i].key, kKey);
    }
    EXPECT_EQ(std::get<_FileEntry>(rec.seen[0].payload).kind, 0);
    EXPECT_EQ(std::get<_FileEntry>(rec.seen[0].payload).name, QStringLiteral("Program Files"));
    EXPECT_EQ(std::get<_FileEntry>(rec.seen[0].payload).number, 755);
    EXPECT_EQ(std::get<_FileEntry>(rec.seen[1].payload).kind, 1);
    EXPECT_EQ(std::get<_FileEntry>(rec.seen[1].payload).size, 5000000000ull);
    EXPECT_EQ(std::get<_FileEntry>(rec.seen[2].payload).kind, 2);
    EXPECT_TRUE(std::get<_FileEntry>(rec.seen[3].payload).name.isEmpty());
    EXPECT_EQ(agent().GetBrowseFiles(), 0);
    rec.clear();
    deliver(216, kNick, QString());
    deliver(222, kNick, QString());
    deliver(220, kNick, QString());
    ASSERT_EQ(ids(), (std::vector<int>{1605, 1605}));
    EXPECT_EQ(rec.seen[0].value, 1);
    EXPECT_EQ(rec.seen[1].value, 0);
}

TEST_F(Dispatch, PluginRepliesAndUnroutedCodes)
{
    deliver(302, kNick, QStringLiteral("READY"));
    deliver(233, kNick, QStringLiteral("x"));
    deliver(138, kNick, QStringLiteral("as is"));
    ASSERT_EQ(ids(), (std::vector<int>{1615, 1625, 1635}));
    EXPECT_EQ(std::get<_Notice>(rec.seen[0].payload).text, QStringLiteral("READY"));
    EXPECT_EQ(std::get<_Notice>(rec.seen[2].payload).key, kKey);
    rec.clear();
    EXPECT_EQ(deliver(134, kNick, QStringLiteral("x")), -1);
    EXPECT_TRUE(rec.seen.empty());
}

TEST_F(Dispatch, NothingForAnOfflineGatewayAndStraysLeaveNoTrace)
{
    deliver(122, QStringLiteral("10.9.9.9:ghost"), QStringLiteral("eth0 1 a b c d"));
    EXPECT_TRUE(control.GetGateway(kGw).GetEmptyAgent().GetNick().isEmpty());
    QList<_Network> ifs;
    control.GetGateway(kGw).GetAgent(QStringLiteral("10.9.9.9")).GetNetworkIFList(ifs);
    EXPECT_TRUE(ifs.isEmpty());
    control.GetGateway(kGw).Connect(0);
    rec.clear();
    deliver(102, kNick, QStringLiteral("a b c d e f"));
    deliver(999, kNick, QStringLiteral("115 x"));
    deliver(302, kNick, QStringLiteral("x"));
    EXPECT_TRUE(rec.seen.empty());
}

TEST_F(Dispatch, ControlWindowMessages)
{
    EXPECT_EQ(control.KeepAlivePeriod(), 30000);
    QStringList shown;
    control.SetTestHandler([&](const QString& text) { shown << text; });
    QCoreApplication::postEvent(&control, new QEvent(QEvent::Type(zrmsg::Test)));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(shown, QStringList{QStringLiteral("[MessageTEST]")});
    // An agent declared gone by the console itself goes like one the gateway reported.
    control.AgentDisconnect(kNick, kGw);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(rec.count(1536), 1);
    EXPECT_EQ(control.GetGateway(kGw).GetAgentCount(), 0);
}

TEST_F(Dispatch, NotificationsKeepTheirOrderAcrossANestedEventLoop)
{
    // The console answers a failure with a message box: a nested loop while the rest is pending.
    class Modal : public Recorder
    {
    public:
        std::function<void()> onFirstFailure;

    protected:
        bool event(QEvent* e) override
        {
            const bool handled = Recorder::event(e);
            if (int(e->type()) == 1528 && onFirstFailure) {
                auto run = std::move(onFirstFailure);
                onFirstFailure = nullptr;
                run();
            }
            return handled;
        }
    } modal;
    control.SetMainHWND(&modal);
    modal.onFirstFailure = [&] {
        control.GetReply(_Message{0, 148, kNick, QString(), kGw}); // arrives while the box is open
        QCoreApplication::processEvents();
    };
    control.GetReply(_Message{0, 999, kNick, QStringLiteral("145 \"refused\""), kGw});
    control.GetReply(_Message{0, 146, kNick, QString(), kGw});
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    std::vector<int> order;
    for (const Recorded& r : modal.seen)
        order.push_back(r.id);
    EXPECT_EQ(order, (std::vector<int>{1548, 1528, 1548, 1549}));
}
