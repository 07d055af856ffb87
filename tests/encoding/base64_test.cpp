#include "encoding/base64.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

namespace seo {
namespace {

Bytes BytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct Base64Case {
    Bytes input;
    const char* expected;
};

TEST(Base64Encode, KnownValues) {
    const Base64Case cases[] = {
        {BytesOf(""), ""},
        {BytesOf("a"), "YQ=="},
        {BytesOf("ab"), "YWI="},
        {BytesOf("abc"), "YWJj"},
        {BytesOf("foobar"), "Zm9vYmFy"},
        {BytesOf("fooba"), "Zm9vYmE="},
        {BytesOf("a\\nb"), "YVxuYg=="},
        {BytesOf("?\?>"), "Pz8+"},
        {BytesOf("???"), "Pz8/"},
        {Bytes{0, 0, 0}, "AAAA"},
        {Bytes{0}, "AA=="},
        {Bytes{0xFF, 0xFF, 0xFF}, "////"},
        {Bytes{0xE4, 0xB8, 0xAD}, "5Lit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(Base64Encode(c.input), c.expected);
    }
}

// Every length from 0 to 100, so each path through the encoder meets each remainder.
TEST(Base64Encode, MatchesTheCryptoLibraryForEveryShortLength) {
    std::mt19937 random(7);
    for (std::size_t length = 0; length <= 100; ++length) {
        Bytes data(length);
        for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
        std::string reference(4 * ((length + 2) / 3) + 1, '\0');
        const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(reference.data()), data.data(),
                                            static_cast<int>(length));
        reference.resize(static_cast<std::size_t>(written));
        ASSERT_EQ(Base64Encode(data), reference) << "length " << length;
        ASSERT_EQ(Base64Encode(data.data(), data.size()), reference) << "length " << length;
    }
}

}  // namespace
}  // namespace seo
