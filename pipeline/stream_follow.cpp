// Follow mode: the records in the order their patterns arrive, each as soon as it is final.
#include "file_error.h"
#include "followed_file.h"
#include "live_decode.h"
#include "record_maker.h"
#include "sound_card.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace vantrel {

namespace {

bool Stopped(const StreamOptions& options) {
    return options.stop != nullptr && *options.stop != 0;
}

// How often a followed file is looked at for new bytes, and a quiet bit text for its deadline.
constexpr int PollMilliseconds = 100;
// How long a failed sound card is left before it is opened again.
constexpr int DeviceRetryMilliseconds = 1000;

void Notice(const StreamOptions& options, const std::string& text) {
    if (options.notice)
        options.notice(text);
}

void FollowFile(const std::string& path, const StreamOptions& options, LiveDecode& live) {
    FollowedFile file(path);
    std::unique_ptr<char[]> raw;
    std::size_t capacity = 0;
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
            if (ready == 0 || (ready < 0 && errno == EINTR)) {
                live.Quiet();
                continue;
            }
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
                Notice(options, path + ": " + std::string(change));
                live.Restart();
                offset = 0;
                continue;
            }
            live.Quiet();
            ::usleep(PollMilliseconds * 1000);
            continue;
        }
        offset += static_cast<std::uint64_t>(got);
        live.AddBytes({raw.get(), static_cast<std::size_t>(got)});
    }
}

// Opens the sound card; in a run that waits for it, again and again until it opens or the run
// is stopped, saying so once. Nothing when the run was stopped first.
std::unique_ptr<SoundCard> OpenDevice(const StreamOptions& options, bool& said) {
    const FollowSound& sound = options.sound;
    while (!Stopped(options)) {
        try {
            return std::make_unique<SoundCard>(sound.device, sound.deviceSampleRate);
        } catch (const FileError& error) {
            if (!sound.retryDevice)
                throw;
            if (!said)
                Notice(options, error.path() + ": " + error.description() + "; waiting for it");
            said = true;
        }
        ::usleep(DeviceRetryMilliseconds * 1000);
    }
    return nullptr;
}

void FollowDevice(const StreamOptions& options, LiveDecode& live) {
    bool said = false;
    while (std::unique_ptr<SoundCard> card = OpenDevice(options, said)) {
        said = false;
        try {
            // Each read waits for a tenth of a second of sound, so a stop is seen as often.
            while (!Stopped(options))
                live.AddSamples(card->Read(), card->sampleRate());
            return;
        } catch (const FileError& error) {
            if (!options.sound.retryDevice)
                throw;
            Notice(options, error.path() + ": " + error.description() + "; waiting for it");
            said = true;
            live.Restart();
        }
    }
}

} // namespace

void StreamFollow(const std::string& path, const StreamOptions& options,
                  const RecordEvents& recordEvents) {
    LiveDecode live(options.sound.device.empty() ? path : options.sound.device, recordEvents,
                    options.sound);
    if (options.sound.device.empty())
        FollowFile(path, options, live);
    else
        FollowDevice(options, live);
    live.Finish();
}

} // namespace vantrel
