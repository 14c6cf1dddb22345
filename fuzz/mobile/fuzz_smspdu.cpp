// Arbitrary PDUs through the decoder. The first byte picks raw text (mostly refused at the first
// non-hex character) or the rest written out as hex (so the fields themselves are explored). A
// decoded message must respect its fields' room, read the same in either case, and, when its
// sender is a sendable number, encode back into a well-formed PDU of the announced length.
#include "smspdu.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace tarn::sms;

namespace {

void check(bool ok)
{
    if (!ok) std::abort();
}

bool sameStamp(const std::tm& a, const std::tm& b)
{
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
           a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    std::string hex;
    if (data[0] & 1) {
        static const char kHex[] = "0123456789ABCDEF";
        for (size_t i = 1; i < size; ++i) {
            hex += kHex[data[i] >> 4];
            hex += (data[0] & 2) ? char(std::tolower(kHex[data[i] & 15])) : kHex[data[i] & 15];
        }
    } else {
        hex.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    }

    Decoded d = DecodeDeliver(hex);
    if (!d.ok) {
        check(!d.error.empty());
        return 0;
    }
    const Message& m = d.message;
    check(m.peer.size() >= 2 && m.peer.size() <= kMaxNumber && m.peer[0] == '+');
    check(m.serviceCentre.empty() || (m.serviceCentre[0] == '+' && m.serviceCentre.size() <= kMaxNumber));
    if (m.coding == Coding::Ucs2) {
        check(m.text.empty() && m.wideText.size() <= kMaxWideText &&
              size_t(m.textLength) == m.wideText.size());
    } else {
        check(m.wideText.empty() && m.text.size() <= kMaxText && size_t(m.textLength) == m.text.size());
    }
    if (m.coding == Coding::Gsm7)
        for (char c : m.text)
            check(static_cast<unsigned char>(c) < 0x80);
    if (m.hasTimestamp) {
        check(m.timestamp.tm_mon >= 0 && m.timestamp.tm_mon <= 11);
        check(m.timestamp.tm_mday >= 1 && m.timestamp.tm_mday <= 31);
    }

    std::string lower = hex;
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    Decoded l = DecodeDeliver(lower);
    check(l.ok && l.message.peer == m.peer && l.message.serviceCentre == m.serviceCentre &&
          l.message.text == m.text && l.message.wideText == m.wideText &&
          l.message.hasTimestamp == m.hasTimestamp);
    if (m.hasTimestamp) check(sameStamp(l.message.timestamp, m.timestamp));

    Message out = m;
    out.serviceCentre.clear();
    bool fits = m.coding == Coding::Ucs2     ? m.wideText.size() <= kMaxUcs2
                : m.coding == Coding::Octet8 ? m.text.size() <= kMaxOctets
                                             : m.text.size() <= kMaxSeptets;
    Encoded e = EncodeSubmit(out);
    if (!CheckRecipient(m.peer).empty() || !fits) {
        check(e.tpduLength == -1 && e.pdu.empty() && !e.error.empty());
        return 0;
    }
    check(e.tpduLength > 0 && e.pdu.size() == 2 + 2 * size_t(e.tpduLength) && e.pdu.size() <= kMaxPdu);
    for (char c : e.pdu)
        check((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    return 0;
}
