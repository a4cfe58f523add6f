// The html page's own rules: the hashes its policy names its scripts by, the JSON its script
// reads, the escaping of every text from the recording, and the bounds that keep a huge run's
// page small. What a browser makes of the page is checked in tests/cli (html_page_check.py).
#include "html_charts.h"
#include "html_page.h"
#include "html_run.h"
#include "html_script.h"
#include "html_script_hash.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <set>
#include <sstream>

namespace {

namespace mod = modETSI300230;

std::string Hex(const std::array<std::uint8_t, 32>& digest) {
    std::string text;
    for (const std::uint8_t b : digest) {
        text += "0123456789abcdef"[b >> 4];
        text += "0123456789abcdef"[b & 15];
    }
    return text;
}

struct HashCase {
    std::string message;
    const char* digest; // the published test vectors of SHA-256
};

TEST(HtmlScriptHash, Sha256MatchesThePublishedVectors) {
    const HashCase cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the last block, a second one follows.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        // Whole blocks only: the padding is a block of its own.
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const HashCase& c : cases)
        EXPECT_EQ(Hex(vantrel::Sha256(c.message)), c.digest) << c.message.size() << " bytes";
}

TEST(HtmlScriptHash, Base64MatchesTheRfcVectors) {
    const std::pair<const char*, const char*> cases[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
    for (const auto& [text, encoded] : cases)
        EXPECT_EQ(vantrel::Base64(text), encoded) << text;
}

// Texts that end a script element, open a comment in it or end a JavaScript line.
TEST(HtmlScriptJson, ReadsBackAsTheTextAndCannotLeaveTheScript) {
    const std::string cases[] = {"</script><script>alert(1)</script>",
                                 "<!-- <script>",
                                 "a&b\"c\\d",
                                 "line\xE2\x80\xA8sep\xE2\x80\xA9para",
                                 std::string("nul\0tab\tcr\r", 11),
                                 "\xC3\xA9t\xC3\xA9 \xE2\x80\xA6 \xE2\x80\xAA"};
    for (const std::string& text : cases) {
        const std::string json = vantrel::ScriptJsonString(text);
        EXPECT_EQ(nlohmann::json::parse(json).get<std::string>(), text) << json;
        for (const std::string_view forbidden : {"<", ">", "&", "\xE2\x80\xA8", "\xE2\x80\xA9"})
            EXPECT_EQ(json.find(forbidden), std::string::npos) << json;
    }
}

// Every character that means something to HTML, in every text a record carries.
const std::string Awkward = "<img src=x onerror=alert(1)></script><script>alert(2)</script>"
                            "\"'&amp;<!--\xE9\x01";

vantrel::DecodedRecord Record(std::int64_t number, std::string from, bool position) {
    mod::BlockInfo info;
    info.Func1 = "Func " + Awkward;
    info.FromAddr = std::move(from);
    info.ToAddr = "1" + Awkward;
    info.Message = "msg " + Awkward;
    mod::BlockDetail detail;
    detail.syncPosition = static_cast<std::size_t>(number) * 100;
    detail.shortData = true;
    detail.headers.push_back({});
    detail.codewords.resize(3);
    for (mod::CodewordCheck& c : detail.codewords)
        c.failed = false;
    detail.codewords[2].kind = mod::CodewordCheck::Kind::Data;
    detail.codewords[2].failed = number % 3 == 0;
    vantrel::RecordSource source;
    source.file = "dir/" + Awkward + ".txt";
    source.line = static_cast<std::uint64_t>(number);
    source.column = 7;
    vantrel::DecodedRecord r = vantrel::MakeRecord(number, info, detail, source);
    if (position) {
        r.nmea = mod::NmeaReading{};
        r.nmea->hasPosition = true;
        r.nmea->latitude = 45 + number * 1e-4;
        r.nmea->longitude = 7 - number * 1e-4;
        r.nmea->fixTime = Awkward;
    }
    return r;
}

std::string Page(int records) {
    std::ostringstream out;
    const auto writer = vantrel::MakeHtmlWriter(out, {});
    vantrel::RecordStats total;
    writer->BeginRun();
    writer->BeginFile("dir/" + Awkward + ".txt");
    for (int i = 1; i <= records; ++i) {
        const vantrel::DecodedRecord r = Record(i, i % 2 ? "1" + Awkward : "2345", true);
        total.Add(r);
        writer->Write(r);
    }
    writer->EndFile(total);
    writer->EndRun(total);
    return out.str();
}

// The scripts of a page, in order, as the browser sees them: attributes and text.
std::vector<std::pair<std::string, std::string>> Scripts(const std::string& page) {
    std::vector<std::pair<std::string, std::string>> scripts;
    for (std::size_t at = page.find("<script"); at != std::string::npos;
         at = page.find("<script", at + 1)) {
        const std::size_t open = page.find('>', at);
        const std::size_t close = page.find("</script>", open);
        scripts.emplace_back(page.substr(at + 7, open - at - 7),
                             page.substr(open + 1, close - open - 1));
    }
    return scripts;
}

TEST(HtmlPage, TextFromTheAirNeverBecomesMarkup) {
    const std::string page = Page(3);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<!--"), std::string::npos);
    EXPECT_NE(page.find("&lt;img src=x onerror=alert(1)&gt;&lt;/script&gt;"), std::string::npos);
    const auto scripts = Scripts(page);
    ASSERT_EQ(scripts.size(), 4U);
    EXPECT_EQ(scripts[1].first, " type=\"application/json\" id=\"page-data\"");
    const nlohmann::json data = nlohmann::json::parse(scripts[1].second);
    EXPECT_EQ(data["units"][0][0], "1<img src=x onerror=alert(1)></script><script>alert(2)"
                                   "</script>\"'&amp;<!--\xC3\xA9\x01");
}

// The policy lets run exactly the page's scripts: each by the hash of its whole text.
TEST(HtmlPage, PolicyNamesEveryScriptOfThePageByItsHash) {
    const std::string page = Page(2);
    const std::string_view meta = "http-equiv=\"Content-Security-Policy\" content=\"";
    const std::size_t from = page.find(meta);
    ASSERT_NE(from, std::string::npos);
    // The attribute as the browser reads it: its one reference is "&apos;".
    std::string csp;
    for (std::size_t at = from + meta.size(); page[at] != '"'; ++at) {
        if (page.compare(at, 6, "&apos;") == 0) {
            csp += '\'';
            at += 5;
        } else {
            csp += page[at];
        }
    }
    EXPECT_NE(csp.find("default-src 'none'"), std::string::npos);
    std::size_t hashes = 0;
    for (std::size_t at = csp.find("'sha256-"); at != std::string::npos;
         at = csp.find("'sha256-", at + 1))
        ++hashes;
    EXPECT_EQ(hashes, 3U);
    for (const auto& [attributes, text] : Scripts(page))
        if (attributes.empty()) {
            EXPECT_NE(csp.find(vantrel::ScriptHashSource(text)), std::string::npos)
                << text.substr(0, 80);
        }
}

TEST(HtmlRun, KeepsTablesBoundedAndEveryPosition) {
    vantrel::HtmlRun run;
    run.BeginFile("a.txt");
    const std::size_t count = 2 * vantrel::HtmlRowLimit + 5;
    for (std::size_t i = 1; i <= count; ++i)
        run.Add(Record(static_cast<std::int64_t>(i), std::to_string(i % 7), true));
    EXPECT_EQ(run.calls.size(), vantrel::HtmlRowLimit);
    EXPECT_EQ(run.callsLeftOut, count - vantrel::HtmlRowLimit);
    EXPECT_EQ(run.messages.size() + run.messagesLeftOut, count);
    EXPECT_EQ(run.listedPositions.size(), vantrel::HtmlRowLimit);
    EXPECT_EQ(run.positions.size(), count);
    EXPECT_EQ(run.units.size(), 7U);
    EXPECT_LE(run.errorBins.size(), vantrel::ErrorBinLimit);
    std::uint64_t blocks = 0, failed = 0;
    for (const vantrel::ErrorBin& bin : run.errorBins) {
        blocks += bin.blocks;
        failed += bin.failed;
    }
    EXPECT_EQ(blocks, count);
    EXPECT_EQ(failed, count / 3);
    // Bins are in order: each starts after the one before.
    for (std::size_t i = 1; i < run.errorBins.size(); ++i)
        EXPECT_GT(run.errorBins[i].first.bit, run.errorBins[i - 1].first.bit);
}

// A message or position links to its block only when the block got a row.
TEST(HtmlRun, LinksOnlyToListedBlocks) {
    vantrel::HtmlRun run;
    run.BeginFile("a.txt");
    run.Add(Record(1, "1", true));
    for (std::size_t i = 2; i <= vantrel::HtmlRowLimit + 1; ++i) {
        vantrel::DecodedRecord call = Record(static_cast<std::int64_t>(i), "2", false);
        call.detail.shortData = false;
        run.Add(call);
    }
    run.Add(Record(static_cast<std::int64_t>(vantrel::HtmlRowLimit) + 2, "3", true));
    ASSERT_EQ(run.messages.size(), 2U);
    ASSERT_EQ(run.listedPositions.size(), 2U);
    EXPECT_TRUE(run.messages[0].blockListed);
    EXPECT_TRUE(run.listedPositions[0].blockListed);
    EXPECT_FALSE(run.messages[1].blockListed);
    EXPECT_FALSE(run.listedPositions[1].blockListed);
}

TEST(HtmlPage, SaysWhatATableLeavesOut) {
    const std::string page = Page(static_cast<int>(vantrel::HtmlRowLimit) + 3);
    EXPECT_NE(page.find("The first 2000 blocks are listed; 3 more are counted"), std::string::npos);
    const nlohmann::json data = nlohmann::json::parse(Scripts(page)[1].second);
    EXPECT_EQ(data["positions"].size(), vantrel::HtmlRowLimit + 3);
}

} // namespace

namespace {

// Calls along a file: every one counted in at most TimelineBinLimit bins of equal length,
// wherever it lies and in whatever order the calls come.
TEST(Timeline, CountsEveryCallInBinsOfEqualLength) {
    struct Case {
        std::vector<double> places;
        double width;     // of a bin at the end
        std::size_t bins; // used at the end
    };
    const Case cases[] = {
        {{0.0, 0.05, 14.9}, 1.0 / 16, 239},
        {{15.0}, 0.125, 121},
        // Out of order, and far beyond the first bins: merged until the last fits.
        {{1000.0, 3.0, 0.0, 999.9}, 8.0, 126},
    };
    for (const Case& c : cases) {
        vantrel::Timeline timeline;
        for (const double at : c.places)
            timeline.Add(at, {1, 0, 0, 0});
        EXPECT_EQ(timeline.width, c.width);
        EXPECT_EQ(timeline.bins.size(), c.bins);
        std::uint64_t calls = 0;
        for (const vantrel::TimelineBin& bin : timeline.bins)
            calls += bin.calls;
        EXPECT_EQ(calls, c.places.size());
    }
}

vantrel::DecodedRecord HeardRecord(std::int64_t number, const std::string& from, double seconds,
                                   double level) {
    vantrel::DecodedRecord r = Record(number, from, true);
    r.source.line.reset();
    r.source.column.reset();
    char utc[32];
    std::snprintf(utc, sizeof utc, "2026-12-07T21:%02d:%02d.500Z",
                  static_cast<int>(3 + (10 + number) / 60), static_cast<int>((10 + number) % 60));
    r.source.heard = vantrel::HeardInfo{seconds, level, level + 30, utc};
    r.nmea->latitude = 45 + number * 0.01;
    return r;
}

std::string SoundPage(int records, int units) {
    std::ostringstream out;
    const auto writer = vantrel::MakeHtmlWriter(out, {.utc = true});
    vantrel::RecordStats total;
    writer->BeginRun();
    writer->BeginFile("rx.wav");
    for (int i = 1; i <= records; ++i) {
        const vantrel::DecodedRecord r =
            HeardRecord(i, std::to_string(1000 + i % units), i, -10.0 * (1 + i % 3));
        total.Add(r);
        writer->Write(r);
    }
    writer->EndFile(total);
    writer->EndRun(total);
    return out.str();
}

// A busy file's calls are seen along the whole file, not only its first HtmlRowLimit, and the
// page says how many it holds.
TEST(HtmlPage, TimelineHoldsEveryCallAlongTheWholeFile) {
    const int count = 3 * static_cast<int>(vantrel::HtmlRowLimit);
    vantrel::HtmlRun run;
    run.BeginFile("busy.txt");
    for (int i = 1; i <= count; ++i)
        run.Add(Record(i, "2345", false));
    const std::vector<vantrel::TimelineBin>& bins = run.files[0].timeline.bins;
    ASSERT_LE(bins.size(), vantrel::TimelineBinLimit);
    std::uint64_t calls = 0, lastQuarter = 0;
    for (std::size_t i = 0; i < bins.size(); ++i) {
        calls += bins[i].calls;
        if (4 * i >= 3 * bins.size())
            lastQuarter += bins[i].calls;
    }
    EXPECT_EQ(calls, static_cast<std::uint64_t>(count));
    EXPECT_GT(4 * lastQuarter, static_cast<std::uint64_t>(count) * 9 / 10) << lastQuarter;
    const std::string page = Page(count);
    EXPECT_NE(page.find("All " + std::to_string(count) + " calls are counted"), std::string::npos);
}

// A band's capture: a lane per channel, lowest first, each bar placed by its time in the
// whole capture, so that the calls of different channels line up.
TEST(HtmlPage, TimelineHasALanePerChannelOfABand) {
    vantrel::HtmlRun run;
    run.BeginFile("band.u8");
    for (const auto& [hz, seconds] :
         {std::pair{169412500, 0.5}, {169000000, 1.0}, {169412500, 4.0}}) {
        vantrel::DecodedRecord r = Record(1, "2345", false);
        r.source.channelHz = hz;
        r.source.heard = vantrel::HeardInfo{seconds, -20, 10, ""};
        run.Add(r);
    }
    ASSERT_EQ(run.files[0].channels.size(), 2U);
    std::ostringstream out;
    vantrel::WriteTimeline(out, run);
    const std::string svg = out.str();
    const std::size_t low = svg.find("class=\"lane\">169 MHz<");
    const std::size_t high = svg.find("class=\"lane\">169.4125 MHz<");
    ASSERT_NE(low, std::string::npos) << svg;
    ASSERT_NE(high, std::string::npos) << svg;
    EXPECT_LT(low, high);
    EXPECT_NE(svg.find("All 3 calls are counted"), std::string::npos);
    // The lone call at 1 s of a 4 s capture sits in the first half of its lane.
    const std::size_t rect = svg.find("<rect x=\"", low);
    const double axisMiddle = (210.0 + 890.0) / 2;
    EXPECT_LT(std::stod(svg.substr(rect + 9)), axisMiddle) << svg;
}

// Sound heard by the clock: its times on the page, and each unit's signal in the units table.
TEST(HtmlPage, ClockTimesAndTheSignalOfEachUnit) {
    const std::string page = SoundPage(6, 2);
    EXPECT_NE(page.find("2026-12-07 21:03:11.500Z, 1.000 s"), std::string::npos);
    EXPECT_NE(page.find("<th>Clock times</th><td>UTC"), std::string::npos);
    // Unit 1000 sent calls 2, 4 and 6, at -30, -20 and -10 dBFS; unit 1001 the others.
    EXPECT_NE(page.find(">-30.0 / -20.0 / -10.0</td><td class=\"spread\" data-value=\"10.0\">"
                        "0.0 / 10.0 / 20.0</td>"),
              std::string::npos);
    // The last call of unit 1001 (call 5) by the clock, to the second.
    EXPECT_NE(page.find("2026-12-07</span> <span class=\"whole\">21:03:15Z"), std::string::npos);
}

// The key names the units of the map in colours apart, up to its limit, and says how many
// more there are.
TEST(HtmlPage, KeyNamesTheUnitsOfTheMapInColoursApart) {
    const int units = static_cast<int>(vantrel::LegendLimit) + 5;
    const std::string page = SoundPage(units, units);
    std::size_t listed = 0;
    for (std::size_t at = page.find("<li><i style="); at != std::string::npos;
         at = page.find("<li><i style=", at + 1))
        ++listed;
    EXPECT_EQ(listed, vantrel::LegendLimit);
    EXPECT_NE(page.find("names the first " + std::to_string(vantrel::LegendLimit) + " of the " +
                        std::to_string(units) + " units"),
              std::string::npos);
    std::set<std::string> colours;
    for (std::size_t track = 0; track < vantrel::LegendLimit; ++track)
        colours.insert(vantrel::UnitColor(track));
    EXPECT_EQ(colours.size(), vantrel::LegendLimit);
}

} // namespace
