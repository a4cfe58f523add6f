// Every source of samples gives the sound it holds whole: from its first sample to its last, in
// order, whatever pieces its bytes come in and however long they pause. A source that lost its
// first piece (a header's worth of bytes, a first read) or repeated one would not.
#include "../harness/scratch_folder.h"
#include "../harness/wav_bytes.h"
#include "audio_file.h"
#include "sample_source.h"
#include "sound_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using testing_files::ScratchFolder;
using vantrel::AudioFile;
using vantrel::SampleSource;
using vantrel::SoundStream;
using vantrel::StreamedSound;
using wav_bytes::Le;

constexpr int Rate = 8000;
// More than two pieces of every source.
constexpr std::size_t SampleCount = 10007;

// Each sample differs from its neighbours, so a lost, repeated or shifted piece shows.
std::int16_t Value(std::size_t i) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(i * 7919 + 13));
}

std::string Pcm() {
    std::string bytes;
    for (std::size_t i = 0; i < SampleCount; ++i)
        bytes += Le(static_cast<std::uint16_t>(Value(i)), 2);
    return bytes;
}

std::vector<float> Expected() {
    std::vector<float> samples;
    for (std::size_t i = 0; i < SampleCount; ++i)
        samples.push_back(static_cast<float>(Value(i)) / 32768.0F);
    return samples;
}

// A 16-bit mono WAV: complete, or with the lengths a recorder leaves until it closes (0).
std::string Wav(bool complete) {
    const std::string pcm = Pcm();
    std::string bytes =
        wav_bytes::Header(wav_bytes::Format(1, 1, Rate, 16), complete ? pcm.size() : 0);
    if (complete)
        bytes.replace(4, 4, Le(bytes.size() - 8 + pcm.size(), 4));
    return bytes + pcm;
}

// `bytes` as they arrive: pieces of growing odd sizes (the first of one byte), a pause (an
// empty piece) after each.
StreamedSound::ArrivingBytes Arriving(std::string bytes) {
    struct State {
        std::string bytes;
        std::size_t at = 0;
        std::size_t piece = 1;
        bool paused = false;
    };
    auto state = std::make_shared<State>();
    state->bytes = std::move(bytes);
    return [state]() -> std::optional<std::string_view> {
        if (state->at == state->bytes.size())
            return std::nullopt;
        state->paused = !state->paused;
        if (!state->paused)
            return std::string_view();
        const std::string_view next =
            std::string_view(state->bytes).substr(state->at, state->piece);
        state->at += next.size();
        state->piece = state->piece * 3 + 4;
        return next;
    };
}

struct SourceCase {
    const char* name;
    std::function<std::unique_ptr<SampleSource>()> open;
};

class SampleSources : public ScratchFolder {};

TEST_F(SampleSources, EachGivesEverySampleFromTheFirst) {
    const std::string wavPath = PathOf("calls.wav");
    WriteFile(wavPath, Wav(true));
    const std::string rawPath = PathOf("calls.raw");
    WriteFile(rawPath, Pcm());
    const SourceCase cases[] = {
        {"sound file", [&] { return std::make_unique<AudioFile>(AudioFile::Open(wavPath)); }},
        {"sound file in memory",
         [] { return std::make_unique<AudioFile>(AudioFile::FromMemory(Wav(true), "calls")); }},
        {"raw PCM file",
         [&] { return std::make_unique<AudioFile>(AudioFile::OpenRaw(rawPath, Rate)); }},
        {"WAV as it arrives",
         [] {
             return std::make_unique<StreamedSound>("calls", SoundStream::Wav(),
                                                    Arriving(Wav(true)));
         }},
        {"WAV still being written",
         [] {
             return std::make_unique<StreamedSound>("calls", SoundStream::Wav(),
                                                    Arriving(Wav(false)));
         }},
        {"raw PCM as it arrives",
         [] {
             return std::make_unique<StreamedSound>("calls", SoundStream::Raw(Rate),
                                                    Arriving(Pcm()));
         }},
    };
    for (const SourceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<SampleSource> source = c.open();
        std::vector<float> samples;
        while (const std::optional<std::span<const float>> piece = source->Read())
            samples.insert(samples.end(), piece->begin(), piece->end());
        EXPECT_EQ(source->sampleRate(), Rate);
        EXPECT_EQ(samples, Expected());
        EXPECT_FALSE(source->endedEarly());
        EXPECT_FALSE(source->Read().has_value()) << "read on after its end";
    }
}

} // namespace
