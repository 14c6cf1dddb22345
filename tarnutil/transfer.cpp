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

void closeUpload(TarnHandle::OpenUpload& open)
{
    if (open.fd >= 0) ::close(open.fd);
    open = TarnHandle::OpenUpload();
}

// The open descriptor and size of an offered upload, kept across its chunk requests; false for a
// path never offered or a file that cannot be read.
bool openOfferedUpload(TarnHandle* handle, const char* path, int* fd, std::uint64_t* size)
{
    std::lock_guard<std::mutex> lock(handle->pathLock);
    if (handle->uploads.count(path) == 0) return false;
    auto* cache = handle->openUploads;
    std::size_t i = 0;
    while (i < TarnHandle::kOpenUploads && !(cache[i].fd >= 0 && cache[i].path == path))
        ++i;
    if (i == TarnHandle::kOpenUploads) {
        const int f = ::open(path, O_RDONLY | O_CLOEXEC);
        if (f < 0) return false;
        struct stat st;
        if (::fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(f);
            return false;
        }
        i = TarnHandle::kOpenUploads - 1;
        closeUpload(cache[i]); // the least recently used
        cache[i] = TarnHandle::OpenUpload{path, f, static_cast<std::uint64_t>(st.st_size)};
    }
    // Most recently used first.
    for (; i > 0; --i)
        std::swap(cache[i], cache[i - 1]);
    *fd = cache[0].fd;
    *size = cache[0].size;
    return true;
}

bool sendText(TarnHandle* handle, const char* target, std::uint16_t code, const char* text,
              std::size_t length, std::size_t capacity)
{
    char frame[kFrameBuffer];
    if (capacity > sizeof frame) capacity = sizeof frame;
    const int frameLength = buildFrame(frame, capacity, target, code, text, length);
    if (frameLength < 0) return false;
    return sendFrame(handle, frame, frameLength);
}

long readAt(int fd, char* buf, std::size_t count, std::uint64_t offset)
{
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, buf + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
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
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void dropTemporary(TarnHandle::Download& download)
{
    if (download.fd >= 0) ::close(download.fd);
    if (!download.temporary.empty()) ::unlink(download.temporary.c_str());
    download = TarnHandle::Download();
}

// Creates the file a download writes into, beside its target so that renaming it over the target
// is atomic. Its descriptor in *fd.
std::string makeTemporaryBeside(const std::string& target, int* fdOut)
{
    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = dir + "." + base + ".part-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return {};
    // The finished file keeps the mode of the one it replaces.
    struct stat st;
    ::fchmod(fd, ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    *fdOut = fd;
    return pattern;
}

} // namespace

void offerUpload(TarnHandle* handle, const std::string& localPath)
{
    std::lock_guard<std::mutex> lock(handle->pathLock);
    handle->uploads.insert(localPath);
    // Offered anew: read the file as it is now.
    for (auto& open : handle->openUploads)
        if (open.path == localPath) closeUpload(open);
}

void offerDownload(TarnHandle* handle, const std::string& localPath)
{
    std::lock_guard<std::mutex> lock(handle->pathLock);
    auto& entry = handle->downloads[localPath];
    // Asked for again: the earlier attempt is over, and so is its partial file.
    dropTemporary(entry);
}

void forgetTransfers(TarnHandle* handle)
{
    std::lock_guard<std::mutex> lock(handle->pathLock);
    for (auto& [path, download] : handle->downloads)
        dropTemporary(download);
    handle->downloads.clear();
    handle->uploads.clear();
    for (auto& open : handle->openUploads)
        closeUpload(open);
}

void answerChunkRequest(TarnHandle* handle, char* payload, std::size_t)
{
    // target, local path, agent path, tag, mode, reserved, offset, length
    char* items[8];
    if (tokenize(payload, items, 8) != 8) return;
    std::uint64_t offset = 0;
    std::uint64_t wanted = 0;
    if (!parseU64(items[6], &offset) || !parseU64(items[7], &wanted) || wanted == 0) return;
    if (offset > static_cast<std::uint64_t>(INT64_MAX)) return;
    int fd = -1;
    std::uint64_t size = 0;
    if (!openOfferedUpload(handle, items[1], &fd, &size)) return;
    const unsigned mode = static_cast<unsigned short>(std::strtoul(items[4], nullptr, 10));
    auto format = [&](char* out, std::size_t capacity, int endOfFile, std::size_t count) {
        return std::snprintf(out, capacity, "\"%s\" \"%s\" %s %u 0 %d %llu %zu ", items[1], items[2],
                             items[3], mode, endOfFile, static_cast<unsigned long long>(offset), count);
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
    if (count > room) count = room;
    if (count == 0 && offset < size) return; // an answer without data would be asked for again and again

    char answer[kChunkBuffer];
    const long got = readAt(fd, answer + widest, count, offset);
    if (got < 0) return;
    // A file cut short while it travels ends where its data ends.
    const int endOfFile =
        (offset + static_cast<std::uint64_t>(got) >= size || static_cast<std::size_t>(got) < count) ? 1 : 0;
    const int textLength = format(text, sizeof text, endOfFile, static_cast<std::size_t>(got));
    if (textLength < 0 || textLength > widest) return;
    // The text may have come out shorter than the widest one: move the data up behind it.
    std::memmove(answer + textLength, answer + widest, static_cast<std::size_t>(got));
    std::memcpy(answer, text, static_cast<std::size_t>(textLength));
    const std::size_t answerLength = static_cast<std::size_t>(textLength) + static_cast<std::size_t>(got);
    if (targetLength + answerLength + 5 > kChunkBuffer) return;
    sendText(handle, items[0], kChunk, answer, answerLength, kChunkBuffer);
}

void storeChunk(TarnHandle* handle, char* payload, std::size_t length)
{
    // target, local path, agent path, tag, mode, reserved, end-of-file flag, offset, byte count, raw bytes
    char* items[9];
    char* data = nullptr;
    if (tokenizeChunk(payload, length, items, 9, &data) != 9) return;
    std::uint64_t endOfFile = 0;
    std::uint64_t offset = 0;
    std::uint64_t count = 0;
    if (!parseU64(items[6], &endOfFile) || !parseU64(items[7], &offset) || !parseU64(items[8], &count))
        return;
    const std::size_t available = static_cast<std::size_t>(payload + length - data);
    if (count > available || offset > static_cast<std::uint64_t>(INT64_MAX) - count) return; // short chunk
    {
        std::lock_guard<std::mutex> lock(handle->pathLock);
        auto it = handle->downloads.find(items[1]);
        if (it == handle->downloads.end() || it->second.fd < 0) return; // never asked for, or not started
        if (!writeAt(it->second.fd, data, static_cast<std::size_t>(count), offset)) return;
        if (endOfFile != 0) {
            ::close(it->second.fd);
            it->second.fd = -1;
            if (::rename(it->second.temporary.c_str(), items[1]) != 0) {
                dropTemporary(it->second);
                handle->downloads.erase(it);
                return;
            }
            handle->downloads.erase(it);
        }
    }
    if (endOfFile != 0) {
        char text[kRequestText];
        const int n = std::snprintf(text, sizeof text, "\"%s\"", items[3]);
        if (n > 0 && static_cast<std::size_t>(n) < sizeof text)
            sendText(handle, items[0], kDownloadStored, text, static_cast<std::size_t>(n), kFrameBuffer);
        return;
    }
    char text[kChunkBuffer];
    const int n =
        std::snprintf(text, sizeof text, "\"%s\" \"%s\" %s %s %s %llu %zu", items[1], items[2], items[3],
                      items[4], items[5], static_cast<unsigned long long>(offset + count), kDownloadChunk);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof text)
        sendText(handle, items[0], kChunkRequest, text, static_cast<std::size_t>(n), kFrameBuffer);
}

bool startDownload(TarnHandle* handle, char* payload, std::size_t, std::string& failure)
{
    // target, a field the console does not use, local path, agent path, tag
    char* items[5];
    if (tokenize(payload, items, 5) != 5) return true; // dropped silently
    const char* target = items[0];
    const char* local = items[2];
    const char* agent = items[3];
    auto fail = [&](const char* why) {
        char text[kFrameBuffer];
        const int n = std::snprintf(text, sizeof text, "%s %d \"%s\" \"%s\" 2 \"%s\"", target, kDownloadStart,
                                    local, agent, why);
        failure.assign(text, n > 0 ? std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1) : 0);
        return false;
    };

    std::string temporary;
    {
        std::lock_guard<std::mutex> lock(handle->pathLock);
        auto it = handle->downloads.find(local);
        if (it == handle->downloads.end()) return fail("Failed to create local file.");
        dropTemporary(it->second);
        int fd = -1;
        it->second.temporary = temporary = makeTemporaryBeside(local, &fd);
        if (temporary.empty()) return fail("Failed to create local file.");
        it->second.fd = fd;
    }
    char text[kChunkBuffer];
    const int n = std::snprintf(text, sizeof text, "\"%s\" \"%s\" %s 2 0 0 %zu", local, agent, items[4],
                                kDownloadChunk);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof text ||
        !sendText(handle, target, kChunkRequest, text, static_cast<std::size_t>(n), kFrameBuffer))
        return fail("Failed to send file request.");
    return true;
}

} // namespace tarnutil
