#include "output_events.h"

#include "json_string.h"
#include "record_json.h"
#include "report.h"

namespace vantrel {

namespace {

RecordSource SourceOf(const std::string& path, const Recording* recording,
                      const StreamRecord& record) {
    RecordSource source;
    source.file = path;
    if (!record.noPattern) {
        if (record.heard) {
            source.heard = record.heard;
        } else if (recording != nullptr && recording->heard) {
            source.heard = HeardAt(*recording->heard, record.syncBit);
        } else {
            source.line = record.place.line;
            source.column = record.place.column;
        }
    }
    source.finalAt = record.finalTime;
    return source;
}

} // namespace

// A record's log goes out as its head, its trailer pieces and CR LF, so no record is ever held
// with its trailer.
RecordEvents ReportEvents(const OutputChoice& choice, const OutputTarget& target, bool document,
                          RunState& state) {
    const auto write = target.write;
    const bool debug = choice.level == ReportLevel::Debug;
    const bool stats = choice.stats;
    RecordEvents events;
    events.trailers = debug;
    events.places = false;
    events.details = stats;
    if (document)
        events.counted = [write](std::int64_t count, std::uint64_t) {
            write(ReportHeaderText(count));
        };
    events.recordStart = [write, debug](const StreamRecord& record) {
        if (debug) {
            write(DebugSectionTitle(record.number));
            write(record.logHead);
        }
    };
    events.trailer = write;
    events.recordEnd = [write, debug, stats, &state, target](const StreamRecord& record) {
        write(debug ? std::string_view(modETSI300230::CrLf)
                    : std::string_view(ShortSectionText(record.info, record.number)));
        if (!record.finalTime.empty())
            write(FinalTimeLine(record.finalTime));
        if (stats)
            state.stats.Add(MakeRecord(record.number, record.info, record.detail));
        if (target.recordDone)
            target.recordDone();
    };
    return events;
}

// The records, each written through the run's writer. JSON and JSON Lines carry the record's
// log: in the whole-file run the record goes out at its start and its log in pieces as the
// trailer arrives, so a long trailer is never held; in follow mode the record waits for its
// end (and the time it became final), its log held. The other formats need no log.
RecordEvents RecordWriterEvents(const std::string& path, const Recording* recording,
                                const OutputChoice& choice, const OutputTarget& target,
                                RecordOutput& records, RunState& state) {
    RecordEvents events;
    const RecordFormat format = *choice.records;
    // Counted only where shown: the units seen grow with the input.
    const bool stats = choice.stats || StatsInDocument(format);
    const bool logs = CarriesLog(format);
    const bool follow = recording == nullptr;
    events.trailers = logs;
    events.places = follow || !recording->heard; // demodulated bits have no place in any file
    events.details = true;
    const auto write = [path, recording, stats, &records, &state](const StreamRecord& record,
                                                                  std::string log) {
        modETSI300230::BlockInfo info = record.info;
        info.Log = modETSI300230::SharedText(std::move(log));
        const DecodedRecord decoded = MakeRecord(record.number, std::move(info), record.detail,
                                                 SourceOf(path, recording, record));
        if (stats)
            state.stats.Add(decoded);
        records.writer().Write(decoded);
        return records.Take();
    };
    if (logs && !follow) {
        events.recordStart = [write, target, &state](const StreamRecord& record) {
            LogCut cut = CutAtEmptyLog(write(record, std::string()));
            state.log = std::move(cut.tail);
            target.write(cut.head);
            target.write(JsonStringPiece(record.logHead));
        };
        events.trailer = [target](std::string_view text) { target.write(JsonStringPiece(text)); };
        events.recordEnd = [target, &state](const StreamRecord&) {
            target.write(JsonStringPiece(modETSI300230::CrLf));
            target.write(state.log);
            state.log.clear();
            if (target.recordDone)
                target.recordDone();
        };
        return events;
    }
    if (logs) {
        events.recordStart = [&state](const StreamRecord& record) { state.log = record.logHead; };
        events.trailer = [&state](std::string_view text) { state.log.append(text); };
    }
    events.recordEnd = [write, logs, target, &state](const StreamRecord& record) {
        if (logs)
            state.log.append(modETSI300230::CrLf);
        target.write(write(record, logs ? std::move(state.log) : std::string()));
        state.log.clear();
        if (target.recordDone)
            target.recordDone();
    };
    return events;
}

} // namespace vantrel
