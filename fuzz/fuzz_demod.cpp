// Any bytes as audio for the demodulator, at a sample rate taken from the input: it must
// finish, hand out only "0"/"1" characters, report every transmission consistently, and give
// the same result whatever the piece size.
#include "demodulator.h"
#include "require.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using fuzz::Require;

struct Result {
    std::string bits;
    std::vector<demod::TransmissionInfo> transmissions;
};

Result Run(double rate, demod::Polarity polarity, const std::vector<float>& samples,
           std::size_t piece) {
    Result result;
    std::uint64_t sinceEnd = 0;
    demod::Demodulator demodulator(rate, polarity);
    const demod::Sink sink{
        [&](std::string_view bits) {
            for (const char c : bits)
                Require(c == '0' || c == '1');
            result.bits += bits;
            sinceEnd += bits.size();
        },
        [&](const demod::TransmissionInfo& info) {
            Require(info.bitCount == sinceEnd);
            Require(std::isfinite(info.startSeconds) && std::isfinite(info.endSeconds));
            Require(info.startSeconds <= info.endSeconds);
            Require(std::isfinite(info.levelDbfs) && std::isfinite(info.ebN0Db));
            if (!result.transmissions.empty())
                Require(result.transmissions.back().endSeconds <= info.startSeconds + 1e-6);
            result.transmissions.push_back(info);
            sinceEnd = 0;
        }};
    const std::span<const float> all(samples);
    for (std::size_t at = 0; at < samples.size(); at += piece)
        demodulator.Feed(all.subspan(at, std::min(piece, samples.size() - at)), sink);
    demodulator.Finish(sink);
    Require(sinceEnd == 0); // every bit belongs to a reported transmission
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    // Byte 0-1: rate in hundreds of hertz (beyond 192 kHz must be refused); byte 2: polarity
    // and sample format; byte 3: piece size.
    const double rate = 100.0 * (data[0] | (data[1] << 8));
    const auto polarity = static_cast<demod::Polarity>(data[2] % 3);
    const bool floats = (data[2] & 0x10) != 0;
    const std::size_t piece = 1 + data[3] * 37U;
    std::vector<float> samples;
    for (std::size_t at = 4; at + (floats ? 4 : 2) <= size; at += floats ? 4 : 2) {
        if (floats) {
            float value = 0;
            std::memcpy(&value, data + at, sizeof value);
            samples.push_back(value);
        } else {
            samples.push_back(
                static_cast<float>(static_cast<std::int16_t>(data[at] | (data[at + 1] << 8))) /
                32768.0f);
        }
    }
    if (rate < demod::MinSampleRate || rate > demod::MaxSampleRate) {
        bool refused = false;
        try {
            demod::Demodulator demodulator(rate);
        } catch (const std::invalid_argument&) {
            refused = true;
        }
        Require(refused);
        return 0;
    }
    const Result inPieces = Run(rate, polarity, samples, piece);
    const Result whole = Run(rate, polarity, samples, samples.size() + 1);
    Require(inPieces.bits == whole.bits);
    Require(inPieces.transmissions.size() == whole.transmissions.size());
    return 0;
}
