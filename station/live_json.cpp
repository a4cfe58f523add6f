#include "live_json.h"

#include "html_script.h"
#include "json_text.h"
#include "latin1.h"
#include "record_json_text.h"

namespace vantrel {

namespace {

void AppendWhole(std::string& out, std::string_view key, std::uint64_t value) {
    out += '"';
    out += key;
    out += "\":";
    AppendJsonWhole(out, value);
    out += ',';
}

// Where and when the unit's latest call was heard: the members of the record that tell it.
void AppendLastHeard(JsonOut& json, const RecordSource& last) {
    json.Key("last");
    json.Open('{');
    if (!last.file.empty()) {
        json.Key("file");
        json.Utf8(Utf8OrLatin1(last.file));
    }
    if (last.channelHz) {
        json.Key("channelHz");
        json.Whole(*last.channelHz);
    }
    if (last.line) {
        json.Key("line");
        json.Whole(*last.line);
    }
    if (!last.finalAt.empty()) {
        json.Key("finalAt");
        json.Utf8(last.finalAt);
    }
    if (last.heard) {
        json.Key("seconds");
        json.Real(last.heard->seconds);
        if (!last.heard->utc.empty()) {
            json.Key("utc");
            json.Utf8(last.heard->utc);
        }
    }
    json.Close('}');
}

void AppendSpread(JsonOut& json, std::string_view name, const DbSpread& spread) {
    if (spread.count() == 0)
        return;
    json.Key(name);
    json.Open('{');
    json.Key("min");
    json.Real(*spread.min());
    json.Key("median");
    json.Real(*spread.median());
    json.Close('}');
}

void AppendUnit(std::string& out, const UnitSummary& unit, std::size_t index) {
    JsonOut json(out);
    json.Open('{');
    json.Key("unit");
    json.Whole(index);
    json.Key("address");
    json.Latin1(unit.address);
    json.Key("color");
    json.Utf8(UnitColor(index));
    json.Key("sent");
    json.Whole(unit.sent);
    json.Key("received");
    json.Whole(unit.received);
    if (unit.signal.calls > 0)
        AppendLastHeard(json, unit.signal.last);
    if (unit.latitude && unit.longitude) {
        json.Key("lat");
        json.Real(*unit.latitude);
        json.Key("lon");
        json.Real(*unit.longitude);
    }
    AppendSpread(json, "levelDbfs", unit.signal.levelDbfs);
    AppendSpread(json, "ebN0Db", unit.signal.ebN0Db);
    json.Close('}');
}

void AppendRecords(std::string& out, const LiveState& state, std::uint64_t first) {
    out += "\"records\":[";
    for (std::uint64_t number = first; number < state.recordsSeen(); ++number) {
        if (number > first)
            out += ',';
        AppendRecordJson(out, state.Held(number));
    }
    out += "],";
}

} // namespace

std::string StateJson(const LiveState& state, bool running) {
    std::string out = "{\"version\":1,\"running\":";
    out += running ? "true," : "false,";
    AppendWhole(out, "history", state.historyLimit());
    AppendWhole(out, "seen", state.recordsSeen());
    AppendWhole(out, "first", state.oldestHeld());
    AppendRecords(out, state, state.oldestHeld());
    out += "\"units\":[";
    for (std::size_t i = 0; i < state.units().size(); ++i) {
        if (i > 0)
            out += ',';
        AppendUnit(out, state.units()[i], i);
    }
    return out + "]}";
}

std::string NewsJson(const LiveState& state, std::uint64_t first, std::uint64_t skipped,
                     std::span<const std::size_t> units) {
    std::string out = "{";
    AppendWhole(out, "first", first);
    AppendWhole(out, "seen", state.recordsSeen());
    AppendWhole(out, "skipped", skipped);
    AppendRecords(out, state, first);
    out += "\"units\":[";
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendUnit(out, state.units()[units[i]], units[i]);
    }
    return out + "]}";
}

std::string ServerSentEvent(std::string_view name, std::string_view data) {
    std::string event = "event: ";
    event += name;
    event += "\ndata: ";
    event += data;
    event += "\n\n";
    return event;
}

} // namespace vantrel
