// Text inside the program is 16-bit Unicode, as the story format counts
// positions in characters. These helpers convert at the edges.
#pragma once

#include <string>
#include <string_view>

namespace yomite {

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string ToUtf8(TextView text);

// UTF-8 to UTF-16. Invalid sequences become U+FFFD, one per bad byte.
Text FromUtf8(std::string_view bytes);

// Decodes the UTF-8 sequence at bytes[i] into out; returns its length, or
// 0 when it is not well-formed (overlong, a surrogate, cut short).
size_t DecodeUtf8(std::string_view bytes, size_t i, char32_t& out);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// The code point at text[i] and the number of units it takes (2 for a
// surrogate pair, else 1). An unpaired surrogate is returned as it stands.
char32_t CodePointAt(TextView text, size_t i, size_t* units);

// Simple case folding for the letters a story's names and commands use:
// ASCII, fullwidth Latin, Latin-1, Greek and Cyrillic capitals become small
// letters. Kana and kanji have no case.
char16_t FoldCase(char16_t c);
Text FoldCase(TextView text);
bool EqualsIgnoringCase(TextView a, TextView b);

}  // namespace yomite
