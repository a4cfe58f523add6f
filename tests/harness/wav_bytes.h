// The bytes of WAV headers, written out field by field, for tests that feed sound as it is
// being written (a recorder's header, odd chunks, lengths it claims).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wav_bytes {

// `value` as `bytes` little-endian bytes.
inline std::string Le(std::uint64_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i)
        text.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return text;
}

// A chunk with the size `size` claims (whatever the body's), padded to an even length.
inline std::string Chunk(std::string_view id, std::string_view body, std::uint64_t size) {
    std::string chunk = std::string(id) + Le(size, 4) + std::string(body);
    if (body.size() % 2 != 0)
        chunk.push_back('\0');
    return chunk;
}

// The body of a format chunk.
inline std::string Format(int tag, int channels, int rate, int bits) {
    const int align = channels * (bits / 8);
    return Le(tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * align, 4) + Le(align, 2) +
           Le(bits, 2);
}

// A header up to the data chunk's length: `between` goes between the format and the data.
// The RIFF length is 0, as a recorder leaves it until it closes the file.
inline std::string Header(const std::string& format, std::uint64_t dataSize,
                          const std::string& between = "", std::string_view riff = "RIFF") {
    return std::string(riff) + Le(0, 4) + "WAVE" + Chunk("fmt ", format, format.size()) + between +
           "data" + Le(dataSize, 4);
}

} // namespace wav_bytes
