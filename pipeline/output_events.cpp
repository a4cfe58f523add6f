#include "output_events.h"

#include "output_formats.h"
#include "report.h"

#include <utility>

namespace vantrel {

RecordEvents RunOutput::Events(StreamState& stream) {
    return records_ != nullptr ? WriterEvents(stream) : ReportEvents(stream);
}

// When and how the record was heard: in follow mode as its stream tells, in a whole-file run
// of sound from the recording's transmissions; nothing for a bit text.
std::optional<HeardInfo> RunOutput::HeardOf(const StreamRecord& record) const {
    if (record.noPattern)
        return std::nullopt;
    if (record.heard)
        return record.heard;
    if (recording_ != nullptr && recording_->heard)
        return HeardAt(*recording_->heard, record.syncBit, recording_->startTime);
    return std::nullopt;
}

DecodedRecord RunOutput::Decoded(const StreamRecord& record, std::string log,
                                 const StreamState& stream) const {
    RecordSource source;
    source.file = path_;
    source.channelHz = stream.channelHz;
    source.heard = HeardOf(record);
    if (!record.noPattern && !source.heard) {
        source.line = record.place.line;
        source.column = record.place.column;
    }
    source.finalAt = record.finalTime;
    modETSI300230::BlockInfo info = record.info;
    info.Log = modETSI300230::SharedText(std::move(log));
    return MakeRecord(record.number, std::move(info), record.detail, std::move(source));
}

void RunOutput::PassRecords() {
    target_.write(records_->Text());
    records_->Clear();
}

// In pieces, a record's section goes out as its title and log head, its trailer pieces and
// CR LF; gathered, all of that at its end. The short level reads no trailer, and makes a
// record only for the statistics or a listener.
RecordEvents RunOutput::ReportEvents(StreamState& stream) {
    const bool debug = choice_.level == ReportLevel::Debug;
    const bool whole = RecordsWhole();
    const bool listened = target_.finalRecord != nullptr;
    const bool made = choice_.stats || listened;
    RecordEvents events;
    events.trailers = debug;
    events.places = listened;
    events.details = made;
    if (recording_ != nullptr)
        events.counted = [this](std::int64_t count, std::uint64_t) {
            target_.write(ReportHeaderText(count));
        };
    events.recordStart = [this, debug, whole, &stream](const StreamRecord& record) {
        if (!debug)
            return;
        if (whole) {
            stream.log = record.logHead;
            return;
        }
        stream.text.clear();
        AppendDebugSectionTitle(stream.text, record.number);
        stream.text += record.logHead;
        target_.write(stream.text);
    };
    if (whole)
        events.trailer = [&stream](std::string_view text) { stream.log.append(text); };
    else
        events.trailer = target_.write;
    events.recordEnd = [this, debug, whole, made, listened, &stream](const StreamRecord& record) {
        stream.text.clear();
        if (debug) {
            if (whole) {
                stream.log.append(modETSI300230::CrLf);
                AppendDebugSectionTitle(stream.text, record.number);
                target_.write(stream.text);
                target_.write(stream.log);
            } else {
                target_.write(modETSI300230::CrLf);
            }
        } else {
            AppendShortSectionText(stream.text, record.info, record.number);
            target_.write(stream.text);
        }
        if (!record.finalTime.empty()) {
            if (stream.channelHz)
                target_.write(ChannelLine(*stream.channelHz));
            target_.write(FinalTimeLine(record.finalTime));
        }
        if (made) {
            // The statistics need no place, but when and where each unit was heard.
            RecordSource heard;
            if (!listened) {
                heard.heard = HeardOf(record);
                heard.finalAt = record.finalTime;
                if (heard.heard)
                    heard.file = path_;
            }
            const DecodedRecord decoded =
                listened ? Decoded(record, std::move(stream.log), stream)
                         : MakeRecord(record.number, record.info, record.detail, std::move(heard));
            if (choice_.stats)
                stats.Add(decoded);
            if (target_.finalRecord)
                target_.finalRecord(decoded);
        }
        stream.log.clear();
        if (target_.recordDone)
            target_.recordDone();
    };
    return events;
}

// JSON and JSON Lines carry the record's log: in pieces, the writer writes the record at its
// start and its log as the trailer arrives; gathered, the whole record at its end. The other
// formats need no log.
RecordEvents RunOutput::WriterEvents(StreamState& stream) {
    const OutputFormat& format = *choice_.records;
    // Counted only where shown: the units seen grow with the input.
    const bool counts = choice_.stats || format.statsInDocument;
    const bool logs = format.carriesLog;
    const bool follow = recording_ == nullptr;
    RecordEvents events;
    events.trailers = logs;
    events.places = follow || !recording_->heard; // demodulated bits have no place in any file
    events.details = true;
    if (logs && !follow && !RecordsWhole()) {
        events.recordStart = [this, counts, &stream](const StreamRecord& record) {
            const DecodedRecord decoded = Decoded(record, std::string(), stream);
            stream.filteredOut = !choice_.filter.Passes(decoded);
            if (stream.filteredOut)
                return;
            if (counts)
                stats.Add(decoded);
            records_->writer().BeginRecord(decoded);
            PassRecords();
            records_->writer().AppendLog(record.logHead);
            PassRecords();
        };
        events.trailer = [this, &stream](std::string_view text) {
            if (stream.filteredOut)
                return;
            records_->writer().AppendLog(text);
            PassRecords();
        };
        events.recordEnd = [this, &stream](const StreamRecord&) {
            if (std::exchange(stream.filteredOut, false)) {
                if (target_.recordDone)
                    target_.recordDone();
                return;
            }
            records_->writer().AppendLog(modETSI300230::CrLf);
            PassRecords();
            records_->writer().EndRecord();
            PassRecords();
            if (target_.recordDone)
                target_.recordDone();
        };
        return events;
    }
    if (logs) {
        events.recordStart = [&stream](const StreamRecord& record) { stream.log = record.logHead; };
        events.trailer = [&stream](std::string_view text) { stream.log.append(text); };
    }
    events.recordEnd = [this, logs, counts, &stream](const StreamRecord& record) {
        if (logs)
            stream.log.append(modETSI300230::CrLf);
        const DecodedRecord decoded =
            Decoded(record, logs ? std::move(stream.log) : std::string(), stream);
        stream.log.clear();
        // A record the filter leaves out is not written, counted or handed on.
        if (!choice_.filter.Passes(decoded)) {
            if (target_.recordDone)
                target_.recordDone();
            return;
        }
        if (counts)
            stats.Add(decoded);
        records_->writer().Write(decoded);
        PassRecords();
        if (target_.finalRecord)
            target_.finalRecord(decoded);
        if (target_.recordDone)
            target_.recordDone();
    };
    return events;
}

} // namespace vantrel
