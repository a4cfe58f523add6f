// Shared helpers for the demodulator tests: transmissions made by the test encoder and
// modulator, demodulated in pieces, and the decoder's records of the bits.
#pragma once

#include "demodulator.h"
#include "encoder.h"
#include "modETSI300230.h"
#include "modulator.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

namespace demod_helpers {

// Alternating bits ending in "0", so the "1" a sync pattern opens with continues them.
inline std::string Preamble(std::size_t length = 40) {
    std::string bits;
    for (std::size_t i = 0; i < length; ++i)
        bits += (length - i) % 2 == 0 ? '1' : '0';
    return bits;
}

// A few different blocks, one per transmission: calls, extended addressing, short data.
inline std::vector<std::string> Blocks(std::size_t count,
                                       encoder::Sync sync = encoder::Sync::NoFec) {
    std::vector<std::string> blocks;
    for (std::size_t i = 0; i < count; ++i) {
        encoder::Header h;
        h.country = static_cast<std::uint32_t>(i % 32);
        h.from = static_cast<std::uint32_t>(0x100 + 37 * i);
        h.to = static_cast<std::uint32_t>(0x200 + 53 * i);
        switch (i % 3) {
        case 0:
            blocks.push_back(encoder::CallBlock(h, sync));
            break;
        case 1: {
            encoder::Header first = h;
            first.to = encoder::AllCallTo;
            blocks.push_back(encoder::ExtendedBlock(first, h, sync));
            break;
        }
        default:
            h.function = encoder::ShortData;
            blocks.push_back(encoder::ShortDataBlock(h, "UNIT " + std::to_string(i), sync));
        }
    }
    return blocks;
}

// What the decoder makes of a bit text, without the logs (they also show the bits around
// the blocks, which differ between a sent text and a demodulated one).
inline std::vector<modETSI300230::BlockInfo> Records(const std::string& bits) {
    std::vector<modETSI300230::BlockInfo> blocks;
    std::int32_t count = 0;
    modETSI300230::DecodeStream(bits, blocks, count);
    blocks.resize(static_cast<std::size_t>(std::max(count, 0)));
    for (modETSI300230::BlockInfo& b : blocks)
        b.Log = {};
    return blocks;
}

struct Heard {
    std::string bits;
    std::vector<std::string> perTransmission;
    std::vector<demod::TransmissionInfo> transmissions;
};

// The transmissions heard, one a line, for failure messages.
inline std::string Describe(const Heard& heard) {
    std::string text;
    for (std::size_t i = 0; i < heard.transmissions.size(); ++i) {
        const demod::TransmissionInfo& t = heard.transmissions[i];
        text += std::to_string(t.startSeconds) + " .. " + std::to_string(t.endSeconds) + " s, " +
                std::to_string(t.bitCount) + " bits: " + heard.perTransmission[i].substr(0, 80) +
                "\n";
    }
    return text;
}

// Demodulates `audio` handed over in pieces of `piece` samples; Auto asks the decoder's
// content score, as the programs do.
inline Heard Demodulate(const std::vector<float>& audio, double rate,
                        demod::Polarity polarity = demod::Polarity::Auto,
                        std::size_t piece = 4096) {
    Heard heard;
    std::string current;
    demod::Demodulator demodulator(rate, polarity, modETSI300230::SignallingScore);
    const demod::Sink sink{[&](std::string_view bits) {
                               heard.bits += bits;
                               current += bits;
                           },
                           [&](const demod::TransmissionInfo& info) {
                               heard.transmissions.push_back(info);
                               heard.perTransmission.push_back(current);
                               current.clear();
                           }};
    const std::span<const float> all(audio);
    for (std::size_t at = 0; at < audio.size(); at += piece)
        demodulator.Feed(all.subspan(at, std::min(piece, audio.size() - at)), sink);
    demodulator.Finish(sink);
    return heard;
}

} // namespace demod_helpers
