#include "live_sound.h"

#include "recording.h"

namespace vantrel {

LiveSound::LiveSound(const RecordEvents& events, demod::Polarity polarity)
    : reading_(SignallingReading(polarity)), live_(events) {}

void LiveSound::Feed(std::span<const float> samples, int sampleRate) {
    if (samples.empty())
        return;
    if (demodulator_ && demodulator_->sampleRate() != sampleRate)
        EndOfSound();
    if (!demodulator_) {
        demodulator_.emplace(
            sampleRate, reading_,
            DemodulationEvents{
                [this](std::string_view bits) { bits_.append(bits); },
                [this](const HeardTransmission& heard) { TransmissionEnded(heard); }});
        samplesFed_ = 0;
    }
    samplesFed_ += samples.size();
    pieceTime_ = std::chrono::system_clock::now();
    demodulator_->Feed(samples);
}

// A transmission's bits are held until it ends, so that its records carry when it began; the
// demodulator holds them as long anyway while it decides the polarity.
void LiveSound::TransmissionEnded(const HeardTransmission& heard) {
    live_.heard = heard;
    live_.heard->firstBit = live_.bitsFed;
    // The end of the piece being demodulated is now; the transmission began that much earlier.
    const double agoSeconds =
        static_cast<double>(samplesFed_) / demodulator_->sampleRate() - heard.startSeconds;
    live_.heardUtc =
        UtcText(pieceTime_ - std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                 std::chrono::duration<double>(agoSeconds)));
    live_.bitsFed += bits_.size();
    live_.decoder.Feed(bits_);
    bits_.clear();
    live_.decoder.EndRecord();
    live_.maker.Trim(live_.decoder);
    live_.heard.reset();
}

void LiveSound::EndOfSound() {
    if (demodulator_)
        demodulator_->Finish();
    demodulator_.reset();
}

void LiveSound::Finish() {
    EndOfSound();
    live_.decoder.Finish();
}

} // namespace vantrel
