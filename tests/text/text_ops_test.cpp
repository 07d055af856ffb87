#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "text/text_ops.h"

namespace seo {
namespace {

// 中 is D6 D0; 表 is B1 ED; 嘆 is 87 5C (its second byte is a backslash); A is 0x41.
const Text kZhong = "\xD6\xD0";
const Text kTrailA = "\x81\x41";  // a character whose second byte is the letter A

TEST(Find, Table) {
    struct Case {
        Text text, sought;
        int start;
        bool ignoreCase;
        int expected;
    };
    const Case cases[] = {
        {"abcabc", "bc", 1, false, 2},
        {"abcabc", "bc", 3, false, 5},
        {"abcabc", "bc", 0, false, 2},     // below 1 counts as 1
        {"abcabc", "bc", -50, false, 2},
        {"abcabc", "bc", 7, false, -1},    // past the end
        {"abcabc", "BC", 1, false, -1},
        {"abcabc", "BC", 1, true, 2},
        {"abc", "", 1, false, 1},          // empty sought, searched part not empty
        {"abc", "", 3, false, 1},
        {"abc", "", 4, false, -1},
        {"", "", 1, false, -1},
        {"", "a", 1, false, -1},
        {kTrailA + "A", "A", 1, false, 3},  // the A inside the character is no match
        {kTrailA + "a", "A", 1, true, 3},
        {"x" + kZhong + "y", kZhong, 1, false, 2},
        {"\xD6\xD0\xD0", "\xD0", 1, false, 3},  // second byte of 中 skipped
        {"\x81", "\x81", 1, false, 1},          // a lone lead byte at the end
        {"\x80" "A", "A", 1, false, 2},          // the one-byte euro sign swallows nothing
        {"\xFF" "A", "A", 1, false, 2},
        {"ab", "abc", 1, false, -1},
        {Text("a\0b", 3), Text("b"), 1, false, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" / \"" << c.sought << "\" from " << c.start);
        EXPECT_EQ(Find(c.text, c.sought, c.start, c.ignoreCase), c.expected);
    }
}

TEST(ReverseFind, Table) {
    struct Case {
        Text text, sought;
        std::optional<int> start;
        bool ignoreCase;
        int expected;
    };
    const Case cases[] = {
        {"abcabc", "bc", std::nullopt, false, 5},
        {"abcabc", "bc", 7, false, 5},
        {"abcabc", "bc", 6, false, 2},  // must lie within the first 5 bytes
        {"abcabc", "bc", 1, false, -1},
        {"abcabc", "bc", 0, false, -1},
        {"abcabc", "BC", std::nullopt, true, 5},
        {"abc", "x", std::nullopt, false, -1},
        {kTrailA + "A" + kTrailA, "A", std::nullopt, false, 3},
        {"", "a", std::nullopt, false, -1},
        {"a.b.c", ".", 4, false, 2},
        {"a", "a", 1000000, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" / \"" << c.sought << '"');
        EXPECT_EQ(ReverseFind(c.text, c.sought, c.start, c.ignoreCase), c.expected);
    }
}

TEST(LeftRightMid, CountBytesAndClamp) {
    EXPECT_EQ(Left("abcdef", 2), "ab");
    EXPECT_EQ(Left("abc", 10), "abc");
    EXPECT_EQ(Left("abc", 0), "");
    EXPECT_EQ(Left("abc", -5), "");
    EXPECT_EQ(Right("abcdef", 2), "ef");
    EXPECT_EQ(Right("abc", INT64_MAX), "abc");
    EXPECT_EQ(Right("abc", -1), "");
    EXPECT_EQ(Mid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(Mid("abcdef", 5, 100), "ef");
    EXPECT_EQ(Mid("abcdef", 0, 3), "");
    EXPECT_EQ(Mid("abcdef", 7, 3), "");
    EXPECT_EQ(Mid("abcdef", 2, 0), "");
    EXPECT_EQ(Mid("abcdef", INT64_MIN, INT64_MAX), "");
    EXPECT_EQ(Mid(kZhong, 2, 1), "\xD0");  // may cut a character
}

TEST(Replace, Table) {
    struct Case {
        Text text, sought, replacement;
        int start, count;
        bool caseSensitive;
        Text expected;
    };
    const Case cases[] = {
        {"aXbXc", "X", "-", 1, 0, true, "a-b-c"},
        {"aXbXc", "X", "", 1, 0, true, "abc"},
        {"aXbXc", "X", "-", 3, 0, true, "aXb-c"},
        {"aXbXc", "X", "-", 1, 1, true, "a-bXc"},
        {"aXbxc", "x", "-", 1, 0, false, "a-b-c"},  // without the flag case is ignored
        {"aXbxc", "x", "-", 1, 0, true, "aXb-c"},
        {"aaaa", "aa", "b", 1, 0, true, "bb"},      // no overlaps
        {"", "a", "b", 1, 0, true, ""},
        {"abc", "", "b", 1, 0, true, "abc"},
        {"abc", "b", "x", 99, 0, true, "abc"},
        {"abc", "b", "x", -3, 0, true, "axc"},
        {kTrailA + "A", "A", "b", 1, 0, true, kTrailA + "b"},
        {"\\n\\n", "\\n", "\r\n", 1, 0, true, "\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" / \"" << c.sought << '"');
        EXPECT_EQ(Replace(c.text, c.sought, c.replacement, c.start, c.count, c.caseSensitive), c.expected);
    }
}

TEST(Split, Table) {
    struct Case {
        Text text, delimiter;
        int maximum;
        std::vector<Text> expected;
    };
    const Case cases[] = {
        {"a,b,c", ",", 0, {"a", "b", "c"}},
        {"a,,b", ",", 0, {"a", "", "b"}},
        {",a", ",", 0, {"", "a"}},
        {"a,b,", ",", 0, {"a", "b"}},       // nothing after a trailing delimiter
        {"a,,", ",", 0, {"a", ""}},
        {",", ",", 0, {""}},
        {"", ",", 0, {}},
        {"a,b", "", 0, {"a,b"}},
        {"a,b,c", ",", 2, {"a", "b"}},
        {"a::b::c", "::", 0, {"a", "b", "c"}},
        {"a,b", ",", -1, {"a", "b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        EXPECT_EQ(Split(c.text, c.delimiter, c.maximum).Items(), c.expected);
    }
    EXPECT_EQ(Split("x,y").Count(), 2);  // the default delimiter is a comma
}

TEST(Trim, SpacesAndFullWidthSpacesOnly) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("\xA1\xA1 a\xA1\xA1"), "a");
    EXPECT_EQ(Trim("\ta\r\n"), "\ta\r\n");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("\xB0\xA1\xA1"), "\xB0\xA1\xA1");  // 啊 then a lone A1: not a full-width space
    EXPECT_EQ(Trim("a\xA1"), "a\xA1");
}

TEST(LowerCase, AsciiOnlyAndNeverASecondByte) {
    EXPECT_EQ(LowerCase("AbC-Z"), "abc-z");
    EXPECT_EQ(LowerCase(kTrailA + "A"), kTrailA + "a");
    EXPECT_EQ(LowerCase("\xFF\xFF\xFF"), "\xFF\xFF\xFF");
}

TEST(ToInteger, Table) {
    struct Case {
        Text text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"12", 12},
        {" 2", 2},
        {"+2", 2},
        {"-3", -3},
        {"2.9", 2},
        {"2abc", 2},
        {"abc", 0},
        {"", 0},
        {"\t\r\n 7", 7},
        {"\xA3\xB2", 2},                     // full-width 2
        {"\xA3\xAD\xA3\xB1\xA3\xB2", -12},   // full-width -12
        {"\xA1\xA1\xA3\xB5", 5},             // full-width space, then 5
        {"99999999999", static_cast<std::int32_t>(99999999999LL & 0xFFFFFFFF)},
        {"2147483648", INT32_MIN},
        {"-2147483648", INT32_MIN},
        {"\xD6\xD0" "1", 0},
        {"\x81", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ToInteger(c.text), c.expected);
    }
}

TEST(ToInteger, DoubleTruncatesTowardZero) {
    EXPECT_EQ(ToInteger(2.9), 2);
    EXPECT_EQ(ToInteger(-2.9), -2);
    EXPECT_EQ(ToInteger(std::nan("")), 0);
    EXPECT_EQ(ToInteger(1e300), INT32_MAX);
}

TEST(BytesAndText, CutAtTheFirstZeroByte) {
    EXPECT_EQ(BytesToText(Bytes{'a', 'b', 0, 'c'}), "ab");
    EXPECT_EQ(BytesToText(Bytes{'a', 'b'}), "ab");
    EXPECT_EQ(BytesToText(Bytes{}), "");
    EXPECT_EQ(TextToBytes("ab"), (Bytes{'a', 'b'}));
}

TEST(NumberToText, Table) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {42, "42"},
        {0.5, "0.5"},
        {1.0 / 3.0, "0.3333333333333"},
        {1e21, "1e+021"},
        {0.00001, "1e-005"},
        {1e300, "1e+300"},
        {-2.5e-7, "-2.5e-007"},
        {1234567890123.0, "1234567890123"},
        {12345678901234.0, "1.234567890123e+013"},
        {0, "0"},
        {std::numeric_limits<double>::infinity(), "Infinity"},
        {std::nan(""), "NaN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(NumberToText(c.value), c.expected);
    }
    EXPECT_EQ(NumberToText(-17), "-17");
    EXPECT_EQ(NumberToText(std::int64_t{1} << 40), "1099511627776");
}

TEST(BadInput, NothingReadsOutOfBounds) {
    const Text hostile[] = {"", "\x81", Text(64, '\xFF'), Text("a\0\x81", 3), "\xA1", "\xA3"};
    for (const auto& text : hostile) {
        for (int start : {INT32_MIN, -1, 0, 1, 2, 1000, INT32_MAX}) {
            (void)Find(text, "\xFF", start, true);
            (void)Find(text, "\x81", start);
            (void)ReverseFind(text, "\xFF", start, true);
            (void)Replace(text, "\xFF", "x", start, start);
            (void)Mid(text, start, INT64_MAX);
            (void)Split(text, "\xFF", start);
        }
        (void)Trim(text);
        (void)LowerCase(text);
        (void)ToInteger(text);
    }
    EXPECT_EQ(Find(Text(64, '\xFF'), "\xFF\xFF", 2), 2);  // steps by characters from the start
}

}  // namespace
}  // namespace seo
