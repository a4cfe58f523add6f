#include "recording.h"

#include "audio_file.h"
#include "bit_file.h"
#include "demodulate_sound.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>

namespace vantrel {

namespace {

// Enough of a file's start to tell sound from a bit text.
constexpr std::size_t SoundMagicLength = 12;

bool StartsAsSound(const RawInput& input) {
    char start[SoundMagicLength];
    const std::size_t got = input.ReadAt(0, start, sizeof start);
    return LooksLikeAudio(std::string_view(start, got));
}

// A named file found to be sound: the sound reader opens it by name, to seek in it.
bool IsNamedSoundFile(const std::string& path) {
    return path != "-" && IsSoundFile(path);
}

DemodulatedSound DemodulateNamed(const std::string& path, demod::Polarity polarity) {
    AudioOptions audio;
    audio.polarity = polarity;
    return DemodulateWhole(path, audio);
}

std::string ReadWhole(const RawInput& input) {
    std::string bytes(static_cast<std::size_t>(input.Size()), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t n = input.ReadAt(done, bytes.data() + done, bytes.size() - done);
        if (n == 0)
            break;
        done += n;
    }
    bytes.resize(done);
    return bytes;
}

Recording FromSound(DemodulatedSound sound) {
    Recording recording;
    recording.bits.emplace(RawInput::FromText(std::move(sound.Bits)));
    recording.heard = std::move(sound.Transmissions);
    recording.endedEarly = sound.EndedEarly;
    return recording;
}

} // namespace

bool IsSoundFile(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        return false;
    char start[SoundMagicLength];
    const std::size_t got = std::fread(start, 1, sizeof start, file.get());
    return LooksLikeAudio(std::string_view(start, got));
}

Recording OpenRecording(const std::string& path, demod::Polarity polarity, std::size_t spoolLimit) {
    if (IsNamedSoundFile(path))
        return FromSound(DemodulateNamed(path, polarity));
    RawInput raw = RawInput::Open(path, spoolLimit);
    if (path == "-" && StartsAsSound(raw))
        return FromSound(DemodulateWhole(AudioFile::FromMemory(ReadWhole(raw), path), polarity));
    Recording recording;
    recording.bits.emplace(std::move(raw));
    return recording;
}

Recording OpenRawRecording(const std::string& path, int sampleRate, demod::Polarity polarity) {
    AudioOptions audio;
    audio.rawSampleRate = sampleRate;
    audio.polarity = polarity;
    return FromSound(DemodulateWhole(path, audio));
}

std::string ReadAllBits(const std::string& path, demod::Polarity polarity) {
    if (IsNamedSoundFile(path))
        return DemodulateNamed(path, polarity).Bits;
    return RemoveLineFeeds(ReadBitFile(path));
}

std::optional<HeardInfo> HeardAt(const TransmissionMap& map, std::uint64_t bitIndex) {
    const HeardTransmission* heard = map.Find(bitIndex);
    if (heard == nullptr)
        return std::nullopt;
    HeardInfo info;
    info.seconds = std::round(HeardSeconds(*heard, bitIndex) * 1000.0) / 1000.0;
    info.levelDbfs = heard->levelDbfs;
    info.ebN0Db = heard->ebN0Db;
    return info;
}

} // namespace vantrel
