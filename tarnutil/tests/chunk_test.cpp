#include "handle.h"
#include "peer.h"

#include <atomic>
#include <thread>

using namespace tarntest;

namespace {

// The client side runs TarnRecvMsg on a thread of its own, as the console's receive worker does.
class Chunks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        h = peer.connectClient();
        worker = std::thread([this] {
            while (!stop) {
                Received r = receive(h, 10236, 10236, 200);
                if (r.result < 0) break;
                if (r.result > 0) {
                    std::lock_guard<std::mutex> lock(m);
                    delivered.push_back(r);
                }
            }
        });
    }
    void TearDown() override
    {
        stop = true;
        worker.join();
        TarnUninit(h);
    }

    // Makes sure the client has handled everything sent before: it echoes a marker back.
    // Returns the frames the client wrote before the marker.
    std::vector<Frame> flush()
    {
        peer.send("marker", 137, "m");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            {
                std::lock_guard<std::mutex> lock(m);
                if (!delivered.empty() && delivered.back().code == 137) {
                    delivered.pop_back();
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(TarnSendMsg(h, "marker", 139, nullptr), 0);
        std::vector<Frame> before;
        EXPECT_TRUE(peer.readUntil(139, &before));
        return before;
    }
    std::vector<Received> takeDelivered()
    {
        std::lock_guard<std::mutex> lock(m);
        return std::exchange(delivered, {});
    }

    Peer peer;
    TarnHandle* h = nullptr;
    std::thread worker;
    std::atomic<bool> stop{false};
    std::mutex m;
    std::vector<Received> delivered;
    ScratchDir dir;
};

struct Answer
{
    std::string target, local, agent, tag;
    int mode = -1, reserved = -1, eof = -1;
    std::uint64_t offset = 0, count = 0;
    std::string data;
};

Answer parse194(const Frame& f)
{
    EXPECT_EQ(f.code, 194);
    std::string copy = f.payload;
    char* items[9];
    char* rest = nullptr;
    Answer a;
    if (tarnwire::tokenizeChunk(copy.data(), copy.size(), items, 9, &rest) != 9) return a;
    a.target = items[0];
    a.local = items[1];
    a.agent = items[2];
    a.tag = items[3];
    a.mode = std::atoi(items[4]);
    a.reserved = std::atoi(items[5]);
    a.eof = std::atoi(items[6]);
    a.offset = std::strtoull(items[7], nullptr, 10);
    a.count = std::strtoull(items[8], nullptr, 10);
    a.data.assign(rest, static_cast<std::size_t>(copy.data() + copy.size() - rest));
    return a;
}

std::string request(const std::string& local, std::uint64_t offset, std::uint64_t length,
                    const std::string& agent = "/opt/f")
{
    return "\"" + local + "\" \"" + agent + "\" tag7 3 0 " + std::to_string(offset) + " " +
           std::to_string(length);
}

TEST_F(Chunks, UploadAnswersCarryTheOfferedFileBytes)
{
    const std::string local = dir.file("up.bin");
    const std::string content = pattern(5000);
    writeFile(local, content);
    ASSERT_EQ(TarnSendFileToGW(h, "10.0.0.5:pump", local.c_str(), "/opt/f"), 0);
    ASSERT_EQ(peer.read()->code, 191);

    peer.send("10.0.0.5:pump", 193, request(local, 100, 1000));
    Answer a = parse194(*peer.read());
    EXPECT_EQ(a.target, "10.0.0.5:pump");
    EXPECT_EQ(a.local, local);
    EXPECT_EQ(a.agent, "/opt/f");
    EXPECT_EQ(a.tag, "tag7");
    EXPECT_EQ(a.mode, 3);
    EXPECT_EQ(a.reserved, 0);
    EXPECT_EQ(a.eof, 0);
    EXPECT_EQ(a.offset, 100u);
    EXPECT_EQ(a.count, 1000u);
    EXPECT_EQ(a.data, content.substr(100, 1000));

    // The last piece reaches the end of the file.
    peer.send("10.0.0.5:pump", 193, request(local, 4500, 1000));
    a = parse194(*peer.read());
    EXPECT_EQ(a.eof, 1);
    EXPECT_EQ(a.count, 500u);
    EXPECT_EQ(a.data, content.substr(4500));

    // At the file's size: no bytes, end of file.
    peer.send("10.0.0.5:pump", 193, request(local, 5000, 1000));
    a = parse194(*peer.read());
    EXPECT_EQ(a.eof, 1);
    EXPECT_EQ(a.count, 0u);
    EXPECT_EQ(a.data, "");
}

TEST_F(Chunks, WholeChunkRequestsGetWhatTheAnswerFrameHolds)
{
    const std::string local = dir.file("big.bin");
    const std::string content = pattern(10000);
    writeFile(local, content);
    ASSERT_EQ(TarnSendFileToGW(h, "n", local.c_str(), "/opt/f"), 0);
    peer.read();
    // Pull the whole file with requests for 2048 bytes, continuing from offset + count.
    std::string pulled;
    for (int guard = 0; guard < 100; ++guard) {
        peer.send("n", 193, request(local, pulled.size(), 2048));
        auto f = peer.read();
        ASSERT_TRUE(f);
        EXPECT_LE(f->payload.size() + 4, 2047u);
        Answer a = parse194(*f);
        ASSERT_EQ(a.offset, pulled.size());
        if (!a.eof) {
            EXPECT_GT(a.count, 1500u);
        }
        pulled += a.data;
        if (a.eof) break;
    }
    EXPECT_EQ(pulled, content);
}

TEST_F(Chunks, UploadRequestsThatCannotBeAnsweredGetNothing)
{
    const std::string local = dir.file("up.bin");
    writeFile(local, pattern(100));
    const std::string secret = dir.file("secret");
    writeFile(secret, "do not read");
    ASSERT_EQ(TarnSendFileToGW(h, "n", local.c_str(), "/opt/f"), 0);
    peer.read();

    peer.send("n", 193, request(secret, 0, 100));                     // never offered
    peer.send("n", 193, request("/etc/passwd", 0, 100));              // never offered
    peer.send("n", 193, request(local, 0, 0));                        // zero length
    peer.send("n", 193, "\"" + local + "\" \"/opt/f\" t 2 0 -5 100"); // negative offset
    peer.send("n", 193, "\"" + local + "\" \"/opt/f\" t 2 0 1x 100"); // not a number
    peer.send("n", 193, "\"" + local + "\" \"/opt/f\" t 2 0");        // short of items
    // So long that not even the text fits a 2048-byte answer.
    peer.send("n", 193, request(local, 0, 100, std::string(2100, 'a')));
    EXPECT_TRUE(flush().empty());
    EXPECT_TRUE(takeDelivered().empty());

    // A path offered once stays readable for the connection.
    peer.send("n", 193, request(local, 0, 10));
    EXPECT_EQ(parse194(*peer.read()).count, 10u);
}

TEST_F(Chunks, RequestWhoseAnswerHasNoRoomForDataGetsNothing)
{
    const std::string local = dir.file("up.bin");
    writeFile(local, pattern(100));
    ASSERT_EQ(TarnSendFileToGW(h, "n", local.c_str(), "/opt/f"), 0);
    peer.read();
    // Fill the 2048-byte answer with its text alone: an answer without data would be asked for forever.
    const std::string fixed = "\"" + local + "\" \"\" tag7 3 0 0 0 100 ";
    const std::string agent(2047 - 5 - 1 - fixed.size(), 'a');
    peer.send("n", 193, request(local, 0, 100, agent));
    EXPECT_TRUE(flush().empty());
    // One byte of room is enough for one byte of data.
    peer.send("n", 193, request(local, 0, 100, agent.substr(1)));
    Answer a = parse194(*peer.read());
    EXPECT_EQ(a.count, 1u);
    EXPECT_EQ(a.eof, 0);
}

TEST_F(Chunks, OffsetsBeyondFourGigabytesAreRead)
{
    const std::string local = dir.file("sparse.img");
    const std::uint64_t at = (5ull << 30) + 123;
    {
        int fd = ::open(local.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "FAR AWAY", 8, static_cast<off_t>(at)), 8);
        ::close(fd);
    }
    ASSERT_EQ(TarnSendFileToGW(h, "n", local.c_str(), "/opt/f"), 0);
    peer.read();
    peer.send("n", 193, request(local, at, 100));
    Answer a = parse194(*peer.read());
    EXPECT_EQ(a.offset, at);
    EXPECT_EQ(a.count, 8u);
    EXPECT_EQ(a.eof, 1);
    EXPECT_EQ(a.data, "FAR AWAY");
}

// Runs the gateway's side of a download: 204, then a 194 per 193 until the end.
void serveDownload(Peer& peer, const std::string& local, const std::string& content, std::size_t chunk = 1024)
{
    peer.send("n", 204, "x \"" + local + "\" \"/var/log/a.log\" T9");
    for (;;) {
        auto f = peer.read();
        ASSERT_TRUE(f);
        ASSERT_EQ(f->code, 193);
        std::string copy = f->payload;
        char* items[8];
        ASSERT_EQ(tarnwire::tokenize(copy.data(), items, 8), 8);
        EXPECT_STREQ(items[1], local.c_str());
        EXPECT_STREQ(items[3], "T9");
        EXPECT_STREQ(items[4], "2");
        EXPECT_STREQ(items[7], "1024");
        const std::size_t offset = std::strtoull(items[6], nullptr, 10);
        const std::size_t n = std::min(chunk, content.size() - offset);
        const int eof = offset + n >= content.size() ? 1 : 0;
        peer.send("n", 194,
                  "\"" + local + "\" \"/var/log/a.log\" T9 2 0 " + std::to_string(eof) + " " +
                      std::to_string(offset) + " " + std::to_string(n) + " " + content.substr(offset, n));
        if (eof) return;
    }
}

TEST_F(Chunks, DownloadIsStoredThenAcknowledgedWith205)
{
    const std::string local = dir.file("a.log");
    const std::string content = pattern(5000, 3);
    ASSERT_EQ(TarnDownloadFile(h, "n", local.c_str(), "/var/log/a.log"), 0);
    ASSERT_EQ(peer.read()->code, 201);
    serveDownload(peer, local, content);
    auto done = peer.read();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->code, 205);
    EXPECT_EQ(done->payload, "n \"T9\"");
    EXPECT_EQ(readFile(local), content);
    EXPECT_EQ(dir.entries(), 1u); // no temporary file left
    // The finished download is forgotten: a further chunk for it is not written, and no 193 follows.
    peer.send("n", 194, "\"" + local + "\" \"/var/log/a.log\" T9 2 0 1 0 3 XYZ");
    EXPECT_TRUE(flush().empty());
    EXPECT_EQ(readFile(local), content);
}

TEST_F(Chunks, DownloadThroughSendMsgIsAllowedToo)
{
    const std::string local = dir.file("b.log");
    ASSERT_EQ(TarnSendMsg(h, "n", 201, ("\"" + local + "\" \"/var/log/a.log\"").c_str()), 0);
    peer.read();
    serveDownload(peer, local, "short");
    EXPECT_EQ(peer.read()->code, 205);
    EXPECT_EQ(readFile(local), "short");
}

TEST_F(Chunks, FailedDownloadLeavesTheOldFileAlone)
{
    const std::string local = dir.file("keep.cfg");
    writeFile(local, "precious");
    ASSERT_EQ(TarnDownloadFile(h, "n", local.c_str(), "/var/log/a.log"), 0);
    peer.read();
    peer.send("n", 204, "x \"" + local + "\" \"/var/log/a.log\" T9");
    ASSERT_EQ(peer.read()->code, 193);
    peer.send("n", 194, "\"" + local + "\" \"/var/log/a.log\" T9 2 0 0 0 4 half");
    ASSERT_EQ(peer.read()->code, 193);
    EXPECT_EQ(readFile(local), "precious"); // mid-download
    EXPECT_EQ(dir.entries(), 2u);           // the target and its temporary file
    peer.closeConnection();                 // the gateway goes away mid-download
    stop = true;
    worker.join();
    worker = std::thread([] {});
    TarnUninit(h);
    h = nullptr;
    EXPECT_EQ(readFile(local), "precious");
    EXPECT_EQ(dir.entries(), 1u); // the temporary file went with the connection
}

TEST_F(Chunks, DownloadStartsAndChunksForPathsNeverAskedForAreRefused)
{
    const std::string victim = dir.file("victim");
    writeFile(victim, "original");
    peer.send("n", 204, "x \"" + victim + "\" \"/etc/shadow\" T1");
    peer.send("n", 194, "\"" + victim + "\" \"/a\" T1 2 0 1 0 4 evil");
    std::vector<Frame> written = flush();
    EXPECT_TRUE(written.empty()); // no 193, no 205
    auto got = takeDelivered();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, 999);
    EXPECT_EQ(got[0].target, "n");
    EXPECT_EQ(got[0].text, "204 \"" + victim + "\" \"/etc/shadow\" 2 \"Failed to create local file.\"");
    EXPECT_EQ(readFile(victim), "original");
    EXPECT_EQ(dir.entries(), 1u);
}

TEST_F(Chunks, DownloadWhoseFileCannotBeCreatedFailsOnce)
{
    const std::string local = dir.file("no/such/dir/f");
    ASSERT_EQ(TarnDownloadFile(h, "n", local.c_str(), "/a"), 0);
    peer.read();
    peer.send("n", 204, "x \"" + local + "\" \"/a\" T2");
    EXPECT_TRUE(flush().empty());
    auto got = takeDelivered();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, 999);
    EXPECT_EQ(got[0].text, "204 \"" + local + "\" \"/a\" 2 \"Failed to create local file.\"");
}

TEST_F(Chunks, MalformedChunksAreDroppedWithoutWriting)
{
    const std::string local = dir.file("c.bin");
    ASSERT_EQ(TarnDownloadFile(h, "n", local.c_str(), "/a"), 0);
    peer.read();
    peer.send("n", 204, "x \"" + local + "\" \"/a\" T3");
    peer.read();
    const std::string head = "\"" + local + "\" \"/a\" T3 2 0 ";
    peer.send("n", 194, head + "0 0 10 short");     // count beyond the frame
    peer.send("n", 194, head + "0 -1 2 ab");        // negative offset
    peer.send("n", 194, head + "0 0 x ab");         // count not a number
    peer.send("n", 194, head + "0 0");              // short of items
    peer.send("n", 194, "\"unclosed 2 0 0 0 2 ab"); // unclosed quote
    EXPECT_TRUE(flush().empty());
    EXPECT_FALSE(std::filesystem::exists(local));
    // Still in step: a good chunk is stored and answered.
    peer.send("n", 194, head + "1 0 2 ok");
    auto f = peer.read();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->code, 205);
    EXPECT_EQ(readFile(local), "ok");
}

} // namespace
