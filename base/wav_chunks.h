// The chunks of a WAV header (RIFF, or RF64 and BW64 beyond 4 GB) walked from the bytes that
// have arrived so far, up to the first sample. A file still being written, or coming through
// a pipe, announces no length yet: its data then lasts as long as it grows. What each chunk
// means (the format of audio, of IQ, an SDR program's centre) is the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

inline std::uint64_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

inline constexpr std::uint16_t WavPcmTag = 1;
inline constexpr std::uint16_t WavFloatTag = 3;

// What a "fmt " chunk of at least 16 bytes says; an extensible format's tag is its subformat's.
struct WavFormatFields {
    std::uint16_t tag = 0;
    std::uint64_t channels = 0;
    std::uint64_t rate = 0;
    std::uint64_t blockAlign = 0;
    std::uint64_t bits = 0;
};

inline WavFormatFields ReadWavFormatFields(std::string_view chunk) {
    constexpr std::uint16_t ExtensibleTag = 0xFFFE;
    WavFormatFields fields;
    fields.tag = static_cast<std::uint16_t>(LittleEndian(chunk, 0, 2));
    fields.channels = LittleEndian(chunk, 2, 2);
    fields.rate = LittleEndian(chunk, 4, 4);
    fields.blockAlign = LittleEndian(chunk, 12, 2);
    fields.bits = LittleEndian(chunk, 14, 2);
    if (fields.tag == ExtensibleTag && chunk.size() >= 26)
        fields.tag = static_cast<std::uint16_t>(LittleEndian(chunk, 24, 2));
    return fields;
}

struct WavDataStart {
    enum class Status { Incomplete, Ready, Invalid } status = Status::Incomplete;
    std::uint64_t dataOffset = 0;           // the first sample byte
    std::optional<std::uint64_t> dataBytes; // nothing: as long as the file grows
    std::string problem;                    // Invalid: one line in the user's words
};

// How the problems of a walk name what the data chunk holds, as the reader's user knows it.
struct WavDataWords {
    std::string_view noData;       // "no sound data in its first megabyte"
    std::string_view beforeFormat; // "sound data before its format"
    std::string_view longChunk;    // "a chunk before the sound data is too long"
};

// Walks the chunks after the 12-byte RIFF header of `bytes` (all the bytes so far), `rf64`
// when it is an RF64 or BW64 header. `chunk(id, body)` sees every chunk before the data and
// returns a problem to stop at; a data chunk before a "fmt " chunk is one. Incomplete while
// more bytes are needed; a header longer than `maxHeaderBytes` is not taken for one.
template <class ChunkReader>
WavDataStart WalkWavChunks(std::string_view bytes, bool rf64, std::size_t maxHeaderBytes,
                           const WavDataWords& words, ChunkReader&& chunk) {
    // Writers that cannot know the length put in 0 or the largest value they can.
    constexpr std::uint64_t UnknownLengthFrom = 0x7FFFF000;
    constexpr std::uint64_t Rf64Length = 0xFFFFFFFF; // the real one is in the ds64 chunk
    const auto invalid = [](std::string_view problem) {
        WavDataStart start;
        start.status = WavDataStart::Status::Invalid;
        start.problem = "broken WAV header: " + std::string(problem);
        return start;
    };
    bool haveFormat = false;
    std::optional<std::uint64_t> rf64DataBytes;
    std::size_t at = 12;
    while (true) {
        if (at > maxHeaderBytes)
            return invalid(words.noData);
        if (bytes.size() < at + 8)
            return {};
        const std::string_view id = bytes.substr(at, 4);
        const std::uint64_t size = LittleEndian(bytes, at + 4, 4);
        if (id == "data") {
            if (!haveFormat)
                return invalid(words.beforeFormat);
            WavDataStart start;
            start.status = WavDataStart::Status::Ready;
            start.dataOffset = at + 8;
            if (rf64 && size == Rf64Length) {
                if (rf64DataBytes && *rf64DataBytes != 0)
                    start.dataBytes = rf64DataBytes;
            } else if (size != 0 && size < UnknownLengthFrom) {
                start.dataBytes = size;
            }
            return start;
        }
        const std::uint64_t padded = size + (size & 1);
        if (padded > maxHeaderBytes)
            return invalid(words.longChunk);
        if (bytes.size() < at + 8 + padded)
            return {};
        const std::string_view body = bytes.substr(at + 8, static_cast<std::size_t>(size));
        if (id == "ds64" && body.size() >= 16)
            rf64DataBytes = LittleEndian(body, 8, 8);
        haveFormat = haveFormat || id == "fmt ";
        if (std::optional<std::string> problem = chunk(id, body)) {
            WavDataStart start;
            start.status = WavDataStart::Status::Invalid;
            start.problem = std::move(*problem);
            return start;
        }
        at += 8 + static_cast<std::size_t>(padded);
    }
}

} // namespace vantrel
