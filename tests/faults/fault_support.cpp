#include "fault_support.h"

#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fake_window_services.h"
#include "flow_test_support.h"
#include "generation/article_generation.h"
#include "generation/batch_processing.h"
#include "generation/process_state.h"

namespace seo::faults {

GenerationOutcome RunGeneration(const Text& endpoint, const Text& article, const Text& passes) {
    testing::FakeWindowServices window;
    window.SetText(control::kSourceBox, article);
    window.SetText(control::kPassCountBox, passes);
    OnGenerateClicked(window, endpoint);
    return {window.TextOf(control::kResultBox), window.TextOf(control::kReportBox),
            window.TextOf(control::kStatusLabel), window.messages.size()};
}

BatchOutcome RunBatch(const Text& endpoint, const Files& files) {
    testing::TemporaryFolder in, out;
    std::vector<NativePath> paths;
    for (const auto& [name, bytes] : files) {
        in.Write(name, bytes);
        paths.push_back(in.File(name));
    }
    BatchOutcome outcome;
    {
        testing::FakeWindowServices window;
        ProcessState state;
        window.fileDialogAnswers.push_back(paths);
        window.folderDialogAnswers.push_back(out.Path());
        OnImportFilesClicked(window, state);
        OnChooseSaveDirClicked(window, state);
        OnBatchProcessClicked(window, state, endpoint);
        window.WaitForThreads();
        outcome.messages = window.messages.size();
    }
    for (const auto& entry : std::filesystem::directory_iterator(out.Path())) {
        const std::string name = entry.path().filename().string();
        if (files.count(name)) {
            outcome.written[name] = out.Read(name);
        } else {
            outcome.strayEntries.push_back(name);
        }
    }
    return outcome;
}

Files ThreeFiles() {
    return {
        {"a.txt", "\xCE\xD2\xC3\xC7\xB5\xC4\xCE\xC4\xD5\xC2"},  // 我们的文章
        {"b.txt", "second file\r\nwith two lines"},
        {"c.txt", ""},
    };
}

std::size_t ResidentBytes() {
    ::malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

int OpenDescriptors() {
    int count = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

bool UnderSanitizer() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

}  // namespace seo::faults
