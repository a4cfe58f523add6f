#include "bit_fields.h"

#include <algorithm>
#include <array>

namespace modETSI300230 {

std::string BlockLog;

namespace {

// Generator x^15 + x^14 + x^13 + x^11 + x^4 + x^2 + 1, its x^15 term as the top bit.
constexpr std::uint32_t Generator = 0xE815;
constexpr std::uint32_t TopBit = 0x8000;
constexpr std::size_t CheckInputLength = 63;
constexpr std::size_t InvertedPosition = 62; // 0-based position of the inverted check bit
constexpr char HexDigits[] = "0123456789ABCDEF";

std::uint32_t Reduce(std::uint32_t reg) { return (reg & TopBit) ? reg ^ Generator : reg; }

// Remainder of the check input (positions 1-62 as they stand, then position 63 inverted,
// where anything but "0" counts as "1" and so enters as "0") divided by the generator.
std::uint32_t Remainder(std::string_view codeword) {
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

std::uint32_t Parity(std::string_view codeword) {
    return static_cast<std::uint32_t>(std::count(codeword.begin(), codeword.end(), '1')) & 1U;
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

std::int32_t BitsToLong(std::string_view bits) {
    std::uint32_t value = 0;
    std::uint32_t weight = 1;
    for (auto it = bits.rbegin(); it != bits.rend(); ++it) {
        if (*it == '1')
            value += weight;
        weight <<= 1;
    }
    return static_cast<std::int32_t>(value);
}

bool CheckCodeword(std::string_view& rest, std::string& info) {
    bool failed = true;
    if (rest.size() >= CodewordLength) {
        const std::string_view codeword = rest.substr(0, CodewordLength);
        const std::uint32_t remainder = Remainder(codeword);
        const std::uint32_t parity = Parity(codeword);
        failed = remainder != 0 || parity != 0;
        AppendCheckLine(codeword, remainder, parity);
    }
    BlockLog += failed ? " ERROR" : " OK";
    info.assign(rest.substr(0, InfoLength));
    rest.remove_prefix(std::min(rest.size(), CodewordLength));
    return failed;
}

bool CheckCodeword(std::string& bits) {
    std::string_view rest = bits;
    std::string info;
    const bool failed = CheckCodeword(rest, info);
    info += rest;
    bits = std::move(info);
    return failed;
}

char TakeDigit(std::string_view& bits) {
    const std::string_view nibble = bits.substr(0, 4);
    bits.remove_prefix(nibble.size());
    return HexDigits[BitsToLong(nibble)];
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
