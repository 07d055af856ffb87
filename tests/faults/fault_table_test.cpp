// Faulty services against the real flows: each case runs a two-pass generation run and a
// three-file batch against one broken service, and checks which path ended the exchanges,
// what the boxes and files hold afterwards, and that the process's memory came back.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "encoding/code_page.h"
#include "fault_support.h"
#include "generation/process_limits.h"
#include "generation/service_exchange.h"
#include "generation/service_protocol.h"
#include "support/capture_server.h"
#include "support/service_process.h"
#include "test_threads.h"
#include "text/text_ops.h"

namespace seo {
namespace {

using faults::BatchOutcome;
using faults::GenerationOutcome;
using test::CaptureOptions;
using test::CaptureServer;
using test::HttpAnswer;

// How the exchanges of a case end.
enum class Ending {
    kAnswerEnded,    // the server finished its answer (or closed or reset the connection)
    kStallTimeout,   // the client gave up on a server that went quiet
    kRedirectLimit,  // the client stopped following a redirect loop
    kTimeLimit,      // the answer arrived; the engine stopped the script at its time limit
    kMemoryLimit,    // ... at its memory limit
    kTimeOrMemory,   // ... at whichever of the two a loaded machine reaches first
    kDepthLimit,     // ... at a recursion limit
};

// What the boxes and files hold afterwards.
struct Expected {
    bool rewritten = false;  // the stand-in's rewrite: non-empty, whatever its words
    Text result;             // otherwise exactly these (code page 936)
    Text report;
    Text file;
};

// A broken service: the capture server or the stand-in in a fault mode.
struct FaultyService {
    std::unique_ptr<CaptureServer> capture;
    std::unique_ptr<service_test::ServiceProcess> service;

    int Port() const { return capture ? capture->Port() : service->Port(); }
    Text Endpoint() const { return ServiceEndpointFor("127.0.0.1:" + std::to_string(Port())); }
};

struct FaultCase {
    const char* name;
    std::function<FaultyService()> start;
    Ending ending;
    Expected expected;
};

constexpr int kGenerationRequests = 2;  // two passes
constexpr int kBatchRequests = 3;       // three files

FaultyService Capture(std::string answer, CaptureOptions options = {}) {
    return {std::make_unique<CaptureServer>(std::move(answer), options), nullptr};
}

FaultyService Capture(CaptureServer::Responder responder, CaptureOptions options = {}) {
    return {std::make_unique<CaptureServer>(std::move(responder), options), nullptr};
}

FaultyService StandIn(std::vector<std::string> arguments) {
    return {nullptr, std::make_unique<service_test::ServiceProcess>(std::move(arguments))};
}

std::string Json(const std::string& body) {
    return HttpAnswer("200 OK", {"Content-Type: application/json"}, body);
}

std::string Nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

const std::string kPlainAnswer = R"({"str":"d","ck":"c"})";
const std::string kPlainHead = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 20\r\n\r\n";
const Expected kEmpty{};
const Expected kPlain{false, "d", "c", "d"};

std::vector<FaultCase> QuickCases() {
    return {
        {"script that never ends", [] { return StandIn({"--fault", "endless-script"}); },
         Ending::kTimeLimit, kEmpty},
        {"deep recursion", [] { return Capture(Json("(function f(n){return f(n+1)+1})(0)")); },
         Ending::kDepthLimit, kEmpty},
        {"unbounded allocation",
         [] { return Capture(Json("(function(){var a=[],s='x';for(;;){s=s+s;a.push(s)}})()")); },
         Ending::kTimeOrMemory, kEmpty},
        {"200 MB answer",
         [] { return StandIn({"--fault", "huge", "--huge-bytes", std::to_string(200u << 20)}); },
         Ending::kMemoryLimit, kEmpty},
        {"JSON nested 100,000 deep", [] { return Capture(Json(Nested(100000))); }, Ending::kDepthLimit, kEmpty},
        {"NUL inside the JSON", [] { return StandIn({"--fault", "nul-byte"}); }, Ending::kAnswerEnded, kEmpty},
        {"invalid UTF-8", [] { return Capture(Json("{\"str\":\"ab\xFF\xFE cd\",\"ck\":\"x\xC0\"}")); },
         Ending::kAnswerEnded, {false, "ab?? cd", "x?", "ab?? cd"}},
        {"redirect loop",
         [] {
             return Capture([](const std::string&, int) {
                 return HttpAnswer("302 Found", {"Location: /api.php"}, "");
             });
         },
         Ending::kRedirectLimit, kEmpty},
        {"reset in mid-body",
         [] {
             CaptureOptions options;
             options.cutAfter = kPlainHead.size() + 10;
             options.resetAtCut = true;
             return Capture(kPlainHead + kPlainAnswer, options);
         },
         Ending::kAnswerEnded, kEmpty},
        {"no Content-Length, ends by closing",
         [] {
             CaptureOptions options;
             options.closeAfterAnswer = true;
             return Capture("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + kPlainAnswer, options);
         },
         Ending::kAnswerEnded, kPlain},
        {"error status with a JSON body", [] { return StandIn({"--fault", "error-status"}); },
         Ending::kAnswerEnded, {true, "", "", ""}},
    };
}

// Each of these waits out the request routine's stall time-out, or a server that sends a byte
// a second, so they run side by side.
std::vector<FaultCase> SlowCases() {
    return {
        {"no answer after the connection is accepted",
         [] {
             CaptureOptions options;
             options.silent = true;
             return Capture(kPlainHead + kPlainAnswer, options);
         },
         Ending::kStallTimeout, kEmpty},
        {"headers and then silence",
         [] {
             CaptureOptions options;
             options.holdAfter = kPlainHead.size();
             return Capture(kPlainHead + kPlainAnswer, options);
         },
         Ending::kStallTimeout, kEmpty},
        {"an answer that drips a byte a second",
         [] {
             CaptureOptions options;
             options.piecesFrom = kPlainHead.size();
             options.pieceSize = 1;
             options.pieceDelayMs = 1000;
             return Capture(kPlainHead + kPlainAnswer, options);
         },
         Ending::kAnswerEnded, kPlain},
    };
}

// The engine's verdict on the answer the service gives, read the way the flows read it.
void ExpectEngineStopped(const Text& endpoint, Ending ending) {
    const Text payload = EncodePayload("x");
    JsonDocument document = JsonDocument::Create();
    ReadServiceResponse(RewriteExchange(endpoint, BuildRewriteBody(payload, SignPayload(payload))), document);
    ASSERT_TRUE(document.engine);
    const ScriptFailureCounts& counts = document.engine->FailureCounts();
    switch (ending) {
    case Ending::kTimeLimit:
        EXPECT_GE(counts.timeLimit, 1);
        break;
    case Ending::kMemoryLimit:
        EXPECT_GE(counts.memoryLimit, 1);
        break;
    case Ending::kTimeOrMemory:
        EXPECT_GE(counts.timeLimit + counts.memoryLimit, 1);
        break;
    case Ending::kDepthLimit: {
        // The engine's own recursion limits or the native-stack check.
        const bool engineLimit = document.engine->LastErrorMessage().find("limit") != Text::npos;
        EXPECT_TRUE(counts.stackLimit >= 1 || engineLimit) << document.engine->LastErrorMessage();
        break;
    }
    default:
        break;
    }
    EXPECT_EQ(document.GetText("str"), "");
    document.Destroy();
}

struct CaseRun {
    GenerationOutcome generation;
    BatchOutcome batch;
};

// The generation run on a thread of its own (it owns the window's thread in the program),
// the batch beside it.
CaseRun RunBothFlows(const Text& endpoint) {
    CaseRun run;
    std::thread generation([&] { run.generation = faults::RunGeneration(endpoint, "\xCE\xC4\xD5\xC2\r\nline", "2"); });
    run.batch = faults::RunBatch(endpoint, faults::ThreeFiles());
    generation.join();
    return run;
}

void CheckOutcome(const FaultCase& c, const FaultyService& service, const CaseRun& run) {
    SCOPED_TRACE(c.name);
    const GenerationOutcome& g = run.generation;
    EXPECT_EQ(g.caption, "\xC4\xDA\xC8\xDD\xD5\xFD\xD4\xDA\xB4\xA6\xC0\xED\xA3\xAC\xC7\xEB\xC9\xD4\xBA\xF3\xA3\xA1");  // 内容正在处理，请稍后！
    EXPECT_EQ(g.messages, 0u);
    EXPECT_EQ(run.batch.messages, 0u);
    EXPECT_TRUE(run.batch.strayEntries.empty());
    ASSERT_EQ(run.batch.written.size(), 3u) << "every file has its output, empty where nothing usable came";
    if (c.expected.rewritten) {
        EXPECT_FALSE(g.result.empty());
        EXPECT_FALSE(g.report.empty());
        // The empty file is rewritten to empty text, which leaves its output empty.
        for (const char* name : {"a.txt", "b.txt"}) EXPECT_FALSE(run.batch.written.at(name).empty()) << name;
    } else {
        EXPECT_EQ(g.result, c.expected.result) << AnsiToUtf8(g.result);
        EXPECT_EQ(g.report, c.expected.report) << AnsiToUtf8(g.report);
        for (const auto& [name, bytes] : run.batch.written) EXPECT_EQ(bytes, c.expected.file) << name;
    }

    if (!service.capture) return;
    const int requests = static_cast<int>(service.capture->Requests().size());
    switch (c.ending) {
    case Ending::kStallTimeout:
        EXPECT_EQ(requests, kGenerationRequests + kBatchRequests);
        // Every connection ended with the client giving up; none was closed by the server.
        EXPECT_EQ(service.capture->ClientHangUps(), service.capture->ConnectionCount());
        EXPECT_GE(service.capture->ClientHangUps(), 1);
        break;
    case Ending::kRedirectLimit:
        // The first request and 50 redirects followed, per exchange.
        EXPECT_EQ(requests, 51 * (kGenerationRequests + kBatchRequests));
        break;
    default:
        EXPECT_EQ(requests, kGenerationRequests + kBatchRequests);
        EXPECT_EQ(service.capture->ClientHangUps(), 0);
        break;
    }
}

void ExpectMemoryReturned(std::size_t before, const char* name) {
    if (faults::UnderSanitizer()) return;  // the sanitizer's quarantine holds freed memory
    const std::size_t after = faults::ResidentBytes();
    constexpr std::size_t kSlack = std::size_t{64} << 20;
    EXPECT_LE(after, before + kSlack) << name << ": " << (before >> 20) << " MiB before, " << (after >> 20)
                                      << " MiB after";
}

class FaultTable : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        PrepareProcess();  // as the program does at start-up
        // Warm-up: the first engine, handle pool and threads cost memory once.
        FaultyService service = Capture(Json(kPlainAnswer));
        RunBothFlows(service.Endpoint());
    }
};

TEST_F(FaultTable, EachQuickFaultEndsByItsOwnPath) {
    testing::Watchdog watchdog(600);
    for (const FaultCase& c : QuickCases()) {
        SCOPED_TRACE(c.name);
        const std::size_t before = faults::ResidentBytes();
        {
            const FaultyService service = c.start();
            ASSERT_NE(service.Port(), 0) << "the service did not start";
            const CaseRun run = RunBothFlows(service.Endpoint());
            CheckOutcome(c, service, run);
            if (c.ending >= Ending::kTimeLimit) {
                ExpectEngineStopped(service.Endpoint(), c.ending);
            }
        }
        ExpectMemoryReturned(before, c.name);
    }
}

TEST_F(FaultTable, EachSlowFaultEndsByItsOwnPath) {
    testing::Watchdog watchdog(600);
    const std::vector<FaultCase> cases = SlowCases();
    const std::size_t before = faults::ResidentBytes();
    {
        std::vector<FaultyService> services;
        std::vector<CaseRun> runs(cases.size());
        std::vector<std::thread> threads;
        for (const FaultCase& c : cases) services.push_back(c.start());
        for (std::size_t i = 0; i < cases.size(); ++i) {
            threads.emplace_back([&, i] { runs[i] = RunBothFlows(services[i].Endpoint()); });
        }
        for (auto& thread : threads) thread.join();
        for (std::size_t i = 0; i < cases.size(); ++i) CheckOutcome(cases[i], services[i], runs[i]);
    }
    ExpectMemoryReturned(before, "slow faults");
}

}  // namespace
}  // namespace seo
