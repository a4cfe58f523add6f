// What the html page shows, gathered record by record: the page is written once at the end of
// the run, so everything it needs is kept here, in bounded memory. Tables keep their first
// HtmlRowLimit rows and count the rest; the error chart keeps at most ErrorBinLimit bins, and
// each file's timeline at most TimelineBinLimit, merging neighbours as the run grows; only the
// positions are all kept (the map shows every one), 24 bytes each.
#pragma once

#include "clock_time.h"
#include "decoded_record.h"
#include "record_stats.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vantrel {

inline constexpr std::size_t HtmlRowLimit = 2000;
inline constexpr std::size_t ErrorBinLimit = 120;
inline constexpr std::size_t TimelineBinLimit = 240;

// Where a record stood: its file, and its line and column (bit text) or the time it was heard
// (sound); `bit` orders records of one file whichever the input was.
struct HtmlPlace {
    std::size_t file = 0;
    std::optional<std::uint64_t> channelHz; // the channel it was heard on, when known
    std::optional<std::uint64_t> line;
    std::optional<std::uint64_t> column;
    std::optional<double> seconds;
    std::uint64_t bit = 0;
    // When it was heard by the clock (heard.utc, or a followed record's finalAt), in
    // milliseconds since 1970.
    std::optional<std::int64_t> clock;
};

// A number with `digits` decimals, "." as the point whatever the locale.
std::string Fixed(double value, int digits);

// The id of a record's row in the calls table, "b<file>-<number>", or "b<file>-<hz>-<number>"
// when it has a channel (the streams of a band number their records each).
std::string RowId(const HtmlPlace& place, std::int64_t number);

// Texts are UTF-8 here, as they were heard (not yet escaped).
struct HtmlCall {
    std::int64_t number = 0;
    HtmlPlace place;
    std::string from;
    std::string to;
    std::string function;
    std::uint64_t codewords = 0;
    std::uint64_t failed = 0;
    bool corrupted = false;
    bool shortData = false;
};

struct HtmlMessage {
    std::int64_t number = 0;
    HtmlPlace place;
    bool blockListed = false; // its block has a row in the calls table to link to
    std::string from;
    std::string to;
    std::string text;
};

struct HtmlPosition {
    double latitude = 0;
    double longitude = 0;
    std::uint32_t unit = 0; // index into HtmlRun::units
    std::optional<std::uint64_t> channelHz;
};

struct HtmlListedPosition {
    std::int64_t number = 0;
    HtmlPlace place;
    bool blockListed = false;
    std::uint32_t unit = 0;
    double latitude = 0;
    double longitude = 0;
    std::string fixTime; // NMEA hhmmss as sent
};

// What the page adds to the statistics' unit counts, for blocks a unit sent.
struct HtmlUnit {
    std::string address; // UTF-8
    std::uint64_t messages = 0;
    std::uint64_t codewords = 0;
    std::uint64_t failed = 0;
    std::uint64_t positions = 0;
    std::optional<HtmlPosition> last;
    // Its place among the units that sent a position, in the order they first did: its
    // colour on the map, the plot and the legend.
    std::optional<std::uint32_t> track;
};

// The calls along a file: every call counted into bins of equal length along the file (its
// seconds for sound, its bits for a bit text), from its start. A bin is `width` long; when a
// call lies beyond the last of TimelineBinLimit bins, neighbours merge in pairs and bins grow
// twice as long, so a file of any length keeps at most that many bins.
struct TimelineBin {
    std::uint64_t calls = 0;
    std::uint64_t shortData = 0;
    std::uint64_t corrupted = 0;
    std::uint32_t firstRow = 0; // the first of its calls with a row in the calls table, plus one
};

struct Timeline {
    double width = 1.0 / 16; // seconds or bits a bin holds
    std::vector<TimelineBin> bins;

    void Add(double at, const TimelineBin& call);
};

// The calls of one channel of a band's capture, a lane of the timeline of its own.
struct ChannelLane {
    std::int64_t hz = 0;
    Timeline timeline;
};

struct HtmlFile {
    std::string name; // UTF-8
    bool sound = false;
    std::optional<HtmlPlace> first;
    std::optional<HtmlPlace> last;
    RecordStats stats;
    Timeline timeline;                 // every call of the file
    std::vector<ChannelLane> channels; // a band's channels that had calls, lowest first
    // Sound whose clock is known: the clock time of its start, in milliseconds since 1970.
    std::optional<std::int64_t> clockAtStart;
};

// Codeword errors of consecutive blocks.
struct ErrorBin {
    std::uint64_t codewords = 0;
    std::uint64_t failed = 0;
    std::uint64_t blocks = 0;
    HtmlPlace first;
};

class HtmlRun {
public:
    // `clock`: how clock times are shown (local time or UTC).
    explicit HtmlRun(const ClockStyle& clock = {}) : clock(clock) {}

    void BeginFile(std::string_view name);
    void Add(const DecodedRecord& record);
    void EndFile(const RecordStats& stats);

    std::vector<HtmlFile> files;
    std::vector<HtmlCall> calls;
    std::uint64_t callsLeftOut = 0;
    std::vector<HtmlMessage> messages;
    std::uint64_t messagesLeftOut = 0;
    std::vector<HtmlListedPosition> listedPositions;
    std::vector<HtmlPosition> positions;
    std::vector<HtmlUnit> units;
    std::uint32_t tracks = 0; // units that sent a position
    std::vector<ErrorBin> errorBins;
    std::uint64_t blocksPerBin = 1;
    ClockStyle clock;

    // The unit's index, added when new.
    std::uint32_t UnitIndex(const std::string& address);

    // A clock time as the page shows it, "2026-12-07 22:03:48.123" (local time) or
    // "2026-12-07 21:03:48.123Z", with `decimals` of the second.
    std::string ClockText(std::int64_t milliseconds, int decimals = 3) const;
    // "2026-12-07 22:03:48.123, 12.345 s", "12.345 s", "line 12, column 5", or "" when the
    // record has no place; after "446006250 Hz, " when it has a channel.
    std::string PlaceText(const HtmlPlace& place) const;

private:
    void AddToBins(const HtmlPlace& place, const DecodedRecord& record);
    std::unordered_map<std::string, std::uint32_t> unitIndex_;
};

} // namespace vantrel
