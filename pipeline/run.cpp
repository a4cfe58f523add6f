#include "run.h"

#include "demodulate_sound.h"
#include "output_events.h"
#include "output_formats.h"
#include "plain_input.h"
#include "text_encoding.h"

#include <algorithm>

namespace vantrel {

namespace {

void AddCountedWarnings(RecordEvents& events, RecordStats& stats, const OutputTarget& target,
                        const Recording& recording) {
    events.noBitCharacters = [target, &recording] {
        if (!target.warn)
            return;
        if (recording.heard)
            target.warn("no transmission was heard in the sound");
        else
            target.warn(NoBitsWarningFor(StartOf(*recording.bits, HintSampleSize)));
    };
    events.counted = [counted = events.counted, &stats, target, &recording](std::int64_t count,
                                                                            std::uint64_t passed) {
        stats.patternsPassedOver = passed;
        if (count == 0 && !recording.heard && target.warn &&
            LooksLikeSpacedBits(StartOf(*recording.bits, HintSampleSize)))
            target.warn(SpacedBitsWarning);
        if (passed > 0 && target.warn)
            target.warn(PassedOverWarning(passed));
        if (counted)
            counted(count, passed);
    };
}

void Drain(RecordOutput& records, const OutputTarget& target) {
    const std::string text = records.Take();
    if (!text.empty())
        target.write(text);
}

} // namespace

std::optional<RecordOutput> RecordOutputFor(const OutputChoice& choice) {
    if (!choice.records)
        return std::nullopt;
    return std::optional<RecordOutput>(std::in_place, choice.records->writer, choice.writerOptions,
                                       choice.channels);
}

std::string NoBitsWarningFor(std::string_view content) {
    const std::string_view hint = NoBitsHint(content.substr(0, HintSampleSize));
    std::string warning(NoBitsWarning);
    if (!hint.empty())
        warning.append(" ").append(hint);
    return warning;
}

std::string PassedOverWarning(std::uint64_t passed) {
    return std::to_string(passed) +
           (passed == 1 ? " SYNC FEC pattern was" : " SYNC FEC patterns were") +
           " passed over: a SYNC NO FEC pattern follows later, and the report takes those "
           "first (--order arrival takes every pattern in order)";
}

RecordStats RunWhole(const Recording& recording, const std::string& path,
                     const OutputChoice& choice, const StreamOptions& options,
                     const OutputTarget& target, RecordOutput* records) {
    RunOutput output(path, &recording, choice, target, records);
    StreamState stream;
    RecordEvents events = output.Events(stream);
    AddCountedWarnings(events, output.stats, target, recording);
    if (recording.endedEarly && target.warn)
        target.warn("the sound file ended early; what it held is decoded");
    if (recording.heard && target.warn &&
        std::ranges::any_of(recording.heard->transmissions(),
                            [](const HeardTransmission& t) { return t.polarityGuessed; }))
        target.warn(PolarityGuessedWarning);
    if (records != nullptr) {
        records->writer().BeginFile(path);
        Drain(*records, target);
    }
    StreamWhole(*recording.bits, WholeOptions(recording, choice.order, options), events);
    if (records != nullptr) {
        records->writer().EndFile(output.stats);
        Drain(*records, target);
    }
    return output.stats;
}

RecordStats RunFollow(const std::string& path, const OutputChoice& choice,
                      const StreamOptions& options, const OutputTarget& target,
                      RecordOutput* records) {
    RunOutput output(path, nullptr, choice, target, records);
    StreamState stream;
    StreamFollow(path, options, output.Events(stream));
    return output.stats;
}

} // namespace vantrel
