// One stream of samples decoded as it comes (follow mode's WAV or raw PCM, a sound card; a
// channel of a radio band is one more): its own demodulator, decoder and records. A record is
// final when its transmission ends and carries where and when that transmission was heard.
#pragma once

#include "demodulate_sound.h"
#include "live_records.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantrel {

class LiveSound {
public:
    // With the automatic polarity, the decoder's score picks each transmission's reading.
    LiveSound(const RecordEvents& events, demod::Polarity polarity);
    LiveSound(const LiveSound&) = delete;
    LiveSound& operator=(const LiveSound&) = delete;

    // Samples just read, at `sampleRate`.
    void Feed(std::span<const float> samples, int sampleRate);
    // The stream ended or starts over (a followed file replaced, a sound card opened again): a
    // transmission still on the air is finished.
    void EndOfSound();
    // The input has ended: that, and the last record finished.
    void Finish();

private:
    void TransmissionEnded(const HeardTransmission& heard);

    ToneReading reading_;
    LiveRecords live_;
    std::optional<SoundDemodulator> demodulator_;
    std::string bits_;             // the bits of the transmission on the air
    std::uint64_t samplesFed_ = 0; // at the end of the piece being demodulated
    std::chrono::system_clock::time_point pieceTime_{};
};

} // namespace vantrel
