// An input named on the command line, opened for reading: "-" is standard input, which the
// program keeps open whoever reads it.
#pragma once

#include "file_error.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace vantrel {

// The descriptor of `path`. Throws FileError with the system's description.
inline int OpenInput(const std::string& path) {
    if (path == "-")
        return STDIN_FILENO;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(path, std::strerror(errno));
    return fd;
}

// Closes what OpenInput opened; standard input stays open.
inline void CloseInput(int fd) {
    if (fd >= 0 && fd != STDIN_FILENO)
        ::close(fd);
}

} // namespace vantrel
