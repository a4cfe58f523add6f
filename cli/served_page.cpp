#include "served_page.h"

#include "decode_options.h"
#include "file_error.h"
#include "record_store.h"
#include "serve_address.h"
#include "stop_signals.h"
#include "tool_output.h"

#include <filesystem>
#include <system_error>

namespace vantrel::decode {

namespace {

void Say(std::string_view line) {
    tool::WriteErr(tool::ProgramLine(ToolName, line));
}

} // namespace

ServedPage::ServedPage(const StationOptions& options)
    : history_(options.history != 0 ? options.history : DefaultServeHistory),
      station_(history_, Say), server_(station_, Say) {
    const ServeAddress address = *ParseServeAddress(options.serve);
    const int port = server_.Start(address);
    url_ = PageUrl(address.host, port);
    if (IsLoopback(address.host))
        Say("the live page is at " + url_);
    else
        Say("the live page at " + url_ +
            " can be reached from the network: whoever reaches this machine sees what it hears");
}

std::function<void(const DecodedRecord&)> ServedPage::Listener() {
    return [this](const DecodedRecord& record) { station_.Add(record); };
}

void ServedPage::LoadHistory(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return; // this run starts it
    try {
        const StoredHistory history = ReadStoredHistory(path, history_);
        station_.Load(history.records, history.units);
    } catch (const FileError& problem) {
        tool::WriteErr(ProblemLine(problem.path(), problem.description()));
    }
}

void ServedPage::ServeOn() {
    station_.Finish();
    if (tool::StopRequested())
        return;
    // Caught before the line says so: a script that stops the program when it reads it must
    // not find the signal's default still in place.
    tool::CatchStopSignals();
    Say("the run has ended; its live page stays at " + url_ + " until Ctrl-C");
    tool::WaitForStopRequest();
}

} // namespace vantrel::decode
