#pragma once
// Whole-file reads and writes on POSIX, safe from any thread.
#include "generation/window_services.h"

namespace seo {

// All bytes of the file; empty bytes when the path is empty or the file cannot be read.
Bytes ReadWholeFile(const NativePath& path);

// Creates or truncates the file and writes the bytes. The file is locked (flock, exclusive)
// before it is truncated, so two writers never mix their bytes in one file: when another
// writer holds the lock nothing is written. False when nothing could be written.
bool WriteWholeFile(const NativePath& path, const Bytes& bytes);

// Creates an empty file where none exists; an existing file keeps its content.
// True when the file exists afterwards.
bool CreateFileIfAbsent(const NativePath& path);

}  // namespace seo
