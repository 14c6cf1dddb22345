// The simulated agents' answers to the request catalogue.
#include "gateway.h"
#include "modem.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace tarngw {

namespace {

namespace wire = tarnwire;

bool iequal(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::int64_t hostSeconds()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

// "YYYY-MM-DD HH:MM:SS" as two items, the date and the time.
std::string clockText(std::int64_t seconds)
{
    auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

bool parseClock(std::string_view text, std::int64_t* seconds)
{
    int y, mo, d, h, mi, s;
    char tail;
    std::string copy(text);
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return false;
    if (y < 1970 || y > 2099 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 ||
        h < 0 || mi < 0 || s < 0)
        return false;
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    std::time_t t = timegm(&tm);
    std::tm back{};
    gmtime_r(&t, &back);
    if (back.tm_mday != d) // 2026-02-30 and the like
        return false;
    *seconds = t;
    return true;
}

bool validMask(std::uint32_t mask)
{
    return mask != 0 && (~mask & (~mask + 1)) == 0;
}

bool isProtectedProcess(std::string_view name)
{
    static const char* names[] = {"init",          "kthreadd",   "System Idle Process", "System",
                                  "NK.EXE",        "smss.exe",   "csrss.exe",           "tarn-agent",
                                  "TarnAgent.exe", "filesys.exe"};
    for (const char* n : names)
        if (iequal(name, n)) return true;
    return false;
}

bool isAgentService(std::string_view id)
{
    return id == "tarn-agent" || id == "TarnAgent" || id == "TRN0:";
}

} // namespace

void Gateway::serveRequest(Session& s, std::string_view target, std::uint16_t code, std::string_view args)
{
    Agent* agent = fleet_.find(target);
    if (!agent) {
        fail(s.id, target, code, "The device is not registered with this gateway.");
        return;
    }
    if (agent->silent) {
        if (options_.verbose)
            std::fprintf(stderr, "[gw] #%llu %.*s is silent; %u not answered\n",
                         static_cast<unsigned long long>(s.id), static_cast<int>(target.size()),
                         target.data(), code);
        return;
    }
    if (agent->state == AgentState::Offline) {
        fail(s.id, target, code, "The device is not on line.");
        return;
    }
    if (agent->state == AgentState::Upgrading && code != 103 && code != 105) {
        fail(s.id, target, code, "The device is being upgraded.");
        return;
    }
    if (std::find(options_.failCodes.begin(), options_.failCodes.end(), code) != options_.failCodes.end()) {
        fail(s.id, target, code, "The device refused the request.");
        return;
    }
    const Profile& profile = fleet_.profile(*agent);
    switch (code) {
    case 101: {
        std::string info = fleet_.deviceInfo(*agent);
        if (drills_.unclosedQuote()) info.pop_back(); // the host name's closing quote never comes
        send(s.id, target, 102, info, Kind::Reply);
        break;
    }
    case 103:
        send(s.id, target, 104,
             std::to_string(fleet_.memoryFreeKB(*agent, hostSeconds())) + " " +
                 std::to_string(profile.memoryKB),
             Kind::Reply);
        break;
    case 105:
        send(s.id, target, 106,
             std::to_string(fleet_.storageFreeKB(*agent)) + " " + std::to_string(profile.storageKB),
             Kind::Reply);
        break;
    case 111:
    case 115:
        serveProcesses(s, target, *agent, code, args);
        break;
    case 141:
    case 145:
    case 147:
        serveServices(s, target, *agent, code, args);
        break;
    case 121:
    case 125:
    case 127:
    case 129:
        serveNetwork(s, target, *agent, code, args);
        break;
    case 131: {
        auto list = fleet_.autoLaunch(*agent);
        for (const auto& e : list)
            send(s.id, target, 132, inQuotes(e.program) + " " + inQuotes(e.arguments), Kind::Reply);
        send(s.id, target, 133, std::to_string(list.size()), Kind::Reply);
        break;
    }
    case 134: {
        // One entry of the new list; the list takes effect with 135.
        std::vector<std::string> items;
        auto& pending = s.pendingAutoLaunch[agent->number];
        if (!splitItems(args, &items) || items.empty() || items.size() > 2 || pending.size() >= 256) {
            fail(s.id, target, code, "The parameter is incorrect.");
            break;
        }
        // The entry must fit the console's 1023-byte text buffer when 132 carries it back.
        std::string back = inQuotes(items[0]) + " " + inQuotes(items.size() > 1 ? items[1] : std::string());
        if (back.size() > 1022) {
            fail(s.id, target, code, "The parameter is incorrect.");
            return;
        }
        pending.push_back({items[0], items.size() > 1 ? items[1] : std::string()});
        break;
    }
    case 135: {
        auto it = s.pendingAutoLaunch.find(agent->number);
        std::vector<AutoLaunch> list;
        if (it != s.pendingAutoLaunch.end()) {
            list = std::move(it->second);
            s.pendingAutoLaunch.erase(it);
        }
        agent->change().autoLaunch = std::move(list);
        send(s.id, target, 136, std::to_string(agent->changes->autoLaunch->size()), Kind::Reply);
        break;
    }
    case 161:
    case 163:
    case 165:
    case 167:
        serveClock(s, target, *agent, code, args);
        break;
    case 171:
        // The requester hears of it like every other console.
        reboot(*agent);
        break;
    case 137: {
        std::int64_t up = (EventLoop::nowMs() - startedMs_) / 1000;
        send(s.id, target, 138, "\"Online\" " + std::to_string(up), Kind::Reply);
        break;
    }
    case 211:
    case 215:
    case 217:
    case 219:
    case 221:
    case 223:
    case 225:
        serveFiles(s, target, *agent, code, args);
        break;
    default:
        if (Modem::IsModemRequest(code)) {
            serveModem(s, target, *agent, code, args);
            break;
        }
        fail(s.id, target, code, "The request is not supported by the device.");
        break;
    }
}

void Gateway::serveModem(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                         std::string_view args)
{
    const Profile& profile = fleet_.profile(agent);
    if (!Modem::IsCellular(profile.model)) {
        fail(s.id, target, code, "The device has no cellular modem.");
        return;
    }
    AgentChanges& changes = agent.change();
    if (!changes.modem) {
        ModemConfig config;
        config.model = profile.model;
        config.agentVersion = profile.agentVersion;
        Modem::ParseSimState(profile.sim, &config.sim);
        config.pin = profile.pin;
        config.puk = profile.puk;
        config.seed = agent.seed;
        changes.modem = std::make_shared<Modem>(std::move(config));
    }
    const int osType = profile.osType;
    ModemFiles files;
    files.write = [&](std::string_view path, const std::string& data, std::string* error) {
        std::filesystem::path host;
        bool drives = false;
        if (!files_.ensureTree(agent, osType, error) ||
            !files_.resolve(agent, osType, path, &host, &drives, error))
            return false;
        std::FILE* f = drives ? nullptr : std::fopen(host.c_str(), "wb");
        if (!f) {
            *error = text::kPathNotFound;
            return false;
        }
        const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
        return std::fclose(f) == 0 && ok;
    };
    files.read = [&](std::string_view path, std::string* data, std::string* error) {
        std::filesystem::path host;
        bool drives = false;
        if (!files_.ensureTree(agent, osType, error) ||
            !files_.resolve(agent, osType, path, &host, &drives, error))
            return false;
        std::error_code ec;
        if (drives || !std::filesystem::is_regular_file(host, ec) ||
            std::filesystem::file_size(host, ec) > (1u << 20)) {
            *error = text::kFileNotFound;
            return false;
        }
        std::FILE* f = std::fopen(host.c_str(), "rb");
        if (!f) {
            *error = text::kFileNotFound;
            return false;
        }
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            data->append(buffer, n);
        std::fclose(f);
        return true;
    };
    ModemDrills drills{options_.modemFail, options_.modemOversize};
    std::vector<ModemReply> replies = changes.modem->Handle(code, args, drills, files);
    if (options_.modemDelayMs <= 0) {
        for (const auto& r : replies)
            send(s.id, target, r.code, r.text, Kind::Reply);
        return;
    }
    loop_.after(options_.modemDelayMs,
                [this, id = s.id, to = std::string(target), replies = std::move(replies)] {
                    for (const auto& r : replies)
                        send(id, to, r.code, r.text, Kind::Reply);
                });
}

void Gateway::serveProcesses(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                             std::string_view args)
{
    auto list = fleet_.processes(agent);
    if (code == 111) {
        for (const auto& p : list)
            send(s.id, target, 112, std::to_string(p.pid) + " " + inQuotes(p.name), Kind::Reply);
        send(s.id, target, 113, std::to_string(list.size()), Kind::Reply);
        return;
    }
    // 115: "<pid> <name>", the name may hold blanks.
    std::string_view pidText = args.substr(0, args.find(' '));
    std::string_view name;
    if (args.find(' ') != std::string_view::npos) name = args.substr(args.find(' ') + 1);
    if (!name.empty() && name.front() == '"' && name.size() >= 2 && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    std::uint64_t pid = 0;
    std::string pidCopy(pidText);
    auto it = list.end();
    if (wire::parseU64(pidCopy.c_str(), &pid))
        it = std::find_if(list.begin(), list.end(), [&](const ProcessEntry& p) {
            return p.pid == pid && (name.empty() || iequal(p.name, name));
        });
    if (it == list.end()) {
        fail(s.id, target, code, "The process does not exist.");
        return;
    }
    if (isProtectedProcess(it->name)) {
        fail(s.id, target, code, "Access is denied.");
        return;
    }
    agent.change().killed.push_back(it->pid);
    std::erase_if(agent.changes->started, [&](const ProcessEntry& p) { return p.pid == it->pid; });
    send(s.id, target, 116, std::to_string(it->pid) + " " + inQuotes(it->name), Kind::Reply);
}

void Gateway::serveServices(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                            std::string_view args)
{
    auto list = fleet_.services(agent);
    if (code == 141) {
        for (const auto& e : list)
            send(s.id, target, 142, inQuotes(e.id) + " " + inQuotes(e.text) + " " + std::to_string(e.state),
                 Kind::Reply);
        send(s.id, target, 143, std::to_string(list.size()), Kind::Reply);
        return;
    }
    std::vector<std::string> items;
    std::string id = splitItems(args, &items) && !items.empty() ? items[0] : std::string(args);
    bool windows = fleet_.osType(agent) != kOsUnix;
    std::size_t index = 0;
    while (index < list.size() && !(windows ? iequal(list[index].id, id) : list[index].id == id))
        ++index;
    if (index == list.size()) {
        fail(s.id, target, code, "The specified service does not exist as an installed service.");
        return;
    }
    bool start = code == 145;
    if (start && list[index].state == 1) {
        fail(s.id, target, code, "An instance of the service is already running.");
        return;
    }
    if (!start && list[index].state != 1) {
        fail(s.id, target, code, "The service has not been started.");
        return;
    }
    if (!start && isAgentService(list[index].id)) {
        fail(s.id, target, code, "Access is denied."); // the agent would cut itself off
        return;
    }
    agent.change().serviceFlips ^= std::uint64_t{1} << index;
    send(s.id, target, start ? 146 : 148, inQuotes(list[index].id) + (start ? " 1" : " 0"), Kind::Reply);
}

void Gateway::serveNetwork(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                           std::string_view args)
{
    auto list = fleet_.interfaces(agent);
    bool windows = fleet_.osType(agent) != kOsUnix;
    auto findInterface = [&](const std::string& name) -> Interface* {
        if (name.empty() && fleet_.osType(agent) == kOsUnix)
            return &list[0]; // one resolver list for the whole device
        for (auto& i : list)
            if (windows ? iequal(i.name, name) : i.name == name) return &i;
        return nullptr;
    };
    auto joinDns = [](const std::vector<std::string>& dns) {
        std::string text;
        for (const auto& d : dns)
            text += (text.empty() ? "" : " ") + d;
        return text;
    };
    std::vector<std::string> items;
    if (code == 121) {
        for (const auto& i : list)
            send(s.id, target, 122,
                 inQuotes(i.name) + " " + std::to_string(i.mode) + " " + inQuotes(i.ip) + " " +
                     inQuotes(i.mask) + " " + inQuotes(i.gateway) + " " + inQuotes(i.mac),
                 Kind::Reply);
        send(s.id, target, 123, std::to_string(list.size()), Kind::Reply);
        return;
    }
    if (!splitItems(args, &items)) {
        fail(s.id, target, code, "The parameter is incorrect.");
        return;
    }
    Interface* i = findInterface(items.empty() ? std::string() : items[0]);
    if (!i) {
        fail(s.id, target, code, "The network interface does not exist.");
        return;
    }
    if (code == 125) {
        send(s.id, target, 126, inQuotes(i->name) + " " + inQuotes(joinDns(i->dns)), Kind::Reply);
        return;
    }
    if (code == 129) {
        // name "primary secondary"
        std::vector<std::string> servers;
        if (items.size() > 1) splitItems(items[1], &servers);
        for (const auto& d : servers) {
            std::uint32_t a;
            if (!parseAddress(d, &a)) {
                fail(s.id, target, code, "Invalid DNS server address.");
                return;
            }
        }
        if (servers.size() > 4) {
            fail(s.id, target, code, "The parameter is incorrect.");
            return;
        }
        i->dns = servers;
        agent.change().interfaces = list;
        send(s.id, target, 130, inQuotes(i->name), Kind::Reply);
        return;
    }
    // 127: name mode ip mask gateway
    if (items.size() < 5 || (items[1] != "0" && items[1] != "1")) {
        fail(s.id, target, code, "The parameter is incorrect.");
        return;
    }
    int mode = items[1] == "1";
    std::uint32_t ip = 0, mask = 0, gw = 0;
    bool ipOk = parseAddress(items[2], &ip), maskOk = parseAddress(items[3], &mask) && validMask(mask);
    bool gwOk = items[4].empty() || parseAddress(items[4], &gw);
    if (mode == 1 && (!ipOk || ip == 0)) {
        fail(s.id, target, code, "Invalid IP address.");
        return;
    }
    if (mode == 1 && !maskOk) {
        fail(s.id, target, code, "Invalid submask.");
        return;
    }
    if (mode == 1 && !gwOk) {
        fail(s.id, target, code, "Invalid default gateway.");
        return;
    }
    Interface before = *i;
    i->mode = mode;
    if (mode == 1) {
        i->ip = items[2];
        i->mask = items[3];
        i->gateway = items[4];
    }
    bool changed = before.mode != i->mode || before.ip != i->ip || before.mask != i->mask ||
                   before.gateway != i->gateway;
    agent.change().interfaces = list;
    send(s.id, target, 128, inQuotes(before.name), Kind::Reply);
    // New settings take effect by restarting the link: the device drops off line for a while.
    if (changed) {
        std::uint32_t number = agent.number, generation = agent.generation;
        loop_.after(100, [this, number, generation] {
            Agent& a = fleet_.agents()[number];
            if (a.generation == generation && a.state == AgentState::Online) reboot(a);
        });
    }
}

void Gateway::serveClock(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                         std::string_view args)
{
    std::int64_t now = hostSeconds();
    if (code == 161) {
        send(s.id, target, 162, clockText(now + agent.sysOffset), Kind::Reply);
        return;
    }
    if (code == 163) {
        send(s.id, target, 164, clockText(now + agent.rtcOffset), Kind::Reply);
        return;
    }
    std::vector<std::string> items;
    std::string text(args);
    if (splitItems(args, &items) && items.size() == 2)
        text = items[0] + " " + items[1];
    else if (items.size() == 1)
        text = items[0];
    std::int64_t wanted;
    if (!parseClock(text, &wanted)) {
        fail(s.id, target, code, "The parameter is incorrect.");
        return;
    }
    auto offset = static_cast<std::int32_t>(std::clamp<std::int64_t>(wanted - now, INT32_MIN, INT32_MAX));
    if (code == 165) {
        agent.sysOffset = offset;
        if (fleet_.osType(agent) == kOsCe) agent.rtcOffset = offset; // these devices keep one clock
        send(s.id, target, 166, clockText(now + agent.sysOffset), Kind::Reply);
    } else {
        agent.rtcOffset = offset;
        send(s.id, target, 168, clockText(now + agent.rtcOffset), Kind::Reply);
    }
}

void Gateway::serveFiles(Session& s, std::string_view target, Agent& agent, std::uint16_t code,
                         std::string_view args)
{
    int os = fleet_.osType(agent);
    std::string error;
    if (!files_.ensureTree(agent, os, &error)) {
        fail(s.id, target, code, error);
        return;
    }
    std::vector<std::string> items;
    if (!splitItems(args, &items)) {
        fail(s.id, target, code, text::kBadName);
        return;
    }
    auto need = [&](std::size_t n) {
        if (items.size() >= n) return true;
        fail(s.id, target, code, "The parameter is incorrect.");
        return false;
    };
    bool ok = false;
    switch (code) {
    case 211: {
        std::string dir = items.empty() ? (os == kOsUnix ? "/" : os == kOsCe ? "\\" : ":") : items[0];
        std::vector<DirEntry> entries;
        if (!files_.list(agent, os, dir, &entries, &error)) {
            fail(s.id, target, code, error);
            return;
        }
        // Sizes go out in full: files above 4 GiB are ordinary on a data logger's card.
        auto line = [](const DirEntry& e) {
            return std::string(1, e.kind) + " " + inQuotes(e.name) + " " + std::to_string(e.size) + " " +
                   inQuotes(e.modified) + " " + std::to_string(e.mode);
        };
        std::size_t now = entries.size();
        if (options_.holdListingMs >= 0) now = entries.size() / 2;
        for (std::size_t i = 0; i < now; ++i)
            send(s.id, target, 212, line(entries[i]), Kind::Reply);
        if (now == entries.size()) {
            send(s.id, target, 213, std::to_string(entries.size()), Kind::Reply);
            return;
        }
        std::vector<std::string> rest;
        for (std::size_t i = now; i < entries.size(); ++i)
            rest.push_back(line(entries[i]));
        loop_.after(options_.holdListingMs, [this, id = s.id, to = std::string(target),
                                             rest = std::move(rest), count = entries.size()] {
            if (!session(id)) return;
            for (const auto& r : rest)
                send(id, to, 212, r, Kind::Reply);
            send(id, to, 213, std::to_string(count), Kind::Reply);
        });
        return;
    }
    case 215:
        if (!need(3)) return;
        ok = files_.rename(agent, os, items[0], items[1], items[2], &error);
        break;
    case 217:
        if (!need(2)) return;
        ok = files_.removeFile(agent, os, items[0], items[1], &error);
        break;
    case 219: {
        if (!need(3)) return;
        std::uint64_t mode = 0;
        if (!wire::parseU64(items[2].c_str(), &mode) || mode > 777) {
            fail(s.id, target, code, "The parameter is incorrect.");
            return;
        }
        if (os == kOsCe) {
            fail(s.id, target, code, "The request is not supported by the device.");
            return;
        }
        ok = files_.changeMode(agent, os, items[0], items[1], static_cast<int>(mode), &error);
        break;
    }
    case 221:
        if (!need(2)) return;
        ok = files_.makeDir(agent, os, items[0], items[1], &error);
        break;
    case 223:
        if (!need(2)) return;
        ok = files_.removeDir(agent, os, items[0], items[1], &error);
        break;
    case 225: {
        if (!need(2)) return;
        ok = files_.checkExecutable(agent, os, items[0], items[1], &error);
        if (ok) {
            // The program shows up in the process list until it is killed or the agent reboots.
            AgentChanges& c = agent.change();
            if (c.nextPid == 0) c.nextPid = os == kOsXpe ? 4000 : os == kOsCe ? 0x0F000002u : 3000;
            std::uint32_t pid = c.nextPid;
            c.nextPid += os == kOsXpe ? 4 : os == kOsCe ? 0x10000u : 1;
            c.started.push_back({pid, items[1]});
            // Simulated: the program only joins the process list; nothing runs on this host.
            std::fprintf(stderr, "[gw] run %s %s %s (simulated, pid %u)\n", std::string(target).c_str(),
                         AgentFiles::join(os, items[0], items[1]).c_str(),
                         items.size() > 2 ? items[2].c_str() : "", static_cast<unsigned>(pid));
            send(s.id, target, 226, inQuotes(items[1]) + " " + std::to_string(pid), Kind::Reply);
            return;
        }
        break;
    }
    }
    if (!ok) {
        fail(s.id, target, code, error);
        return;
    }
    // Only the name travels back, so that the reply stays well inside the console's text buffer.
    send(s.id, target, static_cast<std::uint16_t>(code + 1), inQuotes(code == 215 ? items[2] : items[1]),
         Kind::Reply);
}

} // namespace tarngw
