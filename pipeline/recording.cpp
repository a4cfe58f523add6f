#include "recording.h"

#include "audio_file.h"
#include "field_joiner.h"
#include "file_error.h"
#include "plain_input.h"
#include "signalling_score.h"
#include "start_time.h"
#include "transmission_marks.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace vantrel {

namespace {

// Sound read where it lies: a regular file on the disk, or the spool of anything else; raw PCM
// from its path as it comes.
DemodulatedSound DemodulateInput(const OpenedInput& input, const AudioOptions& audio) {
    const ToneReading reading = SignallingReading(audio.polarity);
    if (!input.plain) {
        AudioFile raw = AudioFile::OpenRaw(input.path, audio.rawSampleRate);
        return DemodulateWhole(raw, reading);
    }
    const RawInput& bytes = *input.plain;
    AudioFile file = AudioFile::FromBytes(
        [&bytes](std::uint64_t offset, char* buffer, std::size_t size) {
            return bytes.ReadAt(offset, buffer, size);
        },
        bytes.Size(), bytes.path(), audio.channel);
    return DemodulateWhole(file, reading);
}

Recording FromSound(DemodulatedSound sound) {
    Recording recording;
    recording.bits.emplace(RawInput::FromText(std::move(sound.Bits)));
    recording.heard = std::move(sound.Transmissions);
    recording.endedEarly = sound.EndedEarly;
    recording.seconds = sound.Seconds;
    return recording;
}

// The transmissions the marks of a marked text name, each mark ending the transmission whose
// bits come before it; and the start time its header names.
void ReadMarks(const RawInput& input, Recording& recording) {
    MarkLineBlanker blanker;
    FieldJoiner joiner(false);
    TransmissionMap map;
    std::string bits;
    std::uint64_t first = 0;
    std::vector<char> piece(std::size_t{1} << 18);
    for (std::uint64_t offset = 0; offset < input.Size();) {
        const std::size_t got = input.ReadAt(offset, piece.data(), piece.size());
        if (got == 0)
            break;
        offset += got;
        std::size_t joined = 0;
        const auto join = [&](std::size_t to) {
            bits.clear();
            joiner.Join(std::string_view(piece.data() + joined, to - joined), bits);
            joined = to;
        };
        blanker.Blank(piece.data(), got, [&](std::string_view line, std::size_t end) {
            join(end);
            if (const std::optional<TransmissionMark> mark = ParseTransmissionMark(line)) {
                const std::uint64_t last = joiner.BitsOut();
                map.Add(MarkedTransmission(*mark, first, last - first));
                first = last;
                recording.seconds = std::max(recording.seconds, mark->endSeconds);
            } else if (const std::optional<std::string> time = HeaderStartTime(line)) {
                recording.startTime = ParseIsoTime(*time);
            }
        });
        join(got);
    }
    recording.heard = std::move(map);
    recording.marked = true;
}

} // namespace

ToneReading SignallingReading(demod::Polarity polarity) {
    return {polarity, modETSI300230::SignallingScore};
}

// Every input is opened once and read from what was opened: a pipe gives its bytes only once,
// and a named pipe opened a second time waits for a writer that never comes.
OpenedInput OpenInput(const std::string& path, std::size_t spoolLimit,
                      const std::optional<InputKind>& known) {
    if (known && known->content == Content::RawPcm)
        return {path, std::nullopt, *known};
    if (known)
        return {path, OpenPlainAs(path, spoolLimit, known->compression, known->encoding), *known};
    PlainInput plain = OpenPlainInput(path, spoolLimit, KindBytes);
    const InputKind kind = KindOf(plain.start);
    return {path, std::move(plain.bytes), kind};
}

Recording ReadRecording(OpenedInput input, const AudioOptions& audio) {
    const ContentRule& rule = RuleFor(input.kind.content);
    Recording recording;
    switch (rule.whole) {
    case WholeReading::Sound:
        return FromSound(DemodulateInput(input, audio));
    case WholeReading::Refused:
        throw FileError(input.path, std::string(rule.wholeRefusal));
    case WholeReading::MarkedBits:
        ReadMarks(*input.plain, recording);
        break;
    case WholeReading::Bits:
        break;
    }
    recording.bits.emplace(std::move(*input.plain));
    return recording;
}

Recording OpenRecording(const std::string& path, demod::Polarity polarity, std::size_t spoolLimit) {
    AudioOptions audio;
    audio.polarity = polarity;
    return OpenRecording(path, audio, spoolLimit);
}

Recording OpenRecording(const std::string& path, const AudioOptions& audio, std::size_t spoolLimit,
                        const std::optional<InputKind>& known) {
    std::optional<InputKind> kind = known;
    if (audio.rawSampleRate != 0)
        kind = InputKind{Content::RawPcm};
    return ReadRecording(OpenInput(path, spoolLimit, kind), audio);
}

StreamOptions WholeOptions(const Recording& recording, modETSI300230::SyncRule asked,
                           StreamOptions options) {
    options.order = asked;
    options.markLines = recording.marked;
    if (recording.heard) {
        options.order = modETSI300230::SyncRule::Arrival;
        options.transmissionEnds.clear();
        for (const HeardTransmission& heard : recording.heard->transmissions())
            options.transmissionEnds.push_back(heard.firstBit + heard.bitCount);
    }
    return options;
}

void SetStartTime(Recording& recording, const std::string& path, std::string_view choice) {
    if (const std::optional<std::int64_t> start = StartTimeOf(path, choice, recording.seconds))
        recording.startTime = start;
}

HeardTransmission MarkedTransmission(const TransmissionMark& mark, std::uint64_t firstBit,
                                     std::uint64_t bitCount) {
    HeardTransmission heard;
    heard.firstBit = firstBit;
    heard.bitCount = bitCount;
    heard.startSeconds = mark.startSeconds;
    heard.endSeconds = mark.endSeconds;
    heard.levelDbfs = mark.levelDbfs;
    heard.ebN0Db = mark.ebN0Db;
    heard.inverted = mark.inverted;
    return heard;
}

HeardInfo HeardIn(const HeardTransmission& heard, std::uint64_t bitIndex,
                  std::optional<std::int64_t> startTime) {
    HeardInfo info;
    info.seconds = std::round(HeardSeconds(heard, bitIndex) * 1000.0) / 1000.0;
    info.levelDbfs = heard.levelDbfs;
    info.ebN0Db = heard.ebN0Db;
    if (startTime)
        info.utc = IsoTime(*startTime + std::llround(info.seconds * 1000));
    return info;
}

std::optional<HeardInfo> HeardAt(const TransmissionMap& map, std::uint64_t bitIndex,
                                 std::optional<std::int64_t> startTime) {
    const HeardTransmission* heard = map.Find(bitIndex);
    if (heard == nullptr)
        return std::nullopt;
    return HeardIn(*heard, bitIndex, startTime);
}

} // namespace vantrel
