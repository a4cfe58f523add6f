// Large bit streams for measuring the decoder: a realistic recording and the streams that
// would make a naive decoder slow. Every stream is a pure function of its kind, size and seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace streams {

enum class Kind {
    Realistic,   // noise with about one block every 2,000 characters, all kinds of blocks
    FecOnly,     // many FEC blocks and no NO FEC pattern anywhere
    Packed,      // blocks back to back, no noise at all
    LongNoise,   // one huge run of noise, a single block at its very end
    Undecodable, // pairs of patterns, the second inside the first one's header, then a long tail
    Dense        // a busy channel: the realistic mix with a block about every 540 characters
};

std::optional<Kind> KindByName(std::string_view name);
std::string_view KindName(Kind kind);

struct Options {
    Kind kind = Kind::Realistic;
    std::size_t bits = 0;   // the stream holds at least this many characters, at most a block more
    std::uint64_t seed = 1; // same seed, same stream
    std::size_t pairs = 16; // Undecodable only: how many blocks are counted but never decoded
};

// Hands the stream to `emit` piece by piece, so a stream of hundreds of megabytes never has
// to be held in memory by a writer.
void Generate(const Options& options, const std::function<void(std::string_view)>& emit);

// The whole stream as one text, for in-memory measurements.
std::string GenerateBits(const Options& options);

} // namespace streams
