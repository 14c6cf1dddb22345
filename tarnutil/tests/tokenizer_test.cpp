#include "wire.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace tarnwire;

namespace {

int plain(std::string& text, std::vector<std::string>& out, int max)
{
    std::vector<char*> items(static_cast<std::size_t>(max));
    const int n = tokenize(text.data(), items.data(), max);
    out.clear();
    for (int i = 0; i < n; ++i)
        out.emplace_back(items[static_cast<std::size_t>(i)]);
    return n;
}

TEST(PlainTokeniser, QuotesSpacesAndLimits)
{
    std::vector<std::string> t;
    std::string s = "  \"C:\\a dir\\f.txt\"  \t\"/x y\" tag\r\n2  0 ";
    ASSERT_EQ(plain(s, t, 8), 5);
    EXPECT_EQ(t[0], "C:\\a dir\\f.txt");
    EXPECT_EQ(t[1], "/x y");
    EXPECT_EQ(t[2], "tag");
    EXPECT_EQ(t[3], "2");
    EXPECT_EQ(t[4], "0");

    s = "a b c d";
    EXPECT_EQ(plain(s, t, 2), 2);
    EXPECT_EQ(t[1], "b");

    s = "";
    EXPECT_EQ(plain(s, t, 3), 0);
    s = "   \t ";
    EXPECT_EQ(plain(s, t, 3), 0);
    s = "a \"never closed";
    EXPECT_EQ(plain(s, t, 3), -1);
    // Empty quoted token.
    s = "\"\" b";
    ASSERT_EQ(plain(s, t, 3), 2);
    EXPECT_EQ(t[0], "");
    EXPECT_EQ(t[1], "b");
}

TEST(PlainTokeniser, CharacterAfterClosingQuoteIsConsumed)
{
    std::vector<std::string> t;
    std::string s = "\"path\"xyz next";
    ASSERT_EQ(plain(s, t, 3), 3);
    EXPECT_EQ(t[0], "path");
    EXPECT_EQ(t[1], "yz"); // the x was the separator
    EXPECT_EQ(t[2], "next");
}

TEST(ChunkTokeniser, ExactSeparatorsAndRawRest)
{
    using namespace std::string_literals;
    std::string s = "nick \"/l p\" \"a\" tag 2 0 1 0 5 ab\0cd"s;
    std::vector<char*> items(9);
    char* rest = nullptr;
    ASSERT_EQ(tokenizeChunk(s.data(), s.size(), items.data(), 9, &rest), 9);
    EXPECT_STREQ(items[0], "nick");
    EXPECT_STREQ(items[1], "/l p");
    EXPECT_STREQ(items[2], "a");
    EXPECT_STREQ(items[8], "5");
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(std::string(rest, 2), "ab");
    EXPECT_EQ(s.data() + s.size() - rest, 5);
}

TEST(ChunkTokeniser, NoSkippingAndNoReadingPastLength)
{
    std::vector<char*> items(3);
    char* rest = nullptr;
    // Two spaces make an empty token: separators are exactly one character.
    std::string s = "a  b c";
    ASSERT_EQ(tokenizeChunk(s.data(), s.size(), items.data(), 3, &rest), 3);
    EXPECT_STREQ(items[1], "");
    EXPECT_STREQ(items[2], "b");

    // The last token needs its separator inside the given length.
    std::string t = "a b c";
    EXPECT_EQ(tokenizeChunk(t.data(), t.size(), items.data(), 3, &rest), 2);
    // A quote closed only beyond the length is not closed.
    std::string u = "\"abc\" x";
    EXPECT_EQ(tokenizeChunk(u.data(), 3, items.data(), 1, &rest), 0);
}

TEST(Frames, BuildLimitsAndLayout)
{
    char buf[64];
    int n = buildFrame(buf, sizeof buf, "nick", 101, "ab", 2);
    ASSERT_EQ(n, 4 + 7);
    EXPECT_EQ(std::string(buf + 4, 7), "nick ab");
    std::uint16_t len, code;
    decodeHeader(reinterpret_cast<unsigned char*>(buf), &len, &code);
    EXPECT_EQ(len, 7);
    EXPECT_EQ(code, 101);

    // Codes of 100 or less carry no target.
    n = buildFrame(buf, sizeof buf, "nick", 25, "3", 1);
    EXPECT_EQ(std::string(buf + 4, static_cast<std::size_t>(n - 4)), "3");
    // No arguments: the target alone, no trailing space.
    n = buildFrame(buf, sizeof buf, "nick", 101, nullptr, 0);
    EXPECT_EQ(std::string(buf + 4, static_cast<std::size_t>(n - 4)), "nick");

    // Strict test: capacity - (target + 1) - 4 must exceed the argument length.
    const std::string args(64 - 5 - 4, 'x');
    EXPECT_EQ(buildFrame(buf, sizeof buf, "nick", 101, args.data(), args.size()), -1);
    EXPECT_EQ(buildFrame(buf, sizeof buf, "nick", 101, args.data(), args.size() - 1), 63);
    const std::string alone(60, 'y');
    EXPECT_EQ(buildFrame(buf, sizeof buf, nullptr, 25, alone.data(), alone.size()), -2);
    EXPECT_EQ(buildFrame(buf, sizeof buf, nullptr, 25, alone.data(), 59), 63);
    // A code that is negative as a signed 16-bit value carries no target either.
    n = buildFrame(buf, sizeof buf, "nick", 0x8001, "z", 1);
    EXPECT_EQ(std::string(buf + 4, static_cast<std::size_t>(n - 4)), "z");
}

TEST(Frames, AssemblerSplitsAndSkipsOversized)
{
    FrameAssembler a(16);
    std::string stream =
        makeFrame("n", 102, "hello") + makeFrame("n", 112, std::string(40, 'x')) + makeFrame("", 24, "");
    FrameAssembler::Frame f;
    // Byte by byte: frames come out whole, the oversized one is reported and skipped.
    std::vector<int> results;
    for (char c : stream) {
        a.feed(&c, 1);
        int r;
        while ((r = a.next(f)) != 0)
            results.push_back(r == 1 ? f.code : -static_cast<int>(f.code));
    }
    EXPECT_EQ(results, (std::vector<int>{102, -112, 24}));
}

TEST(Numbers, StrictUnsignedDecimal)
{
    std::uint64_t v = 0;
    EXPECT_TRUE(parseU64("0", &v));
    EXPECT_EQ(v, 0u);
    EXPECT_TRUE(parseU64("18446744073709551615", &v));
    EXPECT_EQ(v, UINT64_MAX);
    EXPECT_FALSE(parseU64("18446744073709551616", &v));
    EXPECT_FALSE(parseU64("-1", &v));
    EXPECT_FALSE(parseU64("+1", &v));
    EXPECT_FALSE(parseU64("12a", &v));
    EXPECT_FALSE(parseU64("", &v));
    EXPECT_FALSE(parseU64(nullptr, &v));
}

} // namespace
