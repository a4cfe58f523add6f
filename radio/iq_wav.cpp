// The header is walked here rather than by the sound room's reader: that one takes audio (one
// channel of it, at audio rates) and passes over the auxi chunk, where an SDR program leaves
// the one number a band plan cannot do without.
#include "iq_wav.h"

#include <cctype>
#include <charconv>

namespace vantrel {

namespace {

using channelizer::IqFormat;

// Writers that cannot know the length put in 0 or the largest value they can.
constexpr std::uint64_t UnknownLengthFrom = 0x7FFFF000;
constexpr std::uint64_t UnknownRf64Length = 0xFFFFFFFF;
constexpr std::uint16_t PcmTag = 1;
constexpr std::uint16_t FloatTag = 3;
constexpr std::uint16_t ExtensibleTag = 0xFFFE;
// The binary auxi chunk: a start and a stop time (16 bytes each), then the centre in Hz.
constexpr std::size_t AuxiCentreAt = 32;
constexpr std::string_view AuxiXmlCentre = "RadioCenterFreq=\"";
constexpr double MaxCentreHz = 1e12;

std::uint64_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

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
    auto tag = static_cast<std::uint16_t>(LittleEndian(chunk, 0, 2));
    const std::uint64_t channels = LittleEndian(chunk, 2, 2);
    const std::uint64_t rate = LittleEndian(chunk, 4, 4);
    const std::uint64_t blockAlign = LittleEndian(chunk, 12, 2);
    const std::uint64_t bits = LittleEndian(chunk, 14, 2);
    if (tag == ExtensibleTag && chunk.size() >= 26)
        tag = static_cast<std::uint16_t>(LittleEndian(chunk, 24, 2));
    if (channels != 2)
        return "a WAV of " + std::to_string(channels) + (channels == 1 ? " channel" : " channels") +
               ": --iq wav reads I and Q as its two channels";
    if (tag == PcmTag && bits == 8)
        start.format = IqFormat::U8;
    else if (tag == PcmTag && bits == 16)
        start.format = IqFormat::S16;
    else if (tag == FloatTag && bits == 32)
        start.format = IqFormat::F32;
    else
        return "its samples are " + std::to_string(bits) + "-bit " +
               (tag == PcmTag     ? "integers"
                : tag == FloatTag ? "floats"
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
    bool haveFormat = false;
    std::optional<std::uint64_t> rf64DataBytes;
    std::size_t at = 12;
    while (true) {
        if (at > MaxIqWavHeaderBytes)
            return Invalid("broken WAV header: no samples in its first megabyte");
        if (bytes.size() < at + 8)
            return {};
        const std::string_view id = bytes.substr(at, 4);
        const std::uint64_t size = LittleEndian(bytes, at + 4, 4);
        if (id == "data") {
            if (!haveFormat)
                return Invalid("broken WAV header: samples before their format");
            header.start.dataOffset = at + 8;
            if (rf64 && size == UnknownRf64Length) {
                if (rf64DataBytes && *rf64DataBytes != 0)
                    header.start.dataBytes = rf64DataBytes;
            } else if (size != 0 && size < UnknownLengthFrom) {
                header.start.dataBytes = size;
            }
            header.status = IqWavHeader::Status::Ready;
            return header;
        }
        const std::uint64_t padded = size + (size & 1);
        if (padded > MaxIqWavHeaderBytes)
            return Invalid("broken WAV header: a chunk before the samples is too long");
        if (bytes.size() < at + 8 + padded)
            return {};
        const std::string_view chunk = bytes.substr(at + 8, static_cast<std::size_t>(size));
        if (id == "fmt ") {
            if (const std::optional<std::string> problem = ReadFormat(chunk, header.start))
                return Invalid(*problem);
            haveFormat = true;
        } else if (id == "auxi") {
            header.start.centreHz = AuxiCentreHz(chunk);
        } else if (id == "ds64" && chunk.size() >= 16) {
            rf64DataBytes = LittleEndian(chunk, 8, 8);
        }
        at += 8 + static_cast<std::size_t>(padded);
    }
}

} // namespace vantrel
