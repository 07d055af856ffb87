#pragma once
// The two items of process-wide state that the batch shares between the window and its workers.
// Written by the window's thread only; readers get copies, so a worker never sees a value that
// the window thread (or the exit routine) has released in the meantime.
#include <memory>
#include <mutex>

#include "generation/window_services.h"
#include "text/text_array.h"

namespace seo {

class ProcessState {
public:
    ProcessState() : importedFiles_(std::make_shared<const TextArray>()) {}

    NativePath SaveDirectory() const;
    void SetSaveDirectory(NativePath directory);

    // A snapshot: it stays valid however often the list is replaced afterwards.
    std::shared_ptr<const TextArray> ImportedFiles() const;
    void SetImportedFiles(TextArray files);

    // Back to the empty state of start-up.
    void Release();

private:
    mutable std::mutex mutex_;
    NativePath saveDirectory_;
    std::shared_ptr<const TextArray> importedFiles_;
};

}  // namespace seo
