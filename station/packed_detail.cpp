#include "packed_detail.h"

#include <cstdint>

namespace vantrel {

namespace {

namespace mod = modETSI300230;

// Layout, every number little-endian:
//   byte 0: headers (0-2); byte 1: codewords; byte 2: 1 for short data, else 0;
//   per header: opMode, function, country (1 byte each), common, from, to (2 bytes each);
//   per codeword: kind (0 header, 1 address, 2 data) + 4 if complete + 8 if failed, parity
//   (1 byte each), the CRC remainder (2 bytes);
//   short data: the announced count (1 byte, signed), then the message's codes to the end.
constexpr std::size_t HeaderBytes = 9;
constexpr std::size_t CodewordBytes = 4;

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

std::uint32_t Byte(std::string_view in, std::size_t at) {
    return static_cast<unsigned char>(in[at]);
}

std::uint32_t Get16(std::string_view in, std::size_t at) {
    return Byte(in, at) | (Byte(in, at + 1) << 8);
}

// A field's value as the bit text the code tables read.
std::string BitText(std::uint32_t value, int width) {
    std::string bits;
    for (int bit = width - 1; bit >= 0; --bit)
        bits += ((value >> bit) & 1U) != 0 ? '1' : '0';
    return bits;
}

} // namespace

std::string PackDetail(const mod::BlockDetail& d) {
    std::string out;
    out.reserve(3 + HeaderBytes * d.headers.size() + CodewordBytes * d.codewords.size() + 1 +
                d.messageCodes.size());
    out += static_cast<char>(d.headers.size());
    out += static_cast<char>(d.codewords.size());
    out += static_cast<char>(d.shortData ? 1 : 0);
    for (const mod::HeaderDetail& h : d.headers) {
        out += static_cast<char>(h.opMode);
        out += static_cast<char>(h.function);
        out += static_cast<char>(h.country);
        Put16(out, h.common);
        Put16(out, h.from);
        Put16(out, h.to);
    }
    for (const mod::CodewordCheck& c : d.codewords) {
        out +=
            static_cast<char>(static_cast<int>(c.kind) | (c.complete ? 4 : 0) | (c.failed ? 8 : 0));
        out += static_cast<char>(c.parity);
        Put16(out, c.remainder);
    }
    if (d.shortData) {
        out += static_cast<char>(static_cast<std::int8_t>(d.dataFollowing));
        out += d.messageCodes;
    }
    return out;
}

std::optional<mod::BlockDetail> UnpackDetail(std::string_view in) {
    if (in.size() < 3)
        return std::nullopt;
    const std::size_t headers = Byte(in, 0);
    const std::size_t codewords = Byte(in, 1);
    const std::uint32_t shortData = Byte(in, 2);
    const std::size_t fixed = 3 + HeaderBytes * headers + CodewordBytes * codewords;
    if (headers > 2 || shortData > 1 || in.size() < fixed + shortData ||
        (shortData == 0 && in.size() != fixed))
        return std::nullopt;
    mod::BlockDetail d;
    std::size_t at = 3;
    for (std::size_t i = 0; i < headers; ++i, at += HeaderBytes) {
        mod::HeaderDetail& h = d.headers.emplace_back();
        h.opMode = Byte(in, at);
        h.function = Byte(in, at + 1);
        h.country = Byte(in, at + 2);
        h.common = Get16(in, at + 3);
        h.from = Get16(in, at + 5);
        h.to = Get16(in, at + 7);
        if (h.opMode > 7 || h.function > 63 || h.country > 63 || h.common > 0xFFF ||
            h.from > 0xFFF || h.to > 0xFFF)
            return std::nullopt;
        h.opModeText = mod::OpModeText(BitText(h.opMode, 3));
        h.functionText = mod::FunctionText(BitText(h.function, 6));
        h.countryText = mod::CountryText(BitText(h.country, 6));
    }
    for (std::size_t i = 0; i < codewords; ++i, at += CodewordBytes) {
        const std::uint32_t flags = Byte(in, at);
        const std::uint32_t parity = Byte(in, at + 1);
        if ((flags & 3U) > 2 || flags > 15 || parity > 1)
            return std::nullopt;
        d.codewords.push_back({static_cast<mod::CodewordCheck::Kind>(flags & 3U), (flags & 4U) != 0,
                               Get16(in, at + 2), static_cast<int>(parity), (flags & 8U) != 0});
    }
    if (shortData != 0) {
        d.shortData = true;
        const auto following = static_cast<std::int32_t>(Byte(in, at)); // a signed byte
        d.dataFollowing = following < 128 ? following : following - 256;
        d.messageCodes = std::string(in.substr(at + 1));
    }
    return d;
}

} // namespace vantrel
