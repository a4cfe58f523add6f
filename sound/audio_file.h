// Reading a radio recording as sound: WAV, FLAC, Ogg, AIFF (anything libsndfile reads), or raw
// signed 16-bit little-endian PCM, into float samples of one channel, piece by piece, so that
// an hour of audio or a live sound card never has to be held whole.
#pragma once

#include "demodulator.h"

#include <cstdint>
#include <functional>
#include <memory>
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

class AudioFile {
public:
    // Opens a sound file, recognised by its content, and chooses `channel` (1-based) of it.
    // "-" reads standard input. Throws FileError when the file cannot be opened, is not
    // sound, has no such channel, or has a sample rate outside 8-192 kHz.
    static AudioFile Open(const std::string& path, int channel = 1);

    // Opens raw mono signed 16-bit little-endian PCM at `sampleRate`; "-" reads standard
    // input. Throws FileError as Open does.
    static AudioFile OpenRaw(const std::string& path, int sampleRate);

    // Reads a sound file already in memory (standard input read whole, the fuzzer, the
    // tests); `name` stands for the path in messages.
    static AudioFile FromMemory(std::string bytes, const std::string& name, int channel = 1);

    // Up to `size` bytes from `offset`, fewer only at the end; may throw FileError.
    using ReadAt = std::function<std::size_t(std::uint64_t offset, char* buffer, std::size_t size)>;
    // Reads a sound file of `size` bytes through `readAt` (a spooled pipe, a decompressed
    // file), which must stay valid while the AudioFile is read; `name` stands for the path.
    static AudioFile FromBytes(ReadAt readAt, std::uint64_t size, const std::string& name,
                               int channel = 1);

    AudioFile(AudioFile&&) noexcept;
    AudioFile& operator=(AudioFile&&) noexcept;
    ~AudioFile();

    const std::string& path() const;
    int sampleRate() const;
    int channels() const;

    // The next piece of the chosen channel, samples in [-1, 1]; empty at the end of the input.
    // The piece stays valid until the next call. A raw stream hands out what has arrived,
    // so a live pipe is demodulated as it comes. Throws FileError when reading fails.
    std::span<const float> Read();

    // Known once Read has returned an empty piece: the input held less sound than its
    // header announced (a recording cut short, a copy broken off).
    bool endedEarly() const;

    struct State;

private:
    explicit AudioFile(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Whether the first bytes of a file are those of a sound file (WAV, RF64, Wave64, FLAC, Ogg,
// AIFF, AU, CAF, or MP3 with its ID3 tag, which the reader refuses with its own message): a
// bit text never starts so. Twelve bytes are enough.
bool LooksLikeAudio(std::string_view firstBytes);

} // namespace vantrel
