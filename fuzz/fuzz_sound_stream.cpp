// Any bytes as a WAV being written: the header read as it arrives and the samples after it.
// The first byte chooses the size of the pieces; read in pieces or whole, the samples must be
// the same, each in [-1, 1].
#include "require.h"
#include "sound_stream.h"

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t piece = data[0] + 1U;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    vantrel::SoundStream whole = vantrel::SoundStream::Wav();
    std::vector<float> wholeSamples;
    const bool wholeRead = whole.Add(bytes, wholeSamples);

    vantrel::SoundStream pieces = vantrel::SoundStream::Wav();
    std::vector<float> pieceSamples;
    bool piecesRead = true;
    for (std::size_t at = 0; at < bytes.size() && piecesRead; at += piece)
        piecesRead = pieces.Add(bytes.substr(at, piece), pieceSamples);

    Require(wholeRead == piecesRead);
    Require(wholeSamples == pieceSamples);
    Require(whole.sampleRate() == pieces.sampleRate());
    for (const float sample : wholeSamples)
        Require(std::isfinite(sample) && sample >= -1.0F && sample <= 1.0F);
    return 0;
}
