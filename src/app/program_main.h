#pragma once
// The program's entry and exit.
#include "app/window_settings.h"
#include "generation/process_state.h"

namespace seo {

// The process-wide state: SaveDirectory and ImportedFiles. Created by the first call and never
// destroyed, so that a batch worker still running at exit never touches a dead object; at exit
// it is released back to its empty values.
ProcessState& TheProcessState();

// Start-up: the application, the empty process-wide state, the exit routine, the main window;
// then the event loop until the window is closed. Returns 0.
int ProgramMain(int& argc, char** argv, const WindowSettings& settings);
int ProgramMain(int& argc, char** argv);

// The exit routine: releases SaveDirectory and ImportedFiles.
void ReleaseProcessState();

// Ends the process at once: the exit routine runs, static destructors do not, so batch
// workers still running never meet torn-down libraries.
[[noreturn]] void EndProgram(int exitCode);

}  // namespace seo
