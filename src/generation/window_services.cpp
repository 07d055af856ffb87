#include "generation/window_services.h"

#include "generation/whole_file.h"

namespace seo {

// The file operations are the same for every window: plain POSIX files.
Bytes WindowServices::ReadWholeFile(const NativePath& path) { return seo::ReadWholeFile(path); }

bool WindowServices::WriteWholeFile(const NativePath& path, const Bytes& bytes) {
    return seo::WriteWholeFile(path, bytes);
}

bool WindowServices::CreateFileIfAbsent(const NativePath& path) { return seo::CreateFileIfAbsent(path); }

}  // namespace seo
