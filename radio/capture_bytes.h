// The bytes of a capture file or pipe, read once from start to end: a capture is read in one
// pass, so nothing is spooled, however long the pipe. A compressed capture (gzip, xz, zstd,
// told by its first bytes as any input's) is decompressed while it is read: the input room's
// decompressor hands its content on rather than being asked for it, so it runs on a thread of
// its own, a few pieces ahead.
#pragma once

#include "decompress.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vantrel {

class CaptureBytes {
public:
    // Opens `path` ("-": standard input) and reads its first bytes. Throws FileError.
    explicit CaptureBytes(const std::string& path);
    ~CaptureBytes();
    CaptureBytes(const CaptureBytes&) = delete;
    CaptureBytes& operator=(const CaptureBytes&) = delete;

    // The next bytes, valid until the next call; nothing at the end. Throws FileError.
    std::optional<std::string_view> Next();

    Compression compression() const { return compression_; }
    // The length of a regular uncompressed file; nothing for anything else.
    std::optional<std::uint64_t> size() const { return size_; }

private:
    // `worker`: called by the decompressing thread.
    std::size_t ReadFile(char* buffer, std::size_t size, bool worker);
    void Decompressing();

    std::string path_;
    int fd_ = -1;
    Compression compression_ = Compression::None;
    std::optional<std::uint64_t> size_;
    std::string first_; // read to tell the compression, handed on first
    bool firstOut_ = false;
    std::vector<char> buffer_;

    // The decompressing thread and the pieces it has made, waiting.
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> ready_;
    std::string taken_; // the piece Next handed out last
    bool done_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
};

} // namespace vantrel
