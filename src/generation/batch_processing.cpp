#include "generation/batch_processing.h"

#include <deque>
#include <mutex>

#include "encoding/code_page.h"
#include "generation/service_exchange.h"
#include "generation/service_protocol.h"
#include "generation/system_texts.h"
#include "json/json_document.h"
#include "text/text_ops.h"

namespace seo {
namespace {

// Files whose worker could not be started wait here; the batch's running workers take them
// on after their own file, so every file is processed even where threads run out. A worker
// leaves only when it finds the queue empty, under the same lock as the count of workers, so
// a file is never left behind with nobody to take it.
class PendingFiles {
public:
    void WorkerStarting() {
        std::lock_guard lock(mutex_);
        ++liveWorkers_;
    }
    void StartFailed(int index) {
        std::lock_guard lock(mutex_);
        --liveWorkers_;
        indexes_.push_back(index);
    }
    // The next waiting file, or false: then the caller is no longer counted as a worker.
    bool TakeOrLeave(int& index) {
        std::lock_guard lock(mutex_);
        if (indexes_.empty()) {
            --liveWorkers_;
            return false;
        }
        index = indexes_.front();
        indexes_.pop_front();
        return true;
    }
    // Files wait but no worker is left to take them.
    bool Orphaned() {
        std::lock_guard lock(mutex_);
        return liveWorkers_ == 0 && !indexes_.empty();
    }

private:
    std::mutex mutex_;
    int liveWorkers_ = 0;
    std::deque<int> indexes_;
};

}  // namespace

NativePath FileNameOfPath(const NativePath& path) {
    // Byte by byte: a UTF-8 name never holds a "/" inside a character.
    const std::size_t slash = path.rfind('/');
    return slash == NativePath::npos ? path : path.substr(slash + 1);
}

void OnImportFilesClicked(WindowServices& window, ProcessState& state) {
    const std::vector<NativePath> chosen = window.ChooseFilesToOpen(texts::kOpenFilesTitle);
    state.SetImportedFiles(TextArray(chosen));
}

void OnChooseSaveDirClicked(WindowServices& window, ProcessState& state) {
    state.SetSaveDirectory(window.ChooseFolder(texts::kChooseFolderInstruction));
}

void ProcessBatchFile(WindowServices& window, const ProcessState& state, const Text& endpoint,
                      const TextArray& files, int index) {
    JsonDocument document = JsonDocument::Create();
    const NativePath path = files.At(index);
    const NativePath name = FileNameOfPath(path);
    // The service sees the name in code page 936; the saved file keeps the native one.
    const Bytes body = BuildUploadBody(Utf8ToAnsi(name), window.ReadWholeFile(path));
    ReadServiceResponse(UploadExchange(endpoint, body), document);
    const Text rewritten = document.GetText("str");
    document.Destroy();

    // An empty folder here means the user cancelled the browser meanwhile: joining it would
    // write at the root of the file system.
    const NativePath directory = state.SaveDirectory();
    if (directory.empty()) return;
    const NativePath outPath = directory + "/" + name;
    if (rewritten.empty()) {
        // Nothing usable came back: leave an existing file (perhaps the user's own, or an
        // earlier good answer) as it is, but still show which files failed.
        window.CreateFileIfAbsent(outPath);
        return;
    }
    window.WriteWholeFile(outPath, TextToBytes(rewritten));
}

void OnBatchProcessClicked(WindowServices& window, ProcessState& state, const Text& endpoint) {
    if (state.SaveDirectory().empty()) {
        window.ShowMessage(texts::kSaveDirectoryEmpty);
        return;
    }
    const std::shared_ptr<const TextArray> files = state.ImportedFiles();
    const int count = files->Count();
    if (count == 0) return;

    auto pending = std::make_shared<PendingFiles>();
    // index 0: no file of its own, only the waiting ones.
    const auto worker = [&window, &state, endpoint, files, pending](int index) {
        return [&window, &state, endpoint, files, pending, index] {
            if (index > 0) ProcessBatchFile(window, state, endpoint, *files, index);
            for (int next = 0; pending->TakeOrLeave(next);) ProcessBatchFile(window, state, endpoint, *files, next);
        };
    };
    for (int index = 1; index <= count; ++index) {
        pending->WorkerStarting();
        if (!window.StartThread(worker(index))) pending->StartFailed(index);
    }
    if (!pending->Orphaned()) return;
    pending->WorkerStarting();
    if (window.StartThread(worker(0))) return;
    // Not one more thread can be had: take the files on here rather than lose them.
    worker(0)();
}

}  // namespace seo
