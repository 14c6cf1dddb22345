// A gateway with its own root folder and one logged-in console, for the conformance tests.
#pragma once

#include "console_client.h"
#include "gateway_process.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace tarntest {

inline std::string makeTempDir(const char* what)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(what) + "-XXXXXX")).string();
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

inline std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// FNV-1a, enough to tell two files apart.
inline std::uint64_t checksum(const std::string& bytes)
{
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

// The console's rule for the operating-system type of a device information reply.
inline int osTypeOf(const std::vector<std::string>& info)
{
    auto upper = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    std::string model = upper(info.at(1)), os = upper(info.at(3));
    if (os.find("XPE") != std::string::npos || model.find("XPE") != std::string::npos) return 2;
    if (os.find("WINDOWS") != std::string::npos || model.find("CE") != std::string::npos) return 1;
    return 0;
}

class Rig
{
public:
    explicit Rig(std::vector<std::string> args = {}, std::size_t agents = 8)
    {
        root = makeTempDir("tarn-gw-root");
        bool hasFleet = false;
        for (const auto& a : args)
            hasFleet |= a == "--fleet" || a == "--agents";
        if (!hasFleet) {
            args.push_back("--agents");
            args.push_back(std::to_string(agents));
        }
        args.push_back("--root");
        args.push_back(root);
        gw = std::make_unique<GatewayProcess>(args);
        if (gw->ok() && console.connect(gw->port())) console.login(&nicks, agents);
    }
    ~Rig()
    {
        gw->stop();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    bool ready() const { return !nicks.empty(); }

    // Sends one request and waits for its reply (code + 1) or its failure (999) for that target.
    Message request(const std::string& nick, unsigned short code, const std::string& args = std::string(),
                    int timeoutMs = 5000)
    {
        Message m;
        if (console.send(nick, code, args) != 0) return m;
        console.waitFor(
            [&](const Message& r) { return r.target == nick && (r.code == code + 1 || r.code == 999); },
            timeoutMs, nullptr, &m);
        return m;
    }

    // A list request: every entry, then the closing reply (or a failure) last.
    std::vector<Message> list(const std::string& nick, unsigned short code,
                              const std::string& args = std::string())
    {
        std::vector<Message> seen, mine;
        console.send(nick, code, args);
        console.waitFor(
            [&](const Message& r) { return r.target == nick && (r.code == code + 2 || r.code == 999); }, 5000,
            &seen);
        for (auto& m : seen)
            if (m.target == nick) mine.push_back(m);
        return mine;
    }

    int osType(const std::string& nick)
    {
        Message m = request(nick, 101);
        return m.code == 102 ? osTypeOf(items(m.text)) : -1;
    }

    // The first agent of that operating-system type.
    std::string agentOfType(int type)
    {
        for (const auto& n : nicks)
            if (osType(n) == type) return n;
        return std::string();
    }

    std::filesystem::path agentDir(const std::string& nick) const
    {
        return std::filesystem::path(root) / nick.substr(0, nick.find(':'));
    }

    std::string root;
    std::unique_ptr<GatewayProcess> gw;
    Console console;
    std::vector<std::string> nicks;
};

} // namespace tarntest
