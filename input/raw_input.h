// The bytes of one recording, readable again from any offset: a regular file as it is on the
// disk, anything else (a pipe, a terminal) read to its end first and kept in memory up to a
// limit, beyond that in a temporary file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// How much of an input that can be read only once is kept in memory before the rest goes to a
// temporary file.
constexpr std::size_t SpoolMemoryLimit = std::size_t{32} << 20;

class RawInput {
public:
    // Opens `path`; "-" is standard input. Throws FileError when it cannot be read, or when
    // the temporary file cannot take the input (a full disk): then nothing has been decoded.
    static RawInput Open(const std::string& path, std::size_t memoryLimit);
    // Bytes already in memory (the tests give their inputs this way).
    static RawInput FromText(std::string text);

    RawInput(RawInput&& other) noexcept;
    RawInput& operator=(RawInput&&) = delete;
    RawInput(const RawInput&) = delete;
    RawInput& operator=(const RawInput&) = delete;
    ~RawInput();

    // The length when opened; a file that grows meanwhile is read up to here.
    std::uint64_t Size() const { return size_; }
    // Up to `size` bytes from `offset`, fewer only at the end. Throws FileError.
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const;
    // The name it was opened by, for messages.
    const std::string& path() const { return path_; }

private:
    friend class Spool;
    RawInput() = default;

    std::string path_;
    int fd_ = -1; // the regular file or the temporary file; -1 when all is in memory
    std::string memory_;
    std::uint64_t size_ = 0;
};

// Bytes that arrive once (a pipe, a decompressed stream) kept so that they can be read again
// from any offset: in memory up to a limit, beyond it in an unnamed temporary file.
class Spool {
public:
    Spool(const std::string& path, std::size_t memoryLimit);
    // Throws FileError when the temporary file cannot take the bytes (a full disk).
    void Append(std::string_view bytes);
    // What was appended, as an input named `path`.
    RawInput Finish() { return std::move(input_); }

private:
    RawInput input_;
    std::size_t memoryLimit_;
};

} // namespace vantrel
