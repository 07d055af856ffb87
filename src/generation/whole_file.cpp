#include "generation/whole_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace seo {
namespace {

// Closes the descriptor on every path out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

Bytes ReadWholeFile(const NativePath& path) {
    if (path.empty()) return {};
    FileDescriptor file(OpenRetrying(path.c_str(), O_RDONLY));
    if (!file.valid()) return {};
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) return {};
    Bytes bytes;
    if (S_ISREG(info.st_mode) && info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {};  // a file that cannot be read counts as empty, not as half of it
        if (got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

bool WriteWholeFile(const NativePath& path, const Bytes& bytes) {
    if (path.empty()) return false;
    // No O_TRUNC: the file is truncated only once this writer holds the lock.
    FileDescriptor file(OpenRetrying(path.c_str(), O_WRONLY | O_CREAT, 0666));
    if (!file.valid()) return false;
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) return false;
    if (::ftruncate(file.get(), 0) != 0) return false;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t put = ::write(file.get(), bytes.data() + written, bytes.size() - written);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        written += static_cast<std::size_t>(put);
    }
    return true;
}

bool CreateFileIfAbsent(const NativePath& path) {
    if (path.empty()) return false;
    FileDescriptor file(OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
    if (file.valid()) return true;
    if (errno != EEXIST) return false;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace seo
