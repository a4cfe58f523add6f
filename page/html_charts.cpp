#include "html_charts.h"

#include "channel_text.h"
#include "html_script.h"
#include "output_text.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace vantrel {

namespace {

constexpr double Width = 900;
constexpr std::size_t LaneLimit = 40;
constexpr std::size_t UnitBarLimit = 20;

std::string Percent(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? "0%" : Fixed(100.0 * static_cast<double>(part) / whole, 2) + "%";
}

// A round step (1, 2 or 5 times a power of ten) near a quarter of `span`.
double RoundStep(double span) {
    const double rough = span / 4;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double f : {1.0, 2.0, 5.0})
        if (f * power >= rough * 0.6)
            return f * power;
    return 10 * power;
}

// A lane's label: the end of a long name, which tells files of one folder apart.
std::string LaneLabel(const std::string& name) {
    constexpr std::size_t Keep = 28;
    if (name.size() <= Keep)
        return name;
    std::size_t from = name.size() - Keep;
    while (from < name.size() && (static_cast<unsigned char>(name[from]) & 0xC0) == 0x80)
        ++from; // not inside a UTF-8 character
    return "\xE2\x80\xA6" + name.substr(from);
}

std::string FileLabel(const HtmlRun& run, const HtmlPlace& place) {
    const std::string at = run.PlaceText(place);
    return run.files[place.file].name + (at.empty() ? "" : ", " + at);
}

// A place along a file's timeline as its axis names it: the clock time when the sound's start
// is known, else seconds into the sound or bits into the bit text; `decimals` of a second.
std::string AxisText(const HtmlRun& run, const HtmlFile& file, double at, int decimals = 3) {
    if (file.clockAtStart)
        return run.ClockText(*file.clockAtStart + std::llround(at * 1000), decimals);
    if (file.sound)
        return Fixed(at, decimals) + " s";
    return at == 0 ? "start of the file" : "bit " + Fixed(at, 0);
}

// The axis's label at a tick: after the first, the clock time without the date when the date
// is the first one's.
std::string TickText(const HtmlRun& run, const HtmlFile& file, double at, double span) {
    const int decimals = span < 10 ? 1 : 0;
    std::string text = AxisText(run, file, at, decimals);
    const std::string first = AxisText(run, file, 0, decimals);
    constexpr std::size_t Date = 11; // "2026-12-07 "
    if (at > 0 && file.clockAtStart && text.compare(0, Date, first, 0, Date) == 0)
        return text.substr(Date);
    return text;
}

std::string CallCount(std::uint64_t calls) {
    return std::to_string(calls) + (calls == 1 ? " call" : " calls");
}

// One bin of a lane: a bar as high as its calls against the lane's fullest bin, corrupted
// calls red at its foot, then short data green, then the other calls blue.
void WriteTimelineBin(std::ostream& out, const HtmlRun& run, const HtmlFile& file,
                      const Timeline& timeline, std::size_t index, double x, double barWidth,
                      double top, std::uint64_t fullest) {
    const TimelineBin& bin = timeline.bins[index];
    constexpr double LaneBar = 22;
    const double scale = LaneBar / static_cast<double>(fullest);
    // Even a single call among hundreds stays visible.
    const double height = std::max(scale * static_cast<double>(bin.calls), 3.0);
    const double unit = height / static_cast<double>(bin.calls);
    // Narrow enough to read as a mark where bins are wide (a short file).
    const double width = std::clamp(barWidth - 0.5, 1.5, 6.0);
    if (bin.firstRow > 0) {
        const HtmlCall& first = run.calls[bin.firstRow - 1];
        out << "<a href=\"#" << RowId(first.place, first.number) << "\">";
    }
    out << "<g><title>" << CallCount(bin.calls);
    if (bin.shortData > 0)
        out << ", " << bin.shortData << " short data";
    if (bin.corrupted > 0)
        out << ", " << bin.corrupted << " corrupted";
    const double from = static_cast<double>(index) * timeline.width;
    out << ": " << XmlText(AxisText(run, file, from)) << " to "
        << XmlText(AxisText(run, file, from + timeline.width)) << "</title>";
    double foot = top + LaneBar;
    const std::uint64_t plain = bin.calls - bin.shortData - bin.corrupted;
    for (const auto& [count, colour] :
         {std::pair{bin.corrupted, "#d62728"}, std::pair{bin.shortData, "#2ca02c"},
          std::pair{plain, "#1f77b4"}}) {
        if (count == 0)
            continue;
        const double h = unit * static_cast<double>(count);
        foot -= h;
        out << "<rect x=\"" << Fixed(x, 1) << "\" y=\"" << Fixed(foot, 2) << "\" width=\""
            << Fixed(width, 1) << "\" height=\"" << Fixed(h, 2) << "\" fill=\"" << colour << "\"/>";
    }
    out << "</g>" << (bin.firstRow > 0 ? "</a>" : "") << '\n';
}

// A lane of the timeline: a file, or one channel of a band's capture, which shares the file's
// length so that the channels' calls line up in time.
struct Lane {
    const HtmlFile* file;
    const Timeline* timeline;
    std::string label;
    std::string title;
};

std::vector<Lane> LanesOf(const HtmlRun& run) {
    std::vector<Lane> lanes;
    for (const HtmlFile& file : run.files) {
        if (file.channels.empty())
            lanes.push_back({&file, &file.timeline, LaneLabel(file.name), file.name});
        for (const ChannelLane& channel : file.channels) {
            const std::string name = ChannelText(static_cast<std::uint64_t>(channel.hz));
            lanes.push_back({&file, &channel.timeline, name, name + ", " + file.name});
        }
    }
    return lanes;
}

} // namespace

void WriteTimeline(std::ostream& out, const HtmlRun& run) {
    const std::vector<Lane> allLanes = LanesOf(run);
    const std::size_t lanes = std::min(allLanes.size(), LaneLimit);
    const double left = 210;
    const double right = Width - 10;
    const double laneHeight = 30;
    // One file: its axis below, with the places (clock times when known) at five ticks.
    const bool oneFile = run.files.size() == 1;
    const double height = lanes * laneHeight + (oneFile ? 24 : 4);
    out << "<svg class=\"chart\" viewBox=\"0 0 " << Width << ' ' << height
        << "\" role=\"img\" aria-label=\"calls along each file\">\n";
    std::uint64_t calls = 0;
    std::uint64_t fullest = 0;
    for (std::size_t lane = 0; lane < lanes; ++lane) {
        const HtmlFile& file = *allLanes[lane].file;
        const Timeline& timeline = *allLanes[lane].timeline;
        const double y = lane * laneHeight + 4;
        out << "<text x=\"4\" y=\"" << y + 17 << "\" class=\"lane\">"
            << XmlText(allLanes[lane].label) << "<title>" << XmlText(allLanes[lane].title)
            << "</title></text><line x1=\"" << left << "\" x2=\"" << right << "\" y1=\"" << y + 26
            << "\" y2=\"" << y + 26 << "\" stroke=\"#bbb\"/>\n";
        const std::vector<TimelineBin>& bins = timeline.bins;
        if (bins.empty())
            continue;
        std::uint64_t laneFullest = 0;
        for (const TimelineBin& bin : bins) {
            calls += bin.calls;
            laneFullest = std::max(laneFullest, bin.calls);
        }
        fullest = std::max(fullest, laneFullest);
        const double span = static_cast<double>(file.timeline.bins.size()) * file.timeline.width;
        const double barWidth = (right - left) * timeline.width / span;
        for (std::size_t i = 0; i < bins.size(); ++i)
            if (bins[i].calls > 0)
                WriteTimelineBin(out, run, file, timeline, i,
                                 left + static_cast<double>(i) * barWidth, barWidth, y + 4,
                                 laneFullest);
    }
    if (oneFile && !run.files[0].timeline.bins.empty()) {
        const HtmlFile& file = run.files[0];
        const double end = static_cast<double>(file.timeline.bins.size()) * file.timeline.width;
        for (int tick = 0; tick <= 4; ++tick) {
            const double x = left + (right - left) * tick / 4;
            out << "<text x=\"" << Fixed(x, 1) << "\" y=\"" << height - 4
                << "\" class=\"axis\" text-anchor=\""
                << (tick == 0   ? "start"
                    : tick == 4 ? "end"
                                : "middle")
                << "\">" << XmlText(TickText(run, file, end * tick / 4, end)) << "</text>";
        }
        out << '\n';
    }
    out << "</svg>\n<p class=\"note\">All " << CallCount(calls) << " are counted here, in up to "
        << TimelineBinLimit
        << " stretches of equal length along each file from its start; the fullest mark holds "
        << CallCount(fullest) << ".</p>\n";
    if (allLanes.size() > lanes)
        out << "<p class=\"note\">The timeline shows the first " << lanes << " of "
            << allLanes.size() << (allLanes.size() > run.files.size() ? " lanes" : " files")
            << ".</p>\n";
}

void WriteErrorsAlongRun(std::ostream& out, const HtmlRun& run) {
    if (run.errorBins.empty()) {
        out << "<p>No blocks were decoded.</p>\n";
        return;
    }
    double top = 0;
    for (const ErrorBin& bin : run.errorBins)
        if (bin.codewords > 0)
            top = std::max(top, static_cast<double>(bin.failed) / bin.codewords);
    top = top > 0 ? std::min(1.0, top * 1.1) : 0.01;
    const double left = 60;
    const double chartHeight = 180;
    const double barWidth = (Width - left - 10) / run.errorBins.size();
    out << "<svg class=\"chart\" viewBox=\"0 0 " << Width << ' ' << chartHeight + 40
        << "\" role=\"img\" aria-label=\"codeword errors along the run\">\n";
    for (int tick = 0; tick <= 4; ++tick) {
        const double y = 10 + chartHeight * (1 - tick / 4.0);
        out << "<line x1=\"" << left << "\" x2=\"" << Width - 10 << "\" y1=\"" << Fixed(y, 1)
            << "\" y2=\"" << Fixed(y, 1) << "\" stroke=\"#ddd\"/><text x=\"" << left - 4
            << "\" y=\"" << Fixed(y + 4, 1) << "\" class=\"axis\" text-anchor=\"end\">"
            << Fixed(100 * top * tick / 4, 1) << "%</text>\n";
    }
    for (std::size_t i = 0; i < run.errorBins.size(); ++i) {
        const ErrorBin& bin = run.errorBins[i];
        const double share =
            bin.codewords == 0 ? 0 : static_cast<double>(bin.failed) / bin.codewords;
        const double h = chartHeight * share / top;
        out << "<rect x=\"" << Fixed(left + i * barWidth, 1) << "\" y=\""
            << Fixed(10 + chartHeight - h, 1) << "\" width=\""
            << Fixed(std::max(barWidth - 1, 0.5), 1) << "\" height=\"" << Fixed(h, 1)
            << "\" fill=\"#d62728\"><title>" << bin.blocks << " blocks from "
            << XmlText(FileLabel(run, bin.first)) << ": " << bin.failed << " of " << bin.codewords
            << " codewords failed</title></rect>\n";
    }
    out << "<text x=\"" << left << "\" y=\"" << chartHeight + 30 << "\" class=\"axis\">"
        << XmlText(FileLabel(run, run.errorBins.front().first)) << "</text><text x=\"" << Width - 10
        << "\" y=\"" << chartHeight + 30 << "\" class=\"axis\" text-anchor=\"end\">"
        << XmlText(FileLabel(run, run.errorBins.back().first)) << "</text></svg>\n"
        << "<p class=\"note\">Each bar is " << run.blocksPerBin
        << (run.blocksPerBin == 1 ? " block" : " blocks") << " in the order of the run.</p>\n";
}

void WriteErrorsPerUnit(std::ostream& out, const HtmlRun& run) {
    std::vector<std::size_t> order(run.units.size());
    std::iota(order.begin(), order.end(), 0);
    std::erase_if(order, [&](std::size_t i) { return run.units[i].codewords == 0; });
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return run.units[a].codewords > run.units[b].codewords;
    });
    if (order.size() > UnitBarLimit)
        order.resize(UnitBarLimit);
    if (order.empty()) {
        out << "<p>No unit sent a block whose headers passed their checks.</p>\n";
        return;
    }
    const double left = 120;
    const double row = 20;
    out << "<svg class=\"chart\" viewBox=\"0 0 " << Width << ' ' << order.size() * row + 10
        << "\" role=\"img\" aria-label=\"codeword errors per unit\">\n";
    for (std::size_t r = 0; r < order.size(); ++r) {
        const HtmlUnit& unit = run.units[order[r]];
        const double share = static_cast<double>(unit.failed) / unit.codewords;
        const double y = 5 + r * row;
        const double bar = std::max(share * (Width - left - 150), 1.0);
        out << "<text x=\"" << left - 6 << "\" y=\"" << y + 13
            << "\" class=\"axis\" text-anchor=\"end\">" << XmlText(unit.address)
            << "</text><rect x=\"" << left << "\" y=\"" << y << "\" width=\"" << Fixed(bar, 1)
            << "\" height=\"16\" fill=\"" << (unit.track ? UnitColor(*unit.track) : UntrackedColor)
            << "\"><title>" << XmlText(unit.address) << ": " << unit.failed << " of "
            << unit.codewords << " codewords failed</title></rect><text x=\""
            << Fixed(left + bar + 6, 1) << "\" y=\"" << y + 13 << "\" class=\"axis\">"
            << Percent(unit.failed, unit.codewords) << " of " << unit.codewords << "</text>\n";
    }
    out << "</svg>\n";
}

void WritePositionPlot(std::ostream& out, const HtmlRun& run) {
    if (run.positions.empty())
        return;
    double south = 90, north = -90, west = 180, east = -180;
    for (const HtmlPosition& p : run.positions) {
        south = std::min(south, p.latitude);
        north = std::max(north, p.latitude);
        west = std::min(west, p.longitude);
        east = std::max(east, p.longitude);
    }
    constexpr double Pi = 3.14159265358979323846;
    const double squeeze = std::max(std::cos((south + north) / 2 * Pi / 180), 0.05);
    const double spanX = std::max((east - west) * squeeze, 1e-4);
    const double spanY = std::max(north - south, 1e-4);
    const double plotWidth = Width - 40;
    const double scale = std::min(plotWidth / spanX, 420 / spanY);
    const double height = spanY * scale + 70;
    const auto x = [&](double lon) { return Fixed(20 + (lon - west) * squeeze * scale, 1); };
    const auto y = [&](double lat) { return Fixed(20 + (north - lat) * scale, 1); };
    out << "<svg class=\"chart plot\" viewBox=\"0 0 " << Width << ' ' << Fixed(height, 0)
        << "\" role=\"img\" aria-label=\"positions on a plain plot\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#f7f7f2\"/>\n";
    // One path of tracks and one of dots per colour, however many units and positions: a
    // busy channel has tens of thousands, which as elements of their own would make the page
    // slow to open. A dot is a segment of no length with round caps.
    std::vector<std::string> tracks(run.tracks);
    std::map<std::string, std::pair<std::string, std::string>> paths;
    for (const HtmlPosition& p : run.positions) {
        const std::string at = x(p.longitude) + ' ' + y(p.latitude);
        const std::uint32_t track = *run.units[p.unit].track;
        tracks[track] += (tracks[track].empty() ? 'M' : 'L') + at;
        paths[UnitColor(track)].second += 'M' + at + "h0";
    }
    for (std::uint32_t track = 0; track < tracks.size(); ++track)
        if (tracks[track].find('L') != std::string::npos)
            paths[UnitColor(track)].first += tracks[track];
    for (const auto& [color, path] : paths) {
        if (!path.first.empty())
            out << "<path d=\"" << path.first << "\" fill=\"none\" stroke=\"" << color
                << "\" stroke-width=\"1.5\"/>\n";
        out << "<path d=\"" << path.second << "\" stroke=\"" << color
            << "\" stroke-width=\"6\" stroke-linecap=\"round\"/>\n";
    }
    // A degree of latitude is 111.32 km; the bar is a round distance near a quarter across.
    const double kmPerPixel = 111.32 / scale;
    const double km = RoundStep(kmPerPixel * plotWidth);
    const double bar = km / kmPerPixel;
    const double barY = height - 20;
    out << "<path d=\"M20 " << Fixed(barY - 5, 1) << "V" << Fixed(barY, 1) << "H"
        << Fixed(20 + bar, 1) << "V" << Fixed(barY - 5, 1)
        << "\" fill=\"none\" stroke=\"#333\" stroke-width=\"1.5\"/><text x=\"" << Fixed(26 + bar, 1)
        << "\" y=\"" << Fixed(barY, 1) << "\" class=\"axis\">"
        << (km >= 1 ? NumberText(km) + " km" : NumberText(km * 1000) + " m") << "</text><text x=\""
        << Width - 10 << "\" y=\"" << Fixed(barY, 1) << "\" class=\"axis\" text-anchor=\"end\">"
        << Fixed(south, 4) << "\xC2\xB0 to " << Fixed(north, 4) << "\xC2\xB0 N, " << Fixed(west, 4)
        << "\xC2\xB0 to " << Fixed(east, 4) << "\xC2\xB0 E</text></svg>\n";
}

void WriteUnitLegend(std::ostream& out, const HtmlRun& run) {
    std::vector<const HtmlUnit*> tracked(run.tracks, nullptr);
    for (const HtmlUnit& unit : run.units)
        if (unit.track)
            tracked[*unit.track] = &unit;
    out << "<ul class=\"units\" aria-label=\"units on the map\">";
    for (std::size_t i = 0; i < tracked.size() && i < LegendLimit; ++i)
        out << "<li><i style=\"background:" << UnitColor(i) << "\"></i>"
            << XmlText(tracked[i]->address) << "</li>";
    out << "</ul>\n";
    if (tracked.size() > LegendLimit)
        out << "<p class=\"note\">The key names the first " << LegendLimit << " of the "
            << tracked.size() << " units that sent a position; past that many the colours "
            << "repeat: the positions table names each one.</p>\n";
}

} // namespace vantrel
