// The gateway proper: consoles' connections and sessions, the relay of requests to the simulated
// agents and of their replies back, and the announcements every logged-in console sees.
#pragma once

#include "drills.h"
#include "files.h"
#include "fleet.h"
#include "loop.h"
#include "options.h"
#include "transfers.h"
#include "wire.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarngw {

struct Session
{
    std::uint64_t id = 0;
    int fd = -1;
    std::string peer;
    tarnwire::FrameAssembler in;
    std::string out;
    std::size_t outOffset = 0;
    bool loggedIn = false;
    bool closed = false;
    long framesIn = 0;
    int unserved = 0;
    // 134 entries of a new auto-launch list, per agent number, until 135 ends the list.
    std::unordered_map<std::uint32_t, std::vector<AutoLaunch>> pendingAutoLaunch;
};

// How a frame to a console travels: agent replies and reports see the latency drill, only replies
// to agent requests may be dropped, the file leg between console and gateway is never delayed.
enum class Kind { Control, Chunk, Reply, Report, Announcement };

class Gateway
{
public:
    Gateway(Options options, Fleet& fleet, std::filesystem::path root);
    ~Gateway();

    bool listen(std::string* error);
    int port() const { return port_; }
    void run();

    EventLoop& loop() { return loop_; }
    Fleet& fleet() { return fleet_; }
    AgentFiles& files() { return files_; }
    const Options& options() const { return options_; }
    Session* session(std::uint64_t id);

    void send(std::uint64_t session, std::string_view target, std::uint16_t code, std::string_view text,
              Kind kind);
    void sendFrame(Session& session, std::string frame, Kind kind); // prebuilt, also malformed ones
    // 999 with "<code> \"<text>\"".
    void fail(std::uint64_t session, std::string_view target, std::uint16_t code, std::string_view text);
    // 26 or 172 to every logged-in console.
    void announce(std::uint16_t code, const Agent& agent);

    // The agent goes off line now and comes back as a fresh record after the reboot delay.
    void reboot(Agent& agent);
    // Firmware has been delivered: the agent flashes, then reboots into the new version.
    void upgrade(Agent& agent, std::string newFirmware);

private:
    void accept();
    void onEvents(std::uint64_t id, short revents);
    void readFrom(Session& s);
    void flush(Session& s);
    void handleFrame(Session& s, tarnwire::FrameAssembler::Frame& frame);
    void login(Session& s, const std::string& payload);
    void close(Session& s, const char* why);
    void queue(Session& s, std::string frame);
    void logFrame(const Session& s, const char* direction, std::uint16_t code,
                  std::string_view payload) const;

    // Agent requests of the catalogue (requests.cpp).
    void serveRequest(Session& s, std::string_view target, std::uint16_t code, std::string_view args);
    void serveProcesses(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                        std::string_view args);
    void serveServices(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                       std::string_view args);
    void serveNetwork(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                      std::string_view args);
    void serveClock(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                    std::string_view args);
    void serveFiles(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                    std::string_view args);
    void serveModem(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                    std::string_view args);

    Options options_;
    Fleet& fleet_;
    AgentFiles files_;
    EventLoop loop_;
    Drills drills_;
    Transfers transfers_;
    int listenFd_ = -1;
    int port_ = 0;
    std::uint64_t nextSession_ = 1;
    std::map<std::uint64_t, std::unique_ptr<Session>> sessions_;
    std::int64_t startedMs_ = 0;
};

// Items of a text the way the console reads them: blanks between items, quoted items run to the
// next quote. False when a quote is never closed.
bool splitItems(std::string_view text, std::vector<std::string>* items);
std::string inQuotes(std::string_view text);

} // namespace tarngw
