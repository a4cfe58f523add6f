#include "decode_file.h"

#include "audio_file.h"
#include "bit_file.h"
#include "file_error.h"

#include "baseband.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vantrel {

namespace {

// Enough of a file's start to tell sound from a bit text.
constexpr std::size_t AudioMagicLength = 12;

} // namespace

bool IsAudioFile(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        return false;
    char start[AudioMagicLength];
    const std::size_t got = std::fread(start, 1, sizeof start, file.get());
    return LooksLikeAudio(std::string_view(start, got));
}

DecodedFile DecodeFile(const std::string& path, demod::Polarity polarity, bool stats) {
    DecodedFile decoded;
    std::string bits;
    if (path != "-" && IsAudioFile(path)) {
        AudioOptions audio;
        audio.polarity = polarity;
        bits = DemodulateFile(path, audio).Bits;
    } else {
        bits = RemoveLineFeeds(ReadBitFile(path));
    }
    decoded.NoBitCharacters = bits.find_first_of("01") == std::string::npos;
    modETSI300230::SyncCounter counter(modETSI300230::SyncRule::WholeFile);
    counter.Feed(bits);
    decoded.Stats.patternsPassedOver = counter.FecPassedOver();
    if (!stats) {
        modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount);
        return decoded;
    }
    std::vector<modETSI300230::BlockDetail> details;
    modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount, details);
    for (std::size_t i = 0; i < details.size(); ++i)
        decoded.Stats.Add(
            MakeRecord(static_cast<std::int64_t>(i + 1), decoded.Blocks[i], std::move(details[i])));
    return decoded;
}

RunInput OpenRunInput(const std::string& path, demod::Polarity polarity, std::size_t spoolLimit) {
    RunInput input;
    if (path != "-" && IsAudioFile(path)) {
        AudioOptions audio;
        audio.polarity = polarity;
        DemodulatedFile sound = DemodulateFile(path, audio);
        input.raw.emplace(RawInput::FromText(std::move(sound.Bits)));
        input.heard = std::move(sound.Transmissions);
        input.endedEarly = sound.EndedEarly;
        return input;
    }
    RawInput raw = RawInput::Open(path, spoolLimit);
    char start[AudioMagicLength];
    const std::size_t got = raw.ReadAt(0, start, sizeof start);
    if (path == "-" && LooksLikeAudio(std::string_view(start, got))) {
        // Sound on standard input is read whole: the reader needs to seek in it.
        std::string bytes(static_cast<std::size_t>(raw.Size()), '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            const std::size_t n = raw.ReadAt(done, bytes.data() + done, bytes.size() - done);
            if (n == 0)
                break;
            done += n;
        }
        bytes.resize(done);
        DemodulatedFile sound =
            DemodulateAll(AudioFile::FromMemory(std::move(bytes), path), polarity);
        input.raw.emplace(RawInput::FromText(std::move(sound.Bits)));
        input.heard = std::move(sound.Transmissions);
        input.endedEarly = sound.EndedEarly;
        return input;
    }
    input.raw.emplace(std::move(raw));
    return input;
}

std::optional<HeardInfo> HeardAt(const TransmissionMap& map, std::uint64_t bitIndex) {
    const HeardTransmission* heard = map.Find(bitIndex);
    if (heard == nullptr)
        return std::nullopt;
    HeardInfo info;
    const double seconds =
        heard->startSeconds + static_cast<double>(bitIndex - heard->firstBit) / demod::BitRate;
    info.seconds = std::round(seconds * 1000.0) / 1000.0;
    info.levelDbfs = heard->levelDbfs;
    info.ebN0Db = heard->ebN0Db;
    return info;
}

namespace {

// Follow mode's last line of a record's section: when it became final.
std::string FinalTimeLine(std::string_view time) {
    std::string line = "Final (UTC)   : ";
    line += time;
    line += modETSI300230::CrLf;
    return line;
}

} // namespace

std::string PassedOverWarning(std::uint64_t passed) {
    return std::to_string(passed) +
           (passed == 1 ? " SYNC FEC pattern was" : " SYNC FEC patterns were") +
           " passed over: a SYNC NO FEC pattern follows later, and the report takes those "
           "first (--follow takes every pattern in order)";
}

namespace {

// What every sink shares: the statistics and the warnings of the whole-file run.
struct RunState {
    RecordStats stats;
    std::string log; // the current record's log (record formats)
};

void AddCountedWarnings(StreamSink& sink, RunState& state, const OutputTarget& target, bool sound) {
    sink.noBitCharacters = [target, sound] {
        if (target.warn)
            target.warn(sound ? "no transmission was heard in the sound" : NoBitsWarning);
    };
    sink.counted = [counted = sink.counted, &state, target](std::int64_t count,
                                                            std::uint64_t passed) {
        state.stats.patternsPassedOver = passed;
        if (passed > 0 && target.warn)
            target.warn(PassedOverWarning(passed));
        if (counted)
            counted(count, passed);
    };
}

// The text report (or follow mode's sections), record by record. A record's log goes out as
// its head, its trailer pieces and CR LF, so no record is ever held with its trailer.
StreamSink TextSink(const OutputChoice& choice, const OutputTarget& target, bool document,
                    RunState& state) {
    const auto write = target.write;
    const bool debug = choice.level == ReportLevel::Debug;
    const bool stats = choice.stats;
    StreamSink sink;
    sink.trailers = debug;
    sink.places = false;
    sink.details = stats;
    if (document)
        sink.counted = [write](std::int64_t count, std::uint64_t) {
            write(ReportHeaderText(count));
        };
    sink.recordStart = [write, debug](const StreamRecord& record) {
        if (debug) {
            write(DebugSectionTitle(record.number));
            write(record.logHead);
        }
    };
    sink.trailer = write;
    sink.recordEnd = [write, debug, stats, &state, target](const StreamRecord& record) {
        write(debug ? std::string_view(modETSI300230::CrLf)
                    : std::string_view(ShortSectionText(record.info, record.number)));
        if (!record.finalTime.empty())
            write(FinalTimeLine(record.finalTime));
        if (stats)
            state.stats.Add(MakeRecord(record.number, record.info, record.detail));
        if (target.recordDone)
            target.recordDone();
    };
    return sink;
}

// Characters of a log as they stand inside a JSON string: Latin-1 to UTF-8, escaped as the
// JSON library escapes the whole log in a record (the stream equality tests compare the two
// byte for byte, every byte value included). Both work byte by byte, so a log converted in
// pieces gives the bytes of the log converted whole. Written out here because a log is most
// of a record's bytes: bits pass through as runs.
std::string JsonStringPiece(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\')
            continue;
        out.append(text.substr(run, i - run));
        run = i + 1;
        if (c >= 0x80) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        }
        }
    }
    out.append(text.substr(run));
    return out;
}

// The member that the record JSON ends with; a record written with an empty log is cut here
// so its log can follow in pieces.
constexpr std::string_view EmptyLogMember = R"("Log":"")";

RecordSource SourceOf(const std::string& path, const RunInput* input, const StreamRecord& record) {
    RecordSource source;
    source.file = path;
    if (!record.noPattern) {
        if (input != nullptr && input->heard) {
            source.heard = HeardAt(*input->heard, record.syncBit);
        } else {
            source.line = record.place.line;
            source.column = record.place.column;
        }
    }
    source.finalAt = record.finalTime;
    return source;
}

// The records, each written through the run's writer. JSON and JSON Lines carry the record's
// log: in the whole-file run the record goes out at its start and its log in pieces as the
// trailer arrives, so a long trailer is never held; in follow mode the record waits for its
// end (and the time it became final), its log held. The other formats need no log.
StreamSink RecordSink(const std::string& path, const RunInput* input, const OutputChoice& choice,
                      const OutputTarget& target, const RecordOutput& records, RunState& state) {
    StreamSink sink;
    const RecordFormat format = *choice.records;
    // Only the JSON document shows statistics of its own; the units seen grow with the input.
    const bool stats = choice.stats || format == RecordFormat::Json;
    const bool logs = format == RecordFormat::Json || format == RecordFormat::JsonLines;
    const bool follow = input == nullptr;
    sink.trailers = logs;
    sink.places = follow || !input->heard; // demodulated bits have no place in any file
    sink.details = true;
    const auto write = [path, input, stats, &records, &state](const StreamRecord& record,
                                                              std::string log) {
        modETSI300230::BlockInfo info = record.info;
        info.Log = modETSI300230::SharedText(std::move(log));
        const DecodedRecord decoded = MakeRecord(record.number, std::move(info), record.detail,
                                                 SourceOf(path, input, record));
        if (stats)
            state.stats.Add(decoded);
        records.writer.Write(decoded);
        std::string text = records.chunk.str();
        records.chunk.str(std::string());
        return text;
    };
    if (logs && !follow) {
        sink.recordStart = [write, target, &state](const StreamRecord& record) {
            std::string text = write(record, std::string());
            const std::size_t cut = text.rfind(EmptyLogMember);
            const std::size_t open = cut + EmptyLogMember.size() - 1; // inside the quotes
            state.log = text.substr(open);
            text.resize(open);
            target.write(text);
            target.write(JsonStringPiece(record.logHead));
        };
        sink.trailer = [target](std::string_view text) { target.write(JsonStringPiece(text)); };
        sink.recordEnd = [target, &state](const StreamRecord&) {
            target.write(JsonStringPiece(modETSI300230::CrLf));
            target.write(state.log);
            state.log.clear();
            if (target.recordDone)
                target.recordDone();
        };
        return sink;
    }
    if (logs) {
        sink.recordStart = [&state](const StreamRecord& record) { state.log = record.logHead; };
        sink.trailer = [&state](std::string_view text) { state.log.append(text); };
    }
    sink.recordEnd = [write, logs, target, &state](const StreamRecord& record) {
        if (logs)
            state.log.append(modETSI300230::CrLf);
        target.write(write(record, logs ? std::move(state.log) : std::string()));
        state.log.clear();
        if (target.recordDone)
            target.recordDone();
    };
    return sink;
}

void Drain(const RecordOutput& records, const OutputTarget& target) {
    const std::string text = records.chunk.str();
    records.chunk.str(std::string());
    if (!text.empty())
        target.write(text);
}

} // namespace

RecordStats StreamDecodeFile(const RunInput& input, const std::string& path,
                             const OutputChoice& choice, const StreamOptions& options,
                             const OutputTarget& target, const RecordOutput* records) {
    RunState state;
    StreamSink sink = records != nullptr ? RecordSink(path, &input, choice, target, *records, state)
                                         : TextSink(choice, target, true, state);
    AddCountedWarnings(sink, state, target, input.heard.has_value());
    if (input.endedEarly && target.warn)
        target.warn("the sound file ended early; what it held is decoded");
    if (records != nullptr) {
        records->writer.BeginFile(path);
        Drain(*records, target);
    }
    DecodeInput(*input.raw, options, sink);
    if (records != nullptr) {
        records->writer.EndFile(state.stats);
        Drain(*records, target);
    }
    return state.stats;
}

RecordStats FollowFile(const std::string& path, const OutputChoice& choice,
                       const StreamOptions& options, const OutputTarget& target,
                       const RecordOutput* records) {
    RunState state;
    const StreamSink sink = records != nullptr
                                ? RecordSink(path, nullptr, choice, target, *records, state)
                                : TextSink(choice, target, false, state);
    FollowInput(path, options, sink);
    return state.stats;
}

} // namespace vantrel
