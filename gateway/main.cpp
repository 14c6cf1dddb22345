// tarn-gateway: a stand-in gateway with simulated agents, for the demo, tests and fault drills.
#include "gateway.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

int main(int argc, char** argv)
{
    using namespace tarngw;
    Options options = parseOptions(argc, argv);

    Fleet fleet;
    // ADDRESS is mute from the start; ADDRESS@MS answers for MS milliseconds first.
    std::vector<std::pair<std::uint32_t, long>> muteLater;
    for (const auto& text : options.silent) {
        std::size_t at = text.find('@');
        std::string address = text.substr(0, std::min(at, text.find(':')));
        std::uint32_t a;
        char* end = nullptr;
        long after = at == std::string::npos ? 0 : std::strtol(text.c_str() + at + 1, &end, 10);
        if (!parseAddress(address, &a) ||
            (at != std::string::npos && (end == text.c_str() + at + 1 || *end || after < 0))) {
            std::fprintf(stderr, "tarn-gateway: --silent takes ADDRESS or ADDRESS@MS: %s\n", text.c_str());
            return 2;
        }
        if (at == std::string::npos)
            fleet.silentAddresses.push_back(a);
        else
            muteLater.emplace_back(a, after);
    }
    std::string error;
    if (!options.fleetFile.empty()) {
        if (!fleet.load(options.fleetFile, options.seed, &error)) {
            std::fprintf(stderr, "tarn-gateway: %s\n", error.c_str());
            return 2;
        }
    } else {
        fleet.generate(options.agents, options.seed);
    }

    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path root = options.root;
    bool scratch = root.empty();
    if (scratch) {
        std::string pattern = (fs::temp_directory_path(ec) / "tarn-gateway-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("tarn-gateway: scratch root");
            return 1;
        }
        root = pattern;
    } else {
        fs::create_directories(root, ec);
        if (!fs::is_directory(root, ec)) {
            std::fprintf(stderr, "tarn-gateway: --root %s is not a folder\n", root.c_str());
            return 2;
        }
    }
    root = fs::absolute(root, ec);

    int status = 0;
    {
        Gateway gateway(options, fleet, root);
        if (!gateway.listen(&error)) {
            std::fprintf(stderr, "tarn-gateway: %s\n", error.c_str());
            status = 1;
        } else {
            for (auto [address, after] : muteLater)
                gateway.loop().after(after, [&fleet, address = address] {
                    if (Agent* agent = fleet.find(formatAddress(address))) agent->silent = true;
                });
            EventLoop::installSignalHandlers();
            std::printf("listening on %s:%d\n", options.listenAddress.c_str(), gateway.port());
            std::fflush(stdout);
            if (options.verbose)
                std::fprintf(stderr, "[gw] %zu agents, root %s\n", fleet.agents().size(), root.c_str());
            gateway.run();
        }
    }
    if (scratch) fs::remove_all(root, ec);
    if (options.verbose) std::fprintf(stderr, "[gw] stopped\n");
    return status;
}
