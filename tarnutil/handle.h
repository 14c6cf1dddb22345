// The connection handle behind the opaque TarnHandle, and what the chunk handlers share with it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

struct TarnHandle {
    // The three fields every caller of the C interface knows of, in this order.
    std::int32_t socket = 0;
    std::int32_t loggedIn = 0;
    volatile int sendBusy = 0;

    // Senders wait here instead of polling the interlock; sendBusy still tells who holds it.
    std::mutex sendLock;

    // Local paths this connection offered: uploads may be read by 193, downloads written by 204/194.
    struct Download {
        std::string temporary; // file beside the target that 194 writes into, once 204 came
    };
    std::mutex pathLock;
    std::set<std::string> uploads;
    std::map<std::string, Download> downloads;
};

namespace tarnutil {

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
