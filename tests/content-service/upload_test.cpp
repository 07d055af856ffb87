// The multipart file upload against the running service.
#include "raw_http.h"
#include "support/service_process.h"

#include <gtest/gtest.h>

#include <memory>

namespace seo::service_test {
namespace {

class Upload : public ::testing::Test {
protected:
    static void SetUpTestSuite() { service_ = std::make_unique<ServiceProcess>(); }
    static void TearDownTestSuite() { service_.reset(); }
    void SetUp() override { ASSERT_GT(service_->Port(), 0) << "the service did not start"; }

    static Reply Send(std::string_view request) { return Exchange(service_->Port(), request); }

    static inline std::unique_ptr<ServiceProcess> service_;
};

TEST_F(Upload, FilesInEitherEncodingAreAnsweredInUtf8) {
    struct Case { const char* name; std::string fileName; std::string bytes; const char* str; };
    const Case kCases[] = {
        // 中文文章，因为 CR LF ok, in code page 936
        {"code page 936", "\xD6\xD0\xCE\xC4.txt",
         "\xD6\xD0\xCE\xC4\xCE\xC4\xD5\xC2\xA3\xAC\xD2\xF2\xCE\xAA\r\nok", "中文文稿，由于\r\nok"},
        {"UTF-8", "a.txt", "中文文章，因为\r\nok", "中文文稿，由于\r\nok"},
        {"UTF-8 with a byte-order mark", "a.txt", "\xEF\xBB\xBF因为", "由于"},
        {"UTF-16 with a byte-order mark", "a.txt", std::string("\xFF\xFE\xE0\x56\x3A\x4E", 6), "由于"},
        {"plain ASCII", "a.txt", "hi", "hi"},
        {"empty file", "a.txt", "", ""},
        // A byte that code page 936 lacks becomes a question mark, not a failure.
        {"stray byte", "a.txt", "\xD6\xD0\xFF", "中?"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Send(UploadRequest(c.fileName, c.bytes));
        ASSERT_TRUE(reply.received);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(JsonMember(reply.body, "str"), c.str) << reply.body;
        EXPECT_NE(JsonMember(reply.body, "ck").value_or("").find("原创度："), std::string::npos);
    }
}

TEST_F(Upload, FileBytesThatLookLikeDelimitersOrQuotesSurvive) {
    const std::string bytes = "--not the boundary\r\n\r\nname=\"file\"\r\n--";
    const Reply reply = Send(UploadRequest("a.txt", bytes));
    EXPECT_EQ(JsonMember(reply.body, "str"), bytes) << reply.body;
}

TEST_F(Upload, MalformedUploadsAreRefusedWithJson) {
    const std::string boundary = "----WebKitFormBoundaryB7BfOcAAFtzC33eK";
    const std::string good = UploadBody("a.txt", "hi");
    struct Case { const char* name; std::string request; };
    const Case kCases[] = {
        {"no boundary", PostRequest("Content-Type:multipart/form-data\r\n", good)},
        {"another boundary", PostRequest("Content-Type:multipart/form-data; boundary=xyz\r\n", good)},
        {"closing delimiter missing",
         PostRequest("Content-Type:multipart/form-data; boundary=" + boundary + "\r\n", good.substr(0, good.size() - 44))},
        {"no file part",
         PostRequest("Content-Type:multipart/form-data; boundary=" + boundary + "\r\n",
                     "--" + boundary + "\r\nContent-Disposition: form-data; name=\"num\"\r\n\r\n1\r\n--" + boundary + "--")},
        {"empty body", PostRequest("Content-Type:multipart/form-data; boundary=" + boundary + "\r\n", "")},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Send(c.request);
        ASSERT_TRUE(reply.received);
        EXPECT_EQ(reply.status, 400);
        EXPECT_EQ(JsonMember(reply.body, "error"), "malformed_upload") << reply.body;
        EXPECT_FALSE(JsonMember(reply.body, "message").value_or("").empty());
    }
}

}  // namespace
}  // namespace seo::service_test
