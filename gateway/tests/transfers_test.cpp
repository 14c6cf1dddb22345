// File legs end to end: uploads pulled with 193, deliveries to agents, downloads served with 194,
// firmware upgrades, and the failure forms the console's transfer bookkeeping reads.
#include "rig.h"
#include "wire.h"

#include <random>

using namespace tarntest;

namespace {

std::string randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 r(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(r() & 0xFF);
    return s;
}

struct Scratch
{
    Scratch() : dir(makeTempDir("tarn-gw-local")) {}
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string file(const std::string& name, const std::string& bytes) const
    {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string dir;
};

// Upload to the gateway; the 192 items (local path, destination, gateway file, type), or empty.
std::vector<std::string> toGateway(Rig& rig, const std::string& nick, const std::string& local,
                                   const char* dest)
{
    if (TarnSendFileToGW(rig.console.handle(), nick.c_str(), local.c_str(), dest) != 0) return {};
    Message m;
    if (!rig.console.waitFor([](const Message& r) { return r.code == 192 || r.code == 999; }, 20000, nullptr,
                             &m))
        return {};
    if (m.code != 192) {
        ADD_FAILURE() << "upload refused: " << m.text;
        return {};
    }
    auto arrived = items(m.text);
    if (arrived.size() != 4) ADD_FAILURE() << "192 text: " << m.text;
    return arrived;
}

} // namespace

TEST(GatewayTransfers, UploadToTwoAgentsThenDownloadIsByteIdentical)
{
    Rig rig({"--agent-rate", "2000000"});
    ASSERT_TRUE(rig.ready());
    Scratch local;
    const std::string bytes = randomBytes(300 * 1024 + 17, 7);
    std::string path = local.file("report data.bin", bytes);
    std::string unix = rig.agentOfType(0), xpe = rig.agentOfType(2);

    auto at = toGateway(rig, unix, path, "/tmp/report.bin");
    ASSERT_EQ(at.size(), 4u);
    EXPECT_EQ(at[0], path);
    EXPECT_EQ(at[1], "/tmp/report.bin");
    EXPECT_EQ(at[3], "0");
    const std::string gatewayFile = at[2];
    EXPECT_EQ(gatewayFile.find_first_of(" \""), std::string::npos); // travels as a bare token
    EXPECT_EQ(checksum(readAll(std::filesystem::path(rig.root) / ".gateway" / gatewayFile)), checksum(bytes));

    struct Leg
    {
        std::string nick, dest;
        std::filesystem::path file;
    };
    std::vector<Leg> legs = {{unix, "/tmp/report.bin", rig.agentDir(unix) / "tmp/report.bin"},
                             {xpe, "C:\\Temp\\in\\report.bin", rig.agentDir(xpe) / "C/Temp/in/report.bin"}};
    for (const auto& leg : legs)
        ASSERT_EQ(TarnSendFileFromGW(rig.console.handle(), leg.nick.c_str(), path.c_str(), leg.dest.c_str(),
                                     gatewayFile.c_str(), 0),
                  0);
    int delivered = 0, progress = 0;
    std::vector<Message> seen;
    ASSERT_TRUE(rig.console.waitFor(
        [&](const Message& m) {
            if (m.code == 199) {
                auto p = items(m.text);
                EXPECT_EQ(p.size(), 8u) << m.text;
                EXPECT_EQ(p.at(0), path);
                EXPECT_EQ(p.at(2), "0");
                EXPECT_EQ(p.at(7), "1") << "gateway-agent leg";
                EXPECT_LE(std::stoull(p.at(5)), std::stoull(p.at(6)));
                ++progress;
            }
            EXPECT_NE(m.code, 999) << m.text;
            delivered += m.code == 196;
            return delivered == 2 || m.code == 999;
        },
        20000, &seen));
    EXPECT_GE(progress, 4); // several reports per agent at this rate
    for (const auto& m : seen)
        if (m.code == 196) {
            auto d = items(m.text);
            ASSERT_EQ(d.size(), 4u);
            EXPECT_EQ(d[0], path);
            EXPECT_EQ(d[2], gatewayFile);
            EXPECT_EQ(d[3], "0");
        }
    for (const auto& leg : legs)
        EXPECT_EQ(checksum(readAll(leg.file)), checksum(bytes)) << leg.file;

    ASSERT_EQ(TarnClearUploadFile(rig.console.handle(), "127.0.0.1", gatewayFile.c_str()), 0);
    Message cleared;
    ASSERT_TRUE(rig.console.waitForCode(198, 3000, &cleared));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(rig.root) / ".gateway" / gatewayFile));

    // And back from the drive-letter agent.
    std::string out = local.dir + "/back.bin";
    ASSERT_EQ(TarnDownloadFile(rig.console.handle(), xpe.c_str(), out.c_str(), "C:\\Temp\\in\\report.bin"),
              0);
    Message accepted;
    ASSERT_TRUE(rig.console.waitFor([](const Message& m) { return m.code == 202 || m.code == 999; }, 5000,
                                    nullptr, &accepted));
    ASSERT_EQ(accepted.code, 202) << accepted.text;
    EXPECT_EQ(items(accepted.text),
              (std::vector<std::string>{out, "C:\\Temp\\in\\report.bin", std::to_string(bytes.size())}));
    std::vector<std::vector<std::string>> finals;
    ASSERT_TRUE(rig.console.waitFor(
        [&](const Message& m) {
            EXPECT_NE(m.code, 999) << m.text;
            if (m.code == 199) {
                auto p = items(m.text);
                EXPECT_EQ(p.at(2), "2");
                if (p.at(4) == "1") finals.push_back(p);
            }
            return finals.size() == 2 || m.code == 999;
        },
        20000));
    ASSERT_EQ(finals.size(), 2u);
    EXPECT_EQ(finals[0].at(7), "1"); // reached the gateway's side first
    EXPECT_EQ(finals[1].at(7), "0"); // then complete
    EXPECT_EQ(finals[1].at(5), std::to_string(bytes.size()));
    EXPECT_EQ(checksum(readAll(out)), checksum(bytes));
}

TEST(GatewayTransfers, AskedChunksLeaveRoomForTheConsolesAnswerFrame)
{
    // Long paths and targets shrink what the gateway asks for, so every 194 fits 2048 bytes.
    EXPECT_EQ(tarnwire::kChunkBuffer, 2048u);
    Rig rig({"--verbose"});
    ASSERT_TRUE(rig.ready());
    Scratch local;
    std::string deep = local.dir + "/" + std::string(200, 'a') + "/" + std::string(200, 'b');
    std::filesystem::create_directories(deep);
    const std::string bytes = randomBytes(20000, 3);
    std::string path = deep + "/" + std::string(150, 'c') + ".bin";
    std::ofstream(path, std::ios::binary) << bytes;
    std::string dest = "/tmp/" + std::string(300, 'd');
    auto at = toGateway(rig, rig.agentOfType(0), path, dest.c_str());
    ASSERT_EQ(at.size(), 4u);
    EXPECT_EQ(checksum(readAll(std::filesystem::path(rig.root) / ".gateway" / at[2])), checksum(bytes));
}

TEST(GatewayTransfers, FirmwareIsDeliveredThenTheAgentComesBackUpgraded)
{
    Rig rig({"--upgrade-delay", "300", "--reboot-delay", "300"});
    ASSERT_TRUE(rig.ready());
    Scratch local;
    std::string image = local.file("fw.img", "TARNFW VERSION=9.8.7\n" + randomBytes(50000, 9));
    std::string nick = rig.nicks[1];
    auto at = toGateway(rig, nick, image, nullptr);
    ASSERT_EQ(at.size(), 4u);
    EXPECT_EQ(at[1], "firmware");
    EXPECT_EQ(at[3], "1");
    ASSERT_EQ(
        TarnSendFileFromGW(rig.console.handle(), nick.c_str(), image.c_str(), nullptr, at[2].c_str(), 0), 0);
    Message done;
    ASSERT_TRUE(rig.console.waitFor([](const Message& m) { return m.code == 196 || m.code == 999; }, 10000,
                                    nullptr, &done));
    ASSERT_EQ(done.code, 196) << done.text;
    EXPECT_EQ(items(done.text).at(3), "1");
    // Flashing: only the keep-alive polls are answered.
    EXPECT_EQ(rig.request(nick, 103).code, 104);
    Message busy = rig.request(nick, 111);
    ASSERT_EQ(busy.code, 999);
    EXPECT_EQ(items(busy.text).at(0), "111");
    Message m;
    ASSERT_TRUE(
        rig.console.waitFor([&](const Message& r) { return r.code == 172 && r.target == nick; }, 5000));
    ASSERT_TRUE(
        rig.console.waitFor([&](const Message& r) { return r.code == 26 && r.target == nick; }, 5000));
    auto info = items(rig.request(nick, 101).text);
    ASSERT_EQ(info.size(), 6u);
    EXPECT_EQ(info[2], "9.8.7");
}

TEST(GatewayTransfers, FailuresUseTheTransferForm)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    std::string unix = rig.agentOfType(0);
    Scratch local;
    std::string out = local.dir + "/never.bin";

    ASSERT_EQ(TarnDownloadFile(rig.console.handle(), unix.c_str(), out.c_str(), "/no/such/file"), 0);
    Message m;
    ASSERT_TRUE(rig.console.waitForCode(999, 5000, &m));
    EXPECT_EQ(items(m.text), (std::vector<std::string>{"201", out, "/no/such/file", "2",
                                                       "The system cannot find the file specified."}));
    EXPECT_FALSE(std::filesystem::exists(out));

    ASSERT_EQ(TarnDownloadFile(rig.console.handle(), unix.c_str(), out.c_str(), "/../../outside"), 0);
    ASSERT_TRUE(rig.console.waitForCode(999, 5000, &m));
    EXPECT_EQ(items(m.text).at(0), "201");
    EXPECT_EQ(items(m.text).size(), 5u);

    std::string path = local.file("a.bin", "abc");
    ASSERT_EQ(
        TarnSendFileFromGW(rig.console.handle(), unix.c_str(), path.c_str(), "/tmp/a.bin", "u99-nothing", 0),
        0);
    ASSERT_TRUE(rig.console.waitForCode(999, 5000, &m));
    auto f = items(m.text);
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[0], "195");
    EXPECT_EQ(f[1], path);
    EXPECT_EQ(f[2], "/tmp/a.bin");
    EXPECT_EQ(f[3], "0");

    // A delivery that would leave the agent's folder is refused, and nothing is written outside.
    auto at = toGateway(rig, unix, path, "/../../escape.bin");
    ASSERT_EQ(at.size(), 4u);
    ASSERT_EQ(TarnSendFileFromGW(rig.console.handle(), unix.c_str(), path.c_str(), "/../../escape.bin",
                                 at[2].c_str(), 0),
              0);
    ASSERT_TRUE(rig.console.waitForCode(999, 5000, &m));
    EXPECT_EQ(items(m.text).at(0), "195");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(rig.root).parent_path() / "escape.bin"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(rig.root) / "escape.bin"));
}

TEST(GatewayTransfers, AnUploadWhoseConsoleStopsAnsweringTimesOut)
{
    Rig rig({"--chunk-timeout", "500"});
    ASSERT_TRUE(rig.ready());
    // A 191 sent by hand: the library never offered the file, so it leaves the 193 unanswered.
    ASSERT_EQ(rig.console.send(rig.nicks[0], 191, "\"/tmp/not-offered.bin\" \"/tmp/x\" 0"), 0);
    Message m;
    ASSERT_TRUE(rig.console.waitForCode(999, 5000, &m));
    auto f = items(m.text);
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[0], "191");
    EXPECT_EQ(f[1], "/tmp/not-offered.bin");
    EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(rig.root) / ".gateway"));
}
