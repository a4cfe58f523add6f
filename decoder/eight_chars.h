// Reading eight "0"/"1" characters at once: the sync search and the codeword check both turn
// long runs of characters into bits, and a word at a time is much faster than a character.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace modETSI300230 {

inline constexpr std::uint64_t EveryByte = 0x0101010101010101ULL;

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big,
              "the byte gathering assumes a plain byte order");

// The multiplication gathers the low bit of each byte ("0" is 0x30, "1" is 0x31) into the top
// byte of the product; its constant depends on which byte of the word holds the first
// character, so that the first character always lands in the top bit.
inline constexpr std::uint64_t GatherLowBits =
    std::endian::native == std::endian::little ? 0x8040201008040201ULL : 0x0102040810204080ULL;

// The eight characters at `p` as eight bits, the first in the top bit; false when any of them
// is not "0"/"1". Reads exactly eight bytes.
inline bool LoadEight(const char* p, std::uint32_t& bits) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    if ((word & (EveryByte * 0xFEU)) != EveryByte * 0x30U)
        return false;
    bits = static_cast<std::uint32_t>(((word & EveryByte) * GatherLowBits) >> 56);
    return true;
}

} // namespace modETSI300230
