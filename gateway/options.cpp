#include "options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace tarngw {

const char* helpText()
{
    return R"(usage: tarn-gateway [OPTION...]
A stand-in gateway with simulated agents for the TarnTool console.

  --listen ADDR:PORT   where to accept consoles (default 127.0.0.1:54321). Port 0 picks a free
                       port; the first line on stdout is always "listening on ADDR:PORT".
  --agents N           generate N distinct agents (default 8; 10,000 and more work)
  --fleet FILE         load the agents from FILE instead (format below)
  --root DIR           folder that holds every agent's file tree, one folder per agent address,
                       made on the agent's first file request (default: a scratch folder that is
                       removed at exit). Uploads wait in DIR/.gateway/ until cleared.
  --seed N             seed of the generated lists, clocks and drop decisions (default 1)
  --reboot-delay MS    time an agent stays off line after a reboot (default 10000)
  --upgrade-delay MS   time from firmware delivery until the agent reboots (default 3000)
  --chunk-timeout MS   a file leg whose console stops answering fails after MS (default 15000)
  --agent-rate BYTES   simulated speed of the gateway-agent leg in bytes/s (default 8388608)
  --max-upload BYTES   largest file the gateway takes (default 1073741824)
  --verbose            log every frame to stderr: direction, code, payload (cut at 200 chars)
  --help               this text

Fault drills:
  --latency MS         delay every agent reply, report and announcement by MS
  --fail CODE          answer every request of that code with a 999 failure (repeatable)
  --drop-rate P        drop each reply to an agent request with probability P (0..1); file-leg
                       frames, logins and announcements are never dropped
  --disconnect-after N close a console's connection after it has sent N frames
  --silent ADDRESS[@MS] that agent is announced but never answers, or stops answering MS
                       after the start (repeatable)
  --hostile MODE       misbehave towards every console right after its login (repeatable):
      oversize             a frame declaring a 12000-byte payload
      unclosed-quote       device information replies (102) end in an unclosed quote
      rogue-chunk[:PATH]   a chunk request (193) for a local file nobody offered (default /etc/passwd)
      rogue-download[:PATH] a download start (204) for a local path nobody asked for
                           (default /tmp/tarn-rogue-download)
      flood[:N]            N announcements (26) of made-up agents (default 20000)
      long-target          a reply whose target does not fit the console's 32-byte buffer
  --modem-fail CODE    the cellular modems answer request CODE (301..375, 521, 523) with a
                       failure (repeatable)
  --modem-delay MS     every cellular modem reply comes MS later
  --modem-oversize     AT commands answer with some 8000 characters of output
  --file-fault MODE    folder faults of the agents' file systems (repeatable):
      strict-rmdir         removing a folder that is not empty fails ("The directory is not empty.")
      odd-names            each agent's scratch folder (/tmp, \Temp, C:\Temp) holds names with spaces,
                           a double quote, a backslash and a 200-character name; listings also carry
                           "." and ".." entries and names with quotes, sent as they are
      huge-file            the scratch folder holds huge.img, a sparse file of 5,000,000,000 bytes
      locked-folder        the scratch folder holds "locked", whose listing and contents are refused
                           with "Access is denied."
      hold-listing[:MS]    every listing sends its first half at once and the rest, with its end,
                           after MS (default 3000)

Fleet file: one agent per line, '#' starts a comment, fields separated by blanks, values with
blanks in double quotes:
  ADDRESS NAME [model=TEXT] [os=TEXT] [cpu=TEXT] [firmware=TEXT] [version=TEXT] [host=TEXT]
               [seed=N] [silent=1] [sim=ready|pin|puk|absent|blocked] [pin=DIGITS] [puk=DIGITS]
  10.2.0.1 pump-01 model=TRN-310-XPE
  10.2.0.2 kiosk-7 model=TRN-200-LX firmware=4.0.9 os="Linux 2.6.32" version="2.4.1 Build 1190"
ADDRESS is dotted IPv4 and unique; the nick is ADDRESS:NAME (at most 31 characters, NAME of
letters, digits, '-', '_', '.'). Known models: TRN-310-XPE, TRN-520-XPE (drive letters),
TRN-120-CE, TRN-140-CE (backslash paths), TRN-200-LX, TRN-610-LX (slash paths); any other
model takes the operating-system type that its model and os texts give and that type's lists.
Models whose name holds K520 or K7 have a cellular modem (K7230: GPRS and AT commands only);
sim= sets its SIM's state at start (default ready), pin= and puk= its codes (1234, 12345678).
)";
}

namespace {

[[noreturn]] void usageError(const std::string& why)
{
    std::fprintf(stderr, "tarn-gateway: %s (see --help)\n", why.c_str());
    std::exit(2);
}

long long number(const char* option, const char* text, long long min, long long max)
{
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text, &end, 10);
    if (!*text || *end || errno || v < min || v > max)
        usageError(std::string("bad value for ") + option + ": " + text);
    return v;
}

} // namespace

Options parseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usageError(std::string(a) + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(helpText(), stdout);
            std::exit(0);
        } else if (a == "--listen") {
            std::string v = value();
            std::size_t colon = v.rfind(':');
            if (colon == std::string::npos) {
                o.port = static_cast<int>(number("--listen", v.c_str(), 0, 65535));
            } else {
                o.listenAddress = v.substr(0, colon);
                o.port = static_cast<int>(number("--listen", v.c_str() + colon + 1, 0, 65535));
            }
        } else if (a == "--agents") {
            o.agents = static_cast<int>(number("--agents", value(), 0, 1000000));
        } else if (a == "--fleet") {
            o.fleetFile = value();
        } else if (a == "--root") {
            o.root = value();
        } else if (a == "--seed") {
            o.seed = static_cast<std::uint32_t>(number("--seed", value(), 0, 4294967295LL));
        } else if (a == "--reboot-delay") {
            o.rebootDelayMs = static_cast<int>(number("--reboot-delay", value(), 0, 3600000));
        } else if (a == "--upgrade-delay") {
            o.upgradeDelayMs = static_cast<int>(number("--upgrade-delay", value(), 0, 3600000));
        } else if (a == "--chunk-timeout") {
            o.chunkTimeoutMs = static_cast<int>(number("--chunk-timeout", value(), 1, 3600000));
        } else if (a == "--agent-rate") {
            o.agentRate = static_cast<std::uint64_t>(number("--agent-rate", value(), 1024, 1LL << 40));
        } else if (a == "--max-upload") {
            o.maxUpload = static_cast<std::uint64_t>(number("--max-upload", value(), 0, 1LL << 50));
        } else if (a == "--latency") {
            o.latencyMs = static_cast<int>(number("--latency", value(), 0, 600000));
        } else if (a == "--drop-rate") {
            const char* v = value();
            char* end = nullptr;
            o.dropRate = std::strtod(v, &end);
            if (!*v || *end || !(o.dropRate >= 0 && o.dropRate <= 1))
                usageError(std::string("bad value for --drop-rate: ") + v);
        } else if (a == "--disconnect-after") {
            o.disconnectAfter = static_cast<long>(number("--disconnect-after", value(), 1, 1LL << 40));
        } else if (a == "--fail") {
            o.failCodes.push_back(static_cast<int>(number("--fail", value(), 1, 65535)));
        } else if (a == "--silent") {
            o.silent.push_back(value());
        } else if (a == "--hostile") {
            std::string v = value();
            HostileMode m;
            std::size_t colon = v.find(':');
            m.name = v.substr(0, colon);
            if (colon != std::string::npos) m.arg = v.substr(colon + 1);
            static const char* known[] = {"oversize",       "unclosed-quote", "rogue-chunk",
                                          "rogue-download", "flood",          "long-target"};
            bool ok = false;
            for (const char* k : known)
                ok |= m.name == k;
            if (!ok) usageError("unknown --hostile mode: " + m.name);
            if (m.name == "flood" && !m.arg.empty()) number("--hostile flood", m.arg.c_str(), 1, 10000000);
            o.hostile.push_back(m);
        } else if (a == "--modem-fail") {
            o.modemFail.push_back(static_cast<std::uint16_t>(number("--modem-fail", value(), 1, 65535)));
        } else if (a == "--modem-delay") {
            o.modemDelayMs = static_cast<int>(number("--modem-delay", value(), 0, 600000));
        } else if (a == "--modem-oversize") {
            o.modemOversize = true;
        } else if (a == "--file-fault") {
            std::string v = value();
            std::size_t colon = v.find(':');
            std::string name = v.substr(0, colon);
            if (name == "strict-rmdir")
                o.strictRmdir = true;
            else if (name == "odd-names")
                o.oddNames = true;
            else if (name == "huge-file")
                o.hugeFile = true;
            else if (name == "locked-folder")
                o.lockedFolder = true;
            else if (name == "hold-listing")
                o.holdListingMs = colon == std::string::npos
                                      ? 3000
                                      : static_cast<int>(number("--file-fault hold-listing",
                                                                v.c_str() + colon + 1, 0, 3600000));
            else
                usageError("unknown --file-fault mode: " + name);
        } else if (a == "--verbose" || a == "-v") {
            o.verbose = true;
        } else {
            usageError("unknown option " + std::string(a));
        }
    }
    return o;
}

} // namespace tarngw
