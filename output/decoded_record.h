// One decoded block as the record formats see it: what the decoder found, what its detail
// adds, the GPS reading of its message, and where and when the caller met it.
#pragma once

#include "modETSI300230.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

// The version of the record format; it grows when a field changes meaning or goes away,
// not when one is added.
inline constexpr int RecordFormatVersion = 1;

// How an audio input sounded when the block was heard.
struct HeardInfo {
    double seconds = 0;              // from the start of the input, to the millisecond
    std::optional<double> levelDbfs; // signal level
    std::optional<double> ebN0Db;    // energy per bit to noise density
    // ISO 8601 UTC by the clock: from the recording's start time, or, live, when the
    // transmission began; else empty
    std::string utc;
};

// What only the caller knows: the file, the block's place in it, and times. Every field is
// optional; an empty text or an empty optional is left out of the records.
struct RecordSource {
    std::string file; // the input's name as the user gave it
    // The radio channel the block was heard on, its frequency in Hz: set by a run whose
    // streams each hear a channel of their own (a band); else left out.
    std::optional<std::uint64_t> channelHz;
    std::optional<std::uint64_t> line;   // 1-based line of the sync pattern's first character
    std::optional<std::uint64_t> column; // 1-based column of that character in its line
    std::string finalAt;                 // ISO 8601 UTC time the record became final (follow)
    std::optional<HeardInfo> heard;      // audio input only
};

struct DecodedRecord {
    RecordSource source;
    std::int64_t number = 0; // 1-based block number, as the report counts them
    modETSI300230::BlockInfo info;
    modETSI300230::BlockDetail detail;
    std::uint32_t fromAddrValue = 0; // FromAddr read as a hexadecimal number
    std::uint32_t toAddrValue = 0;   // ToAddr read as a hexadecimal number
    // For a message read as a satellite sentence (IsSatelliteSentence).
    std::optional<modETSI300230::NmeaReading> nmea;
    // The map link of the log's GPS lines (without its label), empty when the log shows none.
    std::string mapLink;

    bool extendedAddressing() const { return detail.headers.size() > 1; }
    std::size_t codewordsFailed() const;
    // The block has headers and every header codeword (the one naming the sender, with
    // extended addressing both) passed its check: only then do FromAddr and ToAddr name units.
    bool headersPassed() const;
    // The record has a position and its headers passed: the position belongs to the unit
    // FromAddr names, so the map formats show it. A position under a failed header stays in
    // the record, marked, but is no map point.
    bool positionTrusted() const;
};

DecodedRecord MakeRecord(std::int64_t number, modETSI300230::BlockInfo info,
                         modETSI300230::BlockDetail detail, RecordSource source = {});

// An address text read as an unsigned hexadecimal number, by the rule of the report's
// decimal form.
std::uint32_t AddressValue(std::string_view address);

} // namespace vantrel
