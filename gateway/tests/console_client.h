// A console's end of the wire for end-to-end tests: TarnUtil with the console's own buffer sizes
// (32-byte target, 1023-byte text), so a reply that would not fit the console fails here too.
#pragma once

#include "tarnutil.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tarntest {

struct Message
{
    unsigned short code = 0;
    std::string target;
    std::string text;
};

// Items the way the console reads replies: blanks between items, a quoted item runs to the next
// quote, any other item to the next blank or quote.
inline std::vector<std::string> items(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i >= text.size()) return out;
        if (text[i] == '"') {
            std::size_t close = text.find('"', i + 1);
            if (close == std::string::npos) {
                out.push_back(text.substr(i + 1));
                return out;
            }
            out.push_back(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            std::size_t end = text.find_first_of(" \"", i);
            if (end == std::string::npos) end = text.size();
            out.push_back(text.substr(i, end - i));
            i = end;
        }
    }
}

class Console
{
public:
    Console() { TarnInit(&handle_); }
    ~Console() { TarnUninit(handle_); }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    bool connect(int port, bool login = true)
    {
        if (TarnConnect(handle_, "127.0.0.1", port) != 0) return false;
        return !login || TarnLogin(handle_) == 0;
    }
    TarnHandle* handle() { return handle_; }

    int send(const std::string& target, unsigned short code, const std::string& args = std::string())
    {
        return TarnSendMsg(handle_, target.c_str(), code, args.empty() ? nullptr : args.c_str());
    }

    // Next delivered message within the time; false on time-out or a failed read (see error()).
    bool next(Message* m, int timeoutMs)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (error_ >= 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            char target[32];
            char text[1023];
            unsigned short code = 0;
            int r = TarnRecvMsg(handle_, target, sizeof target, &code, text, sizeof text,
                                static_cast<int>(left.count() < 200 ? left.count() : 200));
            if (r < 0) {
                error_ = r;
                return false;
            }
            if (r == 0) continue;
            m->code = code;
            m->target = target;
            m->text = r == TARN_NO_TEXT ? std::string() : std::string(text, static_cast<std::size_t>(r));
            return true;
        }
        return false;
    }

    // Reads until a message satisfies the test; every message read, the match last, goes to *seen.
    bool waitFor(const std::function<bool(const Message&)>& test, int timeoutMs,
                 std::vector<Message>* seen = nullptr, Message* match = nullptr)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        Message m;
        while (true) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !next(&m, static_cast<int>(left.count()))) return false;
            if (seen) seen->push_back(m);
            if (test(m)) {
                if (match) *match = m;
                return true;
            }
        }
    }

    bool waitForCode(unsigned short code, int timeoutMs, Message* match = nullptr,
                     std::vector<Message>* seen = nullptr)
    {
        return waitFor([code](const Message& m) { return m.code == code; }, timeoutMs, seen, match);
    }

    // Login accepted and the announcements that follow it, up to the count expected.
    bool login(std::vector<std::string>* nicks, std::size_t expected, int timeoutMs = 10000)
    {
        if (!waitForCode(24, timeoutMs)) return false;
        Message m;
        while (nicks->size() < expected && next(&m, timeoutMs))
            if (m.code == 26) nicks->push_back(m.target);
        return nicks->size() == expected;
    }

    int error() const { return error_; }

private:
    TarnHandle* handle_ = nullptr;
    int error_ = 0;
};

} // namespace tarntest
