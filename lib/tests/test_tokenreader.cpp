// The token reader on the item layouts agents send, and on the texts that used to trip it.
#include "tokenreader.h"

#include <gtest/gtest.h>

namespace {

std::u16string item(int index, std::u16string_view text, int* result = nullptr)
{
    std::u16string out = u"stale";
    const int r = GetTextItem(index, text, out);
    if (result) *result = r;
    return out;
}

std::u16string itemEx(int index, std::u16string_view text)
{
    std::u16string out;
    EXPECT_EQ(GetTextItemEx(index, text, out), index);
    return out;
}

} // namespace

TEST(TokenReader, CountsAndReadsPlainAndQuotedItems)
{
    const std::u16string_view text = u"12 \"a b\" x";
    EXPECT_EQ(GetTextNumber(text), 3);
    EXPECT_EQ(item(0, text), u"12");
    EXPECT_EQ(item(1, text), u"a b");
    EXPECT_EQ(item(2, text), u"x");
    EXPECT_EQ(GetTextNumber(u""), 0);
    EXPECT_EQ(GetTextNumber(u"   "), 0);
    EXPECT_EQ(GetTextNumber(u"word"), 1);
    EXPECT_EQ(GetTextNumber(u"  a   b  "), 2);
    // A quote starts a new item even without a space in front; the text behind a closing quote too.
    EXPECT_EQ(GetTextNumber(u"ab\"c d\"ef"), 3);
    EXPECT_EQ(item(1, u"ab\"c d\"ef"), u"c d");
    EXPECT_EQ(item(2, u"ab\"c d\"ef"), u"ef");
    // An empty quoted item is an item.
    EXPECT_EQ(GetTextNumber(u"\"\" 5"), 2);
    EXPECT_EQ(item(0, u"\"\" 5"), u"");
}

TEST(TokenReader, AnIndexOutsideTheItemsIsAbsent)
{
    int r = 0;
    EXPECT_EQ(item(4, u"a b c", &r), u"");
    EXPECT_EQ(r, -1);
    EXPECT_EQ(item(3, u"a b c", &r), u"");
    EXPECT_EQ(r, -1);
    EXPECT_EQ(item(1, u"\"a\"", &r), u"");
    EXPECT_EQ(r, -1);
    EXPECT_EQ(item(-1, u"a b", &r), u"");
    EXPECT_EQ(r, -1);
    EXPECT_EQ(item(0, u"  ", &r), u"");
    EXPECT_EQ(r, -1);
}

TEST(TokenReader, UnclosedQuoteIsReported)
{
    const std::u16string_view text = u"1 \"open end";
    EXPECT_EQ(GetTextNumber(text), 2);
    int r = 0;
    EXPECT_EQ(item(0, text, &r), u"1");
    EXPECT_EQ(r, 0);
    item(1, text, &r);
    EXPECT_EQ(r, -1);
    // Every later quote escaped: still open.
    item(0, u"\"a\\\" b", &r);
    EXPECT_EQ(r, -1);
    std::u16string items[4];
    EXPECT_EQ(RetriveText(4, items, text), -1);
}

TEST(TokenReader, EscapedQuotesStayInsideTheirItem)
{
    // "\"x" read whole, then a quote and x once the escapes are undone.
    const std::u16string_view text = u"\"\\\"x\" next";
    EXPECT_EQ(GetTextNumber(text), 2);
    EXPECT_EQ(item(0, text), u"\\\"x");
    EXPECT_EQ(itemEx(0, text), u"\"x");
    EXPECT_EQ(item(1, text), u"next");
    // Two backslashes before the quote: the quote closes the item.
    EXPECT_EQ(item(0, u"\"a\\\\\" b"), u"a\\\\");
    EXPECT_EQ(itemEx(0, u"\"a\\\\\" b"), u"a\\");
}

TEST(TokenReader, UnescapingIsTheInverseOfEscaping)
{
    EXPECT_EQ(UnescapeText(u"\\\\r"), u"\\r");
    EXPECT_EQ(UnescapeText(u"a\\rb\\nc"), u"a\rb\nc");
    EXPECT_EQ(UnescapeText(u"\\\\\\n"), u"\\\n");
    EXPECT_EQ(UnescapeText(u"\\x\\"), u"\\x\\");
    for (std::u16string_view s : {u"", u"plain", u"a \"quoted\" word", u"line\r\nbreak", u"back\\slash\\",
                                  u"\\r not a return", u"\\\\\"\r\n\\"}) {
        const std::u16string escaped = EscapeText(s);
        const std::u16string line = u"7 \"" + escaped + u"\" tail";
        EXPECT_EQ(GetTextNumber(line), 3);
        EXPECT_EQ(itemEx(1, line), s);
    }
}

TEST(TokenReader, RetriveTextWritesAtMostMax)
{
    std::u16string items[5] = {u"-", u"-", u"-", u"-", u"-"};
    EXPECT_EQ(RetriveText(2, items, u"a b c d"), 2);
    EXPECT_EQ(items[0], u"a");
    EXPECT_EQ(items[1], u"b");
    EXPECT_EQ(items[2], u"-");
    EXPECT_EQ(RetriveText(2, items, u"a b c"), 2);
    EXPECT_EQ(items[2], u"-");
    // The last item is a remainder without a separator: it still counts against max.
    EXPECT_EQ(RetriveText(1, items, u"a b"), 1);
    EXPECT_EQ(items[1], u"b");
    EXPECT_EQ(RetriveText(4, items, u"one"), 1);
    EXPECT_EQ(RetriveText(4, items, u""), -1);
    EXPECT_EQ(RetriveText(0, items, u"a"), 0);
    EXPECT_EQ(RetriveText(3, nullptr, u"a"), 0);
    // Items behind max are ignored, an unclosed one too.
    EXPECT_EQ(RetriveText(1, items, u"a \"b"), 1);
    EXPECT_EQ(RetriveTextEx(3, items, u"1 \"x\\ny\" 2"), 3);
    EXPECT_EQ(items[1], u"x\ny");
}

TEST(TokenReader, LooseAddressTest)
{
    EXPECT_EQ(IsIPAddress(u"192.168.1.1"), 1);
    EXPECT_EQ(IsIPAddress(u"255.255.255.0"), 0);
    EXPECT_EQ(IsIPAddress(u"10.0.0.0"), 0);
    EXPECT_EQ(IsIPAddress(u"10.0.1"), 0);
    EXPECT_EQ(IsIPAddress(u"10..0.1.2"), 1);
    EXPECT_EQ(IsIPAddress(u"300.1.1.1"), 0);
    EXPECT_EQ(IsIPAddress(u"1.2.3.4.5.6.7"), 1);
    EXPECT_EQ(IsIPAddress(u"1.2.3.4.999"), 0);
    EXPECT_EQ(IsIPAddress(u"99999999999999999999.1.1.1"), 0);
}
