#include "demodulate_sound.h"

#include "polarity.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

namespace vantrel {

AudioFile OpenAudio(const std::string& path, const AudioOptions& options) {
    if (options.rawSampleRate != 0)
        return AudioFile::OpenRaw(path, options.rawSampleRate);
    return AudioFile::Open(path, options.channel);
}

SoundDemodulator::SoundDemodulator(int sampleRate, const ToneReading& reading,
                                   DemodulationEvents events)
    : sampleRate_(sampleRate),
      demodulator_(sampleRate, reading.polarity, reading.score, reading.decision),
      events_(std::move(events)) {
    sink_.bits = [this](std::string_view bits) {
        transmissionBits_ += bits.size();
        if (events_.bits)
            events_.bits(bits);
    };
    sink_.transmissionEnd = [this](const demod::TransmissionInfo& info) {
        // Counted here rather than taken from the demodulator, so that the map and the bits
        // handed on cannot disagree.
        const HeardTransmission heard{bitsSoFar_,      transmissionBits_,    info.startSeconds,
                                      info.endSeconds, info.levelDbfs,       info.ebN0Db,
                                      info.inverted,   info.polarityGuessed, info.evidence};
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

std::uint64_t Demodulate(SampleSource& source, const ToneReading& reading,
                         const DemodulationEvents& events, const volatile std::sig_atomic_t* stop) {
    // A source that does not know its rate yet (a WAV whose header is on its way) has it with
    // its first samples.
    std::optional<SoundDemodulator> demodulator;
    if (source.sampleRate() > 0)
        demodulator.emplace(source.sampleRate(), reading, events);
    std::uint64_t samples = 0;
    while (stop == nullptr || *stop == 0) {
        const std::optional<std::span<const float>> piece = source.Read();
        if (!piece)
            break;
        if (piece->empty())
            continue;
        if (!demodulator)
            demodulator.emplace(source.sampleRate(), reading, events);
        samples += piece->size();
        demodulator->Feed(*piece);
    }
    if (demodulator)
        demodulator->Finish();
    return samples;
}

namespace {

// Every transmission read as the receiver's polarity, weighed over all of them, says; the
// bits came read Normal.
void ReadAsTheReceiver(std::string& bits, std::vector<HeardTransmission>& heard) {
    const double lead = std::accumulate(
        heard.begin(), heard.end(), 0.0,
        [](double sum, const HeardTransmission& t) { return sum + t.evidence.normalLead; });
    for (HeardTransmission& t : heard) {
        const demod::PolarityReading reading = demod::ReadingFor(lead, t.evidence);
        t.inverted = reading.inverted;
        t.polarityGuessed = reading.guessed;
        if (!reading.inverted)
            continue;
        const auto first = bits.begin() + static_cast<std::ptrdiff_t>(t.firstBit);
        std::for_each(first, first + static_cast<std::ptrdiff_t>(t.bitCount),
                      [](char& c) { c = c == '1' ? '0' : '1'; });
    }
}

} // namespace

DemodulatedSound DemodulateWhole(SampleSource& source, const ToneReading& reading) {
    DemodulatedSound result;
    ToneReading deferred = reading;
    deferred.decision = demod::AutoDecision::Deferred;
    std::vector<HeardTransmission> heard;
    const std::uint64_t samples =
        Demodulate(source, deferred,
                   {[&](std::string_view bits) { result.Bits.append(bits); },
                    [&](const HeardTransmission& t) {
                        if (t.bitCount > 0) // no bit points to one without bits
                            heard.push_back(t);
                    }});
    if (reading.polarity == demod::Polarity::Auto)
        ReadAsTheReceiver(result.Bits, heard);
    for (const HeardTransmission& t : heard)
        result.Transmissions.Add(t);
    if (source.sampleRate() > 0)
        result.Seconds = static_cast<double>(samples) / source.sampleRate();
    result.EndedEarly = source.endedEarly();
    return result;
}

} // namespace vantrel
