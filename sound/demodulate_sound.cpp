#include "demodulate_sound.h"

#include "signalling_score.h"

namespace vantrel {

AudioFile OpenAudio(const std::string& path, const AudioOptions& options) {
    if (options.rawSampleRate != 0)
        return AudioFile::OpenRaw(path, options.rawSampleRate);
    return AudioFile::Open(path, options.channel);
}

SoundDemodulator::SoundDemodulator(int sampleRate, demod::Polarity polarity,
                                   DemodulationEvents events)
    : sampleRate_(sampleRate), demodulator_(sampleRate, polarity, modETSI300230::SignallingScore), events_(std::move(events)) {
    sink_.bits = [this](std::string_view bits) {
        transmissionBits_ += bits.size();
        if (events_.bits)
            events_.bits(bits);
    };
    sink_.transmissionEnd = [this](const demod::TransmissionInfo& info) {
        // Counted here rather than taken from the demodulator, so that the map and the bits
        // handed on cannot disagree.
        const HeardTransmission heard{bitsSoFar_,      transmissionBits_, info.startSeconds,
                                      info.endSeconds, info.levelDbfs,    info.ebN0Db,
                                      info.inverted,   info.polarityGuessed};
        bitsSoFar_ += transmissionBits_;
        transmissionBits_ = 0;
        if (events_.transmissionEnd)
            events_.transmissionEnd(heard);
    };
}

void SoundDemodulator::Feed(std::span<const float> samples) {
    demodulator_.Feed(samples, sink_);
}

void SoundDemodulator::Finish() {
    demodulator_.Finish(sink_);
}

std::uint64_t Demodulate(AudioFile& audio, demod::Polarity polarity,
                         const DemodulationEvents& events) {
    // Auto takes the reading of each transmission that decodes.
    SoundDemodulator demodulator(audio.sampleRate(), polarity, events);
    std::uint64_t samples = 0;
    for (std::span<const float> piece = audio.Read(); !piece.empty(); piece = audio.Read()) {
        samples += piece.size();
        demodulator.Feed(piece);
    }
    demodulator.Finish();
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
