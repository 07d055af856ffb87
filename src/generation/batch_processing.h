#pragma once
// Batch processing: every imported file is uploaded by a worker thread of its own, all at
// once, and the service's text is saved under the same name in the chosen folder.
#include <memory>

#include "generation/process_state.h"
#include "generation/window_services.h"

namespace seo {

// Window thread. A cancelled dialog empties the list or the folder.
void OnImportFilesClicked(WindowServices& window, ProcessState& state);
void OnChooseSaveDirClicked(WindowServices& window, ProcessState& state);

// Window thread. Starts one worker per imported file and returns without waiting for them.
// The window and the state must outlive every worker (the program keeps both until it ends).
void OnBatchProcessClicked(WindowServices& window, ProcessState& state, const Text& endpoint);

// The body of one worker: the file at `index` (1-based) of the list as it stood at the click.
// The save directory is read after the request, as it holds then; when it is empty, or the
// service gave no text for a file that already exists, nothing is written.
void ProcessBatchFile(WindowServices& window, const ProcessState& state, const Text& endpoint,
                      const TextArray& files, int index);

// The bytes after the last "/" of a native path; the whole path when it has none.
NativePath FileNameOfPath(const NativePath& path);

}  // namespace seo
