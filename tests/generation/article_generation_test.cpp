#include <gtest/gtest.h>

#include "encoding/code_page.h"
#include "fake_window_services.h"
#include "flow_test_support.h"
#include "generation/article_generation.h"
#include "generation/service_protocol.h"
#include "generation/system_texts.h"
#include "support/capture_server.h"

namespace seo {
namespace {

using testing::FakeWindowServices;

// Answers pass n with str "pass<n>\\nline" (a backslash-n pair) and ck "report<n>".
std::string NumberedAnswer(const std::string&, int number) {
    const std::string n = std::to_string(number + 1);
    return testing::JsonAnswer("pass" + n + "\\\\nline", "report" + n);
}

// The form body a pass sends for the given source text.
std::string BodyFor(const Text& source) {
    const Text payload = EncodePayload(source);
    return BuildRewriteBody(payload, SignPayload(payload));
}

struct GenerationRun {
    std::vector<std::string> requests;
    Text result;
    Text report;
    Text caption;
};

GenerationRun Generate(const Text& article, const Text& passes, test::CaptureServer& server) {
    FakeWindowServices window;
    window.SetText(control::kSourceBox, article);
    window.SetText(control::kPassCountBox, passes);
    window.SetText(control::kResultBox, "stale");
    window.SetText(control::kReportBox, "stale");
    OnGenerateClicked(window, server.Url("/api.php"));
    return {server.Requests(), window.TextOf(control::kResultBox), window.TextOf(control::kReportBox),
            window.TextOf(control::kStatusLabel)};
}

TEST(ArticleGeneration, PassCountDecidesHowManyRequests) {
    struct Case {
        Text passes;
        std::size_t requests;
    };
    const Case cases[] = {
        {"1", 1}, {"3", 3}, {"0", 0}, {"-2", 0}, {"abc", 0}, {"", 0},
        {" 2", 2}, {"+2", 2}, {"2.9", 2}, {"2abc", 2}, {"\xA3\xB2", 2},  // full-width 2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("pass count \"" + c.passes + "\"");
        test::CaptureServer server(&NumberedAnswer);
        const GenerationRun run = Generate("abc", c.passes, server);
        ASSERT_EQ(run.requests.size(), c.requests);
        const std::string last = std::to_string(c.requests);
        EXPECT_EQ(run.result, c.requests ? "pass" + last + "\r\nline" : "");
        EXPECT_EQ(run.report, c.requests ? "report" + last : "");
        EXPECT_EQ(run.caption, texts::kBusyCaption);
    }
}

TEST(ArticleGeneration, EachPassSendsThePreviousAnswerSignedAnew) {
    test::CaptureServer server(&NumberedAnswer);
    const GenerationRun run = Generate("a\r\nb", "3", server);
    ASSERT_EQ(run.requests.size(), 3u);
    EXPECT_EQ(run.requests[0].substr(0, 19), "POST /api.php HTTP/");
    EXPECT_EQ(testing::RequestBody(run.requests[0]), BodyFor("a\\nb"));  // CR LF folded
    EXPECT_EQ(testing::FormField(testing::RequestBody(run.requests[0]), "str"), "YVxuYg==");
    // Later passes carry the answer's str as it came, backslash-n pairs included.
    EXPECT_EQ(testing::RequestBody(run.requests[1]), BodyFor("pass1\\nline"));
    EXPECT_EQ(testing::RequestBody(run.requests[2]), BodyFor("pass2\\nline"));
    EXPECT_EQ(run.result, "pass3\r\nline");
    EXPECT_EQ(run.report, "report3");
}

TEST(ArticleGeneration, StepsRunInOrderAndTheCaptionStays) {
    test::CaptureServer server(&NumberedAnswer);
    FakeWindowServices window;
    window.SetText(control::kSourceBox, "x");
    window.SetText(control::kPassCountBox, "1");
    OnGenerateClicked(window, server.Url("/api.php"));
    const std::vector<std::string> expected = {
        "caption 标签8", "wait 100 0", "set 编辑框3", "get 编辑框2", "get 编辑框5", "set 编辑框4", "set 编辑框3",
    };
    EXPECT_EQ(window.calls, expected);
    EXPECT_EQ(window.TextOf(control::kStatusLabel), texts::kBusyCaption);
    EXPECT_TRUE(window.messages.empty());
}

TEST(ArticleGeneration, ChineseAnswerShowsInCodePage936) {
    // 中文 and 原创 in UTF-8 inside the JSON answer.
    test::CaptureServer server(testing::JsonAnswer("\xE4\xB8\xAD\xE6\x96\x87\\\\n\xE5\x8E\x9F", "\xE5\x8E\x9F\xE5\x88\x9B 90%"));
    const GenerationRun run = Generate("\xD6\xD0", "1", server);
    EXPECT_EQ(run.result, "\xD6\xD0\xCE\xC4\r\n\xD4\xAD");
    EXPECT_EQ(run.report, "\xD4\xAD\xB4\xB4 90%");
    EXPECT_EQ(testing::FormField(testing::RequestBody(run.requests.at(0)), "str"), "5Lit");  // UTF-8 of 中
}

TEST(ArticleGeneration, RealLineFeedsInTheAnswerStayAsTheyCame) {
    test::CaptureServer server(testing::JsonAnswer("x\\ny", "r"));  // a JSON \n: a real line feed
    EXPECT_EQ(Generate("a", "1", server).result, "x\ny");
}

TEST(ArticleGeneration, AnswersWithoutUsableMembersLeaveTheBoxesEmpty) {
    const char withNul[] = "{\"str\":\"a\",\0\"ck\":\"b\"}";
    const std::string answers[] = {
        test::HttpAnswer("200 OK", {}, "<html><body>502</body></html>"),
        test::HttpAnswer("200 OK", {}, std::string(withNul, sizeof withNul - 1)),
        test::HttpAnswer("200 OK", {}, "{\"other\":1}"),
        test::HttpAnswer("500 Internal Server Error", {}, "{\"str\":\"kept\",\"ck\":\"k\"}"),
    };
    const Text expectedResult[] = {"", "", "", "kept"};  // an error status with JSON is read as usual
    for (std::size_t i = 0; i < std::size(answers); ++i) {
        SCOPED_TRACE(i);
        test::CaptureServer server(answers[i]);
        const GenerationRun run = Generate("a", "1", server);
        EXPECT_EQ(run.result, expectedResult[i]);
    }
}

TEST(ArticleGeneration, UnreachableServiceStillMakesEveryPassWithAnEmptyPayload) {
    // The server takes each request and closes without answering.
    test::CaptureServer server(std::string(), {.closeAfterAnswer = true});
    const GenerationRun run = Generate("article", "2", server);
    ASSERT_EQ(run.requests.size(), 2u);
    EXPECT_EQ(testing::RequestBody(run.requests[1]), BodyFor(""));
    EXPECT_EQ(testing::RequestBody(run.requests[1]).size(), 70u);
    EXPECT_EQ(run.result, "");
    EXPECT_EQ(run.report, "");
}

TEST(ArticleGeneration, RefusedConnectionEndsWithEmptyBoxesAndNoMessage) {
    std::string url;
    {
        test::CaptureServer closed(std::string{});
        url = closed.Url("/api.php");
    }  // nothing listens there any more
    FakeWindowServices window;
    window.SetText(control::kSourceBox, "a");
    window.SetText(control::kPassCountBox, "2");
    OnGenerateClicked(window, url);
    EXPECT_EQ(window.TextOf(control::kResultBox), "");
    EXPECT_EQ(window.TextOf(control::kReportBox), "");
    EXPECT_TRUE(window.messages.empty());
}

}  // namespace
}  // namespace seo
