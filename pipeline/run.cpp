#include "run.h"

#include "output_events.h"

namespace vantrel {

namespace {

void AddCountedWarnings(RecordEvents& events, RunState& state, const OutputTarget& target,
                        bool sound) {
    events.noBitCharacters = [target, sound] {
        if (target.warn)
            target.warn(sound ? "no transmission was heard in the sound" : NoBitsWarning);
    };
    events.counted = [counted = events.counted, &state, target](std::int64_t count,
                                                                std::uint64_t passed) {
        state.stats.patternsPassedOver = passed;
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
    return std::optional<RecordOutput>(std::in_place, *choice.records, choice.csvCells);
}

std::string PassedOverWarning(std::uint64_t passed) {
    return std::to_string(passed) +
           (passed == 1 ? " SYNC FEC pattern was" : " SYNC FEC patterns were") +
           " passed over: a SYNC NO FEC pattern follows later, and the report takes those "
           "first (--follow takes every pattern in order)";
}

RecordStats RunWhole(const Recording& recording, const std::string& path,
                     const OutputChoice& choice, const StreamOptions& options,
                     const OutputTarget& target, RecordOutput* records) {
    RunState state;
    RecordEvents events =
        records != nullptr ? RecordWriterEvents(path, &recording, choice, target, *records, state)
                           : ReportEvents(choice, target, true, state);
    AddCountedWarnings(events, state, target, recording.heard.has_value());
    if (recording.endedEarly && target.warn)
        target.warn("the sound file ended early; what it held is decoded");
    if (records != nullptr) {
        records->writer().BeginFile(path);
        Drain(*records, target);
    }
    StreamWhole(*recording.bits, options, events);
    if (records != nullptr) {
        records->writer().EndFile(state.stats);
        Drain(*records, target);
    }
    return state.stats;
}

RecordStats RunFollow(const std::string& path, const OutputChoice& choice,
                      const StreamOptions& options, const OutputTarget& target,
                      RecordOutput* records) {
    RunState state;
    const RecordEvents events =
        records != nullptr ? RecordWriterEvents(path, nullptr, choice, target, *records, state)
                           : ReportEvents(choice, target, false, state);
    StreamFollow(path, options, events);
    return state.stats;
}

} // namespace vantrel
