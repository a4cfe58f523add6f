// Follow mode: the records in the order their patterns arrive, each as soon as it is final. A
// followed file is told what it is once, from its first bytes as they arrive, and read on as
// its kind says: a bit text piece by piece, sound through a sample source like any other.
#include "file_error.h"
#include "followed_file.h"
#include "input_kind.h"
#include "live_sound.h"
#include "live_text.h"
#include "record_maker.h"
#include "sound_card.h"
#include "sound_stream.h"

#include <memory>
#include <unistd.h>

namespace vantrel {

namespace {

bool Stopped(const StreamOptions& options) {
    return options.stop != nullptr && *options.stop != 0;
}

// How long a failed sound card is left before it is opened again.
constexpr int DeviceRetryMilliseconds = 1000;

void Notice(const StreamOptions& options, const std::string& text) {
    if (options.notice)
        options.notice(text);
}

// The followed file read in pieces of the run's sizes; a file that starts over is said.
class Pieces {
public:
    Pieces(const std::string& path, const StreamOptions& options)
        : path_(path), options_(options), file_(path) {}

    Arrival Next() {
        const std::size_t want = NextPieceSize(options_);
        if (want > capacity_) {
            raw_.reset(new char[want]);
            capacity_ = want;
        }
        const Arrival arrival = file_.Read(raw_.get(), want);
        piece_ = std::string_view(raw_.get(), arrival.size);
        if (!arrival.startedOver.empty())
            Notice(options_, path_ + ": " + std::string(arrival.startedOver));
        return arrival;
    }
    // The bytes the last Next read.
    std::string_view piece() const { return piece_; }

private:
    const std::string& path_;
    const StreamOptions& options_;
    FollowedFile file_;
    std::unique_ptr<char[]> raw_;
    std::size_t capacity_ = 0;
    std::string_view piece_;
};

// The first bytes of the followed file, enough to tell what it is, or fewer when it ended
// (`ended` set) or the run was stopped first. A file that starts over is told by its new start.
std::string FirstBytes(Pieces& pieces, const StreamOptions& options, bool& ended) {
    std::string first;
    while (first.size() < KindBytes && !Stopped(options)) {
        const Arrival arrival = pieces.Next();
        if (arrival.ended) {
            ended = true;
            break;
        }
        if (!arrival.startedOver.empty())
            first.clear();
        first.append(pieces.piece());
    }
    return first;
}

void FollowText(Pieces& pieces, std::string_view first, bool ended, bool marked,
                const StreamOptions& options, const RecordEvents& events) {
    LiveText text(events, marked);
    text.Add(first);
    while (!ended && !Stopped(options)) {
        const Arrival arrival = pieces.Next();
        if (arrival.ended)
            break;
        if (!arrival.startedOver.empty())
            text.Restart();
        else if (arrival.size == 0)
            text.Quiet();
        else
            text.Add(pieces.piece());
    }
    text.Finish();
}

// Every sample `source` gives, until it ends or the run is stopped.
void Pump(SampleSource& source, LiveSound& sound, const StreamOptions& options) {
    while (!Stopped(options)) {
        const std::optional<std::span<const float>> piece = source.Read();
        if (!piece)
            return;
        sound.Feed(*piece, source.sampleRate());
    }
}

// A followed WAV or raw PCM: one sample source from the file's start, a new one each time the
// file starts over.
void FollowSoundFile(Pieces& pieces, std::string first, bool ended, const std::string& path,
                     bool raw, const StreamOptions& options, const RecordEvents& events) {
    LiveSound sound(events, options.sound.polarity);
    bool firstOut = first.empty();
    bool startedOver = false;
    const StreamedSound::ArrivingBytes arriving = [&]() -> std::optional<std::string_view> {
        if (!firstOut) {
            firstOut = true;
            return std::string_view(first);
        }
        if (ended)
            return std::nullopt;
        const Arrival arrival = pieces.Next();
        ended = arrival.ended;
        startedOver = !arrival.startedOver.empty();
        if (ended || startedOver)
            return std::nullopt;
        return pieces.piece();
    };
    do {
        startedOver = false;
        StreamedSound source(
            path, raw ? SoundStream::Raw(options.sound.rawSampleRate) : SoundStream::Wav(),
            arriving);
        // The first bytes came before any stop: they are decoded whatever comes after.
        if (!firstOut) {
            if (const std::optional<std::span<const float>> piece = source.Read())
                sound.Feed(*piece, source.sampleRate());
        }
        Pump(source, sound, options);
        sound.EndOfSound();
    } while (startedOver && !Stopped(options));
    sound.Finish();
}

void FollowFile(const std::string& path, const StreamOptions& options, const RecordEvents& events) {
    Pieces pieces(path, options);
    bool ended = false;
    std::string first;
    // Raw PCM is named by the user: its first bytes are samples, not a kind.
    InputKind kind{Content::RawPcm};
    if (options.sound.rawSampleRate == 0) {
        first = FirstBytes(pieces, options, ended);
        kind = KindOf(StartAsItIs(std::string_view(first).substr(0, KindBytes)));
        if (const std::string refusal = FollowRefusal(kind); !refusal.empty())
            throw FileError(path, refusal);
    }
    switch (RuleFor(kind.content).follow) {
    case FollowReading::Bits:
    case FollowReading::MarkedBits:
        FollowText(pieces, first, ended, RuleFor(kind.content).follow == FollowReading::MarkedBits,
                   options, events);
        return;
    case FollowReading::WavStream:
    case FollowReading::RawStream:
        FollowSoundFile(pieces, std::move(first), ended, path,
                        RuleFor(kind.content).follow == FollowReading::RawStream, options, events);
        return;
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

void FollowDevice(const StreamOptions& options, const RecordEvents& events) {
    LiveSound sound(events, options.sound.polarity);
    bool said = false;
    while (std::unique_ptr<SoundCard> card = OpenDevice(options, said)) {
        said = false;
        try {
            // Each read waits for a tenth of a second of sound, so a stop is seen as often.
            Pump(*card, sound, options);
            break;
        } catch (const FileError& error) {
            if (!options.sound.retryDevice)
                throw;
            Notice(options, error.path() + ": " + error.description() + "; waiting for it");
            said = true;
            sound.EndOfSound();
        }
    }
    sound.Finish();
}

} // namespace

void StreamFollow(const std::string& path, const StreamOptions& options,
                  const RecordEvents& recordEvents) {
    if (options.sound.device.empty())
        FollowFile(path, options, recordEvents);
    else
        FollowDevice(options, recordEvents);
}

} // namespace vantrel
