#include "html_run.h"

#include "channel_text.h"
#include "latin1.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vantrel {

std::string Fixed(double value, int digits) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, digits);
    return result.ec == std::errc() ? std::string(text, result.ptr) : "0";
}

namespace {

std::string PlaceInFile(const HtmlPlace& place) {
    if (place.seconds)
        return Fixed(*place.seconds, 3) + " s";
    if (place.line && place.column)
        return "line " + std::to_string(*place.line) + ", column " + std::to_string(*place.column);
    return {};
}

// Where a call stands along its file's timeline.
double TimelineValue(const HtmlPlace& place) {
    return place.seconds ? *place.seconds : static_cast<double>(place.bit);
}

} // namespace

std::string HtmlRun::ClockText(std::int64_t milliseconds, int decimals) const {
    ClockStyle style = clock;
    style.decimals = decimals;
    return vantrel::ClockText(milliseconds, style);
}

std::string HtmlRun::PlaceText(const HtmlPlace& place) const {
    std::string text;
    if (place.channelHz)
        text = ChannelText(static_cast<std::uint64_t>(*place.channelHz));
    const std::string when = place.clock ? ClockText(*place.clock) : std::string();
    for (const std::string& part : {when, PlaceInFile(place)})
        if (!part.empty())
            text += (text.empty() ? "" : ", ") + part;
    return text;
}

namespace {

// A channel's lane of the file, made when its first call comes.
Timeline& ChannelLaneOf(HtmlFile& file, std::int64_t hz) {
    auto at = std::lower_bound(file.channels.begin(), file.channels.end(), hz,
                               [](const ChannelLane& lane, std::int64_t h) { return lane.hz < h; });
    if (at == file.channels.end() || at->hz != hz)
        at = file.channels.insert(at, ChannelLane{hz, {}});
    return at->timeline;
}

} // namespace

void Timeline::Add(double at, const TimelineBin& call) {
    const double place = at > 0 ? at : 0;
    while (place / width >= static_cast<double>(TimelineBinLimit)) {
        std::vector<TimelineBin> merged((bins.size() + 1) / 2);
        for (std::size_t i = 0; i < bins.size(); ++i) {
            TimelineBin& into = merged[i / 2];
            into.calls += bins[i].calls;
            into.shortData += bins[i].shortData;
            into.corrupted += bins[i].corrupted;
            if (into.firstRow == 0)
                into.firstRow = bins[i].firstRow;
        }
        bins = std::move(merged);
        width *= 2;
    }
    const auto index = static_cast<std::size_t>(place / width);
    if (bins.size() <= index)
        bins.resize(index + 1);
    TimelineBin& bin = bins[index];
    bin.calls += call.calls;
    bin.shortData += call.shortData;
    bin.corrupted += call.corrupted;
    if (bin.firstRow == 0)
        bin.firstRow = call.firstRow;
}

std::string RowId(const HtmlPlace& place, std::int64_t number) {
    std::string id = "b";
    id += std::to_string(place.file);
    id += '-';
    if (place.channelHz) {
        id += std::to_string(*place.channelHz);
        id += '-';
    }
    id += std::to_string(number);
    return id;
}

std::uint32_t HtmlRun::UnitIndex(const std::string& address) {
    const auto [at, added] =
        unitIndex_.try_emplace(address, static_cast<std::uint32_t>(units.size()));
    if (added) {
        units.emplace_back();
        units.back().address = address;
    }
    return at->second;
}

void HtmlRun::BeginFile(std::string_view name) {
    files.emplace_back();
    files.back().name = Utf8OrLatin1(name);
}

void HtmlRun::EndFile(const RecordStats& stats) {
    if (!files.empty())
        files.back().stats = stats;
}

void HtmlRun::Add(const DecodedRecord& record) {
    if (files.empty())
        BeginFile(record.source.file);
    if (record.detail.noPatternLeft)
        return;
    HtmlFile& file = files.back();
    HtmlPlace place;
    place.file = files.size() - 1;
    place.channelHz = record.source.channelHz;
    place.line = record.source.line;
    place.column = record.source.column;
    if (record.source.heard) {
        place.seconds = record.source.heard->seconds;
        file.sound = true;
    }
    place.bit = record.detail.syncPosition;
    place.clock = RecordTimeMilliseconds(record.source.heard && !record.source.heard->utc.empty()
                                             ? record.source.heard->utc
                                             : record.source.finalAt);
    if (place.clock && place.seconds && !file.clockAtStart)
        file.clockAtStart = *place.clock - std::llround(*place.seconds * 1000);
    if (!file.first)
        file.first = place;
    file.last = place;
    AddToBins(place, record);

    const std::string from = Latin1ToUtf8(record.info.FromAddr);
    const std::string to = Latin1ToUtf8(record.info.ToAddr);
    const bool listed = calls.size() < HtmlRowLimit;
    const TimelineBin call = {1, record.detail.shortData ? 1U : 0U, record.info.Corrupted ? 1U : 0U,
                              listed ? static_cast<std::uint32_t>(calls.size() + 1) : 0U};
    file.timeline.Add(TimelineValue(place), call);
    if (place.channelHz)
        ChannelLaneOf(file, *place.channelHz).Add(TimelineValue(place), call);
    if (listed) {
        calls.push_back({record.number, place, from, to, Latin1ToUtf8(record.info.Func1),
                         record.detail.codewords.size(), record.codewordsFailed(),
                         record.info.Corrupted, record.detail.shortData});
    } else {
        ++callsLeftOut;
    }
    const bool passed = record.headersPassed();
    if (passed) {
        HtmlUnit& unit = units[UnitIndex(from)];
        unit.codewords += record.detail.codewords.size();
        unit.failed += record.codewordsFailed();
        if (record.detail.shortData)
            ++unit.messages;
    }
    if (record.detail.shortData) {
        if (messages.size() < HtmlRowLimit)
            messages.push_back(
                {record.number, place, listed, from, to, Latin1ToUtf8(record.info.Message)});
        else
            ++messagesLeftOut;
    }
    if (record.nmea && record.nmea->hasPosition) {
        // Every position goes on the map, whoever sent it, as the map formats do.
        const std::uint32_t index = UnitIndex(from);
        if (!units[index].track)
            units[index].track = tracks++;
        const HtmlPosition position{record.nmea->latitude, record.nmea->longitude, index,
                                    record.source.channelHz};
        positions.push_back(position);
        units[index].last = position;
        ++units[index].positions;
        if (listedPositions.size() < HtmlRowLimit)
            listedPositions.push_back({record.number, place, listed, index, position.latitude,
                                       position.longitude, Latin1ToUtf8(record.nmea->fixTime)});
    }
}

// Bins of blocksPerBin blocks each; when the last bin is full and there are ErrorBinLimit of
// them, neighbours merge in pairs and bins hold twice as many blocks.
void HtmlRun::AddToBins(const HtmlPlace& place, const DecodedRecord& record) {
    if (errorBins.empty() || errorBins.back().blocks == blocksPerBin) {
        if (errorBins.size() == ErrorBinLimit) {
            std::vector<ErrorBin> merged;
            for (std::size_t i = 0; i + 1 < errorBins.size(); i += 2) {
                ErrorBin bin = errorBins[i];
                bin.codewords += errorBins[i + 1].codewords;
                bin.failed += errorBins[i + 1].failed;
                bin.blocks += errorBins[i + 1].blocks;
                merged.push_back(bin);
            }
            errorBins = std::move(merged);
            blocksPerBin *= 2;
        }
        if (errorBins.empty() || errorBins.back().blocks == blocksPerBin)
            errorBins.push_back({0, 0, 0, place});
    }
    ErrorBin& bin = errorBins.back();
    bin.codewords += record.detail.codewords.size();
    bin.failed += record.codewordsFailed();
    ++bin.blocks;
}

} // namespace vantrel
