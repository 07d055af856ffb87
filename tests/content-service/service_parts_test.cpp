// The service's pieces on their own: the upload reader, the rewrite, the report.
#include "json_text.h"
#include "originality.h"
#include "request_parsing.h"
#include "rewriting.h"
#include "text_codec.h"

#include <gtest/gtest.h>

namespace seo::service {
namespace {

std::u32string U(const char* utf8) { return DecodeUtf8(utf8).value(); }

TEST(UploadReader, BoundaryAndPartsTable) {
    struct Case { const char* name; const char* contentType; std::string body; UploadError error; const char* bytes; const char* fileName; };
    const Case kCases[] = {
        {"quoted boundary", "multipart/form-data; boundary=\"b\"",
         "--b\r\nContent-Disposition: form-data; name=\"file\"; filename=\"x\"\r\n\r\nhi\r\n--b--", UploadError::None, "hi", "x"},
        {"name parameter after filename", "multipart/form-data; boundary=b",
         "--b\r\nContent-Disposition: form-data; filename=\"f.txt\"; name=\"file\"\r\n\r\nhi\r\n--b--", UploadError::None, "hi", "f.txt"},
        {"semicolon inside the file name", "multipart/form-data; boundary=b",
         "--b\r\nContent-Disposition: form-data; name=\"file\"; filename=\"a;b\"\r\n\r\nhi\r\n--b--", UploadError::None, "hi", "a;b"},
        {"empty file, blank line shared with the delimiter", "multipart/form-data; boundary=b",
         "--b\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\n--b--", UploadError::None, "", ""},
        {"a part named filename is not the file", "multipart/form-data; boundary=b",
         "--b\r\nContent-Disposition: form-data; name=\"filename\"\r\n\r\nhi\r\n--b--", UploadError::NoFilePart, "", ""},
        {"preamble before the first delimiter", "multipart/form-data; boundary=b",
         "junk\r\n--b\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\nhi\r\n--b--", UploadError::Malformed, "", ""},
        {"headers never end", "multipart/form-data; boundary=b",
         "--b\r\nContent-Disposition: form-data; name=\"file\"\r\n--b--", UploadError::Malformed, "", ""},
        {"empty boundary", "multipart/form-data; boundary=", "--\r\n\r\n--", UploadError::NoBoundary, "", ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const UploadParse parse = ParseUpload(c.contentType, c.body);
        EXPECT_EQ(parse.error, c.error);
        if (c.error == UploadError::None) {
            EXPECT_EQ(parse.file.bytes, c.bytes);
            EXPECT_EQ(parse.file.fileName, c.fileName);
        }
    }
}

TEST(RewriteForm, FieldsAreTakenRawInAnyOrder) {
    const auto form = ParseRewriteForm("sign=ab&str=a+b/c==&user=%41&id=vip");
    ASSERT_TRUE(form.has_value());
    EXPECT_EQ(form->payload, "a+b/c==");
    EXPECT_EQ(form->sign, "ab");
    EXPECT_EQ(form->user, "%41");
}

TEST(Rewriting, WordsLineBreaksAndCase) {
    struct Case { const char* in; const char* out; std::size_t substitutions; };
    constexpr Case kCases[] = {
        {"good\\ngood", "fine\\nfine", 2},
        {"\\nnew", "\\nnew", 0},
        {"GOOD Good good goods", "FINE Fine fine goods", 3},
        {"因为因为\r\n所以", "由于由于\r\n因此", 3},
        {"a\\", "a\\", 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.in);
        const Rewrite r = RewriteText(U(c.in));
        EXPECT_EQ(EncodeUtf8(r.text), c.out);
        EXPECT_EQ(r.substitutions, c.substitutions);
    }
}

TEST(Originality, BoundsAndBlanksTable) {
    EXPECT_EQ(OriginalityBasisPoints(U("abcd"), U("abcd")), 0);
    EXPECT_EQ(OriginalityBasisPoints(U("abcd"), U("wxyz")), 10000);
    EXPECT_EQ(OriginalityBasisPoints(U("ab cd"), U("a\\nbcd")), 0);
    EXPECT_EQ(OriginalityBasisPoints(U(""), U("")), 0);
    EXPECT_EQ(OriginalityBasisPoints(U("a"), U("b")), 10000);
    EXPECT_EQ(OriginalityReport(3333, 2), "原创度：33.33%（与原文重合 66.67%，替换词语 2 处）");
}

TEST(JsonText, EscapesKeepThePairApartFromALineFeed) {
    EXPECT_EQ(JsonString("a\\nb\nc\"\x01"), "\"a\\\\nb\\nc\\\"\\u0001\"");
    EXPECT_EQ(JsonString("\xE2\x80\xA8"), "\"\\u2028\"");
    EXPECT_EQ(JsonByteString(std::string("\xD6\0", 2)), "\"\\u00d6\\u0000\"");
}

TEST(Base64Reader, StrictAboutAlphabetAndLength) {
    EXPECT_EQ(DecodeBase64("YWJj"), "abc");
    EXPECT_EQ(DecodeBase64("YQ=="), "a");
    EXPECT_EQ(DecodeBase64(""), "");
    for (const char* bad : {"YWJ", "YW Jj", "Y=Jj", "YQ===", "YQ%3D", "A==="}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(DecodeBase64(bad).has_value());
    }
}

}  // namespace
}  // namespace seo::service
