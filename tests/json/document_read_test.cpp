// Lifecycle, Parse and the read operations of the JSON document.
#include <gtest/gtest.h>

#include "json/json_document.h"

namespace seo {
namespace {

TEST(JsonDocumentParse, ServiceAnswerReadsItsMembers) {
    JsonDocument document = JsonDocument::Create();
    EXPECT_TRUE(document.Parse(R"({"str":"abc","ck":"x"})"));
    EXPECT_EQ(document.GetText("str"), "abc");
    EXPECT_EQ(document.GetText("ck"), "x");
    EXPECT_EQ(document.variableName, "da");
}

TEST(JsonDocumentParse, MissingAndNullMembers) {
    JsonDocument document = JsonDocument::Create();
    ASSERT_TRUE(document.Parse(R"({"n":null})"));
    EXPECT_EQ(document.GetText("missing"), "");
    EXPECT_EQ(document.TypeOf("missing"), JsonType::kNull);
    EXPECT_FALSE(document.HasMember("missing"));
    EXPECT_EQ(document.GetText("missing", true), "");
    EXPECT_EQ(document.GetMemberJson("missing"), "");

    EXPECT_EQ(document.GetText("n"), "");
    EXPECT_EQ(document.GetText("n", true), "null");
    EXPECT_EQ(document.GetMemberJson("n"), "null");
    EXPECT_EQ(document.TypeOf("n"), JsonType::kNull);
    EXPECT_FALSE(document.HasMember("n"));
}

struct NumberCase {
    const char* json;
    const char* text;
    double number;
};
constexpr NumberCase kNumbers[] = {
    {"42", "42", 42},
    {"0.5", "0.5", 0.5},
    {"1e21", "1e+021", 1e21},
    {"0.00001", "1e-005", 0.00001},
    {"0.3333333333333333", "0.3333333333333", 0.3333333333333333},
    {"-7", "-7", -7},
    {"123456789012345", "1.234567890123e+014", 123456789012345},
};

TEST(JsonDocumentParse, NumberMembersReadThroughPercentG) {
    for (const auto& c : kNumbers) {
        SCOPED_TRACE(c.json);
        JsonDocument document = JsonDocument::Create();
        ASSERT_TRUE(document.Parse(Text("{\"v\":") + c.json + "}"));
        EXPECT_EQ(document.GetText("v"), c.text);
        EXPECT_EQ(document.GetNumber("v"), c.number);
        EXPECT_EQ(document.TypeOf("v"), JsonType::kNumber);
    }
}

TEST(JsonDocumentParse, NonFiniteNumbersReadAsScriptWritesThem) {
    JsonDocument document = JsonDocument::Create();
    ASSERT_TRUE(document.Parse("{nan:0/0, inf:1/0, ninf:-1/0}"));
    EXPECT_EQ(document.GetText("nan"), "NaN");
    EXPECT_EQ(document.GetText("inf"), "Infinity");
    EXPECT_EQ(document.GetText("ninf"), "-Infinity");
}

// Texts that do not give a usable value: Parse is false and the value is null, or
// undefined for the empty text.
struct FailedCase {
    const char* text;
    const char* toJson;
};
constexpr FailedCase kFailedParses[] = {
    {"<html><body>502 Bad Gateway</body></html>", "null"},
    {R"({"str":"abc","ck":)", "null"},
    {"", ""},
    {"null", "null"},
    {R"("abc")", "null"},  // a string literal is run again: abc is an unknown name
    {"undefined", ""},
};

TEST(JsonDocumentParse, TextsThatFail) {
    for (const auto& c : kFailedParses) {
        SCOPED_TRACE(c.text);
        JsonDocument document = JsonDocument::Create();
        EXPECT_FALSE(document.Parse(c.text));
        EXPECT_EQ(document.GetText("str"), "");
        EXPECT_EQ(document.GetText("str", true), "");
        EXPECT_EQ(document.TypeOf("str"), JsonType::kOther);
        EXPECT_FALSE(document.HasMember("str"));
        EXPECT_EQ(document.GetNumber("str"), 0);
        EXPECT_EQ(document.ToJson(), c.toJson);
    }
}

// Any expression is accepted; a string literal is evaluated twice.
struct ExpressionCase {
    const char* text;
    const char* toJson;
};
constexpr ExpressionCase kExpressions[] = {
    {"{str:'single', /* comment */ ck:1}", R"({"str":"single","ck":1})"},
    {R"("1+2")", "3"},
    {R"("[1,2]")", "[1,2]"},
    {"[1,2].concat([3])", "[1,2,3]"},
    {"true", "true"},
    {" \r\n{\"a\" : [ 1 , {\"b\":null} ] }\n", R"({"a":[1,{"b":null}]})"},
};

TEST(JsonDocumentParse, TextsAreEvaluatedAsExpressions) {
    for (const auto& c : kExpressions) {
        SCOPED_TRACE(c.text);
        JsonDocument document = JsonDocument::Create();
        EXPECT_TRUE(document.Parse(c.text));
        EXPECT_EQ(document.ToJson(), c.toJson);
    }
}

TEST(JsonDocumentParse, ArrayAnswer) {
    JsonDocument document = JsonDocument::Create();
    ASSERT_TRUE(document.Parse("[1,2]"));
    EXPECT_EQ(document.GetText("[0]"), "1");    // through the text kind
    EXPECT_EQ(document.GetNumber("[0]"), 0);    // the dot join gives da.[0]
    EXPECT_EQ(document.TypeOf("[0]"), JsonType::kOther);
    EXPECT_EQ(document.TypeOf(), JsonType::kArray);
}

TEST(JsonDocumentParse, NewDocumentHoldsAnEmptyObject) {
    JsonDocument document = JsonDocument::Create();
    EXPECT_EQ(document.ToJson(), "{}");
    EXPECT_EQ(document.TypeOf(""), JsonType::kObject);
    EXPECT_EQ(document.TypeOf("."), JsonType::kOther);  // da.. is not script
}

TEST(JsonDocumentParse, TypeOfEachKind) {
    JsonDocument document = JsonDocument::Create();
    ASSERT_TRUE(document.Parse(R"({"s":"x","n":1,"o":{},"a":[],"b":true,"z":null})"));
    EXPECT_EQ(document.TypeOf("s"), JsonType::kString);
    EXPECT_EQ(document.TypeOf("n"), JsonType::kNumber);
    EXPECT_EQ(document.TypeOf("o"), JsonType::kObject);
    EXPECT_EQ(document.TypeOf("a"), JsonType::kArray);
    EXPECT_EQ(document.TypeOf("b"), JsonType::kOther);
    EXPECT_EQ(document.TypeOf("z"), JsonType::kNull);
    EXPECT_EQ(document.TypeOf("s.length"), JsonType::kNumber);
    EXPECT_EQ(document.GetText("b"), "true");
    EXPECT_EQ(document.GetNumber("b"), -1);
}

TEST(JsonDocumentParse, ParsingAgainClearsTheFirstValueAndItsGlobals) {
    JsonDocument document = JsonDocument::Create();
    ASSERT_TRUE(document.Parse("(leaked=5, {\"a\":1})"));
    ASSERT_EQ(document.engine->EvalText("typeof leaked"), "number");
    EXPECT_TRUE(document.Parse(R"({"b":2})"));
    EXPECT_EQ(document.GetText("a"), "");
    EXPECT_EQ(document.GetText("b"), "2");
    EXPECT_EQ(document.engine->EvalText("typeof leaked"), "undefined");

    EXPECT_FALSE(document.Parse("not json at all"));
    EXPECT_FALSE(document.HasMember("b"));
    EXPECT_EQ(document.ToJson(), "null");
}

TEST(JsonDocumentParse, ChineseAnswerRoundTripsInCodePage936) {
    const Text article = "\xD6\xD0\xCE\xC4\xC4\xDA\xC8\xDD\\n\xB5\xDA\xB6\xFE\xD0\xD0";  // 中文内容\n第二行
    const Text report = "\xD4\xAD\xB4\xB4\xB6\xC8 85%";                                     // 原创度 85%
    JsonDocument document = JsonDocument::Create();
    ASSERT_TRUE(document.Parse("{\"str\":\"" + article + "\",\"ck\":\"" + report + "\"}"));
    // The backslash-n pair of the answer is one line feed once evaluated.
    EXPECT_EQ(document.GetText("str"), "\xD6\xD0\xCE\xC4\xC4\xDA\xC8\xDD\n\xB5\xDA\xB6\xFE\xD0\xD0");
    EXPECT_EQ(document.GetText("ck"), report);
    EXPECT_EQ(document.GetText("str", true), "\"" + article + "\"");
    // Escaped characters come back in code page 936 as well.
    ASSERT_TRUE(document.Parse(R"({"str":"\u4e2d\u6587"})"));
    EXPECT_EQ(document.GetText("str"), "\xD6\xD0\xCE\xC4");
}

TEST(JsonDocumentCopy, SeesChangesAndKeepsTheEngineAlive) {
    JsonDocument document = JsonDocument::Create();
    ASSERT_TRUE(document.Parse(R"({"a":1})"));
    JsonDocument copy = document.Copy();
    EXPECT_EQ(copy.engine, document.engine);
    document.SetMember("b", "two");
    EXPECT_EQ(copy.GetText("b"), "two");
    copy.SetMemberNumber("a", 3);
    EXPECT_EQ(document.GetNumber("a"), 3);
    document.Destroy();
    EXPECT_FALSE(document.engine);
    EXPECT_EQ(document.variableName, "");
    EXPECT_EQ(copy.ToJson(), R"({"a":3,"b":"two"})");
}

TEST(JsonDocumentWithoutEngine, AnswersEveryReadWithTheEmptyValue) {
    JsonDocument document;
    EXPECT_FALSE(document.Parse(R"({"a":1})"));
    EXPECT_EQ(document.GetText("a"), "");
    EXPECT_EQ(document.GetText("a", true), "");
    EXPECT_EQ(document.GetNumber("a"), 0);
    EXPECT_FALSE(document.HasMember("a"));
    EXPECT_EQ(document.TypeOf(), JsonType::kOther);
    EXPECT_EQ(document.TypeOf("a"), JsonType::kOther);
    EXPECT_EQ(document.ToJson(), "");
    EXPECT_EQ(document.Count(), 0);
    TextArray keys({"old"});
    EXPECT_EQ(document.GetKeys(keys), 0);
    EXPECT_EQ(keys.Count(), 0);
}

TEST(JsonDocumentParse, TwentyMegabyteAnswerParsesWithinTheProductionLimits) {
    Text article;
    article.reserve(20u << 20);
    const Text line = "\xD6\xD0\xCE\xC4\xC4\xDA\xC8\xDD abc\\n";  // 中文内容 abc\n
    while (article.size() < (20u << 20)) article += line;
    JsonDocument document = JsonDocument::Create();
    ASSERT_TRUE(document.Parse("{\"str\":\"" + article + "\",\"ck\":\"ok\"}"));
    const Text text = document.GetText("str");
    EXPECT_EQ(text.size(), article.size() / line.size() * (line.size() - 1));
    EXPECT_EQ(text.substr(0, 13), "\xD6\xD0\xCE\xC4\xC4\xDA\xC8\xDD abc\n");
    EXPECT_EQ(document.GetText("ck"), "ok");
    EXPECT_EQ(document.engine->LastFailure(), ScriptFailure::kNone);
}

}  // namespace
}  // namespace seo
