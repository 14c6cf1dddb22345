#include "smspdu.h"

#include <cstdio>

namespace tarn::sms {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

char upper(char c)
{
    return (c >= 'a' && c <= 'f') ? char(c - 'a' + 'A') : c;
}

const char kHex[] = "0123456789ABCDEF";

// A cursor over the hex text that refuses to read past its end.
class Reader
{
public:
    explicit Reader(const std::string& hex) : hex_(hex) {}
    bool octet(int& out)
    {
        if (hex_.size() - pos_ < 2) return false;
        int hi = hexValue(hex_[pos_]), lo = hexValue(hex_[pos_ + 1]);
        if (hi < 0 || lo < 0) return false;
        out = hi * 16 + lo;
        pos_ += 2;
        return true;
    }
    // Two semi-octets, swapped into reading order, upper case.
    bool swapped(char& first, char& second)
    {
        if (hex_.size() - pos_ < 2) return false;
        first = upper(hex_[pos_ + 1]);
        second = upper(hex_[pos_]);
        pos_ += 2;
        return true;
    }
    std::size_t left() const { return (hex_.size() - pos_) / 2; }

private:
    const std::string& hex_;
    std::size_t pos_ = 0;
};

// Reads `octets` octets of semi-octet digits, keeping at most `digits` of them (a trailing "F"
// pad is dropped by the count).
bool readDigits(Reader& r, int octets, int digits, std::string& out)
{
    for (int i = 0; i < octets; ++i) {
        char a, b;
        if (!r.swapped(a, b)) return false;
        out += a;
        out += b;
    }
    if (int(out.size()) > digits) out.resize(std::size_t(digits));
    return true;
}

void putOctet(std::string& out, int v)
{
    out += kHex[(v >> 4) & 15];
    out += kHex[v & 15];
}

void putSwapped(std::string& out, const std::string& digits)
{
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        out += i + 1 < digits.size() ? digits[i + 1] : 'F';
        out += digits[i];
    }
}

bool isDigits(const std::string& s)
{
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool decimal(char a, char b, int& v)
{
    if (a < '0' || a > '9' || b < '0' || b > '9') return false;
    v = (a - '0') * 10 + (b - '0');
    return true;
}

// Fills the timestamp from the seven swapped octets; false leaves the message without one.
bool readStamp(const char (&s)[14], std::tm& out)
{
    int f[6];
    for (int i = 0; i < 6; ++i)
        if (!decimal(s[2 * i], s[2 * i + 1], f[i])) return false;
    if (f[1] < 1 || f[1] > 12 || f[2] < 1 || f[2] > 31 || f[3] > 23 || f[4] > 59 || f[5] > 59) return false;
    std::tm t{};
    t.tm_year = 100 + f[0];
    t.tm_mon = f[1] - 1;
    t.tm_mday = f[2];
    t.tm_hour = f[3];
    t.tm_min = f[4];
    t.tm_sec = f[5];
    t.tm_isdst = -1; // the zone octet is ignored, so daylight saving is not known
    if (std::mktime(&t) == std::time_t(-1)) return false;
    out = t;
    return true;
}

Decoded fail(const char* why)
{
    Decoded d;
    d.error = why;
    return d;
}

Encoded refuse(std::string why)
{
    Encoded e;
    e.error = std::move(why);
    return e;
}

} // namespace

std::string CheckRecipient(const std::string& number)
{
    std::string digits = number;
    if (!digits.empty() && digits[0] == '+') digits.erase(0, 1);
    if (digits.empty()) return "the recipient has no digits";
    if (!isDigits(digits)) return "the recipient may hold only digits after an optional \"+\"";
    if (digits.size() > kMaxRecipientDigits) return "the recipient has more than 20 digits";
    return {};
}

Decoded DecodeDeliver(const std::string& pduHex)
{
    for (char c : pduHex)
        if (hexValue(c) < 0) return fail("the PDU holds a character that is not a hex digit");
    if (pduHex.size() % 2) return fail("the PDU has an odd number of hex digits");

    Decoded d;
    Message& m = d.message;
    Reader r(pduHex);
    int v;

    // Service centre; a length of 0 means no address and the TPDU follows at once.
    if (!r.octet(v)) return fail("the PDU is empty");
    if (v > 0) {
        if (v > 250) return fail("the service-centre length is over 250 octets");
        int type;
        if (!r.octet(type)) return fail("the PDU ends in the service-centre address");
        if (type != 0x91) return fail("the service-centre address is not international");
        std::string digits;
        if (!readDigits(r, v - 1, 2 * (v - 1), digits))
            return fail("the PDU ends in the service-centre address");
        if (!digits.empty() && digits.back() == 'F') digits.pop_back();
        if (digits.size() + 1 > kMaxNumber) return fail("the service-centre number is too long");
        m.serviceCentre = "+" + digits;
    }

    if (!r.octet(v)) return fail("the PDU ends before the TPDU"); // first octet, not needed

    int count, type;
    if (!r.octet(count) || !r.octet(type)) return fail("the PDU ends in the sender address");
    if (count == 0) return fail("the sender address has no digits");
    if (type != 0x91) return fail("the sender address is not an international number");
    if (std::size_t(count) + 1 > kMaxNumber) return fail("the sender number is too long");
    std::string sender;
    if (!readDigits(r, (count + 1) / 2, count, sender)) return fail("the PDU ends in the sender address");
    m.peer = "+" + sender;

    int pid, dcs;
    if (!r.octet(pid) || !r.octet(dcs)) return fail("the PDU ends before the coding scheme");
    m.coding = dcs == 0x08 ? Coding::Ucs2 : dcs == 0x04 ? Coding::Octet8 : Coding::Gsm7;

    char stamp[14];
    for (int i = 0; i < 7; ++i)
        if (!r.swapped(stamp[2 * i], stamp[2 * i + 1])) return fail("the PDU ends in the timestamp");
    bool none = (stamp[0] == 'F' && stamp[1] == 'F') || (stamp[0] == 'A' && stamp[1] == 'A');
    m.hasTimestamp = !none && readStamp(stamp, m.timestamp);

    int udl;
    if (!r.octet(udl)) return fail("the PDU ends before the user-data length");
    switch (m.coding) {
    case Coding::Ucs2: {
        if (udl % 2) return fail("the UCS-2 user data has an odd number of octets");
        if (std::size_t(udl / 2) > kMaxWideText) return fail("the user data is too long");
        if (r.left() < std::size_t(udl)) return fail("the user data is longer than the PDU");
        for (int i = 0; i < udl / 2; ++i) {
            int hi, lo;
            r.octet(hi);
            r.octet(lo);
            m.wideText += char16_t(hi << 8 | lo);
        }
        m.textLength = udl / 2;
        break;
    }
    case Coding::Octet8:
        if (std::size_t(udl) > kMaxText) return fail("the user data is too long");
        if (r.left() < std::size_t(udl)) return fail("the user data is longer than the PDU");
        for (int i = 0; i < udl; ++i) {
            r.octet(v);
            m.text += char(v);
        }
        m.textLength = udl;
        break;
    case Coding::Gsm7: {
        if (std::size_t(udl) > kMaxText) return fail("the user data is too long");
        std::size_t octets = (std::size_t(udl) * 7 + 7) / 8;
        if (r.left() < octets) return fail("the user data is longer than the PDU");
        unsigned acc = 0;
        int bits = 0;
        // Exactly udl septets: the fill bits of the last octet are not a character.
        while (int(m.text.size()) < udl) {
            if (bits < 7) {
                r.octet(v);
                acc |= unsigned(v) << bits;
                bits += 8;
            }
            int c = int(acc & 0x7F);
            acc >>= 7;
            bits -= 7;
            m.text += c == 0x00 ? '@' : c == 0x02 ? '$' : c == 0x11 ? '_' : char(c);
        }
        m.textLength = udl;
        break;
    }
    }
    d.ok = true;
    return d;
}

Encoded EncodeSubmit(const Message& m)
{
    if (std::string why = CheckRecipient(m.peer); !why.empty()) return refuse(why);

    std::string out;
    const std::string& sc = m.serviceCentre;
    if (sc.empty()) {
        out += "00";
    } else {
        bool intl = sc[0] == '+';
        std::string digits = intl ? sc.substr(1) : sc;
        if (digits.empty() || !isDigits(digits) || sc.size() > kMaxNumber)
            return refuse("the service-centre number is not a number of at most 29 characters");
        // Without the length and type octets the modem would read the digits as the TPDU.
        putOctet(out, 1 + int(digits.size() + 1) / 2);
        out += intl ? "91" : "81";
        putSwapped(out, digits);
    }
    std::size_t scEnd = out.size();

    out += "1100";
    bool intl = m.peer[0] == '+';
    std::string digits = intl ? m.peer.substr(1) : m.peer;
    putOctet(out, int(digits.size()));
    out += intl ? "91" : "92";
    putSwapped(out, digits);
    out += "00";

    switch (m.coding) {
    case Coding::Ucs2:
        if (m.wideText.size() > kMaxUcs2) return refuse("a UCS-2 message carries at most 70 characters");
        out += "08FF";
        putOctet(out, int(2 * m.wideText.size()));
        for (char16_t c : m.wideText) {
            putOctet(out, c >> 8);
            putOctet(out, c & 0xFF);
        }
        break;
    case Coding::Octet8:
        if (m.text.size() > kMaxOctets) return refuse("an 8-bit message carries at most 140 octets");
        out += "04FF";
        putOctet(out, int(m.text.size()));
        for (char c : m.text)
            putOctet(out, static_cast<unsigned char>(c));
        break;
    case Coding::Gsm7: {
        if (m.text.size() > kMaxSeptets) return refuse("a 7-bit message carries at most 160 characters");
        out += "00FF";
        putOctet(out, int(m.text.size()));
        unsigned acc = 0;
        int bits = 0;
        for (char ch : m.text) {
            unsigned c = static_cast<unsigned char>(ch);
            c = c == '\r' ? ' ' : c == '$' ? 0x02 : c == '@' ? 0x00 : c == '_' ? 0x11 : c > 127 ? '.' : c;
            acc |= c << bits;
            bits += 7;
            while (bits >= 8) {
                putOctet(out, int(acc & 0xFF));
                acc >>= 8;
                bits -= 8;
            }
        }
        if (bits > 0) putOctet(out, int(acc & 0xFF));
        break;
    }
    }
    if (out.size() > kMaxPdu) return refuse("the PDU does not fit in 512 characters");
    Encoded e;
    e.tpduLength = int(out.size() - scEnd) / 2;
    e.pdu = std::move(out);
    return e;
}

} // namespace tarn::sms
