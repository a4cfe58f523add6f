// WAV files as SDR programs write them, for the radio tests: a fmt chunk, an auxi chunk when a
// centre is given, then the samples.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace wav_bytes {

inline void Put(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::string Chunk(const std::string& id, const std::string& body) {
    std::string chunk = id;
    Put(chunk, body.size(), 4);
    return chunk + body + (body.size() % 2 == 1 ? std::string(1, '\0') : std::string());
}

inline std::string Format(int tag, int channels, int rate, int bits) {
    std::string fmt;
    Put(fmt, static_cast<std::uint64_t>(tag), 2);
    Put(fmt, static_cast<std::uint64_t>(channels), 2);
    Put(fmt, static_cast<std::uint64_t>(rate), 4);
    Put(fmt, static_cast<std::uint64_t>(rate * channels * bits / 8), 4);
    Put(fmt, static_cast<std::uint64_t>(channels * bits / 8), 2);
    Put(fmt, static_cast<std::uint64_t>(bits), 2);
    return Chunk("fmt ", fmt);
}

// The binary auxi chunk: start and stop times, the centre, the rest of its fields.
inline std::string Auxi(std::uint32_t centreHz) {
    std::string body(32, '\0');
    Put(body, centreHz, 4);
    return Chunk("auxi", body + std::string(36, '\0'));
}

// A RIFF WAV of two 16-bit channels at `rate` around `samples`; `announced` is the data length
// its header gives when it differs from what it holds.
inline std::string Wav(const std::string& samples, int rate, std::optional<std::uint32_t> centre,
                       std::optional<std::uint32_t> announced = std::nullopt) {
    std::string chunks = Format(1, 2, rate, 16);
    if (centre)
        chunks += Auxi(*centre);
    chunks += "data";
    Put(chunks, announced.value_or(static_cast<std::uint32_t>(samples.size())), 4);
    chunks += samples;
    std::string wav = "RIFF";
    Put(wav, 4 + chunks.size(), 4);
    return wav + "WAVE" + chunks;
}

} // namespace wav_bytes
