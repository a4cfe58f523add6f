#include "capture_bytes.h"

#include "file_error.h"
#include "input_descriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vantrel {

namespace {

constexpr std::size_t PieceSize = std::size_t{1} << 18;
// What CompressionOf needs to tell every compression.
constexpr std::size_t MagicBytes = 6;
// Decompressed pieces (64 kB each) made ahead of the reader.
constexpr std::size_t PiecesAhead = 4;
// How often a decompressing thread waiting for a pipe looks whether it is still wanted.
constexpr int StopCheckMilliseconds = 100;

} // namespace

CaptureBytes::CaptureBytes(const std::string& path) : path_(path), buffer_(PieceSize) {
    fd_ = OpenInput(path);
    struct stat status {};
    const bool regular = ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode);
    try {
        first_.resize(MagicBytes);
        std::size_t got = 0;
        while (got < MagicBytes) {
            const std::size_t read = ReadFile(first_.data() + got, MagicBytes - got, false);
            if (read == 0)
                break;
            got += read;
        }
        first_.resize(got);
    } catch (...) {
        CloseInput(fd_);
        throw;
    }
    compression_ = CompressionOf(first_);
    if (regular && compression_ == Compression::None)
        size_ = static_cast<std::uint64_t>(status.st_size);
    if (compression_ != Compression::None)
        worker_ = std::thread([this] { Decompressing(); });
}

CaptureBytes::~CaptureBytes() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
    CloseInput(fd_);
}

// Up to `size` bytes; 0 at the end. The decompressing thread waits for a pipe in steps, so that
// a reader that has stopped wanting its bytes is not kept waiting by a silent pipe.
std::size_t CaptureBytes::ReadFile(char* buffer, std::size_t size, bool worker) {
    while (true) {
        if (worker) {
            pollfd ready{fd_, POLLIN, 0};
            const int polled = ::poll(&ready, 1, StopCheckMilliseconds);
            const std::lock_guard lock(mutex_);
            if (stopping_)
                return 0;
            if (polled == 0 || (polled < 0 && errno == EINTR))
                continue;
        }
        const ssize_t got = ::read(fd_, buffer, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw FileError(path_, std::strerror(errno));
    }
}

void CaptureBytes::Decompressing() {
    std::size_t firstAt = 0;
    const CompressedReader read = [this, &firstAt](char* buffer, std::size_t size) {
        if (firstAt < first_.size()) {
            const std::size_t count = std::min(size, first_.size() - firstAt);
            std::memcpy(buffer, first_.data() + firstAt, count);
            firstAt += count;
            return count;
        }
        return ReadFile(buffer, size, true);
    };
    const ContentWriter write = [this](std::string_view piece) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || ready_.size() < PiecesAhead; });
        if (stopping_)
            return false;
        ready_.emplace_back(piece);
        changed_.notify_all();
        return true;
    };
    std::exception_ptr failure;
    try {
        Decompress(compression_, path_, read, write);
    } catch (...) {
        failure = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        failure_ = failure;
        done_ = true;
    }
    changed_.notify_all();
}

std::optional<std::string_view> CaptureBytes::Next() {
    if (compression_ == Compression::None) {
        if (!firstOut_) {
            firstOut_ = true;
            if (!first_.empty())
                return std::string_view(first_);
        }
        const std::size_t got = ReadFile(buffer_.data(), buffer_.size(), false);
        if (got == 0)
            return std::nullopt;
        return std::string_view(buffer_.data(), got);
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || done_; });
    if (!ready_.empty()) {
        taken_ = std::move(ready_.front());
        ready_.pop_front();
        changed_.notify_all();
        return std::string_view(taken_);
    }
    if (failure_) {
        const std::exception_ptr failure = std::exchange(failure_, nullptr);
        std::rethrow_exception(failure);
    }
    return std::nullopt;
}

} // namespace vantrel
