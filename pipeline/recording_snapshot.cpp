#include "recording_snapshot.h"

#include "file_error.h"
#include "raw_input.h"

#include <cerrno>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr std::size_t CopyPieceSize = std::size_t{1} << 20;

// A file in the temporary folder, removed when this goes. It has a name because OpenRecording
// opens by name; the recording it opens keeps the file open, and so its bytes, after that.
class TemporaryCopy {
public:
    TemporaryCopy() {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
        if (error)
            return;
        path_ = (folder / "vantrel-window-XXXXXX").string();
        fd_ = ::mkstemp(path_.data());
    }
    ~TemporaryCopy() {
        if (fd_ >= 0) {
            ::close(fd_);
            ::unlink(path_.c_str());
        }
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    bool Made() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // False when the disk refuses.
    bool Write(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t done = ::write(fd_, data, size);
            if (done < 0 && errno == EINTR)
                continue;
            if (done <= 0)
                return false;
            data += done;
            size -= static_cast<std::size_t>(done);
        }
        return true;
    }

private:
    std::string path_;
    int fd_ = -1;
};

Recording OpenInPlace(const std::string& path) {
    return OpenRecording(path, demod::Polarity::Auto, SpoolMemoryLimit);
}

} // namespace

Recording OpenRecordingSnapshot(const std::string& path) {
    // Opened first, so that a file that cannot be read is reported by its own name and reason.
    const RawInput source = RawInput::Open(path, SpoolMemoryLimit);
    TemporaryCopy copy;
    if (!copy.Made())
        return OpenInPlace(path);
    const std::unique_ptr<char[]> piece(new char[CopyPieceSize]);
    for (std::uint64_t offset = 0; offset < source.Size();) {
        const std::size_t got = source.ReadAt(offset, piece.get(), CopyPieceSize);
        if (got == 0)
            break;
        if (!copy.Write(piece.get(), got))
            return OpenInPlace(path);
        offset += got;
    }
    try {
        return OpenRecording(copy.path(), demod::Polarity::Auto, SpoolMemoryLimit);
    } catch (const FileError& error) {
        // What is wrong with the content (a damaged archive, say) is told of the user's file.
        if (error.path() == copy.path())
            throw FileError(path, error.description());
        throw;
    }
}

} // namespace vantrel
