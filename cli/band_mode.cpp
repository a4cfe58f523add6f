#include "band_mode.h"

#include "band_run.h"
#include "batch_run.h"
#include "capture_bytes.h"
#include "file_error.h"
#include "follow_mode.h"
#include "followed_file.h"
#include "output_formats.h"
#include "progress.h"
#include "radio_options.h"
#include "record_outlets.h"
#include "start_time.h"
#include "stop_signals.h"
#include "tool_output.h"

#include <algorithm>
#include <memory>

namespace vantrel::decode {

using tool::ExitFileError;
using tool::FlushOut;
using tool::WithCrLf;
using tool::WriteErr;
using tool::WriteOut;

namespace {

constexpr std::size_t FollowPieceSize = std::size_t{1} << 18;

// A followed capture's bytes as they arrive. A compressed one is refused (it is whole only at
// its end, as for every followed input); one that shrinks or is replaced ends the capture:
// its samples would no longer follow from the ones before.
class FollowedCapture {
public:
    explicit FollowedCapture(const std::string& path) : path_(path), file_(path) {}

    std::optional<std::string_view> Next() {
        if (ended_)
            return std::nullopt;
        const Arrival arrival = file_.Read(buffer_.get(), FollowPieceSize);
        if (!arrival.startedOver.empty()) {
            WriteErr(ProblemLine(path_, std::string(arrival.startedOver) +
                                            ": a followed capture ends there"));
            ended_ = true;
        }
        if (arrival.ended || ended_)
            return std::nullopt;
        const std::string_view piece(buffer_.get(), arrival.size);
        if (first_ && !piece.empty()) {
            first_ = false;
            if (CompressionOf(piece) != Compression::None)
                throw FileError(path_, std::string(CompressionName(CompressionOf(piece))) +
                                           " is whole only at its end: decode it without "
                                           "--follow");
        }
        return piece;
    }

private:
    std::string path_;
    FollowedFile file_;
    std::unique_ptr<char[]> buffer_{new char[FollowPieceSize]};
    bool first_ = true;
    bool ended_ = false;
};

int Follow(const Options& options, const std::string& path, const RecordListener& finalRecord) {
    tool::CatchStopSignals();
    const volatile std::sig_atomic_t* stop = tool::StopRequest();
    if (!WaitToFollow(path))
        return 0; // stopped before there was anything to follow
    FollowedCapture bytes(path);
    IqCapture capture(
        path, LayoutOf(options.band, options.source.rate), [&bytes] { return bytes.Next(); }, stop);
    if (!capture.ready())
        return 0;
    BandSourceFacts facts;
    facts.finalRecord = finalRecord;
    facts.live = true;
    facts.stop = stop;
    const int status = RunBandOf(capture, options, facts);
    if (capture.endedEarly()) {
        WriteErr(ProblemLine(path, "the WAV ended before the samples its header announces"));
        return ExitFileError;
    }
    return status;
}

int Whole(const Options& options, const std::string& path, const RecordListener& finalRecord) {
    CaptureBytes bytes(path);
    IqCapture capture(path, LayoutOf(options.band, options.source.rate),
                      [&bytes] { return bytes.Next(); });
    BandSourceFacts facts;
    facts.finalRecord = finalRecord;
    facts.seconds = capture.SecondsAhead(bytes.size());
    facts.bytesTotal = bytes.size().value_or(0);
    const int status = RunBandOf(capture, options, facts);
    if (capture.endedEarly()) {
        WriteErr(ProblemLine(path, "the WAV ended early: its header announces " +
                                       std::to_string(*capture.announcedBytes()) +
                                       " bytes of samples, " + std::to_string(capture.bytesRead()) +
                                       " came; what it held is decoded"));
        return ExitFileError;
    }
    return status;
}

// A live radio tuned by --center and --rate, until Ctrl-C; with --follow one that cannot be
// reached at the start is waited for, as a sound card is.
int LiveRadio(const Options& options, const RecordListener& finalRecord) {
    LiveRadioSettings settings;
    settings.waitAtStart = options.follow;
    settings.notice = [](std::string_view line) { WriteErr(tool::ProgramLine(ToolName, line)); };
    const CaptureLayout tuning = LayoutOf(options.band, options.source.rate);
    const std::unique_ptr<IqSource> radio = OpenLiveIqSource(
        options.radio, tuning.centreHz.value_or(0), tuning.sampleRate, std::move(settings));
    BandSourceFacts facts;
    facts.finalRecord = finalRecord;
    facts.live = true;
    tool::CatchStopSignals();
    facts.stop = tool::StopRequest();
    return RunBandOf(*radio, options, facts);
}

} // namespace

int RunBandMode(const Options& options, const RecordListener& finalRecord) {
    const std::string path = options.files.empty() ? "-" : options.files.front();
    try {
        if (NamesRadio(options.radio))
            return LiveRadio(options, finalRecord);
        return options.follow ? Follow(options, path, finalRecord)
                              : Whole(options, path, finalRecord);
    } catch (const tool::OutputError&) {
        throw;
    } catch (const FileError& error) {
        FlushOut();
        WriteErr(ProblemLine(error.path(), error.description()));
        return ExitFileError;
    }
}

int RunBandOf(IqSource& source, const Options& options, const BandSourceFacts& facts) {
    const std::string& path = source.name();
    std::optional<channelizer::BandPlan> plan;
    try {
        plan.emplace(PlanFor(options.band, source));
    } catch (const std::invalid_argument& error) {
        // A band plan's or a frequency's refusal: the command line does not fit the capture.
        WriteErr(tool::ProgramLine(ToolName, path + ": " + error.what()));
        return tool::ExitUsage;
    }
    OutputChoice choice = ChoiceOf(options);
    choice.channels = true;
    std::optional<RecordOutput> records = RecordOutputFor(choice);

    BandRunOptions run;
    run.follow = facts.live;
    run.stop = facts.stop;
    if (!options.startTime.empty()) {
        if (options.startTime == "mtime" && !facts.seconds) {
            WriteErr(ProblemLine(path, "--start-time mtime needs the capture's length: a regular "
                                       "uncompressed file, or a WAV whose header announces it"));
            return ExitFileError;
        }
        try {
            run.startTime = StartTimeOf(path, options.startTime, facts.seconds.value_or(0));
        } catch (const FileError& error) {
            WriteErr(ProblemLine(error.path(), error.description()));
            return ExitFileError;
        }
    }
    tool::FileProgress progress(path);
    if (facts.bytesTotal > 0) {
        run.bytesTotal = facts.bytesTotal;
        run.progress = [&progress](const StreamProgress& p) {
            progress.Update({"reading", p.bytesDone, p.bytesTotal});
        };
    }
    // The broker and the database of --mqtt and --db take every final record, its channel in it.
    RecordOutlets outlets(options.store, path);
    OutputTarget target;
    target.write = WriteOut;
    target.finalRecord = outlets.Listener(facts.finalRecord);
    target.recordDone =
        facts.live ? std::function<void()>(FlushOut) : [&progress] { progress.Block(); };
    target.warn = [&progress, &path](std::string_view line) {
        progress.Clear();
        WriteErr(ProblemLine(path, line));
    };

    if (records && !facts.live) {
        records->writer().BeginRun();
        WriteOut(records->Take());
    }
    const BandRunResult result =
        RunBand(source, *plan, choice, run, target, records ? &*records : nullptr);
    if (records && !facts.live) {
        records->writer().EndRun(result.stats);
        WriteOut(records->Take());
    }
    FlushOut();
    progress.Clear();
    if (options.stats) {
        if (!StatsShownInDocument(choice))
            WriteErr(WithCrLf(StatsText(result.stats, path)));
        WriteErr(WithCrLf(result.channels.Text(path)));
    }
    if (result.failure)
        WriteErr(ProblemLine(result.failure->path(), result.failure->description()));
    const int status = result.failure || result.leftOverBytes > 0 ? ExitFileError : 0;
    return std::max(status, outlets.Close(options.stats));
}

} // namespace vantrel::decode
