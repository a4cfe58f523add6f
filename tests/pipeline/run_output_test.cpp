// Two streams (two channels, each its own decoder) into one run output: their events
// interleaved give every record's text as the records one after the other give it, and a
// listener takes each record as the output wrote it, its log included.
#include "encoder.h"
#include "output_events.h"
#include "output_formats.h"
#include "record_json_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vantrel::OutputFormat;
using vantrel::OutputFormatNamed;

// Each stream's records are of another length (trailer pieces), so that when the streams take
// turns, each one's records start and end in the middle of the other's.
constexpr std::size_t Records[] = {3, 4};
constexpr std::size_t Pieces[] = {3, 1};
constexpr std::uint64_t Channels[] = {446'006'250, 446'018'750};

// One event of a stream's record: its start (step 0), a trailer piece, its end (the last).
struct Event {
    std::size_t stream, record, step;
    bool Last() const { return step == Pieces[stream] + 1; }
    std::string Piece() const { return std::to_string(stream) + "\"\\" + std::to_string(step); }
};

vantrel::StreamRecord Record(const Event& e) {
    const std::string message = "MSG " + std::to_string(e.stream) + std::to_string(e.record);
    std::vector<modETSI300230::BlockInfo> blocks;
    std::vector<modETSI300230::BlockDetail> details;
    std::int32_t count = 0;
    modETSI300230::DecodeStream(encoder::ShortDataBlock({encoder::ShortData, 10, 4, 9, 2}, message),
                                blocks, count, details);
    vantrel::StreamRecord record;
    record.number = static_cast<std::int64_t>(e.record + 1);
    record.info = blocks.at(0);
    record.detail = details.at(0);
    record.logHead = message + "\r\n";
    return record;
}

// The streams taking turns event by event (`turns`), or each record whole in the order the
// turns ended them.
std::vector<Event> Events(bool turns) {
    std::vector<Event> taken;
    std::vector<Event> whole;
    for (std::size_t i = 0; i < 20; ++i)
        for (std::size_t s = 0; s < 2; ++s) {
            const std::size_t steps = Pieces[s] + 2;
            if (i >= Records[s] * steps)
                continue;
            taken.push_back({s, i / steps, i % steps});
            for (std::size_t step = 0; taken.back().Last() && step < steps; ++step)
                whole.push_back({s, i / steps, step});
        }
    return turns ? taken : whole;
}

struct Written {
    std::string text;
    std::vector<vantrel::DecodedRecord> listened;
};

Written RunStreams(const OutputFormat* format, const std::vector<Event>& events,
                   bool listen) {
    Written out;
    vantrel::OutputChoice choice;
    choice.records = format;
    choice.level = vantrel::ReportLevel::Debug; // the report shows the log too
    choice.channels = true;
    vantrel::Recording recording;
    recording.bits.emplace(vantrel::RawInput::FromText(""));
    vantrel::OutputTarget target;
    target.write = [&out](std::string_view text) { out.text.append(text); };
    if (listen)
        target.finalRecord = [&out](const vantrel::DecodedRecord& r) { out.listened.push_back(r); };
    std::optional<vantrel::RecordOutput> records = vantrel::RecordOutputFor(choice);
    vantrel::RunOutput output("band.iq", &recording, choice, target, records ? &*records : nullptr);
    output.severalStreams = true;
    vantrel::StreamState states[2];
    states[0].channelHz = Channels[0];
    states[1].channelHz = Channels[1];
    const vantrel::RecordEvents streams[2] = {output.Events(states[0]), output.Events(states[1])};
    for (const Event& e : events) {
        const vantrel::RecordEvents& stream = streams[e.stream];
        if (e.step == 0 && stream.recordStart)
            stream.recordStart(Record(e));
        else if (e.Last())
            stream.recordEnd(Record(e));
        else if (stream.trailers)
            stream.trailer(e.Piece());
    }
    return out;
}

TEST(RunOutput, InterleavedStreamsGiveEveryRecordWhole) {
    ASSERT_NE(Events(false).front().stream, Events(false).back().stream);
    for (const OutputFormat* format : {static_cast<const OutputFormat*>(nullptr), OutputFormatNamed("json")})
        EXPECT_EQ(RunStreams(format, Events(true), false).text,
                  RunStreams(format, Events(false), false).text)
            << "records " << (format != nullptr);
}

TEST(RunOutput, ListenerTakesEveryRecordAsWritten) {
    const Written out = RunStreams(OutputFormatNamed("jsonl"), Events(true), true);
    std::string lines;
    for (const vantrel::DecodedRecord& record : out.listened) {
        vantrel::AppendRecordJson(lines, record);
        lines += '\n';
    }
    EXPECT_EQ(lines, out.text);
    // The report's records, each with its channel and the log its section shows.
    const Written report = RunStreams(nullptr, Events(true), true);
    std::vector<std::pair<std::uint64_t, std::string>> expected;
    for (const Event& e : Events(false)) {
        if (e.step == 0)
            expected.emplace_back(Channels[e.stream], Record(e).logHead);
        else
            expected.back().second += e.Last() ? std::string("\r\n") : e.Piece();
    }
    ASSERT_EQ(report.listened.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(report.listened[i].source.channelHz, expected[i].first) << i;
        EXPECT_EQ(report.listened[i].info.Log.str(), expected[i].second) << i;
    }
}

} // namespace
