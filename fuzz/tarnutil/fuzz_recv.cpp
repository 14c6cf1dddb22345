// Feeds arbitrary byte streams to TarnRecvMsg as if a gateway had sent them, and checks what the
// library does with them: the caller's buffers, the frames it writes back, the files it touches.
//
// Input: byte 0 and byte 1 choose the target and text capacities (below 0x80: a full buffer, else
// 1..128 bytes), the rest is the stream. The connection has offered kUpload for upload and asked
// for kDownload, so the chunk paths are reachable; the seeds name these two paths.
#include "handle.h"
#include "tarnutil.h"
#include "wire.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kDir = "/tmp/tarn-fuzz-recv";
constexpr const char* kUpload = "/tmp/tarn-fuzz-recv/up.bin";
constexpr const char* kDownload = "/tmp/tarn-fuzz-recv/down.bin";
constexpr std::string_view kOldContent = "the file a download must not destroy\n";
// Keeps the whole input inside the socket buffer: the library reads a blocking socket.
constexpr std::size_t kMaxInput = 64 * 1024;
constexpr unsigned short kFullCapacity = 10236;

std::string uploadContent;
// TARN_FUZZ_TRACE=1 prints what each call did, to see which paths a seed reaches.
bool trace = false;

// Reports a broken property; the abort gives libFuzzer the input and the stack.
[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_tarnutil_recv: %s\n", what);
    std::abort();
}
void check(bool ok, const char* what)
{
    if (!ok) fail(what);
}

bool writeWhole(const char* path, std::string_view bytes)
{
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
}

std::string readWhole(const char* path)
{
    std::string out;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return out;
}

ino_t inodeOf(const char* path)
{
    struct stat st;
    return ::stat(path, &st) == 0 ? st.st_ino : 0;
}

// One frame of the input as the library should see it.
struct InFrame
{
    std::size_t end = 0; // stream offset just past the frame
    std::uint16_t code = 0;
    std::string payload;
    bool whole = false; // all its bytes are in the input
};

std::vector<InFrame> splitInput(const char* data, std::size_t size)
{
    std::vector<InFrame> frames;
    std::size_t pos = 0;
    while (pos < size) {
        InFrame f;
        if (size - pos < tarnwire::kHeaderSize) {
            f.end = size;
            frames.push_back(f);
            break;
        }
        std::uint16_t length = 0;
        tarnwire::decodeHeader(reinterpret_cast<const unsigned char*>(data + pos), &length, &f.code);
        const std::size_t end = pos + tarnwire::kHeaderSize + length;
        f.whole = end <= size;
        f.end = f.whole ? end : size;
        if (f.whole) f.payload.assign(data + pos + tarnwire::kHeaderSize, length);
        pos = f.end;
        frames.push_back(std::move(f));
    }
    return frames;
}

// Fields that stand in an answer exactly as they came, so the answer can be parsed back.
bool clean(std::string_view s)
{
    return !s.empty() && s.find_first_of(" \t\r\n\"") == std::string_view::npos;
}

struct Request
{
    std::string target, local, agent, tag;
    unsigned mode = 0;
    std::uint64_t offset = 0, wanted = 0;
};

// A chunk request whose answer can be predicted; false for anything the library may drop.
bool parseRequest(const std::string& payload, Request& r)
{
    std::string copy = payload;
    char* items[8];
    if (tarnwire::tokenize(copy.data(), items, 8) != 8) return false;
    r.target = items[0];
    r.local = items[1];
    r.agent = items[2];
    r.tag = items[3];
    r.mode = static_cast<unsigned short>(std::strtoul(items[4], nullptr, 10));
    if (!tarnwire::parseU64(items[6], &r.offset) || !tarnwire::parseU64(items[7], &r.wanted) ||
        r.wanted == 0 || r.offset > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    return clean(r.target) && clean(r.tag) && r.agent.find('"') == std::string::npos &&
           r.local.find('"') == std::string::npos && r.target.size() + r.agent.size() + r.tag.size() < 1500;
}

// Whether a read of the offered file at offset for length bytes succeeds (the kernel refuses one
// that would run past the largest file offset, for instance).
bool readSucceeds(std::uint64_t offset, std::uint64_t length)
{
    const int fd = ::open(kUpload, O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail("cannot open the upload file");
    char buf[tarnwire::kChunkBuffer];
    const ssize_t n = ::pread(fd, buf, static_cast<std::size_t>(std::min<std::uint64_t>(length, sizeof buf)),
                              static_cast<off_t>(offset));
    ::close(fd);
    return n >= 0;
}

// An upload answer must carry the file's bytes at the asked offset, as many as the frame holds.
void checkUploadAnswer(const Request& r, const tarnwire::FrameAssembler::Frame& answer)
{
    check(answer.code == tarnwire::kChunk, "a chunk request was answered with another code");
    check(answer.payload.size() + tarnwire::kHeaderSize < tarnwire::kChunkBuffer,
          "an upload answer does not fit its 2048-byte frame");
    const std::size_t size = uploadContent.size();
    const std::uint64_t remaining = r.offset < size ? size - r.offset : 0;
    const std::uint64_t expected = std::min<std::uint64_t>(r.wanted, remaining);
    for (int eof = 0; eof <= 1; ++eof) {
        // The count is the only free figure: find it from the text length.
        const std::string start = r.target + " \"" + r.local + "\" \"" + r.agent + "\" " + r.tag + " " +
                                  std::to_string(r.mode) + " 0 " + std::to_string(eof) + " " +
                                  std::to_string(r.offset) + " ";
        if (answer.payload.compare(0, start.size(), start) != 0) continue;
        const std::size_t space = answer.payload.find(' ', start.size());
        check(space != std::string::npos, "an upload answer has no byte count");
        std::uint64_t count = 0;
        check(tarnwire::parseU64(answer.payload.substr(start.size(), space - start.size()).c_str(), &count),
              "an upload answer's byte count is not a number");
        check(count == answer.payload.size() - space - 1,
              "an upload answer's byte count is not its data length");
        check(count <= expected, "an upload answer carries more than was asked or is left");
        check(count == expected ||
                  answer.payload.size() + tarnwire::kHeaderSize >= tarnwire::kChunkBuffer - 5,
              "an upload answer is short although its frame had room");
        check(count > 0 || remaining == 0, "an upload answer carries nothing before the end of the file");
        if (count > 0)
            check(answer.payload.compare(space + 1, count, uploadContent, r.offset, count) == 0,
                  "an upload answer carries the wrong bytes");
        check(eof == (r.offset + count >= size ? 1 : 0), "an upload answer has the wrong end-of-file flag");
        return;
    }
    fail("an upload answer does not echo the request's fields");
}

void checkDelivered(int result, const InFrame& frame, unsigned short code, const char* target,
                    unsigned short targetCapacity, const char* text, int textCapacity)
{
    if (result < 0) return;
    const bool chunk = frame.code == tarnwire::kChunkRequest || frame.code == tarnwire::kChunk;
    check(!chunk || result == 0, "chunk traffic was delivered to the caller");
    if (result == 0) {
        // Handled inside, or a target followed by one space and nothing else.
        const std::size_t space = frame.payload.find(' ');
        check(chunk || frame.code == tarnwire::kDownloadStart ||
                  (space != std::string::npos && space + 1 == frame.payload.size()),
              "a message with text was reported as nothing");
        return;
    }
    check(::memchr(target, '\0', targetCapacity) != nullptr,
          "the target is not terminated inside its buffer");
    if (result == TARN_NO_TEXT) {
        check(text[0] == '\0', "a message without text left text behind");
    } else {
        check(result < textCapacity && text[result] == '\0', "the text is not terminated inside its buffer");
    }
    if (frame.code == tarnwire::kDownloadStart) {
        check(code == tarnwire::kFailure, "a failed download start was delivered with another code");
        return;
    }
    check(code == frame.code, "a message was delivered with another code");
    // Payloads are 8-bit text that may hold NULs, so compare bytes, not C strings.
    const std::string& p = frame.payload;
    const std::size_t space = p.find(' ');
    if (space == std::string::npos) {
        check(result == TARN_NO_TEXT && p.size() < targetCapacity &&
                  std::memcmp(target, p.data(), p.size()) == 0 && target[p.size()] == '\0',
              "a message without a space was not delivered whole as the target");
    } else {
        check(result != TARN_NO_TEXT && space < targetCapacity && std::memcmp(target, p.data(), space) == 0 &&
                  target[space] == '\0',
              "the target is not the text before the first space");
        check(static_cast<std::size_t>(result) == p.size() - space - 1 &&
                  std::memcmp(text, p.data() + space + 1, static_cast<std::size_t>(result)) == 0,
              "the text is not the rest after the first space");
    }
}

// What the library wrote back while it handled one input frame.
void checkAnswers(const InFrame& frame, const std::vector<tarnwire::FrameAssembler::Frame>& answers)
{
    if (!frame.whole || frame.payload.size() > tarnwire::kMaxPayload) {
        check(answers.empty(), "the library answered a frame it could not read");
        return;
    }
    switch (frame.code) {
    case tarnwire::kChunkRequest: {
        check(answers.size() <= 1, "one chunk request got several answers");
        Request r;
        if (!parseRequest(frame.payload, r)) return;
        if (r.local != kUpload) {
            check(answers.empty(), "a chunk request for a path never offered was answered");
            return;
        }
        // Any failure of the read drops the request, so an answer is owed only when the read the
        // library makes (at most this long, at this offset) can succeed.
        if (readSucceeds(r.offset, std::min<std::uint64_t>(r.wanted, tarnwire::kChunkBuffer)))
            check(answers.size() == 1 ||
                      r.target.size() + r.agent.size() + r.tag.size() + r.local.size() > 1800,
                  "a chunk request for the offered file went unanswered");
        if (!answers.empty()) checkUploadAnswer(r, answers[0]);
        return;
    }
    case tarnwire::kChunk:
        check(answers.size() <= 1, "one chunk got several answers");
        if (!answers.empty())
            check(answers[0].code == tarnwire::kChunkRequest || answers[0].code == tarnwire::kDownloadStored,
                  "a chunk was answered with neither a request nor a stored report");
        return;
    case tarnwire::kDownloadStart:
        check(answers.size() <= 1, "one download start got several answers");
        if (!answers.empty())
            check(answers[0].code == tarnwire::kChunkRequest,
                  "a download start was answered with another code");
        return;
    default:
        check(answers.empty(), "the library answered a message that is not chunk traffic");
    }
}

// Reads whatever the library has written so far without waiting.
void drain(int fd, tarnwire::FrameAssembler& assembler, std::vector<tarnwire::FrameAssembler::Frame>& out)
{
    char buf[16384];
    for (;;) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n <= 0) break;
        assembler.feed(buf, static_cast<std::size_t>(n));
    }
    tarnwire::FrameAssembler::Frame f;
    int got;
    while ((got = assembler.next(f)) != 0) {
        check(got == 1, "the library wrote a frame longer than a frame may be");
        out.push_back(f);
    }
}

void checkScratchDir()
{
    DIR* dir = ::opendir(kDir);
    check(dir != nullptr, "the scratch folder is gone");
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name != "." && name != ".." && name != "up.bin" && name != "down.bin")
            fail("a file is left in the scratch folder after TarnUninit");
    }
    ::closedir(dir);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (::mkdir(kDir, 0700) != 0 && errno != EEXIST) fail("cannot create the scratch folder");
    struct stat st;
    if (::lstat(kDir, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        fail("the scratch folder is not a folder of ours");
    // Longer than one answer, so that offsets, short reads and the end of the file all occur.
    uploadContent.resize(3000);
    for (std::size_t i = 0; i < uploadContent.size(); ++i)
        uploadContent[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
    if (!writeWhole(kUpload, uploadContent)) fail("cannot write the upload file");
    ::unlink(kDownload);
    trace = std::getenv("TARN_FUZZ_TRACE") != nullptr;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2 || size > kMaxInput + 2) return -1;
    const unsigned short targetCapacity =
        data[0] < 0x80 ? kFullCapacity : static_cast<unsigned short>((data[0] & 0x7f) + 1);
    const int textCapacity = data[1] < 0x80 ? kFullCapacity : (data[1] & 0x7f) + 1;
    const char* stream = reinterpret_cast<const char*>(data + 2);
    const std::size_t length = size - 2;

    if (!writeWhole(kDownload, kOldContent)) fail("cannot write the download target");
    const ino_t oldInode = inodeOf(kDownload);

    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) fail("socketpair failed");
    const int peer = sv[1];
    TarnHandle* h = nullptr;
    check(TarnInit(&h) == 0, "TarnInit failed");
    h->socket = sv[0];
    check(TarnSendFileToGW(h, "gw", kUpload, "/agent/up.bin") == 0, "the upload could not be offered");
    check(TarnDownloadFile(h, "gw", kDownload, "/agent/down.bin") == 0,
          "the download could not be asked for");

    tarnwire::FrameAssembler assembler;
    std::vector<tarnwire::FrameAssembler::Frame> answers;
    drain(peer, assembler, answers);
    check(answers.size() == 2 && answers[0].code == tarnwire::kUploadToGateway &&
              answers[1].code == tarnwire::kDownload,
          "the requests were not written whole");
    answers.clear();

    std::size_t written = 0;
    while (written < length) {
        const ssize_t n = ::send(peer, stream + written, length - written, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    ::shutdown(peer, SHUT_WR);
    const std::vector<InFrame> frames = splitInput(stream, written);

    std::vector<char> target(targetCapacity);
    std::vector<char> text(static_cast<std::size_t>(textCapacity));
    std::size_t next = 0; // the first input frame the library has not taken yet
    bool closed = false;
    // Every call takes a frame, reads more of the stream or reports its end, so this always ends;
    // the slack is for waits that a signal of libFuzzer's timer cut short.
    const std::size_t limit = 2 * frames.size() + written / 512 + 16;
    for (std::size_t calls = 0; calls <= limit && !closed; ++calls) {
        unsigned short code = 0;
        target[0] = text[0] = '\x7f';
        const std::uint64_t takenBefore = h->framesTaken;
        const int result = TarnRecvMsg(h, target.data(), targetCapacity, &code, text.data(), textCapacity, 0);
        answers.clear();
        drain(peer, assembler, answers);

        if (result == -5) {
            check(next == frames.size(), "the stream was reported closed before its end");
            check(answers.empty(), "the library answered a closed stream");
            closed = true;
            break;
        }
        if (h->framesTaken == takenBefore) {
            check(result == 0, "a result without a frame taken");
            check(answers.empty(), "an answer without a frame taken");
            continue;
        }
        check(h->framesTaken == takenBefore + 1, "TarnRecvMsg took more than one frame in a call");
        check(result >= -8 && result != -1 && result != -2 && result != -3,
              "TarnRecvMsg failed on a readable socket");
        check(next < frames.size(), "TarnRecvMsg returned a message after the end of the stream");
        const InFrame& frame = frames[next++];
        if (trace) {
            std::fprintf(stderr, "frame %u (%zu bytes%s): result %d, code %u, answers", frame.code,
                         frame.payload.size(), frame.whole ? "" : ", cut", result, code);
            for (const auto& a : answers)
                std::fprintf(stderr, " %u", a.code);
            std::fprintf(stderr, "\n");
        }
        if (!frame.whole || frame.payload.size() > tarnwire::kMaxPayload) {
            check(result == -4, "a short or oversized frame was not reported as a read error");
        } else {
            check(result != -4, "a whole frame was reported as a read error");
            checkDelivered(result, frame, code, target.data(), targetCapacity, text.data(), textCapacity);
            if (frame.code == tarnwire::kLoginAccepted)
                check(h->loggedIn == 1, "login acceptance did not set loggedIn");
        }
        checkAnswers(frame, answers);
    }
    check(closed, "TarnRecvMsg never reported the end of the stream");

    TarnUninit(h);
    ::close(peer);
    checkScratchDir();
    // The old file is either untouched or was replaced whole by a finished download.
    if (inodeOf(kDownload) == oldInode)
        check(readWhole(kDownload) == kOldContent, "the download target was changed in place");
    return 0;
}
