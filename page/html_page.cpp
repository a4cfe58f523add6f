// The html page: one self-contained document per run, written once when the run ends from
// what HtmlRun gathered. Its parts: the summary, the calls along each file, the units, the
// messages, the positions (a Leaflet map with OpenStreetMap tiles when online, a plain plot
// that needs no network, and the list), the error charts and every block.
#include "html_page.h"

#include "html_charts.h"
#include "html_run.h"
#include "html_script.h"
#include "html_tables.h"
#include "leaflet_assets.h"
#include "output_text.h"

namespace vantrel {

namespace {

constexpr std::string_view Style = R"css(
body { font: 15px/1.45 system-ui, sans-serif; margin: 0 auto; max-width: 960px; padding: 0 16px 40px; color: #222; }
h1 { font-size: 1.5em; margin: 18px 0 4px; }
h2 { font-size: 1.2em; margin: 28px 0 8px; border-bottom: 1px solid #ccc; }
nav a { margin-right: 12px; }
table { border-collapse: collapse; margin: 8px 0; font-size: 14px; }
th, td { border: 1px solid #ddd; padding: 3px 8px; text-align: left; vertical-align: top; }
table.summary th { background: #f3f3f3; }
thead th { background: #eef2f7; position: sticky; top: 0; }
th button { font: inherit; font-weight: 600; border: 0; background: none; padding: 0; cursor: pointer; }
th[aria-sort=ascending] button::after { content: " \25B2"; }
th[aria-sort=descending] button::after { content: " \25BC"; }
td.text { white-space: pre-wrap; word-break: break-all; font-family: monospace; }
tr.corrupted td { background: #fff0f0; }
tr:target td { background: #fff6c8; }
.scroll { max-height: 480px; overflow: auto; border: 1px solid #eee; }
svg.chart { width: 100%; height: auto; display: block; margin: 6px 0; }
svg .axis, svg .lane { font-size: 12px; fill: #444; }
#map { height: 420px; margin: 8px 0; border: 1px solid #ccc; }
.note { color: #555; font-size: 13px; }
#script-errors { color: #a00; background: #fee; padding: 6px; }
.legend span { margin-right: 14px; }
.legend i { display: inline-block; width: 10px; height: 10px; margin-right: 4px; }
.legend .call { background: #1f77b4; } .legend .data { background: #2ca02c; } .legend .bad { background: #d62728; }
td.spread { white-space: nowrap; font-size: 13px; }
.whole { white-space: nowrap; }
ul.units { list-style: none; padding: 0; margin: 6px 0; columns: 9em; font-size: 13px; }
ul.units li { white-space: nowrap; }
ul.units i { display: inline-block; width: 14px; height: 10px; margin-right: 5px; border-radius: 2px; }
)css";

class HtmlWriter : public RecordWriter {
public:
    HtmlWriter(std::ostream& out, const WriterOptions& options)
        : RecordWriter(out), run_(ClockStyle{.utc = options.utc}) {}

    void BeginFile(std::string_view file) override { run_.BeginFile(file); }
    void Write(const DecodedRecord& record) override { run_.Add(record); }
    void EndFile(const RecordStats& stats) override { run_.EndFile(stats); }
    void EndRun(const RecordStats& total) override;

private:
    void Head(const RecordStats& total);
    HtmlRun run_;
};

void HtmlWriter::Head(const RecordStats& total) {
    out_ << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
         << "<meta http-equiv=\"Content-Security-Policy\" content=\""
         << XmlText(ContentSecurityPolicy()) << "\">\n"
         << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         << "<title>Decoded: ";
    if (run_.files.size() == 1)
        out_ << XmlText(run_.files[0].name);
    else
        out_ << run_.files.size() << " files";
    out_ << ", " << total.blocksDecoded << " blocks</title>\n<style>" << leaflet::Style
         << "</style>\n<style>" << Style << "</style>\n</head>\n<body>\n"
         << "<pre id=\"script-errors\" hidden></pre>\n<script>" << ErrorTrapScript()
         << "</script>\n";
}

void HtmlWriter::EndRun(const RecordStats& total) {
    Head(total);
    out_ << "<h1>Decoded signalling</h1>\n<nav><a href=\"#summary\">Summary</a>"
            "<a href=\"#timeline\">Calls</a><a href=\"#units\">Units</a>"
            "<a href=\"#messages\">Messages</a><a href=\"#positions\">Positions</a>"
            "<a href=\"#errors\">Errors</a><a href=\"#blocks\">Every block</a></nav>\n";

    out_ << "<section id=\"summary\"><h2>Summary</h2>\n";
    WriteSummary(out_, run_, total);
    out_ << "</section>\n<section id=\"timeline\"><h2>Calls</h2>\n"
         << "<p class=\"legend\"><span><i class=\"call\"></i>call</span><span><i "
            "class=\"data\"></i>short data</span><span><i class=\"bad\"></i>corrupted</span> "
            "Each mark is a stretch of its file, as high as the calls in it, and links to its "
            "first listed block.</p>\n";
    WriteTimeline(out_, run_);
    out_ << "</section>\n<section id=\"units\"><h2>Units</h2>\n<p class=\"note\">Sent and "
            "received count blocks whose headers passed their checks. Click a heading to "
            "sort.";
    if (total.unitsHeard() > 0)
        out_ << " Level and Eb/N0 of the calls each unit sent over sound: the least, median "
                "and greatest.";
    out_ << "</p>\n<div class=\"scroll\">";
    WriteUnitsTable(out_, run_, total);
    out_ << "</div></section>\n<section id=\"messages\"><h2>Messages</h2>\n<div class=\"scroll\">";
    WriteMessagesTable(out_, run_);
    out_ << "</div></section>\n<section id=\"positions\"><h2>Positions</h2>\n";
    if (run_.positions.empty()) {
        out_ << "<p>No GPS message gave a position.</p>\n";
    } else {
        out_ << "<div id=\"map\"></div><p id=\"map-note\" class=\"note\">Map tiles come from "
                "OpenStreetMap when the viewer is online.</p>\n";
        WriteUnitLegend(out_, run_);
        out_ << "<h3>Plot</h3>\n";
        WritePositionPlot(out_, run_);
        out_ << "<div class=\"scroll\">";
        WritePositionsTable(out_, run_);
        out_ << "</div>\n";
    }
    out_ << "</section>\n<section id=\"errors\"><h2>Codeword errors</h2>\n<h3>Along the "
            "run</h3>\n";
    WriteErrorsAlongRun(out_, run_);
    out_ << "<h3>Per unit</h3>\n";
    WriteErrorsPerUnit(out_, run_);
    out_ << "</section>\n<section id=\"blocks\"><h2>Every block</h2>\n<div class=\"scroll\">";
    WriteCallsTable(out_, run_);
    out_ << "</div></section>\n<script type=\"application/json\" id=\"page-data\">";
    WritePageData(out_, run_);
    out_ << "</script>\n<script>" << leaflet::Script << "</script>\n<script>" << PageScript()
         << "</script>\n</body></html>\n";
}

} // namespace

std::string_view PageStyle() {
    return Style;
}

std::unique_ptr<RecordWriter> MakeHtmlWriter(std::ostream& out, const WriterOptions& options) {
    return std::make_unique<HtmlWriter>(out, options);
}

} // namespace vantrel
