#include "encoding/digest.h"

#include <gtest/gtest.h>

#include <string>

namespace seo {
namespace {

Bytes BytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Digests of RFC 1321 and FIPS 180, verified with md5sum and sha1sum.
constexpr char kMd5Abc[] = "900150983cd24fb0d6963f7d28e17f72";
constexpr char kMd5Empty[] = "d41d8cd98f00b204e9800998ecf8427e";

TEST(Md5Hex, FormsOfTheDigest) {
    const Bytes abc = BytesOf("abc");
    EXPECT_EQ(Md5Hex(abc), kMd5Abc);
    EXPECT_EQ(Md5Hex(abc, true), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Md5Hex(abc, false, true), "3cd24fb0d6963f7d");
    EXPECT_EQ(Md5Hex(abc, true, true), "3CD24FB0D6963F7D");
    EXPECT_EQ(Md5Hex(Bytes()), kMd5Empty);
}

TEST(Md5Hex, ZeroBytesAreHashedLikeAnyOther) {
    // printf '\0\0\0' | md5sum
    EXPECT_EQ(Md5Hex(Bytes{0, 0, 0}), "693e9af84d3dfcc71e640e005bdc5e2e");
    EXPECT_EQ(Md5Hex(BytesOf(std::string("a\0b", 3))), Md5Hex("a\0b", 3));
}

TEST(HashHex, KnownAlgorithmsGiveUpperCaseHex) {
    const Bytes abc = BytesOf("abc");
    EXPECT_EQ(HashHex(abc, 0x8003, 16), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(HashHex(abc, 0x8004, 20), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(HashHex(abc, 0x800C, 32), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
}

TEST(HashHex, RoomForTheDigestDecidesTheResult) {
    const Bytes abc = BytesOf("abc");
    EXPECT_EQ(HashHex(abc, 0x8003, 64), "900150983CD24FB0D6963F7D28E17F72");  // more room than needed
    EXPECT_EQ(HashHex(abc, 0x8003, 8), "");                                   // too little room
    EXPECT_EQ(HashHex(abc, 0x8003, 0), "");
    EXPECT_EQ(HashHex(abc, 0x8003, -16), "");
}

TEST(HashHex, UnknownAlgorithmGivesEmptyText) {
    EXPECT_EQ(HashHex(BytesOf("abc"), 0x1234, 16), "");
    EXPECT_EQ(HashHex(BytesOf("abc"), 0, 16), "");
}

}  // namespace
}  // namespace seo
