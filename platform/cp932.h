// Code page 932 (Shift-JIS as Windows writes it), through glibc's iconv.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace yomite::cp932 {

// Shown in place of every byte that is not valid code page 932: the geta
// mark, the customary Japanese stand-in, which every Japanese font has.
inline constexpr char16_t kReplacement = u'\u3013';

// How many bytes Decode converts between two calls of its between_blocks.
inline constexpr size_t kDecodeBlockBytes = size_t{1} << 20;

// Decodes bytes; each invalid byte becomes one kReplacement, nothing is
// dropped. between_blocks, when given, is called every kDecodeBlockBytes
// bytes of a long text: what it throws leaves the decoding.
Text Decode(std::string_view bytes, const std::function<void()>& between_blocks = {});

// Encodes text; nullopt when a character has no code page 932 form.
std::optional<std::string> Encode(TextView text);

// The character's code in the code page as a 16-bit signed number: a single
// byte gives 0..255, a double-byte character lead*256+trail (negative).
// nullopt when the character has no code page 932 form.
std::optional<int> CharCode(char16_t c);

}  // namespace yomite::cp932
