#pragma once
// Conversion between the program's code page 936 texts and UTF-8.
//
// A character that code page 936 cannot hold becomes "?"; every invalid UTF-8 sequence
// (one maximal ill-formed subpart, as a decoder reads one U+FFFD) becomes one "?".
// The empty text gives the empty text. Output is sized from the conversion, never cut.
// Safe to call from many threads at once.
#include <cstddef>

#include "text/types.h"

namespace seo {

// Code page 936 text in, UTF-8 text out. 0x80 is the euro sign. A byte that cannot start
// a character (0xFF, or a lead byte at the very end) becomes "?"; a lead byte whose next
// byte is a valid trail byte but whose pair is unassigned becomes one "?" for the pair;
// a lead byte followed by a byte that cannot be a trail byte becomes "?" and the next
// byte is read on its own, so ASCII after a broken character is never swallowed.
Text AnsiToUtf8(const Text& text);
Text AnsiToUtf8(const char* data, std::size_t size);

// UTF-8 text in, code page 936 text out.
Text Utf8ToAnsi(const Text& text);
Text Utf8ToAnsi(const char* data, std::size_t size);

}  // namespace seo
