#include "output_events.h"

#include "json_text.h"
#include "output_formats.h"
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
            source.heard = HeardAt(*recording->heard, record.syncBit, recording->startTime);
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
    // Each section's text is made in one text kept for the run.
    events.recordStart = [write, debug, &state](const StreamRecord& record) {
        if (debug) {
            state.text.clear();
            AppendDebugSectionTitle(state.text, record.number);
            state.text += record.logHead;
            write(state.text);
        }
    };
    events.trailer = write;
    events.recordEnd = [write, debug, stats, &state, target](const StreamRecord& record) {
        if (debug) {
            write(modETSI300230::CrLf);
        } else {
            state.text.clear();
            AppendShortSectionText(state.text, record.info, record.number);
            write(state.text);
        }
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
    const OutputFormat& format = *choice.records;
    // Counted only where shown: the units seen grow with the input.
    const bool stats = choice.stats || format.statsInDocument;
    const bool logs = format.carriesLog;
    const bool follow = recording == nullptr;
    events.trailers = logs;
    events.places = follow || !recording->heard; // demodulated bits have no place in any file
    events.details = true;
    // The record's text stays in `records` until the caller has passed it on and cleared it.
    const auto write = [path, recording, stats, &records, &state](const StreamRecord& record,
                                                                  std::string log) {
        modETSI300230::BlockInfo info = record.info;
        info.Log = modETSI300230::SharedText(std::move(log));
        const DecodedRecord decoded = MakeRecord(record.number, std::move(info), record.detail,
                                                 SourceOf(path, recording, record));
        if (stats)
            state.stats.Add(decoded);
        records.Clear();
        records.writer().Write(decoded);
        return records.Text();
    };
    // Log characters as they stand in a JSON string, made in one text kept for the run.
    const auto writeLog = [target, &state](std::string_view characters) {
        state.text.clear();
        AppendJsonLatin1(state.text, characters);
        target.write(state.text);
    };
    if (logs && !follow) {
        events.recordStart = [write, writeLog, target, &state,
                              &records](const StreamRecord& record) {
            const std::string_view text = write(record, std::string());
            const std::size_t cut = EmptyLogCut(text);
            target.write(text.substr(0, cut));
            state.log.assign(text.substr(cut));
            records.Clear();
            writeLog(record.logHead);
        };
        events.trailer = writeLog;
        events.recordEnd = [writeLog, target, &state](const StreamRecord&) {
            writeLog(modETSI300230::CrLf);
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
    events.recordEnd = [write, logs, target, &state, &records](const StreamRecord& record) {
        if (logs)
            state.log.append(modETSI300230::CrLf);
        target.write(write(record, logs ? std::move(state.log) : std::string()));
        records.Clear();
        state.log.clear();
        if (target.recordDone)
            target.recordDone();
    };
    return events;
}

} // namespace vantrel
