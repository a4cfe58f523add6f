// The file a follow run reads: standard input, a pipe or a regular file that may grow,
// shrink or be replaced under its name.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace vantrel {

// Follow mode on a name no file has yet (as tail -F): tells `waiting` once, then waits until a
// file of that name appears. Returns at once for standard input, a file that exists, or one
// the system refuses to show (opening it then says why); false when `stop` was set first.
bool WaitForFile(const std::string& path, const volatile std::sig_atomic_t* stop,
                 const std::function<void()>& waiting);

// What one read of a followed file gave.
struct Arrival {
    std::size_t size = 0;         // bytes read; 0: none came for a moment
    bool ended = false;           // a pipe has closed
    std::string_view startedOver; // a regular file shrank or was replaced, in words: it is
                                  // read again from its new start
};

// The file a follow run reads, opened again when it is replaced.
class FollowedFile {
public:
    // Throws FileError when `path` cannot be opened.
    explicit FollowedFile(const std::string& path);
    ~FollowedFile();
    FollowedFile(const FollowedFile&) = delete;
    FollowedFile& operator=(const FollowedFile&) = delete;

    // Up to `size` next bytes, waiting for them a tenth of a second at most: a signal or a
    // pause is seen that often. Throws FileError when reading fails.
    Arrival Read(char* buffer, std::size_t size);

private:
    // At the end of a regular file: whether it shrank below what was read or another file now
    // has its name. Either way reading starts again at the new file's beginning.
    std::string_view Changed();

    std::string path_;
    int fd_ = -1;
    bool regular_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    std::uint64_t offset_ = 0; // of the next byte read
};

} // namespace vantrel
