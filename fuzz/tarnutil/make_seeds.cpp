// Writes the seed corpus of fuzz_tarnutil_recv into the folder given: one file per kind of
// gateway traffic. Each seed starts with the two capacity bytes the fuzzer reads first.
#include "wire.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// The paths the fuzzer offers; they must match fuzz_recv.cpp.
const std::string kUpload = "/tmp/tarn-fuzz-recv/up.bin";
const std::string kDownload = "/tmp/tarn-fuzz-recv/down.bin";
const std::string kFull = std::string(2, '\0');

std::string frame(const std::string& target, std::uint16_t code, const std::string& args)
{
    return tarnwire::makeFrame(target, code, args);
}

// A header that declares length bytes, followed by body (which may be shorter).
std::string rawFrame(std::uint16_t length, std::uint16_t code, const std::string& body)
{
    std::string out(tarnwire::kHeaderSize, '\0');
    tarnwire::encodeHeader(reinterpret_cast<unsigned char*>(out.data()), length, code);
    return out + body;
}

std::string chunkRequest(const std::string& local, const std::string& offset, const std::string& length)
{
    return frame("gw", tarnwire::kChunkRequest,
                 "\"" + local + "\" \"/agent/up.bin\" up7 0 0 " + offset + " " + length);
}

std::string chunk(int eof, const std::string& offset, const std::string& data)
{
    return frame("gw", tarnwire::kChunk,
                 "\"" + kDownload + "\" \"/agent/down.bin\" dl9 2 0 " + std::to_string(eof) + " " + offset +
                     " " + std::to_string(data.size()) + " " + data);
}

std::string downloadStart(const std::string& local)
{
    return frame("gw", tarnwire::kDownloadStart, "0 \"" + local + "\" \"/agent/down.bin\" dl9");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::pair<std::string, std::string>> seeds = {
        {"login", kFull + frame("", tarnwire::kLoginAccepted, "") + frame("", tarnwire::kLoginAccepted, "3")},
        {"reply",
         kFull + frame("agent-1:0", 102, "\"2.1.4\" \"TN-200\" \"rev b\"") + frame("", 26, "agent-2:0 x")},
        {"no_text", kFull + frame("agent-1:0", 102, "") + rawFrame(10, 102, "agent-1:0 ")},
        {"failure", kFull + frame("gw", tarnwire::kFailure, "191 \"up.bin: File name (path) error.\"")},
        {"upload_chunks", kFull + chunkRequest(kUpload, "0", "2048") + chunkRequest(kUpload, "2048", "2048") +
                              chunkRequest(kUpload, "2900", "50") + chunkRequest(kUpload, "3000", "1024")},
        {"upload_refused",
         kFull + chunkRequest("/etc/passwd", "0", "2048") + chunkRequest(kUpload, "0", "0") +
             chunkRequest(kUpload, "18446744073709551615", "10") + chunkRequest(kUpload, "-1", "10")},
        // Found by the fuzzer: a read at the largest offset fails and drops the request.
        {"upload_far_offset", kFull + chunkRequest(kUpload, "09223372036854775807", "10") +
                                  chunkRequest(kUpload, "9223372036854775800", "5") +
                                  chunkRequest(kUpload, "2990", "20")},
        {"download", kFull + downloadStart(kDownload) + chunk(0, "0", "hello") + chunk(1, "5", " world\n")},
        {"download_partial", kFull + downloadStart(kDownload) + chunk(0, "0", std::string(1024, 'x'))},
        {"download_refused", kFull + downloadStart("/tmp/tarn-fuzz-recv/other") + chunk(1, "0", "early") +
                                 frame("gw", tarnwire::kDownloadStart, "0 \"" + kDownload + "\"")},
        {"download_restart", kFull + downloadStart(kDownload) + chunk(0, "0", "abc") +
                                 downloadStart(kDownload) + chunk(1, "1024", "tail")},
        {"oversized",
         kFull + rawFrame(10300, 102, std::string(10300, 'o')) + frame("agent-1:0", 102, "after")},
        {"oversized_short", kFull + rawFrame(65535, 102, "agent-1:0 cut")},
        {"truncated", kFull + rawFrame(100, 102, "agent-1:0 ab")},
        {"unclosed_quote", kFull +
                               frame("gw", tarnwire::kChunkRequest, "\"" + kUpload + " \"/agent 1 2 0 0 10") +
                               frame("gw", tarnwire::kDownloadStart, "0 \"" + kDownload + " dl9") +
                               frame("agent-1:0", 102, "\"unclosed")},
        {"small_buffers", std::string("\x8f\x83") + frame("agent-1:0", 102, "long text") +
                              frame("averyveryverylongtarget", 102, "t") +
                              frame("averyveryverylongtargetnospace", 102, "") + frame("a", 102, "bc")},
    };
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out << bytes;
        if (!out) {
            std::fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), name.c_str());
            return 1;
        }
    }
    return 0;
}
