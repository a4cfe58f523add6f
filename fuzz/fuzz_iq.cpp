// Any bytes as an IQ capture: the first byte picks the format and the piece sizes, the rest is
// the capture. Pieces of any size must give what the whole gives, every sample finite; the
// samples then go through a band receiver of a small band, whose events must pair up (each
// channel opened before its audio and closed after it) and whose audio must be finite.
#include "band_receiver.h"
#include "iq_samples.h"
#include "require.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const auto format = channelizer::IqFormats[data[0] % channelizer::IqFormats.size()].format;
    const std::size_t piece = 1 + data[0] / 4 % 13;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);

    channelizer::IqConverter whole(format);
    std::vector<std::complex<float>> expected;
    whole.Convert(bytes, expected);
    channelizer::IqConverter cut(format);
    std::vector<std::complex<float>> samples;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        cut.Convert(bytes.subspan(at, std::min(piece, bytes.size() - at)), samples);
    Require(samples == expected);
    Require(cut.heldBytes() == bytes.size() % cut.pairBytes());
    for (const std::complex<float>& s : samples)
        Require(std::isfinite(s.real()) && std::isfinite(s.imag()));

    // 100 kHz at 12.5 kHz: a bank of eight channels, the whole band watched.
    const channelizer::BandPlan plan({169.4e6, 100000, 0}, {});
    std::vector<int> open(plan.channels().size(), 0);
    channelizer::BandReceiver receiver(
        plan, {[&](const channelizer::Channel& c, double seconds) {
                   Require(open[c.index] == 0 && std::isfinite(seconds));
                   open[c.index] = 1;
               },
               [&](const channelizer::Channel& c, std::span<const float> audio) {
                   Require(open[c.index] == 1);
                   for (const float a : audio)
                       Require(std::isfinite(a));
               },
               [&](const channelizer::Channel& c, double seconds) {
                   Require(open[c.index] == 1 && std::isfinite(seconds));
                   open[c.index] = 0;
               }});
    // Repeated so that a short input still fills some blocks of 10 ms.
    for (int round = 0; round < 4; ++round)
        for (std::size_t at = 0; at < samples.size(); at += 97 * piece)
            receiver.Feed(
                std::span(samples).subspan(at, std::min(97 * piece, samples.size() - at)));
    receiver.Finish();
    for (const int o : open)
        Require(o == 0);
    return 0;
}
