// tarn-gateway under load: a client sends request 101 to each of 10,000 agents and reads every 102.
// Baseline, measured in the same run: a minimal echo responder on the same socket pattern (one
// thread, poll(), non-blocking socket, the wire library's frame assembler) answering each frame
// with a reply of the same size. Also reports the memory of the 10,000-agent gateway.
#include "wire.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kAgents = 10000;
constexpr int kRepetitions = 7;
// What a device information reply of the gateway looks like, for the echo responder to send back.
const std::string kReplyText = "\"2.4.1 Build 1180\" \"TRN-310-XPE\" \"3.2.7\" \"Windows XP Embedded SP3\" "
                               "\"Intel Atom N270 1.6GHz\" \"panel-0001\"";

std::map<std::string, std::vector<double>> g_rates;

int connectTo(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// A blocking client that reads whole frames.
class Client
{
public:
    explicit Client(int fd) : fd_(fd) {}
    ~Client() { ::close(fd_); }
    bool next(tarnwire::FrameAssembler::Frame* f)
    {
        while (in_.next(*f) != 1) {
            char buf[65536];
            ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return false;
            in_.feed(buf, static_cast<std::size_t>(n));
        }
        return true;
    }
    bool writeAll(const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    // One round: every request written by a second thread while this one reads the replies.
    // Requests per second, or 0 when the replies did not all come.
    double round(const std::string& requests, int expected, std::uint16_t replyCode)
    {
        auto start = std::chrono::steady_clock::now();
        std::thread writer([&] { writeAll(requests); });
        int got = 0;
        tarnwire::FrameAssembler::Frame f;
        while (got < expected && next(&f))
            got += f.code == replyCode;
        writer.join();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return got == expected ? expected / seconds : 0;
    }

private:
    int fd_;
    tarnwire::FrameAssembler in_{65535};
};

// The baseline: the least a responder on this socket pattern can do per request.
class EchoResponder
{
public:
    EchoResponder()
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 16);
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~EchoResponder()
    {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }
    int port() const { return port_; }

private:
    void run()
    {
        int fd = -1;
        tarnwire::FrameAssembler in;
        std::string out;
        std::size_t offset = 0;
        while (!stop_) {
            pollfd p[2] = {{listen_, POLLIN, 0},
                           {fd, static_cast<short>(POLLIN | (out.size() > offset ? POLLOUT : 0)), 0}};
            if (::poll(p, fd >= 0 ? 2 : 1, 50) <= 0) continue;
            if (p[0].revents) {
                int c = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK);
                if (c >= 0) {
                    if (fd >= 0) ::close(fd);
                    fd = c;
                    int one = 1;
                    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    in = tarnwire::FrameAssembler();
                    out.clear();
                    offset = 0;
                }
                continue;
            }
            if (fd < 0) continue;
            if (p[1].revents & (POLLIN | POLLHUP)) {
                char buf[65536];
                ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n == 0) {
                    ::close(fd);
                    fd = -1;
                    continue;
                }
                if (n > 0) {
                    in.feed(buf, static_cast<std::size_t>(n));
                    tarnwire::FrameAssembler::Frame f;
                    while (in.next(f) == 1) {
                        std::string target = f.payload.substr(0, f.payload.find(' '));
                        out +=
                            tarnwire::makeFrame(target, static_cast<std::uint16_t>(f.code + 1), kReplyText);
                    }
                }
            }
            while (out.size() > offset) {
                ssize_t n = ::send(fd, out.data() + offset, out.size() - offset, MSG_NOSIGNAL);
                if (n <= 0) break;
                offset += static_cast<std::size_t>(n);
            }
            if (offset == out.size()) {
                out.clear();
                offset = 0;
            }
        }
        if (fd >= 0) ::close(fd);
    }

    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string gatewayProgram()
{
    const char* dir = std::getenv("TARN_BIN_DIR");
    if (dir && *dir) return std::string(dir) + "/tarn-gateway";
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "tarn-gateway").string();
}

// tarn-gateway with 10,000 agents as a child process.
class GatewayChild
{
public:
    GatewayChild()
    {
        int out[2];
        if (::pipe(out) != 0) return;
        std::string program = gatewayProgram();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            std::string agents = std::to_string(kAgents);
            ::execl(program.c_str(), program.c_str(), "--listen", "127.0.0.1:0", "--agents", agents.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        if (line.rfind("listening on ", 0) == 0) port_ = std::atoi(line.c_str() + line.rfind(':') + 1);
    }
    ~GatewayChild()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status;
            ::waitpid(pid_, &status, 0);
        }
    }
    int port() const { return port_; }
    // Resident memory in KiB, from the kernel's view of the process.
    long rssKB() const
    {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
        std::string key;
        while (in >> key) {
            if (key == "VmRSS:") {
                long kb = 0;
                in >> kb;
                return kb;
            }
            in.ignore(1 << 16, '\n');
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

GatewayChild* g_gateway = nullptr;
long g_rssIdle = -1, g_rssLoaded = -1;

// Rounds of each kind per repetition, alternating, so that both meet the same machine noise.
constexpr int kRounds = 4;

void BM_GatewayAgainstEcho(benchmark::State& state)
{
    EchoResponder echo;
    Client echoClient(connectTo(echo.port()));
    Client gwClient(connectTo(g_gateway->port()));
    gwClient.writeAll(tarnwire::makeFrame("", 25, "3"));
    std::vector<std::string> nicks;
    tarnwire::FrameAssembler::Frame f;
    while (static_cast<int>(nicks.size()) < kAgents && gwClient.next(&f))
        if (f.code == 26) nicks.push_back(f.payload);
    if (static_cast<int>(nicks.size()) != kAgents) {
        state.SkipWithError("gateway did not announce every agent");
        return;
    }
    std::string gwRequests, echoRequests;
    for (const auto& n : nicks) {
        gwRequests += tarnwire::makeFrame(n, 101, "");
        echoRequests += tarnwire::makeFrame(n, 101, "");
    }
    for (auto _ : state) {
        double gwSeconds = 0, echoSeconds = 0;
        for (int r = 0; r < kRounds; ++r) {
            double e = echoClient.round(echoRequests, kAgents, 102);
            double g = gwClient.round(gwRequests, kAgents, 102);
            if (e <= 0 || g <= 0) {
                state.SkipWithError("replies lost");
                return;
            }
            echoSeconds += kAgents / e;
            gwSeconds += kAgents / g;
        }
        double gwRate = kRounds * kAgents / gwSeconds, echoRate = kRounds * kAgents / echoSeconds;
        g_rates["gateway"].push_back(gwRate);
        g_rates["echo"].push_back(echoRate);
        g_rates["ratio"].push_back(gwRate / echoRate);
        state.SetIterationTime(gwSeconds + echoSeconds);
        state.counters["gateway_req/s"] = gwRate;
        state.counters["echo_req/s"] = echoRate;
        state.counters["ratio"] = gwRate / echoRate;
    }
    g_rssLoaded = g_gateway->rssKB();
}

double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

BENCHMARK(BM_GatewayAgainstEcho)
    ->Iterations(1)
    ->Repetitions(kRepetitions)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    GatewayChild gateway;
    if (gateway.port() <= 0) {
        std::fprintf(stderr, "bench_gateway: cannot start %s\n", gatewayProgram().c_str());
        return 1;
    }
    g_gateway = &gateway;
    g_rssIdle = gateway.rssKB();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    double gw = median(g_rates["gateway"]), echo = median(g_rates["echo"]), ratio = median(g_rates["ratio"]);
    std::printf("\n%-52s %14s %14s %8s %10s\n", "figure (median of 7 repetitions)", "value", "echo", "ratio",
                "target");
    std::printf("%-52s %14.0f %14.0f %8.2f %10s\n", "requests/s, 101 to 10,000 agents, all 102 read", gw,
                echo, ratio, ">= 0.50");
    std::printf("%-52s %11.1f MiB %14s %8s %10s\n", "RSS of a 10,000-agent gateway, idle", g_rssIdle / 1024.0,
                "-", "-", "< 200 MiB");
    std::printf("%-52s %11.1f MiB %14s %8s %10s\n", "RSS of a 10,000-agent gateway, after the load",
                g_rssLoaded / 1024.0, "-", "-", "< 200 MiB");
    bool ok = ratio >= 0.5 && g_rssIdle > 0 && g_rssLoaded < 200 * 1024 && g_rssIdle < 200 * 1024;
    if (!ok) std::printf("bench_gateway: a figure misses its target\n");
    return ok ? 0 : 1;
}
