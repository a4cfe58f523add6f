// What the html page shows, gathered record by record: the page is written once at the end of
// the run, so everything it needs is kept here, in bounded memory. Tables keep their first
// HtmlRowLimit rows and count the rest; the error chart keeps at most ErrorBinLimit bins,
// merging neighbours as the run grows; only the positions are all kept (the map shows every
// one), 24 bytes each.
#pragma once

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

// Where a record stood: its file, and its line and column (bit text) or the time it was heard
// (sound); `bit` orders records of one file whichever the input was.
struct HtmlPlace {
    std::size_t file = 0;
    std::optional<std::uint64_t> channelHz; // the channel it was heard on, when known
    std::optional<std::uint64_t> line;
    std::optional<std::uint64_t> column;
    std::optional<double> seconds;
    std::uint64_t bit = 0;
};

// A number with `digits` decimals, "." as the point whatever the locale.
std::string Fixed(double value, int digits);

// "line 12, column 5", "12.345 s", or "" when the record has no place; after "446006250 Hz, "
// when it has a channel.
std::string PlaceText(const HtmlPlace& place);

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
};

struct HtmlFile {
    std::string name; // UTF-8
    bool sound = false;
    std::optional<HtmlPlace> first;
    std::optional<HtmlPlace> last;
    RecordStats stats;
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
    std::vector<ErrorBin> errorBins;
    std::uint64_t blocksPerBin = 1;

    // The unit's index, added when new.
    std::uint32_t UnitIndex(const std::string& address);

private:
    void AddToBins(const HtmlPlace& place, const DecodedRecord& record);
    std::unordered_map<std::string, std::uint32_t> unitIndex_;
};

} // namespace vantrel
