#include "transfers.h"

#include "gateway.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tarngw {

namespace {

namespace wire = tarnwire;

constexpr std::size_t kConsoleText = 1022; // the console's reply text buffer holds 1023 with its NUL
constexpr std::size_t kChunkFrame = wire::kChunkBuffer; // the console's 194 answers must fit this
constexpr std::int64_t kTick = 50;                      // ms between delivery steps
constexpr std::int64_t kReportEvery = 250;              // ms between download progress reports
// Each open leg holds descriptors; a console may not hold them all.
constexpr std::size_t kMaxLegsPerConsole = 32;
constexpr std::size_t kMaxDeliveries = 1024;
constexpr const char* kBusy = "The gateway is busy; try again later.";

std::string u64(std::uint64_t v)
{
    return std::to_string(v);
}

// The part of a path after its last separator, reduced to what a bare token may hold.
std::string tagName(std::string_view path)
{
    std::size_t slash = path.find_last_of("/\\:");
    std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::string name;
    for (char c : base) {
        if (name.size() >= 24) break;
        name += std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' ? c : '_';
    }
    return name.empty() ? std::string("file") : name;
}

bool writeAll(int fd, const char* data, std::size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

void closeFd(int& fd)
{
    if (fd >= 0) ::close(fd);
    fd = -1;
}

} // namespace

Transfers::~Transfers()
{
    cleanup();
}

fs::path Transfers::stagingDir() const
{
    return gw_.files().root() / ".gateway";
}

std::uint64_t Transfers::chunkLength(std::size_t target, std::size_t local, std::size_t agent,
                                     std::size_t tag)
{
    // "<local>" "<agent>" <tag> <mode> 0 <eof> <offset> <count> and the data, with the target, a
    // space and the 4-byte header, counted with the widest numbers.
    std::size_t text = (local + 2) + 1 + (agent + 2) + 1 + tag + 1 + 5 + 1 + 1 + 1 + 1 + 1 + 20 + 1 + 4 + 1;
    std::size_t fixed = target + text + 5;
    if (fixed >= kChunkFrame) return 0;
    return std::min<std::uint64_t>(kMaxUploadChunk, kChunkFrame - fixed);
}

void Transfers::transferFail(std::uint64_t session, const std::string& target, int code,
                             std::string_view local, std::string_view agentPath, int type,
                             std::string_view why)
{
    // The console must always be able to read the failure: shorten it rather than lose it.
    std::string head = std::to_string(code) + " ";
    std::string tail = " " + std::to_string(type) + " ";
    std::string text = head + inQuotes(local) + " " + inQuotes(agentPath) + tail + inQuotes(why);
    if (text.size() > kConsoleText)
        text = head + inQuotes(local) + " " + inQuotes(agentPath) + tail + inQuotes("Failed.");
    if (text.size() > kConsoleText) text = head + inQuotes(local) + " \"\"" + tail + inQuotes("Failed.");
    if (text.size() > kConsoleText) text = head + "\"\" \"\"" + tail + inQuotes(why);
    gw_.send(session, target, wire::kFailure, text, Kind::Report);
}

// --- upload: console to gateway -------------------------------------------------------------

void Transfers::upload(Session& s, const std::string& target, std::string_view args)
{
    std::vector<std::string> items;
    bool parsed = splitItems(args, &items);
    std::string local = items.size() > 0 ? items[0] : std::string();
    std::string agentPath = items.size() > 1 ? items[1] : std::string();
    int type = items.size() > 2 && items[2] == "1" ? 1 : 0;
    if (!parsed || items.size() < 3 || (items[2] != "0" && items[2] != "1") || local.empty() ||
        (type == 1 && agentPath != "firmware") || (type == 0 && agentPath.empty())) {
        transferFail(s.id, target, wire::kUploadToGateway, local, agentPath, type,
                     "The parameter is incorrect.");
        return;
    }
    if (openLegs(s.id) >= kMaxLegsPerConsole) {
        transferFail(s.id, target, wire::kUploadToGateway, local, agentPath, type, kBusy);
        return;
    }
    std::string tag = "u" + std::to_string(++counter_) + "-" + tagName(local);
    std::uint64_t length = chunkLength(target.size(), local.size(), agentPath.size(), tag.size());
    std::size_t arrival = local.size() + agentPath.size() + tag.size() + 10; // the 192 text
    if (length < 128 || arrival > kConsoleText) {
        transferFail(s.id, target, wire::kUploadToGateway, local, agentPath, type,
                     "The file name (path) is too long.");
        return;
    }
    std::error_code ec;
    fs::create_directories(stagingDir(), ec);
    Upload u;
    u.session = s.id;
    u.target = target;
    u.local = local;
    u.agentPath = agentPath;
    u.tag = tag;
    u.type = type;
    u.length = length;
    u.staging = stagingDir() / tag;
    u.fd = ::open(u.staging.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (u.fd < 0) {
        transferFail(s.id, target, wire::kUploadToGateway, local, agentPath, type,
                     "The gateway cannot store the file.");
        return;
    }
    auto& stored = uploads_[tag] = std::move(u);
    requestChunk(stored);
}

void Transfers::requestChunk(Upload& u)
{
    // One request outstanding at a time; the console answers with at most that many bytes.
    std::string text = inQuotes(u.local) + " " + inQuotes(u.agentPath) + " " + u.tag + " 1" + " 0 " +
                       u64(u.offset) + " " + u64(u.length);
    gw_.send(u.session, u.target, wire::kChunkRequest, text, Kind::Chunk);
    gw_.loop().cancel(u.timer);
    std::string tag = u.tag;
    u.timer = gw_.loop().after(gw_.options().chunkTimeoutMs,
                               [this, tag] { failUpload(tag, "The file transfer timed out."); });
}

void Transfers::failUpload(std::string tag, const char* why)
{
    auto it = uploads_.find(tag);
    if (it == uploads_.end()) return;
    Upload u = std::move(it->second);
    uploads_.erase(it);
    gw_.loop().cancel(u.timer);
    closeFd(u.fd);
    std::error_code ec;
    fs::remove(u.staging, ec);
    transferFail(u.session, u.target, wire::kUploadToGateway, u.local, u.agentPath, u.type, why);
}

void Transfers::chunk(Session& s, std::string& payload)
{
    char* tokens[9];
    char* rest = nullptr;
    if (wire::tokenizeChunk(payload.data(), payload.size(), tokens, 9, &rest) != 9)
        return; // short of items: nothing to match it to
    auto it = uploads_.find(tokens[3]);
    if (it == uploads_.end() || it->second.session != s.id || it->second.local != tokens[1]) {
        if (gw_.options().verbose)
            std::fprintf(stderr, "[gw] #%llu chunk for unknown transfer %s ignored\n",
                         static_cast<unsigned long long>(s.id), tokens[3]);
        return;
    }
    Upload& u = it->second;
    std::uint64_t eof = 0, offset = 0, count = 0;
    std::size_t data = static_cast<std::size_t>(payload.data() + payload.size() - rest);
    if (!wire::parseU64(tokens[6], &eof) || !wire::parseU64(tokens[7], &offset) ||
        !wire::parseU64(tokens[8], &count) || offset != u.offset || count != data || count > u.length) {
        failUpload(u.tag, "The file transfer failed.");
        return;
    }
    if (u.offset + count > gw_.options().maxUpload) {
        failUpload(u.tag, "The file is too large.");
        return;
    }
    if (!writeAll(u.fd, rest, count)) {
        failUpload(u.tag, "The gateway cannot store the file.");
        return;
    }
    u.offset += count;
    // A short answer without the end flag would otherwise repeat for ever at the same offset.
    if (eof != 0 || count == 0)
        finishUpload(u.tag);
    else
        requestChunk(u);
}

void Transfers::finishUpload(std::string tag)
{
    auto it = uploads_.find(tag);
    Upload u = std::move(it->second);
    uploads_.erase(it);
    gw_.loop().cancel(u.timer);
    bool ok = ::fsync(u.fd) == 0 || errno == EINVAL;
    closeFd(u.fd);
    if (!ok) {
        std::error_code ec;
        fs::remove(u.staging, ec);
        transferFail(u.session, u.target, wire::kUploadToGateway, u.local, u.agentPath, u.type,
                     "The gateway cannot store the file.");
        return;
    }
    staged_[tag] = Staged{u.staging, u.offset, u.type};
    gw_.send(u.session, u.target, wire::kFileAtGateway,
             inQuotes(u.local) + " " + inQuotes(u.agentPath) + " " + tag + " " + std::to_string(u.type),
             Kind::Control);
}

// --- delivery: gateway to agent ---------------------------------------------------------------

Agent* Transfers::legAgent(const std::string& target, const std::function<void(std::string_view)>& refuse)
{
    Agent* agent = gw_.fleet().find(target);
    if (!agent) {
        refuse("The device is not registered with this gateway.");
        return nullptr;
    }
    if (agent->silent) return nullptr;
    if (agent->state != AgentState::Online) {
        refuse(agent->state == AgentState::Upgrading ? "The device is being upgraded."
                                                     : "The device is not on line.");
        return nullptr;
    }
    return agent;
}

void Transfers::sendToAgent(Session& s, const std::string& target, std::string_view args)
{
    std::vector<std::string> items;
    bool parsed = splitItems(args, &items);
    std::string local = items.size() > 0 ? items[0] : std::string();
    std::string agentPath = items.size() > 1 ? items[1] : std::string();
    int type = items.size() > 3 && items[3] == "1" ? 1 : 0;
    auto refuse = [&](std::string_view why) {
        transferFail(s.id, target, wire::kSendToAgent, local, agentPath, type, why);
    };
    if (!parsed || items.size() < 4 || (type == 1 && agentPath != "firmware")) {
        refuse("The parameter is incorrect.");
        return;
    }
    Agent* agent = legAgent(target, refuse);
    if (!agent) return;
    if (deliveries_.size() >= kMaxDeliveries) {
        refuse(kBusy);
        return;
    }
    auto st = staged_.find(items[2]);
    if (st == staged_.end() || st->second.type != type) {
        refuse("The file is not at the gateway.");
        return;
    }
    Delivery d;
    d.session = s.id;
    d.target = target;
    d.local = local;
    d.agentPath = agentPath;
    d.tag = items[2];
    d.type = type;
    d.agent = agent->number;
    d.generation = agent->generation;
    d.size = st->second.size;
    int os = gw_.fleet().osType(*agent);
    std::string error;
    if (type == 0) {
        bool drives = false;
        if (!gw_.files().ensureTree(*agent, os, &error) ||
            !gw_.files().resolve(*agent, os, agentPath, &d.dest, &drives, &error)) {
            refuse(error);
            return;
        }
        std::error_code ec;
        if (drives || d.dest == gw_.files().agentDir(*agent) || fs::is_directory(d.dest, ec)) {
            refuse(text::kAccessDenied);
            return;
        }
        std::uint64_t replaced = fs::is_regular_file(d.dest, ec) ? fs::file_size(d.dest, ec) : 0;
        if (d.size > replaced && (d.size - replaced) / 1024 > gw_.fleet().storageFreeKB(*agent)) {
            refuse(text::kDiskFull);
            return;
        }
        // Missing folders on the way are made, as the agent's installer would.
        fs::create_directories(d.dest.parent_path(), ec);
        d.temp = d.dest.parent_path() / (".tarn-part-" + std::to_string(++counter_));
        d.out = ::open(d.temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (d.out < 0) {
            refuse(text::kAccessDenied);
            return;
        }
    } else if (d.size == 0) {
        refuse("The firmware image is empty.");
        return;
    }
    d.in = ::open(st->second.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (d.in < 0) {
        closeFd(d.out);
        std::error_code ec;
        fs::remove(d.temp, ec);
        refuse("The file is not at the gateway.");
        return;
    }
    std::uint64_t id = ++counter_;
    deliveries_.emplace(id, std::move(d));
    gw_.loop().after(kTick, [this, id] { deliverStep(id); });
}

void Transfers::failDelivery(std::uint64_t id, const std::string& why)
{
    auto it = deliveries_.find(id);
    if (it == deliveries_.end()) return;
    Delivery d = std::move(it->second);
    deliveries_.erase(it);
    closeFd(d.in);
    closeFd(d.out);
    std::error_code ec;
    if (!d.temp.empty()) fs::remove(d.temp, ec);
    transferFail(d.session, d.target, wire::kSendToAgent, d.local, d.agentPath, d.type, why);
}

void Transfers::deliverStep(std::uint64_t id)
{
    auto it = deliveries_.find(id);
    if (it == deliveries_.end()) return;
    Delivery& d = it->second;
    Agent& agent = gw_.fleet().agents()[d.agent];
    if (agent.generation != d.generation || agent.state != AgentState::Online) {
        failDelivery(id, "The device went off line.");
        return;
    }
    std::uint64_t step = std::max<std::uint64_t>(4096, gw_.options().agentRate * kTick / 1000);
    std::vector<char> buf(static_cast<std::size_t>(std::min<std::uint64_t>(step, 1u << 20)));
    std::uint64_t moved = 0;
    while (moved < step && d.done < d.size) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), d.size - d.done));
        ssize_t n = ::pread(d.in, buf.data(), want, static_cast<off_t>(d.done));
        if (n <= 0) {
            failDelivery(id, "The file is not at the gateway.");
            return;
        }
        if (d.type == 1 && d.head.size() < 256)
            d.head.append(buf.data(),
                          std::min<std::size_t>(static_cast<std::size_t>(n), 256 - d.head.size()));
        if (d.out >= 0 && !writeAll(d.out, buf.data(), static_cast<std::size_t>(n))) {
            failDelivery(id, text::kDiskFull);
            return;
        }
        d.done += static_cast<std::uint64_t>(n);
        moved += static_cast<std::uint64_t>(n);
    }
    bool finished = d.done >= d.size;
    // local, agent path, type, gateway file, finished, done, total, leg flag (gateway-agent leg)
    std::string report = inQuotes(d.local) + " " + inQuotes(d.agentPath) + " " + std::to_string(d.type) +
                         " " + d.tag + (finished ? " 1 " : " 0 ") + u64(d.done) + " " + u64(d.size) + " 1";
    gw_.send(d.session, d.target, wire::kProgress, report, Kind::Report);
    if (!finished) {
        gw_.loop().after(kTick, [this, id] { deliverStep(id); });
        return;
    }
    Delivery done = std::move(d);
    deliveries_.erase(it);
    closeFd(done.in);
    if (done.type == 0) {
        std::error_code ec;
        std::uint64_t replaced = fs::is_regular_file(done.dest, ec) ? fs::file_size(done.dest, ec) : 0;
        bool ok = ::fsync(done.out) == 0 || errno == EINVAL;
        closeFd(done.out);
        // The old file stays whole until the new one is complete.
        if (ok) fs::rename(done.temp, done.dest, ec);
        if (!ok || ec) {
            fs::remove(done.temp, ec);
            transferFail(done.session, done.target, wire::kSendToAgent, done.local, done.agentPath, done.type,
                         text::kAccessDenied);
            return;
        }
        agent.change().addedKB +=
            static_cast<std::int64_t>(done.size / 1024) - static_cast<std::int64_t>(replaced / 1024);
    }
    gw_.send(done.session, done.target, wire::kDelivered,
             inQuotes(done.local) + " " + inQuotes(done.agentPath) + " " + done.tag + " " +
                 std::to_string(done.type),
             Kind::Report);
    if (done.type == 1) gw_.upgrade(agent, nextFirmware(gw_.fleet().firmware(agent), done.head));
}

void Transfers::clear(Session& s, const std::string& target, std::string_view args)
{
    std::vector<std::string> items;
    if (!splitItems(args, &items) || items.empty()) return;
    auto it = staged_.find(items[0]);
    if (it != staged_.end()) {
        // Deliveries still running keep their own handle on the file.
        std::error_code ec;
        fs::remove(it->second.path, ec);
        staged_.erase(it);
    }
    gw_.send(s.id, target, wire::kClearUploadReply, inQuotes(items[0]), Kind::Control);
}

// --- download: agent to console ---------------------------------------------------------------

void Transfers::download(Session& s, const std::string& target, std::string_view args)
{
    std::vector<std::string> items;
    bool parsed = splitItems(args, &items);
    std::string local = items.size() > 0 ? items[0] : std::string();
    std::string agentPath = items.size() > 1 ? items[1] : std::string();
    auto refuse = [&](std::string_view why) {
        transferFail(s.id, target, wire::kDownload, local, agentPath, 2, why);
    };
    if (!parsed || items.size() < 2 || local.empty() || agentPath.empty()) {
        refuse("The parameter is incorrect.");
        return;
    }
    Agent* agent = legAgent(target, refuse);
    if (!agent) return;
    if (openLegs(s.id) >= kMaxLegsPerConsole) {
        refuse(kBusy);
        return;
    }
    int os = gw_.fleet().osType(*agent);
    std::string error;
    fs::path host;
    bool drives = false;
    if (!gw_.files().ensureTree(*agent, os, &error) ||
        !gw_.files().resolve(*agent, os, agentPath, &host, &drives, &error)) {
        refuse(error);
        return;
    }
    struct stat st
    {
    };
    if (drives || ::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        refuse(drives || S_ISDIR(st.st_mode) ? text::kAccessDenied : text::kFileNotFound);
        return;
    }
    Download d;
    d.session = s.id;
    d.target = target;
    d.local = local;
    d.agentPath = agentPath;
    d.tag = "d" + std::to_string(++counter_);
    d.size = static_cast<std::uint64_t>(st.st_size);
    d.fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (d.fd < 0) {
        refuse(text::kAccessDenied);
        return;
    }
    std::size_t longest = local.size() + agentPath.size() + d.tag.size() + 50;
    if (longest > kConsoleText) {
        closeFd(d.fd);
        refuse("The file name (path) is too long.");
        return;
    }
    gw_.send(s.id, target, wire::kDownloadAccepted,
             inQuotes(local) + " " + inQuotes(agentPath) + " " + u64(d.size), Kind::Report);
    gw_.send(s.id, target, wire::kDownloadStart,
             u64(d.size) + " " + inQuotes(local) + " " + inQuotes(agentPath) + " " + d.tag, Kind::Report);
    d.lastReport = EventLoop::nowMs();
    auto& stored = downloads_[d.tag] = std::move(d);
    armDownloadTimer(stored);
}

void Transfers::armDownloadTimer(Download& d)
{
    gw_.loop().cancel(d.timer);
    std::string tag = d.tag;
    // Latency delays the start, so the console's first request may come that much later.
    d.timer = gw_.loop().after(gw_.options().chunkTimeoutMs + 2 * gw_.options().latencyMs, [this, tag] {
        auto it = downloads_.find(tag);
        if (it == downloads_.end()) return;
        Download& d = it->second;
        transferFail(d.session, d.target, 203, d.local, d.agentPath, 2, "The file transfer timed out.");
        endDownload(tag);
    });
}

void Transfers::chunkRequest(Session& s, const std::string& target, std::string_view args)
{
    std::vector<std::string> items;
    if (!splitItems(args, &items) || items.size() < 7) return;
    auto it = downloads_.find(items[2]);
    if (it == downloads_.end() || it->second.session != s.id || it->second.local != items[0]) {
        if (gw_.options().verbose)
            std::fprintf(stderr, "[gw] #%llu chunk request for unknown transfer %s ignored\n",
                         static_cast<unsigned long long>(s.id), items[2].c_str());
        return;
    }
    Download& d = it->second;
    std::uint64_t mode = 0, offset = 0, length = 0;
    if (!wire::parseU64(items[3].c_str(), &mode) || !wire::parseU64(items[5].c_str(), &offset) ||
        !wire::parseU64(items[6].c_str(), &length) || length == 0 || mode > 65535)
        return;
    std::uint64_t n = offset >= d.size ? 0 : std::min({length, kMaxDownloadChunk, d.size - offset});
    std::string data(static_cast<std::size_t>(n), '\0');
    if (n > 0 &&
        ::pread(d.fd, data.data(), data.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(n)) {
        transferFail(d.session, d.target, 203, d.local, d.agentPath, 2, "The file cannot be read.");
        endDownload(d.tag);
        return;
    }
    bool eof = offset + n >= d.size;
    std::string text = inQuotes(d.local) + " " + inQuotes(d.agentPath) + " " + d.tag + " " + u64(mode) +
                       " 0 " + (eof ? "1 " : "0 ") + u64(offset) + " " + u64(n) + " " + data;
    gw_.send(s.id, target, wire::kChunk, text, Kind::Chunk);
    d.sent = std::max(d.sent, offset + n);
    std::int64_t now = EventLoop::nowMs();
    if (!eof && now - d.lastReport >= kReportEvery) {
        d.lastReport = now;
        gw_.send(d.session, d.target, wire::kProgress,
                 inQuotes(d.local) + " " + inQuotes(d.agentPath) + " 2 " + d.tag + " 0 " + u64(d.sent) + " " +
                     u64(d.size) + " 0",
                 Kind::Report);
    }
    armDownloadTimer(d);
}

void Transfers::stored(Session& s, const std::string& target, std::string_view args)
{
    std::vector<std::string> items;
    if (!splitItems(args, &items) || items.empty()) return;
    auto it = downloads_.find(items[0]);
    if (it == downloads_.end() || it->second.session != s.id) return;
    Download& d = it->second;
    std::string head = inQuotes(d.local) + " " + inQuotes(d.agentPath) + " 2 " + d.tag + " 1 " + u64(d.size) +
                       " " + u64(d.size);
    // First the leg to the gateway is done, then the whole download.
    gw_.send(d.session, target, wire::kProgress, head + " 1", Kind::Report);
    gw_.send(d.session, target, wire::kProgress, head + " 0", Kind::Report);
    endDownload(d.tag);
}

void Transfers::endDownload(std::string tag)
{
    auto it = downloads_.find(tag);
    if (it == downloads_.end()) return;
    gw_.loop().cancel(it->second.timer);
    closeFd(it->second.fd);
    downloads_.erase(it);
}

std::size_t Transfers::openLegs(std::uint64_t session) const
{
    std::size_t n = 0;
    for (const auto& [tag, u] : uploads_)
        n += u.session == session;
    for (const auto& [tag, d] : downloads_)
        n += d.session == session;
    return n;
}

void Transfers::sessionClosed(std::uint64_t session)
{
    std::vector<std::string> gone;
    for (auto& [tag, u] : uploads_)
        if (u.session == session) gone.push_back(tag);
    for (const auto& tag : gone) {
        Upload& u = uploads_[tag];
        gw_.loop().cancel(u.timer);
        closeFd(u.fd);
        std::error_code ec;
        fs::remove(u.staging, ec);
        uploads_.erase(tag);
    }
    gone.clear();
    for (auto& [tag, d] : downloads_)
        if (d.session == session) gone.push_back(tag);
    for (const auto& tag : gone)
        endDownload(tag);
    // Deliveries go on: the agent leg does not need the console.
}

void Transfers::cleanup()
{
    std::error_code ec;
    for (auto& [tag, u] : uploads_) {
        closeFd(u.fd);
        fs::remove(u.staging, ec);
    }
    uploads_.clear();
    for (auto& [id, d] : deliveries_) {
        closeFd(d.in);
        closeFd(d.out);
        if (!d.temp.empty()) fs::remove(d.temp, ec);
    }
    deliveries_.clear();
    for (auto& [tag, d] : downloads_)
        closeFd(d.fd);
    downloads_.clear();
    for (auto& [tag, st] : staged_)
        fs::remove(st.path, ec);
    staged_.clear();
    fs::remove(stagingDir(), ec); // only when empty
}

} // namespace tarngw
