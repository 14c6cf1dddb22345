// The name, address and subnet checks: each message for the input that should raise it, the
// counted lengths, and characters outside ASCII.
#include "addrparse.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string msg(const char16_t* m)
{
    return m ? std::u16string(m) : std::u16string(u"(accepted)");
}

std::u16string addr(const std::u16string& s, int family = ZR_AF_INET)
{
    return msg(tryaddr(s.c_str(), 0, family));
}

std::u16string subnet(const std::u16string& s, int family = ZR_AF_INET)
{
    return msg(trysubnet(s.c_str(), 0, family));
}

const std::u16string ok = u"(accepted)";

TEST(AddrParse, HostNames)
{
    EXPECT_EQ(msg(tryname(u"plant-01.local", 0)), ok);
    EXPECT_EQ(msg(tryname(u"1plant", 0)), u"the first character must be a letter");
    EXPECT_EQ(msg(tryname(u"", 0)), u"the first character must be a letter");
    EXPECT_EQ(msg(tryname(u"my host", 0)), u"invalid character exists");
    // Only the counted characters are looked at.
    EXPECT_EQ(msg(tryname(u"abc def", 3)), ok);
    // Non-ASCII characters may be part of a name whatever their value, but never start one.
    EXPECT_EQ(msg(tryname(u"k\u00fchl", 0)), ok);
    EXPECT_EQ(msg(tryname(u"a\u0100b", 0)), ok); // bit 7 clear, still not ASCII
    EXPECT_EQ(msg(tryname(u"\u00e9cole", 0)), u"the first character must be a letter");
    EXPECT_EQ(msg(tryname(u"\u0141odz", 0)), u"the first character must be a letter");
}

TEST(AddrParse, DottedAddresses)
{
    EXPECT_EQ(addr(u"192.168.1.1"), ok);
    EXPECT_EQ(addr(u"001.002.003.004"), ok);
    EXPECT_EQ(addr(u"0000000001.2.3.4"), ok); // long leading zeros are converted, not cut
    EXPECT_EQ(addr(u"192.168.1.256"), u"byte overflow in dotted-decimal address");
    EXPECT_EQ(addr(u"1.2.3"), u"syntax error in dotted-decimal address");
    EXPECT_EQ(addr(u"1.2"), u"syntax error in dotted-decimal address");
    EXPECT_EQ(addr(u"1.2.3.4.5"), u"extra garbage on end of dotted-decimal address");
    EXPECT_EQ(addr(u"1.2.3.4 "), u"extra garbage on end of dotted-decimal address");
    EXPECT_EQ(addr(u"1.2.3."), u"empty number in dotted-decimal address");
    EXPECT_EQ(addr(u"1.2..4"), u"non-numeric component in dotted-decimal address");
    EXPECT_EQ(addr(u"1.2.3.x"), u"non-numeric component in dotted-decimal address");
    // The first two components keep the internal kind: the caller sees a syntax error.
    EXPECT_EQ(addr(u"a.2.3.4"), u"syntax error in dotted-decimal address");
    EXPECT_EQ(addr(u"1..3.4"), u"syntax error in dotted-decimal address");
    EXPECT_EQ(addr(u"1."), u"syntax error in dotted-decimal address");
    EXPECT_EQ(addr(u""), u"empty IP address");
    EXPECT_EQ(msg(tryaddr(nullptr, 0, ZR_AF_INET)), u"empty IP address");
}

TEST(AddrParse, FamiliesAndColons)
{
    EXPECT_EQ(addr(u"1.2.3.4", ZR_AF_INET6), u"ipv6 is not supported");
    EXPECT_EQ(addr(u"1.2.3.4", 7), u"invalid address family");
    EXPECT_EQ(addr(u"1.2.3.4", ZR_AF_UNSPEC), ok);
    EXPECT_EQ(addr(u"fe80::1", ZR_AF_UNSPEC), u"ipv6 is not supported");
    EXPECT_EQ(addr(u"fe80::1", ZR_AF_INET), u"syntax error in dotted-decimal address");
}

TEST(AddrParse, CountedAddressesEndAtTheirCount)
{
    const std::u16string text = u"10.0.0.1:5000";
    EXPECT_EQ(msg(tryaddr(text.c_str(), 8, ZR_AF_INET)), ok);
    EXPECT_EQ(msg(tryaddr(text.c_str(), 9, ZR_AF_INET)), u"syntax error in dotted-decimal address");
    // A count that ends inside the third component: a syntax error, not the dot that follows.
    EXPECT_EQ(msg(tryaddr(u"10.0.0.1", 4, ZR_AF_INET)), u"syntax error in dotted-decimal address");
    EXPECT_EQ(msg(tryaddr(u"10.0.0.1", 5, ZR_AF_INET)), u"empty number in dotted-decimal address");
}

TEST(AddrParse, Subnets)
{
    EXPECT_EQ(subnet(u"192.168.1.0/24"), ok);
    EXPECT_EQ(subnet(u"192.168.1.0/255.255.255.0"), ok);
    EXPECT_EQ(subnet(u"192.168.1.1/24"), u"subnet ip address and the subnet mask are not compatible");
    EXPECT_EQ(subnet(u"10.0.0.0/33"), u"subnet mask bit count too large");
    EXPECT_EQ(subnet(u"10.0.0.0/99999999999999999999"), u"subnet mask bit count too large");
    EXPECT_EQ(subnet(u"10.0.0.0"), u"no / in subnet notation");
    EXPECT_EQ(subnet(u"10.0.0.0/255.0.255.0"), u"non-contiguous or otherwise erroneous mask");
    EXPECT_EQ(subnet(u""), u"empty subnet");
    EXPECT_EQ(subnet(u"10.0.0.0/8", 5), u"unknown address family in trysubnet");
    EXPECT_EQ(subnet(u"10.0.0.0/8", ZR_AF_UNSPEC), ok);
    EXPECT_EQ(subnet(u"10.0.0.0/8", ZR_AF_INET6), u"ipv6 is not supported");
}

TEST(AddrParse, SubnetMaskEdges)
{
    // No mask bits: only the all-zero address fits; all 32: every address does.
    EXPECT_EQ(subnet(u"0.0.0.0/0"), ok);
    EXPECT_EQ(subnet(u"10.0.0.0/0"), u"subnet ip address and the subnet mask are not compatible");
    EXPECT_EQ(subnet(u"10.1.2.3/32"), ok);
    EXPECT_EQ(subnet(u"10.1.2.3/255.255.255.255"), ok);
    EXPECT_EQ(subnet(u"0.0.0.0/0.0.0.0"), ok);
    EXPECT_EQ(subnet(u"10.1.2.0/31"), ok);
    EXPECT_EQ(subnet(u"10.1.2.1/31"), u"subnet ip address and the subnet mask are not compatible");
    // The short "0/0" is no dotted address.
    EXPECT_EQ(subnet(u"0/0"), u"syntax error in dotted-decimal address");
    EXPECT_EQ(subnet(u"10.0.0.0/"), u"empty IP address");
    EXPECT_EQ(subnet(u"10.0.0.0/255.255.0"), u"syntax error in dotted-decimal address");
    EXPECT_EQ(subnet(u"10.0.0.0/255.255.256.0"), u"byte overflow in dotted-decimal address");
    // Text after a colon in the mask does not count.
    EXPECT_EQ(subnet(u"10.0.0.0/8:any"), ok);
    EXPECT_EQ(subnet(u"10.0.0.0/:8"), u"empty IP address");
}

TEST(AddrParse, SubnetSlashIsLookedForWithinTheCount)
{
    // The "/" lies past the count: there is none in the counted text.
    const std::u16string text = u"10.0.0.0/8";
    EXPECT_EQ(msg(trysubnet(text.c_str(), 8, ZR_AF_INET)), u"no / in subnet notation");
    EXPECT_EQ(msg(trysubnet(text.c_str(), 10, ZR_AF_INET)), ok);
    // The mask ends at the count too: "/2" of "/24".
    EXPECT_EQ(msg(trysubnet(u"10.0.0.0/24", 10, ZR_AF_INET)),
              u"subnet ip address and the subnet mask are not compatible");
    EXPECT_EQ(msg(trysubnet(u"192.0.0.0/24", 11, ZR_AF_INET)), ok);
    // A colon in the mask part is not the address's business.
    EXPECT_EQ(subnet(u"10.0.0.0/8:x"), ok);
    // A long address of leading zeros is converted whole.
    EXPECT_EQ(subnet(u"0000000000010.0.0.0/8"), ok);
}

} // namespace
