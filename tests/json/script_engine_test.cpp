// The engine layer: the result kinds and their conversions, the global scope, code page 936
// text in and out, and the instance's limits.
#include "json/script_engine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace seo {
namespace {

std::shared_ptr<ScriptEngine> NewEngine(const ScriptLimits& limits = ScriptLimits()) {
    auto engine = ScriptEngine::Create(limits);
    EXPECT_TRUE(engine);
    return engine;
}

struct TextCase {
    const char* source;
    const char* expected;
    ScriptFailure failure;
};
constexpr TextCase kTextCases[] = {
    {"'abc'", "abc", ScriptFailure::kNone},
    {"undefined", "", ScriptFailure::kNone},
    {"null", "", ScriptFailure::kNone},
    {"42", "42", ScriptFailure::kNone},
    {"0.5", "0.5", ScriptFailure::kNone},
    {"1e21", "1e+21", ScriptFailure::kNone},
    {"0/0", "NaN", ScriptFailure::kNone},
    {"true", "true", ScriptFailure::kNone},
    {"({})", "[object Object]", ScriptFailure::kNone},
    {"[1,'a']", "1,a", ScriptFailure::kNone},
    {"'a\\u0000b'", "a", ScriptFailure::kNone},  // texts end at their first NUL
    {"x y", "", ScriptFailure::kScriptError},
    {"nosuchname", "", ScriptFailure::kScriptError},
    {"({toString:function(){throw 1}})", "", ScriptFailure::kScriptError},
};

TEST(ScriptEngineResults, TextKind) {
    auto engine = NewEngine();
    for (const auto& c : kTextCases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(engine->EvalText(c.source), c.expected);
        EXPECT_EQ(engine->LastFailure(), c.failure);
    }
}

struct NumberCase {
    const char* source;
    double expected;
    ScriptFailure failure;
};
constexpr NumberCase kNumberCases[] = {
    {"42", 42, ScriptFailure::kNone},
    {"-0.25", -0.25, ScriptFailure::kNone},
    {"undefined", 0, ScriptFailure::kNone},
    {"null", 0, ScriptFailure::kRefused},
    {"true", -1, ScriptFailure::kNone},
    {"false", 0, ScriptFailure::kNone},
    {"'12.5'", 12.5, ScriptFailure::kNone},
    {"' 7 '", 7, ScriptFailure::kNone},
    {"'1e3'", 1000, ScriptFailure::kNone},
    {"'abc'", 0, ScriptFailure::kRefused},
    {"''", 0, ScriptFailure::kRefused},
    {"'0x10'", 0, ScriptFailure::kRefused},
    {"'Infinity'", 0, ScriptFailure::kRefused},
    {"[5]", 5, ScriptFailure::kNone},
    {"({})", 0, ScriptFailure::kRefused},
    {"({valueOf:function(){return 3}})", 3, ScriptFailure::kNone},
    {"throw 1", 0, ScriptFailure::kScriptError},
};

TEST(ScriptEngineResults, NumberKind) {
    auto engine = NewEngine();
    for (const auto& c : kNumberCases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(engine->EvalNumber(c.source), c.expected);
        EXPECT_EQ(engine->LastFailure(), c.failure);
    }
    EXPECT_TRUE(std::isnan(engine->EvalNumber("0/0")));  // a number gives its value
}

struct BoolCase {
    const char* source;
    bool expected;
    ScriptFailure failure;
};
constexpr BoolCase kBoolCases[] = {
    {"1==1", true, ScriptFailure::kNone},
    {"false", false, ScriptFailure::kNone},
    {"undefined", false, ScriptFailure::kNone},
    {"null", false, ScriptFailure::kRefused},
    {"2", true, ScriptFailure::kNone},
    {"0", false, ScriptFailure::kNone},
    {"0/0", true, ScriptFailure::kNone},
    {"'True'", true, ScriptFailure::kNone},
    {"' false '", false, ScriptFailure::kNone},
    {"'1'", true, ScriptFailure::kNone},
    {"'yes'", false, ScriptFailure::kRefused},
    {"({})", false, ScriptFailure::kRefused},
    {"syntax error here", false, ScriptFailure::kScriptError},
};

TEST(ScriptEngineResults, BoolKind) {
    auto engine = NewEngine();
    for (const auto& c : kBoolCases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(engine->EvalBool(c.source), c.expected);
        EXPECT_EQ(engine->LastFailure(), c.failure);
    }
}

TEST(ScriptEngineScope, DeclarationsStayForLaterCalls) {
    auto engine = NewEngine();
    EXPECT_TRUE(engine->SetLanguage("JavaScript"));
    EXPECT_FALSE(engine->SetLanguage("VBScript"));
    engine->AddCode("var a=1; function twice(x){return 2*x}");
    EXPECT_EQ(engine->EvalText("var b=2"), "");  // a declaration's completion value is undefined
    EXPECT_EQ(engine->EvalNumber("twice(a+b)"), 6);
}

TEST(ScriptEngineScope, StatementsBeforeAnErrorStay) {
    auto engine = NewEngine();
    engine->AddCode("var kept=1; throw 0; var lost=2");
    EXPECT_EQ(engine->EvalText("typeof kept + typeof lost"), "numberundefined");
    EXPECT_EQ(engine->FailureCounts().scriptError, 1);
}

TEST(ScriptEngineScope, CompletionValueOfStatements) {
    auto engine = NewEngine();
    EXPECT_EQ(engine->EvalText("var s=''; for (var k in {a:1,b:2}) {s=s+k+','; }"), "a,b,");
    EXPECT_EQ(engine->EvalText("var s=''; for (var k in {}) {s=s+k+','; }"), "");
}

TEST(ScriptEngineText, CodePage936RoundTrip) {
    auto engine = NewEngine();
    const Text chinese = "\xD6\xD0\xCE\xC4\xC4\xDA\xC8\xDD";  // 中文内容
    EXPECT_EQ(engine->EvalText("'" + chinese + "'"), chinese);
    EXPECT_EQ(engine->EvalNumber("'" + chinese + "'.length"), 4);
    EXPECT_EQ(engine->EvalText("'\\u4e2d'"), "\xD6\xD0");  // 中
}

TEST(ScriptEngineText, CharactersCodePage936CannotHoldComeBackAsQuestionMarks) {
    auto engine = NewEngine();
    EXPECT_EQ(engine->EvalText("'a\\ud83d\\ude00b'"), "a?b");  // beyond the BMP: one "?"
    EXPECT_EQ(engine->EvalText("'a\\ud83db'"), "a?b");          // a lone surrogate
    EXPECT_EQ(engine->EvalText("'\\u0e01'"), "?");              // Thai, not in code page 936
}

TEST(ScriptEngineContainment, NoWayOutOfTheEngine) {
    auto engine = NewEngine();
    // Every global binding the instance has: the standard built-ins and nothing that reaches
    // files, the network, processes, timers, output, modules or the engine's own hooks.
    const Text globals = engine->EvalText("Object.getOwnPropertyNames(this).sort().join(' ')");
    const char* const forbidden[] = {"Duktape", "require", "print", "alert", "console", "process",
                                     "setTimeout", "setInterval", "XMLHttpRequest", "fetch",
                                     "load", "readFile", "system", "module", "exports"};
    for (const char* name : forbidden) {
        SCOPED_TRACE(name);
        EXPECT_EQ(engine->EvalText("typeof " + Text(name)), "undefined");
        EXPECT_EQ((" " + globals + " ").find(" " + Text(name) + " "), Text::npos);
    }
    const char* const attempts[] = {
        "require('fs').readFileSync('/etc/passwd')",
        "print('out')",
        "Duktape.fin({}, function(){})",
        "new XMLHttpRequest()",
        "setTimeout(function(){}, 1)",
    };
    for (const char* attempt : attempts) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(engine->EvalText(attempt), "");
        EXPECT_EQ(engine->LastFailure(), ScriptFailure::kScriptError);
    }
}

TEST(ScriptEngineLimits, ProductionDefaultsAreSane) {
    const ScriptLimits limits;
    EXPECT_GE(limits.timePerCall, std::chrono::seconds(1));
    EXPECT_LE(limits.timePerCall, std::chrono::seconds(10));
    EXPECT_GE(limits.memoryBytes, std::size_t{128} << 20);  // a 20 MB answer needs about 100 MB
    EXPECT_LE(limits.memoryBytes, std::size_t{1} << 30);
    EXPECT_GE(kScriptThreadStackBytes, std::size_t{2} << 20);
}

TEST(ScriptEngineLimits, DeadlineIsClearedAfterACallThatHitIt) {
    ScriptLimits limits;
    limits.timePerCall = std::chrono::milliseconds(50);
    auto engine = NewEngine(limits);
    engine->EvalText("for(;;){}");
    EXPECT_EQ(engine->LastFailure(), ScriptFailure::kTimeLimit);
    EXPECT_EQ(engine->FailureCounts().timeLimit, 1);
    // The next call runs under a deadline of its own and is not failed at once.
    EXPECT_EQ(engine->EvalNumber("1+1"), 2);
    EXPECT_EQ(engine->LastFailure(), ScriptFailure::kNone);
}

TEST(ScriptEngineLimits, CatchingTheTimeoutDoesNotEscapeIt) {
    ScriptLimits limits;
    limits.timePerCall = std::chrono::milliseconds(50);
    auto engine = NewEngine(limits);
    engine->EvalText("for(;;){try{for(;;){}}catch(e){}}");
    EXPECT_EQ(engine->LastFailure(), ScriptFailure::kTimeLimit);
}

TEST(ScriptEngineLimits, MemoryCapIsSetAfterTheHeapExists) {
    ScriptLimits limits;
    limits.memoryBytes = 4096;  // far below what a fresh heap holds
    auto engine = NewEngine(limits);
    engine->EvalNumber("1");  // the instance starts with its first call
    EXPECT_GT(engine->MemoryInUse(), limits.memoryBytes);
    EXPECT_EQ(engine->EvalText("new Array(100000).join('x')"), "");
    EXPECT_EQ(engine->LastFailure(), ScriptFailure::kMemoryLimit);
}

TEST(ScriptEngineLimits, AHostileErrorMessageIsReadUnderALimit) {
    ScriptLimits limits;
    limits.timePerCall = std::chrono::milliseconds(50);
    auto engine = NewEngine(limits);
    engine->EvalText("throw {toString:function(){for(;;){}}}");
    EXPECT_EQ(engine->LastFailure(), ScriptFailure::kScriptError);
    EXPECT_EQ(engine->EvalNumber("2+2"), 4);
}

}  // namespace
}  // namespace seo
