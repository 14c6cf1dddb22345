// End to end against the stand-in gateway process.
#include "gateway_process.h"
#include "testutil.h"
#include "zrcontrol.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>

namespace {

const QString kGw = QStringLiteral("site");
const QString kLx = QStringLiteral("site|10.3.0.1");
const QString kXpe = QStringLiteral("site|10.3.0.2");
const QString kCe = QStringLiteral("site|10.3.0.3");

class EndToEnd : public WithApp, public ::testing::Test
{
protected:
    // Starts the gateway with a fleet of one agent of each system type, plus extra options.
    void start(std::vector<std::string> extra = {})
    {
        ASSERT_TRUE(dir.isValid());
        const QString fleet = dir.filePath(QStringLiteral("fleet.txt"));
        QFile f(fleet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("10.3.0.1 lx-01 model=TRN-200-LX\n"
                "10.3.0.2 xpe-01 model=TRN-310-XPE\n"
                "10.3.0.3 ce-01 model=TRN-120-CE\n");
        f.close();
        std::vector<std::string> args = {"--fleet", fleet.toStdString(), "--root",
                                         dir.filePath(QStringLiteral("root")).toStdString()};
        args.insert(args.end(), extra.begin(), extra.end());
        gateway = std::make_unique<tarntest::GatewayProcess>(args);
        ASSERT_TRUE(gateway->ok());
        control = std::make_unique<CZRControl>();
        control->SetMainHWND(&rec);
        control->AddGateway(kGw, QStringLiteral("127.0.0.1"), QString::number(gateway->port()));
        ASSERT_EQ(control->Connect2Gateway(kGw), 1);
    }
    void startOnline(std::vector<std::string> extra = {})
    {
        start(std::move(extra));
        ASSERT_TRUE(waitUntil([&] { return rec.count(1527) == 1 && rec.count(1535) == 3; }, 10000))
            << gateway->stderrText();
    }
    // A round trip to the gateway: everything sent before it has been answered once it is back.
    void barrier(const QString& key)
    {
        const int before = rec.count(1635);
        ASSERT_EQ(control->SendRequest(88, QString(), key), 1);
        ASSERT_TRUE(waitUntil([&] { return rec.count(1635) > before; }));
    }
    void TearDown() override
    {
        control.reset();
        gateway.reset();
    }

    QTemporaryDir dir;
    Recorder rec;
    std::unique_ptr<tarntest::GatewayProcess> gateway;
    std::unique_ptr<CZRControl> control;
};

} // namespace

TEST_F(EndToEnd, DeviceInformationForEverySystemType)
{
    startOnline();
    for (const QString& key : {kLx, kXpe, kCe})
        EXPECT_EQ(control->SendRequest(1, QString(), key), 1);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1537) == 3; }));
    EXPECT_EQ(control->GetAgent(kLx).GetOSType(1), 0);
    EXPECT_EQ(control->GetAgent(kXpe).GetOSType(1), 2);
    EXPECT_EQ(control->GetAgent(kCe).GetOSType(1), 1);
    QString model, host, cpu, os, firmware;
    control->GetAgent(kXpe).GetDeviceInfo(model, host, cpu, os, firmware);
    EXPECT_EQ(model, QStringLiteral("TRN-310-XPE"));
    EXPECT_FALSE(host.isEmpty());
    EXPECT_FALSE(control->GetAgent(kLx).GetVersion().isEmpty());
    EXPECT_FALSE(control->GetAgent(kLx).GetVersion().contains(QStringLiteral("Build")));
    EXPECT_EQ(control->GetAgent(kCe).GetName(), QStringLiteral("ce-01"));
}

TEST_F(EndToEnd, ProcessAndServiceListsWithTheirWaitingMarks)
{
    startOnline();
    EXPECT_EQ(control->SendRequest(4, QString(), kLx), 1);
    EXPECT_EQ(control->SendRequest(4, QString(), kLx), 0);
    EXPECT_EQ(control->SendRequest(6, QString(), kLx), 1);
    ASSERT_TRUE(waitUntil([&] {
        const Recorded* p = rec.last(1545);
        const Recorded* s = rec.last(1547);
        return p && !p->hasPayload() && s && !s->hasPayload();
    }));
    const auto processes = rec.all(1545);
    ASSERT_GT(processes.size(), 2u);
    for (std::size_t i = 0; i + 1 < processes.size(); ++i)
        EXPECT_EQ(std::get<QStringList>(processes[i].payload).size(), 2);
    const auto services = rec.all(1547);
    ASSERT_GT(services.size(), 1u);
    EXPECT_EQ(std::get<QStringList>(services[0].payload).size(), 3);
    EXPECT_EQ(control->GetAgent(kLx).IsWaitingProcess(), 0);
    EXPECT_EQ(control->GetAgent(kLx).IsWaitingService(), 0);
    EXPECT_EQ(control->SendRequest(4, QString(), kLx), 1);
}

TEST_F(EndToEnd, NetworkDnsAndAutoLaunch)
{
    startOnline();
    control->SendRequest(9, QString(), kCe);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1555) == 1; }));
    QList<_Network> ifs;
    control->GetAgent(kCe).GetNetworkIFList(ifs);
    ASSERT_FALSE(ifs.isEmpty());
    for (const _Network& n : ifs) {
        const QString arg = n.name.contains(QLatin1Char(' ')) ? QStringLiteral("\"%1\"").arg(n.name) : n.name;
        EXPECT_EQ(control->SendRequest(10, arg, kCe), 1);
    }
    ASSERT_TRUE(waitUntil([&] { return rec.count(1556) == int(ifs.size()); }));
    QList<_DNSList> dns;
    control->GetAgent(kCe).GetNetworkDNSList(dns);
    ASSERT_FALSE(dns.isEmpty());
    EXPECT_FALSE(dns[0].servers.isEmpty());

    control->SendRequest(13, QString(), kCe);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1565) == 1; }));
    QList<_Instruction> launch;
    control->GetAgent(kCe).GetAutoLaunchList(launch);
    EXPECT_FALSE(launch.isEmpty());
    EXPECT_EQ(control->GetAgent(kCe).IsWaitingAutoInst(), 0);
}

TEST_F(EndToEnd, ClocksNotifyOnceForSlashAgents)
{
    startOnline();
    control->SendRequest(1, QString(), kLx);
    control->SendRequest(1, QString(), kCe);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1537) == 2; }));
    rec.clear();
    control->SendRequest(16, QString(), kLx);
    control->SendRequest(17, QString(), kLx);
    barrier(kLx);
    EXPECT_EQ(rec.count(1575), 1);
    EXPECT_FALSE(control->GetAgent(kLx).GetRTCTime().isEmpty());
    EXPECT_FALSE(control->GetAgent(kLx).GetSYSDate().isEmpty());
    rec.clear();
    control->SendRequest(16, QString(), kCe);
    barrier(kCe);
    EXPECT_EQ(rec.count(1575), 1);
}

TEST_F(EndToEnd, RebootGoesOfflineAndComesBack)
{
    startOnline({"--reboot-delay", "300"});
    rec.clear();
    EXPECT_EQ(control->SendRequest(20, QString(), kXpe), 1);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1536) == 1; }));
    EXPECT_EQ(rec.last(1536)->key, kXpe);
    EXPECT_TRUE(control->GetAgent(kXpe).GetNick().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return rec.count(1535) == 1; }));
    EXPECT_EQ(control->GetAgent(kXpe).GetName(), QStringLiteral("xpe-01"));
}

TEST_F(EndToEnd, SilentAgentIsDeclaredOffline)
{
    startOnline({"--silent", "10.3.0.3"});
    control->SetKeepAlivePeriod(200);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1536) == 1; }, 5000));
    EXPECT_EQ(rec.last(1536)->key, kCe);
    // The others keep answering the polls and stay.
    barrier(kLx);
    const int polls = rec.count(1538);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1538) >= polls + 4; }, 5000));
    EXPECT_EQ(rec.count(1536), 1);
    EXPECT_EQ(control->GetGateway(kGw).GetAgentCount(), 2);
}

TEST_F(EndToEnd, GatewayKilledMidSession)
{
    startOnline();
    control->SendRequest(4, QString(), kLx);
    ::kill(gateway->pid(), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1525) == 1; }));
    EXPECT_EQ(control->IsOnlineGateway(kGw), 0);
    EXPECT_EQ(control->GetGateway(kGw).GetAgentCount(), 0);
    ASSERT_TRUE(waitUntil([&] { return control->GetThreadCount() == 0; }));
}

TEST_F(EndToEnd, HostileOversizedFrameEndsTheConnection)
{
    start({"--hostile", "oversize"});
    ASSERT_TRUE(waitUntil([&] { return rec.count(1525) == 1; }, 10000));
    ASSERT_TRUE(waitUntil([&] { return control->GetThreadCount() == 0; }));
    EXPECT_EQ(control->GetGateway(kGw).GetAgentCount(), 0);
}

TEST_F(EndToEnd, HostileRepliesAreSurvived)
{
    start({"--hostile", "unclosed-quote", "--hostile", "flood:3000", "--hostile", "rogue-chunk", "--hostile",
           "long-target"});
    ASSERT_TRUE(waitUntil([&] { return rec.count(1535) >= 3003; }, 10000));
    control->SendRequest(1, QString(), kLx);
    barrier(kLx);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1537) == 1; }));
    EXPECT_EQ(control->IsOnlineGateway(kGw), 1);
    EXPECT_GE(control->GetGateway(kGw).GetAgentCount(), 3003);
    EXPECT_EQ(control->GetAgent(kLx).GetName(), QStringLiteral("lx-01"));
}
