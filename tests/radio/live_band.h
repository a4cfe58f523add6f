// A live source's band decoded as the band run is to decode it, for the tests and the bench:
// bytes to samples, every channel's audio to a demodulator of its own, a channel's calls
// decoded when it closes; and whenever the source's break count moves, every open channel
// closed before the bytes after the break are fed, so nothing heard before a gap is joined to
// what comes after it.
#pragma once

#include "band_calls.h"
#include "iq_source.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace radio_test {

using band_calls::Listener;

// One opening of a channel's squelch: when, in seconds of samples fed.
struct Opening {
    double hz = 0;
    double opened = 0;
    double closed = 0;
};

struct LiveHeard {
    std::vector<band_calls::Call> calls;
    std::vector<Opening> openings; // in the order they closed
    std::uint64_t bytes = 0;       // bytes the source gave
    std::uint64_t breaks = 0;      // breaks seen
};

class LiveBand {
public:
    // `onCall`, when given, takes each call as it is decoded instead of the list keeping it.
    explicit LiveBand(const channelizer::BandPlan& plan,
                      std::function<void(const band_calls::Call&)> onCall = {})
        : onCall_(std::move(onCall)),
          receiver_(plan, {[this](const channelizer::Channel& c, double seconds) {
                               open_[c.index] = seconds;
                           },
                           [this](const channelizer::Channel& c, std::span<const float> audio) {
                               Listener& l = Of(c);
                               l.demodulator.Feed(audio, l.sink);
                           },
                           [this](const channelizer::Channel& c, double seconds) {
                               Listener& l = Of(c);
                               l.demodulator.Finish(l.sink);
                               for (band_calls::Record& record : band_calls::Records(l.bits))
                                   Take({c.hz, record});
                               l.bits.clear();
                               if (keepOpenings_)
                                   heard_.openings.push_back({c.hz, open_[c.index], seconds});
                           }}) {}

    // Reads `source` until it has given `bytes` bytes or `limit` has passed; `kept`, when
    // given, receives every byte.
    void Run(vantrel::IqSource& source, std::uint64_t bytes, std::chrono::duration<double> limit,
             std::vector<char>* kept = nullptr) {
        const auto until = std::chrono::steady_clock::now() + limit;
        channelizer::IqConverter converter(source.format());
        std::vector<std::complex<float>> samples;
        while (heard_.bytes < bytes && std::chrono::steady_clock::now() < until) {
            const std::optional<std::span<const char>> piece = source.Read();
            if (!piece)
                break;
            if (source.breaks() != heard_.breaks) {
                heard_.breaks = source.breaks();
                receiver_.Finish();
            }
            heard_.bytes += piece->size();
            if (kept != nullptr)
                kept->insert(kept->end(), piece->begin(), piece->end());
            samples.clear();
            converter.Convert({reinterpret_cast<const std::uint8_t*>(piece->data()), piece->size()},
                              samples);
            receiver_.Feed(samples);
        }
    }

    void KeepOpenings(bool keep) { keepOpenings_ = keep; }

    LiveHeard Finish() {
        receiver_.Finish();
        return heard_;
    }

private:
    Listener& Of(const channelizer::Channel& channel) {
        return listeners_.try_emplace(channel.hz).first->second;
    }

    void Take(const band_calls::Call& call) {
        if (onCall_)
            onCall_(call);
        else
            heard_.calls.push_back(call);
    }

    std::function<void(const band_calls::Call&)> onCall_;
    std::map<double, Listener> listeners_;
    std::map<std::size_t, double> open_;
    bool keepOpenings_ = true;
    LiveHeard heard_;
    channelizer::BandReceiver receiver_;
};

} // namespace radio_test
