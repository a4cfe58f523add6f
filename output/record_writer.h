// Writers of the record formats. Each renders the one record structure as the records
// become final, so a run's memory does not grow with its input: call BeginRun once, then
// for every file BeginFile, Write for each of its records and EndFile, then EndRun once.
// The writers only write; the caller checks the stream (and flushes it, in follow mode).
#pragma once

#include "decoded_record.h"
#include "record_stats.h"
#include "spreadsheet_cell.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace vantrel {

class RecordWriter {
public:
    explicit RecordWriter(std::ostream& out) : out_(out) {}
    virtual ~RecordWriter() = default;
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    virtual void BeginRun() {}
    virtual void BeginFile(std::string_view /*file*/) {}
    virtual void Write(const DecodedRecord& record) = 0;
    virtual void EndFile(const RecordStats& /*stats*/) {}
    virtual void EndRun(const RecordStats& /*total*/) {}

    // A record whose log arrives in pieces, too long to hold: BeginRecord with the record
    // (its own log is not written), AppendLog for every piece of the log, EndRecord. The text
    // is Write's for the record with the whole log. Only the writer knows where the log
    // stands in its text; a format that does not show the log writes the record at its start.
    virtual void BeginRecord(const DecodedRecord& record) { Write(record); }
    virtual void AppendLog(std::string_view /*piece*/) {}
    virtual void EndRecord() {}

    // Told before anything is written when the run's records can carry a channel
    // (RecordSource::channelHz): a format with a fixed set of columns then has one for it.
    virtual void ExpectChannels() {}

protected:
    std::ostream& out_;
};

// json: one document per run, {"format", "version", "files": [{"file", "records",
// "stats"}], "stats"}, written piece by piece.
std::unique_ptr<RecordWriter> MakeJsonWriter(std::ostream& out);
// jsonl: one record object a line.
std::unique_ptr<RecordWriter> MakeJsonLinesWriter(std::ostream& out);
// csv: a header row, then one row per record; CR LF line ends. Text cells guarded against
// spreadsheet formulas unless `cells` is Raw (SpreadsheetText).
std::unique_ptr<RecordWriter> MakeCsvWriter(std::ostream& out,
                                            SpreadsheetCells cells = SpreadsheetCells::Guarded);
// geojson: a FeatureCollection with a Point for every record that has a position.
std::unique_ptr<RecordWriter> MakeGeoJsonWriter(std::ostream& out);
// gpx: a waypoint per position, then a track per unit (the sender's address).
std::unique_ptr<RecordWriter> MakeGpxWriter(std::ostream& out);
// kml: a placemark per position, then a path per unit with two positions or more.
std::unique_ptr<RecordWriter> MakeKmlWriter(std::ostream& out);
// What a run tells every writer besides where it writes; each format reads only its own part.
struct WriterOptions {
    SpreadsheetCells cells = SpreadsheetCells::Guarded; // csv: text cells guarded or raw
    bool utc = false;    // brief and html: clock times in UTC rather than the local time
    bool colour = false; // brief: colour, for a terminal that shows it (the caller decides)
};
// How a format's writer is made, as the table of formats (pipeline/output_formats) names it.
using WriterMaker = std::unique_ptr<RecordWriter> (*)(std::ostream& out,
                                                      const WriterOptions& options);

// An NMEA date (ddmmyy) and time (hhmmss, optionally with a fraction, of which the first
// three digits are kept) as ISO 8601 UTC, "1994-03-23T12:35:19Z"; nothing when either is not
// a plain date or time. The GPX waypoints carry it when a $GPRMC sentence gives both.
std::optional<std::string> NmeaUtcTime(std::string_view date, std::string_view time);

} // namespace vantrel
