#include "followed_file.h"

#include "file_error.h"
#include "input_descriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

// How often a followed file is looked at for new bytes, and a quiet bit text for its deadline.
constexpr int PollMilliseconds = 100;

} // namespace

bool WaitForFile(const std::string& path, const volatile std::sig_atomic_t* stop,
                 const std::function<void()>& waiting) {
    // As often as follow mode looks for new data in a file.
    constexpr useconds_t PollMicroseconds = 100000;
    struct stat info {};
    if (path == "-" || ::stat(path.c_str(), &info) == 0 || errno != ENOENT)
        return true;
    if (waiting)
        waiting();
    while (stop == nullptr || *stop == 0) {
        ::usleep(PollMicroseconds);
        if (::stat(path.c_str(), &info) == 0 || errno != ENOENT)
            return true;
    }
    return false;
}

FollowedFile::FollowedFile(const std::string& path) : path_(path), fd_(OpenInput(path)) {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const int error = errno;
        CloseInput(fd_); // the destructor does not run for a constructor that throws
        throw FileError(path, std::strerror(error));
    }
    regular_ = S_ISREG(info.st_mode);
    device_ = info.st_dev;
    inode_ = info.st_ino;
}

FollowedFile::~FollowedFile() {
    CloseInput(fd_);
}

Arrival FollowedFile::Read(char* buffer, std::size_t size) {
    if (!regular_) {
        // Waiting in poll lets a signal end the wait whatever the system restarts.
        pollfd wait{fd_, POLLIN, 0};
        const int ready = ::poll(&wait, 1, PollMilliseconds);
        if (ready == 0 || (ready < 0 && errno == EINTR))
            return {};
    }
    const ssize_t got = ::read(fd_, buffer, size);
    if (got < 0) {
        if (errno == EINTR || errno == EAGAIN)
            return {};
        throw FileError(path_, std::strerror(errno));
    }
    if (got > 0) {
        offset_ += static_cast<std::uint64_t>(got);
        return {static_cast<std::size_t>(got), false, {}};
    }
    if (!regular_)
        return {0, true, {}};
    const std::string_view change = Changed();
    if (!change.empty()) {
        offset_ = 0;
        return {0, false, change};
    }
    ::usleep(PollMilliseconds * 1000);
    return {};
}

std::string_view FollowedFile::Changed() {
    if (path_ == "-")
        return {};
    struct stat named {};
    if (::stat(path_.c_str(), &named) == 0 && (named.st_dev != device_ || named.st_ino != inode_)) {
        const int reopened = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (reopened >= 0) {
            ::close(fd_);
            fd_ = reopened;
            device_ = named.st_dev;
            inode_ = named.st_ino;
            return "has been replaced; following the new file from its start";
        }
        return {};
    }
    struct stat open {};
    if (::fstat(fd_, &open) == 0 && static_cast<std::uint64_t>(open.st_size) < offset_) {
        ::lseek(fd_, 0, SEEK_SET);
        return "has shrunk; following it from its new start";
    }
    return {};
}

} // namespace vantrel
