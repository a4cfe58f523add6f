#include "recording.h"

#include "audio_file.h"
#include "bit_file.h"
#include "demodulate_sound.h"
#include "plain_input.h"

#include <cmath>
#include <string_view>

namespace vantrel {

namespace {

// Enough of a file's start to tell sound from a bit text.
constexpr std::size_t SoundMagicLength = 12;

bool StartsAsSound(const RawInput& input) {
    return LooksLikeAudio(StartOf(input, SoundMagicLength));
}

// Sound read where it lies: a regular file on the disk, or the spool of anything else.
DemodulatedSound DemodulateInput(const RawInput& input, demod::Polarity polarity) {
    AudioFile audio = AudioFile::FromBytes(
        [&input](std::uint64_t offset, char* buffer, std::size_t size) {
            return input.ReadAt(offset, buffer, size);
        },
        input.Size(), input.path());
    return DemodulateWhole(std::move(audio), polarity);
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
    return LooksLikeAudio(PlainStartOfFile(path, SoundMagicLength));
}

// Every input is opened once and read from what was opened: a pipe gives its bytes only once,
// and a named pipe opened a second time waits for a writer that never comes.
Recording OpenRecording(const std::string& path, demod::Polarity polarity, std::size_t spoolLimit) {
    RawInput input = OpenPlain(path, spoolLimit);
    if (StartsAsSound(input))
        return FromSound(DemodulateInput(input, polarity));
    Recording recording;
    recording.bits.emplace(std::move(input));
    return recording;
}

std::string ReadAllBits(const std::string& path, demod::Polarity polarity) {
    const RawInput input = OpenPlain(path, SpoolMemoryLimit);
    if (StartsAsSound(input))
        return DemodulateInput(input, polarity).Bits;
    return RemoveLineFeeds(ReadBitFile(input));
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
