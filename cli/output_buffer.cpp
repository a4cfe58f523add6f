#include "output_buffer.h"

#include "file_error.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace vantrel {

namespace {

[[noreturn]] void TemporaryFileFailed() {
    throw FileError("temporary file", std::strerror(errno != 0 ? errno : EIO));
}

} // namespace

void OutputBuffer::Append(std::string_view text) {
    if (!spill_ && memory_.size() + text.size() <= memoryLimit_) {
        memory_.append(text);
        return;
    }
    errno = 0;
    if (!spill_) {
        spill_.reset(std::tmpfile());
        if (!spill_)
            TemporaryFileFailed();
        spilled_ = true;
        if (std::fwrite(memory_.data(), 1, memory_.size(), spill_.get()) != memory_.size())
            TemporaryFileFailed();
        memory_.clear();
        memory_.shrink_to_fit();
    }
    if (std::fwrite(text.data(), 1, text.size(), spill_.get()) != text.size())
        TemporaryFileFailed();
}

void OutputBuffer::WriteTo(const std::function<void(std::string_view)>& write) {
    if (!spill_) {
        if (!memory_.empty())
            write(memory_);
        memory_.clear();
        return;
    }
    errno = 0;
    if (std::fflush(spill_.get()) != 0 || std::fseek(spill_.get(), 0, SEEK_SET) != 0)
        TemporaryFileFailed();
    std::vector<char> piece(std::size_t{1} << 16);
    for (;;) {
        const std::size_t got = std::fread(piece.data(), 1, piece.size(), spill_.get());
        if (got > 0)
            write(std::string_view(piece.data(), got));
        if (got < piece.size()) {
            if (std::ferror(spill_.get()) != 0)
                TemporaryFileFailed();
            break;
        }
    }
    spill_.reset();
    spilled_ = false;
}

} // namespace vantrel
