#include "wire.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwire {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void encodeHeader(unsigned char* header, std::uint16_t payloadLength, std::uint16_t code)
{
    header[0] = static_cast<unsigned char>(payloadLength >> 8);
    header[1] = static_cast<unsigned char>(payloadLength & 0xff);
    header[2] = static_cast<unsigned char>(code >> 8);
    header[3] = static_cast<unsigned char>(code & 0xff);
}

void decodeHeader(const unsigned char* header, std::uint16_t* payloadLength, std::uint16_t* code)
{
    *payloadLength = static_cast<std::uint16_t>((header[0] << 8) | header[1]);
    *code = static_cast<std::uint16_t>((header[2] << 8) | header[3]);
}

int buildFrame(char* buf, std::size_t capacity, const char* target, std::uint16_t code, const char* args,
               std::size_t argLength)
{
    if (capacity < kHeaderSize) return -1;
    char* payload = buf + kHeaderSize;
    std::size_t length = 0;
    const bool hasArgs = args != nullptr && argLength > 0;
    // Codes are compared as signed 16-bit values.
    if (static_cast<std::int16_t>(code) > 100 && target != nullptr) {
        const std::size_t targetLength = std::strlen(target);
        if (capacity - kHeaderSize <= targetLength) return -1;
        if (hasArgs && !(capacity - (targetLength + 1) - kHeaderSize > argLength)) return -1;
        std::memcpy(payload, target, targetLength);
        length = targetLength;
        if (hasArgs) {
            payload[length++] = ' ';
            std::memcpy(payload + length, args, argLength);
            length += argLength;
        }
    } else if (hasArgs) {
        if (!(capacity - kHeaderSize > argLength)) return -2;
        std::memcpy(payload, args, argLength);
        length = argLength;
    }
    if (length > 0xffff) return -1;
    encodeHeader(reinterpret_cast<unsigned char*>(buf), static_cast<std::uint16_t>(length), code);
    return static_cast<int>(length + kHeaderSize);
}

std::string makeFrame(std::string_view target, std::uint16_t code, std::string_view args)
{
    std::string payload;
    if (static_cast<std::int16_t>(code) > 100 && !target.empty()) {
        payload.assign(target);
        if (!args.empty()) {
            payload.push_back(' ');
            payload.append(args);
        }
    } else {
        payload.assign(args);
    }
    if (payload.size() > 0xffff) return {};
    std::string frame(kHeaderSize, '\0');
    encodeHeader(reinterpret_cast<unsigned char*>(frame.data()), static_cast<std::uint16_t>(payload.size()),
                 code);
    frame += payload;
    return frame;
}

long readAll(int socket, char* buf, std::size_t count)
{
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::recv(socket, buf + got, count - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno == EINTR) {
            continue;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            ::usleep(10 * 1000);
        } else {
            return -1;
        }
    }
    return static_cast<long>(got);
}

int readFrame(int socket, char* buf, std::size_t capacity, std::uint16_t* code, std::uint16_t* payloadLength)
{
    unsigned char header[kHeaderSize];
    long n = readAll(socket, reinterpret_cast<char*>(header), kHeaderSize);
    if (n < 0) return kReadError;
    if (n == 0) return kReadClosed;
    if (n < static_cast<long>(kHeaderSize)) return kReadError;
    std::uint16_t length = 0;
    decodeHeader(header, &length, code);
    *payloadLength = length;
    if (capacity == 0) return kReadError;
    if (static_cast<std::size_t>(length) + 1 > capacity) {
        // Too long to hold: read past it so that the next frame starts where it should.
        std::size_t left = length;
        while (left > 0) {
            const std::size_t part = left < capacity ? left : capacity;
            n = readAll(socket, buf, part);
            if (n != static_cast<long>(part)) return kReadError;
            left -= part;
        }
        buf[0] = '\0';
        return kReadOversized;
    }
    if (length > 0) {
        n = readAll(socket, buf, length);
        if (n != static_cast<long>(length)) return kReadError;
    }
    buf[length] = '\0';
    return 0;
}

int tokenize(char* text, char** tokens, int max)
{
    if (text == nullptr) return 0;
    int count = 0;
    char* p = text;
    while (count < max) {
        while (*p != '\0' && isSpace(*p))
            ++p;
        if (*p == '\0') break;
        if (*p == '"') {
            char* start = p + 1;
            char* close = std::strchr(start, '"');
            if (close == nullptr) return -1;
            *close = '\0';
            tokens[count++] = start;
            p = close + 1;
            // The character after a closing quote is the separator, whatever it is.
            if (*p != '\0') *p++ = '\0';
        } else {
            tokens[count++] = p;
            while (*p != '\0' && !isSpace(*p))
                ++p;
            if (*p != '\0') *p++ = '\0';
        }
    }
    return count;
}

int tokenizeChunk(char* text, std::size_t length, char** tokens, int count, char** rest)
{
    char* p = text;
    char* const end = text + length;
    int found = 0;
    while (found < count) {
        if (p >= end) return found;
        char* start = p;
        char* stop;
        if (*p == '"') {
            start = p + 1;
            char* close = static_cast<char*>(std::memchr(start, '"', static_cast<std::size_t>(end - start)));
            if (close == nullptr) return found;
            *close = '\0';
            stop = close + 1; // the one separator after a closing quote, whatever it is
        } else {
            stop = p;
            while (stop < end && !isSpace(*stop))
                ++stop;
        }
        // A token counts only with its separator inside the text.
        if (stop >= end) return found;
        *stop = '\0';
        tokens[found++] = start;
        p = stop + 1;
    }
    if (rest != nullptr) *rest = p;
    return found;
}

bool parseU64(const char* text, std::uint64_t* value)
{
    if (text == nullptr || *text == '\0') return false;
    std::uint64_t v = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        const std::uint64_t digit = static_cast<std::uint64_t>(*p - '0');
        if (v > (UINT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    *value = v;
    return true;
}

void FrameAssembler::feed(const char* data, std::size_t length)
{
    if (offset_ > 0 && offset_ == buffer_.size()) {
        buffer_.clear();
        offset_ = 0;
    }
    while (skipping_ > 0 && length > 0) {
        const std::size_t part = skipping_ < length ? skipping_ : length;
        skipping_ -= part;
        data += part;
        length -= part;
    }
    buffer_.append(data, length);
}

int FrameAssembler::next(Frame& frame)
{
    if (skipping_ > 0) return 0;
    if (buffered() < kHeaderSize) return 0;
    std::uint16_t length = 0;
    decodeHeader(reinterpret_cast<const unsigned char*>(buffer_.data() + offset_), &length, &frame.code);
    if (length > maxPayload_) {
        offset_ += kHeaderSize;
        const std::size_t available = buffered();
        const std::size_t part = available < length ? available : length;
        offset_ += part;
        skipping_ = length - part;
        frame.payload.clear();
        return -1;
    }
    if (buffered() < kHeaderSize + length) return 0;
    frame.payload.assign(buffer_.data() + offset_ + kHeaderSize, length);
    offset_ += kHeaderSize + length;
    if (offset_ > 65536 && offset_ * 2 > buffer_.size()) {
        buffer_.erase(0, offset_);
        offset_ = 0;
    }
    return 1;
}

} // namespace tarnwire
