#include "tarnutil.h"

#include "handle.h"
#include "wire.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <new>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarnwire;

namespace {

constexpr int kWouldBlock = 10035; // the socket layer's "would block", as SendMsg2 reports it

int lastError()
{
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? kWouldBlock : errno;
}

// Copies a delivered payload into the caller's buffers: target before the first space, text after it.
int deliver(const char* payload, std::size_t length, char* target, unsigned short targetCapacity, char* text,
            int textCapacity)
{
    const void* space = std::memchr(payload, ' ', length);
    if (space != nullptr) {
        const std::size_t targetLength = static_cast<const char*>(space) - payload;
        if (targetLength + 1 > targetCapacity) return -6;
        const std::size_t textLength = length - targetLength - 1;
        if (textLength + 1 > static_cast<std::size_t>(textCapacity)) return -7;
        std::memcpy(target, payload, targetLength);
        target[targetLength] = '\0';
        std::memcpy(text, payload + targetLength + 1, textLength);
        text[textLength] = '\0';
        return static_cast<int>(textLength);
    }
    if (length + 1 > targetCapacity) return -8;
    std::memcpy(target, payload, length);
    target[length] = '\0';
    text[0] = '\0';
    return TARN_NO_TEXT;
}

// Formats a file-request text; false when it does not fit its buffer (never sent cut off).
template <typename... Args> bool formatRequest(char (&buf)[kRequestText], const char* format, Args... args)
{
    const int n = std::snprintf(buf, sizeof buf, format, args...);
    return n >= 0 && static_cast<std::size_t>(n) < sizeof buf;
}

} // namespace

namespace tarnutil {

bool sendFrame(TarnHandle* handle, const char* frame, int length)
{
    std::lock_guard<std::mutex> lock(handle->sendLock);
    utTns(&handle->sendBusy);
    const int written = SendMsg(handle->socket, frame, length);
    handle->sendBusy = 0;
    if (written > 0 && written < length) {
        // Half a frame is on the stream: nothing after it could be read in step, so end the connection.
        ::shutdown(handle->socket, SHUT_RDWR);
    }
    return written == length;
}

int connectTo(const char* address, int port, std::int32_t* publish)
{
    if (address == nullptr || port <= 0 || port > 65535) return -1;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    // Dotted-decimal only: no name resolution.
    if (::inet_pton(AF_INET, address, &sa.sin_addr) != 1) return -1;
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    if (publish != nullptr) __atomic_store_n(publish, s, __ATOMIC_SEQ_CST);
    if (::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        bool connected = false;
        if (errno == EINTR) {
            // The connect goes on by itself: wait for its outcome instead of starting another.
            pollfd pfd{s, POLLOUT, 0};
            int rc;
            do {
                rc = ::poll(&pfd, 1, -1);
            } while (rc < 0 && errno == EINTR);
            int error = 0;
            socklen_t len = sizeof error;
            connected = rc > 0 && ::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
        }
        if (!connected) {
            ::close(s);
            return -1;
        }
    }
    return s;
}

int receiveMore(TarnHandle* h)
{
    if (h->receivedStart > 0 && h->receivedStart == h->receivedEnd) h->receivedStart = h->receivedEnd = 0;
    if (h->receivedEnd == TarnHandle::kReceiveBuffer) {
        std::memmove(h->received, h->received + h->receivedStart, h->receivedEnd - h->receivedStart);
        h->receivedEnd -= h->receivedStart;
        h->receivedStart = 0;
    }
    for (;;) {
        const ssize_t n = ::recv(h->socket, h->received + h->receivedEnd,
                                 TarnHandle::kReceiveBuffer - h->receivedEnd, MSG_DONTWAIT);
        if (n > 0) {
            h->receivedEnd += static_cast<std::size_t>(n);
            return static_cast<int>(n);
        }
        if (n == 0) {
            // Closed: with part of a frame read that is a short read, else a clean end (the rest of
            // an oversized frame was refused already).
            const bool partial = h->receivedEnd > h->receivedStart;
            if (partial) {
                h->receivedStart = h->receivedEnd = h->discarding = 0;
                ++h->framesTaken;
            }
            return partial ? -4 : -5;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        return -4;
    }
}

int takeFrame(TarnHandle* h, char* buf, std::uint16_t* code, std::uint16_t* length)
{
    if (h->discarding > 0) {
        const std::size_t part = std::min(h->discarding, h->receivedEnd - h->receivedStart);
        h->receivedStart += part;
        h->discarding -= part;
        if (h->discarding > 0) return kNeedMore;
    }
    const std::size_t available = h->receivedEnd - h->receivedStart;
    if (available < kHeaderSize) return kNeedMore;
    const char* frame = h->received + h->receivedStart;
    decodeHeader(reinterpret_cast<const unsigned char*>(frame), length, code);
    if (*length > kMaxPayload) {
        // Too long to hold: refused, and skipped so that the next frame starts where it should.
        h->receivedStart += kHeaderSize;
        const std::size_t here = std::min<std::size_t>(*length, h->receivedEnd - h->receivedStart);
        h->receivedStart += here;
        h->discarding = *length - here;
        ++h->framesTaken;
        return -4;
    }
    if (available < kHeaderSize + *length) return kNeedMore;
    std::memcpy(buf, frame + kHeaderSize, *length);
    buf[*length] = '\0';
    h->receivedStart += kHeaderSize + *length;
    ++h->framesTaken;
    return 0;
}

} // namespace tarnutil

extern "C" {

int TarnInit(TarnHandle** handle)
{
    if (handle == nullptr) return -1;
    *handle = new (std::nothrow) TarnHandle();
    return *handle == nullptr ? -1 : 0;
}

void TarnUninit(TarnHandle* handle)
{
    if (handle == nullptr) return;
    if (handle->socket != 0) TCPDisconnect(handle->socket);
    tarnutil::forgetTransfers(handle);
    delete handle;
}

int TarnConnect(TarnHandle* handle, const char* address, int port)
{
    if (handle == nullptr) return -1;
    if (address == nullptr) return -2;
    if (port == 0) return -3;
    // The socket is in the handle while it connects, so that shutting it down ends a connect that
    // would otherwise wait out the system's time limit.
    handle->socket = tarnutil::connectTo(address, port, &handle->socket);
    return handle->socket < 0 ? -4 : 0;
}

int TarnLogin(TarnHandle* handle)
{
    if (handle == nullptr) return -1;
    char frame[kFrameBuffer];
    const int length = buildFrame(frame, sizeof frame, nullptr, kLogin, "3", 1);
    if (length < 0) return -2;
    return tarnutil::sendFrame(handle, frame, length) ? 0 : -3;
}

int TarnSendMsg(TarnHandle* handle, const char* target, unsigned short code, const char* arguments)
{
    if (handle == nullptr || target == nullptr || code == 0) return -1;
    const std::size_t targetLength = std::strlen(target);
    const std::size_t argLength = arguments != nullptr ? std::strlen(arguments) : 0;
    // The target counts even for codes whose frames carry none.
    if (targetLength + argLength + 5 > kFrameBuffer) return -2;
    char frame[kFrameBuffer];
    const int length = buildFrame(frame, sizeof frame, target, code, arguments, argLength);
    if (length < 0) return -3;
    if (code == kDownload && arguments != nullptr) {
        // The local path named here is the one file the coming 204/194 may write.
        char copy[kFrameBuffer];
        std::memcpy(copy, arguments, argLength + 1);
        char* items[1];
        if (tokenize(copy, items, 1) == 1) tarnutil::offerDownload(handle, items[0]);
    }
    return tarnutil::sendFrame(handle, frame, length) ? 0 : -4;
}

int TarnRecvMsg(TarnHandle* handle, char* target, unsigned short targetCapacity, unsigned short* code,
                char* text, int textCapacity, int timeoutMs)
{
    if (handle == nullptr || target == nullptr || text == nullptr || targetCapacity == 0 || textCapacity <= 0)
        return -1;

    std::uint16_t frameCode = 0;
    std::uint16_t length = 0;
    char buf[kFrameBuffer];
    int taken = tarnutil::takeFrame(handle, buf, &frameCode, &length);
    if (taken == tarnutil::kNeedMore) {
        pollfd pfd{handle->socket, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, timeoutMs < 0 ? 0 : timeoutMs);
        if (ready < 0) return errno == EINTR ? 0 : -2;
        if (ready == 0) return 0;
        if ((pfd.revents & (POLLIN | POLLHUP | POLLERR)) == 0) return -3;
        const int got = tarnutil::receiveMore(handle);
        if (got < 0) return got;
        taken = tarnutil::takeFrame(handle, buf, &frameCode, &length);
        if (taken == tarnutil::kNeedMore) return 0; // the rest of the frame comes with a later call
    }
    if (taken != 0) return taken;

    switch (frameCode) {
    case kLoginAccepted:
        handle->loggedIn = 1;
        break;
    case kChunkRequest:
        tarnutil::answerChunkRequest(handle, buf, length);
        return 0;
    case kChunk:
        tarnutil::storeChunk(handle, buf, length);
        return 0;
    case kDownloadStart: {
        std::string failure;
        if (tarnutil::startDownload(handle, buf, length, failure)) return 0;
        if (code != nullptr) *code = kFailure;
        return deliver(failure.data(), failure.size(), target, targetCapacity, text, textCapacity);
    }
    default:
        break;
    }
    if (code != nullptr) *code = frameCode;
    return deliver(buf, length, target, targetCapacity, text, textCapacity);
}

int TarnSendFileToGW(TarnHandle* handle, const char* target, const char* localPath, const char* destination)
{
    if (localPath == nullptr) return -8;
    struct stat st;
    if (::stat(localPath, &st) != 0 || !S_ISREG(st.st_mode)) return -9;
    char text[kRequestText];
    const bool fits = destination != nullptr ? formatRequest(text, "\"%s\" \"%s\" 0", localPath, destination)
                                             : formatRequest(text, "\"%s\" firmware 1", localPath);
    if (!fits) return TARN_ERR_TEXT_TOO_LONG;
    if (handle != nullptr) tarnutil::offerUpload(handle, localPath);
    return TarnSendMsg(handle, target, kUploadToGateway, text);
}

int TarnSendFileFromGW(TarnHandle* handle, const char* target, const char* path, const char* destination,
                       const char* tag, int count)
{
    if (path == nullptr || tag == nullptr) return -8;
    const unsigned wireCount = static_cast<unsigned short>(count);
    char text[kRequestText];
    const bool fits = destination != nullptr
                          ? formatRequest(text, "\"%s\" \"%s\" %s 0 %u", path, destination, tag, wireCount)
                          : formatRequest(text, "\"%s\" firmware %s 1 %u", path, tag, wireCount);
    if (!fits) return TARN_ERR_TEXT_TOO_LONG;
    return TarnSendMsg(handle, target, kSendToAgent, text);
}

int TarnClearUploadFile(TarnHandle* handle, const char* target, const char* tag)
{
    if (tag == nullptr) return -8;
    char text[kRequestText];
    if (!formatRequest(text, "\"%s\"", tag)) return TARN_ERR_TEXT_TOO_LONG;
    return TarnSendMsg(handle, target, kClearUpload, text);
}

int TarnDownloadFile(TarnHandle* handle, const char* target, const char* localPath, const char* agentPath)
{
    if (localPath == nullptr || agentPath == nullptr) return -8;
    char text[kRequestText];
    if (!formatRequest(text, "\"%s\" \"%s\"", localPath, agentPath)) return TARN_ERR_TEXT_TOO_LONG;
    return TarnSendMsg(handle, target, kDownload, text);
}

int TCPConnect(const char* address, int port)
{
    return tarnutil::connectTo(address, port, nullptr);
}

int TCPDisconnect(int socket)
{
    return ::close(socket);
}

int SendMsg(int socket, const char* bytes, int length)
{
    return SendMsg2(socket, bytes, length, 100, 1);
}

int SendMsg2(int socket, const char* bytes, int length, int retries, int waitMs)
{
    if (bytes == nullptr || length < 0) return -1;
    int total = 0;
    int counter = 0;
    // Try the write first; wait for writability only when the socket has no room.
    bool mustWait = false;
    while (total < length) {
        if (mustWait) {
            pollfd pfd{socket, POLLOUT, 0};
            const int ready = ::poll(&pfd, 1, waitMs);
            if (ready < 0) {
                if (errno == EINTR) continue;
                return -2;
            }
            if (ready == 0) {
                if (retries == 0 || counter >= retries) return total;
                ++counter;
                continue;
            }
        }
        const ssize_t n = ::send(socket, bytes + total, static_cast<std::size_t>(length - total),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = lastError();
            if (e != kWouldBlock) return -e;
            if (mustWait) {
                if (retries == 0 || counter >= retries) return total;
                ::usleep(10 * 1000);
                ++counter;
            }
            mustWait = true;
            continue;
        }
        if (n > length - total) return -4;
        total += static_cast<int>(n);
        mustWait = total < length;
    }
    return total;
}

int readn(int socket, void* buffer, int count)
{
    if (buffer == nullptr || count < 0) return -1;
    return static_cast<int>(readAll(socket, static_cast<char*>(buffer), static_cast<std::size_t>(count)));
}

int writen(int socket, const void* bytes, int count)
{
    const char* p = static_cast<const char*>(bytes);
    int left = count;
    while (left > 0) {
        const ssize_t n = ::send(socket, p, static_cast<std::size_t>(left), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        p += n;
        left -= static_cast<int>(n);
    }
    return count;
}

int utTns(volatile int* flag)
{
    return __atomic_exchange_n(flag, 1, __ATOMIC_SEQ_CST);
}

int InitTCPServer(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(s, 5) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

int AcceptConnect2(int listenSocket, char* peer, int peerCapacity)
{
    pollfd pfd{listenSocket, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, 1000);
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    const int s = ::accept4(listenSocket, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
    if (s < 0) return -1;
    if (peer != nullptr && peerCapacity >= INET_ADDRSTRLEN)
        ::inet_ntop(AF_INET, &sa.sin_addr, peer, static_cast<socklen_t>(peerCapacity));
    return s;
}

int AcceptConnect(int listenSocket)
{
    return AcceptConnect2(listenSocket, nullptr, 0);
}

} // extern "C"
