#include "encoding/code_page.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <thread>
#include <vector>

namespace seo {
namespace {

struct ConversionCase {
    const char* name;
    std::string input;
    std::string expected;
};

const std::vector<ConversionCase> kUtf8ToAnsiTable = {
    {"empty", "", ""},
    {"ascii passes through", "Hello, world! 0123 ~\t\r\n", "Hello, world! 0123 ~\t\r\n"},
    {"zhong", "\xE4\xB8\xAD", "\xD6\xD0"},  // 中
    {"euro is 0x80", "\xE2\x82\xAC", "\x80"},
    {"middle dot", "\xC2\xB7", "\xA1\xA4"},
    {"unmappable latin letter is not transliterated", "\xC3\x80", "?"},  // À
    {"beyond the BMP is one question mark", "a\xF0\x9F\x98\x80z", "a?z"},  // U+1F600
    {"a tag character is not dropped", "a\xF3\xA0\x80\x81z", "a?z"},      // U+E0001
    {"stray continuation", "\x80", "?"},
    {"overlong slash", "\xC0\xAF", "??"},
    {"overlong three-byte", "\xE0\x80\xAF", "???"},
    {"overlong four-byte", "\xF0\x80\x80\xAF", "????"},
    {"surrogate", "\xED\xA0\x80", "???"},
    {"truncated before ascii", "\xE4\xB8" "a", "?a"},
    {"truncated at the end", "a\xE4\xB8", "a?"},
    {"truncated four-byte at the end", "\xF0\x9F\x98", "?"},
    {"five-byte form", "\xF8\x88\x80\x80\x80", "?????"},
    {"six-byte form", "\xFC\x84\x80\x80\x80\x80", "??????"},
    {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
    {"FE and FF bytes", "\xFE\xFF", "??"},
    {"invalid between characters", "a\xE4\xB8\xAD\xFF\xE4\xB8\xAD" "b", "a\xD6\xD0?\xD6\xD0" "b"},
    {"zero byte is kept", std::string("a\0b", 3), std::string("a\0b", 3)},
};

TEST(Utf8ToAnsi, ConvertsByTheTable) {
    for (const auto& c : kUtf8ToAnsiTable) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToAnsi(c.input), c.expected);
    }
}

const std::vector<ConversionCase> kAnsiToUtf8Table = {
    {"empty", "", ""},
    {"ascii passes through", "Hello, world! 0123 ~\t\r\n", "Hello, world! 0123 ~\t\r\n"},
    {"zhong", "\xD6\xD0", "\xE4\xB8\xAD"},
    {"euro sign", "\x80", "\xE2\x82\xAC"},
    {"salt", "kev\xD5\xBC hollow\xD1\xF9\xB1\xBE", "kev\xE5\x8D\xA0 hollow\xE6\xA0\xB7\xE6\x9C\xAC"},
    {"lone lead byte at the end", "a\x81", "a?"},
    {"only FF bytes", "\xFF\xFF\xFF", "???"},
    {"lead byte before a space keeps the space", "\x81 b", "? b"},
    {"lead byte before DEL keeps DEL", "\x81\x7F", "?\x7F"},
    {"lead byte before a line break keeps it", "\xD6\r\n", "?\r\n"},
    {"unassigned pair is one question mark", "\xA2\xA0" "x", "?x"},
    {"user-defined pair is one question mark", "\xAA\xA1", "?"},
};

TEST(AnsiToUtf8, ConvertsByTheTable) {
    for (const auto& c : kAnsiToUtf8Table) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AnsiToUtf8(c.input), c.expected);
    }
}

// Every assigned two-byte character survives the trip to UTF-8 and back, and the
// conversion of a text longer than any inner buffer loses nothing at the seams.
TEST(CodePageConversion, EveryAssignedPairRoundTrips) {
    std::string all;
    std::string allBack;  // what the whole text comes back as: "?" for each unassigned pair
    std::string assigned;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            all += pair;
            const std::string utf8 = AnsiToUtf8(pair);
            ASSERT_FALSE(utf8.empty());
            if (utf8 == "?") {
                allBack += '?';
                continue;
            }
            allBack += pair;
            assigned += pair;
            ASSERT_EQ(Utf8ToAnsi(utf8), pair) << "lead " << lead << " trail " << trail;
        }
    }
    EXPECT_GT(assigned.size(), 2u * 21000);  // GBK assigns nearly 22 000 characters
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(assigned)), assigned);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), allBack);
}

// What iconv itself makes of a whole text, or nothing when it refuses any of it.
std::optional<std::string> IconvWhole(const char* to, const char* from, const std::string& input) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    char out[16];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char* outPos = out;
    std::size_t outLeft = sizeof out;
    const std::size_t result = iconv(cd, &in, &inLeft, &outPos, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
    return std::string(out, outPos);
}

std::string Utf8Of(std::uint32_t code) {
    std::string utf8;
    if (code < 0x80) {
        utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
        utf8 += static_cast<char>(0xC0 | code >> 6);
        utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        utf8 += static_cast<char>(0xE0 | code >> 12);
        utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
    return utf8;
}

// The mapping is the C library's, byte for byte: every single byte and every pair of bytes
// one way, every character of the Basic Multilingual Plane the other.
TEST(CodePageConversion, MapsEveryPairAndCharacterAsTheCLibraryDoes) {
    int pairMismatches = 0;
    for (int lead = 0; lead <= 0xFF; ++lead) {
        const std::string single(1, static_cast<char>(lead));
        const auto alone = IconvWhole("UTF-8", "CP936", single);
        EXPECT_EQ(AnsiToUtf8(single), alone.value_or("?")) << "byte " << lead;
        if (alone) continue;  // a character of its own, not the lead of a pair
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const auto expected = IconvWhole("UTF-8", "CP936", pair);
            const std::string actual = AnsiToUtf8(pair);
            // A refused text starts with "?" where the broken character stood.
            const bool same = expected ? actual == *expected : !actual.empty() && actual[0] == '?';
            if (!same && ++pairMismatches <= 5) ADD_FAILURE() << "lead " << lead << " trail " << trail;
        }
    }
    EXPECT_EQ(pairMismatches, 0);

    int characterMismatches = 0;
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        const std::string utf8 = Utf8Of(code);
        const auto expected = IconvWhole("CP936", "UTF-8", utf8);
        const std::string actual = Utf8ToAnsi(utf8);
        if (actual != expected.value_or("?") && ++characterMismatches <= 5) ADD_FAILURE() << "U+" << std::hex << code;
    }
    EXPECT_EQ(characterMismatches, 0);
}

TEST(CodePageConversion, LongTextIsNeverTruncated) {
    // All euro signs: the UTF-8 form is three times as long as the input.
    const std::string euros(100000, '\x80');
    std::string expected;
    for (int i = 0; i < 100000; ++i) expected += "\xE2\x82\xAC";
    EXPECT_EQ(AnsiToUtf8(euros), expected);
    EXPECT_EQ(Utf8ToAnsi(expected), euros);

    // Invalid bytes each become one "?", however many there are.
    const std::string invalid(70000, '\xFF');
    EXPECT_EQ(Utf8ToAnsi(invalid), std::string(70000, '?'));
    EXPECT_EQ(AnsiToUtf8(invalid), std::string(70000, '?'));
}

// A long text of pieces with known conversions in a random order, so that characters fall
// across every seam of the converter's inner buffers. Broken pieces are rare, so that long
// stretches between them reach those seams too.
struct Piece {
    const char* input;
    const char* expected;
};

std::pair<std::string, std::string> Shuffled(const std::vector<Piece>& common, const std::vector<Piece>& rare) {
    std::mt19937 random(11);
    std::pair<std::string, std::string> result;
    for (int i = 0; i < 200000; ++i) {
        const bool pickRare = random() % 10000 == 0;
        const std::vector<Piece>& from = pickRare ? rare : common;
        const Piece& piece = from[random() % from.size()];
        result.first += piece.input;
        result.second += piece.expected;
    }
    return result;
}

TEST(CodePageConversion, CharactersAndBrokenSequencesAcrossInnerBuffers) {
    const auto [utf8, ansi] = Shuffled(
        {{"a", "a"}, {"\xE4\xB8\xAD", "\xD6\xD0"}, {"\xE2\x82\xAC", "\x80"}, {"\xC2\xB7", "\xA1\xA4"}},
        {{"\xF0\x9F\x98\x80", "?"},
         {"\xE4\xB8" "b", "?b"},
         {"\xED\xA0\x80", "???"},
         {"\xFF", "?"},
         {"\xC3\x80", "?"}});
    EXPECT_EQ(Utf8ToAnsi(utf8), ansi);

    const auto [ansiText, utf8Text] = Shuffled({{"a", "a"}, {"\xD6\xD0", "\xE4\xB8\xAD"}, {"\x80", "\xE2\x82\xAC"}},
                                               {{"\x81 ", "? "}, {"\xFF", "?"}, {"\xAA\xA1", "?"}});
    EXPECT_EQ(AnsiToUtf8(ansiText), utf8Text);
}

TEST(CodePageConversion, ManyThreadsConvertAtOnce) {
    std::string ansi;
    for (int i = 0; i < 3000; ++i) ansi += "\xD6\xD0\xCE\xC4 text \x80\xFF\r\n";
    const std::string utf8 = AnsiToUtf8(ansi);
    const std::string back = Utf8ToAnsi(utf8);

    constexpr int kThreads = 8;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                if (AnsiToUtf8(ansi) != utf8) ++mismatches[t];
                if (Utf8ToAnsi(utf8) != back) ++mismatches[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
    EXPECT_NE(back.find('?'), std::string::npos);  // the FF byte
}

}  // namespace
}  // namespace seo
