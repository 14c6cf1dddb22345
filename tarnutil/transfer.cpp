// The console-gateway leg of file transfers, answered inside TarnRecvMsg.
//
// The gateway names the local path in every chunk message, so a chunk is served or stored only for
// a path this connection offered itself: anything else would let a gateway read or overwrite any
// file of the operator's. Downloads go to a temporary file beside the target, which replaces the
// target only once the last chunk is stored, so a failed download never destroys the old file.
#include "handle.h"
#include "tarnutil.h"
#include "wire.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarnwire;

namespace tarnutil {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

bool isOfferedUpload(TarnHandle* handle, const char* path)
{
    std::lock_guard<std::mutex> lock(handle->pathLock);
    return handle->uploads.count(path) != 0;
}

// The temporary file of a started download, or empty when the path was never asked for or not started.
std::string downloadTemporary(TarnHandle* handle, const char* path)
{
    std::lock_guard<std::mutex> lock(handle->pathLock);
    auto it = handle->downloads.find(path);
    return it == handle->downloads.end() ? std::string() : it->second.temporary;
}

bool sendText(TarnHandle* handle, const char* target, std::uint16_t code, const char* text, std::size_t length,
              std::size_t capacity)
{
    char frame[kFrameBuffer];
    if (capacity > sizeof frame)
        capacity = sizeof frame;
    const int frameLength = buildFrame(frame, capacity, target, code, text, length);
    if (frameLength < 0)
        return false;
    return sendFrame(handle, frame, frameLength);
}

long readAt(int fd, char* buf, std::size_t count, std::uint64_t offset)
{
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, buf + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

bool writeAt(int fd, const char* buf, std::size_t count, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(fd, buf + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string makeTemporaryBeside(const std::string& target)
{
    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = dir + "." + base + ".part-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    // The finished file keeps the mode of the one it replaces.
    struct stat st;
    ::fchmod(fd, ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    ::close(fd);
    return pattern;
}

} // namespace

void offerUpload(TarnHandle* handle, const std::string& localPath)
{
    std::lock_guard<std::mutex> lock(handle->pathLock);
    handle->uploads.insert(localPath);
}

void offerDownload(TarnHandle* handle, const std::string& localPath)
{
    std::lock_guard<std::mutex> lock(handle->pathLock);
    auto& entry = handle->downloads[localPath];
    // Asked for again: the earlier attempt is over, and so is its partial file.
    if (!entry.temporary.empty()) {
        ::unlink(entry.temporary.c_str());
        entry.temporary.clear();
    }
}

void forgetTransfers(TarnHandle* handle)
{
    std::lock_guard<std::mutex> lock(handle->pathLock);
    for (auto& [path, download] : handle->downloads) {
        if (!download.temporary.empty())
            ::unlink(download.temporary.c_str());
    }
    handle->downloads.clear();
    handle->uploads.clear();
}

void answerChunkRequest(TarnHandle* handle, char* payload, std::size_t)
{
    // target, local path, agent path, tag, mode, reserved, offset, length
    char* items[8];
    if (tokenize(payload, items, 8) != 8)
        return;
    std::uint64_t offset = 0;
    std::uint64_t wanted = 0;
    if (!parseU64(items[6], &offset) || !parseU64(items[7], &wanted) || wanted == 0)
        return;
    if (offset > static_cast<std::uint64_t>(INT64_MAX))
        return;
    if (!isOfferedUpload(handle, items[1]))
        return;

    Fd file(::open(items[1], O_RDONLY | O_CLOEXEC));
    if (!file.ok())
        return;
    struct stat st;
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    const unsigned mode = static_cast<unsigned short>(std::strtoul(items[4], nullptr, 10));
    auto format = [&](char* out, std::size_t capacity, int endOfFile, std::size_t count) {
        return std::snprintf(out, capacity, "\"%s\" \"%s\" %s %u 0 %d %llu %zu ", items[1], items[2], items[3], mode,
                             endOfFile, static_cast<unsigned long long>(offset), count);
    };

    // Send as much as the 2048-byte answer frame holds: a request for a whole 2048 bytes would
    // otherwise never be answered and the upload would stall.
    std::size_t count = wanted < kChunkBuffer ? static_cast<std::size_t>(wanted) : kChunkBuffer;
    char text[kChunkBuffer];
    const int widest = format(text, sizeof text, 0, count);
    const std::size_t targetLength = std::strlen(items[0]);
    if (widest < 0 || static_cast<std::size_t>(widest) + targetLength + 5 >= kChunkBuffer)
        return; // not even the text fits with the target
    const std::size_t room = kChunkBuffer - 1 - 5 - targetLength - static_cast<std::size_t>(widest);
    if (count > room)
        count = room;

    char answer[kChunkBuffer];
    const long got = readAt(file.get(), answer + widest, count, offset);
    if (got < 0)
        return;
    const int endOfFile = (offset + static_cast<std::uint64_t>(got) >= size) ? 1 : 0;
    const int textLength = format(text, sizeof text, endOfFile, static_cast<std::size_t>(got));
    if (textLength < 0 || textLength > widest)
        return;
    // The text may have come out shorter than the widest one: move the data up behind it.
    std::memmove(answer + textLength, answer + widest, static_cast<std::size_t>(got));
    std::memcpy(answer, text, static_cast<std::size_t>(textLength));
    const std::size_t answerLength = static_cast<std::size_t>(textLength) + static_cast<std::size_t>(got);
    if (targetLength + answerLength + 5 > kChunkBuffer)
        return;
    sendText(handle, items[0], kChunk, answer, answerLength, kChunkBuffer);
}

void storeChunk(TarnHandle* handle, char* payload, std::size_t length)
{
    // target, local path, agent path, tag, mode, reserved, end-of-file flag, offset, byte count, raw bytes
    char* items[9];
    char* data = nullptr;
    if (tokenizeChunk(payload, length, items, 9, &data) != 9)
        return;
    std::uint64_t endOfFile = 0;
    std::uint64_t offset = 0;
    std::uint64_t count = 0;
    if (!parseU64(items[6], &endOfFile) || !parseU64(items[7], &offset) || !parseU64(items[8], &count))
        return;
    const std::size_t available = static_cast<std::size_t>(payload + length - data);
    if (count > available || offset > static_cast<std::uint64_t>(INT64_MAX) - count)
        return; // short chunk
    const std::string temporary = downloadTemporary(handle, items[1]);
    if (temporary.empty())
        return;
    {
        Fd file(::open(temporary.c_str(), O_WRONLY | O_CLOEXEC));
        if (!file.ok() || !writeAt(file.get(), data, static_cast<std::size_t>(count), offset))
            return;
    }
    if (endOfFile != 0) {
        {
            std::lock_guard<std::mutex> lock(handle->pathLock);
            auto it = handle->downloads.find(items[1]);
            if (it == handle->downloads.end() || it->second.temporary != temporary)
                return;
            if (::rename(temporary.c_str(), items[1]) != 0)
                return;
            handle->downloads.erase(it);
        }
        char text[kRequestText];
        const int n = std::snprintf(text, sizeof text, "\"%s\"", items[3]);
        if (n > 0 && static_cast<std::size_t>(n) < sizeof text)
            sendText(handle, items[0], kDownloadStored, text, static_cast<std::size_t>(n),
                     kFrameBuffer);
        return;
    }
    char text[kChunkBuffer];
    const int n = std::snprintf(text, sizeof text, "\"%s\" \"%s\" %s %s %s %llu %zu", items[1], items[2], items[3],
                                items[4], items[5], static_cast<unsigned long long>(offset + count), kDownloadChunk);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof text)
        sendText(handle, items[0], kChunkRequest, text, static_cast<std::size_t>(n), kFrameBuffer);
}

bool startDownload(TarnHandle* handle, char* payload, std::size_t, std::string& failure)
{
    // target, a field the console does not use, local path, agent path, tag
    char* items[5];
    if (tokenize(payload, items, 5) != 5)
        return true; // dropped silently
    const char* target = items[0];
    const char* local = items[2];
    const char* agent = items[3];
    auto fail = [&](const char* why) {
        char text[kFrameBuffer];
        const int n =
            std::snprintf(text, sizeof text, "%s %d \"%s\" \"%s\" 2 \"%s\"", target, kDownloadStart, local, agent, why);
        failure.assign(text, n > 0 ? std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1) : 0);
        return false;
    };

    std::string temporary;
    {
        std::lock_guard<std::mutex> lock(handle->pathLock);
        auto it = handle->downloads.find(local);
        if (it == handle->downloads.end())
            return fail("Failed to create local file.");
        if (!it->second.temporary.empty())
            ::unlink(it->second.temporary.c_str());
        it->second.temporary = temporary = makeTemporaryBeside(local);
        if (temporary.empty())
            return fail("Failed to create local file.");
    }
    char text[kChunkBuffer];
    const int n = std::snprintf(text, sizeof text, "\"%s\" \"%s\" %s 2 0 0 %zu", local, agent, items[4], kDownloadChunk);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof text ||
        !sendText(handle, target, kChunkRequest, text, static_cast<std::size_t>(n), kFrameBuffer))
        return fail("Failed to send file request.");
    return true;
}

} // namespace tarnutil
