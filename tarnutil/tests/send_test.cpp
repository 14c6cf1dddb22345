#include "handle.h"
#include "peer.h"

#include <thread>

using namespace tarntest;

namespace {

class Sending : public ::testing::Test
{
protected:
    void SetUp() override { h = peer.connectClient(); }
    void TearDown() override { TarnUninit(h); }
    Peer peer;
    TarnHandle* h = nullptr;
};

TEST_F(Sending, RequestLayoutAndPlainRefusals)
{
    ASSERT_EQ(TarnSendMsg(h, "10.0.0.5:pump", 101, nullptr), 0);
    auto f = peer.read();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->code, 101);
    EXPECT_EQ(f->payload, "10.0.0.5:pump");

    ASSERT_EQ(TarnSendMsg(h, "n", 125, "\"eth 0\""), 0);
    f = peer.read();
    EXPECT_EQ(f->payload, "n \"eth 0\"");

    EXPECT_EQ(TarnSendMsg(nullptr, "n", 101, nullptr), -1);
    EXPECT_EQ(TarnSendMsg(h, nullptr, 101, nullptr), -1);
    EXPECT_EQ(TarnSendMsg(h, "n", 0, nullptr), -1);
}

TEST_F(Sending, FrameLimits)
{
    const std::string target = "10.0.0.5:pump";
    // 10239 bytes in all: the largest frame.
    const std::string fits(10239 - 4 - target.size() - 1, 'a');
    ASSERT_EQ(TarnSendMsg(h, target.c_str(), 111, fits.c_str()), 0);
    auto f = peer.read();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->payload.size() + 4, 10239u);

    // target + arguments + 5 == 10240 passes the pre-check and fails in the builder.
    const std::string exact(10240 - 5 - target.size(), 'b');
    EXPECT_EQ(TarnSendMsg(h, target.c_str(), 111, exact.c_str()), -3);
    EXPECT_EQ(TarnSendMsg(h, target.c_str(), 111, (exact + "c").c_str()), -2);

    // Codes of 100 or less send no target but still count it in the pre-check.
    const std::string longTarget(6000, 't');
    const std::string args(5000, 'x');
    EXPECT_EQ(TarnSendMsg(h, longTarget.c_str(), 25, args.c_str()), -2);
    ASSERT_EQ(TarnSendMsg(h, "ignored", 25, "3"), 0);
    f = peer.read();
    EXPECT_EQ(f->code, 25);
    EXPECT_EQ(f->payload, "3");
}

TEST_F(Sending, TwoThreadsSendWholeFramesOnly)
{
    constexpr int perThread = 300;
    auto sender = [this](char letter) {
        const std::string body(3000 + letter, letter);
        for (int i = 0; i < perThread; ++i)
            ASSERT_EQ(TarnSendMsg(h, "n", 127, body.c_str()), 0);
    };
    std::thread a(sender, 'a');
    std::thread b(sender, 'b');
    int counts[2] = {0, 0};
    for (int i = 0; i < 2 * perThread; ++i) {
        auto f = peer.read();
        ASSERT_TRUE(f) << "frame " << i;
        ASSERT_EQ(f->code, 127);
        const char letter = f->payload.back();
        ASSERT_TRUE(letter == 'a' || letter == 'b');
        EXPECT_EQ(f->payload, "n " + std::string(3000 + letter, letter));
        ++counts[letter - 'a'];
    }
    a.join();
    b.join();
    EXPECT_EQ(counts[0], perThread);
    EXPECT_EQ(counts[1], perThread);
    EXPECT_EQ(h->sendBusy, 0);
}

TEST_F(Sending, WriteOnClosedConnectionFails)
{
    peer.closeConnection();
    // The first writes may still land in the socket buffer; the reset surfaces soon after.
    int result = 0;
    for (int i = 0; i < 100 && result == 0; ++i)
        result = TarnSendMsg(h, "n", 101, "x");
    EXPECT_EQ(result, -4);
}

TEST_F(Sending, FileRequestFormats)
{
    ScratchDir dir;
    const std::string local = dir.file("image one.bin");
    writeFile(local, "data");

    EXPECT_EQ(TarnSendFileToGW(h, "n", nullptr, "/tmp"), -8);
    EXPECT_EQ(TarnSendFileToGW(h, "n", dir.file("missing").c_str(), "/tmp"), -9);
    EXPECT_EQ(TarnSendFileToGW(h, "n", dir.path().c_str(), "/tmp"), -9); // a folder is no file
    ASSERT_EQ(TarnSendFileToGW(h, "n", local.c_str(), "/opt/app/image one.bin"), 0);
    EXPECT_EQ(peer.read()->payload, "n \"" + local + "\" \"/opt/app/image one.bin\" 0");
    ASSERT_EQ(TarnSendFileToGW(h, "n", local.c_str(), nullptr), 0);
    EXPECT_EQ(peer.read()->payload, "n \"" + local + "\" firmware 1");

    EXPECT_EQ(TarnSendFileFromGW(h, "n", nullptr, "/d", "g1", 1), -8);
    ASSERT_EQ(TarnSendFileFromGW(h, "n", local.c_str(), "/d/x", "g1", 70000), 0);
    auto f = peer.read();
    EXPECT_EQ(f->code, 195);
    EXPECT_EQ(f->payload, "n \"" + local + "\" \"/d/x\" g1 0 4464"); // count as unsigned 16-bit
    ASSERT_EQ(TarnSendFileFromGW(h, "n", local.c_str(), nullptr, "g1", 0), 0);
    EXPECT_EQ(peer.read()->payload, "n \"" + local + "\" firmware g1 1 0");

    EXPECT_EQ(TarnClearUploadFile(h, "127.0.0.1", nullptr), -8);
    ASSERT_EQ(TarnClearUploadFile(h, "127.0.0.1", "g1"), 0);
    f = peer.read();
    EXPECT_EQ(f->code, 197);
    EXPECT_EQ(f->payload, "127.0.0.1 \"g1\"");

    EXPECT_EQ(TarnDownloadFile(h, "n", nullptr, "/a"), -8);
    ASSERT_EQ(TarnDownloadFile(h, "n", local.c_str(), "/a b/c"), 0);
    f = peer.read();
    EXPECT_EQ(f->code, 201);
    EXPECT_EQ(f->payload, "n \"" + local + "\" \"/a b/c\"");
}

TEST_F(Sending, FileRequestTooLongForItsBufferIsRefusedNotCut)
{
    ScratchDir dir;
    const std::string local = dir.file("f");
    writeFile(local, "x");
    const std::string longPath(1100, 'p');
    EXPECT_EQ(TarnSendFileToGW(h, "n", local.c_str(), longPath.c_str()), TARN_ERR_TEXT_TOO_LONG);
    EXPECT_EQ(TarnSendFileFromGW(h, "n", local.c_str(), longPath.c_str(), "g", 1), TARN_ERR_TEXT_TOO_LONG);
    EXPECT_EQ(TarnClearUploadFile(h, "n", longPath.c_str()), TARN_ERR_TEXT_TOO_LONG);
    EXPECT_EQ(TarnDownloadFile(h, "n", local.c_str(), longPath.c_str()), TARN_ERR_TEXT_TOO_LONG);
    // The largest text that fits still goes out whole: 1023 characters.
    const std::string fitting(1023 - 2, 'q');
    ASSERT_EQ(TarnClearUploadFile(h, "n", fitting.c_str()), 0);
    auto f = peer.read();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->payload, "n \"" + fitting + "\"");
    // Nothing of the refused ones reached the wire.
    EXPECT_FALSE(peer.read(100));
}

} // namespace
