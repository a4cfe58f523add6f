// Finding the sync patterns in one input text without ever scanning a stretch twice.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace modETSI300230 {

inline constexpr std::string_view SyncNoFec = "1010101010101011010000110011";
inline constexpr std::string_view SyncFec = "0101010101010100101111001100";
inline constexpr std::size_t SyncLength = 28;
static_assert(SyncNoFec.size() == SyncLength && SyncFec.size() == SyncLength);

inline constexpr std::size_t NotFound = std::string_view::npos;

// First occurrence of `pattern` (28 characters of "0"/"1") in `text` at or after `from`.
// A character other than "0"/"1" in the text matches nothing.
std::size_t FindSync(std::string_view text, std::size_t from, std::string_view pattern);

// Hands every SyncNoFec and SyncFec window of `text` that starts at or after `from` to
// `visit` (its start, and whether it is SyncFec), in the order of their start, until `visit`
// returns true. A text that arrives in pieces is scanned piece by piece this way, each scan
// starting where the windows not yet complete begin.
void ScanSyncs(std::string_view text, std::size_t from,
               const std::function<bool(std::size_t start, bool fec)>& visit);

// Where every SyncNoFec and every SyncFec of a text starts, in ascending order.
struct SyncPositions {
    std::vector<std::size_t> noFec;
    std::vector<std::size_t> fec;
};
SyncPositions FindAllSyncs(std::string_view text);

// The decoder's sync search: the first SyncNoFec at or after a position, or, when no
// SyncNoFec is left, the first SyncFec. Counting the blocks and decoding them ask this
// question once per block; the text is scanned once, when the finder is made, and every
// answer after that is a lookup in the positions found.
class SyncFinder {
public:
    explicit SyncFinder(std::string_view text) : positions_(FindAllSyncs(text)) {}

    struct Hit {
        std::size_t position = NotFound; // NotFound when neither pattern is left
        bool fec = false;                // which pattern: decides only the label line
    };

    Hit Next(std::size_t from) const;

private:
    SyncPositions positions_;
};

} // namespace modETSI300230
