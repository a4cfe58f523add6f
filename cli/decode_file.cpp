#include "decode_file.h"

#include "bit_file.h"
#include "json_report.h"

namespace vantrel {

DecodedFile DecodeFile(const std::string& path) {
    DecodedFile decoded;
    const std::string bits = RemoveLineFeeds(ReadBitFile(path));
    modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount);
    return decoded;
}

namespace {

// Follow mode's last line of a record's section: when it became final.
std::string FinalTimeLine(std::string_view time) {
    std::string line = "Final (UTC)   : ";
    line += time;
    line += modETSI300230::CrLf;
    return line;
}

// Turns the records of a streaming run into the chosen output. A record's log goes out as
// its head, its trailer pieces and CR LF, so no record is ever held with its trailer.
StreamSink MakeSink(std::string_view path, const OutputChoice& choice, const OutputTarget& target,
                    bool document) {
    const auto write = target.write;
    const bool debug = choice.level == ReportLevel::Debug;
    StreamSink sink;
    sink.trailers = choice.format != OutputFormat::Text || debug;
    sink.places = choice.format != OutputFormat::Text;
    if (choice.format == OutputFormat::Text) {
        sink.counted = [write, document, target](std::int64_t count, std::uint64_t passed) {
            if (document)
                write(ReportHeaderText(count));
            if (target.fecPassedOver)
                target.fecPassedOver(passed);
        };
        sink.recordStart = [write, debug](const StreamRecord& record) {
            if (debug) {
                write(DebugSectionTitle(record.number));
                write(record.logHead);
            }
        };
        sink.trailer = write;
        sink.recordEnd = [write, debug, target](const StreamRecord& record) {
            write(debug ? std::string_view(modETSI300230::CrLf)
                        : std::string_view(ShortSectionText(record.info, record.number)));
            if (!record.finalTime.empty())
                write(FinalTimeLine(record.finalTime));
            if (target.recordDone)
                target.recordDone();
        };
        return sink;
    }
    const bool lines = choice.format == OutputFormat::JsonLines;
    const std::string name(path);
    const std::string pathJson = JsonPathText(path);
    sink.counted = [write, name, lines, target](std::int64_t count, std::uint64_t passed) {
        if (!lines)
            write(JsonDocumentHead(name, count));
        if (target.fecPassedOver)
            target.fecPassedOver(passed);
    };
    sink.recordStart = [write, pathJson, lines](const StreamRecord& record) {
        if (!lines && record.number > 1)
            write(JsonRecordSeparator);
        write(JsonRecordHead(pathJson, record, lines));
    };
    sink.trailer = [write](std::string_view text) { write(JsonTextPiece(text)); };
    sink.recordEnd = [write, lines, target](const StreamRecord& record) {
        write(JsonRecordTail(record.finalTime));
        if (lines)
            write(modETSI300230::CrLf);
        if (target.recordDone)
            target.recordDone();
    };
    return sink;
}

} // namespace

void StreamDecodeFile(const RawInput& input, std::string_view path, const OutputChoice& choice,
                      const StreamOptions& options, const OutputTarget& target) {
    const StreamSink sink = MakeSink(path, choice, target, true);
    DecodeInput(input, options, sink);
    if (choice.format == OutputFormat::Json) {
        target.write(JsonDocumentTail);
        target.write(modETSI300230::CrLf);
    }
}

void FollowFile(const std::string& path, const OutputChoice& choice, const StreamOptions& options,
                const OutputTarget& target) {
    OutputChoice lines = choice;
    if (lines.format == OutputFormat::Json)
        lines.format = OutputFormat::JsonLines;
    FollowInput(path, options, MakeSink(path, lines, target, false));
}

} // namespace vantrel
