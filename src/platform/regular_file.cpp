#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quennit {

namespace {

bool Refuse(const struct stat& st, std::string& error) {
    if (S_ISREG(st.st_mode)) {
        return false;
    }
    error = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    return true;
}

}  // namespace

std::FILE* OpenRegularFile(const std::string& path, std::string& error) {
    // The look before the open keeps devices from being opened at all; the
    // look after it covers a file swapped in between. O_NONBLOCK lets the
    // open of a FIFO return at once.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && Refuse(st, error)) {
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    std::FILE* file = nullptr;
    if (::fstat(fd, &st) != 0) {
        error = std::strerror(errno);
    } else if (!Refuse(st, error)) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        file = ::fdopen(fd, "rb");
        if (file == nullptr) {
            error = std::strerror(errno);
        }
    }
    if (file == nullptr) {
        ::close(fd);
    }
    return file;
}

}  // namespace quennit
