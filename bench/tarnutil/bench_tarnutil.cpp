// TarnUtil against bare sockets on loopback: a request round trip, and both legs of a file
// exchange pulled by a minimal gateway side. Each figure is printed as a ratio against a baseline
// measured in the same run, beside the ratio its issue asks for.
#include "tarnutil.h"
#include "wire.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kFileSize = 64u << 20;
constexpr std::size_t kRequestFrame = 100;
constexpr int kPeerTimeoutMs = 5000;
const char* const kNick = "agent-01:0";
const char* const kAgentUpload = "/agent/up.bin";
const char* const kAgentDownload = "/agent/down.bin";

std::string scratch;
std::string uploadPath;   // the file the upload leg serves
std::string downloadPath; // where the download leg writes
std::string content;      // both files' bytes
std::uint64_t contentSum = 0;

std::uint64_t checksum(const char* data, std::size_t size)
{
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i)
        h = (h ^ static_cast<unsigned char>(data[i])) * 1099511628211ull;
    return h;
}

// ---- loopback sockets ----

class Listener
{
public:
    Listener()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::listen(fd_, 4) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
            return;
        port_ = ntohs(sa.sin_port);
    }
    ~Listener()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    int port() const { return port_; }
    // The next connection, or -1 when none came in time.
    int accept() const
    {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, kPeerTimeoutMs) != 1) return -1;
        const int s = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (s >= 0) limitWaits(s);
        return s;
    }
    // A plain client socket connected to this listener.
    int connect() const
    {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sa.sin_port = htons(static_cast<std::uint16_t>(port_));
        if (s < 0 || ::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            if (s >= 0) ::close(s);
            return -1;
        }
        limitWaits(s);
        return s;
    }

private:
    // Blocking calls give up after a while instead of hanging the run; this costs nothing per call.
    static void limitWaits(int s)
    {
        timeval tv{kPeerTimeoutMs / 1000, 0};
        ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }

    int fd_ = -1;
    int port_ = 0;
};

bool recvExact(int fd, char* buf, std::size_t count)
{
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::recv(fd, buf + got, count - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

bool sendAll(int fd, const char* data, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::send(fd, data + done, count - done, MSG_NOSIGNAL);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

// One frame into frame (header included, NUL after the payload); false on a closed or silent peer.
bool readFrame(int fd, std::vector<char>& frame, std::uint16_t& code, std::size_t& payloadLength)
{
    frame.resize(tarnwire::kHeaderSize + 0x10000);
    if (!recvExact(fd, frame.data(), tarnwire::kHeaderSize)) return false;
    std::uint16_t length = 0;
    tarnwire::decodeHeader(reinterpret_cast<unsigned char*>(frame.data()), &length, &code);
    if (length > 0 && !recvExact(fd, frame.data() + tarnwire::kHeaderSize, length)) return false;
    frame[tarnwire::kHeaderSize + length] = '\0';
    payloadLength = length;
    return true;
}

int buildInto(std::vector<char>& out, const char* target, std::uint16_t code, const char* args,
              std::size_t length)
{
    out.resize(tarnwire::kFrameBuffer);
    return tarnwire::buildFrame(out.data(), out.size(), target, code, args, length);
}

// ---- the gateway side ----

// Answers every frame with itself until the other side closes.
void echoLoop(int fd)
{
    std::vector<char> frame;
    std::uint16_t code = 0;
    std::size_t length = 0;
    while (readFrame(fd, frame, code, length) && sendAll(fd, frame.data(), tarnwire::kHeaderSize + length)) {
    }
}

// Pulls a whole upload, one 2048-byte request outstanding at a time. Bytes received, or -1.
// A blind responder cannot echo the offset, so checking it is optional.
long long pullUpload(int fd, const std::string& local, std::uint64_t size, bool checkOffsets, long& chunks)
{
    chunks = 0;
    std::vector<char> request, answer;
    char text[tarnwire::kRequestText];
    std::uint64_t offset = 0;
    for (;;) {
        const int n = std::snprintf(text, sizeof text, "\"%s\" \"%s\" up7 0 0 %" PRIu64 " 2048",
                                    local.c_str(), kAgentUpload, offset);
        const int length =
            buildInto(request, "gw", tarnwire::kChunkRequest, text, static_cast<std::size_t>(n));
        std::uint16_t code = 0;
        std::size_t payloadLength = 0;
        if (length < 0 || !sendAll(fd, request.data(), static_cast<std::size_t>(length)) ||
            !readFrame(fd, answer, code, payloadLength) || code != tarnwire::kChunk)
            return -1;
        char* items[9];
        char* data = nullptr;
        std::uint64_t eof = 0, at = 0, count = 0;
        if (tarnwire::tokenizeChunk(answer.data() + tarnwire::kHeaderSize, payloadLength, items, 9, &data) !=
                9 ||
            !tarnwire::parseU64(items[6], &eof) || !tarnwire::parseU64(items[7], &at) ||
            !tarnwire::parseU64(items[8], &count) || (checkOffsets && at != offset))
            return -1;
        offset += count;
        ++chunks;
        if (eof != 0 || offset >= size) return static_cast<long long>(offset);
        if (count == 0) return -1;
    }
}

// Pushes a whole download: 204, then a 194 of up to 1024 bytes for every 193, until 205.
bool pushDownload(int fd, const std::string& local, long& chunks)
{
    chunks = 0;
    std::vector<char> out, in;
    char text[tarnwire::kChunkBuffer];
    int n = std::snprintf(text, sizeof text, "0 \"%s\" \"%s\" dl9", local.c_str(), kAgentDownload);
    int length = buildInto(out, "gw", tarnwire::kDownloadStart, text, static_cast<std::size_t>(n));
    if (length < 0 || !sendAll(fd, out.data(), static_cast<std::size_t>(length))) return false;
    for (;;) {
        std::uint16_t code = 0;
        std::size_t payloadLength = 0;
        if (!readFrame(fd, in, code, payloadLength)) return false;
        if (code == tarnwire::kDownloadStored) return true;
        // target, local path, agent path, tag, mode, reserved, offset, length
        char* items[8];
        std::uint64_t offset = 0, wanted = 0;
        if (code != tarnwire::kChunkRequest ||
            tarnwire::tokenize(in.data() + tarnwire::kHeaderSize, items, 8) != 8 ||
            !tarnwire::parseU64(items[6], &offset) || !tarnwire::parseU64(items[7], &wanted) ||
            offset > content.size())
            return false;
        ++chunks;
        const std::size_t count = std::min<std::size_t>(
            std::min<std::uint64_t>(wanted, tarnwire::kDownloadChunk), content.size() - offset);
        const int eof = offset + count >= content.size() ? 1 : 0;
        n = std::snprintf(text, sizeof text, "\"%s\" \"%s\" %s %s 0 %d %" PRIu64 " %zu ", items[1], items[2],
                          items[3], items[4], eof, offset, count);
        std::string chunk(text, static_cast<std::size_t>(n));
        chunk.append(content, offset, count);
        length = buildInto(out, "gw", tarnwire::kChunk, chunk.data(), chunk.size());
        if (length < 0 || !sendAll(fd, out.data(), static_cast<std::size_t>(length))) return false;
    }
}

// ---- the console side ----

// The console's receive worker: TarnRecvMsg in a loop, as the control core runs it.
class Receiver
{
public:
    explicit Receiver(TarnHandle* h)
        : thread_([this, h] {
              std::vector<char> target(256), text(10236);
              unsigned short code = 0;
              while (!stop_) {
                  const int r = TarnRecvMsg(h, target.data(), static_cast<unsigned short>(target.size()),
                                            &code, text.data(), static_cast<int>(text.size()), 100);
                  if (r < 0) break;
                  if (r > 0) ++delivered_;
              }
          })
    {
    }
    // The peer must have shut the connection down first, so that TarnRecvMsg returns.
    void join()
    {
        stop_ = true;
        thread_.join();
    }
    int delivered() const { return delivered_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> delivered_{0};
    std::thread thread_;
};

// A connected TarnUtil handle and the gateway side of its connection.
struct Connection
{
    Listener listener;
    TarnHandle* handle = nullptr;
    int peer = -1;
    bool ok = false;

    Connection()
    {
        if (TarnInit(&handle) == 0 && TarnConnect(handle, "127.0.0.1", listener.port()) == 0)
            peer = listener.accept();
        ok = peer >= 0;
    }
    ~Connection()
    {
        if (peer >= 0) ::close(peer);
        TarnUninit(handle);
    }
    // Reads one frame the console wrote and checks its code.
    bool expect(std::uint16_t code)
    {
        std::vector<char> frame;
        std::uint16_t got = 0;
        std::size_t length = 0;
        return readFrame(peer, frame, got, length) && got == code;
    }
};

std::string requestArgs()
{
    // Target, one space and the arguments fill a 100-byte frame.
    return std::string(kRequestFrame - tarnwire::kHeaderSize - std::strlen(kNick) - 1, 'r');
}

// ---- benchmarks ----

void RoundTrip_TarnUtil(benchmark::State& state)
{
    Connection c;
    if (!c.ok) {
        state.SkipWithError("cannot connect");
        return;
    }
    std::thread echo(echoLoop, c.peer);
    const std::string args = requestArgs();
    std::vector<char> target(256), text(10236);
    unsigned short code = 0;
    for (auto _ : state) {
        if (TarnSendMsg(c.handle, kNick, 102, args.c_str()) != 0 ||
            TarnRecvMsg(c.handle, target.data(), 256, &code, text.data(), 10236, kPeerTimeoutMs) !=
                static_cast<int>(args.size())) {
            state.SkipWithError("round trip failed");
            break;
        }
    }
    ::shutdown(c.peer, SHUT_RDWR);
    echo.join();
}

void RoundTrip_Bare(benchmark::State& state)
{
    Listener listener;
    const int fd = listener.connect();
    const int peer = listener.accept();
    if (fd < 0 || peer < 0) {
        state.SkipWithError("cannot connect");
        return;
    }
    std::thread echo(echoLoop, peer);
    const std::string frame = tarnwire::makeFrame(kNick, 102, requestArgs());
    char back[kRequestFrame];
    for (auto _ : state) {
        if (!sendAll(fd, frame.data(), frame.size()) || !recvExact(fd, back, frame.size())) {
            state.SkipWithError("round trip failed");
            break;
        }
    }
    ::shutdown(peer, SHUT_RDWR);
    echo.join();
    ::close(fd);
    ::close(peer);
}

void Upload_TarnUtil(benchmark::State& state)
{
    Connection c;
    if (!c.ok || TarnSendFileToGW(c.handle, "gw", uploadPath.c_str(), kAgentUpload) != 0 ||
        !c.expect(tarnwire::kUploadToGateway)) {
        state.SkipWithError("cannot offer the upload");
        return;
    }
    Receiver receiver(c.handle);
    long chunks = 0;
    for (auto _ : state) {
        if (pullUpload(c.peer, uploadPath, content.size(), true, chunks) !=
            static_cast<long long>(content.size())) {
            state.SkipWithError("upload failed");
            break;
        }
    }
    state.counters["chunks"] = static_cast<double>(chunks);
    ::shutdown(c.peer, SHUT_RDWR);
    receiver.join();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
}

// Answers every request with one prebuilt chunk frame the size of the library's answers: no file I/O.
void chunkResponder(int fd, std::string frame)
{
    std::vector<char> in;
    std::uint16_t code = 0;
    std::size_t length = 0;
    while (readFrame(fd, in, code, length) && sendAll(fd, frame.data(), frame.size())) {
    }
}

std::string baselineChunkFrame()
{
    // The library's answer text for a mid-file offset; the data fills the frame as the library fills it.
    char text[tarnwire::kChunkBuffer];
    const int n = std::snprintf(text, sizeof text, "\"%s\" \"%s\" up7 0 0 0 %" PRIu64 " ", uploadPath.c_str(),
                                kAgentUpload, std::uint64_t{12345678});
    const std::size_t frameSize = tarnwire::kChunkBuffer - 1; // what the library's answers come to
    const std::size_t fixed = tarnwire::kHeaderSize + 3 /* "gw " */ + static_cast<std::size_t>(n) + 5;
    const std::size_t count = frameSize - fixed;
    std::string args(text, static_cast<std::size_t>(n));
    args += std::to_string(count) + " ";
    args.append(content, 0, count);
    return tarnwire::makeFrame("gw", tarnwire::kChunk, args);
}

void Upload_Baseline(benchmark::State& state)
{
    Listener listener;
    const int fd = listener.connect();
    const int peer = listener.accept();
    if (fd < 0 || peer < 0) {
        state.SkipWithError("cannot connect");
        return;
    }
    std::thread responder(chunkResponder, fd, baselineChunkFrame());
    long chunks = 0;
    for (auto _ : state) {
        if (pullUpload(peer, uploadPath, content.size(), false, chunks) <
            static_cast<long long>(content.size())) {
            state.SkipWithError("upload baseline failed");
            break;
        }
    }
    state.counters["chunks"] = static_cast<double>(chunks);
    ::shutdown(peer, SHUT_RDWR);
    responder.join();
    ::close(fd);
    ::close(peer);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
}

bool downloadedFileIsRight(std::string& why)
{
    struct stat st;
    if (::stat(downloadPath.c_str(), &st) != 0 || static_cast<std::size_t>(st.st_size) != content.size()) {
        why = "the downloaded file has the wrong size";
        return false;
    }
    std::string bytes(content.size(), '\0');
    const int fd = ::open(downloadPath.c_str(), O_RDONLY | O_CLOEXEC);
    const bool read = fd >= 0 && ::read(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (fd >= 0) ::close(fd);
    if (!read || checksum(bytes.data(), bytes.size()) != contentSum) {
        why = "the downloaded file has the wrong bytes";
        return false;
    }
    return true;
}

void Download_TarnUtil(benchmark::State& state)
{
    Connection c;
    if (!c.ok) {
        state.SkipWithError("cannot connect");
        return;
    }
    Receiver receiver(c.handle);
    ::unlink(downloadPath.c_str());
    long chunks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Each download is asked for first, which lets the coming 204/194 write the file.
        const bool asked = TarnDownloadFile(c.handle, "gw", downloadPath.c_str(), kAgentDownload) == 0 &&
                           c.expect(tarnwire::kDownload);
        state.ResumeTiming();
        if (!asked || !pushDownload(c.peer, downloadPath, chunks)) {
            state.SkipWithError("download failed");
            break;
        }
    }
    state.counters["chunks"] = static_cast<double>(chunks);
    ::shutdown(c.peer, SHUT_RDWR);
    receiver.join();
    std::string why;
    if (!state.error_occurred() && !downloadedFileIsRight(why)) state.SkipWithError(why.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
}

// Asks for each next chunk as the library does, but stores nothing.
void minimalDownloadClient(int fd)
{
    std::vector<char> in, out;
    char text[tarnwire::kChunkBuffer];
    std::uint16_t code = 0;
    std::size_t length = 0;
    while (readFrame(fd, in, code, length)) {
        char* payload = in.data() + tarnwire::kHeaderSize;
        int n = -1;
        std::uint16_t answer = tarnwire::kChunkRequest;
        char* items[9];
        char* data = nullptr;
        if (code == tarnwire::kDownloadStart) {
            if (tarnwire::tokenize(payload, items, 5) == 5)
                n = std::snprintf(text, sizeof text, "\"%s\" \"%s\" %s 2 0 0 1024", items[2], items[3],
                                  items[4]);
        } else if (code == tarnwire::kChunk &&
                   tarnwire::tokenizeChunk(payload, length, items, 9, &data) == 9) {
            std::uint64_t eof = 0, offset = 0, count = 0;
            if (tarnwire::parseU64(items[6], &eof) && tarnwire::parseU64(items[7], &offset) &&
                tarnwire::parseU64(items[8], &count)) {
                if (eof != 0) {
                    answer = tarnwire::kDownloadStored;
                    n = std::snprintf(text, sizeof text, "\"%s\"", items[3]);
                } else {
                    n = std::snprintf(text, sizeof text, "\"%s\" \"%s\" %s %s %s %" PRIu64 " 1024", items[1],
                                      items[2], items[3], items[4], items[5], offset + count);
                }
            }
        }
        if (n < 0) return;
        const int frameLength = buildInto(out, items[0], answer, text, static_cast<std::size_t>(n));
        if (frameLength < 0 || !sendAll(fd, out.data(), static_cast<std::size_t>(frameLength))) return;
    }
}

void Download_Baseline(benchmark::State& state)
{
    Listener listener;
    const int fd = listener.connect();
    const int peer = listener.accept();
    if (fd < 0 || peer < 0) {
        state.SkipWithError("cannot connect");
        return;
    }
    std::thread client(minimalDownloadClient, fd);
    long chunks = 0;
    for (auto _ : state) {
        // The same timer calls as the TarnUtil leg, which asks for its download here.
        state.PauseTiming();
        state.ResumeTiming();
        if (!pushDownload(peer, downloadPath, chunks)) {
            state.SkipWithError("download baseline failed");
            break;
        }
    }
    state.counters["chunks"] = static_cast<double>(chunks);
    ::shutdown(peer, SHUT_RDWR);
    client.join();
    ::close(fd);
    ::close(peer);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
}

// ---- report ----

// The console table as usual, and the medians kept for the summary.
class Reporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                failed_[run.run_name.function_name] = run.error_message;
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                median_[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
    // Median seconds per iteration, or a negative value when there is none.
    double median(const std::string& name) const
    {
        auto it = median_.find(name);
        return it == median_.end() ? -1 : it->second;
    }
    const std::map<std::string, std::string>& failed() const { return failed_; }

private:
    std::map<std::string, double> median_;
    std::map<std::string, std::string> failed_;
};

void summary(const Reporter& r)
{
    std::printf("\nTarnUtil against baselines (medians, real time)\n");
    const double lib = r.median("RoundTrip_TarnUtil"), bare = r.median("RoundTrip_Bare");
    if (lib > 0 && bare > 0) {
        const double ratio = lib / bare;
        std::printf("round trip: tarnutil %.1f us, bare %.1f us, ratio %.2f (target <= 1.3)%s\n", lib * 1e6,
                    bare * 1e6, ratio, ratio <= 1.3 ? "" : "  MISSED");
    } else {
        std::printf("round trip: not measured  MISSED\n");
    }
    auto leg = [&](const char* what, const char* libName, const char* baseName) {
        const double libTime = r.median(libName), baseTime = r.median(baseName);
        if (libTime <= 0 || baseTime <= 0) {
            std::printf("%s: not measured  MISSED\n", what);
            return;
        }
        const double mb = static_cast<double>(content.size()) / 1e6;
        const double ratio = (mb / libTime) / (mb / baseTime);
        std::printf(
            "%s: tarnutil %.0f ms (%.1f MB/s), baseline %.0f ms (%.1f MB/s), ratio %.2f (target >= 0.7)%s\n",
            what, libTime * 1e3, mb / libTime, baseTime * 1e3, mb / baseTime, ratio,
            ratio >= 0.7 ? "" : "  MISSED");
    };
    leg("upload leg (64 MiB, 2048-byte requests)", "Upload_TarnUtil", "Upload_Baseline");
    leg("download leg (64 MiB, 1024-byte chunks)", "Download_TarnUtil", "Download_Baseline");
    for (const auto& [name, why] : r.failed())
        std::printf("%s failed: %s\n", name.c_str(), why.c_str());
}

bool prepareFiles()
{
    char pattern[] = "/tmp/tarn-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return false;
    scratch = pattern;
    uploadPath = scratch + "/up.bin";
    downloadPath = scratch + "/down.bin";
    content.resize(kFileSize);
    std::uint32_t x = 7;
    for (auto& c : content) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    contentSum = checksum(content.data(), content.size());
    const int fd = ::open(uploadPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok =
        fd >= 0 && ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    if (fd >= 0) ::close(fd);
    return ok;
}

} // namespace

BENCHMARK(RoundTrip_TarnUtil)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly();
BENCHMARK(RoundTrip_Bare)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly();
BENCHMARK(Upload_TarnUtil)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(Upload_Baseline)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(Download_TarnUtil)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(Download_Baseline)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

int main(int argc, char** argv)
{
    // Repetitions of the figures and their baselines alternate, so that a busy moment of this
    // machine does not fall on one side only.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given = given || std::strncmp(argv[i], "--benchmark_enable_random_interleaving", 38) == 0;
    if (!given) args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    if (!prepareFiles()) {
        std::fprintf(stderr, "bench_tarnutil: cannot write the files under /tmp\n");
        return 1;
    }
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    summary(reporter);
    std::filesystem::remove_all(scratch);
    benchmark::Shutdown();
    return 0;
}
