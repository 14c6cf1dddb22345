#include "fleet.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

namespace tarngw {

namespace {

struct CatalogueModel
{
    const char* model;
    const char* os;
    const char* cpu;
    const char* firmware;
    std::uint32_t memoryKB;
    std::uint32_t storageKB;
    const char* prefix; // agent names
};

// Two models of each operating-system type; the suffixes are what the console's picture lookup cuts.
const CatalogueModel kCatalogue[] = {
    {"TRN-310-XPE", "Windows XP Embedded SP3", "Intel Atom N270 1.6GHz", "3.2.7", 1048576, 3906250, "panel"},
    {"TRN-200-LX", "Linux 2.6.32", "ARM926EJ-S 400MHz", "4.0.2", 131072, 1048576, "kiosk"},
    {"TRN-120-CE", "Windows CE 6.0 R3", "ARM920T 400MHz", "1.8.4", 131072, 262144, "handheld"},
    {"TRN-520-XPE", "Windows Embedded Standard 2009", "Intel Celeron M 1.0GHz", "2.9.1", 524288, 1953125,
     "station"},
    {"TRN-610-LX", "Linux 4.19.94 armv7l", "Cortex-A9 800MHz", "5.1.0", 524288, 7812500, "router"},
    {"TRN-140-CE", "Windows Embedded CE 6.0", "XScale PXA270 520MHz", "1.9.0", 262144, 524288, "terminal"},
};
constexpr int kCatalogueSize = sizeof(kCatalogue) / sizeof(kCatalogue[0]);

struct ProcessModel
{
    const char* name;
    bool optional;
};

const ProcessModel kUnixProcesses[] = {
    {"init", false},       {"kthreadd", false}, {"ksoftirqd/0", false}, {"syslogd", false},
    {"klogd", false},      {"udhcpc", true},    {"crond", false},       {"sshd", true},
    {"httpd", true},       {"snmpd", true},     {"ntpd", true},         {"modemd", true},
    {"tarn-agent", false}, {"getty", false},    {"watchdogd", true},    {"mosquitto", true},
};
const ProcessModel kCeProcesses[] = {
    {"NK.EXE", false},        {"filesys.exe", false}, {"device.exe", false},   {"gwes.exe", false},
    {"services.exe", false},  {"shell.exe", true},    {"explorer.exe", false}, {"connmgr.exe", true},
    {"TarnAgent.exe", false}, {"scanner.exe", true},  {"rnaapp.exe", true},
};
const ProcessModel kXpeProcesses[] = {
    {"System Idle Process", false},
    {"System", false},
    {"smss.exe", false},
    {"csrss.exe", false},
    {"winlogon.exe", false},
    {"services.exe", false},
    {"lsass.exe", false},
    {"svchost.exe", false},
    {"svchost.exe", true},
    {"spoolsv.exe", true},
    {"explorer.exe", false},
    {"TarnAgent.exe", false},
    {"hmi.exe", true},
    {"ewfmgr.exe", true},
    {"notepad.exe", true},
};

struct ServiceModel
{
    const char* id;
    const char* text;
    int state; // generated state; optional ones flip by seed
    bool optional;
};

const ServiceModel kUnixServices[] = {
    {"sshd", "OpenSSH server", 1, true},
    {"crond", "Periodic command scheduler", 1, false},
    {"syslogd", "System logger", 1, false},
    {"ntpd", "Network time", 0, true},
    {"httpd", "Web configuration", 1, true},
    {"snmpd", "SNMP agent", 0, true},
    {"tarn-agent", "Tarn management agent", 1, false},
    {"modemd", "Cellular modem manager", 0, true},
};
const ServiceModel kCeServices[] = {
    {"HTP0:", "Web server", 1, true},           {"FTP0:", "FTP server", 0, true},
    {"TEL0:", "Telnet server", 0, true},        {"TRN0:", "Tarn management agent", 1, false},
    {"TMR0:", "Time synchronisation", 1, true},
};
const ServiceModel kXpeServices[] = {
    {"TarnAgent", "Tarn Management Agent", 1, false},
    {"Dhcp", "DHCP Client", 1, false},
    {"Dnscache", "DNS Client", 1, false},
    {"Eventlog", "Event Log", 1, false},
    {"W32Time", "Windows Time", 0, true},
    {"Spooler", "Print Spooler", 0, true},
    {"RemoteRegistry", "Remote Registry", 0, true},
    {"TermService", "Terminal Services", 1, true},
    {"wuauserv", "Automatic Updates", 0, true},
    {"Schedule", "Task Scheduler", 1, false},
};

template <typename T, std::size_t N> constexpr std::size_t count(const T (&)[N])
{
    return N;
}

bool containsUpper(std::string_view text, std::string_view word)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find(word) != std::string::npos;
}

Profile fromCatalogue(const CatalogueModel& m, std::uint32_t build)
{
    Profile p;
    p.model = m.model;
    p.osVersion = m.os;
    p.cpu = m.cpu;
    p.firmware = m.firmware;
    p.agentVersion = "2.4.1 Build " + std::to_string(build);
    p.memoryKB = m.memoryKB;
    p.storageKB = m.storageKB;
    p.osType = osTypeOf(p.model, p.osVersion);
    return p;
}

// A fleet-file value may be quoted; the quotes are dropped.
std::vector<std::string> splitFields(const std::string& line, bool* ok)
{
    std::vector<std::string> fields;
    std::string field;
    bool inQuote = false, have = false;
    for (char c : line) {
        if (c == '"') {
            inQuote = !inQuote;
            have = true;
        } else if (!inQuote && (c == ' ' || c == '\t' || c == '\r')) {
            if (have) fields.push_back(field);
            field.clear();
            have = false;
        } else {
            field += c;
            have = true;
        }
    }
    *ok = !inQuote;
    if (have) fields.push_back(field);
    return fields;
}

bool plainName(std::string_view name)
{
    if (name.empty()) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.')) return false;
    return true;
}

} // namespace

std::uint32_t mix(std::uint32_t a, std::uint32_t b)
{
    std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u + (a << 6) + (a >> 2));
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

int osTypeOf(std::string_view model, std::string_view osVersion)
{
    if (containsUpper(osVersion, "XPE") || containsUpper(model, "XPE")) return kOsXpe;
    if (containsUpper(osVersion, "WINDOWS") || containsUpper(model, "CE")) return kOsCe;
    return kOsUnix;
}

AgentChanges& Agent::change()
{
    if (!changes) changes = std::make_unique<AgentChanges>();
    return *changes;
}

std::string formatAddress(std::uint32_t a)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a >> 24, (a >> 16) & 255, (a >> 8) & 255, a & 255);
    return text;
}

bool parseAddress(std::string_view text, std::uint32_t* address)
{
    std::uint32_t value = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        std::uint32_t part = 0;
        int digits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            part = part * 10 + static_cast<std::uint32_t>(text[i++] - '0');
            if (++digits > 3 || part > 255) return false;
        }
        value = value << 8 | part;
        if (++parts < 4) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
    }
    if (i != text.size()) return false;
    *address = value;
    return true;
}

bool Fleet::add(Agent agent, std::string* error)
{
    if (agent.nick.size() > 31) {
        *error = "nick longer than 31 characters: " + agent.nick;
        return false;
    }
    if (byAddress_.count(agent.address)) {
        *error = "address listed twice: " + std::string(agent.addressText());
        return false;
    }
    agent.number = static_cast<std::uint32_t>(agents_.size());
    // Clocks a little off the host's, as field devices are.
    agent.sysOffset = static_cast<std::int32_t>(mix(agent.seed, 11) % 241) - 120;
    agent.rtcOffset = agent.sysOffset + static_cast<std::int32_t>(mix(agent.seed, 12) % 7) - 3;
    agent.silent =
        std::find(silentAddresses.begin(), silentAddresses.end(), agent.address) != silentAddresses.end();
    byAddress_[agent.address] = agent.number;
    agents_.push_back(std::move(agent));
    return true;
}

void Fleet::generate(int count, std::uint32_t seed)
{
    profiles_.clear();
    for (int m = 0; m < kCatalogueSize; ++m)
        profiles_.push_back(fromCatalogue(kCatalogue[m], 1180 + static_cast<std::uint32_t>(m) * 3));
    agents_.reserve(static_cast<std::size_t>(count));
    byAddress_.reserve(static_cast<std::size_t>(count));
    std::string error;
    for (int i = 0; i < count; ++i) {
        auto n = static_cast<std::uint32_t>(i);
        Agent agent;
        // 10.1.0.1 upwards, never .0 or .255 in the last place.
        agent.address =
            (10u << 24) | ((1u + n / (254u * 256u)) << 16) | (((n / 254u) % 256u) << 8) | (1u + n % 254u);
        agent.profile = n % kCatalogueSize;
        agent.seed = mix(seed, n);
        char name[24];
        std::snprintf(name, sizeof name, "%s-%04u", kCatalogue[agent.profile].prefix, n + 1);
        agent.nick = formatAddress(agent.address) + ":" + name;
        add(std::move(agent), &error);
    }
}

bool Fleet::load(const std::string& path, std::uint32_t seed, std::string* error)
{
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read fleet file " + path;
        return false;
    }
    profiles_.clear();
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        auto fail = [&](const std::string& why) {
            *error = path + ":" + std::to_string(lineNo) + ": " + why;
            return false;
        };
        std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        bool ok = true;
        auto fields = splitFields(line, &ok);
        if (!ok) return fail("unclosed quote");
        if (fields.empty()) continue;
        if (fields.size() < 2) return fail("expected ADDRESS NAME [key=value...]");
        Agent agent;
        if (!parseAddress(fields[0], &agent.address)) return fail("not a dotted IPv4 address: " + fields[0]);
        if (!plainName(fields[1]))
            return fail("a name takes letters, digits, '-', '_' and '.' only: " + fields[1]);
        agent.nick = fields[0] + ":" + fields[1];
        agent.seed = mix(seed, agent.address);
        int base = static_cast<int>(agents_.size() % kCatalogueSize);
        std::string model, os, cpu;
        Profile p;
        bool silent = false;
        for (std::size_t f = 2; f < fields.size(); ++f) {
            std::size_t eq = fields[f].find('=');
            if (eq == std::string::npos) return fail("expected key=value: " + fields[f]);
            std::string key = fields[f].substr(0, eq), value = fields[f].substr(eq + 1);
            if (key == "model")
                model = value;
            else if (key == "os")
                os = value;
            else if (key == "cpu")
                cpu = value;
            else if (key == "firmware")
                p.firmware = value;
            else if (key == "version")
                p.agentVersion = value;
            else if (key == "host")
                p.host = value;
            else if (key == "seed")
                agent.seed = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
            else if (key == "sim")
                p.sim = value;
            else if (key == "pin")
                p.pin = value;
            else if (key == "puk")
                p.puk = value;
            else if (key == "silent")
                silent = value == "1" || value == "yes" || value == "true";
            else
                return fail("unknown key " + key);
        }
        // A known model brings its texts; any other takes the catalogue entry of its OS type.
        const CatalogueModel* known = nullptr;
        for (const auto& m : kCatalogue)
            if (model == m.model) known = &m;
        if (!known) {
            int wanted = model.empty() ? -1 : osTypeOf(model, os);
            for (int m = 0; m < kCatalogueSize && !known; ++m) {
                const auto& c = kCatalogue[(base + m) % kCatalogueSize];
                if (wanted < 0 || osTypeOf(c.model, c.os) == wanted) known = &c;
            }
        }
        Profile def = fromCatalogue(*known, 1180 + mix(agent.seed, 5) % 12);
        if (model.empty()) model = def.model;
        if (os.empty())
            os = osTypeOf(model, "") == osTypeOf(def.model, def.osVersion) ? def.osVersion : std::string();
        if (os.empty()) os = osTypeOf(model, "") == kOsUnix ? "Linux" : "Windows";
        p.model = model;
        p.osVersion = os;
        p.cpu = cpu.empty() ? def.cpu : cpu;
        if (p.firmware.empty()) p.firmware = def.firmware;
        if (p.agentVersion.empty()) p.agentVersion = def.agentVersion;
        p.memoryKB = def.memoryKB;
        p.storageKB = def.storageKB;
        p.osType = osTypeOf(p.model, p.osVersion);
        auto digits = [](const std::string& v, std::size_t min, std::size_t max) {
            return v.size() >= min && v.size() <= max &&
                   std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
        };
        if (p.sim != "ready" && p.sim != "pin" && p.sim != "puk" && p.sim != "absent" && p.sim != "blocked")
            return fail("sim= takes ready, pin, puk, absent or blocked: " + p.sim);
        if (!digits(p.pin, 4, 8) || !digits(p.puk, 8, 8))
            return fail("pin= takes 4 to 8 digits, puk= 8 digits");
        for (const std::string* text :
             {&p.model, &p.osVersion, &p.cpu, &p.firmware, &p.agentVersion, &p.host})
            if (text->find('"') != std::string::npos || text->size() > 120)
                return fail("texts may not hold double quotes or run over 120 characters");
        agent.profile = static_cast<std::uint32_t>(profiles_.size());
        profiles_.push_back(std::move(p));
        if (silent) silentAddresses.push_back(agent.address);
        std::string why;
        if (!add(std::move(agent), &why)) return fail(why);
    }
    if (agents_.empty()) {
        *error = path + ": no agents";
        return false;
    }
    return true;
}

Agent* Fleet::find(std::string_view key)
{
    // By address first: no allocation on the path every request takes.
    std::size_t colon = key.find(':');
    std::uint32_t address;
    if (!parseAddress(key.substr(0, colon), &address)) return nullptr;
    auto at = byAddress_.find(address);
    if (at == byAddress_.end()) return nullptr;
    Agent& agent = agents_[at->second];
    return colon == std::string_view::npos || agent.nick == key ? &agent : nullptr;
}

std::string Fleet::firmware(const Agent& agent) const
{
    if (agent.changes && agent.changes->firmware) return *agent.changes->firmware;
    return profiles_[agent.profile].firmware;
}

std::string Fleet::hostName(const Agent& agent) const
{
    const Profile& p = profiles_[agent.profile];
    return p.host.empty() ? std::string(agent.name()) : p.host;
}

std::string Fleet::deviceInfo(const Agent& agent) const
{
    const Profile& p = profiles_[agent.profile];
    std::string text;
    text.reserve(160);
    auto item = [&](std::string_view value) {
        if (!text.empty()) text += ' ';
        text += '"';
        text += value;
        text += '"';
    };
    item(p.agentVersion);
    item(p.model);
    item(agent.changes && agent.changes->firmware ? std::string_view(*agent.changes->firmware)
                                                  : std::string_view(p.firmware));
    item(p.osVersion);
    item(p.cpu);
    item(p.host.empty() ? agent.name() : std::string_view(p.host));
    return text;
}

std::uint32_t Fleet::memoryFreeKB(const Agent& agent, std::int64_t nowSeconds) const
{
    // Free memory wanders a little every ten seconds between 35 % and 65 %.
    std::uint32_t total = profiles_[agent.profile].memoryKB;
    std::uint32_t wobble = mix(agent.seed, static_cast<std::uint32_t>(nowSeconds / 10)) % 300;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(total) * (350 + wobble) / 1000);
}

std::uint32_t Fleet::storageFreeKB(const Agent& agent) const
{
    std::int64_t total = profiles_[agent.profile].storageKB;
    std::int64_t used = total * (20 + mix(agent.seed, 21) % 40) / 100;
    if (agent.changes) used += agent.changes->addedKB;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(total - used, 0, total));
}

std::vector<ProcessEntry> Fleet::processes(const Agent& agent) const
{
    std::vector<ProcessEntry> list;
    int type = osType(agent);
    const ProcessModel* models = type == kOsUnix ? kUnixProcesses
                                 : type == kOsCe ? kCeProcesses
                                                 : kXpeProcesses;
    std::size_t n = type == kOsUnix ? count(kUnixProcesses)
                    : type == kOsCe ? count(kCeProcesses)
                                    : count(kXpeProcesses);
    std::uint32_t pid = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t r = mix(agent.seed, 100 + static_cast<std::uint32_t>(i));
        if (models[i].optional && r % 3 == 0) continue;
        if (type == kOsUnix)
            pid = i < 3 ? static_cast<std::uint32_t>(i + 1) : pid + 20 + r % 400;
        else if (type == kOsXpe)
            pid = i == 0 ? 0 : i == 1 ? 4 : pid + 4 * (20 + r % 100);
        else
            pid = 0x00400002u + static_cast<std::uint32_t>(i) * 0x00200000u + (r % 64) * 0x1000u;
        list.push_back({pid, models[i].name});
    }
    if (agent.changes) {
        for (const auto& p : agent.changes->started)
            list.push_back(p);
        auto& killed = agent.changes->killed;
        std::erase_if(list, [&](const ProcessEntry& p) {
            return std::find(killed.begin(), killed.end(), p.pid) != killed.end();
        });
    }
    return list;
}

std::vector<ServiceEntry> Fleet::services(const Agent& agent) const
{
    std::vector<ServiceEntry> list;
    int type = osType(agent);
    const ServiceModel* models = type == kOsUnix ? kUnixServices : type == kOsCe ? kCeServices : kXpeServices;
    std::size_t n = type == kOsUnix ? count(kUnixServices)
                    : type == kOsCe ? count(kCeServices)
                                    : count(kXpeServices);
    std::uint64_t flips = agent.changes ? agent.changes->serviceFlips : 0;
    for (std::size_t i = 0; i < n; ++i) {
        int state = models[i].state;
        if (models[i].optional && mix(agent.seed, 200 + static_cast<std::uint32_t>(i)) % 4 == 0)
            state = !state;
        if (flips >> i & 1) state = !state;
        list.push_back({models[i].id, models[i].text, state});
    }
    return list;
}

std::vector<Interface> Fleet::interfaces(const Agent& agent) const
{
    if (agent.changes && agent.changes->interfaces) return *agent.changes->interfaces;
    int type = osType(agent);
    std::uint32_t r = mix(agent.seed, 300);
    char mac[2][18];
    for (int k = 0; k < 2; ++k)
        std::snprintf(mac[k], sizeof mac[k], "00:1B:8C:%02X:%02X:%02X", (r >> 16) & 255, (r >> 8) & 255,
                      ((r & 255) + static_cast<std::uint32_t>(k)) & 255);
    std::vector<Interface> list(2);
    const char* names[3][2] = {
        {"eth0", "eth1"}, {"ENET1", "WLAN1"}, {"Local Area Connection", "Local Area Connection 2"}};
    list[0].name = names[type][0];
    list[0].mode = 1;
    list[0].ip = formatAddress(agent.address);
    list[0].mask = "255.255.0.0";
    list[0].gateway = formatAddress((agent.address & 0xFFFF0000u) | 0xFE);
    list[0].mac = mac[0];
    // More servers than the console's two fields: what it does not show must survive an apply.
    list[0].dns = {formatAddress((agent.address & 0xFFFF0000u) | 0x35), "9.9.9.9", "1.1.1.1"};
    list[1].name = names[type][1];
    list[1].mode = 0;
    list[1].ip = "192.168." + std::to_string(1 + r % 200) + "." + std::to_string(2 + (r >> 8) % 250);
    list[1].mask = "255.255.255.0";
    list[1].gateway = "192.168." + std::to_string(1 + r % 200) + ".1";
    list[1].mac = mac[1];
    list[1].dns = {"192.168." + std::to_string(1 + r % 200) + ".1"};
    return list;
}

std::vector<AutoLaunch> Fleet::autoLaunch(const Agent& agent) const
{
    if (agent.changes && agent.changes->autoLaunch) return *agent.changes->autoLaunch;
    switch (osType(agent)) {
    case kOsUnix:
        return {{"/usr/bin/tarn-agent", "--daemon"}, {"/usr/sbin/httpd", "-h /www"}};
    case kOsCe:
        return {{"\\Windows\\TarnAgent.exe", ""}, {"\\Storage Card\\scanner.exe", "/silent"}};
    default:
        return {{"C:\\Program Files\\Tarn Agent\\TarnAgent.exe", "/service"}, {"C:\\HMI\\hmi.exe", "/kiosk"}};
    }
}

std::string nextFirmware(std::string_view current, std::string_view head)
{
    std::size_t at = head.find("VERSION=");
    if (at != std::string_view::npos) {
        std::size_t start = at + 8, end = start;
        while (end < head.size() && end - start < 32 &&
               (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '.' || head[end] == '-'))
            ++end;
        if (end > start) return std::string(head.substr(start, end - start));
    }
    std::string next(current);
    std::size_t digits = next.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(next[digits - 1])))
        --digits;
    if (digits == next.size()) return next + ".1";
    unsigned long last = std::strtoul(next.c_str() + digits, nullptr, 10);
    return next.substr(0, digits) + std::to_string(last + 1);
}

} // namespace tarngw
