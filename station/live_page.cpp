// The live page's document. Its look is the html page's (page/'s style sheet and Leaflet's,
// its error trap script first), with the few rules a page that changes needs on top.
#include "live_page.h"

#include "html_charts.h"
#include "html_page.h"
#include "html_run.h"
#include "html_script.h"
#include "html_script_hash.h"
#include "latin1.h"
#include "leaflet_assets.h"
#include "live_script.h"

#include <sstream>

namespace vantrel {

namespace {

constexpr std::string_view LiveStyle = R"css(
body { max-width: 1200px; }
header { display: flex; align-items: baseline; gap: 16px; flex-wrap: wrap; }
#status { margin: 0; }
#status b { color: #1a7f37; }
body[data-stream=closed] #status b { color: #a00; }
.filters { display: flex; gap: 16px; flex-wrap: wrap; align-items: center; margin: 10px 0; padding: 8px 10px; background: #f3f5f8; border-radius: 6px; }
.filters input, .filters select { font: inherit; padding: 2px 6px; }
.filters output { color: #555; font-size: 13px; margin-left: auto; }
#calls-table td.num, #units-table td.num { text-align: right; font-variant-numeric: tabular-nums; }
#calls-table td.when { white-space: nowrap; font-variant-numeric: tabular-nums; }
#calls-table tr.fresh td { animation: fresh 2s ease-out; }
@keyframes fresh { from { background: #fff3b0; } to { background: transparent; } }
.swatch { display: inline-block; width: 10px; height: 10px; border-radius: 50%; margin-right: 6px; }
.tag { font-size: 12px; padding: 0 5px; border-radius: 3px; background: #e8eef6; }
.tag.bad { background: #f9d6d6; color: #800; }
#timeline-chart { height: 70px; }
#timeline-chart .axis { font-size: 11px; fill: #555; }
#plot { width: 100%; height: auto; border: 1px solid #ddd; }
#calls-table, #units-table { width: 100%; }
.scroll { max-height: 560px; }
)css";

std::string Document() {
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>Vantrel live</title>\n<link rel=\"icon\" href=\"data:,\">\n<style>";
    page.append(leaflet::Style).append("</style>\n<style>").append(PageStyle());
    page.append("</style>\n<style>").append(LiveStyle).append("</style>\n</head>\n");
    page.append("<body data-stream=\"connecting\">\n<pre id=\"script-errors\" hidden></pre>\n"
                "<script>");
    page.append(ErrorTrapScript()).append("</script>\n");
    page.append(
        R"html(<header><h1>Live signalling</h1><p id="status" class="note">Connecting to the station&hellip;</p></header>
<nav><a href="#calls">Calls</a><a href="#units">Units</a><a href="#positions">Map</a></nav>
<div class="filters" role="search">
<label>Unit <input id="filter-unit" type="search" size="8" placeholder="address" autocomplete="off"></label>
<label>Function <select id="filter-function"><option value="">any</option></select></label>
<label>Text <input id="filter-text" type="search" size="18" placeholder="message, file" autocomplete="off"></label>
<output id="filter-count"></output>
</div>
<section id="timeline"><p class="legend"><span><i class="call"></i>call</span><span><i class="data"></i>short data</span><span><i class="bad"></i>corrupted</span> The records shown, oldest on the left; each mark links to its call.</p>
<svg id="timeline-chart" class="chart" viewBox="0 0 1000 70" preserveAspectRatio="none" role="img" aria-label="calls along time"></svg></section>
<section id="calls"><h2>Calls</h2><p id="calls-note" class="note">Newest first.</p>
<div class="scroll"><table id="calls-table"><thead><tr><th>Heard (UTC)</th><th>From &rarr; To</th><th>Function</th><th>Message or position</th><th>Level dBFS</th><th>Eb/N0 dB</th><th>FEC</th><th>Check</th></tr></thead><tbody></tbody></table></div></section>
<section id="units"><h2>Units</h2><p class="note">Sent and received count blocks whose headers passed their checks; level and Eb/N0 are those of the calls a unit sent, heard over sound. Latest first.</p>
<div class="scroll"><table id="units-table"><thead><tr><th>Unit</th><th>Sent</th><th>Received</th><th>Last heard</th><th>Last position</th><th>Level dBFS min / median</th><th>Eb/N0 dB min / median</th></tr></thead><tbody></tbody></table></div></section>
<section id="positions"><h2>Map</h2><p id="no-positions">No GPS message gave a position yet.</p>
<div id="map" hidden></div><p id="map-note" class="note" hidden>Map tiles come from OpenStreetMap when the viewer is online.</p>
<h3>Plot</h3><img id="plot" alt="the positions on a plain plot" hidden></section>
<script>)html");
    page.append(leaflet::Script).append("</script>\n<script>").append(LiveScript());
    page.append("</script>\n</body></html>\n");
    return page;
}

} // namespace

const std::string& LivePage() {
    static const std::string page = Document();
    return page;
}

const std::string& LivePagePolicy() {
    static const std::string policy =
        "default-src 'none'; script-src " + ScriptHashSource(ErrorTrapScript()) + ' ' +
        ScriptHashSource(leaflet::Script) + ' ' + ScriptHashSource(LiveScript()) +
        "; style-src 'unsafe-inline'; img-src 'self' data: https://*.tile.openstreetmap.org; "
        "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
    return policy;
}

std::string PositionPlotImage(const LiveState& state) {
    HtmlRun run;
    // The units in the live state's order first, so each has the colour it has on the map.
    for (const UnitSummary& unit : state.units())
        run.UnitIndex(Latin1ToUtf8(unit.address));
    for (std::uint64_t number = state.oldestHeld(); number < state.recordsSeen(); ++number)
        run.Add(state.Held(number));
    std::ostringstream plot;
    WritePositionPlot(plot, run);
    std::string svg = std::move(plot).str();
    // Inline in the html page the plot is HTML's; as an image of its own it is an SVG
    // document, which names its namespace and carries the one style its texts use.
    constexpr std::string_view Open = "<svg ";
    if (!svg.starts_with(Open))
        return {};
    svg.insert(Open.size(), "xmlns=\"http://www.w3.org/2000/svg\" ");
    svg.insert(svg.find('>') + 1, "<style>.axis{font:12px system-ui,sans-serif;fill:#444}</style>");
    return svg;
}

} // namespace vantrel
