// tarn-gateway: a stand-in gateway with simulated agents, for the demo, tests and fault drills.
#include "gateway.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv)
{
    using namespace tarngw;
    Options options = parseOptions(argc, argv);

    Fleet fleet;
    for (const auto& text : options.silent) {
        std::uint32_t address;
        if (!parseAddress(text.substr(0, text.find(':')), &address)) {
            std::fprintf(stderr, "tarn-gateway: --silent takes an agent address: %s\n", text.c_str());
            return 2;
        }
        fleet.silentAddresses.push_back(address);
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
