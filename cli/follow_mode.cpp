#include "follow_mode.h"

#include "file_error.h"
#include "followed_file.h"
#include "record_outlets.h"
#include "record_output.h"
#include "stop_signals.h"
#include "tool_output.h"

#include <optional>

namespace vantrel::decode {

using tool::ExitFileError;
using tool::FlushOut;
using tool::OutputError;
using tool::WithCrLf;
using tool::WriteErr;
using tool::WriteOut;

bool WaitToFollow(const std::string& path) {
    return WaitForFile(path, tool::StopRequest(), [&path] {
        WriteErr(ProblemLine(path, "does not exist yet; waiting for it to appear"));
    });
}

int RunFollowMode(const Options& options, const RecordListener& finalRecord) {
    const std::string path = !options.source.device.empty() ? options.source.device
                             : options.files.empty()        ? "-"
                                                            : options.files.front();
    tool::CatchStopSignals();
    const OutputChoice choice = ChoiceOf(options);
    StreamOptions streamOptions;
    streamOptions.stop = tool::StopRequest();
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
    target.finalRecord = outlets.Listener(finalRecord);
    std::optional<RecordOutput> records = RecordOutputFor(choice);
    // A sound card is waited for by the recording itself, which names the server's reason.
    if (options.source.device.empty() && !WaitToFollow(path))
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
