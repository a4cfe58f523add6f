#include "demodulate_sound.h"

#include "signalling_score.h"

namespace vantrel {

AudioFile OpenAudio(const std::string& path, const AudioOptions& options) {
    if (options.rawSampleRate != 0)
        return AudioFile::OpenRaw(path, options.rawSampleRate);
    return AudioFile::Open(path, options.channel);
}

std::uint64_t Demodulate(AudioFile& audio, demod::Polarity polarity,
                         const DemodulationEvents& events) {
    // Auto takes the reading of each transmission that decodes.
    demod::Demodulator demodulator(audio.sampleRate(), polarity, modETSI300230::SignallingScore);
    std::uint64_t bitsSoFar = 0;
    std::uint64_t transmissionBits = 0;
    const demod::Sink sink{[&](std::string_view bits) {
                               transmissionBits += bits.size();
                               if (events.bits)
                                   events.bits(bits);
                           },
                           [&](const demod::TransmissionInfo& info) {
                               // Counted here rather than taken from the demodulator, so that the
                               // map and the bits handed on cannot disagree.
                               const HeardTransmission heard{
                                   bitsSoFar,       transmissionBits,    info.startSeconds,
                                   info.endSeconds, info.levelDbfs,      info.ebN0Db,
                                   info.inverted,   info.polarityGuessed};
                               bitsSoFar += transmissionBits;
                               transmissionBits = 0;
                               if (events.transmissionEnd)
                                   events.transmissionEnd(heard);
                           }};
    std::uint64_t samples = 0;
    for (std::span<const float> piece = audio.Read(); !piece.empty(); piece = audio.Read()) {
        samples += piece.size();
        demodulator.Feed(piece, sink);
    }
    demodulator.Finish(sink);
    return samples;
}

DemodulatedSound DemodulateWhole(AudioFile audio, demod::Polarity polarity) {
    DemodulatedSound result;
    const std::uint64_t samples =
        Demodulate(audio, polarity,
                   {[&](std::string_view bits) { result.Bits.append(bits); },
                    [&](const HeardTransmission& heard) { result.Transmissions.Add(heard); }});
    result.Seconds = static_cast<double>(samples) / audio.sampleRate();
    result.EndedEarly = audio.endedEarly();
    return result;
}

DemodulatedSound DemodulateWhole(const std::string& path, const AudioOptions& options) {
    return DemodulateWhole(OpenAudio(path, options), options.polarity);
}

} // namespace vantrel
