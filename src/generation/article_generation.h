#pragma once
// The generate button: the pasted article, rewritten by the service as many times in a chain
// as the pass-count box says, with the last answer's originality report.
#include "generation/window_services.h"

namespace seo {

// Runs on the window's thread and blocks it until the last pass has ended; only a short
// wait at the start lets the window paint its busy caption.
void OnGenerateClicked(WindowServices& window, const Text& endpoint);

}  // namespace seo
