#include "html_tables.h"

#include "latin1.h"
#include "output_text.h"

#include <unordered_map>

namespace vantrel {

namespace {

std::string Rate(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? "0%" : Fixed(100.0 * static_cast<double>(part) / whole, 2) + "%";
}

// The record's place, linking to its row in the calls table when it has one.
std::string PlaceLink(const HtmlRun& run, const HtmlPlace& place, std::int64_t number,
                      bool listed) {
    const std::string at = run.PlaceText(place);
    const std::string text = XmlText(at.empty() ? "block " + std::to_string(number) : at);
    return listed ? "<a href=\"#" + RowId(place, number) + "\">" + text + "</a>" : text;
}

// The sort key of a place within its file: seconds for sound, the bit for bit text.
std::string PlaceKey(const HtmlPlace& place) {
    return place.seconds ? Fixed(*place.seconds, 3) : std::to_string(place.bit);
}

void Heading(std::ostream& out, std::string_view text, bool number) {
    out << "<th" << (number ? " data-type=\"number\"" : "") << "><button type=\"button\">" << text
        << "</button></th>";
}

void LeftOut(std::ostream& out, std::uint64_t leftOut, std::string_view what) {
    if (leftOut > 0)
        out << "<p class=\"note\">The first " << HtmlRowLimit << ' ' << what << " are listed; "
            << leftOut << " more are counted in the summary but not listed "
            << "here.</p>\n";
}

std::string Coordinates(double latitude, double longitude) {
    return NumberText(latitude) + ", " + NumberText(longitude);
}

// From the first block to the last: heard times for sound, lines and columns for bit text.
std::string SpanText(const HtmlRun& run) {
    if (run.files.size() != 1)
        return "per file below: times heard for sound, lines and columns for bit text";
    const HtmlFile& file = run.files[0];
    if (!file.first)
        return "no blocks";
    return XmlText(run.PlaceText(*file.first)) + " to " + XmlText(run.PlaceText(*file.last)) +
           (file.sound ? " (heard)" : "");
}

// How the page's clock times read, when any record was heard by the clock.
std::string ClockNote(const HtmlRun& run) {
    if (run.clock.utc)
        return "UTC (Z)";
    ClockStyle zone = run.clock;
    zone.zone = true;
    for (const HtmlFile& file : run.files)
        if (file.first && file.first->clock) {
            const std::string text = ClockText(*file.first->clock, zone);
            return "local time, UTC" + text.substr(text.rfind(' ') + 1) +
                   " at the first call heard (--utc shows UTC)";
        }
    return {};
}

// "-18.5 / -16.0 / -13.6": least, median and greatest, sorted by the median.
std::string SpreadCell(const HeardSignal* signal, const DbSpread HeardSignal::*spread) {
    if (signal == nullptr || (signal->*spread).count() == 0)
        return "<td data-value=\"-1000\"></td>";
    const DbSpread& s = signal->*spread;
    return "<td class=\"spread\" data-value=\"" + Fixed(*s.median(), 1) + "\">" +
           Fixed(*s.min(), 1) + " / " + Fixed(*s.median(), 1) + " / " + Fixed(*s.max(), 1) +
           "</td>";
}

// When the unit was last heard: by the clock, else the seconds into its sound (the file in
// the cell's title).
std::string LastHeardCell(const HtmlRun& run, const HeardSignal* signal) {
    if (signal == nullptr)
        return "<td data-value=\"-1\"></td>";
    const RecordSource& last = signal->last;
    const std::optional<std::int64_t> clock = RecordTimeMilliseconds(
        last.heard && !last.heard->utc.empty() ? last.heard->utc : last.finalAt);
    if (clock) {
        // The date and the time each kept whole: a narrow cell breaks between them.
        const std::string text = run.ClockText(*clock, 0);
        const std::size_t blank = text.find(' ');
        return "<td data-value=\"" + std::to_string(*clock) + "\"><span class=\"whole\">" +
               text.substr(0, blank) + "</span> <span class=\"whole\">" + text.substr(blank + 1) +
               "</span></td>";
    }
    if (!last.heard)
        return "<td data-value=\"-1\"></td>";
    return "<td data-value=\"" + Fixed(last.heard->seconds, 3) + "\" title=\"" +
           XmlText(Utf8OrLatin1(last.file)) + "\">" + Fixed(last.heard->seconds, 3) + " s</td>";
}

} // namespace

void WriteSummary(std::ostream& out, const HtmlRun& run, const RecordStats& total) {
    out << "<table class=\"summary\"><tbody>\n"
        << "<tr><th>Files</th><td>" << run.files.size() << "</td></tr>\n"
        << "<tr><th>Span</th><td>" << SpanText(run) << "</td></tr>\n"
        << "<tr><th>Blocks</th><td>" << total.blocksDecoded << "</td></tr>\n"
        << "<tr><th>Corrupted blocks</th><td>" << total.corruptedBlocks << "</td></tr>\n"
        << "<tr><th>Codeword error rate</th><td>"
        << Rate(total.codewordsFailed, total.codewordsRead) << " (" << total.codewordsFailed
        << " of " << total.codewordsRead << ")</td></tr>\n"
        << "<tr><th>Short data messages</th><td>" << total.shortDataMessages << "</td></tr>\n"
        << "<tr><th>Positions</th><td>" << total.positions << "</td></tr>\n"
        << "<tr><th>Units</th><td>" << total.units.size() << (total.unitsNotListed > 0 ? "+" : "")
        << "</td></tr>\n";
    if (const std::string clock = ClockNote(run); !clock.empty())
        out << "<tr><th>Clock times</th><td>" << XmlText(clock) << "</td></tr>\n";
    if (total.patternsPassedOver > 0)
        out << "<tr><th>SYNC FEC patterns passed over</th><td>" << total.patternsPassedOver
            << "</td></tr>\n";
    out << "</tbody></table>\n"
        << "<table class=\"sortable\"><thead><tr>";
    Heading(out, "File", false);
    Heading(out, "Kind", false);
    Heading(out, "First block", false);
    Heading(out, "Last block", false);
    Heading(out, "Blocks", true);
    Heading(out, "Corrupted", true);
    Heading(out, "Codeword errors", true);
    out << "</tr></thead><tbody>\n";
    for (std::size_t i = 0; i < run.files.size() && i < HtmlRowLimit; ++i) {
        const HtmlFile& file = run.files[i];
        const RecordStats& s = file.stats;
        out << "<tr><td>" << XmlText(file.name) << "</td><td>"
            << (file.sound ? "sound" : "bit text") << "</td><td>"
            << (file.first ? XmlText(run.PlaceText(*file.first)) : "") << "</td><td>"
            << (file.last ? XmlText(run.PlaceText(*file.last)) : "") << "</td><td>"
            << s.blocksDecoded << "</td><td>" << s.corruptedBlocks << "</td><td>"
            << Rate(s.codewordsFailed, s.codewordsRead) << "</td></tr>\n";
    }
    out << "</tbody></table>\n";
    if (run.files.size() > HtmlRowLimit)
        LeftOut(out, run.files.size() - HtmlRowLimit, "files");
}

void WriteUnitsTable(std::ostream& out, const HtmlRun& run, const RecordStats& total) {
    std::unordered_map<std::string, const HtmlUnit*> extra;
    for (const HtmlUnit& unit : run.units)
        extra.emplace(unit.address, &unit);
    struct Row {
        std::string address;
        std::uint64_t sent = 0;
        std::uint64_t received = 0;
        const HtmlUnit* unit = nullptr;
        const HeardSignal* signal = nullptr;
    };
    std::vector<Row> rows;
    std::unordered_map<std::string, bool> listed;
    for (std::size_t i = 0; i < total.units.size(); ++i) {
        const UnitCount& count = total.units[i];
        std::string address = Latin1ToUtf8(count.address);
        const auto found = extra.find(address);
        listed[address] = true;
        rows.push_back({std::move(address), count.sent, count.received,
                        found == extra.end() ? nullptr : found->second, total.SignalOf(i)});
    }
    // Units known only by positions in blocks whose headers failed.
    for (const HtmlUnit& unit : run.units)
        if (!listed.contains(unit.address))
            rows.push_back({unit.address, 0, 0, &unit, nullptr});
    out << "<table class=\"sortable\" id=\"units-table\"><thead><tr>";
    Heading(out, "Unit", false);
    Heading(out, "Sent", true);
    Heading(out, "Received", true);
    Heading(out, "Messages", true);
    Heading(out, "Positions", true);
    Heading(out, "Codeword errors", true);
    Heading(out, "Last position", false);
    // A bit text is only read: its units are never heard.
    const bool heard = total.unitsHeard() > 0;
    if (heard) {
        Heading(out, "Last heard", true);
        Heading(out, "Level dBFS", true);
        Heading(out, "Eb/N0 dB", true);
    }
    out << "</tr></thead><tbody>\n";
    for (std::size_t i = 0; i < rows.size() && i < HtmlRowLimit; ++i) {
        const Row& row = rows[i];
        const HtmlUnit* u = row.unit;
        out << "<tr class=\"unit\"><td>" << XmlText(row.address) << "</td><td>" << row.sent
            << "</td><td>" << row.received << "</td><td>" << (u ? u->messages : 0) << "</td><td>"
            << (u ? u->positions : 0) << "</td><td data-value=\""
            << (u && u->codewords > 0 ? Fixed(static_cast<double>(u->failed) / u->codewords, 6)
                                      : "-1")
            << "\">" << (u && u->codewords > 0 ? Rate(u->failed, u->codewords) : "") << "</td><td>"
            << (u && u->last ? Coordinates(u->last->latitude, u->last->longitude) : "") << "</td>";
        if (heard)
            out << LastHeardCell(run, row.signal) << SpreadCell(row.signal, &HeardSignal::levelDbfs)
                << SpreadCell(row.signal, &HeardSignal::ebN0Db);
        out << "</tr>\n";
    }
    out << "</tbody></table>\n";
    if (rows.size() > HtmlRowLimit)
        LeftOut(out, rows.size() - HtmlRowLimit, "units");
}

void WriteMessagesTable(std::ostream& out, const HtmlRun& run) {
    if (run.messages.empty()) {
        out << "<p>No short data messages.</p>\n";
        return;
    }
    out << "<table class=\"sortable\" id=\"messages-table\"><thead><tr>";
    Heading(out, "File", false);
    Heading(out, "Place", true);
    Heading(out, "From", false);
    Heading(out, "To", false);
    Heading(out, "Message", false);
    out << "</tr></thead><tbody>\n";
    for (const HtmlMessage& m : run.messages)
        out << "<tr class=\"message\"><td>" << XmlText(run.files[m.place.file].name)
            << "</td><td data-value=\"" << PlaceKey(m.place) << "\">"
            << PlaceLink(run, m.place, m.number, m.blockListed) << "</td><td>" << XmlText(m.from)
            << "</td><td>" << XmlText(m.to) << "</td><td class=\"text\">" << XmlText(m.text)
            << "</td></tr>\n";
    out << "</tbody></table>\n";
    LeftOut(out, run.messagesLeftOut, "messages");
}

void WritePositionsTable(std::ostream& out, const HtmlRun& run) {
    if (run.listedPositions.empty())
        return;
    out << "<table class=\"sortable\" id=\"positions-table\"><thead><tr>";
    Heading(out, "File", false);
    Heading(out, "Place", true);
    Heading(out, "Unit", false);
    Heading(out, "Latitude", true);
    Heading(out, "Longitude", true);
    Heading(out, "Fix time", false);
    out << "</tr></thead><tbody>\n";
    for (const HtmlListedPosition& p : run.listedPositions)
        out << "<tr class=\"position\"><td>" << XmlText(run.files[p.place.file].name)
            << "</td><td data-value=\"" << PlaceKey(p.place) << "\">"
            << PlaceLink(run, p.place, p.number, p.blockListed) << "</td><td>"
            << XmlText(run.units[p.unit].address) << "</td><td>" << NumberText(p.latitude)
            << "</td><td>" << NumberText(p.longitude) << "</td><td>" << XmlText(p.fixTime)
            << "</td></tr>\n";
    out << "</tbody></table>\n";
    LeftOut(out, run.positions.size() - run.listedPositions.size(), "positions");
}

void WriteCallsTable(std::ostream& out, const HtmlRun& run) {
    out << "<table class=\"sortable\" id=\"calls-table\"><thead><tr>";
    Heading(out, "Block", true);
    Heading(out, "File", false);
    Heading(out, "Place", true);
    Heading(out, "Function", false);
    Heading(out, "From", false);
    Heading(out, "To", false);
    Heading(out, "Codewords failed", true);
    out << "</tr></thead><tbody>\n";
    for (const HtmlCall& c : run.calls)
        out << "<tr id=\"" << RowId(c.place, c.number) << "\""
            << (c.corrupted ? " class=\"corrupted\"" : "") << "><td>" << c.number << "</td><td>"
            << XmlText(run.files[c.place.file].name) << "</td><td data-value=\""
            << PlaceKey(c.place) << "\">" << XmlText(run.PlaceText(c.place)) << "</td><td>"
            << XmlText(c.function) << "</td><td>" << XmlText(c.from) << "</td><td>" << XmlText(c.to)
            << "</td><td data-value=\"" << c.failed << "\">" << c.failed << " of " << c.codewords
            << "</td></tr>\n";
    out << "</tbody></table>\n";
    LeftOut(out, run.callsLeftOut, "blocks");
}

} // namespace vantrel
