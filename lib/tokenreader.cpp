#include "tokenreader.h"

#include <vector>

namespace {

struct Token
{
    std::size_t start = 0;
    std::size_t length = 0;
    bool unclosed = false;
};

std::size_t skipSpaces(std::u16string_view text, std::size_t at)
{
    while (at < text.size() && text[at] == u' ')
        ++at;
    return at;
}

// The closing quote of a quoted item opened at open: the first quote behind an even number of
// backslashes.
std::size_t closingQuote(std::u16string_view text, std::size_t open)
{
    std::size_t backslashes = 0;
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++backslashes;
            continue;
        }
        if (text[i] == u'"' && backslashes % 2 == 0) return i;
        backslashes = 0;
    }
    return std::u16string_view::npos;
}

// Reads items until limit of them are known (or the text ends); stops after an unclosed quote.
template <typename Sink> void scan(std::u16string_view text, std::size_t limit, Sink&& sink)
{
    std::size_t at = skipSpaces(text, 0);
    std::size_t found = 0;
    while (at < text.size() && found < limit) {
        Token t;
        if (text[at] == u'"') {
            const std::size_t close = closingQuote(text, at);
            if (close == std::u16string_view::npos) {
                t.start = at + 1;
                t.length = text.size() - t.start;
                t.unclosed = true;
                sink(t);
                return;
            }
            t.start = at + 1;
            t.length = close - at - 1;
            at = close + 1;
        } else {
            std::size_t end = at;
            while (end < text.size() && text[end] != u' ' && text[end] != u'"')
                ++end;
            t.start = at;
            t.length = end - at;
            at = end;
        }
        sink(t);
        ++found;
        at = skipSpaces(text, at);
    }
}

int readItem(int index, std::u16string_view text, std::u16string& item)
{
    item.clear();
    if (index < 0) return -1;
    Token wanted;
    bool have = false;
    std::size_t n = 0;
    scan(text, std::size_t(index) + 1, [&](const Token& t) {
        if (n++ == std::size_t(index)) {
            wanted = t;
            have = true;
        }
    });
    if (!have || wanted.unclosed) return -1;
    item.assign(text.substr(wanted.start, wanted.length));
    return index;
}

} // namespace

int GetTextNumber(std::u16string_view text)
{
    int count = 0;
    scan(text, std::u16string_view::npos, [&](const Token&) { ++count; });
    return count;
}

int GetTextItem(int index, std::u16string_view text, std::u16string& item)
{
    return readItem(index, text, item);
}

int GetTextItemEx(int index, std::u16string_view text, std::u16string& item)
{
    const int got = readItem(index, text, item);
    if (got >= 0) item = UnescapeText(item);
    return got;
}

int RetriveText(int max, std::u16string* items, std::u16string_view text)
{
    if (skipSpaces(text, 0) >= text.size()) return -1;
    if (max <= 0 || items == nullptr) return 0;
    int written = 0;
    bool broken = false;
    scan(text, std::size_t(max), [&](const Token& t) {
        if (t.unclosed) {
            broken = true;
            return;
        }
        items[written++].assign(text.substr(t.start, t.length));
    });
    return broken ? -1 : written;
}

int RetriveTextEx(int max, std::u16string* items, std::u16string_view text)
{
    const int written = RetriveText(max, items, text);
    for (int i = 0; i < written; ++i)
        items[i] = UnescapeText(items[i]);
    return written;
}

std::u16string UnescapeText(std::u16string_view item)
{
    std::u16string out;
    out.reserve(item.size());
    for (std::size_t i = 0; i < item.size(); ++i) {
        const char16_t c = item[i];
        if (c == u'\\' && i + 1 < item.size()) {
            const char16_t next = item[i + 1];
            if (next == u'r' || next == u'n' || next == u'"' || next == u'\\') {
                out += next == u'r' ? u'\r' : next == u'n' ? u'\n' : next;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::u16string EscapeText(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size() + 8);
    for (char16_t c : text) {
        switch (c) {
        case u'\\':
            out += u"\\\\";
            break;
        case u'"':
            out += u"\\\"";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'\n':
            out += u"\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

int IsIPAddress(std::u16string_view text)
{
    std::vector<std::u16string_view> parts;
    std::size_t at = 0;
    while (at <= text.size() && parts.size() < 6) {
        std::size_t dot = text.find(u'.', at);
        if (dot == std::u16string_view::npos) dot = text.size();
        if (dot > at) parts.push_back(text.substr(at, dot - at));
        at = dot + 1;
    }
    if (parts.size() < 4 || parts.back() == u"0") return 0;
    const std::size_t checked = parts.size() >= 5 ? parts.size() : 4;
    for (std::size_t i = 0; i < checked; ++i) {
        unsigned value = 0;
        for (char16_t c : parts[i]) {
            if (c < u'0' || c > u'9') break;
            value = value * 10 + unsigned(c - u'0');
            if (value >= 255) return 0;
        }
    }
    return 1;
}
