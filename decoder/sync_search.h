// Finding the sync patterns in one input text without ever scanning a stretch twice.
#pragma once

#include <cstddef>
#include <string_view>

namespace modETSI300230 {

inline constexpr std::string_view SyncNoFec = "1010101010101011010000110011";
inline constexpr std::string_view SyncFec = "0101010101010100101111001100";
inline constexpr std::size_t SyncLength = 28;
static_assert(SyncNoFec.size() == SyncLength && SyncFec.size() == SyncLength);

inline constexpr std::size_t NotFound = std::string_view::npos;

// First occurrence of `pattern` (28 characters of "0"/"1") in `text` at or after `from`.
std::size_t FindSync(std::string_view text, std::size_t from, std::string_view pattern);

// The decoder's sync search: the first SyncNoFec at or after a position, or, when no
// SyncNoFec is left, the first SyncFec. The positions asked for never go backwards within one
// decode (the remaining bit string only loses characters from its front), so the result of
// each search is remembered and reused until the position passes it.
class SyncFinder {
public:
    explicit SyncFinder(std::string_view text) : text_(text) {}

    struct Hit {
        std::size_t position = NotFound; // NotFound when neither pattern is left
        bool fec = false;                // which pattern: decides only the label line
    };

    Hit Next(std::size_t from);

private:
    struct Cached {
        std::size_t searchedFrom = 0;
        std::size_t found = 0; // NotFound: no occurrence at or after searchedFrom
        bool valid = false;
    };

    std::size_t Find(Cached& cache, std::size_t from, std::string_view pattern);

    std::string_view text_;
    Cached noFec_;
    Cached fec_;
};

} // namespace modETSI300230
