#pragma once
// Text operations over code page 936 bytes: 1-based byte positions, -1 for "not found".
// Searches step over a two-byte character (a lead byte and the byte after it) as a whole, so a match begins on a character boundary. Case folding touches ASCII only.
#include <cstdint>
#include <optional>

#include "text/text_array.h"
#include "text/types.h"

namespace seo {

// First occurrence at or after start (below 1 counts as 1; past the end finds nothing).
// An empty sought text gives 1 when the searched part is not empty, else -1.
int Find(const Text& text, const Text& sought, int start = 1, bool ignoreCase = false);

// Last occurrence; with a start it must lie entirely within the first start - 1 bytes.
int ReverseFind(const Text& text, const Text& sought, std::optional<int> start = std::nullopt,
                bool ignoreCase = false);

// These three count bytes and can cut a two-byte character.
Text Left(const Text& text, std::int64_t n);
Text Right(const Text& text, std::int64_t n);
Text Mid(const Text& text, std::int64_t start, std::int64_t n);

// Left to right, without overlaps, from start, at most count times (0 or less: all).
// Unless caseSensitive, ASCII letters compare without case.
Text Replace(const Text& text, const Text& sought, const Text& replacement = Text(), int start = 1,
             int count = 0, bool caseSensitive = false);

// Pieces between delimiters, compared byte for byte. An empty piece after a trailing delimiter
// is dropped; an empty delimiter gives the whole text; maximum 0 or less: every piece.
TextArray Split(const Text& text, const Text& delimiter = ",", int maximum = 0);

// Removes leading and trailing spaces (0x20) and full-width spaces (0xA1 0xA1) only.
Text Trim(const Text& text);

Text LowerCase(const Text& text);

// Full-width ASCII forms are folded first; then white space, a sign and decimal digits.
// No overflow check: the value wraps as a 32-bit integer. No digits gives 0.
std::int32_t ToInteger(const Text& text);
std::int32_t ToInteger(double value);

Text BytesToText(const Bytes& bytes);
Bytes TextToBytes(const Text& text);

Text NumberToText(std::int64_t value);
inline Text NumberToText(int value) { return NumberToText(static_cast<std::int64_t>(value)); }
// "%.13g" with exponents of at least three digits (1e+021, 1e-005).
// Non-finite values read as in script: "NaN", "Infinity", "-Infinity".
Text NumberToText(double value);

// Whether the byte starts a two-byte character. 0x80 is the one-byte euro sign and 0xFF
// starts nothing, so neither may swallow the byte after it.
inline bool IsLeadByte(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value >= 0x81 && value <= 0xFE;
}

}  // namespace seo
