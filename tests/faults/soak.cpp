// The soak: one process runs 2,000 generation runs and 20 batches of 100 files against the
// stand-in service, then compares its resident memory and open descriptors with what they
// were after a warm-up. Exits 0 when memory grew by less than 5 % and no descriptor leaked;
// in the address-sanitizer build LeakSanitizer checks the process at its exit as well.
//   soak [generation runs] [batches] [files per batch]
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <string>

#include "encoding/code_page.h"
#include "fault_support.h"
#include "generation/process_limits.h"
#include "generation/service_protocol.h"
#include "support/service_process.h"

namespace seo::faults {
namespace {

// Two pools of at most 32 idle request handles, each with its wake-up pair and a connection.
constexpr int kPooledSockets = 2 * 32 * 3;

struct Descriptors {
    int total = 0;
    int sockets = 0;
};

Descriptors CountDescriptors() {
    Descriptors counted;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++counted.total;
        std::error_code unreadable;
        const std::string target = std::filesystem::read_symlink(it->path(), unreadable).string();
        if (target.rfind("socket:", 0) == 0) ++counted.sockets;
    }
    return counted;
}

Files BatchFiles(int count) {
    Files files;
    for (int i = 0; i < count; ++i) {
        files["file" + std::to_string(i) + ".txt"] =
            Utf8ToAnsi("我们的文章很重要，第" + std::to_string(i) + "篇\r\nsecond line");
    }
    return files;
}

// Runs the work; false when a run did not come back as the service answered it.
bool Work(const Text& endpoint, int runs, int batches, int filesPerBatch) {
    const Text article = Utf8ToAnsi("我们的文章很重要\r\n第二行内容");
    for (int i = 0; i < runs; ++i) {
        const GenerationOutcome outcome = RunGeneration(endpoint, article, "1");
        if (outcome.result.empty() || outcome.report.empty()) {
            std::fprintf(stderr, "soak: generation run %d came back empty\n", i);
            return false;
        }
    }
    const Files files = BatchFiles(filesPerBatch);
    for (int b = 0; b < batches; ++b) {
        const BatchOutcome outcome = RunBatch(endpoint, files);
        for (const auto& [name, bytes] : files) {
            const auto written = outcome.written.find(name);
            if (written == outcome.written.end() || written->second.empty()) {
                std::fprintf(stderr, "soak: batch %d left %s without a rewrite\n", b, name.c_str());
                return false;
            }
        }
    }
    return true;
}

int Soak(int runs, int batches, int filesPerBatch) {
    PrepareProcess();  // as the program does at start-up
    service_test::ServiceProcess service;
    if (service.Port() == 0) {
        std::fprintf(stderr, "soak: content-service did not start\n");
        return EXIT_FAILURE;
    }
    const Text endpoint = ServiceEndpointFor("127.0.0.1:" + std::to_string(service.Port()));

    // Warm-up: the first engines, the handle pools filled by a batch's width, the allocator's
    // arenas of a hundred threads, which keep growing for about ten batches before they settle.
    if (!Work(endpoint, runs / 4, (batches + 1) / 2, filesPerBatch)) return EXIT_FAILURE;
    const std::size_t memoryBefore = ResidentBytes();
    const Descriptors descriptorsBefore = CountDescriptors();

    if (!Work(endpoint, runs, batches, filesPerBatch)) return EXIT_FAILURE;
    const std::size_t memoryAfter = ResidentBytes();
    const Descriptors descriptorsAfter = CountDescriptors();

    const double growth = 100.0 * (static_cast<double>(memoryAfter) - static_cast<double>(memoryBefore)) /
                          static_cast<double>(memoryBefore);
    std::printf("soak: %d generation runs, %d batches of %d files\n", runs, batches, filesPerBatch);
    std::printf("soak: resident memory %.1f MiB after warm-up, %.1f MiB after the soak (%+.2f %%)\n",
                memoryBefore / 1048576.0, memoryAfter / 1048576.0, growth);
    std::printf("soak: open descriptors %d (%d sockets) after warm-up, %d (%d sockets) after the soak\n",
                descriptorsBefore.total, descriptorsBefore.sockets, descriptorsAfter.total, descriptorsAfter.sockets);

    bool ok = true;
    if (growth >= 5.0 && !UnderSanitizer()) {
        std::fprintf(stderr, "soak: resident memory grew by 5 %% or more\n");
        ok = false;
    }
    // Files, pipes and event descriptors must come back exactly. Sockets vary with how many
    // idle request handles still hold a connection (at most kPooledSockets); a leak grows
    // with the work, by thousands here.
    const int otherBefore = descriptorsBefore.total - descriptorsBefore.sockets;
    const int otherAfter = descriptorsAfter.total - descriptorsAfter.sockets;
    if (otherAfter != otherBefore || descriptorsAfter.sockets > descriptorsBefore.sockets + kPooledSockets) {
        std::fprintf(stderr, "soak: descriptors leaked\n");
        ok = false;
    }
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}

int Argument(int argc, char** argv, int index, int fallback) {
    return argc > index ? std::atoi(argv[index]) : fallback;
}

}  // namespace
}  // namespace seo::faults

int main(int argc, char** argv) {
    using seo::faults::Argument;
    return seo::faults::Soak(Argument(argc, argv, 1, 2000), Argument(argc, argv, 2, 20), Argument(argc, argv, 3, 100));
}
