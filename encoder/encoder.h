// Builds signalling bit streams from readable fields: the other direction of the decoder.
// Tests, the sample maker and the benchmark generator all build their streams with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace encoder {

// `width` characters of "0"/"1", most significant bit first.
std::string Bits(std::uint32_t value, int width);

// The 15 check bits of 48 information bits, before the last one is inverted.
std::string CheckBits(std::string_view info);

// A 64-character codeword that passes the check: information bits, check bits with the last
// one inverted, and an even-parity bit.
std::string Codeword(std::string_view info);

// The same codeword with the character at `position` (0-based) flipped, so it fails.
std::string Corrupt(std::string codeword, std::size_t position = 0);

struct Header {
    std::uint32_t function = 10; // 6 bits: operating mode (top 3) and function
    std::uint32_t country = 10;  // 6 bits
    std::uint32_t common = 1;    // 12 bits
    std::uint32_t from = 0x234;  // 12 bits
    std::uint32_t to = 0x567;    // 12 bits
};

std::string HeaderInfo(const Header& header);
std::string HeaderCodeword(const Header& header);

// Function codes the streams use most.
inline constexpr std::uint32_t NormalCall = 10;
inline constexpr std::uint32_t ExternalAddressing = 15;
inline constexpr std::uint32_t ShortData = 25;
inline constexpr std::uint32_t AllCallTo = 0xFFF;

enum class Sync { NoFec, Fec };
std::string SyncPattern(Sync sync);

// The data codewords of a short data transfer carrying `codes` (at most 95 character codes;
// the last codeword is filled up with code 0). `spare` is the digit that takes no part.
std::vector<std::string> ShortDataCodewords(const std::vector<std::uint8_t>& codes,
                                            std::uint32_t spare = 0);
std::vector<std::string> ShortDataCodewords(std::string_view text, std::uint32_t spare = 0);

// A sync pattern followed by the given codewords.
std::string Block(Sync sync, const std::vector<std::string>& codewords);

// A whole block: sync, header codeword(s) and, for a message, its data codewords.
std::string CallBlock(const Header& header, Sync sync = Sync::NoFec);
std::string ExtendedBlock(const Header& first, const Header& second, Sync sync = Sync::NoFec);
std::string ShortDataBlock(const Header& header, std::string_view text, Sync sync = Sync::NoFec);

// A GPS sentence as a unit sends it: "$", the body, "*" and the two upper-case hexadecimal
// digits of the XOR of the body's characters, its checksum.
std::string NmeaSentence(std::string_view body);

// Line ends as a demodulator writes them: `width` characters a line, each ended by `lineEnd`.
std::string Wrap(std::string_view bits, std::size_t width, std::string_view lineEnd = "\r\n");

} // namespace encoder
