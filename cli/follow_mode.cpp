#include "follow_mode.h"

#include "file_error.h"
#include "followed_file.h"
#include "record_outlets.h"
#include "record_output.h"
#include "tool_output.h"

#include <csignal>
#include <optional>

namespace vantrel::decode {

using tool::ExitFileError;
using tool::FlushOut;
using tool::OutputError;
using tool::WithCrLf;
using tool::WriteErr;
using tool::WriteOut;

namespace {

// Set by SIGINT and SIGTERM in follow mode: the run finishes its last record and ends.
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int /*signal*/) {
    stopRequested = 1;
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    // The waits of follow mode (poll, a sleep) end at a signal whatever this says; writes to
    // standard output go on after it.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int RunFollowMode(const Options& options) {
    const std::string path = !options.source.device.empty() ? options.source.device
                             : options.files.empty()        ? "-"
                                                            : options.files.front();
    CatchStopSignals();
    const OutputChoice choice = ChoiceOf(options);
    StreamOptions streamOptions;
    streamOptions.stop = &stopRequested;
    streamOptions.sound.device = options.source.device;
    streamOptions.sound.retryDevice = options.follow;
    streamOptions.sound.deviceSampleRate = options.source.DeviceRate();
    streamOptions.sound.rawSampleRate = options.source.raw ? options.source.rate : 0;
    streamOptions.sound.polarity = choice.polarity;
    // The line already names the file: "live.txt: has shrunk; ...".
    streamOptions.notice = [](std::string_view line) {
        WriteErr(tool::ProgramLine(ToolName, line));
    };
    RecordOutlets outlets(options.store, path);
    OutputTarget target;
    target.write = WriteOut;
    target.recordDone = FlushOut;
    target.finalRecord = outlets.Listener();
    std::optional<RecordOutput> records = RecordOutputFor(choice);
    const auto waiting = [&path] {
        WriteErr(ProblemLine(path, "does not exist yet; waiting for it to appear"));
    };
    // A sound card is waited for by the recording itself, which names the server's reason.
    if (options.source.device.empty() && !WaitForFile(path, &stopRequested, waiting))
        return outlets.Close(options.stats); // stopped before there was anything to follow
    try {
        const RecordStats stats =
            RunFollow(path, choice, streamOptions, target, records ? &*records : nullptr);
        FlushOut();
        if (options.stats)
            WriteErr(WithCrLf(StatsText(stats, path)));
    } catch (const OutputError&) {
        throw;
    } catch (const FileError& error) {
        WriteErr(ProblemLine(error.path(), error.description()));
        FlushOut();
        outlets.Close(options.stats);
        return ExitFileError;
    }
    FlushOut();
    return outlets.Close(options.stats);
}

} // namespace vantrel::decode
