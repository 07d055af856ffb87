// Hostile answers: each is stopped by one of the engine's limits, Parse fails or the reads
// are empty, and the document is usable afterwards. A watchdog ends the run if a limit fails
// to stop an answer.
#include <gtest/gtest.h>

#include "json/json_document.h"
#include "test_threads.h"

namespace seo {
namespace {

// Small limits keep the suite quick; the benchmark measures the production ones.
ScriptLimits TestLimits() {
    ScriptLimits limits;
    limits.timePerCall = std::chrono::milliseconds(200);
    limits.memoryBytes = std::size_t{32} << 20;
    return limits;
}

enum class StoppedBy { kTime, kMemory, kTimeOrMemory, kDepth };

struct HostileCase {
    const char* name;
    Text answer;
    StoppedBy stoppedBy;
};

Text Nested(int depth, const char* open, const char* close) {
    Text text;
    for (int i = 0; i < depth; ++i) text += open;
    for (int i = 0; i < depth; ++i) text += close;
    return text;
}

std::vector<HostileCase> HostileAnswers() {
    return {
        {"endless loop", "(function(){while(1){}})()", StoppedBy::kTime},
        {"endless loop that catches", "(function(){for(;;){try{for(;;){}}catch(e){}}})()", StoppedBy::kTime},
        {"endless recursion that catches", "(function f(){try{f()}catch(e){f()}})()", StoppedBy::kTime},
        {"unbounded allocation", "(function(){var a=[],s='x';for(;;){s=s+s;a.push(s)}})()",
         StoppedBy::kMemory},
        {"huge repeat", "'x'.repeat(1e9)", StoppedBy::kMemory},
        {"catastrophic backtracking", "/(a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa')", StoppedBy::kTime},
        {"backtracking without captures", "/(?:a|aa)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa')",
         StoppedBy::kTime},
        {"join over a huge sparse array", "Array(3e7).join()", StoppedBy::kTimeOrMemory},
        {"nested brackets", Nested(100000, "[", "]"), StoppedBy::kDepth},
        {"nested objects", Nested(100000, "{\"a\":", "}"), StoppedBy::kDepth},
        {"nested parentheses", Nested(100000, "(", ")"), StoppedBy::kDepth},
        {"nested functions", Nested(20000, "(function(){return ", "})()"), StoppedBy::kDepth},
    };
}

void ExpectStopped(const ScriptEngine& engine, StoppedBy stoppedBy) {
    const ScriptFailureCounts& counts = engine.FailureCounts();
    switch (stoppedBy) {
    case StoppedBy::kTime:
        EXPECT_GE(counts.timeLimit, 1);
        break;
    case StoppedBy::kMemory:
        EXPECT_GE(counts.memoryLimit, 1);
        break;
    case StoppedBy::kTimeOrMemory:
        EXPECT_GE(counts.timeLimit + counts.memoryLimit, 1);
        break;
    case StoppedBy::kDepth: {
        // The engine's own recursion limits or the native-stack check.
        const bool depthLimit = engine.LastErrorMessage().find("limit") != Text::npos;
        EXPECT_TRUE(counts.stackLimit >= 1 || depthLimit) << engine.LastErrorMessage();
        break;
    }
    }
}

// Only the limit a case expects is small, so that on a loaded machine the other one cannot
// stop it first; the watchdog still ends the run if neither does.
ScriptLimits LimitsFor(StoppedBy stoppedBy) {
    if (stoppedBy == StoppedBy::kDepth) return ScriptLimits();
    ScriptLimits limits = TestLimits();
    if (stoppedBy == StoppedBy::kTime) limits.memoryBytes = ScriptLimits().memoryBytes;
    if (stoppedBy == StoppedBy::kMemory) limits.timePerCall = std::chrono::seconds(30);
    return limits;
}

void CheckHostileAnswers() {
    for (const HostileCase& c : HostileAnswers()) {
        SCOPED_TRACE(c.name);
        JsonDocument document = JsonDocument::Create(LimitsFor(c.stoppedBy));
        EXPECT_FALSE(document.Parse(c.answer));
        ASSERT_TRUE(document.engine);
        ExpectStopped(*document.engine, c.stoppedBy);
        EXPECT_EQ(document.GetText("str"), "");
        EXPECT_EQ(document.ToJson(), "null");
        // The next answer parses in a fresh instance, under a fresh deadline.
        EXPECT_TRUE(document.Parse(R"({"str":"ok"})"));
        EXPECT_EQ(document.GetText("str"), "ok");
    }
}

TEST(HostileAnswers, AreStoppedByALimit) {
    testing::Watchdog watchdog(60);
    CheckHostileAnswers();
}

TEST(HostileAnswers, AreStoppedOnAThreadWithTheDocumentedStack) {
    testing::Watchdog watchdog(60);
    testing::RunWithStack(kScriptThreadStackBytes, [] { CheckHostileAnswers(); });
}

TEST(HostileAnswers, ReadsThatRunHostileCodeAreStopped) {
    testing::Watchdog watchdog(60);
    JsonDocument document = JsonDocument::Create(TestLimits());
    ASSERT_TRUE(document.Parse("{get str(){for(;;){}}, ck:'x'}"));
    EXPECT_EQ(document.GetText("str"), "");
    EXPECT_EQ(document.engine->LastFailure(), ScriptFailure::kTimeLimit);
    EXPECT_EQ(document.GetText("ck"), "x");
}

TEST(HostileAnswers, RedefinitionsDoNotReachTheNextParse) {
    JsonDocument document = JsonDocument::Create(TestLimits());
    ASSERT_TRUE(document.Parse("(get__count=function(){return 99}, {\"a\":1})"));
    EXPECT_EQ(document.Count(), 99);
    ASSERT_TRUE(document.Parse(R"({"a":1,"b":2})"));
    EXPECT_EQ(document.Count(), 2);

    ASSERT_TRUE(document.Parse("(JSON={stringify:function(){return 'evil'}}, {\"a\":1})"));
    EXPECT_EQ(document.ToJson(), "evil");
    ASSERT_TRUE(document.Parse(R"({"a":1})"));
    EXPECT_EQ(document.ToJson(), R"({"a":1})");

    ASSERT_TRUE(document.Parse("(Object.prototype.str='evil', Object.prototype.extra=1, {})"));
    EXPECT_EQ(document.GetText("str"), "evil");
    ASSERT_TRUE(document.Parse("{}"));
    EXPECT_EQ(document.GetText("str"), "");
    EXPECT_EQ(document.Count(), 0);
}

TEST(HostileAnswers, TriesToReachOutsideFail) {
    const char* const answers[] = {
        "require('child_process').exec('touch /tmp/x')",
        "(print('leak'), {})",
        "(Duktape.fin({}, function(){for(;;){}}), {})",
        "new XMLHttpRequest()",
        "(this.constructor.constructor('return process')()).exit(1)",
    };
    for (const char* answer : answers) {
        SCOPED_TRACE(answer);
        JsonDocument document = JsonDocument::Create(TestLimits());
        EXPECT_FALSE(document.Parse(answer));
        EXPECT_EQ(document.engine->LastFailure(), ScriptFailure::kNone);  // the last read succeeded
        EXPECT_GE(document.engine->FailureCounts().scriptError, 1);
    }
}

}  // namespace
}  // namespace seo
