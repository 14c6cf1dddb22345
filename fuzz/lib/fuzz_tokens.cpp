// Arbitrary texts through the token reader, checked against what it promises:
// - GetTextItem answers every index below GetTextNumber with that index or -1 (an unclosed quote,
//   only ever the last item), and every index at or beyond it with -1 and an empty item;
// - RetriveText writes no more than max elements (guard elements around the array stay untouched),
//   and what it writes equals GetTextItem's items;
// - escaping any item and reading it back as a quoted item gives the item again.
//
// Input: UTF-16 code units in host order (an odd last byte is dropped); the first unit's low bits
// choose max for RetriveText.
#include "tokenreader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_lib_tokens: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u16string text(size / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);
    const int max = text.empty() ? 3 : int(text[0] % 8);

    const int count = GetTextNumber(text);
    if (count < 0 || std::size_t(count) > text.size()) fail("count out of range");
    std::vector<std::u16string> items(std::size_t(count) + 2);
    for (int i = 0; i < count + 2; ++i) {
        const int r = GetTextItem(i, text, items[std::size_t(i)]);
        if (i >= count && (r != -1 || !items[std::size_t(i)].empty())) fail("index past the items answered");
        if (i < count && r != i && !(r == -1 && i == count - 1)) fail("index below the count not answered");
    }

    std::vector<std::u16string> slots(std::size_t(max) + 2, u"guard");
    const int written = RetriveText(max, slots.data() + 1, text);
    if (slots.front() != u"guard" || slots.back() != u"guard") fail("wrote outside the array");
    if (written > max) fail("wrote more than max");
    for (int i = 0; i < written; ++i)
        if (slots[std::size_t(i) + 1] != items[std::size_t(i)]) fail("RetriveText differs from GetTextItem");

    for (int i = 0; i < count && i < 4; ++i) {
        const std::u16string line = u"\"" + EscapeText(items[std::size_t(i)]) + u"\"";
        std::u16string back;
        if (GetTextItemEx(0, line, back) != 0 || back != items[std::size_t(i)]) fail("escape round trip");
    }
    return 0;
}
