// Every output format of vantrel-decode, the text report included, one row a format with all
// of its rules: the name --format takes, the writer, how a run of many files joins it, what it
// carries and shows, whether --follow can write it, and its line of help. Option parsing, the
// help and the usage, -j, --follow, the run, the shell completions and the manual page all
// read this table, so a new format is a writer and one row here.
#pragma once

#include "record_writer.h"

#include <optional>
#include <span>
#include <string_view>

namespace vantrel {

struct OutputFormat {
    std::string_view name = {}; // what --format takes
    // How its writer is made; nothing for the text report, which output/report renders.
    WriterMaker writer = nullptr;
    // What goes between the pieces of two files written by writers of their own, so that the
    // joined text is the one writer's: a run of many files then decodes them in parallel.
    // Nothing when the format gathers the whole run into one document (tracks per unit, one
    // feature list, one page): one writer then takes the files one after the other.
    std::optional<std::string_view> perFileJoint = std::nullopt;
    bool carriesLog = false;      // every record carries the block's log
    bool statsInDocument = false; // the document shows statistics itself: --stats adds no lines
    bool follows = false;         // --follow writes it, each record as soon as it is final
    // Why --follow cannot write it, when the reason is the format's own; otherwise the
    // general one (one input, one record a line) is given.
    std::string_view followRefusal = {};
    // Its line of --help and of the manual page; neighbours with the same line are listed
    // together ("gpx, kml or geojson").
    std::string_view help = {};
};

// Every format, in the order the help lists them: the text report first, then the records.
std::span<const OutputFormat> OutputFormats();

// The format that --format NAME names; nothing for any other name.
const OutputFormat* OutputFormatNamed(std::string_view name);

} // namespace vantrel
