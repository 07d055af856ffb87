// The site's pages and the request log.
#include "json_reader.h"
#include "raw_http.h"
#include "support/service_process.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

namespace seo::service_test {
namespace {

TEST(Pages, EachPathOfTheSiteAnswers) {
    ServiceProcess service;
    ASSERT_GT(service.Port(), 0);
    struct Case { const char* path; int status; const char* type; const char* holds; };
    constexpr Case kCases[] = {
        {"/gg/you.html", 200, "text/html; charset=utf-8", "友情链接"},
        {"/", 200, "text/html; charset=utf-8", "href=\"/gg/you.html\""},
        {"/api/api.docx", 200, "text/plain; charset=utf-8", "接口说明"},
        {"/forum-78-1.html", 200, "text/html; charset=utf-8", "论坛"},
        {"/no-such-page", 404, "text/html; charset=utf-8", "页面不存在"},
        {"/api.php", 405, "application/json; charset=utf-8", "method_not_allowed"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.path);
        const Reply reply = Exchange(service.Port(), GetRequest(c.path));
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.headers.at("content-type"), c.type);
        EXPECT_NE(reply.body.find(c.holds), std::string::npos);
    }
}

TEST(Pages, PostToAnotherPathIsAJsonNotFound) {
    ServiceProcess service;
    ASSERT_GT(service.Port(), 0);
    std::string request = FormRequest("a=1");
    request.replace(request.find("/api.php"), 8, "/other.php");
    const Reply reply = Exchange(service.Port(), request);
    EXPECT_EQ(reply.status, 404);
    EXPECT_EQ(JsonMember(reply.body, "error"), "not_found");
}

class RequestLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/content-service-log-XXXXXX";
        const int fd = mkstemp(pattern);
        ASSERT_GE(fd, 0);
        close(fd);
        path_ = pattern;
    }
    void TearDown() override { std::remove(path_.c_str()); }

    std::vector<JsonValue> Lines() {
        std::ifstream in(path_);
        std::vector<JsonValue> lines;
        std::string line;
        while (std::getline(in, line)) {
            auto value = ParseJson(line);
            EXPECT_TRUE(value.has_value()) << line;
            if (value) lines.push_back(std::move(*value));
        }
        return lines;
    }

    static std::string Header(const JsonValue& entry, std::string_view name) {
        for (const auto& pair : entry.Member("headers")->items) {
            if (pair.items.at(0).text == name) return CodePointsToBytes(pair.items.at(1).text).value_or("?");
        }
        return {};
    }

    std::string path_;
};

TEST_F(RequestLogFile, RecordsEveryRequestExactlyAndAtOnce) {
    ServiceProcess service({"--request-log", path_});
    ASSERT_GT(service.Port(), 0);
    const std::string payload = "Pz8+";
    const std::string form = FormBody(payload, SignatureOf(payload));
    // A file name in code page 936 and file bytes with a zero byte: 中.txt
    const std::string fileBytes("a\0b\xFF", 4);
    const std::string upload = UploadRequest("\xD6\xD0.txt", fileBytes);

    Exchange(service.Port(), FormRequest(form));
    ASSERT_EQ(Lines().size(), 1u) << "the line is written before the answer";
    Exchange(service.Port(), upload);
    Exchange(service.Port(), GetRequest("/gg/you.html?x=%2B"));

    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    struct Expected { const char* method; const char* target; std::string body; };
    const Expected kExpected[] = {
        {"POST", "/api.php", form},
        {"POST", "/api.php", UploadBody("\xD6\xD0.txt", fileBytes)},
        {"GET", "/gg/you.html?x=%2B", ""},
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].Member("method")->text, kExpected[i].method);
        EXPECT_EQ(lines[i].Member("target")->text, kExpected[i].target);
        EXPECT_EQ(lines[i].Member("version")->text, "HTTP/1.1");
        EXPECT_EQ(lines[i].Member("body")->text, Base64(kExpected[i].body));
    }
    EXPECT_EQ(Header(lines[0], "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(Header(lines[1], "Content-Type"),
              "multipart/form-data; boundary=----WebKitFormBoundaryB7BfOcAAFtzC33eK");
    EXPECT_EQ(Header(lines[1], "Accept-Language"), "zh-cn");
    EXPECT_EQ(Header(lines[0], "REMOTE_ADDR"), "");
}

TEST_F(RequestLogFile, HeaderBytesOutsideAsciiAreKept) {
    ServiceProcess service({"--request-log", path_});
    ASSERT_GT(service.Port(), 0);
    std::string request = GetRequest("/");
    request.insert(request.find("\r\n") + 2, "X-Name: \xD6\xD0\r\n");
    Exchange(service.Port(), request);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Header(lines[0], "X-Name"), "\xD6\xD0");
}

}  // namespace
}  // namespace seo::service_test
