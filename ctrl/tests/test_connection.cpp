// Connections against a gateway played by the test: hand-over, requests on the wire, connection
// ends, keep-alive and shutdown under load.
#include "testutil.h"
#include "zrcontrol.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

const QString kGw = QStringLiteral("gw");
const std::string kNickA = "127.0.0.10:alpha";
const std::string kNickB = "127.0.0.11:beta";
const QString kKeyA = QStringLiteral("gw|127.0.0.10");
const QString kKeyB = QStringLiteral("gw|127.0.0.11");

class Connection : public WithApp, public ::testing::Test
{
protected:
    void SetUp() override
    {
        testApp();
        control = std::make_unique<CZRControl>();
        control->SetMainHWND(&rec);
        control->AddGateway(kGw, QStringLiteral("127.0.0.1"), peer.portText());
    }

    // Connects and waits until the peer's two agents are on line.
    void connectWithAgents()
    {
        ASSERT_EQ(control->Connect2Gateway(kGw), 1);
        ASSERT_TRUE(peer.waitConnected());
        ASSERT_TRUE(waitUntil([&] { return rec.count(1527) >= 1; }));
        peer.send("", 26, kNickA);
        peer.send("", 26, kNickB);
        ASSERT_TRUE(waitUntil([&] { return rec.count(1535) == 2; }));
    }
    std::string payloadOf(std::uint16_t code, int nth = 0)
    {
        int k = 0;
        for (const auto& f : peer.frames())
            if (f.code == code && k++ == nth) return f.payload;
        return "<none>";
    }

    ScriptedPeer peer;
    Recorder rec;
    std::unique_ptr<CZRControl> control;
};

} // namespace

TEST_F(Connection, LoginAgentsAndRequestsOnTheWire)
{
    connectWithAgents();
    ASSERT_TRUE(peer.waitFrame(25));
    EXPECT_EQ(payloadOf(25), "3");

    // A plain request sends no argument text, whatever it is given.
    EXPECT_EQ(control->SendRequest(2, QStringLiteral("junk"), kKeyA), 1);
    ASSERT_TRUE(peer.waitFrame(103));
    EXPECT_EQ(payloadOf(103), kNickA);

    EXPECT_EQ(control->SendRequest(5, QStringLiteral("\"init\" 1"), kKeyA), 1);
    ASSERT_TRUE(peer.waitFrame(115));
    EXPECT_EQ(payloadOf(115), kNickA + " \"init\" 1");

    // Directory of a drive-letter agent: the status poll first, then the root as a colon.
    control->GetAgent(kKeyB).SetDeviceInfo(QStringLiteral("TRN-310-XPE"), {}, {}, {}, {});
    EXPECT_EQ(control->SendRequest(25, QStringLiteral("\"\\\""), kKeyB), 1);
    ASSERT_TRUE(peer.waitFrame(211));
    const auto frames = peer.frames();
    std::vector<std::uint16_t> codes;
    for (const auto& f : frames)
        codes.push_back(f.code);
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[codes.size() - 2], 105);
    EXPECT_EQ(payloadOf(211), kNickB + " :");

    // Separators follow the agent's system.
    control->GetAgent(kKeyA).SetDeviceInfo(QStringLiteral("TRN-200-LX"), {}, {}, QStringLiteral("Linux"), {});
    control->SendRequest(59, QStringLiteral("\"\\sd\\x.txt\""), kKeyA);
    control->SendRequest(60, QStringLiteral("\"/sd/y.txt\""), kKeyB);
    ASSERT_TRUE(peer.waitFrame(365));
    EXPECT_EQ(payloadOf(362), kNickA + " \"/sd/x.txt\"");
    EXPECT_EQ(payloadOf(365), kNickB + " \"\\sd\\y.txt\"");

    // Non-ASCII text goes out in the wire encoding and comes back the same.
    control->SendRequest(7, QStringLiteral("\"Dienst-Überwachung\""), kKeyA);
    ASSERT_TRUE(peer.waitFrame(145));
    EXPECT_EQ(payloadOf(145), kNickA + " \"Dienst-\xC3\x9C"
                                       "berwachung\"");

    // Dropped: unknown agent, number out of range, upgrading agent.
    EXPECT_EQ(control->SendRequest(1, QString(), QStringLiteral("gw|10.9.9.9")), 0);
    EXPECT_EQ(control->SendRequest(89, QString(), kKeyA), 0);
    EXPECT_EQ(control->SendRequest(1, QString(), QStringLiteral("no bar")), 0);
    control->GetAgent(kKeyA).StartUpgrade(1);
    EXPECT_EQ(control->SendRequest(1, QString(), kKeyA), 0);
    EXPECT_EQ(control->SendRequest(3, QString(), kKeyA), 1);
}

TEST_F(Connection, RefusedProcessListDoesNotBlockTheNextOne)
{
    connectWithAgents();
    EXPECT_EQ(control->SendRequest(4, QString(), kKeyA), 1);
    EXPECT_EQ(control->SendRequest(4, QString(), kKeyA), 0);
    ASSERT_TRUE(peer.waitFrame(111));
    peer.send(kNickA, 999, "111 \"list refused\"");
    ASSERT_TRUE(waitUntil([&] { return rec.count(1528) == 1; }));
    EXPECT_EQ(control->SendRequest(4, QString(), kKeyA), 1);
    ASSERT_TRUE(peer.waitFrame(111, 2));
}

TEST_F(Connection, LongReplyIsDeliveredWholeAndTheConnectionStays)
{
    connectWithAgents();
    control->SendRequest(4, QString(), kKeyA);
    const std::string longName(3000, 'p');
    peer.send(kNickA, 112, "\"" + longName + "\" 42");
    peer.send(kNickA, 113, "");
    ASSERT_TRUE(waitUntil([&] { return rec.count(1545) == 2; }));
    const auto lists = rec.all(1545);
    const QStringList& row = std::get<QStringList>(lists[0].payload);
    EXPECT_EQ(row[0].size(), 3000);
    EXPECT_EQ(rec.count(1525), 0);
    EXPECT_EQ(control->IsOnlineGateway(kGw), 1);
    // A target far beyond 32 bytes is delivered too.
    const std::string longNick = "127.0.0.12:" + std::string(200, 'n');
    peer.send("", 26, longNick);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1535) == 3; }));
}

TEST_F(Connection, FrameBeyondTheLimitEndsTheConnection)
{
    connectWithAgents();
    unsigned char header[4] = {0x2e, 0xe0, 0x00, 112}; // declares 12000 bytes
    std::string frame(reinterpret_cast<char*>(header), 4);
    frame += std::string(12000, 'x');
    peer.sendRaw(frame);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1525) == 1; }));
    EXPECT_EQ(control->IsOnlineGateway(kGw), 0);
    EXPECT_EQ(control->GetGateway(kGw).GetAgentCount(), 0);
    ASSERT_TRUE(waitUntil([&] { return control->GetThreadCount() == 0; }));
}

TEST_F(Connection, ClosedByTheGatewayEndsLikeABreak)
{
    connectWithAgents();
    peer.closeConsole();
    ASSERT_TRUE(waitUntil([&] { return rec.count(1525) == 1; }));
    EXPECT_EQ(rec.last(1525)->key, kGw);
    ASSERT_TRUE(waitUntil([&] { return control->GetThreadCount() == 0; }));
    EXPECT_EQ(rec.count(1525), 1);
}

TEST_F(Connection, RefusedConnectionGivesOneNoticeAndNoThread)
{
    // A port that was free a moment ago: nobody listens there.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    control->AddGateway(QStringLiteral("dead"), QStringLiteral("127.0.0.1"),
                        QString::number(ntohs(a.sin_port)));
    ASSERT_EQ(control->Connect2Gateway(QStringLiteral("dead")), 1);
    EXPECT_EQ(control->Connect2Gateway(QStringLiteral("dead")), 0); // already on its way
    ASSERT_TRUE(waitUntil([&] { return rec.count(1525) == 1 && control->GetThreadCount() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(rec.count(1525), 1);
    EXPECT_EQ(control->IsOnlineGateway(QStringLiteral("dead")), 0);
    // And it can be tried again.
    EXPECT_EQ(control->Connect2Gateway(QStringLiteral("dead")), 1);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1525) == 2 && control->GetThreadCount() == 0; }));
}

TEST_F(Connection, KeepAliveDeclaresSilentAgentsOneTickAtATime)
{
    // The peer answers for a third agent only.
    const std::string talker = "127.0.0.13:talker";
    peer.onFrame = [talker](ScriptedPeer& p, const ScriptedPeer::Frame& f) {
        if ((f.code == 103 || f.code == 105) && f.payload == talker) p.send(talker, f.code + 1, "1 2");
    };
    connectWithAgents();
    peer.send("", 26, talker);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1535) == 3; }));
    control->SetKeepAlivePeriod(400);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1536) >= 1; }, 10000));
    // The first silent agent goes alone; the other follows on a later tick.
    EXPECT_EQ(control->GetGateway(kGw).GetAgentCount(), 2);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1536) == 2; }, 10000));
    EXPECT_EQ(rec.all(1536)[0].key, kKeyA);
    EXPECT_EQ(rec.all(1536)[1].key, kKeyB);
    // The agent that answers stays, tick after tick.
    const int polls = peer.countFrames(103);
    ASSERT_TRUE(peer.waitFrame(103, polls + 3));
    EXPECT_EQ(control->GetGateway(kGw).GetAgentCount(), 1);
    EXPECT_EQ(control->GetAgent(QStringLiteral("gw|127.0.0.13")).GetName(), QStringLiteral("talker"));
}

TEST_F(Connection, BreakWhileTheWorkerWaitsForItsHandOver)
{
    connectWithAgents();
    control->SendRequest(4, QString(), kKeyA);
    for (int i = 0; i < 50; ++i)
        peer.send(kNickA, 112, "\"p" + std::to_string(i) + "\" " + std::to_string(i));
    // Let the worker read them and block in its hand-over, without handling anything here.
    const auto& state = control->GetGateway(kGw).GetThread()->state();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard<std::mutex> g(state->lock);
            if (state->posted > state->finished) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    {
        std::lock_guard<std::mutex> g(state->lock);
        ASSERT_GT(state->posted, state->finished);
    }
    const auto start = std::chrono::steady_clock::now();
    control->BreakConnection(kGw);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(rec.count(1525), 1);
    ASSERT_TRUE(waitUntil([&] { return control->GetThreadCount() == 0; }));
    QCoreApplication::processEvents();
    // The batch of a broken connection is not handed on.
    EXPECT_EQ(rec.count(1545), 0);
}

TEST_F(Connection, DestroyingTheControlUnderAFloodIsQuick)
{
    std::atomic<bool> flooding{true};
    ScriptedPeer second;
    control->AddGateway(QStringLiteral("gw2"), QStringLiteral("127.0.0.1"), second.portText());
    ASSERT_EQ(control->Connect2Gateway(QStringLiteral("gw2")), 1);
    connectWithAgents();
    ASSERT_TRUE(second.waitConnected());
    std::thread flood([&] {
        int i = 0;
        while (flooding) {
            peer.send(kNickA, 112, "\"flood\" " + std::to_string(i++));
            peer.send("", 26, "127.0.1." + std::to_string(i % 250) + ":f");
            second.send("", 26, "127.0.2." + std::to_string(i % 250) + ":g");
        }
    });
    control->SendRequest(4, QString(), kKeyA);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1545) > 100; }));
    const auto start = std::chrono::steady_clock::now();
    control.reset();
    const auto took = std::chrono::steady_clock::now() - start;
    flooding = false;
    peer.closeConsole();
    second.closeConsole();
    flood.join();
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_EQ(rec.count(1525), 2);
}

TEST_F(Connection, MissingLocalUploadIsReportedWithItsItems)
{
    connectWithAgents();
    EXPECT_EQ(
        control->SendRequest(21, QStringLiteral("\"/nonexistent/tarn/a.bin\" \"/data/a.bin\" 0"), kKeyA), 1);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1528) == 1; }));
    EXPECT_EQ(std::get<QString>(rec.last(1528)->payload),
              QStringLiteral("/nonexistent/tarn/a.bin: File name (path) error."));
    const _Notice& n = std::get<_Notice>(rec.last(1635)->payload);
    EXPECT_EQ(CZRControl::GetTextItem(1, n.text), QStringLiteral("/nonexistent/tarn/a.bin"));
    EXPECT_EQ(CZRControl::GetTextItem(2, n.text), QStringLiteral("/data/a.bin"));
    EXPECT_EQ(CZRControl::GetTextItem(3, n.text), QStringLiteral("0"));
    EXPECT_EQ(peer.countFrames(191), 0);

    _MessageFile fw;
    fw.code = 191;
    fw.path = QStringLiteral("/l/fw image.bin");
    fw.firmware = 1;
    EXPECT_EQ(CZRClientThread::UploadRefusedText(fw),
              QStringLiteral(
                  "191 \"/l/fw image.bin\" \"firmware\" 1 \"/l/fw image.bin: File name (path) error.\""));
}

TEST_F(Connection, FileRequestsTakeTheirItems)
{
    connectWithAgents();
    control->SendRequest(22, QStringLiteral("\"/l/a.bin\" \"/data/a.bin\" \"gwfile7\" 0 3"), kKeyA);
    control->SendRequest(23, QStringLiteral("gwfile7"), kKeyA);
    ASSERT_TRUE(peer.waitFrame(197));
    EXPECT_EQ(payloadOf(195), kNickA + " \"/l/a.bin\" \"/data/a.bin\" gwfile7 0 3");
    EXPECT_EQ(payloadOf(197), "127.0.0.1 \"gwfile7\"");
}
