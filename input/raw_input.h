// The bytes of one recording, readable again from any offset: a regular file as it is on the
// disk, anything else (a pipe, a terminal) read to its end first and kept in memory up to a
// limit, beyond that in a temporary file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel {

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

private:
    RawInput() = default;
    void SpoolFrom(int fd, std::size_t memoryLimit);

    std::string path_;
    int fd_ = -1; // the regular file or the temporary file; -1 when all is in memory
    std::string memory_;
    std::uint64_t size_ = 0;
};

} // namespace vantrel
