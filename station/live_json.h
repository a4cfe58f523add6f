// The live page's data as JSON: the whole state for a browser that opens the page (and for
// GET /state.json), and the news since the last event for the browsers already open. A record
// is the object --format jsonl writes (docs/records.md), its log empty; a unit is its summary.
#pragma once

#include "live_state.h"

#include <cstdint>
#include <span>
#include <string>

namespace vantrel {

// {"version", "running", "history", "seen", "first", "records": [...], "units": [...]}: the
// records held, oldest first, numbered from "first"; every unit, each with its "unit" index.
std::string StateJson(const LiveState& state, bool running);

// {"first", "seen", "skipped", "records": [...], "units": [...]}: the held records numbered
// [first, state.recordsSeen()), after `skipped` records that came too fast to send; the units
// named by `units`.
std::string NewsJson(const LiveState& state, std::uint64_t first, std::uint64_t skipped,
                     std::span<const std::size_t> units);

// One Server-Sent Event: "event: NAME", the data on one line, a blank line.
std::string ServerSentEvent(std::string_view name, std::string_view data);

} // namespace vantrel
