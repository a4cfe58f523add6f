#include "encoder.h"

#include <algorithm>
#include <stdexcept>

namespace encoder {

namespace {

constexpr std::uint32_t Generator = 0xE815; // x^15 + x^14 + x^13 + x^11 + x^4 + x^2 + 1
constexpr std::size_t InfoLength = 48;
constexpr std::size_t MaxCodes = 5 + 6 * 15;

} // namespace

std::string Bits(std::uint32_t value, int width) {
    std::string bits(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0 && value != 0; --i, value >>= 1)
        bits[static_cast<std::size_t>(i)] = (value & 1U) ? '1' : '0';
    return bits;
}

std::string CheckBits(std::string_view info) {
    if (info.size() != InfoLength)
        throw std::invalid_argument("a codeword carries 48 information bits");
    // Remainder of info(x) * x^15 divided by the generator, bit by bit.
    std::uint32_t reg = 0;
    for (const char c : info) {
        const std::uint32_t feedback = ((reg >> 14) & 1U) ^ (c == '1' ? 1U : 0U);
        reg = (reg << 1) & 0x7FFF;
        if (feedback)
            reg ^= Generator & 0x7FFF;
    }
    return Bits(reg, 15);
}

std::string Codeword(std::string_view info) {
    std::string word(info);
    std::string check = CheckBits(info);
    check.back() = check.back() == '1' ? '0' : '1';
    word += check;
    const auto ones = std::count(word.begin(), word.end(), '1');
    word += (ones % 2 == 0) ? '0' : '1';
    return word;
}

std::string Corrupt(std::string codeword, std::size_t position) {
    codeword.at(position) = codeword.at(position) == '1' ? '0' : '1';
    return codeword;
}

std::string HeaderInfo(const Header& h) {
    return Bits(h.function, 6) + Bits(h.country, 6) + Bits(h.common, 12) + Bits(h.from, 12) +
           Bits(h.to, 12);
}

std::string HeaderCodeword(const Header& header) {
    return Codeword(HeaderInfo(header));
}

std::string SyncPattern(Sync sync) {
    return sync == Sync::NoFec ? "1010101010101011010000110011" : "0101010101010100101111001100";
}

std::vector<std::string> ShortDataCodewords(const std::vector<std::uint8_t>& codes,
                                            std::uint32_t spare) {
    if (codes.size() > MaxCodes)
        throw std::invalid_argument("a short data transfer carries at most 95 codes");
    const std::size_t following = codes.size() <= 5 ? 0 : (codes.size() - 5 + 5) / 6;
    std::vector<std::uint8_t> padded(codes);
    padded.resize(5 + 6 * following, 0);

    std::vector<std::string> words;
    std::string info = Bits(static_cast<std::uint32_t>(following), 4) + Bits(spare, 4);
    for (std::size_t i = 0; i < 5; ++i)
        info += Bits(padded[i], 8);
    words.push_back(Codeword(info));
    for (std::size_t w = 0; w < following; ++w) {
        info.clear();
        for (std::size_t i = 0; i < 6; ++i)
            info += Bits(padded[5 + 6 * w + i], 8);
        words.push_back(Codeword(info));
    }
    return words;
}

std::vector<std::string> ShortDataCodewords(std::string_view text, std::uint32_t spare) {
    return ShortDataCodewords(std::vector<std::uint8_t>(text.begin(), text.end()), spare);
}

std::string Block(Sync sync, const std::vector<std::string>& codewords) {
    std::string block = SyncPattern(sync);
    for (const std::string& word : codewords)
        block += word;
    return block;
}

std::string CallBlock(const Header& header, Sync sync) {
    return Block(sync, {HeaderCodeword(header)});
}

std::string ExtendedBlock(const Header& first, const Header& second, Sync sync) {
    return Block(sync, {HeaderCodeword(first), HeaderCodeword(second)});
}

std::string ShortDataBlock(const Header& header, std::string_view text, Sync sync) {
    std::vector<std::string> words{HeaderCodeword(header)};
    for (std::string& word : ShortDataCodewords(text))
        words.push_back(std::move(word));
    return Block(sync, words);
}

std::string NmeaSentence(std::string_view body) {
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    constexpr std::string_view Digits = "0123456789ABCDEF";
    std::string sentence;
    sentence.reserve(body.size() + 4);
    sentence += '$';
    sentence += body;
    sentence += '*';
    sentence += Digits[sum >> 4];
    sentence += Digits[sum & 15];
    return sentence;
}

std::string Wrap(std::string_view bits, std::size_t width, std::string_view lineEnd) {
    std::string wrapped;
    wrapped.reserve(bits.size() + (bits.size() / width + 1) * lineEnd.size());
    for (std::size_t i = 0; i < bits.size(); i += width) {
        wrapped += bits.substr(i, width);
        wrapped += lineEnd;
    }
    return wrapped;
}

} // namespace encoder
