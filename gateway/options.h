// Command line of tarn-gateway.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarngw {

struct HostileMode
{
    std::string name; // oversize, unclosed-quote, rogue-chunk, rogue-download, flood, long-target
    std::string arg;  // after the first ':' (a path, a count)
};

struct Options
{
    std::string listenAddress = "127.0.0.1";
    int port = 54321;
    int agents = 8;
    std::string fleetFile;
    std::string root; // empty: a scratch folder, removed at exit
    std::uint32_t seed = 1;
    int rebootDelayMs = 10000;
    int upgradeDelayMs = 3000;
    int chunkTimeoutMs = 15000;
    std::uint64_t agentRate = 8u << 20; // bytes per second on the simulated gateway-agent leg
    std::uint64_t maxUpload = 1ull << 30;
    int latencyMs = 0;
    double dropRate = 0;
    long disconnectAfter = 0;
    std::vector<std::string> silent;
    std::vector<HostileMode> hostile;
    // Folder faults (--file-fault): what real agents' file systems do to the file manager.
    bool strictRmdir = false;  // a folder that holds anything is not removed
    bool oddNames = false;     // names with spaces, quotes, backslashes, ".", ".." and long names
    bool hugeFile = false;     // a sparse file above 4 GiB
    bool lockedFolder = false; // a folder whose listing and contents are refused
    int holdListingMs = -1;    // >= 0: the second half of each listing waits this long
    std::vector<int> failCodes; // requests of these codes answer 999
    bool verbose = false;
    // The cellular modem's drills: request codes answered with a failure, a delay before every
    // modem reply, outsized AT command output.
    std::vector<std::uint16_t> modemFail;
    int modemDelayMs = 0;
    bool modemOversize = false;
};

// Parses argv; on --help prints the help text and exits 0; on error prints why and exits 2.
Options parseOptions(int argc, char** argv);
const char* helpText();

} // namespace tarngw
