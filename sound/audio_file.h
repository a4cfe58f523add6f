// Reading a radio recording as sound: WAV, FLAC, Ogg, AIFF (anything libsndfile reads), or raw
// signed 16-bit little-endian PCM, into float samples of one channel, piece by piece, so that
// an hour of audio or a live pipe never has to be held whole.
#pragma once

#include "demodulator.h"
#include "sample_source.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

// The sample rates the demodulator is built for.
constexpr int MinAudioSampleRate = static_cast<int>(demod::MinSampleRate);
constexpr int MaxAudioSampleRate = static_cast<int>(demod::MaxSampleRate);

// What the user is told when a file is not sound at all.
constexpr std::string_view NotAudioDescription =
    "not an audio file (WAV, FLAC, Ogg or AIFF); raw 16-bit PCM needs --raw --rate R";

// MPEG audio (MP3) is lossy and not read: its decoder writes to standard error on damaged
// frames, and a signal that went through it is better converted knowingly.
constexpr std::string_view MpegDescription =
    "unsupported audio file: MPEG audio (MP3) is not read; convert it to WAV or FLAC";

class AudioFile : public SampleSource {
public:
    // Opens a sound file, told by its first bytes (LooksLikeAudio) where it is opened here, and
    // chooses `channel` (1-based) of it. "-" reads standard input; of a pipe, which cannot give
    // its first bytes twice, the sound-file library alone decides. Throws FileError when the
    // file cannot be opened, is not sound, has no such channel, or has a sample rate outside
    // 8-192 kHz.
    static AudioFile Open(const std::string& path, int channel = 1);

    // Opens raw mono signed 16-bit little-endian PCM at `sampleRate`; "-" reads standard
    // input. Throws FileError as Open does.
    static AudioFile OpenRaw(const std::string& path, int sampleRate);

    // Reads a sound file already in memory (the fuzzer, the tests), told by its first bytes as
    // Open tells a file; `name` stands for the path in messages.
    static AudioFile FromMemory(std::string bytes, const std::string& name, int channel = 1);

    // Up to `size` bytes from `offset`, fewer only at the end; may throw FileError.
    using ReadAt = std::function<std::size_t(std::uint64_t offset, char* buffer, std::size_t size)>;
    // Reads a sound file of `size` bytes through `readAt` (a spooled pipe, a decompressed
    // file), which must stay valid while the AudioFile is read; `name` stands for the path.
    // The bytes were told to be a sound container, not MPEG audio, where they were opened
    // (LooksLikeAudio, LooksLikeMpeg): they are not looked at again here.
    static AudioFile FromBytes(ReadAt readAt, std::uint64_t size, const std::string& name,
                               int channel = 1);

    AudioFile(AudioFile&&) noexcept;
    AudioFile& operator=(AudioFile&&) noexcept;
    ~AudioFile() override;

    const std::string& name() const override;
    int sampleRate() const override;
    int channels() const;

    // The next piece of the chosen channel; nothing at the end of the input. A raw stream
    // hands out what has arrived, so a live pipe is demodulated as it comes; a file never
    // gives an empty piece. Throws FileError when reading fails.
    std::optional<std::span<const float>> Read() override;

    // Known once Read has given nothing: the input held less sound than its header announced
    // (a recording cut short, a copy broken off), or raw PCM broke off inside a sample.
    bool endedEarly() const override;

    struct State;

private:
    explicit AudioFile(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Whether the first bytes of a file are those of a sound file (WAV, RF64, Wave64, FLAC, Ogg,
// AIFF, AU, CAF, or MP3 with its ID3 tag, which the reader refuses with its own message): a
// bit text never starts so. Twelve bytes are enough.
bool LooksLikeAudio(std::string_view firstBytes);

// Whether the first bytes are those of MPEG audio (MP3 with its ID3 tag): sound, but not read
// (MpegDescription). It never reaches the sound-file library, whose MPEG decoder writes to
// standard error.
bool LooksLikeMpeg(std::string_view firstBytes);

} // namespace vantrel
