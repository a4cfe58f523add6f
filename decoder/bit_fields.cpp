#include "bit_fields.h"

#include "eight_chars.h"

#include <algorithm>
#include <array>
#include <bit>

namespace modETSI300230 {

thread_local std::string BlockLog;

namespace {

// Generator x^15 + x^14 + x^13 + x^11 + x^4 + x^2 + 1, its x^15 term as the top bit.
constexpr std::uint32_t Generator = 0xE815;
constexpr std::uint32_t TopBit = 0x8000;
constexpr std::size_t CheckInputLength = 63;
constexpr std::size_t InvertedPosition = 62; // 0-based position of the inverted check bit
constexpr char HexDigits[] = "0123456789ABCDEF";

std::uint32_t Reduce(std::uint32_t reg) {
    return (reg & TopBit) ? reg ^ Generator : reg;
}

// Remainder of the check input (positions 1-62 as they stand, then position 63 inverted,
// where anything but "0" counts as "1" and so enters as "0") divided by the generator, one
// character at a time. Codewords holding characters other than "0"/"1" take this way.
std::uint32_t RemainderByCharacters(std::string_view codeword) {
    auto inputBit = [&](std::size_t i) -> std::uint32_t {
        if (i == InvertedPosition)
            return codeword[i] == '0' ? 1 : 0;
        return codeword[i] == '1' ? 1 : 0;
    };
    std::uint32_t reg = 0;
    for (std::size_t i = 0; i < 16; ++i)
        reg = (reg << 1) | inputBit(i);
    reg = Reduce(reg);
    for (std::size_t i = 16; i < CheckInputLength; ++i)
        reg = Reduce((reg << 1) | inputBit(i));
    return reg;
}

std::uint32_t ParityByCharacters(std::string_view codeword) {
    return static_cast<std::uint32_t>(std::count(codeword.begin(), codeword.end(), '1')) & 1U;
}

// Shifting the register by eight places at once: its top eight bits, multiplied by x^15,
// reduced by the generator. Bit-by-bit division and this table give the same remainder, as
// both compute the check input modulo the generator.
constexpr std::array<std::uint16_t, 256> ShiftedOut = [] {
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t top = 0; top < 256; ++top) {
        std::uint32_t value = top << 15;
        for (int bit = 22; bit >= 15; --bit)
            if ((value & (1U << bit)) != 0)
                value ^= Generator << (bit - 15);
        table[top] = static_cast<std::uint16_t>(value);
    }
    return table;
}();

// The 64 characters as 64 bits, the first in the top bit, when all of them are "0"/"1".
bool CodewordBits(std::string_view codeword, std::uint64_t& bits) {
    bits = 0;
    for (std::size_t group = 0; group < CodewordLength; group += 8) {
        std::uint32_t eight = 0;
        if (!LoadEight(codeword.data() + group, eight))
            return false;
        bits = (bits << 8) | eight;
    }
    return true;
}

// The same remainder a byte at a time: the check input is the codeword's first 63 bits with
// the last one inverted; a leading 0 makes it eight whole bytes.
std::uint32_t RemainderByBytes(std::uint64_t bits) {
    const std::uint64_t input = (bits >> 1) ^ 1U;
    std::uint32_t reg = 0;
    for (int shift = 56; shift >= 0; shift -= 8) {
        const auto byte = static_cast<std::uint32_t>(input >> shift) & 0xFFU;
        reg = ShiftedOut[reg >> 7] ^ (((reg & 0x7FU) << 8) | byte);
    }
    return reg;
}

struct CheckResult {
    std::uint32_t remainder;
    std::uint32_t parity;
};

// Nearly every codeword is made of "0"/"1" only and is checked as one 64-bit word.
CheckResult Check(std::string_view codeword) {
    std::uint64_t bits = 0;
    if (CodewordBits(codeword, bits))
        return {RemainderByBytes(bits), static_cast<std::uint32_t>(std::popcount(bits)) & 1U};
    return {RemainderByCharacters(codeword), ParityByCharacters(codeword)};
}

void AppendCheckLine(std::string_view codeword, std::uint32_t remainder, std::uint32_t parity) {
    BlockLog += CrLf;
    BlockLog += "[REDUNDAN] ";
    BlockLog += codeword.substr(0, InfoLength);
    BlockLog += ' ';
    BlockLog += codeword.substr(InfoLength);
    BlockLog += " CRC=";
    BlockLog += HexText(remainder);
    BlockLog += " Parity=";
    BlockLog += static_cast<char>('0' + parity);
}

} // namespace

// Reading from the first character on, each step doubling what came before, gives every
// character the weight it has counted from the end; past 32 characters the earliest ones
// drop out of the 32 bits just as their weights would wrap to zero.
std::int32_t BitsToLong(std::string_view bits) {
    std::uint32_t value = 0;
    for (const char c : bits)
        value = (value << 1) | (c == '1' ? 1U : 0U);
    return static_cast<std::int32_t>(value);
}

CodewordVerdict CheckCodewordVerdict(std::string_view& rest, std::string& info,
                                     BlockLogging logging) {
    const bool logged = logging == BlockLogging::Kept;
    CodewordVerdict verdict;
    if (rest.size() >= CodewordLength) {
        const std::string_view codeword = rest.substr(0, CodewordLength);
        const CheckResult result = Check(codeword);
        verdict = {true, result.remainder, result.parity,
                   result.remainder != 0 || result.parity != 0};
        if (logged)
            AppendCheckLine(codeword, result.remainder, result.parity);
    }
    if (logged)
        BlockLog += verdict.failed ? " ERROR" : " OK";
    info.assign(rest.substr(0, InfoLength));
    rest.remove_prefix(std::min(rest.size(), CodewordLength));
    return verdict;
}

bool CheckCodeword(std::string_view& rest, std::string& info) {
    return CheckCodewordVerdict(rest, info).failed;
}

bool CheckCodeword(std::string& bits) {
    std::string_view rest = bits;
    std::string info;
    const bool failed = CheckCodeword(rest, info);
    info += rest;
    bits = std::move(info);
    return failed;
}

// The short data step takes a dozen digits per codeword, so this one converts its four
// characters in place instead of going through a field text.
char TakeDigit(std::string_view& bits) {
    const std::size_t taken = std::min<std::size_t>(bits.size(), 4);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < taken; ++i)
        value = (value << 1) | (bits[i] == '1' ? 1U : 0U);
    bits.remove_prefix(taken);
    return HexDigits[value];
}

std::string TakeDigit(std::string& bits) {
    std::string_view view = bits;
    const char digit = TakeDigit(view);
    bits.erase(0, bits.size() - view.size());
    return std::string(1, digit);
}

std::string HexText(std::uint32_t value) {
    std::array<char, 8> buffer{};
    std::size_t start = buffer.size();
    do {
        buffer[--start] = HexDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    return std::string(buffer.data() + start, buffer.size() - start);
}

std::string PaddedHex(std::uint32_t value) {
    std::string text = HexText(value);
    if (text.size() < 3)
        text.insert(0, 3 - text.size(), '0');
    return text;
}

std::string DecimalForm(std::string_view hexText) {
    std::uint32_t value = 0;
    for (const char c : hexText) {
        const auto digit = static_cast<std::uint32_t>(std::string_view(HexDigits).find(c));
        value = value * 16 + (digit < 16 ? digit : 0);
    }
    return std::to_string(value);
}

} // namespace modETSI300230
