// Pieces the end-to-end benchmarks share: medians, tarn-gateway as a child process, and (for the
// benchmarks of Qt code) the event loop run as an application runs it.
#pragma once

#ifdef QT_CORE_LIB
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#endif

#include "tarnutil.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// tarn-gateway from TARN_BIN_DIR on a free loopback port, ended with the object.
class GatewayChild
{
public:
    explicit GatewayChild(const std::vector<std::string>& extra)
    {
        const char* dir = std::getenv("TARN_BIN_DIR");
        std::string program = std::string(dir && *dir ? dir : "build/bin") + "/tarn-gateway";
        std::vector<std::string> args = {program, "--listen", "127.0.0.1:0"};
        args.insert(args.end(), extra.begin(), extra.end());
        int out[2];
        if (::pipe(out) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c;
        pollfd p{out[0], POLLIN, 0};
        while (::poll(&p, 1, 30000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        const auto colon = line.rfind(':');
        if (line.rfind("listening on ", 0) == 0 && colon != std::string::npos)
            m_port = std::atoi(line.c_str() + colon + 1);
    }
    ~GatewayChild()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    int port() const { return m_port; }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

// A console made of the wire library alone: the baseline of the control core's figures.
struct BareClient
{
    TarnHandle* h = nullptr;
    std::vector<char> target = std::vector<char>(10236), text = std::vector<char>(10236);
    unsigned short code = 0;
    bool connect(int port)
    {
        TarnInit(&h);
        return TarnConnect(h, "127.0.0.1", port) == 0 && TarnLogin(h) == 0;
    }
    // The next delivered message (its text length), or a failure.
    int next()
    {
        for (;;) {
            const int r = TarnRecvMsg(h, target.data(), static_cast<unsigned short>(target.size()), &code,
                                      text.data(), static_cast<int>(text.size()), 10000);
            if (r != 0) return r;
        }
    }
    ~BareClient() { TarnUninit(h); }
};

#ifdef QT_CORE_LIB
// Blocks until something arrives, as an application does: a busy loop would count its own polling
// against the code measured.
bool spin(const std::function<bool()>& done, int ms = 120000)
{
    QTimer tick;
    tick.start(100);
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The longest time between two ticks of a 10 ms timer, up to the moment asked.
class StallMeter
{
public:
    StallMeter()
    {
        m_clock.start();
        QObject::connect(&m_tick, &QTimer::timeout, [this] { mark(); });
        m_tick.start(10);
    }
    double longestMs()
    {
        mark();
        return double(m_longest) / 1e6;
    }

private:
    void mark()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }
    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
#endif

} // namespace
