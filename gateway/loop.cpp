#include "loop.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tarngw {

namespace {

// The self-pipe that wakes poll() when a signal asks the gateway to stop.
int g_wakeRead = -1;
int g_wakeWrite = -1;
volatile std::sig_atomic_t g_signalled = 0;

void onSignal(int)
{
    g_signalled = 1;
    if (g_wakeWrite >= 0) {
        char c = 1;
        [[maybe_unused]] ssize_t n = ::write(g_wakeWrite, &c, 1);
    }
}

} // namespace

EventLoop::EventLoop()
{
    if (g_wakeRead < 0) {
        int fds[2];
        if (::pipe(fds) == 0) {
            for (int fd : fds) {
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
                ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            }
            g_wakeRead = fds[0];
            g_wakeWrite = fds[1];
        }
    }
}

EventLoop::~EventLoop() = default;

void EventLoop::installSignalHandlers()
{
    struct sigaction sa
    {
    };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void EventLoop::watch(int fd, short events, Handler handler)
{
    watches_[fd] = Watch{events, ++serial_, std::move(handler)};
}

void EventLoop::setEvents(int fd, short events)
{
    auto it = watches_.find(fd);
    if (it != watches_.end()) it->second.events = events;
}

void EventLoop::unwatch(int fd)
{
    watches_.erase(fd);
}

std::uint64_t EventLoop::after(std::int64_t ms, std::function<void()> fn)
{
    std::uint64_t id = nextTimer_++;
    timers_.push({nowMs() + (ms < 0 ? 0 : ms), id});
    timerFns_.emplace(id, std::move(fn));
    return id;
}

void EventLoop::cancel(std::uint64_t id)
{
    timerFns_.erase(id);
}

std::int64_t EventLoop::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void EventLoop::fireTimers()
{
    std::int64_t now = nowMs();
    while (!timers_.empty() && timers_.top().due <= now) {
        Timer t = timers_.top();
        timers_.pop();
        auto it = timerFns_.find(t.id);
        if (it == timerFns_.end()) continue; // cancelled
        auto fn = std::move(it->second);
        timerFns_.erase(it);
        fn();
    }
}

void EventLoop::run()
{
    std::vector<pollfd> fds;
    std::vector<std::uint64_t> serials;
    while (!stop_ && !g_signalled) {
        fireTimers();
        if (stop_ || g_signalled) break;
        while (!timers_.empty() && !timerFns_.count(timers_.top().id))
            timers_.pop();
        int timeout = -1;
        if (!timers_.empty()) {
            std::int64_t wait = timers_.top().due - nowMs();
            timeout = wait < 0 ? 0 : wait > 1000 ? 1000 : static_cast<int>(wait);
        }
        fds.clear();
        serials.clear();
        if (g_wakeRead >= 0) {
            fds.push_back({g_wakeRead, POLLIN, 0});
            serials.push_back(0);
        }
        for (auto& [fd, w] : watches_) {
            fds.push_back({fd, w.events, 0});
            serials.push_back(w.serial);
        }
        int n = ::poll(fds.data(), fds.size(), timeout);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (std::size_t i = 0; i < fds.size() && n > 0; ++i) {
            if (!fds[i].revents) continue;
            --n;
            if (fds[i].fd == g_wakeRead && serials[i] == 0) {
                char buf[64];
                while (::read(g_wakeRead, buf, sizeof buf) > 0) {
                }
                continue;
            }
            // The handler may have gone, or the descriptor been reused, earlier in this round.
            auto it = watches_.find(fds[i].fd);
            if (it == watches_.end() || it->second.serial != serials[i]) continue;
            Handler h = it->second.handler;
            h(fds[i].revents);
        }
    }
}

} // namespace tarngw
