#include "sync_search.h"

#include <cstdint>

namespace modETSI300230 {

namespace {

constexpr std::uint32_t WindowMask = (1U << SyncLength) - 1;

std::uint32_t PatternBits(std::string_view pattern) {
    std::uint32_t bits = 0;
    for (const char c : pattern)
        bits = (bits << 1) | (c == '1' ? 1U : 0U);
    return bits;
}

} // namespace

// One pass with a 28-bit shift register over the characters; a character that is neither
// "0" nor "1" breaks every window that contains it.
std::size_t FindSync(std::string_view text, std::size_t from, std::string_view pattern) {
    const std::uint32_t target = PatternBits(pattern);
    std::uint32_t window = 0;
    std::size_t lastForeign = from; // windows must start after the last foreign character
    bool anyForeign = false;
    for (std::size_t i = from; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        window = ((window << 1) | (c & 1U)) & WindowMask;
        if ((c & 0xFEU) != 0x30U) {
            lastForeign = i;
            anyForeign = true;
            continue;
        }
        const std::size_t clean = anyForeign ? i - lastForeign : i - from + 1;
        if (clean >= SyncLength && window == target)
            return i + 1 - SyncLength;
    }
    return NotFound;
}

std::size_t SyncFinder::Find(Cached& cache, std::size_t from, std::string_view pattern) {
    const bool reusable = cache.valid && cache.searchedFrom <= from &&
                          (cache.found == NotFound || from <= cache.found);
    if (!reusable) {
        cache.searchedFrom = from;
        cache.found = FindSync(text_, from, pattern);
        cache.valid = true;
    }
    return cache.found;
}

SyncFinder::Hit SyncFinder::Next(std::size_t from) {
    if (const std::size_t p = Find(noFec_, from, SyncNoFec); p != NotFound)
        return {p, false};
    if (const std::size_t p = Find(fec_, from, SyncFec); p != NotFound)
        return {p, true};
    return {};
}

} // namespace modETSI300230
