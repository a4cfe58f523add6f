#include "demodulate_sound.h"

namespace vantrel {

AudioFile OpenAudio(const std::string& path, const AudioOptions& options) {
    if (options.rawSampleRate != 0)
        return AudioFile::OpenRaw(path, options.rawSampleRate);
    return AudioFile::Open(path, options.channel);
}

SoundDemodulator::SoundDemodulator(int sampleRate, demod::Polarity polarity,
                                   DemodulationEvents events)
    : sampleRate_(sampleRate), demodulator_(sampleRate, polarity), events_(std::move(events)) {
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
                                      info.inverted};
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

void Demodulate(AudioFile& audio, demod::Polarity polarity, const DemodulationEvents& events) {
    SoundDemodulator demodulator(audio.sampleRate(), polarity, events);
    for (std::span<const float> piece = audio.Read(); !piece.empty(); piece = audio.Read())
        demodulator.Feed(piece);
    demodulator.Finish();
}

DemodulatedSound DemodulateWhole(AudioFile audio, demod::Polarity polarity) {
    DemodulatedSound result;
    Demodulate(audio, polarity,
               {[&](std::string_view bits) { result.Bits.append(bits); },
                [&](const HeardTransmission& heard) { result.Transmissions.Add(heard); }});
    result.EndedEarly = audio.endedEarly();
    return result;
}

DemodulatedSound DemodulateWhole(const std::string& path, const AudioOptions& options) {
    return DemodulateWhole(OpenAudio(path, options), options.polarity);
}

} // namespace vantrel
