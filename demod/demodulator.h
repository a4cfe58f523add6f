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
// Auto follows the sync patterns the recording's transmissions carry, holding each
// transmission's bits back until it ends (see polarity.h for the rule and why it has to be a
// rule of thumb); with no pattern seen yet, Normal.
enum class Polarity { Auto, Normal, Inverted };

// One carrier-on stretch, known when it ends.
struct TransmissionInfo {
    double startSeconds = 0; // from the first sample fed
    double endSeconds = 0;
    // RMS level of the signal band (+-1 kHz around 1500 Hz, its noise included) during the
    // transmission, against full scale 1.0: a full-scale sine reads -3 dBFS.
    double levelDbfs = 0;
    // Estimated Eb/N0 of the transmission (dB), the noise taken as white over the audio band.
    double ebN0Db = 0;
    bool inverted = false;      // the polarity used for its bits
    std::uint64_t bitCount = 0; // bits handed out for it
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
    explicit Demodulator(double sampleRate, Polarity polarity = Polarity::Auto);
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
