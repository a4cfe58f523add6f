#include "stream_decode.h"

#include "file_error.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

using modETSI300230::BlockInfo;
using modETSI300230::StreamDecoder;
using modETSI300230::StreamEvents;
using modETSI300230::SyncCounter;
using modETSI300230::SyncFinder;
using modETSI300230::SyncRule;

std::size_t NextPieceSize(const StreamOptions& options) {
    const std::size_t size = options.pieceSizes ? options.pieceSizes() : options.pieceSize;
    return size > 0 ? size : 1;
}

// Reads `input` from `offset` to its end in pieces; `take` joins each raw piece with
// `joiner` (wherever it wants the characters) and returns false to stop early.
template <typename Take>
void ReadPieces(const RawInput& input, std::uint64_t offset, const StreamOptions& options,
                std::string_view stage, Take take) {
    std::unique_ptr<char[]> raw;
    std::size_t capacity = 0;
    while (offset < input.Size()) {
        const std::size_t want = NextPieceSize(options);
        if (want > capacity) {
            raw.reset(new char[want]);
            capacity = want;
        }
        const std::size_t got = input.ReadAt(offset, raw.get(), want);
        if (got == 0)
            break;
        offset += got;
        if (!take(std::string_view(raw.get(), got)))
            return;
        if (options.progress)
            options.progress({stage, offset, input.Size()});
    }
}

// The same, handing every joined piece to `take`.
template <typename Take>
void JoinPieces(const RawInput& input, std::uint64_t offset, FieldJoiner& joiner,
                const StreamOptions& options, std::string_view stage, Take take) {
    std::string bits;
    ReadPieces(input, offset, options, stage, [&](std::string_view raw) {
        bits.clear();
        joiner.Join(raw, bits);
        return take(std::string_view(bits));
    });
}

// Hands the no-pattern records out, each with the tail read again from the input.
void WriteNoPatternRecords(const RawInput& input, const StreamOptions& options,
                           const StreamSink& sink, std::int64_t first, std::int64_t last,
                           std::string_view logHead, const FieldJoiner::Mark& tailMark,
                           std::uint64_t tailFrom) {
    StreamRecord record;
    record.noPattern = true;
    record.logHead = logHead;
    if (sink.details) {
        record.detail.noPatternLeft = true;
        record.detail.restPosition = tailFrom;
    }
    for (std::int64_t number = first; number <= last; ++number) {
        record.number = number;
        if (sink.recordStart)
            sink.recordStart(record);
        if (sink.trailers && sink.trailer) {
            FieldJoiner joiner = FieldJoiner::ResumeAt(tailMark, tailFrom);
            StreamOptions quiet = options;
            quiet.progress = nullptr;
            JoinPieces(input, joiner.InputOffset(), joiner, quiet, "", [&](std::string_view bits) {
                if (!bits.empty())
                    sink.trailer(bits);
                return true;
            });
        }
        if (sink.recordEnd)
            sink.recordEnd(record);
    }
}

// The events of the decoder turned into records with their places. The joiner's marks are
// dropped as soon as no record can ask for them.
class RecordMaker {
public:
    RecordMaker(const StreamSink& sink, FieldJoiner& joiner, bool stampTime)
        : sink_(sink), joiner_(joiner), stampTime_(stampTime) {}

    StreamEvents Events() {
        StreamEvents events;
        events.details = sink_.details;
        events.blockStart = [this](std::int64_t number, SyncFinder::Hit sync, const BlockInfo& info,
                                   std::string_view head,
                                   const modETSI300230::BlockDetail* detail) {
            record_.number = number;
            record_.info = info;
            record_.noPattern = false;
            record_.fec = sync.fec;
            record_.syncBit = sync.position;
            record_.place = joiner_.PlaceOf(sync.position);
            record_.logHead = head;
            record_.detail = detail != nullptr ? *detail : modETSI300230::BlockDetail{};
            record_.finalTime.clear();
            if (sink_.recordStart)
                sink_.recordStart(record_);
        };
        if (sink_.trailers && sink_.trailer)
            events.trailer = sink_.trailer;
        events.recordEnd = [this] {
            if (stampTime_)
                record_.finalTime = UtcNow();
            if (sink_.recordEnd)
                sink_.recordEnd(record_);
        };
        events.noPatternLeft = [this](std::int64_t first, std::int64_t last, std::string_view head,
                                      std::uint64_t tailFrom) {
            // A block decoded since the last trim moved the tail; its marks are all still kept.
            noPattern_ = {first, last, std::string(head), tailFrom,
                          tailFrom == tailFrom_ ? tailMark_ : joiner_.MarkFor(tailFrom)};
        };
        return events;
    }

    // After each piece: the mark of the tail (where the remaining bit string starts) is kept
    // aside, the others only while a record may still ask for them.
    void Trim(const StreamDecoder& decoder) {
        if (decoder.TailFrom() != tailFrom_) {
            tailFrom_ = decoder.TailFrom();
            tailMark_ = joiner_.MarkFor(tailFrom_);
        }
        joiner_.DropMarksBefore(decoder.EarliestFutureSync());
    }

    struct NoPattern {
        std::int64_t first = 0;
        std::int64_t last = -1;
        std::string head;
        std::uint64_t tailFrom = 0;
        FieldJoiner::Mark tailMark;
    };
    const NoPattern& noPattern() const { return noPattern_; }

private:
    const StreamSink& sink_;
    FieldJoiner& joiner_;
    bool stampTime_;
    StreamRecord record_;
    NoPattern noPattern_;
    std::uint64_t tailFrom_ = 0;
    FieldJoiner::Mark tailMark_;
};

} // namespace

std::string UtcNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
}

void DecodeInput(const RawInput& input, const StreamOptions& options, const StreamSink& sink) {
    // First pass: the count the report announces, and the last SyncNoFec, which settles
    // which pattern every search of the second pass takes.
    SyncCounter counter(SyncRule::WholeFile);
    bool bitCharacters = false;
    {
        FieldJoiner joiner(false);
        JoinPieces(input, 0, joiner, options, "counting", [&](std::string_view bits) {
            counter.Feed(bits);
            if (!bitCharacters)
                bitCharacters = bits.find_first_of("01") != std::string_view::npos;
            return true;
        });
    }
    if (!bitCharacters && sink.noBitCharacters)
        sink.noBitCharacters();
    if (sink.counted)
        sink.counted(counter.Count(), counter.FecPassedOver());

    // Marks serve the records' places and the shared tail, which is read again only for
    // its trailer.
    FieldJoiner joiner(sink.places || sink.trailers);
    RecordMaker maker(sink, joiner, false);
    StreamDecoder decoder(SyncRule::WholeFile, counter.LastNoFec(), counter.Count(),
                          maker.Events());
    ReadPieces(input, 0, options, "decoding", [&](std::string_view raw) {
        decoder.FeedFrom([&](std::string& bits) { joiner.Join(raw, bits); });
        maker.Trim(decoder);
        return !decoder.Done();
    });
    decoder.Finish();
    const auto& tail = maker.noPattern();
    if (tail.last >= tail.first)
        WriteNoPatternRecords(input, options, sink, tail.first, tail.last, tail.head, tail.tailMark,
                              tail.tailFrom);
}

namespace {

// The file a follow run reads, opened again when it is replaced.
class FollowedFile {
public:
    explicit FollowedFile(const std::string& path) : path_(path) {
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
    }
    ~FollowedFile() {
        if (fd_ >= 0 && fd_ != STDIN_FILENO)
            ::close(fd_);
    }
    FollowedFile(const FollowedFile&) = delete;
    FollowedFile& operator=(const FollowedFile&) = delete;

    bool regular() const { return regular_; }
    int fd() const { return fd_; }

    // At the end of a regular file: whether it shrank below `offset` or another file now has
    // its name. Either way reading starts again at the new file's beginning.
    std::string_view Changed(std::uint64_t offset) {
        if (path_ == "-")
            return {};
        struct stat named {};
        if (::stat(path_.c_str(), &named) == 0 &&
            (named.st_dev != device_ || named.st_ino != inode_)) {
            const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd_);
                fd_ = fd;
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

private:
    std::string path_;
    int fd_ = -1;
    bool regular_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

bool Stopped(const StreamOptions& options) {
    return options.stop != nullptr && *options.stop != 0;
}

} // namespace

void FollowInput(const std::string& path, const StreamOptions& options, const StreamSink& sink) {
    FollowedFile file(path);
    FieldJoiner joiner(true);
    RecordMaker maker(sink, joiner, true);
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
