// The frame format and the two tokenisers, shared by the library and the stand-in gateway so
// that both sides speak through one implementation. Internal: not part of the C exports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwire {

constexpr std::size_t kHeaderSize = 4;
// Outgoing frames are built in a buffer of this size; a frame must stay below it (at most 10239 bytes).
constexpr std::size_t kFrameBuffer = 10240;
// Incoming frames are read into kFrameBuffer bytes with a NUL after the payload.
constexpr std::size_t kMaxPayload = kFrameBuffer - kHeaderSize - 1; // 10235
// Chunk answers and their text are built in buffers of this size.
constexpr std::size_t kChunkBuffer = 2048;
// File-request texts are formatted into buffers of this size.
constexpr std::size_t kRequestText = 1024;
constexpr std::size_t kDownloadChunk = 1024;

// Message codes this layer knows by name.
enum Code : std::uint16_t {
    kLoginAccepted = 24,
    kLogin = 25,
    kAgentOnline = 26,
    kUploadToGateway = 191,
    kFileAtGateway = 192,
    kChunkRequest = 193,
    kChunk = 194,
    kSendToAgent = 195,
    kDelivered = 196,
    kClearUpload = 197,
    kClearUploadReply = 198,
    kProgress = 199,
    kDownload = 201,
    kDownloadAccepted = 202,
    kDownloadStart = 204,
    kDownloadStored = 205,
    kDownloadDone = 206,
    kFailure = 999,
};

void encodeHeader(unsigned char* header, std::uint16_t payloadLength, std::uint16_t code);
void decodeHeader(const unsigned char* header, std::uint16_t* payloadLength, std::uint16_t* code);

// Builds one frame into buf (capacity bytes). For a code above 100 with a target the payload is the
// target, then one space and the arguments when there are any; otherwise the arguments alone.
// Returns the frame length, -1 when target + arguments do not fit, -2 when arguments alone do not fit.
int buildFrame(char* buf, std::size_t capacity, const char* target, std::uint16_t code, const char* args,
               std::size_t argLength);

// Convenience for peers that keep frames in strings (the gateway, tests). Empty on overflow.
std::string makeFrame(std::string_view target, std::uint16_t code, std::string_view args);

// Reads exactly count bytes, waiting out "would block"; the number read (short when the peer closed),
// or -1 on a socket error.
long readAll(int socket, char* buf, std::size_t count);

// Reads one whole frame from a blocking socket into buf (capacity bytes, NUL written after the payload).
// 0 done; -4 socket error or short read; -5 closed before any byte; -9 the declared payload does not fit:
// it has been read and discarded, so the stream stays in step.
constexpr int kReadError = -4;
constexpr int kReadClosed = -5;
constexpr int kReadOversized = -9;
int readFrame(int socket, char* buf, std::size_t capacity, std::uint16_t* code, std::uint16_t* payloadLength);

// Plain tokeniser: up to max tokens, white space runs skipped between them, quoted tokens run to the next
// quote (no escapes; the character after the closing quote is consumed whatever it is). Cuts text in place.
// Returns the count found, -1 for a quote that is never closed, 0 for empty text.
int tokenize(char* text, char** tokens, int max);

// Chunk tokeniser: exactly count tokens, each followed by exactly one separator character, within the
// first length bytes of text. Cuts in place. Returns the number of tokens found; when it equals count,
// *rest points at the first byte after the last separator (the raw data of a chunk message).
int tokenizeChunk(char* text, std::size_t length, char** tokens, int count, char** rest);

// Strict unsigned decimal: digits only, no sign, no overflow.
bool parseU64(const char* text, std::uint64_t* value);

bool isSpace(char c);

// Incremental frame splitter for non-blocking peers: feed bytes, take whole frames.
class FrameAssembler
{
public:
    struct Frame
    {
        std::uint16_t code = 0;
        std::string payload;
    };
    // maxPayload: frames declaring more are reported as oversized and skipped.
    explicit FrameAssembler(std::size_t maxPayload = kMaxPayload) : maxPayload_(maxPayload) {}
    void feed(const char* data, std::size_t length);
    // 1 a frame was taken, 0 need more bytes, -1 an oversized frame was skipped (its code in frame.code).
    int next(Frame& frame);
    std::size_t buffered() const { return buffer_.size() - offset_; }

private:
    std::size_t maxPayload_;
    std::string buffer_;
    std::size_t offset_ = 0;
    std::size_t skipping_ = 0;
};

} // namespace tarnwire
