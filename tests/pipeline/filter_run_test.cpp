// A run with a filter writes only the records that pass it, and counts only those: whether the
// writer takes its records in pieces as their logs arrive (json) or whole (brief, csv), and
// whether one stream writes or several (the records gathered whole).
#include "encoder.h"
#include "output_events.h"
#include "output_formats.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace {

// Calls between three units, one of them extended addressing; its short data text names the
// call, so the test can tell which records were written.
std::string Calls() {
    using encoder::Header;
    std::string bits;
    const std::vector<std::pair<Header, std::string>> calls = {
        {{encoder::ShortData, 10, 1, 0x234, 0x567}, "A 1234 TO 1567"},
        {{encoder::ShortData, 10, 1, 0x567, 0x234}, "B 1567 TO 1234"},
        {{encoder::ShortData, 10, 1, 0x999, 0x567}, "C 1999 TO 1567"},
        {{encoder::ShortData, 10, 1, 0x234, 0x999}, "D 1234 TO 1999"}};
    for (const auto& [header, text] : calls)
        bits += encoder::ShortDataBlock(header, text) + "0101";
    return bits;
}

struct Written {
    std::string text;
    vantrel::RecordStats stats;
};

Written Write(const char* format, const vantrel::RecordFilter& filter, bool severalStreams) {
    vantrel::OutputChoice choice;
    choice.records = vantrel::OutputFormatNamed(format);
    choice.filter = filter;
    choice.stats = true;
    vantrel::Recording recording;
    recording.bits.emplace(vantrel::RawInput::FromText(Calls()));
    Written run;
    vantrel::OutputTarget target;
    target.write = [&run](std::string_view text) { run.text.append(text); };
    std::optional<vantrel::RecordOutput> records = vantrel::RecordOutputFor(choice);
    vantrel::RunOutput output("rx.txt", &recording, choice, target, &*records);
    output.severalStreams = severalStreams;
    vantrel::StreamState stream;
    records->writer().BeginRun();
    records->writer().BeginFile("rx.txt");
    vantrel::StreamWhole(*recording.bits, {}, output.Events(stream));
    records->writer().EndFile(output.stats);
    records->writer().EndRun(output.stats);
    run.text += records->Take();
    run.stats = output.stats;
    return run;
}

// The calls' letters in the order written.
std::string Letters(const std::string& text) {
    std::string letters;
    for (const char letter : {'A', 'B', 'C', 'D'})
        if (text.find(std::string(1, letter) + " 1") != std::string::npos)
            letters += letter;
    return letters;
}

TEST(FilteredRun, WritesAndCountsOnlyTheRecordsThatPass) {
    struct Case {
        vantrel::RecordFilter filter;
        const char* letters;
    };
    const Case cases[] = {{{}, "ABCD"},
                          {{.units = {"1234"}}, "ABD"},
                          {{.from = {"1234"}}, "AD"},
                          {{.to = {"1567"}, .functions = {25}}, "AC"},
                          {{.functions = {10}}, ""}};
    for (const char* format : {"json", "brief", "csv"})
        for (const bool several : {false, true})
            for (const Case& c : cases) {
                const Written run = Write(format, c.filter, several);
                const std::string what =
                    std::string(format) + (several ? " several " : " one ") + c.letters;
                EXPECT_EQ(Letters(run.text), c.letters) << what << "\n" << run.text;
                EXPECT_EQ(run.stats.syncPatterns, std::string(c.letters).size()) << what;
                if (std::string(format) == "json") {
                    EXPECT_TRUE(nlohmann::json::accept(run.text)) << what << "\n" << run.text;
                }
            }
}

} // namespace
