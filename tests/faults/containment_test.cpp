// Answers that reach for what lies outside the script engine: what the engine tests already
// cover (module loading, printing, the engine's own object, constructor tricks, prelude and
// JSON redefinitions) is not repeated; these add timers and promises, redefinitions of the
// document's variable and of the built-ins the reads use, writes to files, and answers that
// try to choose the name of a batch's output file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "fault_support.h"
#include "flow_test_support.h"
#include "generation/service_exchange.h"
#include "generation/service_protocol.h"
#include "json/json_document.h"
#include "support/capture_server.h"
#include "text/text_array.h"

namespace seo {
namespace {

ScriptLimits QuickLimits() {
    ScriptLimits limits;
    limits.timePerCall = std::chrono::milliseconds(500);
    return limits;
}

// Each answer tries to leave something behind for later reads or the next answer.
const char* const kLingeringAnswers[] = {
    // timers and jobs that would run after the answer
    "(setTimeout(function(){Object.prototype.str='late'},0), {\"str\":\"now\"})",
    "(setInterval(function(){Object.prototype.str='late'},1), {\"str\":\"now\"})",
    "(Promise.resolve().then(function(){Object.prototype.str='late'}), {\"str\":\"now\"})",
    // the document's variable, redefined from inside the answer
    "(eval('var da = {str:\"evil\"}'), {\"str\":\"now\"})",
    "(Object.defineProperty(this,'da',{get:function(){return {str:'evil'}},set:function(){},configurable:false}),"
    " {\"str\":\"now\"})",
    "(Object.freeze(this), {\"str\":\"now\"})",
    // built-ins the reads and the enumeration rely on
    "(String=function(){return 'evil'}, Object.keys=function(){return ['evil']},"
    " Array.prototype.push=function(){}, Function.prototype.toString=function(){return 'evil'},"
    " {\"str\":\"now\"})",
    "(eval=function(){return 'evil'}, Function=function(){return function(){return 'evil'}}, {\"str\":\"now\"})",
    "(this.__proto__={str:'evil'}, Object.prototype.toString=function(){return 'evil'}, {\"str\":\"now\"})",
};

TEST(Containment, NothingAnAnswerLeavesBehindReachesTheNextAnswer) {
    for (const char* answer : kLingeringAnswers) {
        SCOPED_TRACE(answer);
        JsonDocument document = JsonDocument::Create(QuickLimits());
        ReadServiceResponse(Bytes(answer, answer + std::strlen(answer)), document);
        const Text now = document.GetText("str");
        EXPECT_TRUE(now == "now" || now == "" || now == "evil") << now;
        EXPECT_NE(document.GetText("ck"), "late");

        const std::string clean = R"({"str":"ok","n":[1,2]})";
        ReadServiceResponse(Bytes(clean.begin(), clean.end()), document);
        EXPECT_EQ(document.GetText("str"), "ok");
        EXPECT_EQ(document.GetText("ck"), "");
        EXPECT_EQ(document.Count(), 2);
        TextArray keys;
        EXPECT_EQ(document.GetKeys(keys), 2);
        EXPECT_EQ(keys.Items(), (std::vector<Text>{"str", "n"}));
        EXPECT_EQ(document.ToJson(), R"({"str":"ok","n":[1,2]})");
        document.Destroy();
    }
}

TEST(Containment, AnswersCannotWriteFilesOrPrint) {
    testing::TemporaryFolder folder;
    const std::string marker = folder.File("marker");
    const std::vector<std::string> answers = {
        "require('fs').writeFileSync('" + marker + "', 'x')",
        "(new File('" + marker + "')).write('x')",
        "(this.constructor.constructor('return this')().process.mainModule.require('fs'))",
        "(console.log('leak'), alert('leak'), print('leak'), {})",
        "(Duktape.act(-1), {})",
        "(import('" + marker + "'), {})",
    };
    for (const std::string& answer : answers) {
        SCOPED_TRACE(answer);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        JsonDocument document = JsonDocument::Create(QuickLimits());
        EXPECT_FALSE(document.Parse(answer));
        EXPECT_EQ(document.GetText("str"), "");
        document.Destroy();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_FALSE(std::filesystem::exists(marker));
    }
}

// Output names come from the user's files only: whatever the answer holds is file content.
TEST(Containment, BatchOutputNamesComeOnlyFromTheUsersFiles) {
    const std::string answer = test::HttpAnswer(
        "200 OK", {"Content-Type: application/json"},
        R"({"str":"../escaped.txt","ck":"/tmp/evil","name":"../../evil.txt","filename":"x/../../y"})");
    test::CaptureServer server(answer);
    const faults::BatchOutcome outcome =
        faults::RunBatch(ServiceEndpointFor(server.Address()), faults::ThreeFiles());
    EXPECT_TRUE(outcome.strayEntries.empty());
    ASSERT_EQ(outcome.written.size(), 3u);
    for (const auto& [name, bytes] : outcome.written) EXPECT_EQ(bytes, "../escaped.txt") << name;
}

}  // namespace
}  // namespace seo
