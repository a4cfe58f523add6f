#include "raw_input.h"

#include "file_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
    throw FileError(path, std::strerror(error != 0 ? error : EIO));
}

constexpr std::size_t CopySize = std::size_t{1} << 20;

// Writes all of `data`; false with errno set when the disk refuses.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

// An unnamed file in TMPDIR (else /tmp): it vanishes with the process.
int TemporaryFile(std::string& name) {
    const char* folder = std::getenv("TMPDIR");
    name = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") +
           "/vantrel-decode-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd >= 0)
        ::unlink(name.c_str());
    return fd;
}

} // namespace

RawInput::RawInput(RawInput&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), memory_(std::move(other.memory_)),
      size_(other.size_) {
    other.fd_ = -1;
}

RawInput::~RawInput() {
    if (fd_ >= 0)
        ::close(fd_);
}

RawInput RawInput::FromText(std::string text) {
    RawInput input;
    input.path_ = "(text)";
    input.size_ = text.size();
    input.memory_ = std::move(text);
    return input;
}

RawInput RawInput::Open(const std::string& path, std::size_t memoryLimit) {
    RawInput input;
    input.path_ = path;
    const int fd = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Fail(path, errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        if (fd != STDIN_FILENO)
            ::close(fd);
        Fail(path, error);
    }
    if (S_ISREG(info.st_mode) && fd != STDIN_FILENO) {
        input.fd_ = fd;
        input.size_ = static_cast<std::uint64_t>(info.st_size);
        return input;
    }
    if (S_ISDIR(info.st_mode)) {
        if (fd != STDIN_FILENO)
            ::close(fd);
        Fail(path, EISDIR);
    }
    // The count must be known before the first record is written, so an input that cannot be
    // read twice is kept whole.
    try {
        Spool spool(path, memoryLimit);
        const std::unique_ptr<char[]> chunk(new char[CopySize]);
        for (;;) {
            const ssize_t got = ::read(fd, chunk.get(), CopySize);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                Fail(path, errno);
            if (got == 0)
                break;
            spool.Append(std::string_view(chunk.get(), static_cast<std::size_t>(got)));
        }
        if (fd != STDIN_FILENO)
            ::close(fd);
        return spool.Finish();
    } catch (...) {
        if (fd != STDIN_FILENO)
            ::close(fd);
        throw;
    }
}

Spool::Spool(const std::string& path, std::size_t memoryLimit) : memoryLimit_(memoryLimit) {
    input_.path_ = path;
}

void Spool::Append(std::string_view bytes) {
    RawInput& in = input_;
    if (in.fd_ < 0 && in.memory_.size() + bytes.size() > memoryLimit_) {
        std::string name;
        in.fd_ = TemporaryFile(name);
        if (in.fd_ < 0)
            throw FileError("temporary file " + name, std::strerror(errno));
        if (!WriteAll(in.fd_, in.memory_.data(), in.memory_.size()))
            throw FileError("temporary file " + name, std::strerror(errno));
        in.memory_.clear();
        in.memory_.shrink_to_fit();
    }
    if (in.fd_ >= 0) {
        if (!WriteAll(in.fd_, bytes.data(), bytes.size()))
            throw FileError("temporary file for " + in.path_, std::strerror(errno));
    } else {
        in.memory_.append(bytes);
    }
    in.size_ += bytes.size();
}

std::size_t RawInput::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const {
    if (offset >= size_)
        return 0;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - offset));
    if (fd_ < 0) {
        std::memcpy(buffer, memory_.data() + offset, size);
        return size;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(fd_, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            Fail(path_, errno);
        }
        if (got == 0)
            break; // the file shrank meanwhile: what is left is all there is
        done += static_cast<std::size_t>(got);
    }
    return done;
}

} // namespace vantrel
