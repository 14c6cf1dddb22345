// The file legs: uploads pulled from the console into the gateway's staging folder, deliveries from
// there into agents' trees (or their firmware), and downloads served to the console chunk by chunk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace tarngw {

class Gateway;
struct Session;
struct Agent;

class Transfers
{
public:
    explicit Transfers(Gateway& gateway) : gw_(gateway) {}
    ~Transfers();

    void upload(Session& s, const std::string& target, std::string_view args);       // 191
    void chunk(Session& s, std::string& payload);                                    // 194
    void sendToAgent(Session& s, const std::string& target, std::string_view args);  // 195
    void clear(Session& s, const std::string& target, std::string_view args);        // 197
    void download(Session& s, const std::string& target, std::string_view args);     // 201
    void chunkRequest(Session& s, const std::string& target, std::string_view args); // 193
    void stored(Session& s, const std::string& target, std::string_view args);       // 205
    void sessionClosed(std::uint64_t session);
    // Removes what the gateway still holds in its staging folder.
    void cleanup();

    // Largest data length the gateway asks for per 193: what keeps the console's 194 answer,
    // target and text included, inside its 2048-byte frame.
    static std::uint64_t chunkLength(std::size_t target, std::size_t local, std::size_t agent,
                                     std::size_t tag);
    static constexpr std::uint64_t kMaxUploadChunk = 1536;
    static constexpr std::uint64_t kMaxDownloadChunk = 8192;

private:
    // The agent a file leg is for when it can take one; otherwise refused (a mute agent says nothing).
    Agent* legAgent(const std::string& target, const std::function<void(std::string_view)>& refuse);

    struct Upload
    {
        std::uint64_t session = 0;
        std::string target, local, agentPath, tag;
        int type = 0;
        int fd = -1;
        std::filesystem::path staging;
        std::uint64_t offset = 0, length = 0;
        std::uint64_t timer = 0;
    };
    struct Staged
    {
        std::filesystem::path path;
        std::uint64_t size = 0;
        int type = 0;
    };
    struct Delivery
    {
        std::uint64_t session = 0;
        std::string target, local, agentPath, tag;
        int type = 0;
        std::uint32_t agent = 0, generation = 0;
        int in = -1, out = -1;
        std::filesystem::path temp, dest;
        std::uint64_t done = 0, size = 0;
        std::string head; // first bytes, for a firmware image's version
    };
    struct Download
    {
        std::uint64_t session = 0;
        std::string target, local, agentPath, tag;
        int fd = -1;
        std::uint64_t size = 0, sent = 0;
        std::uint64_t timer = 0;
        std::int64_t lastReport = 0;
    };

    void requestChunk(Upload& u);
    void failUpload(std::string tag, const char* why);
    void finishUpload(std::string tag);
    void deliverStep(std::uint64_t id);
    void failDelivery(std::uint64_t id, const std::string& why);
    void armDownloadTimer(Download& d);
    void endDownload(std::string tag);
    void transferFail(std::uint64_t session, const std::string& target, int code, std::string_view local,
                      std::string_view agentPath, int type, std::string_view why);
    std::filesystem::path stagingDir() const;
    std::size_t openLegs(std::uint64_t session) const;

    Gateway& gw_;
    std::uint64_t counter_ = 0;
    std::map<std::string, Upload> uploads_;
    std::map<std::string, Staged> staged_;
    std::map<std::uint64_t, Delivery> deliveries_;
    std::map<std::string, Download> downloads_;
};

} // namespace tarngw
