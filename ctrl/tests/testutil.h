// Shared pieces of the control core tests: the Qt application, a notification recorder, waits
// with deadlines, and a scripted gateway on a loopback port.
#pragma once

#include "notify.h"
#include "wire.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>

#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

inline QCoreApplication& testApp()
{
    static int argc = 1;
    static char name[] = "ctrl_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    return *QCoreApplication::instance();
}

// First base of every fixture, so the application exists before any QObject member.
struct WithApp
{
    WithApp() { testApp(); }
};

// Runs the event loop until the condition holds or the deadline passes.
inline bool waitUntil(const std::function<bool()>& condition, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!condition()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct Recorded
{
    int id = 0;
    QString key;
    qint64 value = 0;
    CZRNotify::Payload payload;
    bool hasPayload() const { return !std::holds_alternative<std::monostate>(payload); }
};

class Recorder : public QObject
{
public:
    std::vector<Recorded> seen;

    int count(int id) const
    {
        int n = 0;
        for (const Recorded& r : seen)
            n += r.id == id;
        return n;
    }
    const Recorded* last(int id) const
    {
        for (auto it = seen.rbegin(); it != seen.rend(); ++it)
            if (it->id == id) return &*it;
        return nullptr;
    }
    std::vector<Recorded> all(int id) const
    {
        std::vector<Recorded> out;
        for (const Recorded& r : seen)
            if (r.id == id) out.push_back(r);
        return out;
    }
    void clear() { seen.clear(); }

protected:
    bool event(QEvent* e) override
    {
        const int id = int(e->type());
        if (id >= 1525 && id <= 1635) {
            auto* n = static_cast<CZRNotify*>(e);
            seen.push_back({id, n->key(), n->value(), n->payload()});
            return true;
        }
        return QObject::event(e);
    }
};

// A gateway played by the test: accepts one console, records its frames, sends what it is told.
class ScriptedPeer
{
public:
    struct Frame
    {
        std::uint16_t code;
        std::string payload;
    };

    ScriptedPeer()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listen, 4);
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~ScriptedPeer()
    {
        m_quit = true;
        ::shutdown(m_listen, SHUT_RDWR);
        closeConsole();
        m_thread.join();
        ::close(m_listen);
    }

    int port() const { return m_port; }
    QString portText() const { return QString::number(m_port); }

    void send(std::string_view target, std::uint16_t code, std::string_view args)
    {
        sendRaw(tarnwire::makeFrame(target, code, args));
    }
    void sendRaw(const std::string& bytes)
    {
        std::lock_guard<std::mutex> g(m_sendLock);
        std::size_t off = 0;
        while (off < bytes.size()) {
            const ssize_t n = ::send(m_console, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
            if (n <= 0) return;
            off += std::size_t(n);
        }
    }
    // Closes the console's connection as a dying gateway would.
    void closeConsole()
    {
        const int fd = m_console.exchange(-1);
        if (fd >= 0) {
            ::shutdown(fd, SHUT_RDWR);
            ::close(fd);
        }
    }
    bool waitConnected(int ms = 5000)
    {
        return waitUntil([this] { return m_console.load() >= 0; }, ms);
    }
    // Waits (running the Qt loop) for the n-th frame with this code.
    bool waitFrame(std::uint16_t code, int n = 1, int ms = 5000)
    {
        return waitUntil([&] { return countFrames(code) >= n; }, ms);
    }
    int countFrames(std::uint16_t code)
    {
        std::lock_guard<std::mutex> g(m_lock);
        int k = 0;
        for (const Frame& f : m_frames)
            k += f.code == code;
        return k;
    }
    std::vector<Frame> frames()
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_frames;
    }
    // Called on the peer's thread for every frame the console sends.
    std::function<void(ScriptedPeer&, const Frame&)> onFrame;

private:
    void run()
    {
        int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0) return;
        m_console = fd;
        std::vector<char> buf(tarnwire::kFrameBuffer);
        while (!m_quit) {
            std::uint16_t code = 0, length = 0;
            const int rc =
                tarnwire::readFrame(fd, buf.data(), buf.size() - tarnwire::kHeaderSize, &code, &length);
            if (rc != 0) break;
            Frame f{code, std::string(buf.data(), length)};
            {
                std::lock_guard<std::mutex> g(m_lock);
                m_frames.push_back(f);
            }
            if (code == tarnwire::kLogin) send("", tarnwire::kLoginAccepted, "");
            if (onFrame) onFrame(*this, f);
        }
    }

    int m_listen = -1;
    int m_port = 0;
    std::atomic<int> m_console{-1};
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
    std::mutex m_lock;
    std::mutex m_sendLock;
    std::vector<Frame> m_frames;
};
