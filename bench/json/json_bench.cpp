// The cost of reading one service answer through a JSON document, against the engine's own
// JSON decode of the same text on a warm heap; how long each hostile answer holds its thread
// under the production limits; and the memory a live document holds.
//
//   build/bench/json/json_bench
//
// The per-cycle median is reported as the counter median_us. Heaps are reused between
// documents on a thread, so the first cycle costs what BM_DocumentReadsAnswerOnNewHeap does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "duktape.h"
#include "encoding/code_page.h"
#include "json/json_document.h"

namespace seo {
namespace {

// About 10 KB: the shape of a rewrite answer, Chinese text with backslash-n line breaks.
Text ServiceAnswer() {
    const Text line = "\xD5\xE2\xCA\xC7\xD2\xBB\xB6\xCE\xB1\xBB\xB8\xC4\xD0\xB4\xB5\xC4\xCE\xC4\xD5\xC2"
                      "\xA3\xAC\xD3\xC3\xC0\xB4\xB2\xE2\xCA\xD4 SEO content rewrite test.\\n";
    Text article;
    while (article.size() < 10000) article += line;
    return "{\"str\":\"" + article + "\",\"ck\":\"\xD4\xAD\xB4\xB4\xB6\xC8 87%\"}";
}

class CycleTimer {
public:
    void Start() { start_ = std::chrono::steady_clock::now(); }
    void Stop() {
        samples_.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start_).count());
    }
    void Report(benchmark::State& state) {
        if (samples_.empty()) return;
        std::nth_element(samples_.begin(), samples_.begin() + samples_.size() / 2, samples_.end());
        state.counters["median_us"] = samples_[samples_.size() / 2];
    }

private:
    std::chrono::steady_clock::time_point start_;
    std::vector<double> samples_;
};

void BM_DocumentReadsAnswer(benchmark::State& state) {
    const Text answer = ServiceAnswer();
    CycleTimer timer;
    for (auto _ : state) {
        timer.Start();
        JsonDocument document = JsonDocument::Create();
        document.Parse(answer);
        Text str = document.GetText("str");
        Text ck = document.GetText("ck");
        document.Destroy();
        timer.Stop();
        benchmark::DoNotOptimize(str);
        benchmark::DoNotOptimize(ck);
    }
    timer.Report(state);
}
BENCHMARK(BM_DocumentReadsAnswer)->MinTime(2.0);

// The same cycle when no heap can be reused (as on a batch thread that reads one answer): a
// statement that is not a plain read keeps each instance from going back to the pool.
void BM_DocumentReadsAnswerOnNewHeap(benchmark::State& state) {
    const Text answer = ServiceAnswer();
    CycleTimer timer;
    for (auto _ : state) {
        timer.Start();
        JsonDocument document = JsonDocument::Create();
        document.Parse(answer);
        Text str = document.GetText("str");
        Text ck = document.GetText("ck");
        document.engine->Eval("0;");
        document.Destroy();
        timer.Stop();
        benchmark::DoNotOptimize(str);
        benchmark::DoNotOptimize(ck);
    }
    timer.Report(state);
}
BENCHMARK(BM_DocumentReadsAnswerOnNewHeap)->MinTime(2.0);

// The floor: the engine's own JSON decode of the same (UTF-8) text on a heap that exists.
void BM_BaselineEngineJsonDecode(benchmark::State& state) {
    const Text utf8 = AnsiToUtf8(ServiceAnswer());
    duk_context* context = duk_create_heap_default();
    CycleTimer timer;
    for (auto _ : state) {
        timer.Start();
        duk_push_lstring(context, utf8.data(), utf8.size());
        duk_json_decode(context, -1);
        duk_pop(context);
        timer.Stop();
    }
    timer.Report(state);
    duk_destroy_heap(context);
}
BENCHMARK(BM_BaselineEngineJsonDecode)->MinTime(2.0);

void BM_LiveDocumentMemory(benchmark::State& state) {
    const Text answer = ServiceAnswer();
    std::size_t bytes = 0;
    for (auto _ : state) {
        JsonDocument document = JsonDocument::Create();
        document.Parse(answer);
        bytes = document.engine->MemoryInUse();
    }
    state.counters["heap_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_LiveDocumentMemory)->Iterations(10);

Text Nested(int depth, const char* open, const char* close) {
    Text text;
    for (int i = 0; i < depth; ++i) text += open;
    for (int i = 0; i < depth; ++i) text += close;
    return text;
}

// How long each hostile answer holds Parse under the production limits.
void BM_HostileAnswerStopped(benchmark::State& state, Text answer) {
    bool parsed = false;
    for (auto _ : state) {
        JsonDocument document = JsonDocument::Create();
        parsed = document.Parse(answer);
        const ScriptFailureCounts& counts = document.engine->FailureCounts();
        state.counters["time_limit"] = counts.timeLimit;
        state.counters["memory_limit"] = counts.memoryLimit;
        state.counters["stack_limit"] = counts.stackLimit;
        state.counters["script_error"] = counts.scriptError;
    }
    state.counters["parsed"] = parsed;
}
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, endless_loop, Text("(function(){while(1){}})()"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, endless_recursion, Text("(function f(){return f()})()"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, recursion_that_catches, Text("(function f(){try{f()}catch(e){f()}})()"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, unbounded_allocation,
                  Text("(function(){var a=[];for(;;){a.push(new Array(65536).join('x'))}})()"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, repeat_1e9, Text("'x'.repeat(1e9)"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, regexp_backtracking, Text("/(a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa')"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, sparse_join_3e7, Text("Array(3e7).join()"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, sparse_join_4e9, Text("Array(4e9).join()"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, nested_brackets_1e5, Nested(100000, "[", "]"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileAnswerStopped, nested_parentheses_1e5, Nested(100000, "(", ")"))
    ->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace seo

BENCHMARK_MAIN();
