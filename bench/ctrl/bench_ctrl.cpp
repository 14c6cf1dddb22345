// Control core benchmark. Prints each figure with its baseline from the same run and the ratio.
//
// The baseline is the least a console must do by contract for each reply: a receive thread takes it
// from the wire library, reads its quoted items and posts one event carrying them to a receiver on
// the GUI thread, which takes them. The core's figure over it is what the core costs beyond that.
//
// dispatch: one agent streams 200,000 process-list entries (112) and the closing 113; the time from
//   the request until the closing notification reaches the console.
// fleet: a 10,000-agent tarn-gateway; connect, every announcement (26) handled, request 1 (101 on the
//   wire) answered for every agent. Also the console's RSS.
#include "benchutil.h"
#include "notify.h"
#include "tarnutil.h"
#include "textitems.h"
#include "wire.h"
#include "zrcontrol.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Wall and CPU seconds of one run; CPU is the console's alone (the peers run in other processes).
struct Run
{
    double wall = -1;
    double cpu = -1;
};

long rssKiB()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// A peer that plays one agent with a very long process list, as fast as the socket takes it.
class StreamingPeer
{
public:
    static constexpr const char* kNick = "10.9.0.1:streamer";

    explicit StreamingPeer(int entries)
    {
        for (int i = 0; i < entries; ++i)
            m_stream += tarnwire::makeFrame(
                kNick, 112, "\"process-" + std::to_string(i) + ".exe\" " + std::to_string(1000 + i));
        m_stream += tarnwire::makeFrame(kNick, 113, "");
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listen, 4);
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~StreamingPeer()
    {
        m_quit = true;
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
    }
    int port() const { return m_port; }

private:
    static void writeAll(int fd, const std::string& s)
    {
        std::size_t off = 0;
        while (off < s.size()) {
            const ssize_t n = ::send(fd, s.data() + off, s.size() - off, MSG_NOSIGNAL);
            if (n <= 0) return;
            off += std::size_t(n);
        }
    }
    void run()
    {
        std::vector<char> buf(tarnwire::kFrameBuffer);
        while (!m_quit) {
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0) return;
            while (true) {
                std::uint16_t code = 0, length = 0;
                if (tarnwire::readFrame(fd, buf.data(), buf.size() - 4, &code, &length) != 0) break;
                if (code == 25)
                    writeAll(fd, tarnwire::makeFrame("", 24, "") + tarnwire::makeFrame("", 26, kNick));
                else if (code == 111)
                    writeAll(fd, m_stream);
            }
            ::close(fd);
        }
    }

    std::string m_stream;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

// Runs the streaming peer in a child process, so that its work is not counted as the console's.
class StreamingChild
{
public:
    explicit StreamingChild(int entries)
    {
        int ports[2];
        int stop[2];
        if (::pipe(ports) != 0 || ::pipe(stop) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ports[0]);
            ::close(stop[1]);
            {
                StreamingPeer peer(entries);
                const int port = peer.port();
                (void)!::write(ports[1], &port, sizeof port);
                char c;
                (void)!::read(stop[0], &c, 1); // until the parent closes its end
            }
            ::_exit(0);
        }
        ::close(ports[1]);
        ::close(stop[0]);
        m_stop = stop[1];
        if (::read(ports[0], &m_port, sizeof m_port) != sizeof m_port) m_port = 0;
        ::close(ports[0]);
    }
    ~StreamingChild()
    {
        if (m_stop >= 0) ::close(m_stop);
        if (m_pid > 0) ::waitpid(m_pid, nullptr, 0);
    }
    int port() const { return m_port; }

private:
    pid_t m_pid = -1;
    int m_stop = -1;
    int m_port = 0;
};

class Counter : public QObject
{
public:
    int online = 0;
    int device = 0;
    int processes = 0;
    bool listDone = false;
    bool disconnected = false;

protected:
    bool event(QEvent* e) override
    {
        switch (int(e->type())) {
        case zrmsg::AgentOnline:
            ++online;
            return true;
        case zrmsg::DeviceInfo:
            ++device;
            return true;
        case zrmsg::Process:
            if (static_cast<CZRNotify*>(e)->hasPayload())
                ++processes;
            else
                listDone = true;
            return true;
        case zrmsg::GatewayDisconnected:
            disconnected = true;
            return true;
        default:
            return QObject::event(e);
        }
    }
};

// One reply as the least console hands it to its GUI thread.
class ReplyEvent : public QEvent
{
public:
    static QEvent::Type kind()
    {
        static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    ReplyEvent(quint16 code, QString nick, QStringList items)
        : QEvent(kind()), code(code), nick(std::move(nick)), items(std::move(items))
    {
    }
    quint16 code;
    QString nick;
    QStringList items;
};

// The receiver on the GUI thread: takes each reply's items and counts what the runs wait for.
class Taker : public QObject
{
public:
    int online = 0;
    int device = 0;
    int processes = 0;
    bool listDone = false;
    std::vector<QString> nicks;
    QStringList taken;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != ReplyEvent::kind()) return QObject::event(e);
        auto* r = static_cast<ReplyEvent*>(e);
        taken = std::move(r->items);
        switch (r->code) {
        case 26:
            ++online;
            nicks.push_back(std::move(r->nick));
            break;
        case 102:
            ++device;
            break;
        case 112:
            processes += taken.size() == 2;
            break;
        case 113:
            listDone = true;
            break;
        }
        return true;
    }
};

// The wire library on a receive thread that posts every reply, items parsed, to the taker.
class PostingClient
{
public:
    explicit PostingClient(Taker* taker) : m_taker(taker) {}
    ~PostingClient()
    {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    bool connect(int port)
    {
        if (!m_client.connect(port)) return false;
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void send(const QString& nick, int code)
    {
        TarnSendMsg(m_client.h, nick.toUtf8().constData(), code, nullptr);
    }

private:
    void run()
    {
        BareClient& c = m_client;
        while (!m_stop) {
            const int r = TarnRecvMsg(c.h, c.target.data(), static_cast<unsigned short>(c.target.size()),
                                      &c.code, c.text.data(), static_cast<int>(c.text.size()), 100);
            if (r == 0) continue;
            if (r < 0) return;
            const QString text = r != TARN_NO_TEXT ? QString::fromUtf8(c.text.data(), r) : QString();
            const ZRTextItems parsed(text);
            QStringList items;
            items.reserve(parsed.count());
            for (int i = 0; i < parsed.count(); ++i)
                items << parsed.item(i);
            QCoreApplication::postEvent(
                m_taker, new ReplyEvent(c.code, QString::fromUtf8(c.target.data()), std::move(items)));
        }
    }

    Taker* m_taker;
    BareClient m_client;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

Run bareDispatch(int port, int entries)
{
    Taker taker;
    PostingClient client(&taker);
    if (!client.connect(port) || !spin([&] { return taker.online == 1; })) return {};
    const double cpu = cpuSeconds();
    const auto start = Clock::now();
    client.send(QString::fromLatin1(StreamingPeer::kNick), 111);
    if (!spin([&] { return taker.listDone; })) return {};
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    return taker.processes == entries ? Run{s, cpuSeconds() - cpu} : Run{};
}

// For scale only: the wire library's receive loop alone, with nothing handed on.
Run loopDispatch(int port, int entries)
{
    BareClient b;
    if (!b.connect(port)) return {};
    while (b.next() > 0 && b.code != 26) {
    }
    const double cpu = cpuSeconds();
    const auto start = Clock::now();
    TarnSendMsg(b.h, StreamingPeer::kNick, 111, nullptr);
    int seen = 0;
    while (b.next() > 0) {
        benchmark::DoNotOptimize(b.text.data());
        if (b.code == 112) ++seen;
        if (b.code == 113) break;
    }
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    return seen == entries ? Run{s, cpuSeconds() - cpu} : Run{};
}

Run loopFleet(int port, int agents)
{
    const double cpu = cpuSeconds();
    const auto start = Clock::now();
    BareClient b;
    if (!b.connect(port)) return {};
    std::vector<std::string> nicks;
    while ((int)nicks.size() < agents && b.next() > 0)
        if (b.code == 26) nicks.emplace_back(b.target.data());
    for (const auto& n : nicks)
        TarnSendMsg(b.h, n.c_str(), 101, nullptr);
    int answered = 0;
    while (answered < agents && b.next() > 0)
        answered += b.code == 102;
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    return answered == agents ? Run{s, cpuSeconds() - cpu} : Run{};
}

Run coreDispatch(int port, int entries)
{
    Counter counter;
    CZRControl control;
    control.SetMainHWND(&counter);
    control.AddGateway(QStringLiteral("bench"), QStringLiteral("127.0.0.1"), QString::number(port));
    control.Connect2Gateway(QStringLiteral("bench"));
    if (!spin([&] { return counter.online == 1; })) return {};
    const double cpu = cpuSeconds();
    const auto start = Clock::now();
    control.SendRequest(4, QString(), QStringLiteral("bench|10.9.0.1"));
    if (!spin([&] { return counter.listDone; })) return {};
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    return counter.processes == entries ? Run{s, cpuSeconds() - cpu} : Run{};
}

Run bareFleet(int port, int agents)
{
    const double cpu = cpuSeconds();
    const auto start = Clock::now();
    Taker taker;
    PostingClient client(&taker);
    if (!client.connect(port) || !spin([&] { return taker.online == agents; })) return {};
    for (const QString& nick : taker.nicks)
        client.send(nick, 101);
    if (!spin([&] { return taker.device == agents; })) return {};
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    return {s, cpuSeconds() - cpu};
}

Run coreFleet(int port, int agents, long* rss)
{
    const double cpu = cpuSeconds();
    const auto start = Clock::now();
    Counter counter;
    auto control = std::make_unique<CZRControl>();
    control->SetMainHWND(&counter);
    control->AddGateway(QStringLiteral("fleet"), QStringLiteral("127.0.0.1"), QString::number(port));
    control->Connect2Gateway(QStringLiteral("fleet"));
    if (!spin([&] { return counter.online == agents; })) return {};
    CZRGateway& gw = control->GetGateway(QStringLiteral("fleet"));
    for (const auto& a : gw.GetAgentList())
        control->SendRequest(1, QString(), QStringLiteral("fleet|") + a->GetIPAddr());
    if (!spin([&] { return counter.device == agents; })) return {};
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    const double used = cpuSeconds() - cpu;
    if (rss) *rss = rssKiB();
    return {s, used};
}

bool complete(const std::vector<Run>& runs)
{
    for (const Run& r : runs)
        if (r.wall < 0) return false;
    return !runs.empty();
}

double medianWall(const std::vector<Run>& runs)
{
    std::vector<double> v;
    for (const Run& r : runs)
        v.push_back(r.wall);
    return median(v);
}

double medianCpu(const std::vector<Run>& runs)
{
    std::vector<double> v;
    for (const Run& r : runs)
        v.push_back(r.cpu);
    return median(v);
}

// Prints medians; returns whether the wall-clock ratio is within the budget. The receive loop alone
// is shown for scale and judged by nothing.
bool report(const char* what, const std::vector<Run>& core, const std::vector<Run>& base,
            const std::vector<Run>& loop, double budget)
{
    const double ratio = medianWall(core) / medianWall(base);
    std::printf(
        "%-32s core %7.3f s  baseline %7.3f s  ratio %5.2f (budget <= %.1f)%s;  cpu %6.3f s / %6.3f s = "
        "%.2f\n",
        what, medianWall(core), medianWall(base), ratio, budget, ratio <= budget ? "" : " OVER",
        medianCpu(core), medianCpu(base), medianCpu(core) / medianCpu(base));
    std::printf("%-32s receive loop alone %7.3f s (cpu %6.3f s)\n", "", medianWall(loop), medianCpu(loop));
    return ratio <= budget;
}

} // namespace

int main(int argc, char** argv)
{
    const char* only = std::getenv("TARN_BENCH_ONLY");
    // Forked before Qt starts any thread.
    std::unique_ptr<StreamingChild> streamer;
    if (!only || std::strcmp(only, "dispatch") == 0) streamer = std::make_unique<StreamingChild>(200000);
    QCoreApplication app(argc, argv);
    int reps = 5;
    if (const char* r = std::getenv("TARN_BENCH_REPS")) reps = std::max(1, std::atoi(r));
    int status = 0;

    if (streamer) {
        std::vector<Run> core, bare, loop;
        for (int i = 0; i < reps; ++i) {
            loop.push_back(loopDispatch(streamer->port(), 200000));
            bare.push_back(bareDispatch(streamer->port(), 200000));
            core.push_back(coreDispatch(streamer->port(), 200000));
        }
        if (!complete(core) || !complete(bare) || !complete(loop)) {
            std::printf("dispatch: a run did not complete\n");
            status = 1;
        } else if (!report("dispatch, 200,000 entries (112)", core, bare, loop, 2.0)) {
            status = 1;
        }
    }

    if (!only || std::strcmp(only, "fleet") == 0) {
        constexpr int kAgents = 10000;
        GatewayChild gateway({"--agents", std::to_string(kAgents)});
        if (gateway.port() <= 0) {
            std::printf("fleet: tarn-gateway did not start (TARN_BIN_DIR?)\n");
            return 1;
        }
        const long before = rssKiB();
        long rss = 0;
        std::vector<Run> core, bare, loop;
        for (int i = 0; i < reps; ++i) {
            loop.push_back(loopFleet(gateway.port(), kAgents));
            bare.push_back(bareFleet(gateway.port(), kAgents));
            core.push_back(coreFleet(gateway.port(), kAgents, &rss));
        }
        if (!complete(core) || !complete(bare) || !complete(loop)) {
            std::printf("fleet: a run did not complete\n");
            status = 1;
        } else if (!report("fleet, 10,000 agents (26 + 1)", core, bare, loop, 2.0)) {
            status = 1;
        }
        std::printf("%-32s %ld MiB with 10,000 agents (process before connecting: %ld MiB)\n", "console RSS",
                    rss / 1024, before / 1024);
    }
    return status;
}
