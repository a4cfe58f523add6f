#include "followed_file.h"

#include "file_error.h"
#include "plain_input.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

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

FollowedFile::FollowedFile(const std::string& path) : path_(path) {
    if (path == "-") {
        fd_ = STDIN_FILENO;
    } else {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0)
            throw FileError(path, std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const int error = errno;
        if (fd_ != STDIN_FILENO)
            ::close(fd_); // the destructor does not run for a constructor that throws
        throw FileError(path, std::strerror(error));
    }
    regular_ = S_ISREG(info.st_mode);
    device_ = info.st_dev;
    inode_ = info.st_ino;
    if (regular_) {
        char head[8];
        const ssize_t got = ::pread(fd_, head, sizeof head, 0);
        const std::string refusal =
            FollowRefusal(std::string_view(head, got > 0 ? static_cast<std::size_t>(got) : 0));
        if (!refusal.empty()) {
            if (fd_ != STDIN_FILENO)
                ::close(fd_);
            throw FileError(path, refusal);
        }
    }
}

FollowedFile::~FollowedFile() {
    if (fd_ >= 0 && fd_ != STDIN_FILENO)
        ::close(fd_);
}

std::string_view FollowedFile::Changed(std::uint64_t offset) {
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
    if (::fstat(fd_, &open) == 0 && static_cast<std::uint64_t>(open.st_size) < offset) {
        ::lseek(fd_, 0, SEEK_SET);
        return "has shrunk; following it from its new start";
    }
    return {};
}

} // namespace vantrel
