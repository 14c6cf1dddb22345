// The token reader of agent replies: items separated by spaces, double-quoted items that may hold
// spaces and backslash escapes. Plain functions on UTF-16 text, free of Qt, so that the fuzzer and
// the plug-in share one implementation.
#pragma once

#include <string>
#include <string_view>

#if defined(_WIN32)
#define ZRTOKENS_EXPORT __declspec(dllexport)
#else
#define ZRTOKENS_EXPORT __attribute__((visibility("default")))
#endif

// The number of items. A quoted item without its closing quote counts as one and ends the count.
ZRTOKENS_EXPORT int GetTextNumber(std::u16string_view text);

// Item index (from 0) into item; the index, or -1 when there is no such item: a negative index,
// an index at or beyond GetTextNumber, or an item whose opening quote is never closed. On -1 the
// item is emptied.
ZRTOKENS_EXPORT int GetTextItem(int index, std::u16string_view text, std::u16string& item);
// As GetTextItem, then the escapes of the item undone.
ZRTOKENS_EXPORT int GetTextItemEx(int index, std::u16string_view text, std::u16string& item);

// Up to max items into items[0..max-1]; the number written, or -1 when the text is empty or an
// item read holds an unclosed quote. Never writes more than max elements.
ZRTOKENS_EXPORT int RetriveText(int max, std::u16string* items, std::u16string_view text);
ZRTOKENS_EXPORT int RetriveTextEx(int max, std::u16string* items, std::u16string_view text);

// Undoes the escapes a writer puts into quoted items: backslash-r, backslash-n, backslash-quote and
// a doubled backslash; any other backslash stays as it is.
ZRTOKENS_EXPORT std::u16string UnescapeText(std::u16string_view item);
// The writer's side: backslash, double quote, carriage return and line feed escaped.
ZRTOKENS_EXPORT std::u16string EscapeText(std::u16string_view text);

// A loose dotted-address test: 1 or 0.
ZRTOKENS_EXPORT int IsIPAddress(std::u16string_view text);
