// A WAV header is read here rather than by the sound-file library: that library takes the
// length the header announces, and a file still being written announces none (or zero).
#include "sound_stream.h"

#include "audio_file.h"
#include "file_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vantrel {

namespace {

// A header longer than this (chunks before the data) is not taken for the start of a sound.
constexpr std::size_t MaxHeaderBytes = std::size_t{1} << 20;
constexpr WavDataWords SoundDataWords = {"no sound data in its first megabyte",
                                         "sound data before its format",
                                         "a chunk before the sound data is too long"};

WavHeader Invalid(std::string problem) {
    WavHeader header;
    header.status = WavHeader::Status::Invalid;
    header.problem = std::move(problem);
    return header;
}

// The format chunk's content, or why it cannot be streamed.
std::optional<std::string> ReadFormat(std::string_view chunk, PcmFormat& format) {
    if (chunk.size() < 16)
        return "broken WAV header: its format chunk is too short";
    const auto [tag, channels, rate, blockAlign, bits] = ReadWavFormatFields(chunk);
    format.channels = static_cast<int>(channels);
    format.isFloat = tag == WavFloatTag;
    format.bytesPerSample = static_cast<int>((bits + 7) / 8);
    const bool pcm = tag == WavPcmTag && format.bytesPerSample >= 1 && format.bytesPerSample <= 4;
    if (!pcm && !(format.isFloat && bits == 32))
        return "this WAV cannot be followed: 8- to 32-bit PCM or 32-bit float is read as it grows";
    if (format.channels < 1)
        return "broken WAV header: it has no channels";
    if (rate < static_cast<std::uint64_t>(MinAudioSampleRate) ||
        rate > static_cast<std::uint64_t>(MaxAudioSampleRate)) {
        return "unsupported sample rate " + std::to_string(rate) +
               " Hz: " + std::to_string(MinAudioSampleRate) + " to " +
               std::to_string(MaxAudioSampleRate) + " Hz are read";
    }
    format.sampleRate = static_cast<int>(rate);
    return std::nullopt;
}

} // namespace

WavHeader ReadWavHeader(std::string_view bytes) {
    if (bytes.size() < 12)
        return {};
    const bool rf64 = bytes.starts_with("RF64");
    if (!(bytes.starts_with("RIFF") || rf64) || bytes.substr(8, 4) != "WAVE")
        return Invalid("not a WAV file: a followed sound is read as WAV, or raw with --raw --rate");
    WavHeader header;
    const WavDataStart data = WalkWavChunks(
        bytes, rf64, MaxHeaderBytes, SoundDataWords,
        [&header](std::string_view id, std::string_view body) -> std::optional<std::string> {
            return id == "fmt " ? ReadFormat(body, header.start.format) : std::nullopt;
        });
    header.status = data.status;
    header.problem = data.problem;
    header.start.dataOffset = data.dataOffset;
    header.start.dataBytes = data.dataBytes;
    return header;
}

PcmSamples::PcmSamples(const PcmFormat& format, int channel)
    : format_(format), frameBytes_(static_cast<std::size_t>(format.bytesPerSample) *
                                   static_cast<std::size_t>(format.channels)),
      channelOffset_(static_cast<std::size_t>(format.bytesPerSample) *
                     static_cast<std::size_t>(std::clamp(channel, 0, format.channels - 1))) {}

float PcmSamples::Sample(const unsigned char* bytes) const {
    switch (format_.bytesPerSample) {
    case 1:
        return (static_cast<float>(bytes[0]) - 128.0F) / 128.0F;
    case 2:
        return static_cast<float>(static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8))) / 32768.0F;
    case 3: {
        const auto value = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(bytes[0] << 8 | bytes[1] << 16 | bytes[2] << 24));
        return static_cast<float>(value) / 2147483648.0F;
    }
    default: {
        const std::uint32_t word =
            static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
            static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
        if (!format_.isFloat)
            return static_cast<float>(static_cast<std::int32_t>(word)) / 2147483648.0F;
        float value = 0;
        std::memcpy(&value, &word, sizeof value);
        // A float file may hold anything; NaN would poison the demodulator's filters for good.
        return std::isfinite(value) ? std::clamp(value, -1.0F, 1.0F) : 0.0F;
    }
    }
}

void PcmSamples::Add(std::string_view bytes, std::vector<float>& out) {
    if (!pending_.empty()) {
        const std::size_t take = std::min(frameBytes_ - pending_.size(), bytes.size());
        pending_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (pending_.size() < frameBytes_)
            return;
        out.push_back(
            Sample(reinterpret_cast<const unsigned char*>(pending_.data()) + channelOffset_));
        pending_.clear();
    }
    const unsigned char* data =
        reinterpret_cast<const unsigned char*>(bytes.data()) + channelOffset_;
    const std::size_t frames = bytes.size() / frameBytes_;
    const std::size_t start = out.size();
    out.resize(start + frames);
    float* samples = out.data() + start;
    if (format_.bytesPerSample == 2) {
        // 16-bit, what nearly every recorder writes, in a loop of its own: raw PCM from a live
        // pipe passes through here at the full rate.
        for (std::size_t i = 0; i < frames; ++i, data += frameBytes_)
            samples[i] =
                static_cast<float>(static_cast<std::int16_t>(data[0] | (data[1] << 8))) / 32768.0F;
    } else {
        for (std::size_t i = 0; i < frames; ++i, data += frameBytes_)
            samples[i] = Sample(data);
    }
    pending_.assign(bytes.substr(frames * frameBytes_));
}

SoundStream SoundStream::Wav() {
    return SoundStream();
}

SoundStream SoundStream::Raw(int sampleRate) {
    SoundStream stream;
    stream.format_.sampleRate = sampleRate;
    stream.samples_.emplace(stream.format_);
    return stream;
}

bool SoundStream::Add(std::string_view bytes, std::vector<float>& out) {
    if (!problem_.empty())
        return false;
    if (!samples_) {
        // Only what the header can still need is held.
        header_.append(bytes);
        const WavHeader header = ReadWavHeader(header_);
        if (header.status == WavHeader::Status::Incomplete)
            return true;
        if (header.status == WavHeader::Status::Invalid) {
            problem_ = header.problem;
            header_.clear();
            return false;
        }
        format_ = header.start.format;
        samples_.emplace(format_);
        remaining_ = header.start.dataBytes;
        const std::string rest = header_.substr(header.start.dataOffset);
        header_.clear();
        header_.shrink_to_fit();
        return Add(rest, out);
    }
    if (remaining_) {
        bytes = bytes.substr(
            0, static_cast<std::size_t>(std::min<std::uint64_t>(*remaining_, bytes.size())));
        *remaining_ -= bytes.size();
    }
    samples_->Add(bytes, out);
    return true;
}

bool SoundStream::Partial() const {
    return samples_ ? samples_->Partial() : !header_.empty();
}

StreamedSound::StreamedSound(std::string name, SoundStream stream, ArrivingBytes bytes)
    : name_(std::move(name)), stream_(std::move(stream)), bytes_(std::move(bytes)) {}

std::optional<std::span<const float>> StreamedSound::Read() {
    if (ended_)
        return std::nullopt;
    const std::optional<std::string_view> bytes = bytes_();
    if (!bytes) {
        ended_ = true;
        return std::nullopt;
    }
    samples_.clear();
    if (!bytes->empty() && !stream_.Add(*bytes, samples_))
        throw FileError(name_, stream_.problem());
    return samples_;
}

} // namespace vantrel
