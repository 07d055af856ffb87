// The signed rewrite request against the running service.
#include "raw_http.h"
#include "support/service_process.h"

#include <gtest/gtest.h>

#include <memory>

namespace seo::service_test {
namespace {

class RewriteRequest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { service_ = std::make_unique<ServiceProcess>(); }
    static void TearDownTestSuite() { service_.reset(); }
    void SetUp() override { ASSERT_GT(service_->Port(), 0) << "the service did not start"; }

    static Reply Post(std::string_view body) { return Exchange(service_->Port(), FormRequest(body)); }
    static Reply PostArticle(std::string_view utf8) {
        const std::string payload = Base64(utf8);
        return Post(FormBody(payload, SignatureOf(payload)));
    }

    static inline std::unique_ptr<ServiceProcess> service_;
};

TEST_F(RewriteRequest, SignatureOfKnownPayloadsMatchesIndependentDigests) {
    // MD5 of the salt's 16 bytes and the payload, computed outside this project.
    struct Case { const char* payload; const char* sign; };
    constexpr Case kCases[] = {
        {"", "ebed8c9d4b46a1f1aa81a7fee48bb833"},
        {"YWJj", "040ff9e7c9d81b8b3eb00b12a7459b8b"},
        {"Pz8+", "39542740d9c8f75bb7e569d065f745a2"},
        {"Pz8/", "db3fb7b297483f7bfb72e5e3aa6fc584"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.payload);
        EXPECT_EQ(SignatureOf(c.payload), c.sign);
        const Reply reply = Post(FormBody(c.payload, c.sign));
        ASSERT_TRUE(reply.received);
        EXPECT_EQ(reply.status, 200);
        EXPECT_TRUE(JsonMember(reply.body, "str").has_value()) << reply.body;
        EXPECT_FALSE(JsonMember(reply.body, "error").has_value()) << reply.body;
    }
}

TEST_F(RewriteRequest, RefusesWhatIsNotCorrectlySignedWithJson) {
    const std::string payload = "YWJj";
    const std::string good = SignatureOf(payload);
    std::string upper = good;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string flipped = good;
    flipped[0] = flipped[0] == '0' ? '1' : '0';
    struct Case { const char* name; std::string body; int status; const char* error; };
    const Case kCases[] = {
        {"one digit changed", FormBody(payload, flipped), 403, "bad_signature"},
        {"upper-case digits", FormBody(payload, upper), 403, "bad_signature"},
        {"signature of another payload", FormBody(payload, SignatureOf("YWJk")), 403, "bad_signature"},
        {"empty signature", FormBody(payload, ""), 403, "bad_signature"},
        {"no sign field", "id=vip&user=u&str=YWJj&num=1", 400, "malformed_request"},
        {"no str field", "id=vip&user=u&num=1&sign=" + good, 400, "malformed_request"},
        {"empty body", "", 400, "malformed_request"},
        // Signed as sent, but percent-encoded: not Base64 any more.
        {"percent-encoded plus", FormBody("Pz8%2B", SignatureOf("Pz8%2B")), 400, "bad_payload"},
        {"Base64 cut short", FormBody("YWJ", SignatureOf("YWJ")), 400, "bad_payload"},
        {"not UTF-8 inside", FormBody(Base64("\xD6\xD0"), SignatureOf(Base64("\xD6\xD0"))), 400, "bad_payload"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Post(c.body);
        ASSERT_TRUE(reply.received);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_NE(reply.headers.at("content-type").find("application/json"), std::string::npos);
        EXPECT_EQ(JsonMember(reply.body, "error"), c.error) << reply.body;
        EXPECT_FALSE(JsonMember(reply.body, "message").value_or("").empty());
        EXPECT_FALSE(JsonMember(reply.body, "str").has_value());
    }
}

TEST_F(RewriteRequest, PlusAndSlashInThePayloadAreNotUrlDecoded) {
    struct Case { const char* article; const char* payload; };
    constexpr Case kCases[] = {{"?\?>", "Pz8+"}, {"?\?\?", "Pz8/"}, {"a\\nb", "YVxuYg=="}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.payload);
        ASSERT_EQ(Base64(c.article), c.payload);
        const Reply reply = Post(FormBody(c.payload, SignatureOf(c.payload)));
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(JsonMember(reply.body, "str"), c.article) << reply.body;
    }
}

TEST_F(RewriteRequest, ChineseArticleRoundTripsWithBackslashNPairsKept) {
    // 因为这篇文章非常重要\n第二行 good idea, the line break folded to backslash and n
    const std::string article = "因为这篇文章非常重要\\n第二行 good idea";
    const Reply reply = PostArticle(article);
    ASSERT_EQ(reply.status, 200);
    EXPECT_NE(reply.headers.at("content-type").find("application/json"), std::string::npos);
    // In the JSON text the pair is an escaped backslash followed by n, not a line feed escape.
    EXPECT_NE(reply.body.find("关键\\\\n第二行"), std::string::npos) << reply.body;
    EXPECT_EQ(reply.body.find("\\n第二行"), reply.body.find("\\\\n第二行") + 1);
    const auto str = JsonMember(reply.body, "str");
    ASSERT_TRUE(str.has_value());
    EXPECT_EQ(*str, "由于这篇文稿十分关键\\n第二行 fine notion");
    EXPECT_EQ(str->find('\n'), std::string::npos);
}

TEST_F(RewriteRequest, RealLineFeedStaysDistinctFromThePair) {
    const auto str = JsonMember(PostArticle("一\n二\\n三").body, "str");
    EXPECT_EQ(str, "一\n二\\n三");
}

TEST_F(RewriteRequest, OriginalityReportFollowsTheRealOverlap) {
    struct Case { const char* article; const char* expectedStr; const char* percent; };
    constexpr Case kCases[] = {
        // Nothing to replace: the output is the input, nothing of it is new.
        {"天空是蓝色的", "天空是蓝色的", "原创度：0.00%"},
        {"", "", "原创度：0.00%"},
        // Of the output's pairs 由于 于天 天空 空蓝, the input holds the last two.
        {"因为天空蓝", "由于天空蓝", "原创度：50.00%"},
        {"good idea", "fine notion", "原创度：100.00%"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.article);
        const Reply reply = PostArticle(c.article);
        EXPECT_EQ(JsonMember(reply.body, "str"), c.expectedStr);
        const auto ck = JsonMember(reply.body, "ck").value_or("");
        EXPECT_EQ(ck.rfind(c.percent, 0), 0u) << ck;
    }
}

TEST_F(RewriteRequest, SecondPassOfTheSameTextIsStable) {
    const std::string first = JsonMember(PostArticle("因为 Good ARTICLE").body, "str").value_or("");
    EXPECT_EQ(first, "由于 Fine PIECE");
    EXPECT_EQ(JsonMember(PostArticle(first).body, "str"), first);
    EXPECT_EQ(JsonMember(PostArticle("因为 Good ARTICLE").body, "str"), first);
}

}  // namespace
}  // namespace seo::service_test
