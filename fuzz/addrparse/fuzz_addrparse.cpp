// Arbitrary text through tryname, tryaddr and trysubnet. A counted text is given without any
// terminator, so a look past its count is a heap overflow; every answer must be one of the messages,
// and an accepted subnet must have an accepted address before its "/".
#include "addrparse.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char16_t* const kMessages[] = {
    u"the first character must be a letter",
    u"invalid character exists",
    u"empty IP address",
    u"ipv6 is not supported",
    u"invalid address family",
    u"syntax error in dotted-decimal address",
    u"empty number in dotted-decimal address",
    u"non-numeric component in dotted-decimal address",
    u"byte overflow in dotted-decimal address",
    u"extra garbage on end of dotted-decimal address",
    u"empty subnet",
    u"unknown address family in trysubnet",
    u"no / in subnet notation",
    u"subnet mask bit count too large",
    u"syntax error in subnet mask",
    u"empty subnet mask",
    u"non-contiguous or otherwise erroneous mask",
    u"subnet ip address and the subnet mask are not compatible",
};

void known(const char16_t* m)
{
    if (m == nullptr) return;
    for (const char16_t* k : kMessages)
        if (std::u16string(k) == m) return;
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const int families[] = {ZR_AF_UNSPEC, ZR_AF_INET, ZR_AF_INET6, 7};
    const int family = families[data[0] & 3];
    const bool terminated = (data[0] & 4) != 0;
    ++data;
    --size;
    // Mostly ASCII, with now and then a wide character, so that dotted texts come up often.
    std::vector<char16_t> text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 2 < size) {
            text.push_back(char16_t(data[i + 1] << 8 | data[i + 2]));
            i += 2;
        } else {
            text.push_back(char16_t(data[i]));
        }
    }
    const int n = int(text.size());
    if (terminated) {
        // Length 0: up to the first null, which the text then must have.
        text.push_back(0);
        std::vector<char16_t> copy(text);
        known(tryname(copy.data(), 0));
        known(tryaddr(copy.data(), 0, family));
        known(trysubnet(copy.data(), 0, family));
        return 0;
    }
    if (n == 0) return 0;
    // Exactly n characters on the heap and nothing after them.
    auto* exact = static_cast<char16_t*>(std::malloc(sizeof(char16_t) * std::size_t(n)));
    std::memcpy(exact, text.data(), sizeof(char16_t) * std::size_t(n));
    known(tryname(exact, n));
    known(tryaddr(exact, n, family));
    const char16_t* subnet = trysubnet(exact, n, family);
    known(subnet);
    if (subnet == nullptr) {
        int slash = 0;
        while (slash < n && exact[slash] != u'/')
            ++slash;
        if (slash == n) std::abort(); // accepted without a "/"
        const int f = family == ZR_AF_UNSPEC ? ZR_AF_INET : family;
        if (slash == 0 || tryaddr(exact, slash, f) != nullptr) std::abort();
    }
    std::free(exact);
    return 0;
}
