// A scripted gateway for the library's tests: one loopback connection, raw frames both ways.
#pragma once

#include "tarnutil.h"
#include "wire.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace tarntest {

struct Frame
{
    std::uint16_t code = 0;
    std::string payload;
};

class Peer
{
public:
    Peer()
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sa.sin_port = 0;
        EXPECT_EQ(::bind(listen_, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
        EXPECT_EQ(::listen(listen_, 4), 0);
        socklen_t len = sizeof sa;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&sa), &len);
        port_ = ntohs(sa.sin_port);
    }
    ~Peer()
    {
        closeConnection();
        if (listen_ >= 0) ::close(listen_);
    }
    int port() const { return port_; }

    // Connects a fresh handle to this peer and accepts its connection.
    TarnHandle* connectClient()
    {
        TarnHandle* h = nullptr;
        EXPECT_EQ(TarnInit(&h), 0);
        EXPECT_EQ(TarnConnect(h, "127.0.0.1", port_), 0);
        conn_ = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        EXPECT_GE(conn_, 0);
        return h;
    }

    void sendRaw(const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(conn_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            ASSERT_GT(n, 0);
            done += static_cast<std::size_t>(n);
        }
    }
    void send(std::string_view target, std::uint16_t code, std::string_view args)
    {
        sendRaw(tarnwire::makeFrame(target, code, args));
    }

    // The next frame from the client, or nothing within the time limit.
    std::optional<Frame> read(int timeoutMs = 5000)
    {
        unsigned char header[4];
        if (!readExact(reinterpret_cast<char*>(header), 4, timeoutMs)) return std::nullopt;
        Frame f;
        std::uint16_t length = 0;
        tarnwire::decodeHeader(header, &length, &f.code);
        f.payload.resize(length);
        if (length > 0 && !readExact(f.payload.data(), length, timeoutMs)) return std::nullopt;
        return f;
    }
    // Reads frames until one with this code; the ones before it are returned in skipped.
    std::optional<Frame> readUntil(std::uint16_t code, std::vector<Frame>* skipped = nullptr)
    {
        for (;;) {
            auto f = read();
            if (!f || f->code == code) return f;
            if (skipped) skipped->push_back(*f);
        }
    }

    void closeConnection()
    {
        if (conn_ >= 0) ::close(conn_);
        conn_ = -1;
    }
    int connection() const { return conn_; }

private:
    bool readExact(char* buf, std::size_t count, int timeoutMs)
    {
        std::size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) return false;
            pollfd pfd{conn_, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(left)) <= 0) return false;
            const ssize_t n = ::recv(conn_, buf + got, count - got, 0);
            if (n <= 0) return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    int listen_ = -1;
    int conn_ = -1;
    int port_ = 0;
};

// Receives until something is delivered (or a failure), handling chunk traffic on the way.
struct Received
{
    int result = 0;
    unsigned short code = 0;
    std::string target;
    std::string text;
};

inline Received receive(TarnHandle* h, unsigned short targetCapacity = 10236, int textCapacity = 10236,
                        int deadlineMs = 5000)
{
    Received r;
    std::string target(targetCapacity, '\0');
    std::string text(static_cast<std::size_t>(textCapacity), '\0');
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    while (std::chrono::steady_clock::now() < deadline) {
        r.result = TarnRecvMsg(h, target.data(), targetCapacity, &r.code, text.data(), textCapacity, 100);
        if (r.result != 0) {
            if (r.result > 0) {
                r.target = target.c_str();
                r.text.assign(text.data(), r.result == TARN_NO_TEXT ? 0 : static_cast<std::size_t>(r.result));
            }
            return r;
        }
    }
    return r;
}

// A scratch folder removed with the test.
class ScratchDir
{
public:
    ScratchDir()
    {
        char pattern[] = "/tmp/tarnutil-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    std::size_t entries() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_), {}));
    }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline std::string pattern(std::size_t size, unsigned seed = 7)
{
    std::string s(size, '\0');
    unsigned x = seed;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

} // namespace tarntest
