// Connection, login, announcements, several consoles, garbage and the command line.
#include "rig.h"
#include "wire.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>

using namespace tarntest;

namespace {

// A peer that speaks raw frames, for what a well-behaved console would never send.
class RawPeer
{
public:
    explicit RawPeer(int port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawPeer() { ::close(fd_); }
    bool connected() const { return connected_; }
    void write(const std::string& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // 1 a frame, 0 nothing within the time, -1 the gateway closed the connection.
    int read(tarnwire::FrameAssembler::Frame* frame, int timeoutMs)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            if (in_.next(*frame) == 1) return 1;
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return 0;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return 0;
            char buf[4096];
            ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return -1;
            in_.feed(buf, static_cast<std::size_t>(n));
        }
    }
    // Waits for the gateway to close the connection, skipping frames.
    bool closedWithin(int timeoutMs)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        tarnwire::FrameAssembler::Frame f;
        while (std::chrono::steady_clock::now() < end) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (read(&f, static_cast<int>(left.count())) < 0) return true;
        }
        return false;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    tarnwire::FrameAssembler in_{65535};
};

std::string run(const std::string& command, int* status)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    std::size_t n;
    while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    *status = p ? ::pclose(p) : -1;
    return out;
}

} // namespace

TEST(GatewayProtocol, HelpDocumentsEveryOption)
{
    int status = 0;
    std::string help = run(binDir() + "/tarn-gateway --help", &status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (const char* option : {"--listen", "--agents", "--fleet", "--root", "--latency", "--drop-rate",
                               "--disconnect-after", "--silent", "--hostile", "--verbose", "--reboot-delay"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    run(binDir() + "/tarn-gateway --no-such-option 2>/dev/null", &status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(GatewayProtocol, LoginIsAnsweredThenEveryAgentIsAnnounced)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    ASSERT_EQ(rig.nicks.size(), 8u);
    std::set<std::string> distinct(rig.nicks.begin(), rig.nicks.end());
    EXPECT_EQ(distinct.size(), 8u);
    for (const auto& nick : rig.nicks) {
        std::size_t colon = nick.find(':');
        ASSERT_NE(colon, std::string::npos) << nick;
        std::uint32_t a;
        EXPECT_EQ(inet_pton(AF_INET, nick.substr(0, colon).c_str(), &a), 1) << nick;
        EXPECT_GT(nick.size(), colon + 1);
        EXPECT_LT(nick.size(), 32u);
    }
}

TEST(GatewayProtocol, NothingButLoginIsServedBeforeLogin)
{
    GatewayProcess gw({"--agents", "2"});
    ASSERT_TRUE(gw.ok());
    RawPeer peer(gw.port());
    ASSERT_TRUE(peer.connected());
    peer.write(tarnwire::makeFrame("10.1.0.1:panel-0001", 101, ""));
    tarnwire::FrameAssembler::Frame f;
    EXPECT_EQ(peer.read(&f, 300), 0) << "answered code " << f.code << " before login";
    peer.write(tarnwire::makeFrame("", 25, "3"));
    ASSERT_EQ(peer.read(&f, 3000), 1);
    EXPECT_EQ(f.code, 24);
    EXPECT_TRUE(f.payload.empty());
    ASSERT_EQ(peer.read(&f, 3000), 1);
    EXPECT_EQ(f.code, 26);
    EXPECT_EQ(f.payload, "10.1.0.1:panel-0001"); // code 26 carries the nick alone
}

TEST(GatewayProtocol, GarbageClosesThatConsoleOnly)
{
    GatewayProcess gw({"--agents", "2"});
    ASSERT_TRUE(gw.ok());
    Console good;
    ASSERT_TRUE(good.connect(gw.port()));
    std::vector<std::string> nicks;
    ASSERT_TRUE(good.login(&nicks, 2));

    RawPeer oversize(gw.port());
    oversize.write(tarnwire::makeFrame("", 25, "3"));
    std::string header(4, '\0');
    tarnwire::encodeHeader(reinterpret_cast<unsigned char*>(header.data()), 60000, 101);
    oversize.write(header + std::string(2000, 'x'));
    EXPECT_TRUE(oversize.closedWithin(3000));

    RawPeer wrongLogin(gw.port());
    wrongLogin.write(tarnwire::makeFrame("", 25, "7"));
    EXPECT_TRUE(wrongLogin.closedWithin(3000));

    RawPeer noise(gw.port());
    std::string bytes;
    for (int i = 0; i < 300; ++i)
        bytes += tarnwire::makeFrame("", static_cast<std::uint16_t>(30 + i % 50), "junk");
    noise.write(bytes);
    EXPECT_TRUE(noise.closedWithin(3000));

    // The gateway lives on and still serves the console that behaved.
    ASSERT_EQ(good.send(nicks[0], 137), 0);
    Message m;
    EXPECT_TRUE(good.waitForCode(138, 3000, &m));
    EXPECT_TRUE(gw.running());
}

TEST(GatewayProtocol, SeveralConsolesSeeTheSameAgentsAndOnlyTheirOwnReplies)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    Console other;
    ASSERT_TRUE(other.connect(rig.gw->port()));
    std::vector<std::string> otherNicks;
    ASSERT_TRUE(other.login(&otherNicks, 8));
    EXPECT_EQ(otherNicks, rig.nicks);

    ASSERT_EQ(other.send(otherNicks[1], 101), 0);
    Message m;
    ASSERT_TRUE(other.waitForCode(102, 3000, &m));
    EXPECT_EQ(m.target, otherNicks[1]);
    // The first console hears nothing of it: its next message is the answer to its own request.
    Message mine = rig.request(rig.nicks[2], 137);
    EXPECT_EQ(mine.code, 138);
    EXPECT_EQ(mine.target, rig.nicks[2]);
}

TEST(GatewayProtocol, StopsCleanlyOnSigterm)
{
    GatewayProcess gw({"--agents", "3", "--verbose"});
    ASSERT_TRUE(gw.ok());
    ASSERT_TRUE(gw.waitForLog("root ", 3000));
    std::string log = gw.stderrText();
    std::size_t at = log.find("root ") + 5;
    std::string root = log.substr(at, log.find('\n', at) - at);
    ASSERT_TRUE(std::filesystem::is_directory(root)) << root;
    int status = gw.stop();
    EXPECT_FALSE(gw.killedHard());
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(root)) << "scratch root left behind";
}

TEST(GatewayProtocol, FleetFileDescribesEachAgent)
{
    std::string dir = makeTempDir("tarn-gw-fleet");
    std::string file = dir + "/fleet.txt";
    {
        std::ofstream f(file);
        f << "# test fleet\n"
          << "10.9.0.1 pump-01 model=TRN-310-XPE host=pump01.plant\n"
          << "\n"
          << "10.9.0.2 gate-2 model=GX-40 os=\"Linux 5.10 rt\" cpu=\"RISC-V U74\" firmware=7.1 # custom\n"
          << "10.9.0.3 hand-3 model=TRN-120-CE version=\"2.5.0 Build 1201\"\n";
    }
    {
        Rig rig({"--fleet", file}, 3);
        ASSERT_TRUE(rig.ready());
        EXPECT_EQ(rig.nicks,
                  (std::vector<std::string>{"10.9.0.1:pump-01", "10.9.0.2:gate-2", "10.9.0.3:hand-3"}));
        auto a = items(rig.request(rig.nicks[0], 101).text);
        ASSERT_EQ(a.size(), 6u);
        EXPECT_EQ(a[1], "TRN-310-XPE");
        EXPECT_EQ(a[5], "pump01.plant");
        EXPECT_EQ(osTypeOf(a), 2);
        auto b = items(rig.request(rig.nicks[1], 101).text);
        ASSERT_EQ(b.size(), 6u);
        EXPECT_EQ(b[1], "GX-40");
        EXPECT_EQ(b[2], "7.1");
        EXPECT_EQ(b[3], "Linux 5.10 rt");
        EXPECT_EQ(b[4], "RISC-V U74");
        EXPECT_EQ(osTypeOf(b), 0);
        auto c = items(rig.request(rig.nicks[2], 101).text);
        ASSERT_EQ(c.size(), 6u);
        EXPECT_EQ(c[0], "2.5.0 Build 1201");
        EXPECT_EQ(osTypeOf(c), 1);
    }
    {
        std::ofstream f(file);
        f << "10.9.0.1 a\n10.9.0.1 b\n";
    }
    int status = 0;
    std::string out = run(binDir() + "/tarn-gateway --listen 127.0.0.1:0 --fleet " + file + " 2>&1", &status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(out.find("fleet.txt:2"), std::string::npos) << out;
    std::filesystem::remove_all(dir);
}

TEST(GatewayProtocol, TenThousandAgentsAreAnnouncedAndServed)
{
    Rig rig({}, 10000);
    ASSERT_TRUE(rig.ready());
    ASSERT_EQ(rig.nicks.size(), 10000u);
    std::set<std::string> distinct(rig.nicks.begin(), rig.nicks.end());
    EXPECT_EQ(distinct.size(), 10000u);
    for (std::size_t i : {std::size_t{0}, std::size_t{4999}, std::size_t{9999}}) {
        Message m = rig.request(rig.nicks[i], 101);
        EXPECT_EQ(m.code, 102) << rig.nicks[i];
        EXPECT_EQ(items(m.text).size(), 6u);
    }
}
