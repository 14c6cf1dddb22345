#include "drills.h"

#include "gateway.h"

#include <cstdio>

namespace tarngw {

Drills::Drills(const Options& options) : options_(options), random_(options.seed)
{
    for (const auto& m : options.hostile)
        unclosedQuote_ |= m.name == "unclosed-quote";
}

bool Drills::dropReply()
{
    if (options_.dropRate <= 0) return false;
    return std::uniform_real_distribution<double>(0, 1)(random_) < options_.dropRate;
}

void Drills::afterLogin(Gateway& gw, Session& s)
{
    auto& agents = gw.fleet().agents();
    std::string nick = agents.empty() ? std::string("10.250.0.1:nobody") : agents.front().nick;
    for (const auto& m : options_.hostile) {
        if (options_.verbose)
            std::fprintf(stderr, "[gw] #%llu hostile: %s\n", static_cast<unsigned long long>(s.id),
                         m.name.c_str());
        if (m.name == "oversize") {
            // Longer than any console's receive buffer can hold.
            std::string payload = nick + " ";
            payload.resize(12000, 'A');
            std::string frame(tarnwire::kHeaderSize, '\0');
            tarnwire::encodeHeader(reinterpret_cast<unsigned char*>(frame.data()),
                                   static_cast<std::uint16_t>(payload.size()), 102);
            gw.sendFrame(s, frame + payload, Kind::Control);
        } else if (m.name == "rogue-chunk") {
            std::string path = m.arg.empty() ? "/etc/passwd" : m.arg;
            gw.send(s.id, nick, tarnwire::kChunkRequest, inQuotes(path) + " \"/tmp/loot\" h1-loot 1 0 0 1024",
                    Kind::Control);
        } else if (m.name == "rogue-download") {
            std::string path = m.arg.empty() ? "/tmp/tarn-rogue-download" : m.arg;
            gw.send(s.id, nick, tarnwire::kDownloadStart,
                    "0 " + inQuotes(path) + " \"/etc/hostname\" h2-plant", Kind::Control);
        } else if (m.name == "flood") {
            long n = m.arg.empty() ? 20000 : std::stol(m.arg);
            for (long i = 0; i < n; ++i) {
                char fake[64];
                std::snprintf(fake, sizeof fake, "10.250.%ld.%ld:flood-%ld", (i / 254) % 256, 1 + i % 254,
                              i + 1);
                gw.sendFrame(s, tarnwire::makeFrame("", tarnwire::kAgentOnline, fake), Kind::Control);
            }
        } else if (m.name == "long-target") {
            std::string target = nick + "-" + std::string(40, 'x');
            gw.send(s.id, target, 138, "\"Online\" 0", Kind::Control);
        }
    }
}

} // namespace tarngw
