#include "record_outlets.h"

#include "decode_options.h"
#include "file_error.h"
#include "tool_output.h"

#include <chrono>
#include <variant>

namespace vantrel::decode {

namespace {

// How long the end of a run waits for the broker to acknowledge what is buffered, counted
// from its last acknowledgement.
constexpr auto MqttFlushWait = std::chrono::seconds(5);

void Notice(std::string_view line) {
    tool::WriteErr(tool::ProgramLine(ToolName, line));
}

// "  LABEL" padded as the statistics' lines are, then the count.
std::string CountLine(std::string_view label, std::uint64_t value) {
    std::string line = "  " + std::string(label);
    line.append(label.size() < 28 ? 28 - label.size() : 1, ' ');
    return line + std::to_string(value) + "\n";
}

} // namespace

RecordOutlets::RecordOutlets(const StoreOptions& options, const std::string& inputs) {
    if (!options.mqtt.empty()) {
        MqttUrl url = std::get<MqttUrl>(ParseMqttUrl(options.mqtt));
        mqttWhere_ = MqttUrlText(url);
        mqtt_ = std::make_unique<MqttPublisher>(
            MqttSettingsFromEnvironment(std::move(url), options.mqttBuffer), Notice);
    }
    if (!options.db.empty()) {
        dbPath_ = options.db;
        try {
            StoreRun run{std::string(ToolName) + " " + VANTREL_VERSION, inputs};
            db_ = std::make_unique<StoreWriter>(std::make_unique<RecordStore>(options.db, run),
                                                Notice);
        } catch (const FileError& error) {
            tool::WriteErr(ProblemLine(error.path(), error.description()));
            failed_ = true;
        }
    }
}

RecordOutlets::~RecordOutlets() = default;

std::function<void(const DecodedRecord&)>
RecordOutlets::Listener(std::function<void(const DecodedRecord&)> also) {
    if (!mqtt_ && !db_)
        return also;
    return [this, also = std::move(also)](const DecodedRecord& record) {
        if (mqtt_)
            mqtt_->Publish(record);
        if (db_)
            db_->Add(record);
        if (also)
            also(record);
    };
}

int RecordOutlets::Close(bool stats) {
    std::string text;
    if (mqtt_) {
        const MqttCounts counts = mqtt_->Close(MqttFlushWait);
        if (counts.dropped + counts.undelivered > 0) {
            Notice(mqttWhere_ + ": " + std::to_string(counts.dropped + counts.undelivered) +
                   " messages never reached the broker");
            failed_ = true;
        }
        text += "Statistics: " + mqttWhere_ + "\n" +
                CountLine("messages published", counts.published) +
                CountLine("dropped, the buffer full", counts.dropped) +
                CountLine("undelivered at the end", counts.undelivered);
    }
    if (db_) {
        const StoreOutcome outcome = db_->Close();
        failed_ = failed_ || outcome.lost;
        text += "Statistics: " + dbPath_ + "\n" + CountLine("records added", outcome.added) +
                CountLine("records already there", outcome.known) +
                CountLine("records not stored", outcome.notStored);
    }
    if (stats && !text.empty())
        tool::WriteErr(tool::WithCrLf(text));
    return failed_ ? tool::ExitFileError : 0;
}

} // namespace vantrel::decode
