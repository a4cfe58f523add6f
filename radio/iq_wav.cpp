// The header is walked here rather than by the sound room's reader: that one takes audio (one
// channel of it, at audio rates) and passes over the auxi chunk, where an SDR program leaves
// the one number a band plan cannot do without.
#include "iq_wav.h"

#include <cctype>
#include <charconv>

namespace vantrel {

namespace {

using channelizer::IqFormat;

constexpr WavDataWords IqDataWords = {"no samples in its first megabyte",
                                      "samples before their format",
                                      "a chunk before the samples is too long"};
// The binary auxi chunk: a start and a stop time (16 bytes each), then the centre in Hz.
constexpr std::size_t AuxiCentreAt = 32;
constexpr std::string_view AuxiXmlCentre = "RadioCenterFreq=\"";
constexpr double MaxCentreHz = 1e12;

IqWavHeader Invalid(std::string problem) {
    IqWavHeader header;
    header.status = IqWavHeader::Status::Invalid;
    header.problem = std::move(problem);
    return header;
}

bool StartsLikeWav(std::string_view bytes) {
    for (const std::string_view magic : {"RIFF", "RF64", "BW64"})
        if (magic.starts_with(bytes.substr(0, 4)))
            return true;
    return false;
}

// The format chunk as IQ, or why it is not IQ this reads.
std::optional<std::string> ReadFormat(std::string_view chunk, IqWavStart& start) {
    if (chunk.size() < 16)
        return "broken WAV header: its format chunk is too short";
    const auto [tag, channels, rate, blockAlign, bits] = ReadWavFormatFields(chunk);
    if (channels != 2)
        return "a WAV of " + std::to_string(channels) + (channels == 1 ? " channel" : " channels") +
               ": --iq wav reads I and Q as its two channels";
    if (tag == WavPcmTag && bits == 8)
        start.format = IqFormat::U8;
    else if (tag == WavPcmTag && bits == 16)
        start.format = IqFormat::S16;
    else if (tag == WavFloatTag && bits == 32)
        start.format = IqFormat::F32;
    else
        return "its samples are " + std::to_string(bits) + "-bit " +
               (tag == WavPcmTag     ? "integers"
                : tag == WavFloatTag ? "floats"
                                     : "non-PCM values") +
               ": --iq wav reads 8-bit or 16-bit integers or 32-bit floats";
    if (blockAlign != 2 * channelizer::Info(start.format).valueBytes)
        return "broken WAV header: its block size does not fit two channels of " +
               std::to_string(bits) + " bits";
    if (rate == 0)
        return "broken WAV header: its sample rate is 0";
    start.sampleRate = static_cast<double>(rate);
    return std::nullopt;
}

std::optional<double> Centre(double hz) {
    if (!(hz > 0) || hz > MaxCentreHz)
        return std::nullopt;
    return hz;
}

} // namespace

std::optional<double> AuxiCentreHz(std::string_view body) {
    std::size_t first = 0;
    while (first < body.size() && std::isspace(static_cast<unsigned char>(body[first])) != 0)
        ++first;
    if (first < body.size() && body[first] == '<') {
        const std::size_t at = body.find(AuxiXmlCentre);
        if (at == std::string_view::npos)
            return std::nullopt;
        const std::string_view value = body.substr(at + AuxiXmlCentre.size());
        double hz = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), hz,
                                                  std::chars_format::fixed);
        if (error != std::errc() || end == value.data() + value.size() || *end != '"')
            return std::nullopt;
        return Centre(hz);
    }
    if (body.size() < AuxiCentreAt + 4)
        return std::nullopt;
    return Centre(static_cast<double>(LittleEndian(body, AuxiCentreAt, 4)));
}

IqWavHeader ReadIqWavHeader(std::string_view bytes) {
    if (!StartsLikeWav(bytes))
        return Invalid("not a WAV file (--iq wav reads an SDR program's WAV)");
    if (bytes.size() < 12)
        return {};
    if (bytes.substr(8, 4) != "WAVE")
        return Invalid("not a WAV file (--iq wav reads an SDR program's WAV)");
    const bool rf64 = !bytes.starts_with("RIFF");
    IqWavHeader header;
    const WavDataStart data = WalkWavChunks(
        bytes, rf64, MaxIqWavHeaderBytes, IqDataWords,
        [&header](std::string_view id, std::string_view body) -> std::optional<std::string> {
            if (id == "fmt ")
                return ReadFormat(body, header.start);
            if (id == "auxi")
                header.start.centreHz = AuxiCentreHz(body);
            return std::nullopt;
        });
    header.status = data.status;
    header.problem = data.problem;
    header.start.dataOffset = data.dataOffset;
    header.start.dataBytes = data.dataBytes;
    return header;
}

} // namespace vantrel
