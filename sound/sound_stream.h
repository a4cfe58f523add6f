// Sound that arrives as bytes while it is being written: a WAV file still growing (its header
// may claim no data at all until the writer closes it), a pipe of WAV, or raw PCM. The bytes
// come in pieces of any size and go out as float samples of one channel, so nothing of the
// recording is ever held beyond a frame.
#pragma once

#include "sample_source.h"
#include "wav_chunks.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// How the samples of a PCM stream are stored.
struct PcmFormat {
    int sampleRate = 0;
    int channels = 1;
    int bytesPerSample = 2; // 1 (unsigned), 2, 3 or 4 (signed little-endian, or float)
    bool isFloat = false;   // 32-bit IEEE float
};

// The start of a WAV file: where its samples begin and how many bytes of them it announces.
struct WavStart {
    PcmFormat format;
    std::uint64_t dataOffset = 0;           // the first sample byte
    std::optional<std::uint64_t> dataBytes; // nothing: read as long as the file grows
};

// What the first bytes of a WAV file tell: nothing yet (more bytes needed), its start, or why
// it cannot be streamed.
struct WavHeader {
    using Status = WavDataStart::Status;
    Status status = Status::Incomplete;
    WavStart start;
    std::string problem; // Invalid: in the user's words
};

// Reads the RIFF or RF64 header at the start of `bytes`. A data length of 0 or of the largest
// values a writer puts in when it cannot know the length is taken as "as long as it grows".
WavHeader ReadWavHeader(std::string_view bytes);

// Samples of one channel from the bytes of interleaved PCM frames, which may be cut anywhere.
class PcmSamples {
public:
    explicit PcmSamples(const PcmFormat& format, int channel = 0);
    // Appends the samples of the frames `bytes` completes to `out`, in [-1, 1].
    void Add(std::string_view bytes, std::vector<float>& out);
    // Bytes of a frame that has not been completed yet.
    bool Partial() const { return !pending_.empty(); }

private:
    float Sample(const unsigned char* bytes) const;
    PcmFormat format_;
    std::size_t frameBytes_;
    std::size_t channelOffset_;
    std::string pending_;
};

// A stream of sound bytes: a WAV header first (Wav), or raw signed 16-bit little-endian mono
// PCM at a given rate (Raw).
class SoundStream {
public:
    static SoundStream Wav();
    static SoundStream Raw(int sampleRate);

    // The next bytes; appends the samples they complete to `out`. Returns false when the
    // header cannot be streamed: `problem()` says why, and the stream takes nothing more.
    bool Add(std::string_view bytes, std::vector<float>& out);

    // 0 until the header has been read.
    int sampleRate() const { return samples_ ? format_.sampleRate : 0; }
    const std::string& problem() const { return problem_; }
    // The data chunk the header announced is complete; more bytes are not sound.
    bool DataComplete() const { return remaining_ && *remaining_ == 0; }
    // Bytes of a sample frame or of the header still waiting for the rest.
    bool Partial() const;

private:
    SoundStream() = default;
    PcmFormat format_;
    std::string header_; // a WAV header until it is complete
    std::optional<PcmSamples> samples_;
    std::optional<std::uint64_t> remaining_; // data bytes still announced
    std::string problem_;
};

// A SoundStream as a source of samples, its bytes pulled from whatever brings them (a followed
// file, a pipe) as they arrive.
class StreamedSound : public SampleSource {
public:
    // The next bytes, valid until the next call: empty when none came while it waited (at most
    // about a tenth of a second), nothing at the end.
    using ArrivingBytes = std::function<std::optional<std::string_view>()>;

    StreamedSound(std::string name, SoundStream stream, ArrivingBytes bytes);

    // Throws FileError naming the source when the header cannot be streamed.
    std::optional<std::span<const float>> Read() override;
    int sampleRate() const override { return stream_.sampleRate(); }
    const std::string& name() const override { return name_; }
    bool endedEarly() const override { return ended_ && stream_.Partial(); }

private:
    std::string name_;
    SoundStream stream_;
    ArrivingBytes bytes_;
    std::vector<float> samples_;
    bool ended_ = false;
};

} // namespace vantrel
