// The simulated fleet: one small record per agent; lists and texts are generated from the agent's
// seed when asked for, and only what an operator changed is stored.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarngw {

class Modem;

// Path conventions follow the console's operating-system type: 0 slashes, 1 and 2 backslashes,
// 2 with drive letters.
enum OsType : std::uint8_t { kOsUnix = 0, kOsCe = 1, kOsXpe = 2 };

// The console's rule: XPE in the OS or model text (any case) is 2; WINDOWS in the OS text or CE in
// the model text is 1; anything else 0.
int osTypeOf(std::string_view model, std::string_view osVersion);

struct Profile
{
    std::string model;
    std::string osVersion;
    std::string cpu;
    std::string firmware;
    std::string agentVersion; // with its build suffix
    std::string host;         // empty: the agent's name
    // Cellular models: the SIM's state at start ("ready", "pin", "puk", "absent", "blocked"), PIN, PUK.
    std::string sim = "ready";
    std::string pin = "1234";
    std::string puk = "12345678";
    std::uint32_t memoryKB = 0;
    std::uint32_t storageKB = 0;
    int osType = kOsUnix;
};

struct ProcessEntry
{
    std::uint32_t pid = 0;
    std::string name;
};

struct ServiceEntry
{
    std::string id;
    std::string text;
    int state = 0; // 1 started, 0 stopped
};

struct Interface
{
    std::string name;
    int mode = 0; // 0 DHCP, 1 fixed address
    std::string ip, mask, gateway, mac;
    std::vector<std::string> dns;
};

struct AutoLaunch
{
    std::string program;
    std::string arguments;
};

// What operators changed on an agent; absent until the first change so that 10,000 idle agents cost
// only their base record.
struct AgentChanges
{
    std::vector<std::uint32_t> killed;
    std::vector<ProcessEntry> started;
    std::uint64_t serviceFlips = 0; // bit i: service i runs opposite to its generated state
    std::optional<std::vector<Interface>> interfaces;
    std::optional<std::vector<AutoLaunch>> autoLaunch;
    std::optional<std::string> firmware;
    std::int64_t addedKB = 0; // storage taken by delivered files
    std::uint32_t nextPid = 0;
    std::shared_ptr<Modem> modem; // made on the first mobile request of a cellular agent
};

enum class AgentState : std::uint8_t {
    Online,
    Upgrading, // firmware delivered, flashing: answers only the keep-alive polls
    Offline,   // rebooting
};

struct Agent
{
    std::string nick;      // "IP:name", at most 31 characters
    std::uint32_t address; // host order
    std::uint32_t seed;
    std::uint32_t profile;      // index into Fleet::profiles()
    std::uint32_t number;       // position in the fleet, from 0
    std::int32_t sysOffset = 0; // seconds from the host clock
    std::int32_t rtcOffset = 0;
    std::uint32_t generation = 0; // bumped on every reboot so stale timers can tell
    AgentState state = AgentState::Online;
    bool silent = false;
    bool treeReady = false;
    std::unique_ptr<AgentChanges> changes;

    std::string_view addressText() const { return std::string_view(nick).substr(0, nick.find(':')); }
    std::string_view name() const { return std::string_view(nick).substr(nick.find(':') + 1); }
    AgentChanges& change();
};

std::string formatAddress(std::uint32_t address);
bool parseAddress(std::string_view text, std::uint32_t* address);

class Fleet
{
public:
    // N distinct agents cycling through the model catalogue, so that every operating-system type
    // appears in any fleet of three or more.
    void generate(int count, std::uint32_t seed);
    // One agent per line: ADDRESS NAME [key=value...]; see the README. False with a message on error.
    bool load(const std::string& path, std::uint32_t seed, std::string* error);

    Agent* find(std::string_view nickOrAddress);
    std::vector<Agent>& agents() { return agents_; }
    const Profile& profile(const Agent& agent) const { return profiles_[agent.profile]; }
    int osType(const Agent& agent) const { return profiles_[agent.profile].osType; }

    // Reply texts, as the console reads them item by item.
    std::string deviceInfo(const Agent& agent) const;
    std::string firmware(const Agent& agent) const;
    std::string hostName(const Agent& agent) const;
    std::uint32_t memoryFreeKB(const Agent& agent, std::int64_t nowSeconds) const;
    std::uint32_t storageFreeKB(const Agent& agent) const;
    std::vector<ProcessEntry> processes(const Agent& agent) const;
    std::vector<ServiceEntry> services(const Agent& agent) const;
    std::vector<Interface> interfaces(const Agent& agent) const;
    std::vector<AutoLaunch> autoLaunch(const Agent& agent) const;

    // Set by --silent before the agents exist; applied by generate and load.
    std::vector<std::uint32_t> silentAddresses;

private:
    bool add(Agent agent, std::string* error);
    std::vector<Profile> profiles_;
    std::vector<Agent> agents_;
    std::unordered_map<std::uint32_t, std::uint32_t> byAddress_;
};

// The firmware version an agent reports after flashing an image: "VERSION=x" in the image's first
// bytes wins, otherwise the last number of the old version goes up by one.
std::string nextFirmware(std::string_view current, std::string_view imageHead);

std::uint32_t mix(std::uint32_t a, std::uint32_t b);

} // namespace tarngw
