#include "generation/service_protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "settings.h"

namespace seo {
namespace {

Bytes BytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

const std::string kAccount = "api\xB5\xC4\xD5\xCA\xBA\xC5";  // api的帐号
const std::string kDelimiter = "------WebKitFormBoundaryB7BfOcAAFtzC33eK";

TEST(ServiceProtocolConstants, HoldTheirExactBytes) {
    EXPECT_EQ(ServiceEndpoint(), std::string("http://") + SEO_CONTENT_SERVICE_HOST + "/api.php");
    EXPECT_EQ(SignatureSalt(), "kev\xD5\xBC hollow\xD1\xF9\xB1\xBE");  // kev占 hollow样本
    EXPECT_EQ(SignatureSalt().size(), 16u);
    EXPECT_EQ(AccountText(), kAccount);
    EXPECT_EQ(AccountText().size(), 9u);
    EXPECT_EQ(Boundary(), "----WebKitFormBoundaryB7BfOcAAFtzC33eK");
    EXPECT_EQ(Boundary().size(), 38u);
    EXPECT_EQ(UploadHeaderText(),
              "Content-Type:multipart/form-data; boundary=----WebKitFormBoundaryB7BfOcAAFtzC33eK\r\n\r\n");
    EXPECT_EQ(UploadHeaderText().size(), 85u);
}

// Each row: the article as typed, its payload, and the MD5 (computed with md5sum) of the
// salt's 16 bytes followed by that payload.
struct RewriteCase {
    const char* name;
    std::string article;
    std::string payload;
    std::string signature;
};

const std::vector<RewriteCase> kRewriteTable = {
    {"abc", "abc", "YWJj", "040ff9e7c9d81b8b3eb00b12a7459b8b"},
    {"line break folds to backslash n", "a\r\nb", "YVxuYg==", "498cdc0e5de0b1b6522ca66f6420f246"},
    {"plus sign stays unescaped", "?\?>", "Pz8+", "39542740d9c8f75bb7e569d065f745a2"},
    {"slash stays unescaped", "???", "Pz8/", "db3fb7b297483f7bfb72e5e3aa6fc584"},
    {"empty article", "", "", "ebed8c9d4b46a1f1aa81a7fee48bb833"},
};

TEST(RewriteRequest, BodyIsExactBytes) {
    for (const auto& c : kRewriteTable) {
        SCOPED_TRACE(c.name);
        const Text payload = EncodePayload(FoldLineBreaks(c.article));
        EXPECT_EQ(payload, c.payload);
        const Text signature = SignPayload(payload);
        EXPECT_EQ(signature, c.signature);
        const Text body = BuildRewriteBody(payload, signature);
        EXPECT_EQ(body, "id=vip&user=" + kAccount + "&str=" + c.payload + "&num=1&sign=" + c.signature);
        EXPECT_EQ(body.size(), 70 + c.payload.size());
    }
}

TEST(RewriteRequest, ChineseArticleIsSentAsUtf8) {
    // 中文 in code page 936 is E4 B8 AD E6 96 87 in UTF-8.
    EXPECT_EQ(EncodePayload("\xD6\xD0\xCE\xC4"), "5Lit5paH");
}

struct LineBreakCase {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(FoldLineBreaks, FoldsOnlyCrLfPairs) {
    const LineBreakCase cases[] = {
        {"empty", "", ""},
        {"pair", "a\r\nb", "a\\nb"},
        {"lone CR and lone LF stay", "a\rb\nc", "a\rb\nc"},
        {"LF CR is no pair", "\n\r", "\n\r"},
        {"CR before a pair", "\r\r\n", "\r\\n"},
        {"pairs in a row", "\r\n\r\n", "\\n\\n"},
        {"after a two-byte character", "\xD6\xD0\r\n", "\xD6\xD0\\n"},
        {"after the one-byte euro sign", "\x80\r\n", "\x80\\n"},
        {"lone lead byte at the end", "a\x81", "a\x81"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FoldLineBreaks(c.input), c.expected);
    }
}

TEST(UnfoldLineBreaks, UnfoldsOnlyBackslashLowerN) {
    const LineBreakCase cases[] = {
        {"empty", "", ""},
        {"backslash n", "x\\ny", "x\r\ny"},
        {"backslash t stays", "x\\ty", "x\\ty"},
        {"capital N stays", "x\\Ny", "x\\Ny"},
        {"trailing backslash stays", "x\\", "x\\"},
        {"double backslash then n", "\\\\n", "\\\r\n"},
        // 0xD5 0x5C is one character: its second byte is no backslash.
        {"second byte of a character", "\xD5\\n", "\xD5\\n"},
        {"after the one-byte euro sign", "\x80\\n", "\x80\r\n"},
        {"lone lead byte at the end", "\\n\xFE", "\r\n\xFE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UnfoldLineBreaks(c.input), c.expected);
    }
}

std::string ExpectedUploadBody(const std::string& name, const std::string& file) {
    return kDelimiter + "\r\n" +
           "Content-Disposition: form-data; name=\"num\"\r\n"
           "\r\n"
           "1\r\n" +
           kDelimiter + "\r\n" + "Content-Disposition: form-data; name=\"file\"; filename=\"" + name +
           "\"\r\n"
           "Content-Type: text/plain\r\n"
           "\r\n" +
           file + "\r\n" + kDelimiter + "--";
}

TEST(UploadRequest, BodyOfASmallFile) {
    const Bytes body = BuildUploadBody("a.txt", BytesOf("hi"));
    ASSERT_EQ(body.size(), 270u);
    EXPECT_EQ(std::string(body.begin() + 188, body.begin() + 193), "a.txt");  // bytes 189 to 193
    EXPECT_EQ(body[187], '"');
    EXPECT_EQ(body[193], '"');
    EXPECT_EQ(std::string(body.end() - 46, body.end()), "hi\r\n" + kDelimiter + "--");
    EXPECT_EQ(body, BytesOf(ExpectedUploadBody("a.txt", "hi")));
}

TEST(UploadRequest, BodyOfAnEmptyFile) {
    const Bytes body = BuildUploadBody("a.txt", Bytes());
    EXPECT_EQ(body.size(), 268u);
    const std::string text(body.begin(), body.end());
    EXPECT_NE(text.find("Content-Type: text/plain\r\n\r\n\r\n" + kDelimiter + "--"), std::string::npos);
    EXPECT_EQ(body, BytesOf(ExpectedUploadBody("a.txt", "")));
}

TEST(UploadRequest, FileBytesAndNameGoOutUnchanged) {
    const std::string file("\x00\xFF\r\n\x00", 5);
    const std::string name = "\xD6\xD0\xCE\xC4\".txt";  // 中文".txt: the quote is not escaped
    const Bytes body = BuildUploadBody(name, BytesOf(file));
    EXPECT_EQ(body.size(), 263 + name.size() + file.size());
    EXPECT_EQ(body, BytesOf(ExpectedUploadBody(name, file)));
}

TEST(ServiceProtocol, ManyThreadsBuildBodiesAtOnce) {
    std::string article;
    for (int i = 0; i < 200; ++i) article += "\xD6\xD0\xCE\xC4 text\r\n";
    const Text payload = EncodePayload(FoldLineBreaks(article));
    const Text body = BuildRewriteBody(payload, SignPayload(payload));
    const Bytes upload = BuildUploadBody("a.txt", BytesOf(article));

    constexpr int kThreads = 8;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                const Text p = EncodePayload(FoldLineBreaks(article));
                if (BuildRewriteBody(p, SignPayload(p)) != body) ++mismatches[t];
                if (BuildUploadBody("a.txt", BytesOf(article)) != upload) ++mismatches[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace seo
