// The connection handle behind the opaque TarnHandle, and what the chunk handlers share with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

struct TarnHandle
{
    // The three fields every caller of the C interface knows of, in this order. The socket stays
    // first: a caller wakes a receiver blocked on it by shutting it down.
    std::int32_t socket = 0;
    std::int32_t loggedIn = 0;
    volatile int sendBusy = 0;

    // Senders wait here instead of polling the interlock; sendBusy still tells who holds it.
    std::mutex sendLock;

    // What the receiver has read but not yet handed out. A frame that arrives in pieces is kept
    // here between calls, so a receive never waits past its timeout for the rest of it.
    static constexpr std::size_t kReceiveBuffer = 2 * 10240;
    char received[kReceiveBuffer];
    std::size_t receivedStart = 0;
    std::size_t receivedEnd = 0;
    std::size_t discarding = 0;    // bytes of an oversized frame still to skip
    std::uint64_t framesTaken = 0; // frames handled or refused so far

    // Local paths this connection offered: uploads may be read by 193, downloads written by 204/194.
    struct Download
    {
        std::string temporary; // file beside the target that 194 writes into, once 204 came
        int fd = -1;           // open on the temporary file while the download runs
    };
    // A few offered files stay open between chunk requests.
    struct OpenUpload
    {
        std::string path;
        int fd = -1;
        std::uint64_t size = 0;
    };
    static constexpr std::size_t kOpenUploads = 4;
    std::mutex pathLock;
    std::set<std::string> uploads;
    std::map<std::string, Download> downloads;
    OpenUpload openUploads[kOpenUploads]; // most recently used first
};

namespace tarnutil {

// Reading: receiveMore takes what the socket has (count, 0 for nothing, -4 error or short frame at
// the close, -5 closed); takeFrame hands out the next whole frame (0), kNeedMore, or -4 for one too
// long to hold.
constexpr int kNeedMore = 1;
// Opens a TCP connection (dotted IPv4 only); the socket, or -1. With publish given, the socket is
// stored there before the connect starts.
int connectTo(const char* address, int port, std::int32_t* publish);
int receiveMore(TarnHandle* handle);
int takeFrame(TarnHandle* handle, char* buf, std::uint16_t* code, std::uint16_t* length);

// Writes one whole frame under the send interlock. True when every byte went out.
bool sendFrame(TarnHandle* handle, const char* frame, int length);

void offerUpload(TarnHandle* handle, const std::string& localPath);
void offerDownload(TarnHandle* handle, const std::string& localPath);
void forgetTransfers(TarnHandle* handle);

// Chunk traffic handled inside TarnRecvMsg. payload is the frame's payload (NUL after it).
void answerChunkRequest(TarnHandle* handle, char* payload, std::size_t length);
void storeChunk(TarnHandle* handle, char* payload, std::size_t length);
// Returns false when the start failed; failure then holds the 999 payload to deliver.
bool startDownload(TarnHandle* handle, char* payload, std::size_t length, std::string& failure);

} // namespace tarnutil
