// Reused engine heaps: an instance that holds only its start and plain data goes back to its
// thread's pool and reads exactly as a fresh one; anything else is never reused.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "json/json_document.h"
#include "test_threads.h"
#include "text/text_ops.h"

namespace seo {
namespace {

// Each body runs on a thread of its own, whose pool starts empty.
void OnFreshThread(const std::function<void()>& body) { testing::RunWithStack(kScriptThreadStackBytes, body); }

const Text kAnswer = "{\"str\":\"\xD6\xD0 a\\\\nb\",\"ck\":\"87%\",\"n\":42,\"l\":[1,2,{\"x\":null}]}";

// What a script can see of its instance: globals the prelude's functions create, the
// prototypes, JSON, the held value, the engine object that was removed.
const char* const kProbes[] = {
    "typeof v",
    "typeof ary",
    "typeof key",
    "typeof Duktape",
    "typeof leaked",
    "Object.getOwnPropertyNames(this).sort().join()",
    "Object.getOwnPropertyNames(Object.prototype).sort().join()",
    "Object.getOwnPropertyNames(Array.prototype).sort().join()",
    "Object.getOwnPropertyNames(JSON).sort().join()",
    "String(JSON.stringify)",
    "String(get__count)",
    "JSON.stringify(da)",
    "get__count(da)",
};

std::vector<Text> Probe(JsonDocument& document) {
    std::vector<Text> seen;
    for (const char* probe : kProbes) seen.push_back(document.engine->EvalText(probe));
    return seen;
}

// The reads the flows make, and more plain reads, some of which fail.
void PlainReads(JsonDocument& document) {
    EXPECT_EQ(document.GetText("str"), "\xD6\xD0 a\\nb");
    EXPECT_EQ(document.GetText("ck"), "87%");
    EXPECT_EQ(document.GetText("n"), "42");
    EXPECT_EQ(document.GetText("l[2]", true), "{\"x\":null}");
    EXPECT_EQ(document.GetText("missing.deeper"), "");  // a script error, and nothing more
    EXPECT_FALSE(document.HasMember("l[2].x"));
    EXPECT_EQ(document.TypeOf("l"), JsonType::kArray);
    EXPECT_EQ(document.GetElementText(1, "l"), "2");
    EXPECT_EQ(document.ToJson().substr(0, 7), "{\"str\":");
}

TEST(EnginePool, AReusedInstanceReadsAsAFreshOne) {
    testing::Watchdog watchdog(60);
    std::vector<Text> fresh;
    OnFreshThread([&] {
        JsonDocument document = JsonDocument::Create();
        ASSERT_TRUE(document.Parse(kAnswer));
        fresh = Probe(document);
        document.Destroy();
    });
    OnFreshThread([&] {
        JsonDocument first = JsonDocument::Create();
        ASSERT_TRUE(first.Parse(kAnswer));
        PlainReads(first);
        EXPECT_TRUE(first.engine->Reusable());
        first.Destroy();
        ASSERT_EQ(ScriptEngine::PooledOnThisThread(), 1u);

        JsonDocument second = JsonDocument::Create();
        ASSERT_TRUE(second.Parse(kAnswer));
        EXPECT_EQ(ScriptEngine::PooledOnThisThread(), 0u);  // it took the pooled heap
        EXPECT_EQ(Probe(second), fresh);
        second.Destroy();
    });
}

TEST(EnginePool, HeapsOfAnEndedThreadServeLaterThreads) {
    testing::Watchdog watchdog(60);
    std::vector<Text> fresh;
    OnFreshThread([&] {
        JsonDocument document = JsonDocument::Create();
        ASSERT_TRUE(document.Parse(kAnswer));
        fresh = Probe(document);
        document.Destroy();
    });
    OnFreshThread([&] {
        JsonDocument document = JsonDocument::Create();
        ASSERT_TRUE(document.Parse(kAnswer));
        PlainReads(document);
        document.Destroy();
        ASSERT_EQ(ScriptEngine::PooledOnThisThread(), 1u);
    });  // as the thread ends its idle heap is shared
    const std::size_t shared = ScriptEngine::SharedIdleHeaps();
    ASSERT_GE(shared, 1u);
    OnFreshThread([&] {
        JsonDocument document = JsonDocument::Create();
        ASSERT_TRUE(document.Parse(kAnswer));
        EXPECT_EQ(ScriptEngine::SharedIdleHeaps(), shared - 1);  // it took a heap an ended thread left
        EXPECT_EQ(Probe(document), fresh);
        document.Destroy();
    });
}

TEST(EnginePool, FailureCountsAndLimitsBelongToTheNewInstance) {
    testing::Watchdog watchdog(60);
    OnFreshThread([] {
        JsonDocument first = JsonDocument::Create();
        first.Parse(kAnswer);
        first.GetText("missing.deeper");
        ASSERT_GE(first.engine->FailureCounts().scriptError, 1);
        first.Destroy();
        ASSERT_EQ(ScriptEngine::PooledOnThisThread(), 1u);

        ScriptLimits limits;
        limits.timePerCall = std::chrono::milliseconds(50);
        limits.memoryBytes = std::size_t{4} << 20;
        JsonDocument second = JsonDocument::Create(limits);
        // An answer far above the new memory cap is refused by it.
        EXPECT_FALSE(second.Parse("[\"" + Text(8 << 20, 'x') + "\"]"));
        EXPECT_EQ(ScriptEngine::PooledOnThisThread(), 0u);
        EXPECT_EQ(second.engine->FailureCounts().scriptError, 0);
        EXPECT_EQ(second.engine->FailureCounts().memoryLimit, 1);
        second.Destroy();

        JsonDocument third = JsonDocument::Create(limits);
        EXPECT_TRUE(third.Parse(kAnswer));
        EXPECT_EQ(third.engine->LastFailure(), ScriptFailure::kNone);
        EXPECT_EQ(third.engine->EvalText("for(;;){}"), "");
        EXPECT_EQ(third.engine->LastFailure(), ScriptFailure::kTimeLimit);
        third.Destroy();
    });
}

struct UseCase {
    const char* name;
    std::function<void(JsonDocument&)> use;
    bool reusable;
};

const std::vector<UseCase> kUses = {
    {"plain answer and plain reads", [](JsonDocument& d) { d.Parse(kAnswer), PlainReads(d); }, true},
    {"answer that is not JSON", [](JsonDocument& d) { d.Parse("<html>"); }, false},
    {"answer that is script", [](JsonDocument& d) { d.Parse("{str:'a'}"); }, false},
    {"answer that changes the prototypes",
     [](JsonDocument& d) { d.Parse("(function(){Object.prototype.leaked=1;JSON={};return {}})()"); }, false},
    {"answer stopped by the time limit", [](JsonDocument& d) { d.Parse("(function(){for(;;){}})()"); }, false},
    {"plain JSON stopped by the memory cap", [](JsonDocument& d) { d.Parse("[\"" + Text(8 << 20, 'x') + "\"]"); },
     false},
    {"read by a path that is script", [](JsonDocument& d) { d.Parse(kAnswer), d.GetText("str;leaked=1"); }, false},
    {"read by a path with a call", [](JsonDocument& d) { d.Parse(kAnswer), d.GetText("str.trim()"); }, false},
    {"count, whose loop sets a global", [](JsonDocument& d) { d.Parse(kAnswer), d.Count("l"); }, false},
    {"keys, which set globals", [](JsonDocument& d) {
         TextArray keys;
         d.Parse(kAnswer), d.GetKeys(keys);
     }, false},
    {"a change to the value", [](JsonDocument& d) { d.Parse(kAnswer), d.SetMember("ck", "x"); }, false},
    {"a negative index", [](JsonDocument& d) { d.Parse(kAnswer), d.GetElementText(-1, "l"); }, false},
    {"an octal-looking index", [](JsonDocument& d) { d.Parse(kAnswer), d.GetText("l[01]"); }, false},
};

TEST(EnginePool, OnlyAnInstanceThatHeldPlainDataIsReused) {
    testing::Watchdog watchdog(60);
    ScriptLimits limits;
    limits.timePerCall = std::chrono::milliseconds(100);
    limits.memoryBytes = std::size_t{4} << 20;
    for (const UseCase& c : kUses) {
        SCOPED_TRACE(c.name);
        OnFreshThread([&] {
            JsonDocument document = JsonDocument::Create(limits);
            c.use(document);
            EXPECT_EQ(document.engine->Reusable(), c.reusable);
            document.Destroy();
            EXPECT_EQ(ScriptEngine::PooledOnThisThread(), c.reusable ? 1u : 0u);
            // Whatever the answer did, the next document starts as new.
            JsonDocument next = JsonDocument::Create();
            EXPECT_TRUE(next.Parse(kAnswer));
            EXPECT_EQ(next.engine->EvalText("typeof leaked + typeof JSON.parse"), "undefinedfunction");
            EXPECT_EQ(next.Count("l"), 3);
            next.Destroy();
        });
    }
}

TEST(EnginePool, CopiesKeepTheInstanceUntilTheLastEnds) {
    OnFreshThread([] {
        JsonDocument document = JsonDocument::Create();
        document.Parse(kAnswer);
        JsonDocument copy = document.Copy();
        document.Destroy();
        EXPECT_EQ(ScriptEngine::PooledOnThisThread(), 0u);
        EXPECT_EQ(copy.GetText("ck"), "87%");
        copy.Destroy();
        EXPECT_EQ(ScriptEngine::PooledOnThisThread(), 1u);
    });
}

}  // namespace
}  // namespace seo
