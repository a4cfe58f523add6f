// Drives the record writers for the format checks: decodes bit files, or writes a set of
// made-up records full of characters that could break a format, in one record format.
// Usage: write-records FORMAT OUTPUT (--crafted | --generated | --failed-header |
//                                     --hostile=TABLE | INPUT...)
//        write-records bits OUTPUT (--generated | --failed-header | --hostile=TABLE)
//        (a made-up input as a bit text; --generated --hostile adds messages made to
//        break a page)
#include "bit_file.h"
#include "encoder.h"
#include "file_error.h"
#include "output_formats.h"
#include "record_writer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
namespace mod = modETSI300230;
using encoder::NmeaSentence;

void WriteBits(RecordWriter& writer, RecordStats& total, const std::string& path,
               const std::string& bits) {
    std::vector<mod::BlockInfo> blocks;
    std::vector<mod::BlockDetail> details;
    std::int32_t count = 0;
    mod::DecodeStream(bits, blocks, count, details);
    writer.BeginFile(path);
    RecordStats stats;
    for (std::size_t i = 0; i < details.size(); ++i) {
        RecordSource source;
        source.file = path;
        const DecodedRecord record =
            MakeRecord(static_cast<std::int64_t>(i + 1), std::move(blocks[i]),
                       std::move(details[i]), std::move(source));
        stats.Add(record);
        writer.Write(record);
    }
    writer.EndFile(stats);
    total.Add(stats);
}

void WriteFile(RecordWriter& writer, RecordStats& total, const std::string& path) {
    WriteBits(writer, total, path, RemoveLineFeeds(ReadBitFile(path)));
}

// "ddmm.mmmm" or "dddmm.mmmm" of an angle, with its hemisphere letter.
std::string Angle(double degrees, int degreeDigits, char positive, char negative) {
    const double a = degrees < 0 ? -degrees : degrees;
    const int whole = static_cast<int>(a);
    char text[32];
    std::snprintf(text, sizeof text, "%0*d%07.4f,%c", degreeDigits, whole, (a - whole) * 60.0,
                  degrees < 0 ? negative : positive);
    return text;
}

// Three units sending positions in turn, RMC and GGA, all over the globe, through the encoder
// and the real decoder.
std::string GeneratedFixes() {
    std::string bits = "0101";
    for (int fix = 0; fix < 12; ++fix) {
        const int unit = fix % 3;
        const double lat = -80.0 + 13.7 * fix + 0.123456 * unit;
        const double lon = -170.0 + 29.3 * fix - 0.654321 * unit;
        const std::string where = Angle(lat, 2, 'N', 'S') + "," + Angle(lon, 3, 'E', 'W');
        const std::string sentence = fix % 2 == 0
                                         ? NmeaSentence("GPRMC,1200" + std::to_string(10 + fix) +
                                                        ",A," + where + ",0.0,0.0,071226,,")
                                         : NmeaSentence("GPGGA,1200" + std::to_string(10 + fix) +
                                                        "," + where + ",1,08,1.0,10.0,M,0.0,M,,");
        const encoder::Header header{encoder::ShortData, 10, 4,
                                     static_cast<std::uint32_t>(0x11 + unit), 0x1};
        bits += encoder::ShortDataBlock(header, sentence,
                                        fix % 4 == 3 ? encoder::Sync::Fec : encoder::Sync::NoFec);
        bits += "0011";
    }
    return bits;
}

// Munich, and a place south and west (-12.5, -45.5) whose negative numbers must stay numbers.
const std::string Munich = "4807.038,N,01131.000,E";
const std::string SouthWest = "1230.000,S,04530.000,W";

// Every text of the hostile table (a JSON list, written by check_records.py) sent three ways
// through the encoder and the decoder: as a plain message, after the fields of a $GPRMC and
// of a $GNGGA that give positions (so it reaches the map formats' descriptions), and as the
// time field of a $GNRMC.
std::string HostileBlocks(const std::string& tablePath) {
    std::ifstream in(tablePath, std::ios::binary);
    const auto table = nlohmann::json::parse(in).get<std::vector<std::string>>();
    std::string bits = "0101";
    std::uint32_t unit = 0x300;
    for (const std::string& text : table) {
        const std::string messages[] = {
            text,
            NmeaSentence("GPRMC,123519,A," + Munich + ",,,230394,,,A," + text),
            NmeaSentence("GNGGA,123519," + SouthWest + ",1," + text),
            NmeaSentence("GNRMC," + text + ",A," + SouthWest),
        };
        for (const std::string& message : messages) {
            const encoder::Header header{encoder::ShortData, 10, 4, ++unit, 0x1};
            bits += encoder::ShortDataBlock(header, message) + "0011";
        }
    }
    return bits;
}

// Messages that would run script or add markup to a page that did not escape them, between
// the generated fixes, each from a unit of its own.
std::string HostileMessages() {
    const std::string texts[] = {
        "<img src=x onerror=document.title='pwned'>",
        "</script><script>document.title='pwned'</script>",
        "\"><b id=injected>bold</b><!--",
        "&amp; &lt;b&gt; ]]> */ --> ' \\u2028",
    };
    std::string bits = "0101";
    std::uint32_t unit = 0x51;
    for (const std::string& text : texts) {
        const encoder::Header header{encoder::ShortData, 10, 4, unit++, 0x2};
        bits += encoder::ShortDataBlock(header, text) + "0011";
    }
    return bits;
}

// A unit's position, the same unit's next one under a header whose last From bit flipped
// (read as another unit, and failing its check), a third under a sound header again, and a
// fourth whose header passes while its address codeword (extended addressing) fails.
std::string FailedHeader() {
    const encoder::Header unit{encoder::ShortData, 10, 4, 0x235, 0x1};
    constexpr std::size_t FromAddressLastBit = 35; // function 6, country 6, common 12, From 12
    std::string bits = "0101" + encoder::ShortDataBlock(unit, NmeaSentence("GPRMC,1,A," + Munich));
    std::vector<std::string> broken{
        encoder::Corrupt(encoder::HeaderCodeword(unit), FromAddressLastBit)};
    for (const std::string& w :
         encoder::ShortDataCodewords(NmeaSentence("GNGGA,2," + SouthWest + ",1")))
        broken.push_back(w);
    bits += "0011" + encoder::Block(encoder::Sync::NoFec, broken);
    bits +=
        "0011" + encoder::ShortDataBlock(unit, NmeaSentence("GPGGA,3,4900.000,N,01200.000,E,1"));
    const encoder::Header extended{encoder::ExternalAddressing, 10, 4, 0x235, encoder::AllCallTo};
    const encoder::Header address{encoder::ShortData, 10, 4, 0xFFF, 0x1};
    constexpr std::size_t ParityBit = 63; // the information bits stay as they were
    std::vector<std::string> failedAddress{
        encoder::HeaderCodeword(extended),
        encoder::Corrupt(encoder::HeaderCodeword(address), ParityBit)};
    for (const std::string& w :
         encoder::ShortDataCodewords(NmeaSentence("GPGGA,4,5000.000,N,01300.000,E,1")))
        failedAddress.push_back(w);
    bits += "0011" + encoder::Block(encoder::Sync::NoFec, failedAddress);
    return bits + "0011";
}

// The bit text of a made-up input: --generated, --failed-header or --hostile=TABLE.
std::optional<std::string> MadeUpBits(const std::string& name) {
    if (name == "--generated")
        return GeneratedFixes();
    if (name == "--failed-header")
        return FailedHeader();
    constexpr std::string_view Hostile = "--hostile=";
    if (name.starts_with(Hostile))
        return HostileBlocks(name.substr(Hostile.size()));
    return std::nullopt;
}

// Texts with every character a format gives meaning to, Latin-1 bytes and control codes.
const std::string Awkward = "a\"b,c<d>e&f'g\r\nh\ti\x01j\x7Fk\xE9l\xFFm;n=o";

// The channel the made-up records were heard on: they fill every field a record can have.
constexpr std::uint64_t CraftedChannelHz = 446'006'250;

DecodedRecord CraftedRecord(int number, double lat, double lon) {
    mod::BlockInfo info;
    info.Func1 = "Func " + Awkward;
    info.Func2 = info.Func1;
    info.FromCountry = "Espa\xF1"
                       "a";
    info.ToCountry = info.FromCountry;
    info.FromAddr = "1" + Awkward; // the unit name of the map formats
    info.ToAddr = "1567";
    info.Message = "$GPRMC msg " + Awkward;
    info.Log = mod::SharedText("log " + Awkward);
    mod::BlockDetail detail;
    detail.syncPosition = 100;
    detail.shortData = true;
    detail.headers.push_back({1, 25, 10, 1, 0x234, 0x567, "Call", "Short data", "Italy"});
    // A header that passed: the made-up positions are map points.
    detail.codewords.push_back({mod::CodewordCheck::Kind::Header, true, 0, 0, false});
    RecordSource source;
    source.file = "dir/f\xE9"
                  "\",<&>.txt";
    source.line = 3;
    source.column = 7;
    source.finalAt = "2026-12-07T13:00:00Z";
    source.heard = HeardInfo{12.345, -20.5, 11.25, "2026-12-07T21:00:12.345Z"};
    source.channelHz = CraftedChannelHz;
    DecodedRecord r = MakeRecord(number, std::move(info), std::move(detail), std::move(source));
    // The reading is made up too: the message is no real sentence.
    mod::NmeaReading nmea;
    nmea.sentenceType = "GP\xE9";
    nmea.checksumOk = true;
    nmea.fixTime = "12\x01"
                   "34";
    nmea.hasPosition = true;
    nmea.latitude = lat;
    nmea.longitude = lon;
    r.nmea = nmea;
    r.mapLink = "https://example.org/?a=1&b=\"2\"";
    return r;
}

void WriteCrafted(RecordWriter& writer, RecordStats& total) {
    writer.BeginFile("crafted \xE9<&>\".txt");
    RecordStats stats;
    const DecodedRecord records[] = {CraftedRecord(1, 45.123456, -7.654321),
                                     CraftedRecord(2, -89.999999, 179.999999)};
    for (const DecodedRecord& r : records) {
        stats.Add(r);
        writer.Write(r);
    }
    writer.EndFile(stats);
    total.Add(stats);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: write-records FORMAT OUTPUT (--crafted | INPUT...)\n";
        return 2;
    }
    if (std::string(argv[1]) == "bits") {
        // A made-up input as a bit text, for the checks of the command line.
        const std::optional<std::string> made = MadeUpBits(argv[3]);
        if (!made) {
            std::cerr << "no made-up input " << argv[3] << '\n';
            return 2;
        }
        std::ofstream bits(argv[2], std::ios::binary | std::ios::trunc);
        bits << *made;
        if (argc > 4 && std::string(argv[4]) == "--hostile")
            bits << HostileMessages();
        bits << "\r\n";
        bits.close();
        return bits ? 0 : 1;
    }
    const OutputFormat* format = OutputFormatNamed(argv[1]);
    if (format == nullptr || format->writer == nullptr) {
        std::cerr << "unknown format " << argv[1] << '\n';
        return 2;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    const std::unique_ptr<RecordWriter> writer = format->writer(out, {});
    // Only the made-up records carry a channel: a run without them writes no column for it.
    if (std::find(argv + 3, argv + argc, std::string_view("--crafted")) != argv + argc)
        writer->ExpectChannels();
    RecordStats total;
    writer->BeginRun();
    try {
        for (int i = 3; i < argc; ++i) {
            if (std::string(argv[i]) == "--crafted")
                WriteCrafted(*writer, total);
            else if (const std::optional<std::string> made = MadeUpBits(argv[i]))
                WriteBits(*writer, total, std::string(argv[i]).substr(2), *made);
            else
                WriteFile(*writer, total, argv[i]);
        }
    } catch (const FileError& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    writer->EndRun(total);
    std::cerr << StatsText(total, "total");
    out.close();
    return out ? 0 : 1;
}
