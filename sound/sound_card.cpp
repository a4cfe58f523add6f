#include "sound_card.h"

#include "file_error.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <vector>

namespace vantrel {

namespace {

// Pieces of a tenth of a second: ten wake-ups a second cost nothing, and a transmission's end
// is seen well within the half second a record may take.
constexpr int PiecesPerSecond = 10;

} // namespace

struct SoundCard::Connection {
    pa_simple* stream = nullptr;
    std::vector<float> samples;
    ~Connection() {
        if (stream != nullptr)
            pa_simple_free(stream);
    }
};

SoundCard::SoundCard(const std::string& name, int sampleRate)
    : name_(name), sampleRate_(sampleRate), connection_(std::make_unique<Connection>()) {
    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_FLOAT32NE;
    sampleFormat.rate = static_cast<std::uint32_t>(sampleRate);
    sampleFormat.channels = 1;
    const auto pieceSamples = static_cast<std::size_t>(sampleRate / PiecesPerSecond);
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<std::uint32_t>(-1);
    buffer.fragsize = static_cast<std::uint32_t>(pieceSamples * sizeof(float));
    int error = 0;
    connection_->stream =
        pa_simple_new(nullptr, "vantrel", PA_STREAM_RECORD, name.c_str(), "radio signalling",
                      &sampleFormat, nullptr, &buffer, &error);
    if (connection_->stream == nullptr)
        throw FileError(name, pa_strerror(error));
    connection_->samples.resize(pieceSamples);
}

SoundCard::~SoundCard() = default;

std::optional<std::span<const float>> SoundCard::Read() {
    std::vector<float>& samples = connection_->samples;
    int error = 0;
    if (pa_simple_read(connection_->stream, samples.data(), samples.size() * sizeof(float),
                       &error) < 0)
        throw FileError(name_, pa_strerror(error));
    if (!clockStart_)
        clockStart_ =
            std::chrono::system_clock::now() -
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::duration<double>(static_cast<double>(samples.size()) / sampleRate_));
    return std::span<const float>(samples);
}

} // namespace vantrel
