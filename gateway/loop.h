// One thread, one poll(): sockets are non-blocking and every wait is a timer on this loop.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <map>
#include <queue>
#include <unordered_map>
#include <vector>

namespace tarngw {

class EventLoop
{
public:
    using Handler = std::function<void(short revents)>;

    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    void watch(int fd, short events, Handler handler);
    void setEvents(int fd, short events);
    void unwatch(int fd);

    // Timers with equal due times fire in the order they were set.
    std::uint64_t after(std::int64_t ms, std::function<void()> fn);
    void cancel(std::uint64_t id);

    static std::int64_t nowMs();

    // Runs until stop() or a SIGINT/SIGTERM caught by installSignalHandlers().
    void run();
    void stop() { stop_ = true; }
    static void installSignalHandlers();

private:
    struct Watch
    {
        short events;
        std::uint64_t serial;
        Handler handler;
    };
    struct Timer
    {
        std::int64_t due;
        std::uint64_t id;
    };
    struct Later
    {
        bool operator()(const Timer& a, const Timer& b) const
        {
            return a.due != b.due ? a.due > b.due : a.id > b.id;
        }
    };
    void fireTimers();

    std::map<int, Watch> watches_;
    std::uint64_t serial_ = 0;
    std::priority_queue<Timer, std::vector<Timer>, Later> timers_;
    std::unordered_map<std::uint64_t, std::function<void()>> timerFns_;
    std::uint64_t nextTimer_ = 1;
    bool stop_ = false;
};

} // namespace tarngw
