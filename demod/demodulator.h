// The FFSK 1200 bit/s demodulator: audio samples in, "0"/"1" characters out, one carrier-on
// stretch (transmission) at a time. Standard library only, no I/O: callers read the audio and
// write the bits. Memory is constant whatever the length of the input.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

namespace demod {

// Which tone is a binary "1". Normal: 1200 Hz is "1", 1800 Hz is "0".
// Auto reads each transmission both ways round and weighs how much better its content decodes
// one way (a ReadingScore), holding the transmission's bits back until it ends. The polarity
// is the receiver's, not the call's: the weight of every transmission heard decides it, so one
// call that happens to read better the other way round does not turn (see polarity.h).
enum class Polarity { Auto, Normal, Inverted };

// When Auto decides. AsHeard: each transmission as it ends, by the weight of every
// transmission so far, its own included (a live run). Deferred: not here: every transmission's
// bits come out read Normal with its evidence in its TransmissionInfo, for a caller that has
// the whole recording before it uses the bits (a batch run) and turns them round by the weight
// of all of them (ReceiverLead, ReadingFor in polarity.h).
enum class AutoDecision { AsHeard, Deferred };

// What one transmission's bits say about the polarity.
struct PolarityEvidence {
    // How much more its bits score read Normal than read Inverted (the ReadingScore of each
    // reading, summed over the stretches it was decided in): positive for Normal.
    double normalLead = 0;
    bool pattern = false; // they held a sync pattern
};

// How much a transmission's bits ("0"/"1", read one way round) look like signalling; Auto
// compares the two readings with it. The decoder's SignallingScore is the one to give: the
// demodulator cannot know what decodes. Without one, the count of NO FEC sync patterns
// stands in.
using ReadingScore = std::function<double(std::string_view bits)>;

// One carrier-on stretch, known when it ends.
struct TransmissionInfo {
    double startSeconds = 0; // from the first sample fed
    double endSeconds = 0;
    // RMS level of the signal band (+-1 kHz around 1500 Hz, its noise included) during the
    // transmission, against full scale 1.0: a full-scale sine reads -3 dBFS.
    double levelDbfs = 0;
    // Estimated Eb/N0 of the transmission (dB), the noise taken as white over the audio band.
    double ebN0Db = 0;
    bool inverted = false; // the polarity used for its bits
    // Auto only: its bits held a sync pattern, yet neither they nor the transmissions before
    // told the polarity, so the standard's mapping (Normal) was taken unconfirmed.
    bool polarityGuessed = false;
    PolarityEvidence evidence{}; // Auto only, while the polarity was not yet settled
    std::uint64_t bitCount = 0;  // bits handed out for it
};

// Called from Feed and Finish. Either member may be empty.
struct Sink {
    // "0"/"1" characters, in order, of the current transmission.
    std::function<void(std::string_view bits)> bits;
    // After the last bits of a transmission.
    std::function<void(const TransmissionInfo&)> transmissionEnd;
};

inline constexpr double MinSampleRate = 8000;
inline constexpr double MaxSampleRate = 192000;

class Demodulator {
public:
    // sampleRate must lie in [MinSampleRate, MaxSampleRate]; std::invalid_argument otherwise.
    // `score` and `decision` are used with Polarity::Auto only.
    explicit Demodulator(double sampleRate, Polarity polarity = Polarity::Auto,
                         ReadingScore score = {}, AutoDecision decision = AutoDecision::AsHeard);
    ~Demodulator();
    Demodulator(Demodulator&&) noexcept;
    Demodulator& operator=(Demodulator&&) noexcept;
    Demodulator(const Demodulator&) = delete;
    Demodulator& operator=(const Demodulator&) = delete;

    // Any piece size, including empty. Non-finite samples are taken as 0.
    void Feed(std::span<const float> samples, const Sink& sink);
    // End of input: flushes what was decoded of a transmission still on the air and reports
    // its end. Feeding after Finish starts afresh at the time where the input stopped.
    void Finish(const Sink& sink);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace demod
