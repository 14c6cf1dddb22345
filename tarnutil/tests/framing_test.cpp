#include "handle.h"
#include "peer.h"

#include <atomic>
#include <netinet/tcp.h>
#include <thread>

using namespace tarntest;

namespace {

class Framing : public ::testing::Test
{
protected:
    void SetUp() override { h = peer.connectClient(); }
    void TearDown() override { TarnUninit(h); }
    Peer peer;
    TarnHandle* h = nullptr;
};

TEST_F(Framing, LoginAcceptedWithEmptyPayloadSetsLoggedIn)
{
    EXPECT_EQ(h->loggedIn, 0);
    peer.sendRaw(tarnwire::makeFrame("", 24, ""));
    Received r = receive(h);
    EXPECT_EQ(r.result, TARN_NO_TEXT);
    EXPECT_EQ(r.code, 24);
    EXPECT_EQ(r.target, "");
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(h->loggedIn, 1);
}

TEST_F(Framing, DeliversTargetAndTextOrWholePayload)
{
    peer.send("1.2:", 102, "0123456789");
    Received r = receive(h);
    EXPECT_EQ(r.result, 10);
    EXPECT_EQ(r.code, 102);
    EXPECT_EQ(r.target, "1.2:");
    EXPECT_EQ(r.text, "0123456789");

    peer.send("", 26, "10.0.0.5:pump");
    r = receive(h);
    EXPECT_EQ(r.result, TARN_NO_TEXT);
    EXPECT_EQ(r.target, "10.0.0.5:pump");
    EXPECT_EQ(r.text, "");

    // A target followed by a lone space carries an empty text: 0, like a timeout.
    peer.sendRaw(tarnwire::makeFrame("", 104, "nick "));
    peer.send("nick", 106, "1 2");
    Received after = receive(h);
    EXPECT_EQ(after.code, 106);
    EXPECT_EQ(after.text, "1 2");
}

TEST_F(Framing, RefusesBadArgumentsAndTimesOut)
{
    char target[32], text[32];
    unsigned short code;
    EXPECT_EQ(TarnRecvMsg(nullptr, target, 32, &code, text, 32, 10), -1);
    EXPECT_EQ(TarnRecvMsg(h, nullptr, 32, &code, text, 32, 10), -1);
    EXPECT_EQ(TarnRecvMsg(h, target, 0, &code, text, 32, 10), -1);
    EXPECT_EQ(TarnRecvMsg(h, target, 32, &code, nullptr, 32, 10), -1);
    EXPECT_EQ(TarnRecvMsg(h, target, 32, &code, text, 0, 10), -1);
    EXPECT_EQ(TarnRecvMsg(h, target, 32, &code, text, 32, 20), 0);
}

TEST_F(Framing, BuffersTooSmallFailWithTheirOwnCodes)
{
    peer.send(std::string(40, 'n'), 102, "x");
    EXPECT_EQ(receive(h, 32, 32).result, -6);
    peer.send("nick", 102, std::string(40, 't'));
    EXPECT_EQ(receive(h, 32, 32).result, -7);
    peer.send("", 26, std::string(40, 'n'));
    EXPECT_EQ(receive(h, 32, 32).result, -8);
    // Exactly fitting buffers pass: 31 characters and the NUL.
    peer.send(std::string(31, 'n'), 102, std::string(31, 't'));
    Received r = receive(h, 32, 32);
    EXPECT_EQ(r.result, 31);
}

TEST_F(Framing, LongestPayloadIsHeldAndLongerIsReadPast)
{
    const std::string largest(tarnwire::kMaxPayload - 5, 'a');
    peer.send("nick", 142, largest);
    Received r = receive(h);
    EXPECT_EQ(r.result, static_cast<int>(largest.size()));
    EXPECT_EQ(r.text, largest);

    // One byte too many: refused as a read error, nothing written past the buffer, stream kept in step.
    peer.send("nick", 142, largest + "b");
    EXPECT_EQ(receive(h).result, -4);
    std::string huge(4, '\0');
    tarnwire::encodeHeader(reinterpret_cast<unsigned char*>(huge.data()), 0xffff, 112);
    peer.sendRaw(huge + std::string(0xffff, 'z'));
    EXPECT_EQ(receive(h).result, -4);
    peer.send("nick", 113, "end");
    r = receive(h);
    EXPECT_EQ(r.code, 113);
    EXPECT_EQ(r.text, "end");
}

TEST_F(Framing, FrameArrivingInPiecesNeverHoldsTheReceiverPastItsTimeout)
{
    const std::string frame = tarnwire::makeFrame("nick", 102, "split text");
    char target[64], text[64];
    unsigned short code = 0;
    peer.sendRaw(frame.substr(0, 2));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(TarnRecvMsg(h, target, sizeof target, &code, text, sizeof text, 100), 0);
    EXPECT_EQ(TarnRecvMsg(h, target, sizeof target, &code, text, sizeof text, 100), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    peer.sendRaw(frame.substr(2, 7));
    EXPECT_EQ(TarnRecvMsg(h, target, sizeof target, &code, text, sizeof text, 1000), 0);
    // The rest and a second frame in one go: each call hands out one.
    peer.sendRaw(frame.substr(9) + tarnwire::makeFrame("nick", 104, "1 2"));
    Received r = receive(h);
    EXPECT_EQ(r.code, 102);
    EXPECT_EQ(r.text, "split text");
    EXPECT_EQ(TarnRecvMsg(h, target, sizeof target, &code, text, sizeof text, 0), 3);
    EXPECT_EQ(code, 104);
    EXPECT_STREQ(text, "1 2");
}

TEST_F(Framing, PeerCloseAndShortFrames)
{
    // Header promising more than comes, then close: a read error.
    std::string partial(4, '\0');
    tarnwire::encodeHeader(reinterpret_cast<unsigned char*>(partial.data()), 50, 102);
    peer.sendRaw(partial + "abc");
    peer.closeConnection();
    EXPECT_EQ(receive(h).result, -4);
}

TEST_F(Framing, CleanCloseIsReported)
{
    peer.closeConnection();
    EXPECT_EQ(receive(h).result, -5);
}

TEST(Connect, ResultCodes)
{
    TarnHandle* h = nullptr;
    ASSERT_EQ(TarnInit(&h), 0);
    EXPECT_EQ(TarnInit(nullptr), -1);
    EXPECT_EQ(TarnConnect(nullptr, "127.0.0.1", 1), -1);
    EXPECT_EQ(TarnConnect(h, nullptr, 1), -2);
    EXPECT_EQ(TarnConnect(h, "127.0.0.1", 0), -3);
    EXPECT_EQ(TarnConnect(h, "localhost", 1), -4); // names are not resolved
    EXPECT_EQ(h->socket, -1);
    {
        // A port nobody listens on any more.
        const int port = Peer().port();
        EXPECT_EQ(TarnConnect(h, "127.0.0.1", port), -4);
        EXPECT_EQ(h->socket, -1);
    }
    EXPECT_EQ(TarnLogin(nullptr), -1);
    TarnUninit(h); // closes the -1 socket harmlessly
    TarnUninit(nullptr);
}

TEST(Connect, ShuttingTheSocketDownEndsAConnectThatWaits)
{
    // A listener whose queue is full leaves further connects waiting for the system's time limit.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t len = sizeof sa;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 16; ++i) {
        const int f = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ::connect(f, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        pollfd pfd{f, POLLOUT, 0};
        fillers.push_back(f);
        if (::poll(&pfd, 1, 200) == 0) break; // this one waits: the queue is full
    }
    TarnHandle* h = nullptr;
    ASSERT_EQ(TarnInit(&h), 0);
    std::atomic<int> result{1};
    std::thread connector([&] { result = TarnConnect(h, "127.0.0.1", ntohs(sa.sin_port)); });
    // Wait until the connect is under way: its socket is in the handle and sends its SYN.
    bool waiting = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!waiting && result == 1 && std::chrono::steady_clock::now() < deadline) {
        const int fd = __atomic_load_n(&h->socket, __ATOMIC_SEQ_CST);
        tcp_info info{};
        socklen_t infoLength = sizeof info;
        waiting = fd > 0 && ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &infoLength) == 0 &&
                  info.tcpi_state == TCP_SYN_SENT;
        if (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!waiting) {
        // Closing the listener refuses the connect at its next try.
        const bool stillConnecting = result == 1;
        for (int f : fillers)
            ::close(f);
        ::close(listener);
        connector.join();
        TarnUninit(h);
        if (stillConnecting) FAIL() << "the connecting socket was not in the handle";
        GTEST_SKIP() << "the connect did not wait here";
    }
    const auto start = std::chrono::steady_clock::now();
    ::shutdown(h->socket, SHUT_RDWR);
    connector.join();
    EXPECT_EQ(result, -4);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    for (int f : fillers)
        ::close(f);
    ::close(listener);
    TarnUninit(h);
}

TEST(Connect, LoginFrameIsCode25WithThree)
{
    Peer peer;
    TarnHandle* h = peer.connectClient();
    ASSERT_EQ(TarnLogin(h), 0);
    auto f = peer.read();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->code, 25);
    EXPECT_EQ(f->payload, "3");
    TarnUninit(h);
}

TEST(SocketLayer, TestAndSetReturnsOldValue)
{
    volatile int flag = 0;
    EXPECT_EQ(utTns(&flag), 0);
    EXPECT_EQ(utTns(&flag), 1);
    EXPECT_EQ(flag, 1);
}

TEST(SocketLayer, ServerAcceptsWithinItsWait)
{
    const int server = InitTCPServer(0);
    ASSERT_GE(server, 0);
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ::getsockname(server, reinterpret_cast<sockaddr*>(&sa), &len);
    EXPECT_EQ(AcceptConnect(server), 0); // nobody within a second
    const int client = TCPConnect("127.0.0.1", ntohs(sa.sin_port));
    ASSERT_GE(client, 0);
    char peer[32] = {};
    const int accepted = AcceptConnect2(server, peer, sizeof peer);
    ASSERT_GT(accepted, 0);
    EXPECT_STREQ(peer, "127.0.0.1");
    EXPECT_EQ(writen(client, "hello", 5), 5);
    char buf[8] = {};
    EXPECT_EQ(readn(accepted, buf, 5), 5);
    EXPECT_STREQ(buf, "hello");
    TCPDisconnect(client);
    EXPECT_EQ(readn(accepted, buf, 5), 0); // closed: what was read so far
    TCPDisconnect(accepted);
    TCPDisconnect(server);
}

} // namespace
