// tarn-pdu: decodes a received short-message PDU or builds one to send, for operators checking
// what a modem reports or expects.
#include "smspdu.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

using namespace tarn::sms;

namespace {

int usage()
{
    std::fputs("usage: tarn-pdu decode HEX\n"
               "       tarn-pdu encode [--ucs2|--8bit] NUMBER TEXT\n",
               stderr);
    return 2;
}

void putUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// One line per field, so control characters and the backslash are written as escapes.
void putShown(std::string& out, char32_t c)
{
    if (c == '\\')
        out += "\\\\";
    else if (c == '\n')
        out += "\\n";
    else if (c == '\r')
        out += "\\r";
    else if (c < 0x20 || c == 0x7F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", unsigned(c));
        out += buf;
    } else
        putUtf8(out, c);
}

// Strict UTF-8 to code points; false on a malformed sequence.
bool fromUtf8(const char* s, std::u32string& out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        unsigned c = *p++;
        int more = c < 0x80             ? 0
                   : (c & 0xE0) == 0xC0 ? 1
                   : (c & 0xF0) == 0xE0 ? 2
                   : (c & 0xF8) == 0xF0 ? 3
                                        : -1;
        if (more < 0) return false;
        char32_t v = more == 0 ? c : more == 1 ? (c & 0x1F) : more == 2 ? (c & 0x0F) : (c & 0x07);
        for (int i = 0; i < more; ++i) {
            if ((*p & 0xC0) != 0x80) return false;
            v = v << 6 | (*p++ & 0x3F);
        }
        static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (v < kMin[more] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return false;
        out += v;
    }
    return true;
}

int decode(const char* hex)
{
    Decoded d = DecodeDeliver(hex);
    if (!d.ok) {
        std::fprintf(stderr, "tarn-pdu: cannot decode: %s\n", d.error.c_str());
        return 1;
    }
    const Message& m = d.message;
    std::string text;
    if (m.coding == Coding::Ucs2) {
        const std::u16string& w = m.wideText;
        for (std::size_t i = 0; i < w.size(); ++i) {
            char32_t c = w[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF)
                c = 0x10000 + ((c - 0xD800) << 10) + (w[++i] - 0xDC00);
            else if (c >= 0xD800 && c <= 0xDFFF)
                c = 0xFFFD;
            putShown(text, c);
        }
    } else {
        // 8-bit data is shown as Latin-1; 7-bit text is ASCII already.
        for (char c : m.text)
            putShown(text, static_cast<unsigned char>(c));
    }
    std::string stamp = "none";
    if (m.hasTimestamp) {
        char buf[32];
        std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &m.timestamp);
        stamp = buf;
    }
    const char* coding = m.coding == Coding::Ucs2 ? "UCS-2" : m.coding == Coding::Octet8 ? "8-bit" : "7-bit";
    std::printf("sc: %s\nsender: %s\ncoding: %s\ntimestamp: %s\ntext: %s\n", m.serviceCentre.c_str(),
                m.peer.c_str(), coding, stamp.c_str(), text.c_str());
    return 0;
}

int encode(Coding coding, const char* number, const char* utf8)
{
    std::u32string chars;
    if (!fromUtf8(utf8, chars)) {
        std::fputs("tarn-pdu: cannot encode: the text is not valid UTF-8\n", stderr);
        return 1;
    }
    Message m;
    m.coding = coding;
    m.peer = number;
    for (char32_t c : chars) {
        if (coding == Coding::Ucs2) {
            if (c > 0xFFFF) {
                std::fputs("tarn-pdu: cannot encode: the text has a character outside UCS-2\n", stderr);
                return 1;
            }
            m.wideText += char16_t(c);
        } else if (c > (coding == Coding::Octet8 ? 0xFFu : 0x7Fu)) {
            std::fprintf(
                stderr,
                "tarn-pdu: cannot encode: the text has a character the %s coding cannot carry; use %s\n",
                coding == Coding::Octet8 ? "8-bit" : "7-bit", "--ucs2");
            return 1;
        } else {
            m.text += char(c);
        }
    }
    m.textLength = int(coding == Coding::Ucs2 ? m.wideText.size() : m.text.size());
    Encoded e = EncodeSubmit(m);
    if (e.tpduLength < 0) {
        std::fprintf(stderr, "tarn-pdu: cannot encode: %s\n", e.error.c_str());
        return 1;
    }
    std::printf("%d %s\n", e.tpduLength, e.pdu.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "decode") == 0) return decode(argv[2]);
    if (argc >= 4 && std::strcmp(argv[1], "encode") == 0) {
        Coding coding = Coding::Gsm7;
        int i = 2;
        if (std::strcmp(argv[i], "--ucs2") == 0)
            coding = Coding::Ucs2, ++i;
        else if (std::strcmp(argv[i], "--8bit") == 0)
            coding = Coding::Octet8, ++i;
        if (argc - i == 2) return encode(coding, argv[i], argv[i + 1]);
    }
    return usage();
}
