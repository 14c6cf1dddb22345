#include "addrparse.h"

#include <cstdint>

namespace {

// Messages. The "?" forms are internal: they say the component may have been a host name rather
// than a number, and never reach a caller.
constexpr const char16_t* kNotLetter = u"the first character must be a letter";
constexpr const char16_t* kBadChar = u"invalid character exists";
constexpr const char16_t* kEmptyAddr = u"empty IP address";
constexpr const char16_t* kIpv6 = u"ipv6 is not supported";
constexpr const char16_t* kBadFamily = u"invalid address family";
constexpr const char16_t* kSyntax = u"syntax error in dotted-decimal address";
constexpr const char16_t* kEmptyNum = u"empty number in dotted-decimal address";
constexpr const char16_t* kNonNumeric = u"non-numeric component in dotted-decimal address";
constexpr const char16_t* kOverflow = u"byte overflow in dotted-decimal address";
constexpr const char16_t* kGarbage = u"extra garbage on end of dotted-decimal address";
constexpr const char16_t* kEmptySubnet = u"empty subnet";
constexpr const char16_t* kSubnetFamily = u"unknown address family in trysubnet";
constexpr const char16_t* kNoSlash = u"no / in subnet notation";
constexpr const char16_t* kBitsTooLarge = u"subnet mask bit count too large";
constexpr const char16_t* kMaskSyntax = u"syntax error in subnet mask";
constexpr const char16_t* kBadMask = u"non-contiguous or otherwise erroneous mask";
constexpr const char16_t* kIncompatible = u"subnet ip address and the subnet mask are not compatible";

enum class Err { None, Syntax, EmptyNum, NonNumeric, Overflow, Garbage };

// An internal error, or one the caller sees as it is.
struct Result
{
    Err err = Err::None;
    bool internal = false;
};

int textLength(const char16_t* text, int length)
{
    if (text == nullptr) return 0;
    if (length > 0) return length;
    int n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool contains(const char16_t* text, int length, char16_t c)
{
    for (int i = 0; i < length; ++i)
        if (text[i] == c) return true;
    return false;
}

// The dotted quad over exactly length characters; the value in value when it parses.
Result parseQuad(const char16_t* text, int length, std::uint32_t* value)
{
    int pos = 0;
    std::uint32_t v = 0;
    for (int component = 0; component < 4; ++component) {
        const bool late = component >= 2; // from the third component on, no host name could match
        if (pos >= length) return {Err::EmptyNum, !late};
        std::uint32_t n = 0;
        int digits = 0;
        while (pos < length && isDigit(text[pos]) && n <= 255) {
            n = n * 10 + std::uint32_t(text[pos] - u'0');
            ++pos;
            ++digits;
        }
        if (digits == 0) return {Err::NonNumeric, !late};
        if (n > 255) return {Err::Overflow, false};
        v = (v << 8) | n;
        if (component < 3) {
            // Past the counted text there is no dot, whatever the next character in memory is.
            if (pos >= length || text[pos] != u'.') return {Err::Syntax, component == 0};
            ++pos;
        }
    }
    if (pos != length) return {Err::Garbage, false};
    if (value) *value = v;
    return {};
}

const char16_t* message(Result r)
{
    if (r.internal) return kSyntax; // a "?" error is reported as a plain syntax error
    switch (r.err) {
    case Err::None:
        return nullptr;
    case Err::Syntax:
        return kSyntax;
    case Err::EmptyNum:
        return kEmptyNum;
    case Err::NonNumeric:
        return kNonNumeric;
    case Err::Overflow:
        return kOverflow;
    case Err::Garbage:
        return kGarbage;
    }
    return kSyntax;
}

// tryaddr over a length already resolved (0 is empty here, not "to the null").
const char16_t* checkAddr(const char16_t* text, int length, int family, std::uint32_t* value)
{
    if (length <= 0) return kEmptyAddr;
    if (family == ZR_AF_INET6) return kIpv6;
    if (family != ZR_AF_UNSPEC && family != ZR_AF_INET) return kBadFamily;
    if (contains(text, length, u':')) return family == ZR_AF_UNSPEC ? kIpv6 : kSyntax;
    return message(parseQuad(text, length, value));
}

} // namespace

const char16_t* tryname(const char16_t* text, int count)
{
    static const char16_t allowed[] = u"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-_.";
    const int n = textLength(text, count);
    if (n == 0 || !isAsciiLetter(text[0])) return kNotLetter;
    for (int i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c >= 128) continue; // any plane: not ASCII, so not ours to refuse
        bool ok = false;
        for (const char16_t* a = allowed; *a; ++a)
            if (*a == c) {
                ok = true;
                break;
            }
        if (!ok) return kBadChar;
    }
    return nullptr;
}

const char16_t* tryaddr(const char16_t* text, int length, int family)
{
    return checkAddr(text, textLength(text, length), family, nullptr);
}

const char16_t* trysubnet(const char16_t* text, int length, int family)
{
    const int n = textLength(text, length);
    if (n == 0) return kEmptySubnet;
    if (family == ZR_AF_UNSPEC) family = ZR_AF_INET;
    std::uint32_t maxBits;
    if (family == ZR_AF_INET)
        maxBits = 32;
    else if (family == ZR_AF_INET6)
        maxBits = 128;
    else
        return kSubnetFamily;

    int slash = -1;
    for (int i = 0; i < n; ++i)
        if (text[i] == u'/') {
            slash = i;
            break;
        }
    if (slash < 0) return kNoSlash;

    std::uint32_t address = 0;
    if (const char16_t* e = checkAddr(text, slash, family, &address)) return e;

    const char16_t* mask = text + slash + 1;
    int maskLength = n - slash - 1;
    for (int i = 0; i < maskLength; ++i)
        if (mask[i] == u':') {
            maskLength = i;
            break;
        }

    bool allDigits = maskLength > 0;
    for (int i = 0; i < maskLength && allDigits; ++i)
        allDigits = isDigit(mask[i]);

    std::uint32_t m = 0;
    if (allDigits) {
        std::uint64_t bits = 0;
        for (int i = 0; i < maskLength; ++i) {
            bits = bits * 10 + std::uint64_t(mask[i] - u'0');
            if (bits > maxBits) return kBitsTooLarge; // also stops any overflow of the count
        }
        m = bits == 0 ? 0 : bits >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> bits);
    } else {
        if (family != ZR_AF_INET) return kMaskSyntax;
        if (const char16_t* e = checkAddr(mask, maskLength, family, &m)) return e;
        // Ones then zeros only: the lowest one bit of m is above every zero bit.
        if ((~m & (0u - m)) != 0u) return kBadMask;
    }
    if ((address & ~m) != 0) return kIncompatible;
    return nullptr;
}
