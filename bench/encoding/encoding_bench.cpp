// Throughput of the payload encoders against the libraries they sit on, called directly
// on the same bytes in the same run. Prints the ratios after Google Benchmark's own table.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <openssl/evp.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "encoding/base64.h"
#include "encoding/code_page.h"
#include "encoding/digest.h"

namespace {

// Code page 936 text, about two thirds of its bytes Chinese, in short lines; every
// character is assigned, so the direct calls never stop early.
std::string MixedText(std::size_t size) {
    static const char* const kWords[] = {"the ", "service ", "rewrites ", "article ", "2024 ", "SEO, ", "\r\n"};
    std::string text;
    text.reserve(size);
    std::uint32_t state = 12345;
    auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 8; };
    for (;;) {
        std::string piece;
        for (int i = 0; i < 24; ++i) {  // level-one characters: leads B0..D6, trails A1..FE
            piece += static_cast<char>(0xB0 + next() % 39);
            piece += static_cast<char>(0xA1 + next() % 94);
        }
        piece += kWords[next() % 7];
        piece += kWords[next() % 7];
        if (text.size() + piece.size() > size) break;
        text += piece;
    }
    text.resize(size, ' ');
    return text;
}

const std::string& Ansi(std::size_t size) {
    static std::map<std::size_t, std::string> texts;
    auto it = texts.find(size);
    if (it == texts.end()) it = texts.emplace(size, MixedText(size)).first;
    return it->second;
}

const std::string& Utf8(std::size_t size) {
    static std::map<std::size_t, std::string> texts;
    auto it = texts.find(size);
    if (it == texts.end()) it = texts.emplace(size, seo::AnsiToUtf8(Ansi(size))).first;
    return it->second;
}

void Base64Encode(benchmark::State& state) {
    const std::string& text = Ansi(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(seo::Base64Encode(text.data(), text.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void EvpEncodeBlock(benchmark::State& state) {
    const std::string& text = Ansi(static_cast<std::size_t>(state.range(0)));
    std::vector<unsigned char> out(4 * ((text.size() + 2) / 3) + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                                 static_cast<int>(text.size())));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void Md5Hex(benchmark::State& state) {
    const std::string& text = Ansi(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(seo::Md5Hex(text.data(), text.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void EvpMd5(benchmark::State& state) {
    const std::string& text = Ansi(static_cast<std::size_t>(state.range(0)));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void AnsiToUtf8(benchmark::State& state) {
    const std::string& text = Ansi(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(seo::AnsiToUtf8(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void Utf8ToAnsi(benchmark::State& state) {
    const std::string& text = Utf8(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(seo::Utf8ToAnsi(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// iconv on one open descriptor into a buffer that already has the result's size.
void IconvDirect(benchmark::State& state, const std::string& input, std::size_t outputSize, const char* to,
                 const char* from) {
    iconv_t cd = iconv_open(to, from);
    std::vector<char> out(outputSize);
    for (auto _ : state) {
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char* outPos = out.data();
        std::size_t outLeft = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(iconv(cd, &in, &inLeft, &outPos, &outLeft));
        benchmark::ClobberMemory();
        if (inLeft != 0) state.SkipWithError("iconv stopped early");
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void IconvToUtf8(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    IconvDirect(state, Ansi(size), Utf8(size).size(), "UTF-8", "CP936");
}

void IconvToAnsi(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    IconvDirect(state, Utf8(size), size, "CP936", "UTF-8");
}

constexpr std::int64_t kSmall = 64 << 10;
constexpr std::int64_t kLarge = 1 << 20;

BENCHMARK(Base64Encode)->Arg(kSmall)->Arg(kLarge);
BENCHMARK(EvpEncodeBlock)->Arg(kSmall)->Arg(kLarge);
BENCHMARK(Md5Hex)->Arg(kSmall)->Arg(kLarge);
BENCHMARK(EvpMd5)->Arg(kSmall)->Arg(kLarge);
BENCHMARK(AnsiToUtf8)->Arg(kSmall)->Arg(kLarge);
BENCHMARK(IconvToUtf8)->Arg(kSmall)->Arg(kLarge);
BENCHMARK(Utf8ToAnsi)->Arg(kSmall)->Arg(kLarge);
BENCHMARK(IconvToAnsi)->Arg(kSmall)->Arg(kLarge);

// Keeps each run's throughput so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) throughput_[run.benchmark_name()] = it->second.value;
        }
    }

    void PrintRatios() const {
        struct Pair {
            const char* ours;
            const char* baseline;
            double target;
        };
        const Pair pairs[] = {{"Base64Encode", "EvpEncodeBlock", 0.7},
                              {"Md5Hex", "EvpMd5", 0.95},
                              {"AnsiToUtf8", "IconvToUtf8", 0.9},
                              {"Utf8ToAnsi", "IconvToAnsi", 0.9}};
        std::printf("\n%-14s %-16s %8s %10s %10s %7s %7s\n", "routine", "baseline", "size", "MB/s", "base MB/s",
                    "ratio", "target");
        for (const Pair& pair : pairs) {
            for (const std::int64_t size : {kSmall, kLarge}) {
                std::string suffix = std::to_string(size);
                suffix.insert(suffix.begin(), '/');
                const auto ours = throughput_.find(std::string(pair.ours).append(suffix));
                const auto base = throughput_.find(std::string(pair.baseline).append(suffix));
                if (ours == throughput_.end() || base == throughput_.end()) continue;
                std::printf("%-14s %-16s %8s %10.0f %10.0f %7.2f %7.2f\n", pair.ours, pair.baseline,
                            size == kSmall ? "64KiB" : "1MiB", ours->second / 1e6, base->second / 1e6,
                            ours->second / base->second, pair.target);
            }
        }
    }

private:
    std::map<std::string, double> throughput_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
