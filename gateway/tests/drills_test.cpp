// Each fault drill does what it says.
#include "rig.h"

using namespace tarntest;

namespace {

std::string firstNick(Rig& rig)
{
    return rig.nicks.empty() ? std::string() : rig.nicks[0];
}

} // namespace

TEST(GatewayDrills, LatencyDelaysReplies)
{
    Rig rig({"--latency", "300"});
    ASSERT_TRUE(rig.ready());
    auto start = std::chrono::steady_clock::now();
    Message m = rig.request(firstNick(rig), 101);
    auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(m.code, 102);
    EXPECT_GE(took.count(), 290);
}

TEST(GatewayDrills, DropRateDropsRepliesSilently)
{
    Rig all({"--drop-rate", "1"});
    ASSERT_TRUE(all.ready()); // logins and announcements are never dropped
    ASSERT_EQ(all.console.send(firstNick(all), 101), 0);
    EXPECT_FALSE(all.console.waitFor([](const Message&) { return true; }, 500));

    Rig half({"--drop-rate", "0.5", "--seed", "4"});
    ASSERT_TRUE(half.ready());
    for (int i = 0; i < 200; ++i)
        half.console.send(half.nicks[static_cast<std::size_t>(i) % 8], 103);
    half.console.send(half.nicks[0], 101); // may be dropped too; the count decides
    int answered = 0;
    Message m;
    while (half.console.next(&m, 700))
        answered += m.code == 104;
    EXPECT_GT(answered, 40);
    EXPECT_LT(answered, 160);
}

TEST(GatewayDrills, DisconnectAfterClosesTheConnection)
{
    GatewayProcess gw({"--agents", "2", "--disconnect-after", "3"});
    ASSERT_TRUE(gw.ok());
    Console c;
    ASSERT_TRUE(c.connect(gw.port()));
    std::vector<std::string> nicks;
    ASSERT_TRUE(c.login(&nicks, 2)); // frame 1
    c.send(nicks[0], 101);           // frame 2
    c.send(nicks[0], 103);           // frame 3: the last one served
    Message m;
    while (c.next(&m, 3000)) {
    }
    EXPECT_EQ(c.error(), -5); // the gateway closed the connection
    Console again;
    EXPECT_TRUE(again.connect(gw.port()));
    std::vector<std::string> second;
    EXPECT_TRUE(again.login(&second, 2));
}

TEST(GatewayDrills, SilentAgentIsAnnouncedButNeverAnswers)
{
    Rig rig({"--silent", "10.1.0.2"});
    ASSERT_TRUE(rig.ready());
    ASSERT_EQ(rig.nicks[1].substr(0, 9), "10.1.0.2:");
    rig.console.send(rig.nicks[1], 103);
    rig.console.send(rig.nicks[1], 105);
    rig.console.send(rig.nicks[0], 103);
    std::vector<Message> seen;
    ASSERT_TRUE(rig.console.waitFor([&](const Message& m) { return m.target == rig.nicks[0]; }, 3000, &seen));
    EXPECT_FALSE(rig.console.waitFor([](const Message&) { return true; }, 500, &seen));
    for (const auto& m : seen)
        EXPECT_NE(m.target, rig.nicks[1]) << m.code;
}

TEST(GatewayDrills, HostileOversizedFrame)
{
    GatewayProcess gw({"--agents", "2", "--hostile", "oversize"});
    ASSERT_TRUE(gw.ok());
    Console c;
    ASSERT_TRUE(c.connect(gw.port()));
    Message m;
    while (c.next(&m, 3000)) {
    }
    EXPECT_EQ(c.error(), -4); // the console refuses a frame longer than its buffer
}

TEST(GatewayDrills, HostileUnclosedQuote)
{
    Rig rig({"--hostile", "unclosed-quote"});
    ASSERT_TRUE(rig.ready());
    Message m = rig.request(firstNick(rig), 101);
    ASSERT_EQ(m.code, 102);
    EXPECT_EQ(std::count(m.text.begin(), m.text.end(), '"') % 2, 1);
}

TEST(GatewayDrills, HostileChunkRequestForAFileNobodyOffered)
{
    std::string dir = makeTempDir("tarn-gw-secret");
    std::string secret = dir + "/secret.txt";
    std::ofstream(secret) << "private";
    Rig rig({"--verbose", "--hostile", "rogue-chunk:" + secret}, 2);
    ASSERT_TRUE(rig.ready());
    ASSERT_TRUE(rig.gw->waitForLog("out 193 " + rig.nicks[0] + " \"" + secret + "\"", 3000));
    // A round trip later the console has had every chance to answer; it must not have.
    EXPECT_EQ(rig.request(firstNick(rig), 137).code, 138);
    EXPECT_EQ(rig.gw->stderrText().find("in  194"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(GatewayDrills, HostileDownloadStartForAPathNobodyAskedFor)
{
    std::string dir = makeTempDir("tarn-gw-victim");
    std::string victim = dir + "/victim.txt";
    std::ofstream(victim) << "precious";
    Rig rig({"--verbose", "--hostile", "rogue-download:" + victim}, 2);
    ASSERT_TRUE(rig.ready());
    ASSERT_TRUE(rig.gw->waitForLog("out 204", 3000));
    // The console reports the refused start to its own caller, as a failure of 204.
    Message refused;
    ASSERT_TRUE(rig.console.waitForCode(999, 3000, &refused));
    EXPECT_EQ(items(refused.text).at(0), "204");
    EXPECT_EQ(rig.request(firstNick(rig), 137).code, 138);
    EXPECT_EQ(readAll(victim), "precious");
    std::size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1u) << "something was created beside the victim";
    EXPECT_EQ(rig.gw->stderrText().find("in  193"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(GatewayDrills, HostileFloodOfAnnouncements)
{
    Rig rig({"--hostile", "flood:500"}, 3);
    ASSERT_TRUE(rig.ready());
    int flood = 0;
    ASSERT_TRUE(rig.console.waitFor(
        [&](const Message& m) {
            flood += m.code == 26 && m.target.find(":flood-") != std::string::npos;
            return flood == 500;
        },
        5000));
}

TEST(GatewayDrills, HostileTargetLongerThanTheConsolesBuffer)
{
    GatewayProcess gw({"--agents", "1", "--hostile", "long-target"});
    ASSERT_TRUE(gw.ok());
    Console c;
    ASSERT_TRUE(c.connect(gw.port()));
    Message m;
    while (c.next(&m, 3000)) {
    }
    EXPECT_EQ(c.error(), -6);
}
