// Follow mode: the records in the order their patterns arrive, each as soon as it is final.
#include "file_error.h"
#include "followed_file.h"
#include "record_maker.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace vantrel {

namespace {

using modETSI300230::StreamDecoder;
using modETSI300230::StreamEvents;
using modETSI300230::SyncRule;

bool Stopped(const StreamOptions& options) {
    return options.stop != nullptr && *options.stop != 0;
}

} // namespace

void StreamFollow(const std::string& path, const StreamOptions& options,
                  const RecordEvents& recordEvents) {
    FollowedFile file(path);
    FieldJoiner joiner(true);
    RecordMaker maker(recordEvents, joiner, true);
    StreamEvents events = maker.Events();
    events.noPatternLeft = nullptr;
    StreamDecoder decoder(SyncRule::Arrival, std::nullopt, -1, std::move(events));

    constexpr int PollMilliseconds = 100;
    std::unique_ptr<char[]> raw;
    std::size_t capacity = 0;
    std::string bits;
    std::uint64_t offset = 0;
    while (!Stopped(options)) {
        const std::size_t want = NextPieceSize(options);
        if (want > capacity) {
            raw.reset(new char[want]);
            capacity = want;
        }
        if (!file.regular()) {
            // Waiting in poll lets a signal end the wait whatever the system restarts.
            pollfd wait{file.fd(), POLLIN, 0};
            const int ready = ::poll(&wait, 1, PollMilliseconds);
            if (ready == 0 || (ready < 0 && errno == EINTR))
                continue;
        }
        const ssize_t got = ::read(file.fd(), raw.get(), want);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            throw FileError(path, std::strerror(errno));
        }
        if (got == 0) {
            if (!file.regular())
                break; // the pipe has closed
            const std::string_view change = file.Changed(offset);
            if (!change.empty()) {
                if (options.notice)
                    options.notice(path + ": " + std::string(change));
                joiner.Restart();
                offset = 0;
                continue;
            }
            ::usleep(PollMilliseconds * 1000);
            continue;
        }
        offset += static_cast<std::uint64_t>(got);
        bits.clear();
        joiner.Join({raw.get(), static_cast<std::size_t>(got)}, bits);
        decoder.Feed(bits);
        maker.Trim(decoder);
    }
    decoder.Finish();
}

} // namespace vantrel
