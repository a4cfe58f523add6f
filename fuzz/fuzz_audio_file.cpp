// Any bytes as a sound file: through the audio reader and on into the demodulator. The first
// byte chooses the channel, the rest is the file.
#include "audio_file.h"
#include "demodulator.h"
#include "file_error.h"
#include "require.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using fuzz::Require;

// A few bytes of compressed sound can stand for hours; the reader is what is fuzzed here, so
// a run stops after this many samples.
constexpr std::uint64_t MaxSamples = 1 << 21;

} // namespace

// The Ogg Vorbis decoder under libsndfile keeps a block of memory when a damaged stream makes
// it give up; that is the system library's, not this program's, and not worth stopping for.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libvorbis.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int channel = 1 + data[0] % 4;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        vantrel::AudioFile audio =
            vantrel::AudioFile::FromMemory(std::string(bytes), "input", channel);
        Require(audio.sampleRate() >= vantrel::MinAudioSampleRate &&
                audio.sampleRate() <= vantrel::MaxAudioSampleRate);
        Require(channel <= audio.channels());
        demod::Demodulator demodulator(audio.sampleRate());
        std::uint64_t bits = 0;
        std::uint64_t counted = 0;
        const demod::Sink sink{[&](std::string_view piece) {
                                   for (const char c : piece)
                                       Require(c == '0' || c == '1');
                                   bits += piece.size();
                               },
                               [&](const demod::TransmissionInfo& info) {
                                   counted += info.bitCount;
                                   Require(info.endSeconds >= info.startSeconds);
                               }};
        std::uint64_t samples = 0;
        for (auto piece = audio.Read(); piece && samples < MaxSamples; piece = audio.Read()) {
            for (const float sample : *piece)
                Require(std::isfinite(sample) && sample >= -1.0F && sample <= 1.0F);
            demodulator.Feed(*piece, sink);
            samples += piece->size();
        }
        demodulator.Finish(sink);
        Require(bits == counted);
    } catch (const vantrel::FileError&) {
        // Not sound, or not sound the reader takes: said in words, which is all it must do.
    }
    return 0;
}
