// The chain: HighPass -> Baseband (filter) -> discriminator and BitClock (timing) -> ToneCorrelator
// and SequenceDetector (detection) -> CarrierDetect (squelch) -> PolarityChoice -> the caller.
#include "demodulator.h"

#include "baseband.h"
#include "bit_clock.h"
#include "carrier_detect.h"
#include "high_pass.h"
#include "polarity.h"
#include "sequence_detector.h"
#include "tone_correlator.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace demod {

namespace {

constexpr std::size_t PieceSamples = 4096; // input handled at a time: bounds the buffers
constexpr double MaxToneOffsetHz = 60;     // tones are tracked this far from nominal
// Bits kept while no carrier is heard: the carrier detector needs a few bits of a
// transmission before it is sure, and those bits belong to it.
constexpr std::size_t LeadBits = 24;
// Bits held back while a carrier is heard: when it drops, the last of them may be noise.
constexpr std::size_t TailBits = 12;
// A single bit whose own correlation explains less than this share of its energy does not
// look like FFSK: lead and tail bits like that are left out.
constexpr double GoodBitQuality = 0.6;
constexpr float MaxSample = 1000; // far beyond full scale; keeps every sum finite

double Omega(double hz, double rate) {
    return 2 * std::numbers::pi * (hz - CentreHz) / rate;
}

} // namespace

struct Demodulator::State {
    State(double sampleRate, Polarity polarity, ReadingScore score, AutoDecision decision)
        : inputRate(sampleRate), polarityMode(polarity), score(score), decision(decision),
          baseband(sampleRate), highPass(sampleRate), rate(baseband.outputRate()),
          clock(rate / BitRate), detector(Omega(LowToneHz, rate), Omega(HighToneHz, rate),
                                          2 * std::numbers::pi * MaxToneOffsetHz / rate),
          carrier(baseband.wideNoiseBandwidthHz(), rate),
          polarity(polarity, std::move(score), decision) {
        correlator.Start(0, 0, detector.lowOmega(), detector.highOmega());
        buffer.reserve(PieceSamples);
    }

    double inputRate;
    Polarity polarityMode;
    ReadingScore score;
    AutoDecision decision;
    Baseband baseband;
    HighPass highPass;
    double rate;
    BitClock clock;
    ToneCorrelator correlator;
    SequenceDetector detector;
    CarrierDetect carrier;
    PolarityChoice polarity;

    std::vector<BasebandSample> buffer;
    std::int64_t n = 0;    // baseband samples since the clock started
    double timeOffset = 0; // seconds before sample 0 (input fed before a Finish)
    Complex previous{};
    std::deque<DecidedBit> lead, tail;
    std::string out;
    // The transmission on the air.
    bool on = false;
    double start = 0, end = 0;
    std::uint64_t bitCount = 0;

    double Seconds(double position) const {
        return timeOffset + std::max(0.0, position - baseband.delaySamples()) / rate;
    }

    void Sample(const BasebandSample& sample, const Sink& sink) {
        const Complex r = sample.narrow;
        // Discriminator: the phase step from the previous sample, scaled so that the two
        // tracked tones read -1 and +1.
        const Complex step = r * std::conj(previous);
        previous = r;
        const double low = detector.lowOmega(), high = detector.highOmega();
        const double angle = std::atan2(step.imag(), step.real());
        const auto y = static_cast<float>((angle - (low + high) / 2) / ((high - low) / 2));
        if (clock.Step(n, y)) {
            if (!correlator.Empty())
                Bit(correlator.Take(clock.bitStart()), sink);
            correlator.Start(clock.bitStart(), static_cast<double>(n), detector.lowOmega(),
                             detector.highOmega());
        }
        correlator.Add(sample);
        ++n;
    }

    void Bit(const BitObservation& bit, const Sink& sink) {
        if (auto decided = detector.Push(bit))
            Decided(*decided, sink);
    }

    void Decided(const DecidedBit& bit, const Sink& sink) {
        const bool wasOn = carrier.on();
        const bool nowOn = carrier.Push(bit);
        clock.SetTracking(nowOn);
        detector.SetTracking(nowOn);
        if (nowOn && !std::isnan(bit.lateSamples))
            clock.Correct(bit.lateSamples);
        if (!wasOn && nowOn) {
            detector.Shift(carrier.toneOffset());
            // The lead bits that already looked like FFSK belong to this transmission.
            std::size_t first = lead.size();
            while (first > 0 && CarrierDetect::BitQuality(lead[first - 1]) >= GoodBitQuality)
                --first;
            on = true;
            bitCount = 0;
            start = Seconds(first < lead.size() ? lead[first].start : bit.start);
            for (std::size_t i = first; i < lead.size(); ++i)
                tail.push_back(lead[i]);
            lead.clear();
        }
        if (nowOn) {
            tail.push_back(bit);
            while (tail.size() > TailBits) {
                Emit(tail.front());
                tail.pop_front();
            }
            return;
        }
        if (wasOn) {
            EndTransmission(sink);
            detector.Reset();
            return;
        }
        lead.push_back(bit);
        if (lead.size() > LeadBits)
            lead.pop_front();
    }

    void Emit(const DecidedBit& bit) {
        polarity.Push(!bit.high, out);
        ++bitCount;
        end = Seconds(bit.start + bit.length);
    }

    void EndTransmission(const Sink& sink) {
        while (!tail.empty() && CarrierDetect::BitQuality(tail.back()) < GoodBitQuality)
            tail.pop_back();
        for (const DecidedBit& bit : tail)
            Emit(bit);
        tail.clear();
        polarity.End(out);
        FlushBits(sink);
        TransmissionInfo info;
        info.startSeconds = start;
        info.endSeconds = std::max(start, end);
        const double power = carrier.meanPower();
        info.levelDbfs = power > 0 ? 10 * std::log10(2 * power) : -200;
        info.ebN0Db = carrier.ebN0Db();
        info.inverted = polarity.inverted();
        info.polarityGuessed = polarity.guessed();
        info.evidence = polarity.TakeEvidence();
        info.bitCount = bitCount;
        on = false;
        if (sink.transmissionEnd)
            sink.transmissionEnd(info);
    }

    void FlushBits(const Sink& sink) {
        if (out.empty())
            return;
        if (sink.bits)
            sink.bits(out);
        out.clear();
    }
};

Demodulator::Demodulator(double sampleRate, Polarity polarity, ReadingScore score,
                         AutoDecision decision)
    : state_(std::make_unique<State>(sampleRate, polarity, std::move(score), decision)) {}

Demodulator::~Demodulator() = default;
Demodulator::Demodulator(Demodulator&&) noexcept = default;
Demodulator& Demodulator::operator=(Demodulator&&) noexcept = default;

void Demodulator::Feed(std::span<const float> samples, const Sink& sink) {
    State& s = *state_;
    float clean[PieceSamples];
    while (!samples.empty()) {
        const std::size_t count = std::min(samples.size(), PieceSamples);
        for (std::size_t i = 0; i < count; ++i) {
            const float x = samples[i];
            clean[i] = std::isfinite(x) ? std::clamp(x, -MaxSample, MaxSample) : 0.0f;
        }
        samples = samples.subspan(count);
        s.highPass.Process(std::span<float>(clean, count));
        s.buffer.clear();
        s.baseband.Process(std::span<const float>(clean, count), s.buffer);
        for (const BasebandSample& sample : s.buffer)
            s.Sample(sample, sink);
        s.FlushBits(sink);
    }
}

void Demodulator::Finish(const Sink& sink) {
    State& s = *state_;
    // The bit under way counts when most of it was heard.
    BitObservation last = s.correlator.Take(s.clock.nextBoundary());
    if (last.samples >= last.length / 2 && last.samples > 0)
        s.Bit(last, sink);
    s.detector.Drain([&](const DecidedBit& bit) { s.Decided(bit, sink); });
    if (s.carrier.on() || s.on)
        s.EndTransmission(sink);
    s.FlushBits(sink);
    // Whatever comes next is a new recording that starts where this one stopped.
    const double elapsed = s.timeOffset + static_cast<double>(s.n) / s.rate;
    state_ = std::make_unique<State>(s.inputRate, s.polarityMode, s.score, s.decision);
    state_->timeOffset = elapsed;
}

} // namespace demod
