// The prelude: its form, what it leaves alone on an engine with its own JSON, and its JSON
// implementation for engines without one, checked against the engine's own.
#include <gtest/gtest.h>

#include "json/json_prelude.h"
#include "json/script_engine.h"

namespace seo {
namespace {

TEST(JsonPreludeForm, OneLineOfPrintableAsciiInFourPieces) {
    for (const char c : JsonPrelude) {
        ASSERT_TRUE(c >= 0x20 && c <= 0x7E) << static_cast<int>(c);
    }
    EXPECT_EQ(JsonPrelude.rfind("function get__count(c){var i=-2;for(v in c)i++;return i}"
                                "if(typeof JSON!=='object'){JSON={}}"
                                "(function(){'use strict';",
                                0),
              0u);
    const Text ending =
        "if(!Object.prototype.toJSONString){Object.prototype.toJSONString=function(filter){return "
        "JSON.stringify(this,filter)};Object.prototype.parseJSON=function(filter){return "
        "JSON.parse(this,filter)}}}());";
    ASSERT_GE(JsonPrelude.size(), ending.size());
    EXPECT_EQ(JsonPrelude.substr(JsonPrelude.size() - ending.size()), ending);
}

TEST(JsonPreludeOnNativeJson, DefinesOnlyTheCounterAndTheHelpers) {
    auto engine = ScriptEngine::Create();
    ASSERT_TRUE(engine);
    engine->AddCode("var stringify=JSON.stringify, parse=JSON.parse, dateToJson=Date.prototype.toJSON;");
    engine->AddCode(JsonPrelude);
    EXPECT_EQ(engine->LastFailure(), ScriptFailure::kNone) << engine->LastErrorMessage();
    EXPECT_TRUE(engine->EvalBool("JSON.stringify===stringify && JSON.parse===parse"));
    EXPECT_TRUE(engine->EvalBool("Date.prototype.toJSON===dateToJson"));
    EXPECT_EQ(engine->EvalText("typeof String.prototype.toJSON"), "undefined");
    EXPECT_EQ(engine->EvalNumber("get__count({a:1,b:2,c:3})"), 3);
    EXPECT_EQ(engine->EvalText("({a:[1]}).toJSONString()"), R"({"a":[1]})");
    EXPECT_EQ(engine->EvalText("'[1,2]'.parseJSON().length"), "2");
}

// An engine whose JSON was removed before the prelude ran, with the engine's own kept aside.
std::shared_ptr<ScriptEngine> EngineWithPreludeJson(bool removeDateToJson) {
    auto engine = ScriptEngine::Create();
    engine->AddCode("var native=JSON; delete this.JSON;");
    if (removeDateToJson) engine->AddCode("delete Date.prototype.toJSON;");
    engine->AddCode(JsonPrelude);
    EXPECT_EQ(engine->LastFailure(), ScriptFailure::kNone) << engine->LastErrorMessage();
    EXPECT_TRUE(engine->EvalBool("JSON!==native && typeof JSON.stringify==='function'"));
    return engine;
}

const char* const kValues[] = {
    "null", "true", "false", "0", "-1.5", "1e21", "NaN", "-Infinity", "'abc'",
    "'q\"b\\\\s/\\n\\t\\r\\b\\f'", "'\\u0001\\u001f'", "'\\u4e2d\\u6587'", "[]", "{}",
    "[1,'a',null,undefined,function(){}]", "{a:1,b:[2,{c:3}],u:undefined,f:function(){}}",
    "{'':0,'x y':[[],[{}]]}", "new Date(0)", "new String('s')", "new Number(3)", "new Boolean(false)",
    "Object.create({inherited:1},{own:{value:2,enumerable:true},hidden:{value:3}})",
    "{toJSON:function(key){return 'custom '+key}}", "{a:{toJSON:function(key){return key}}}",
    "undefined", "function(){}",
};
const char* const kStringifyArguments[] = {
    "", ",null,2", ",null,20", ",null,'\\t'", ",null,'--------------x'",
    ",function(k,x){return typeof x==='number'?x*2:x}",
    ",function(k,x){return k==='a'?undefined:x}", ",['a','b',0]",
};

TEST(JsonPreludeImplementation, StringifyAgreesWithTheEngine) {
    auto engine = EngineWithPreludeJson(false);
    for (const char* value : kValues) {
        for (const char* arguments : kStringifyArguments) {
            const Text call = Text("(") + value + ")" + arguments + ")";
            SCOPED_TRACE(call);
            const Text ours = engine->EvalText("String(JSON.stringify(" + call + ")");
            EXPECT_EQ(engine->LastFailure(), ScriptFailure::kNone) << engine->LastErrorMessage();
            EXPECT_EQ(ours, engine->EvalText("String(native.stringify(" + call + ")"));
        }
    }
}

TEST(JsonPreludeImplementation, EscapesInvisibleAndSeparatorCharacters) {
    auto engine = EngineWithPreludeJson(false);
    EXPECT_EQ(engine->EvalText("JSON.stringify('\\u007f\\u00ad\\u200c\\u2028\\ufeff\\u200b')"),
              R"("\u007f\u00ad\u200c\u2028\ufeff?")");  // U+200B is not in the list: it stays a character
    EXPECT_EQ(engine->EvalText("JSON.stringify({'\\u0000':'\\u001b'})"), R"({"\u0000":"\u001b"})");
}

TEST(JsonPreludeImplementation, BadReplacerAndCyclesThrow) {
    auto engine = EngineWithPreludeJson(false);
    const char* const badReplacers[] = {"5", "{}", "'abc'", "true"};
    for (const char* replacer : badReplacers) {
        SCOPED_TRACE(replacer);
        EXPECT_EQ(engine->EvalText(Text("try{JSON.stringify({a:1},") + replacer +
                                   ")}catch(e){(e instanceof Error)+' '+e.message}"),
                  "true JSON.stringify");
    }
    EXPECT_EQ(engine->EvalText("var o={};o.self=o;try{JSON.stringify(o)}catch(e){e.name}"), "TypeError");
}

const char* const kParseTexts[] = {
    R"('{"a":[1,2,{"b":null}],"c":"\\u4e2d\\n\\/","d":-0.5e-3}')",
    "'[]'", "' 1 '", R"('"s"')", "'true'", "'null'", R"('[[[{"x":[{}]}]]]')",
};
const char* const kRevivers[] = {
    "", ",function(k,v){return typeof v==='number'?v+1:v}", ",function(k,v){return k==='a'?undefined:v}",
};

TEST(JsonPreludeImplementation, ParseAgreesWithTheEngine) {
    auto engine = EngineWithPreludeJson(false);
    for (const char* text : kParseTexts) {
        for (const char* reviver : kRevivers) {
            const Text call = Text(text) + reviver + ")";
            SCOPED_TRACE(call);
            const Text ours = engine->EvalText("native.stringify(JSON.parse(" + call + ")");
            EXPECT_EQ(engine->LastFailure(), ScriptFailure::kNone) << engine->LastErrorMessage();
            EXPECT_EQ(ours, engine->EvalText("native.stringify(native.parse(" + call + ")"));
        }
    }
}

TEST(JsonPreludeImplementation, TextThatFailsValidationIsASyntaxError) {
    auto engine = EngineWithPreludeJson(false);
    const char* const texts[] = {"'{a:1}'", R"("{'a':1}")", "'alert(1)'", "'new Date()'", "'[1]+[2]'"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(engine->EvalText(Text("try{JSON.parse(") + text + ");'parsed'}catch(e){e.name+' '+e.message}"),
                  "SyntaxError JSON.parse");
    }
}

TEST(JsonPreludeImplementation, DefinesDateToJsonWhereMissing) {
    auto engine = EngineWithPreludeJson(true);
    EXPECT_EQ(engine->EvalText("JSON.stringify([new Date(Date.UTC(2020,0,2,3,4,5,678))])"),
              R"(["2020-01-02T03:04:05Z"])");
    EXPECT_EQ(engine->EvalText("JSON.stringify({d:new Date(NaN)})"), R"({"d":null})");
    EXPECT_EQ(engine->EvalText("typeof String.prototype.toJSON + typeof Number.prototype.toJSON + "
                               "typeof Boolean.prototype.toJSON"),
              "functionfunctionfunction");
    EXPECT_EQ(engine->EvalText("(5).toJSON()+'x'.toJSON()+true.toJSON()"), "5xtrue");
}

}  // namespace
}  // namespace seo
