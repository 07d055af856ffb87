// Whole-flow figures against the stand-in service on loopback, each beside its floor measured
// in the same run:
//   batch       N files of 4 KiB: click to last file written, against the same N uploads sent
//               at once by a libcurl multi loop of this program's own (medians of 5 rounds);
//   big batch   10,000 files: every one written with the service's answer;
//   generation  a 100-pass run of a 10 KB article, time per pass, against a bare libcurl loop
//               posting the same 100 bodies.
// Usage: flows_bench [--files N] [--big-files N] [--passes N]   (0 skips a part)
#include <curl/curl.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "encoding/code_page.h"
#include "generation/article_generation.h"
#include "generation/batch_processing.h"
#include "generation/process_limits.h"
#include "generation/service_exchange.h"
#include "generation/service_protocol.h"
#include "generation/thread_start.h"
#include "json/json_document.h"
#include "support/service_process.h"
#include "text/text_ops.h"

namespace seo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

// The window as the flows see it, without a display: boxes in a map, real threads that are
// counted so the benchmark knows when the last file is written.
class BenchWindow : public WindowServices {
public:
    void SetLabelCaption(std::string_view, const Text&) override {}
    Text GetEditText(std::string_view control) override { return texts_[std::string(control)]; }
    void SetEditText(std::string_view control, const Text& text) override { texts_[std::string(control)] = text; }
    void ShowMessage(const Text&) override {}
    std::vector<NativePath> ChooseFilesToOpen(const Text&) override { return files; }
    NativePath ChooseFolder(const Text&) override { return folder; }
    bool PumpingWait(std::optional<std::int32_t>, std::int32_t) override { return true; }
    void OpenAddress(const Text&) override {}
    bool StartThread(std::function<void()> routine) override {
        running_.fetch_add(1);
        const bool started = StartDetachedThread([this, routine = std::move(routine)] {
            routine();
            std::lock_guard lock(mutex_);
            if (running_.fetch_sub(1) == 1) idle_.notify_all();
        });
        if (!started) running_.fetch_sub(1);
        return started;
    }
    void WaitForWorkers() {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return running_.load() == 0; });
    }

    std::vector<NativePath> files;
    NativePath folder;

private:
    std::map<std::string, Text> texts_;
    std::atomic<int> running_{0};
    std::mutex mutex_;
    std::condition_variable idle_;
};

size_t Discard(char*, size_t size, size_t count, void* sink) {
    static_cast<std::string*>(sink)->append(size * count, '\0');
    return size * count;
}

// libcurl's own floor for one upload body, with the same header lines the program sends.
curl_slist* UploadHeaders(const Text& endpoint) {
    curl_slist* list = nullptr;
    list = curl_slist_append(list, "Content-Type:multipart/form-data; boundary=----WebKitFormBoundaryB7BfOcAAFtzC33eK");
    list = curl_slist_append(list, "Accept: */*");
    list = curl_slist_append(list, ("Referer: " + endpoint).c_str());
    list = curl_slist_append(list, "Accept-Language: zh-cn");
    list = curl_slist_append(list, "Expect:");
    return list;
}

double MultiUploadSeconds(const Text& endpoint, const std::vector<Bytes>& bodies) {
    CURLM* multi = curl_multi_init();
    curl_slist* headers = UploadHeaders(endpoint);
    std::vector<CURL*> handles;
    std::vector<std::string> sinks(bodies.size());
    const auto start = Clock::now();
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        CURL* easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_URL, endpoint.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, bodies[i].data());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodies[i].size()));
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sinks[i]);
        curl_multi_add_handle(multi, easy);
        handles.push_back(easy);
    }
    int running = 1;
    while (running) {
        curl_multi_perform(multi, &running);
        if (running) curl_multi_poll(multi, nullptr, 0, 100, nullptr);
    }
    const double seconds = SecondsSince(start);
    for (CURL* easy : handles) {
        curl_multi_remove_handle(multi, easy);
        curl_easy_cleanup(easy);
    }
    curl_slist_free_all(headers);
    curl_multi_cleanup(multi);
    return seconds;
}

Text SampleText(std::size_t bytes, int seed) {
    // Mixed code page 936 and ASCII, with line breaks, as an article would be.
    const Text pieces[] = {Utf8ToAnsi("我们的文章很重要，"), "SEO content ", Utf8ToAnsi("原创内容生成。"), "\r\n",
                           std::to_string(seed) + " "};
    Text text;
    for (std::size_t i = 0; text.size() < bytes; ++i) text += pieces[(i * 7 + seed) % 5];
    return text.substr(0, bytes);
}

struct BatchFigures {
    double ours = 0;
    double floor = 0;
    long peakKiB = 0;
    int wrong = 0;
};

BatchFigures RunBatch(const Text& endpoint, int count, bool measureFloor) {
    const auto root = std::filesystem::temp_directory_path() / ("flows-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "in");
    std::filesystem::create_directories(root / "out");
    BenchWindow window;
    std::vector<Bytes> bodies;
    for (int i = 0; i < count; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        const Text content = SampleText(4096, i);
        std::ofstream((root / "in" / name).string(), std::ios::binary) << content;
        window.files.push_back((root / "in" / name).string());
        bodies.push_back(BuildUploadBody(name, TextToBytes(content)));
    }
    window.folder = (root / "out").string();
    ProcessState state;
    OnImportFilesClicked(window, state);
    OnChooseSaveDirClicked(window, state);

    BatchFigures figures;
    // The service starts its workers as connections need them: warm it once for both sides.
    // Then the two sides take turns, and each figure is the median of its rounds.
    if (measureFloor) MultiUploadSeconds(endpoint, bodies);
    std::vector<double> ours, floors;
    for (int round = 0; round < (measureFloor ? kRounds : 1); ++round) {
        const auto start = Clock::now();
        OnBatchProcessClicked(window, state, endpoint);
        window.WaitForWorkers();
        ours.push_back(SecondsSince(start));
        if (measureFloor) floors.push_back(MultiUploadSeconds(endpoint, bodies));
    }
    figures.ours = Median(ours);
    figures.floor = floors.empty() ? 0 : Median(floors);
    figures.peakKiB = PeakResidentKiB();

    // Every file holds what the service answers for it.
    for (int i = 0; i < count; ++i) {
        JsonDocument document = JsonDocument::Create();
        ReadServiceResponse(UploadExchange(endpoint, bodies[i]), document);
        const Text expected = document.GetText("str");
        document.Destroy();
        std::ifstream saved((root / "out" / ("f" + std::to_string(i) + ".txt")).string(), std::ios::binary);
        std::ostringstream bytes;
        bytes << saved.rdbuf();
        if (expected.empty() || bytes.str() != expected) ++figures.wrong;
    }
    std::filesystem::remove_all(root);
    return figures;
}

struct GenerationFigures {
    double oursPerPass = 0;
    double floorPerPass = 0;
    Text result;
};

GenerationFigures RunGeneration(const Text& endpoint, int passes) {
    const Text article = SampleText(10 * 1024, 1);
    BenchWindow window;
    window.SetEditText(control::kSourceBox, article);
    window.SetEditText(control::kPassCountBox, std::to_string(passes));
    GenerationFigures figures;
    auto start = Clock::now();
    OnGenerateClicked(window, endpoint);
    figures.oursPerPass = SecondsSince(start) / passes;
    figures.result = window.GetEditText(control::kResultBox);

    // The same chain of bodies, built beforehand, then posted by a bare loop.
    std::vector<Text> bodies;
    Text source = FoldLineBreaks(article);
    for (int pass = 0; pass < passes; ++pass) {
        const Text payload = EncodePayload(source);
        bodies.push_back(BuildRewriteBody(payload, SignPayload(payload)));
        JsonDocument document = JsonDocument::Create();
        ReadServiceResponse(RewriteExchange(endpoint, bodies.back()), document);
        source = document.GetText("str");
        document.Destroy();
    }
    CURL* easy = curl_easy_init();
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Accept: */*");
    headers = curl_slist_append(headers, ("Referer: " + endpoint).c_str());
    headers = curl_slist_append(headers, "Accept-Language: zh-cn");
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    std::string sink;
    start = Clock::now();
    for (const Text& body : bodies) {
        curl_easy_setopt(easy, CURLOPT_URL, endpoint.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
        curl_easy_perform(easy);
    }
    figures.floorPerPass = SecondsSince(start) / passes;
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
    return figures;
}

int ArgumentOr(int argc, char** argv, const std::string& name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (argv[i] == name) return std::atoi(argv[i + 1]);
    }
    return fallback;
}

}  // namespace
}  // namespace seo

int main(int argc, char** argv) {
    using namespace seo;
    const int files = ArgumentOr(argc, argv, "--files", 1000);
    const int bigFiles = ArgumentOr(argc, argv, "--big-files", 10000);
    const int passes = ArgumentOr(argc, argv, "--passes", 100);
    PrepareProcess();  // as the program does at start-up
    curl_global_init(CURL_GLOBAL_ALL);
    service_test::ServiceProcess service({"--threads", "12000", "--backlog", "16384"});
    if (service.Port() == 0) {
        std::fprintf(stderr, "content-service did not start\n");
        return 1;
    }
    const Text endpoint = "http://127.0.0.1:" + std::to_string(service.Port()) + "/api.php";
    int failures = 0;

    if (files > 0) {
        const BatchFigures batch = RunBatch(endpoint, files, true);
        std::printf("batch of %d files: ours %.3f s, libcurl multi floor %.3f s, ratio %.2f; peak RSS %.1f MiB; "
                    "wrong files %d\n",
                    files, batch.ours, batch.floor, batch.ours / batch.floor, batch.peakKiB / 1024.0, batch.wrong);
        failures += batch.wrong;
    }
    if (bigFiles > 0) {
        const BatchFigures big = RunBatch(endpoint, bigFiles, false);
        std::printf("batch of %d files: ours %.3f s; wrong files %d\n", bigFiles, big.ours, big.wrong);
        failures += big.wrong;
    }
    if (passes > 0) {
        const GenerationFigures generation = RunGeneration(endpoint, passes);
        std::printf("generation of %d passes over 10 KB: ours %.3f ms per pass, bare libcurl loop %.3f ms per pass, "
                    "ratio %.2f\n",
                    passes, generation.oursPerPass * 1e3, generation.floorPerPass * 1e3,
                    generation.oursPerPass / generation.floorPerPass);
        if (generation.result.empty()) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
