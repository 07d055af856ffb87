#pragma once
// Helpers of the fault suite and the soak: the two flows run as the window would run them,
// with what they left behind, and the process's own resource figures.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "text/types.h"

namespace seo::faults {

// What a generation run left in the window.
struct GenerationOutcome {
    Text result;
    Text report;
    Text caption;
    std::size_t messages = 0;
};

// OnGenerateClicked with the article and pass-count text, on a recording window.
GenerationOutcome RunGeneration(const Text& endpoint, const Text& article, const Text& passes);

// A batch's input: file names (native, UTF-8) and their bytes.
using Files = std::map<std::string, std::string>;

// What a batch left: the messages shown and, per imported name, the output file's bytes
// (absent when no file was written).
struct BatchOutcome {
    std::size_t messages = 0;
    std::map<std::string, std::string> written;
    std::vector<std::string> strayEntries;  // entries of the output folder no input names
};

// Imports the files from a fresh folder, chooses a fresh output folder, presses the batch
// button and waits for every worker.
BatchOutcome RunBatch(const Text& endpoint, const Files& files);

// The three small files every fault case sends in a batch.
Files ThreeFiles();

// Resident memory in bytes after handing freed memory back to the system.
std::size_t ResidentBytes();
// Open descriptors of this process.
int OpenDescriptors();
// Whether this build runs under a sanitizer (its memory figures then mean little).
bool UnderSanitizer();

}  // namespace seo::faults
