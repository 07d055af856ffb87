#include "generation/process_state.h"

namespace seo {

NativePath ProcessState::SaveDirectory() const {
    std::lock_guard lock(mutex_);
    return saveDirectory_;
}

void ProcessState::SetSaveDirectory(NativePath directory) {
    std::lock_guard lock(mutex_);
    saveDirectory_ = std::move(directory);
}

std::shared_ptr<const TextArray> ProcessState::ImportedFiles() const {
    std::lock_guard lock(mutex_);
    return importedFiles_;
}

void ProcessState::SetImportedFiles(TextArray files) {
    auto replacement = std::make_shared<const TextArray>(std::move(files));
    std::lock_guard lock(mutex_);
    importedFiles_ = std::move(replacement);
}

void ProcessState::Release() {
    std::lock_guard lock(mutex_);
    saveDirectory_.clear();
    importedFiles_ = std::make_shared<const TextArray>();
}

}  // namespace seo
